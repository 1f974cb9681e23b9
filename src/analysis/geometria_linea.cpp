#include "analysis/geometria_linea.hpp"

#include "analysis/bivio.hpp"

namespace sopra {

geometria_linea::geometria_linea(const scenario& store) {
  righe_.resize(numero_righe(store.tratti.size()));
  for (std::size_t r = 0; r < righe_.size(); ++r) {
    const std::int32_t s = tratto_della_riga(r);
    const raggio_curva curva = rendi_raggio_curva(store, posizione_tratto(s));
    righe_[r] = {curva.raggio, static_cast<std::uint8_t>(curva.classe_raggio),
                 static_cast<std::uint8_t>(test_bivio(store, s))};
  }
}

}  // namespace sopra
