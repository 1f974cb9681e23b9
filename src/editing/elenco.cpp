#include "editing/elenco.hpp"

#include <charconv>
#include <cstdlib>

#include "analysis/bivio.hpp"
#include "analysis/curva.hpp"
#include "analysis/sopraelevazione.hpp"

namespace sopra {

namespace {

void aggiungi_intero(std::string& riga, std::int32_t numero) {
  char testo[12];
  const auto risultato = std::to_chars(testo, testo + sizeof testo, numero);
  riga.append(testo, risultato.ptr);
}

// The cant of section s in whole millimetres, from its lowest cant object; 0 without one.
std::int32_t millimetri_tratto(const scenario& store, std::int32_t s) {
  const auto slot = ogg_tipo(store, s, tipo_sopraelevazione);
  if (!slot) return 0;
  const oggetto& o =
      store.tratti[static_cast<std::size_t>(s)].oggetti[static_cast<std::size_t>(*slot)];
  return static_cast<std::int32_t>(rendimillimetri(centesimi_oggetto(o)));
}

}  // namespace

std::string riga_tratto(const scenario& store, std::int32_t s) {
  const bool bivio = test_bivio(store, s);
  const std::int32_t raggio = bivio ? 0 : rendi_raggio_curva(store, posizione_tratto(s)).raggio;

  std::string riga;
  riga.reserve(32);
  aggiungi_intero(riga, posizione_tratto(s));
  riga += '\t';
  if (bivio) {
    riga += "bivio \t";
  } else if (raggio == 0) {
    riga += "rettilineo \t";
  } else {
    riga += raggio > 0 ? "curva SX raggio " : "curva DX raggio ";
    aggiungi_intero(riga, std::abs(raggio));
  }
  // The extended layout puts a single TAB after the widest radius.
  riga += !store.formato_compatto && std::abs(raggio) == 10000 ? "\t" : "\t\t";
  aggiungi_intero(riga, millimetri_tratto(store, s));
  return riga;
}

std::vector<std::string> costruisci_righe(const scenario& store) {
  const auto ultimo = static_cast<std::int32_t>(store.tratti.size()) - 1;
  std::vector<std::string> righe;
  if (ultimo < 5) return righe;
  righe.reserve(static_cast<std::size_t>(ultimo - 4));
  for (std::int32_t s = primo_tratto_elencato; s <= ultimo - 3; ++s)
    righe.push_back(riga_tratto(store, s));
  return righe;
}

std::size_t inizio_sopraelevazione(std::string_view riga) {
  const std::size_t tab = riga.rfind('\t');
  return tab == std::string_view::npos ? 0 : tab + 1;
}

}  // namespace sopra
