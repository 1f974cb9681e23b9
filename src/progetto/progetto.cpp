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

// `valore` rounded up, or to the whole number it lies within tolleranza of.
double intero_per_eccesso(double valore) {
  const double vicino = std::round(valore);
  return std::fabs(valore - vicino) <= tolleranza ? vicino : std::ceil(valore);
}

// `valore` rounded up to a multiple of passo_proposta, or to the multiple it lies
// within tolleranza of.
double multiplo_per_eccesso(double valore) {
  return intero_per_eccesso(valore / passo_proposta) * passo_proposta;
}

// `valore` rounded down to a multiple of passo_proposta, or to the multiple it
// lies within tolleranza of.
double multiplo_per_difetto(double valore) {
  return intero_per_difetto(valore / passo_proposta) * passo_proposta;
}

// Whether `valore` lies in [minimo, massimo], each end widened by tolleranza.
bool entro(double valore, double minimo, double massimo) {
  return valore >= minimo - tolleranza && valore <= massimo + tolleranza;
}

// `valore`, already within [minimo, massimo], rounded as a proposal is: up to a
// multiple of passo_proposta, else down to the largest one within the bounds,
// else to whole mm up, else down, else up past massimo when no whole mm fits.
double arrotonda_entro(double valore, double minimo, double massimo) {
  if (const double su = multiplo_per_eccesso(valore); entro(su, minimo, massimo)) return su;
  if (const double giu = multiplo_per_difetto(massimo); entro(giu, minimo, massimo)) return giu;
  const double su = intero_per_eccesso(valore);
  if (entro(su, minimo, massimo)) return su;
  if (const double giu = intero_per_difetto(valore); entro(giu, minimo, massimo)) return giu;
  return su;  // no whole millimetre lies within the bounds
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

std::int32_t delta_tra(const parametri_progetto& parametri, double velocita_prima,
                       double velocita_dopo) {
  double delta = parametri.pendenza_raccordo * metri_tratto;
  if (const double velocita = std::max(velocita_prima, velocita_dopo); velocita > 0)
    delta = std::min(delta, parametri.variazione_massima * metri_tratto * 3.6 / velocita);
  // Also keeps NaN and huge values out of the integer.
  if (!(delta > 0)) return 0;
  return static_cast<std::int32_t>(
      intero_per_difetto(std::min<double>(delta, 2 * sopraelevazione_limite)));
}

proposta_tratto proponi(double velocita, double velocita_minima, double raggio,
                        const parametri_progetto& p) {
  const double c_max = p.sopraelevazione_massima;
  const double equilibrio = sopraelevazione_equilibrio(velocita, raggio);
  const double minima = equilibrio - p.insufficienza_ammessa;
  const double inferiore = std::max(0.0, minima);
  double superiore = std::min(c_max, equilibrio);
  proposta_tratto esito;
  if (velocita_minima > 0) {
    const double tetto = sopraelevazione_equilibrio(velocita_minima, raggio) + p.eccesso_ammesso;
    superiore = std::min(superiore, tetto);
    esito.velocita_inconciliabili = minima > tetto;
  }
  double proposta;
  if (inferiore <= superiore) {
    const double p0 = std::clamp(std::max(minima, equilibrio * 2 / 3), inferiore, superiore);
    proposta = arrotonda_entro(p0, inferiore, superiore);
  } else {
    // No cant serves: the fast trains' safety first, up to what the track allows.
    proposta = std::min(intero_per_eccesso(inferiore), c_max);
  }
  // Also keeps NaN (a radius or speed out of its domain) out of the integer.
  if (!(proposta > 0)) proposta = 0;
  esito.millimetri = static_cast<std::int32_t>(std::min<double>(proposta, sopraelevazione_limite));
  esito.oltre_massimo = minima > c_max;
  if (esito.oltre_massimo)
    esito.velocita_al_massimo = velocita_ammessa(c_max, p.insufficienza_ammessa, raggio);
  return esito;
}

std::optional<std::array<proposta_classe, numero_classi>> proposta_classi(
    const parametri_progetto& p) {
  if (!(p.velocita_massima > 0)) return std::nullopt;
  const bool con_minima = p.velocita_minima > 0;

  std::array<proposta_classe, numero_classi> classi;
  for (std::size_t k = 0; k < numero_classi; ++k) {
    proposta_classe& c = classi[k];
    c.raggio = raggi_nominali[k];
    const double r = c.raggio;
    const proposta_tratto t = proponi(p.velocita_massima, p.velocita_minima, r, p);
    c.equilibrio = sopraelevazione_equilibrio(p.velocita_massima, r);
    c.proposta = t.millimetri;
    c.insufficienza = c.equilibrio - c.proposta;
    if (con_minima) c.eccesso = c.proposta - sopraelevazione_equilibrio(p.velocita_minima, r);
    c.velocita_con_proposta = velocita_ammessa(c.proposta, p.insufficienza_ammessa, r);
    c.oltre_massimo = t.oltre_massimo;
    c.velocita_al_massimo = t.velocita_al_massimo;
    c.velocita_inconciliabili = t.velocita_inconciliabili;
  }
  return classi;
}

}  // namespace sopra
