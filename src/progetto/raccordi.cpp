#include "progetto/raccordi.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "analysis/sopraelevazione.hpp"

namespace sopra {

namespace {

// An envelope value that no source reaches; steps of at most 2 × the cant limit
// are taken off it without overflow.
constexpr std::int32_t irraggiungibile = -(1 << 29);

// Forward then backward: each row keeps the larger of its own source value and
// its neighbour's value less delta.
void propaga(std::vector<std::int32_t>& valori, std::int32_t delta) {
  for (std::size_t r = 1; r < valori.size(); ++r)
    valori[r] = std::max(valori[r], std::max(valori[r - 1] - delta, irraggiungibile));
  for (std::size_t r = valori.size(); r-- > 1;)
    valori[r - 1] = std::max(valori[r - 1], std::max(valori[r] - delta, irraggiungibile));
}

}  // namespace

std::vector<std::int32_t> sopraelevazioni_righe(const scenario& store,
                                                const geometria_linea& geometria) {
  std::vector<std::int32_t> millimetri(geometria.size());
  for (std::size_t r = 0; r < millimetri.size(); ++r)
    millimetri[r] = millimetri_tratto(store, tratto_della_riga(r));
  return millimetri;
}

bool fuori_scala(const scenario& store, std::int32_t tratto, std::int32_t millimetri) {
  if (std::abs(millimetri) > sopraelevazione_limite) return true;
  const auto slot = ogg_tipo(store, tratto, tipo_sopraelevazione);
  if (!slot) return false;
  const std::int16_t lato =
      store.tratti[static_cast<std::size_t>(tratto)].oggetti[static_cast<std::size_t>(*slot)].dato2;
  return lato < -1 || lato > 1;
}

inviluppi calcola_inviluppi(const std::vector<std::int32_t>& millimetri,
                            const geometria_linea& geometria, std::int32_t delta) {
  inviluppi esito{std::vector<std::int32_t>(millimetri.size(), irraggiungibile),
                  std::vector<std::int32_t>(millimetri.size(), irraggiungibile)};
  for (std::size_t r = 0; r < millimetri.size(); ++r) {
    const std::int32_t c = millimetri[r];
    if (!geometria.curva(r) || std::abs(c) > sopraelevazione_limite) continue;
    if (c > 0) esito.positivo[r] = c;
    if (c < 0) esito.negativo[r] = -c;
  }
  propaga(esito.positivo, delta);
  propaga(esito.negativo, delta);
  return esito;
}

piano_raccordi progetta_raccordi(const scenario& store, const geometria_linea& geometria,
                                 const parametri_progetto& parametri) {
  const std::vector<std::int32_t> millimetri = sopraelevazioni_righe(store, geometria);
  const inviluppi inv = calcola_inviluppi(millimetri, geometria, delta_massimo(parametri));

  piano_raccordi piano;
  for (std::size_t r = 0; r < millimetri.size(); ++r) {
    const std::int32_t s = tratto_della_riga(r);
    const std::int32_t c = millimetri[r];
    const std::int32_t positivo = inv.positivo[r];
    const std::int32_t negativo = inv.negativo[r];
    const bool raggiunto = positivo > 0 || negativo > 0;

    bool conflitto;
    if (geometria.bivio(r)) {
      conflitto = raggiunto || c != 0;  // junction zones take no cant
    } else {
      conflitto = fuori_scala(store, s, c) ||
                  positivo + negativo > 0 ||  // the two sides' ramps overlap
                  (c > 0 && negativo > 0) || (c < 0 && positivo > 0);
    }
    if (conflitto) {
      piano.esito.conflitti.push_back(posizione_tratto(s));
      continue;
    }
    std::int32_t nuova = c;
    if (c > 0 || (c == 0 && positivo > 0)) nuova = std::max(c, positivo);
    if (c < 0 || (c == 0 && negativo > 0)) nuova = -std::max(-c, negativo);
    if (nuova == c) continue;
    if (!slot_scrivibile(store.tratti[static_cast<std::size_t>(s)].oggetti)) {
      piano.esito.senza_slot.push_back(posizione_tratto(s));
      continue;
    }
    piano.rialzi.push_back({r, nuova});
    ++piano.esito.tratti_rialzati;
  }
  return piano;
}

bool scrivi_sopraelevazione(scenario& store, std::int32_t tratto, double millimetri) {
  const auto oggetti = store.tratti[static_cast<std::size_t>(tratto)].oggetti;
  const auto slot = slot_scrivibile(oggetti);
  if (!slot) return false;
  codifica_sopraelevazione(oggetti[*slot], std::fabs(millimetri),
                           static_cast<std::int16_t>((millimetri > 0) - (millimetri < 0)));
  return true;
}

esito_raccordi applica_raccordi(scenario& store, const geometria_linea& geometria,
                                const parametri_progetto& parametri) {
  piano_raccordi piano = progetta_raccordi(store, geometria, parametri);
  for (const rialzo& r : piano.rialzi)
    scrivi_sopraelevazione(store, tratto_della_riga(r.riga), r.millimetri);
  return std::move(piano.esito);
}

}  // namespace sopra
