#include "progetto/relazione.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "analysis/sopraelevazione.hpp"
#include "progetto/condizioni.hpp"
#include "progetto/raccordi.hpp"

namespace sopra {

double insufficienza_per_accelerazione(double accelerazione) {
  return scartamento_mm * accelerazione / gravita;
}

std::vector<curva_relazione> relazione_curve(const scenario& store,
                                             const geometria_linea& geometria,
                                             const parametri_progetto& parametri,
                                             const profilo_velocita& profilo) {
  const std::size_t n = geometria.size();
  const condizioni_linea condizioni = condizioni_righe(geometria, parametri, profilo);
  const std::vector<lettura_tratto> letture = leggi_righe(store, geometria);
  const std::vector<problema> problemi = verifica_linea(store, geometria, parametri, profilo);
  std::size_t prossimo_problema = 0;  // problems are by position: a moving index serves every run

  std::vector<curva_relazione> curve;
  for (std::size_t inizio = 0; inizio < n;) {
    const int lato = geometria.lato(inizio);
    if (lato == 0) {
      ++inizio;
      continue;
    }
    std::size_t fine = inizio;
    while (fine + 1 < n && geometria.lato(fine + 1) == lato) ++fine;

    curva_relazione c;
    c.inizio = posizione_tratto(tratto_della_riga(inizio));
    c.fine = posizione_tratto(tratto_della_riga(fine));
    c.lato = lato;
    std::size_t minimo = inizio;
    double velocita_minima = 0;
    for (std::size_t r = inizio; r <= fine; ++r) {
      const condizioni_riga& cr = condizioni[r];
      if (std::fabs(cr.raggio) < std::fabs(condizioni[minimo].raggio)) minimo = r;
      c.velocita_massima = std::max(c.velocita_massima, cr.velocita_massima);
      if (cr.velocita_minima > 0 && (velocita_minima == 0 || cr.velocita_minima < velocita_minima))
        velocita_minima = cr.velocita_minima;
    }
    c.velocita_minima = velocita_minima;

    const condizioni_riga& cm = condizioni[minimo];
    const double raggio = std::fabs(cm.raggio);
    c.raggio_minimo = raggio;
    c.raggio_nominale = std::abs(geometria.raggio(minimo));
    c.sopraelevazione = lato * letture[minimo].millimetri;
    if (cm.velocita_massima > 0) {
      c.equilibrio = sopraelevazione_equilibrio(cm.velocita_massima, raggio);
      c.insufficienza = *c.equilibrio - c.sopraelevazione;
    }
    if (cm.velocita_minima > 0)
      c.eccesso = c.sopraelevazione - sopraelevazione_equilibrio(cm.velocita_minima, raggio);
    for (std::size_t k = 0; k < accelerazioni_categorie.size(); ++k) {
      c.velocita_categorie[k] = velocita_ammessa(
          c.sopraelevazione, insufficienza_per_accelerazione(accelerazioni_categorie[k]), raggio);
    }

    // The run-offs: the sections next to the run that carry cant of its side.
    const auto del_lato = [&](std::size_t r) { return lato * letture[r].millimetri > 0; };
    std::size_t primo = inizio, ultimo = fine;
    while (primo > 0 && geometria.lato(primo - 1) == 0 && del_lato(primo - 1)) --primo;
    while (ultimo + 1 < n && geometria.lato(ultimo + 1) == 0 && del_lato(ultimo + 1)) ++ultimo;
    c.raccordo_prima = metri_tratto * static_cast<std::int32_t>(inizio - primo);
    c.raccordo_dopo = metri_tratto * static_cast<std::int32_t>(ultimo - fine);

    // The steps from the section before the first run-off to the one after the last.
    const std::size_t primo_passo = std::max<std::size_t>(primo, 1);
    const std::size_t ultimo_passo = std::min(ultimo + 1, n - 1);
    for (std::size_t r = primo_passo; r <= ultimo_passo; ++r) {
      const double passo = std::abs(letture[r].millimetri - letture[r - 1].millimetri);
      c.pendenza_massima = std::max(c.pendenza_massima, passo / metri_tratto);
      const double v = std::max(condizioni[r].velocita_massima, condizioni[r - 1].velocita_massima);
      if (v > 0) {
        const double rapidita = passo * v / 3.6 / metri_tratto;
        c.variazione_massima = std::max(c.variazione_massima.value_or(0), rapidita);
      }
    }

    // The problems in the run, its run-offs, and the step just after them.
    const std::int32_t da = posizione_tratto(tratto_della_riga(primo));
    const std::int32_t a = posizione_tratto(tratto_della_riga(ultimo));
    while (prossimo_problema < problemi.size() && problemi[prossimo_problema].posizione < da)
      ++prossimo_problema;
    std::uint32_t trovati = 0;  // a bit per code
    for (std::size_t k = prossimo_problema;
         k < problemi.size() && problemi[k].posizione <= a + metri_tratto; ++k) {
      const problema& p = problemi[k];
      const bool passo =
          p.codice == codice_problema::pendenza || p.codice == codice_problema::variazione;
      if (p.posizione <= a || passo) trovati |= 1u << static_cast<unsigned>(p.codice);
    }
    for (std::size_t k = 0; k < numero_codici; ++k)
      if (trovati & (1u << k)) c.problemi.push_back(static_cast<codice_problema>(k));

    curve.push_back(std::move(c));
    inizio = fine + 1;
  }
  return curve;
}

}  // namespace sopra
