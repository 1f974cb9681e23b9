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

// The row of section s whose listed radius (0 straight) and junction flag are known.
std::string componi_riga(const scenario& store, std::int32_t s, bool bivio, std::int32_t raggio) {
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

}  // namespace

std::string riga_tratto(const scenario& store, std::int32_t s) {
  const bool bivio = test_bivio(store, s);
  const std::int32_t raggio = bivio ? 0 : rendi_raggio_curva(store, posizione_tratto(s)).raggio;
  return componi_riga(store, s, bivio, raggio);
}

std::vector<std::string> costruisci_righe(const scenario& store) {
  return costruisci_righe(store, geometria_linea(store));
}

std::vector<std::string> costruisci_righe(const scenario& store, const geometria_linea& geometria) {
  std::vector<std::string> righe;
  righe.reserve(geometria.size());
  for (std::size_t r = 0; r < geometria.size(); ++r)
    righe.push_back(componi_riga(store, tratto_della_riga(r), geometria.bivio(r),
                                 geometria.raggio_elencato(r)));
  return righe;
}

std::size_t inizio_sopraelevazione(std::string_view riga) {
  const std::size_t tab = riga.rfind('\t');
  return tab == std::string_view::npos ? 0 : tab + 1;
}

}  // namespace sopra
