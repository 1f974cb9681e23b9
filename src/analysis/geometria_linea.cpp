#include "analysis/geometria_linea.hpp"

#include "analysis/bivio.hpp"
#include "scenario/parallelo.hpp"

namespace sopra {

geometria_linea::geometria_linea(const scenario& store)
    : geometria_linea(store, pezzi_per(numero_righe(store.tratti.size()))) {}

// Every row depends on the store alone (its section and the neighbours the
// junction test reads), so the pieces are independent.
geometria_linea::geometria_linea(const scenario& store, std::size_t pezzi) {
  righe_.resize(numero_righe(store.tratti.size()));
  in_parallelo(righe_.size(), pezzi, [&](std::size_t primo, std::size_t fine) {
    for (std::size_t r = primo; r < fine; ++r) {
      const std::int32_t s = tratto_della_riga(r);
      const raggio_curva curva = rendi_raggio_curva(store, posizione_tratto(s));
      righe_[r] = {curva.raggio, static_cast<std::uint8_t>(curva.classe_raggio),
                   static_cast<std::uint8_t>(test_bivio(store, s))};
    }
  });
}

}  // namespace sopra
