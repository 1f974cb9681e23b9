#include "analysis/bivio.hpp"

#include <cstddef>

#include "analysis/sopraelevazione.hpp"

namespace sopra {

std::int32_t trova_bivio(const scenario& store, std::int32_t x) {
  const slot_tratto oggetti = store.tratti[static_cast<std::size_t>(x)].oggetti;
  const std::size_t j =
      oggetti.trova([](const oggetto& o) { return o.tipo == tipo_bivio && o.dato4 == 0; });
  return j < oggetti.size() ? static_cast<std::int32_t>(j) : nessun_bivio;
}

const oggetto* bivio_del_tratto(const scenario& store, std::int32_t s) {
  const std::int32_t j = trova_bivio(store, s);
  if (j == nessun_bivio) return nullptr;
  return store.tratti[static_cast<std::size_t>(s)].oggetti.occupato(static_cast<std::size_t>(j));
}

bool test_bivio(const scenario& store, std::int32_t x) {
  return test_bivio_con(x, [&](std::int32_t s) { return bivio_del_tratto(store, s); });
}

}  // namespace sopra
