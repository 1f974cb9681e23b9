#include "editing/scenario_aperto.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "analysis/bivio.hpp"
#include "analysis/curva.hpp"
#include "analysis/sopraelevazione.hpp"
#include "editing/elenco.hpp"
#include "editing/testo_numero.hpp"
#include "scenario/file_scenario.hpp"
#include "scenario/salva_tratti.hpp"

namespace sopra {

namespace {

constexpr double limite_tratto = 300;  // mm, single-section edit
constexpr double limite_classe = 200;  // mm, class boxes

std::int16_t segno(double valore) {
  return static_cast<std::int16_t>((valore > 0) - (valore < 0));
}

// What the cant box holds once the single-section edit has normalised `testo`.
std::string normalizza_tratto(std::string_view testo) {
  std::string normalizzato(testo);
  if (valore_numerico(normalizzato) > limite_tratto) normalizzato = "300";
  if (valore_numerico(normalizzato) < -limite_tratto) normalizzato = "-300";
  if (std::ranges::all_of(normalizzato, carattere_ignorato)) normalizzato = "0";
  return normalizzato;
}

// What a class box holds once the class command has normalised it.
std::string normalizza_per_comando(std::string_view testo) {
  std::string normalizzato = normalizza_classe(testo);  // never negative from here on
  if (valore_numerico(normalizzato) > limite_classe) normalizzato = "200";
  if (valore_numerico(normalizzato) == 0) normalizzato = "0";
  return normalizzato;
}

// Replaces the cant field of a row, which starts at `inizio`, by `prefisso` and
// `testo`. A TAB or line break in the text becomes a blank, so that the cant
// stays the text after the row's last TAB. The row keeps its buffer.
void riscrivi_sopraelevazione(std::string& riga, std::size_t inizio, std::string_view prefisso,
                              std::string_view testo) {
  riga.resize(inizio);
  riga += prefisso;
  for (const char c : testo) riga += carattere_ignorato(c) ? ' ' : c;
}

}  // namespace

std::string normalizza_classe(std::string_view testo) {
  const double valore = valore_numerico(testo);
  return valore < 0 ? testo_numero(-valore) : std::string(testo);
}

scenario_aperto::scenario_aperto(scenario store)
    : store_(std::move(store)),
      righe_(costruisci_righe(store_)),
      impronta_salvata_(store_.tratti.impronta()) {}

scenario_aperto::selezione scenario_aperto::seleziona(std::size_t riga) const {
  if (riga >= righe_.size()) return {};
  const std::string_view testo = righe_[riga];
  return {testo_numero(valore_numerico(testo)),
          testo_numero(valore_numerico(testo.substr(inizio_sopraelevazione(testo))))};
}

scenario_aperto::esito_tratto scenario_aperto::modifica_tratto(std::size_t riga,
                                                               std::string_view testo) {
  // A row whose last TAB is not among its characters 5 onwards (or no row) takes no edit.
  const std::size_t inizio = riga < righe_.size() ? inizio_sopraelevazione(righe_[riga]) : 0;
  if (inizio < 5) return {std::string(testo)};

  esito_tratto esito{normalizza_tratto(testo)};
  const auto oggetti = store_.tratti[static_cast<std::size_t>(tratto_della_riga(riga))].oggetti;
  const auto slot = std::ranges::find_if(oggetti, [](const oggetto& o) {
    return o.tipo == tipo_vuoto || o.tipo == tipo_sopraelevazione;
  });
  if (slot == oggetti.end()) {
    esito.senza_slot = true;
    return esito;
  }
  const double valore = valore_numerico(esito.testo);
  codifica_sopraelevazione(*slot, std::fabs(valore), segno(valore));
  riscrivi_sopraelevazione(righe_[riga], inizio, "", esito.testo);
  return esito;
}

scenario_aperto::esito_classi scenario_aperto::applica_classi(
    const std::array<std::string, numero_classi>& testi) {
  esito_classi esito;
  std::array<double, numero_classi> moduli;
  for (std::size_t k = 0; k < numero_classi; ++k) {
    esito.testi[k] = normalizza_per_comando(testi[k]);
    moduli[k] = valore_numerico(esito.testi[k]);
  }

  for (std::size_t i = 0; i < store_.tratti.size(); ++i) {
    for (oggetto& o : store_.tratti[i].oggetti) {
      if (o.tipo == tipo_sopraelevazione) {
        o = oggetto{};
        ++esito.oggetti_rimossi;
      }
    }
  }

  for (std::size_t r = 0; r < righe_.size(); ++r) {
    const std::int32_t s = tratto_della_riga(r);
    std::string& riga = righe_[r];
    const std::size_t inizio = inizio_sopraelevazione(riga);
    const raggio_curva curva = rendi_raggio_curva(store_, posizione_tratto(s));
    if (curva.raggio == 0 || test_bivio(store_, s)) {  // straight or junction zone: no cant
      riscrivi_sopraelevazione(riga, inizio, "", "0");
      continue;
    }
    const auto slot = ogg_tipo(store_, s, tipo_vuoto);
    if (!slot) {  // every slot in use by other objects
      riscrivi_sopraelevazione(riga, inizio, "", "0");
      if (esito.posizioni_senza_slot.size() < posizioni_senza_slot_riportate)
        esito.posizioni_senza_slot.push_back(posizione_tratto(s));
      ++esito.curve_senza_slot;
      continue;
    }
    const auto k = static_cast<std::size_t>(curva.classe_raggio);
    const std::int16_t lato = curva.raggio > 0 ? 1 : -1;  // left-hand bend: right rail raised
    codifica_sopraelevazione(store_.tratti[static_cast<std::size_t>(s)].oggetti[*slot], moduli[k],
                             lato);
    riscrivi_sopraelevazione(riga, inizio, lato < 0 ? "-" : "", esito.testi[k]);
    ++esito.curve_con_sopraelevazione;
  }
  return esito;
}

bool scenario_aperto::modificato() const {
  return store_.tratti.impronta() != impronta_salvata_;
}

std::optional<std::string> scenario_aperto::salva() {
  return salva_tratti(store_, &impronta_salvata_);
}

}  // namespace sopra
