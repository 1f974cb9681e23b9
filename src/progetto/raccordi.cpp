#include "progetto/raccordi.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "analysis/sopraelevazione.hpp"
#include "scenario/parallelo.hpp"

namespace sopra {

namespace {}  // namespace

void propaga_inviluppo(std::vector<std::int32_t>& valori, const condizioni_linea& condizioni) {
  for (std::size_t r = 1; r < valori.size(); ++r)
    valori[r] = std::max(valori[r], std::max(valori[r - 1] - condizioni.delta(r), non_raggiunto));
  for (std::size_t r = valori.size(); r-- > 1;)
    valori[r - 1] =
        std::max(valori[r - 1], std::max(valori[r] - condizioni.delta(r), non_raggiunto));
}

lettura_tratto leggi_tratto(const slot_tratto& oggetti) {
  // A cant can be written when there is an empty slot or a cant object; the
  // lowest cant object is the section's cant.
  lettura_tratto lettura;
  lettura.scrivibile = slot_scrivibile(oggetti).has_value();
  const std::size_t j =
      oggetti.trova([](const oggetto& o) { return o.tipo == tipo_sopraelevazione; });
  if (j == oggetti.size()) return lettura;
  const oggetto o = oggetti[j];
  lettura.millimetri = static_cast<std::int32_t>(rendimillimetri(centesimi_oggetto(o)));
  lettura.fuori_scala = !sopraelevazione_ammessa(o);
  return lettura;
}

std::vector<lettura_tratto> leggi_righe(const scenario& store, const geometria_linea& geometria) {
  std::vector<lettura_tratto> letture(geometria.size());
  // Each row reads its own section only: the rows are read in pieces side by side.
  in_parallelo(letture.size(), pezzi_per(letture.size()), [&](std::size_t primo, std::size_t fine) {
    for (std::size_t r = primo; r < fine; ++r)
      letture[r] =
          leggi_tratto(store.tratti[static_cast<std::size_t>(tratto_della_riga(r))].oggetti);
  });
  return letture;
}

inviluppi calcola_inviluppi(const std::vector<lettura_tratto>& letture,
                            const geometria_linea& geometria, std::int32_t delta) {
  return calcola_inviluppi(letture, geometria,
                           condizioni_linea::con_delta_costante(letture.size(), delta));
}

inviluppi calcola_inviluppi(const std::vector<lettura_tratto>& letture,
                            const geometria_linea& geometria, const condizioni_linea& condizioni) {
  inviluppi esito{std::vector<std::int32_t>(letture.size(), non_raggiunto),
                  std::vector<std::int32_t>(letture.size(), non_raggiunto)};
  for (std::size_t r = 0; r < letture.size(); ++r) {
    const std::int32_t c = letture[r].millimetri;
    if (!geometria.curva(r) || letture[r].fuori_scala) continue;
    if (c > 0) esito.positivo[r] = c;
    if (c < 0) esito.negativo[r] = -c;
  }
  // The two sides do not meet: side by side.
  in_parallelo(2, 2, [&](std::size_t lato, std::size_t) {
    propaga_inviluppo(lato == 0 ? esito.positivo : esito.negativo, condizioni);
  });
  return esito;
}

piano_raccordi progetta_raccordi(const scenario& store, const geometria_linea& geometria,
                                 const parametri_progetto& parametri) {
  return progetta_raccordi(store, geometria, parametri, profilo_velocita::da_parametri(parametri));
}

piano_raccordi progetta_raccordi(const scenario& store, const geometria_linea& geometria,
                                 const parametri_progetto& parametri,
                                 const profilo_velocita& profilo) {
  const std::vector<lettura_tratto> letture = leggi_righe(store, geometria);
  const inviluppi inv =
      calcola_inviluppi(letture, geometria, condizioni_righe(geometria, parametri, profilo));

  piano_raccordi piano;
  for (std::size_t r = 0; r < letture.size(); ++r) {
    const std::int32_t s = tratto_della_riga(r);
    const std::int32_t c = letture[r].millimetri;
    const std::int32_t positivo = inv.positivo[r];
    const std::int32_t negativo = inv.negativo[r];
    const bool raggiunto = positivo > 0 || negativo > 0;

    // The side the section's cant belongs to: its own cant's, or for a curve
    // without cant its bend's (a left-hand bend raises its right rail: > 0);
    // none for a straight without cant.
    const int lato = c != 0               ? (c > 0 ? 1 : -1)
                     : geometria.curva(r) ? (geometria.raggio(r) > 0 ? 1 : -1)
                                          : 0;
    bool conflitto;
    if (geometria.bivio(r)) {
      conflitto = raggiunto || c != 0;  // junction zones take no cant
    } else {
      conflitto = letture[r].fuori_scala ||
                  positivo + negativo > 0 ||  // the two sides' ramps overlap
                  (lato > 0 && negativo > 0) || (lato < 0 && positivo > 0);
    }
    if (conflitto) {
      piano.esito.conflitti.push_back(posizione_tratto(s));
      continue;
    }
    std::int32_t nuova = c;
    if (lato >= 0 && positivo > c) nuova = positivo;
    if (lato <= 0 && negativo > -c) nuova = -negativo;
    if (nuova == c) continue;
    if (!letture[r].scrivibile) {
      piano.esito.senza_slot.push_back(posizione_tratto(s));
      continue;
    }
    piano.rialzi.push_back({r, nuova});
    ++piano.esito.tratti_rialzati;
  }
  return piano;
}

bool scrivi_sopraelevazione(scenario& store, std::int32_t tratto, double millimetri) {
  const auto i = static_cast<std::size_t>(tratto);
  const auto scritto = oggetto_sopraelevazione(store.tratti.leggi(i).oggetti, millimetri);
  if (!scritto) return false;
  store.tratti.imposta_oggetto(i, scritto->first, scritto->second);
  return true;
}

std::optional<std::pair<std::size_t, oggetto>> oggetto_sopraelevazione(const slot_tratto& oggetti,
                                                                       double millimetri) {
  const auto slot = slot_scrivibile(oggetti);
  if (!slot) return std::nullopt;
  oggetto o = oggetti[*slot];
  codifica_sopraelevazione(o, std::fabs(millimetri),
                           static_cast<std::int16_t>((millimetri > 0) - (millimetri < 0)));
  return std::pair(*slot, o);
}

}  // namespace sopra
