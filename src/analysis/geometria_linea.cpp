#include "analysis/geometria_linea.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "analysis/bivio.hpp"
#include "scenario/parallelo.hpp"

namespace sopra {

geometria_linea::geometria_linea(const scenario& store)
    : geometria_linea(store, pezzi_per(numero_righe(store.tratti.size()))) {}

// Every row depends on the store alone (its section and the neighbours the
// junction test reads), so the pieces are independent, and the threads take
// them in turn. Each piece finds the junction slot of each section it reads
// once, not once per neighbour.
geometria_linea::geometria_linea(const scenario& store, std::size_t pezzi)
    : righe_(store.allocatore_costruiti_dopo<riga_geometria>()) {
  righe_.resize(numero_righe(store.tratti.size()));
  // Four pieces a thread: one that the system starts late takes fewer.
  const std::size_t pezzi_in_tutto = 4 * std::max<std::size_t>(pezzi, 1);
  const std::size_t per_pezzo = (righe_.size() + pezzi_in_tutto - 1) / pezzi_in_tutto;
  in_parallelo_a_turni(righe_.size(), per_pezzo, pezzi, [&](std::size_t primo, std::size_t fine) {
    if (primo == fine) return;
    // The junction test of section s reads sections s - 3 .. s + 2.
    const std::int32_t da = std::max(0, tratto_della_riga(primo) - 3);
    const std::int32_t a = tratto_della_riga(fine - 1) + 2;
    // The slot of each section's junction, a byte each (-1: none).
    std::vector<std::int8_t> bivi(static_cast<std::size_t>(a - da + 1));
    for (std::int32_t s = da; s <= a; ++s) {
      const std::int32_t j = trova_bivio(store, s);
      bivi[static_cast<std::size_t>(s - da)] = static_cast<std::int8_t>(j == nessun_bivio ? -1 : j);
    }
    const auto bivio_di = [&](std::int32_t s) -> const oggetto* {
      const std::int8_t j = bivi[static_cast<std::size_t>(s - da)];
      if (j < 0) return nullptr;
      return store.tratti[static_cast<std::size_t>(s)].oggetti.occupato(
          static_cast<std::size_t>(j));
    };
    // The first section from s - 3 on with a junction: when it lies beyond
    // s + 2, the test reads no junction and its answer is no.
    std::int32_t con_bivio = da;
    for (std::size_t r = primo; r < fine; ++r) {
      const std::int32_t s = tratto_della_riga(r);
      con_bivio = std::max(con_bivio, s - 3);
      while (con_bivio <= a && bivi[static_cast<std::size_t>(con_bivio - da)] < 0) ++con_bivio;
      const bool bivio = con_bivio <= s + 2 && test_bivio_con(s, bivio_di);
      const raggio_curva curva = rendi_raggio_curva(store, posizione_tratto(s));
      const double misurato = raggio_misurato_tratto(store, static_cast<std::size_t>(s));
      righe_[r] = {curva.raggio, static_cast<std::uint8_t>(curva.classe_raggio),
                   static_cast<std::uint8_t>(bivio),
                   std::fabs(misurato) <= std::numeric_limits<float>::max()
                       ? static_cast<float>(misurato)
                       : 0.0f};
    }
  });
}

}  // namespace sopra
