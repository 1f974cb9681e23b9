#include "analysis/bivio.hpp"

#include <cstddef>

#include "analysis/sopraelevazione.hpp"

namespace sopra {

std::int32_t trova_bivio(const scenario& store, std::int32_t x) {
  const auto oggetti = store.tratti[static_cast<std::size_t>(x)].oggetti;
  for (std::size_t j = 0; j < oggetti.size(); ++j)
    if (oggetti[j].tipo == tipo_bivio && oggetti[j].dato4 == 0) return static_cast<std::int32_t>(j);
  return nessun_bivio;
}

const oggetto* bivio_del_tratto(const scenario& store, std::int32_t s) {
  const std::int32_t j = trova_bivio(store, s);
  if (j == nessun_bivio) return nullptr;
  return &store.tratti[static_cast<std::size_t>(s)].oggetti[static_cast<std::size_t>(j)];
}

bool test_bivio(const scenario& store, std::int32_t x) {
  return test_bivio_con(x, [&](std::int32_t s) { return bivio_del_tratto(store, s); });
}

}  // namespace sopra
