#pragma once
// Cant design from line speed: the design parameters, the equilibrium cant,
// the largest step of cant between neighbouring sections, and the cant proposed
// for one curve and for each radius class. All cants are millimetres on the
// 1500 mm base between the rails.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "analysis/geometria_linea.hpp"

namespace sopra {

struct parametri_progetto {
  double velocita_massima = 0;                 // V, km/h, the fastest train; 0 = not given
  double velocita_minima = 0;                  // v, km/h, the slowest trains; 0 = not given
  std::int32_t sopraelevazione_massima = 160;  // c_max, mm
  std::int32_t insufficienza_ammessa = 130;    // I_max, mm of cant deficiency at V
  std::int32_t eccesso_ammesso = 110;          // E_max, mm of cant excess at v
  double pendenza_raccordo = 2.5;              // run-off gradient, mm per metre (1:400)
  double variazione_massima = 55;              // rate of change of cant at V, mm/s

  bool operator==(const parametri_progetto&) const = default;
};

// What the proposal says when no speed V was given.
inline constexpr std::string_view testo_senza_velocita =
    "Senza la velocità massima non si può proporre la sopraelevazione.";

// Equilibrium cant e(V, R) = 11.8 × V² / R, mm, for `velocita` km/h on `raggio` m (> 0).
double sopraelevazione_equilibrio(double velocita, double raggio);

// The least cant n = e(V, R) − I_max that keeps the deficiency at V within
// `insufficienza` mm on a curve of `raggio` m; may be negative (no cant needed).
double sopraelevazione_minima(double velocita, double insufficienza, double raggio);

// The permissible speed on a curve of `raggio` m with `sopraelevazione` mm on its
// outer rail and `insufficienza` mm of deficiency allowed: √((c + I) × R / 11.8)
// km/h, rounded down; 0 when c + I is not positive.
std::int32_t velocita_ammessa(double sopraelevazione, double insufficienza, double raggio);

// The largest change of cant between section s − 1, run at `velocita_prima`
// km/h, and section s, run at `velocita_dopo` km/h (50 m apart), whole mm:
// pendenza_raccordo × 50 and, when either speed is above 0, at most
// variazione_massima × 50 × 3.6 / the larger speed, rounded down (a value within
// 1e-9 of a whole number counts as that number); never below 0 and never above
// 2 × sopraelevazione_limite. Speeds of 0 (or not numbers) are no speed.
std::int32_t delta_tra(const parametri_progetto& parametri, double velocita_prima,
                       double velocita_dopo);

// The cant proposed for one curve of `raggio` m (> 0: a signed radius's
// magnitude) run at `velocita` km/h
// (V > 0) by the fastest trains and at `velocita_minima` km/h by the slowest
// (0 = none). With e = e(V, R), n = e − I_max, L = max(0, n), U the least of
// c_max, e and (v given) e(v, R) + E_max, p0 = max(n, ⅔ e):
// - L ≤ U: p0 is brought within [L, U]; the proposal is the smallest multiple of
//   5 mm not below p0 when it is not above U, else the largest multiple of 5 not
//   above U when it is not below L, else p0 rounded up to whole mm when that is
//   not above U, else rounded down when that is not below L, else rounded up
//   (no whole mm lies in [L, U]);
// - L > U: the least whole mm not below L, but at most c_max.
// A value within 1e-9 of a whole number or a multiple of 5 counts as it. Never
// below 0. Cheap: no allocation, one square root only when a flag needs it.
struct proposta_tratto {
  std::int32_t millimetri = 0;  // the proposed cant, mm
  // n > c_max: V cannot be served within I_max even at c_max, which allows
  // velocita_al_massimo km/h (0 when not flagged).
  bool oltre_massimo = false;
  std::int32_t velocita_al_massimo = 0;
  // v given and n > e(v, R) + E_max: no cant keeps both the deficiency at V and
  // the excess at v within limits.
  bool velocita_inconciliabili = false;
};
proposta_tratto proponi(double velocita, double velocita_minima, double raggio,
                        const parametri_progetto& parametri);

// The proposal for one radius class.
struct proposta_classe {
  std::int32_t raggio = 0;                 // nominal radius, m
  double equilibrio = 0;                   // e(V, R), mm
  std::int32_t proposta = 0;               // proposed cant, mm (proponi)
  double insufficienza = 0;                // deficiency at V with the proposal, mm
  std::optional<double> eccesso;           // excess at v with the proposal, mm (v given)
  std::int32_t velocita_con_proposta = 0;  // permissible speed with the proposal, km/h
  // V cannot be served within I_max even at c_max; velocita_al_massimo then
  // gives the permissible speed with c_max.
  bool oltre_massimo = false;
  std::int32_t velocita_al_massimo = 0;
  // No cant keeps both the deficiency at V and the excess at v within limits.
  bool velocita_inconciliabili = false;

  bool segnalata() const { return oltre_massimo || velocita_inconciliabili; }
};

// The proposal for the eight radius classes, widest first (the index is the
// class box's): proponi with V, v and the class's nominal radius, with the
// figures the table shows. Empty without V (testo_senza_velocita says so).
std::optional<std::array<proposta_classe, numero_classi>> proposta_classi(
    const parametri_progetto& parametri);

}  // namespace sopra
