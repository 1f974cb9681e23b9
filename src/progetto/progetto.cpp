#include "progetto/progetto.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace sopra {

namespace {

constexpr double coefficiente_equilibrio = 11.8;  // e = 11.8 V² / R on a 1500 mm base
constexpr double tolleranza = 1e-9;   // a result this close to a whole step counts as on it
constexpr double passo_proposta = 5;  // proposals are multiples of 5 mm

// `valore` rounded down, or to the whole number it lies within tolleranza of.
double intero_per_difetto(double valore) {
  const double vicino = std::round(valore);
  return std::fabs(valore - vicino) <= tolleranza ? vicino : std::floor(valore);
}

// `valore` rounded up to a multiple of passo_proposta, or to the multiple it lies
// within tolleranza of.
double multiplo_per_eccesso(double valore) {
  const double vicino = std::round(valore / passo_proposta) * passo_proposta;
  return std::fabs(valore - vicino) <= tolleranza
             ? vicino
             : std::ceil(valore / passo_proposta) * passo_proposta;
}

}  // namespace

double sopraelevazione_equilibrio(double velocita, double raggio) {
  return coefficiente_equilibrio * velocita * velocita / raggio;
}

double sopraelevazione_minima(double velocita, double insufficienza, double raggio) {
  return sopraelevazione_equilibrio(velocita, raggio) - insufficienza;
}

std::int32_t velocita_ammessa(double sopraelevazione, double insufficienza, double raggio) {
  const double somma = sopraelevazione + insufficienza;
  if (!(somma > 0)) return 0;
  return static_cast<std::int32_t>(
      intero_per_difetto(std::sqrt(somma * raggio / coefficiente_equilibrio)));
}

std::int32_t delta_massimo(const parametri_progetto& parametri) {
  double delta = parametri.pendenza_raccordo * metri_tratto;
  if (parametri.velocita_massima > 0)
    delta = std::min(
        delta, parametri.variazione_massima * metri_tratto * 3.6 / parametri.velocita_massima);
  // Also keeps NaN and huge values out of the integer.
  if (!(delta > 0)) return 0;
  return static_cast<std::int32_t>(
      intero_per_difetto(std::min<double>(delta, 2 * sopraelevazione_limite)));
}

std::optional<std::array<proposta_classe, numero_classi>> proposta_classi(
    const parametri_progetto& p) {
  if (!(p.velocita_massima > 0)) return std::nullopt;
  const double c_max = p.sopraelevazione_massima;
  const bool con_minima = p.velocita_minima > 0;

  std::array<proposta_classe, numero_classi> classi;
  for (std::size_t k = 0; k < numero_classi; ++k) {
    proposta_classe& c = classi[k];
    c.raggio = raggi_nominali[k];
    const double r = c.raggio;
    c.equilibrio = sopraelevazione_equilibrio(p.velocita_massima, r);
    const double minima = sopraelevazione_minima(p.velocita_massima, p.insufficienza_ammessa, r);
    double proposta = std::max(minima, c.equilibrio * 2 / 3);
    if (con_minima) {
      const double tetto = sopraelevazione_equilibrio(p.velocita_minima, r) + p.eccesso_ammesso;
      proposta = std::max(std::min(proposta, tetto), minima);
      c.velocita_inconciliabili = minima > tetto;
    }
    c.proposta = static_cast<std::int32_t>(
        std::clamp(multiplo_per_eccesso(proposta), 0.0, std::max(c_max, 0.0)));
    c.insufficienza = c.equilibrio - c.proposta;
    if (con_minima) c.eccesso = c.proposta - sopraelevazione_equilibrio(p.velocita_minima, r);
    c.velocita_con_proposta = velocita_ammessa(c.proposta, p.insufficienza_ammessa, r);
    c.oltre_massimo = minima > c_max;
    if (c.oltre_massimo)
      c.velocita_al_massimo = velocita_ammessa(c_max, p.insufficienza_ammessa, r);
  }
  return classi;
}

}  // namespace sopra
