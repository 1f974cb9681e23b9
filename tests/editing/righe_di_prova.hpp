#pragma once
// Oracles of the section list: a row worked out section by section, without the
// whole line's geometry, and the whole list composed at once.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "analysis/bivio.hpp"
#include "analysis/curva.hpp"
#include "analysis/geometria_linea.hpp"
#include "analysis/sopraelevazione.hpp"
#include "editing/elenco.hpp"
#include "scenario/parallelo.hpp"

namespace sopra::prova {

// The row of section s: position, kind and cant, separated by TABs; the
// extended layout puts a single TAB after the widest radius.
inline std::string riga_tratto(const scenario& store, std::int32_t s) {
  const bool bivio = test_bivio(store, s);
  const std::int32_t raggio = bivio ? 0 : rendi_raggio_curva(store, posizione_tratto(s)).raggio;
  std::string riga = std::to_string(posizione_tratto(s)) + '\t';
  if (bivio)
    riga += "bivio \t";
  else if (raggio == 0)
    riga += "rettilineo \t";
  else
    riga +=
        (raggio > 0 ? "curva SX raggio " : "curva DX raggio ") + std::to_string(std::abs(raggio));
  riga += !store.formato_compatto && std::abs(raggio) == 10000 ? "\t" : "\t\t";
  return riga + std::to_string(millimetri_tratto(store, s));
}

// All rows of the list, for sections 2 .. U - 3 (none when U < 5), composed in
// `pezzi` consecutive pieces, each on a thread of its own.
inline righe_elenco costruisci_righe(const scenario& store, const geometria_linea& geometria,
                                     std::size_t pezzi) {
  righe_elenco righe = righe_elenco::da_comporre(store, geometria.size());
  righe.componi_tutte(store, geometria, pezzi);
  return righe;
}
// The same on as many threads as the list is long enough for.
inline righe_elenco costruisci_righe(const scenario& store, const geometria_linea& geometria) {
  return costruisci_righe(store, geometria, pezzi_per(geometria.size()));
}
inline righe_elenco costruisci_righe(const scenario& store) {
  return costruisci_righe(store, geometria_linea(store));
}

}  // namespace sopra::prova
