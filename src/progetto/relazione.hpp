#pragma once
// The curve report: one entry per run of curve sections, with the figures a
// track engineer signs for it (radius, speeds, cant, deficiency and excess,
// run-offs, steepest gradient and rate, the speed each train category may run).

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/geometria_linea.hpp"
#include "progetto/profilo.hpp"
#include "progetto/progetto.hpp"
#include "progetto/verifica.hpp"
#include "scenario/scenario.hpp"

namespace sopra {

// The uncompensated lateral accelerations of the four train categories of the
// report, m/s²: conventional trains, passenger trains of better running gear,
// fast multiple units, tilting trains.
inline constexpr std::array<double, 4> accelerazioni_categorie = {0.6, 0.8, 1.0, 1.8};
// Standard gravity, m/s², to turn an acceleration into cant deficiency.
inline constexpr double gravita = 9.81;

// The cant deficiency, mm, that an uncompensated acceleration of
// `accelerazione` m/s² stands for on the 1500 mm base: 1500 × a / 9.81 (not rounded).
double insufficienza_per_accelerazione(double accelerazione);

// One run of consecutive listed sections classified as curves of one side,
// junction zones included.
struct curva_relazione {
  std::int32_t inizio = 0;  // position of its first section, m
  std::int32_t fine = 0;    // position of its last section, m
  int lato = 0;             // +1 left-hand bend (SX), -1 right-hand (DX)
  // The least |R(s)| of the run (design radius) and the nominal radius of that section's class.
  double raggio_minimo = 0;
  std::int32_t raggio_nominale = 0;
  double velocita_massima = 0;  // the highest V(s) in the run, km/h; 0 without a speed
  double velocita_minima = 0;   // the lowest v(s) in the run, km/h; 0 where none is given
  // At the section of the least radius (the first, on a tie):
  std::int32_t sopraelevazione = 0;     // its cant on the outer rail, mm (< 0 on the inner rail)
  std::optional<double> equilibrio;     // e(V(s), R), mm, with V(s) given
  std::optional<double> insufficienza;  // at V(s), mm, with V(s) given
  std::optional<double> eccesso;        // at v(s), mm, with v(s) given
  // 50 × the sections just before / after the run that carry cant of its side, m.
  std::int32_t raccordo_prima = 0;
  std::int32_t raccordo_dopo = 0;
  // Over the run, its run-offs and the steps at their two ends: the steepest
  // gradient, mm/m, and the fastest rate of change of cant at V, mm/s (with V given).
  double pendenza_massima = 0;
  std::optional<double> variazione_massima;
  // The speed the cant allows, km/h rounded down, for each of accelerazioni_categorie.
  std::array<std::int32_t, accelerazioni_categorie.size()> velocita_categorie{};
  // The problem codes the check finds in the run and its run-offs (and in the
  // step just after them), each once, in the order of codice_problema.
  std::vector<codice_problema> problemi;
};

// Every curve run of the line, by position, judged with V(s) and v(s) from
// `profilo` and the design radius (condizioni_righe). Linear in the number of rows.
std::vector<curva_relazione> relazione_curve(const scenario& store,
                                             const geometria_linea& geometria,
                                             const parametri_progetto& parametri,
                                             const profilo_velocita& profilo);

}  // namespace sopra
