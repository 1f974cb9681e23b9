#include "editing/elenco.hpp"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "analysis/bivio.hpp"
#include "analysis/curva.hpp"
#include "analysis/sopraelevazione.hpp"
#include "scenario/parallelo.hpp"

namespace sopra {

namespace {

// Writes `numero` at `testo` and returns the end of what it wrote; 11 characters fit any.
char* scrivi_intero(char* testo, std::int32_t numero) {
  return std::to_chars(testo, testo + 11, numero).ptr;
}

char* scrivi_testo(char* testo, std::string_view parte) {
  return std::copy(parte.begin(), parte.end(), testo);
}

// The row of section s whose listed radius (0 straight) and junction flag are known,
// composed in a buffer on the stack so that the row costs one allocation of its size.
std::string componi_riga(const scenario& store, std::int32_t s, bool bivio, std::int32_t raggio) {
  // Longest: 11 + 1 + 16 + 11 + 2 + 11 characters.
  char testo[64];
  char* fine = scrivi_intero(testo, posizione_tratto(s));
  *fine++ = '\t';
  if (bivio) {
    fine = scrivi_testo(fine, "bivio \t");
  } else if (raggio == 0) {
    fine = scrivi_testo(fine, "rettilineo \t");
  } else {
    fine = scrivi_testo(fine, raggio > 0 ? "curva SX raggio " : "curva DX raggio ");
    fine = scrivi_intero(fine, std::abs(raggio));
  }
  // The extended layout puts a single TAB after the widest radius.
  fine = scrivi_testo(fine, !store.formato_compatto && std::abs(raggio) == 10000 ? "\t" : "\t\t");
  fine = scrivi_intero(fine, millimetri_tratto(store, s));
  return std::string(testo, fine);
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
  return costruisci_righe(store, geometria, pezzi_per(geometria.size()));
}

std::vector<std::string> costruisci_righe(const scenario& store, const geometria_linea& geometria,
                                          std::size_t pezzi) {
  std::vector<std::string> righe(geometria.size());
  in_parallelo(righe.size(), pezzi, [&](std::size_t primo, std::size_t fine) {
    for (std::size_t r = primo; r < fine; ++r)
      righe[r] = componi_riga(store, tratto_della_riga(r), geometria.bivio(r),
                              geometria.raggio_elencato(r));
  });
  return righe;
}

std::size_t inizio_sopraelevazione(std::string_view riga) {
  const std::size_t tab = riga.rfind('\t');
  return tab == std::string_view::npos ? 0 : tab + 1;
}

}  // namespace sopra
