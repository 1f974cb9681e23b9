#include "analysis/bivio.hpp"

#include <cstddef>

#include "analysis/sopraelevazione.hpp"

namespace sopra {

namespace {

// The first junction slot of section s, or nullptr when it has none.
const oggetto* bivio_del_tratto(const scenario& store, std::int32_t s) {
  const std::int32_t j = trova_bivio(store, s);
  if (j == nessun_bivio) return nullptr;
  return &store.tratti[static_cast<std::size_t>(s)].oggetti[static_cast<std::size_t>(j)];
}

// The junction code's remainder on division by 10 tells the way its zone reaches:
// 0 forward, 1 backward, any other value nowhere. The remainder truncates, so it
// takes the sign of the code: -10 is forward, -11 reaches nowhere.
bool in_avanti(const oggetto* b) {
  return b != nullptr && b->dato1 % 10 == 0;
}
bool all_indietro(const oggetto* b) {
  return b != nullptr && b->dato1 % 10 == 1;
}

}  // namespace

std::int32_t trova_bivio(const scenario& store, std::int32_t x) {
  const auto oggetti = store.tratti[static_cast<std::size_t>(x)].oggetti;
  for (std::size_t j = 0; j < oggetti.size(); ++j)
    if (oggetti[j].tipo == tipo_bivio && oggetti[j].dato4 == 0) return static_cast<std::int32_t>(j);
  return nessun_bivio;
}

bool test_bivio(const scenario& store, std::int32_t x) {
  if (x < 3) return false;
  // A forward junction in section k covers k - 1 and k, then k + 1 when dato5 is
  // not 0, k + 2 when also dato3 is 0, and k + 3 when dato3 is 0 and dato5 is 2.
  // A backward junction in section k covers k - 2 .. k.
  const oggetto* const qui = bivio_del_tratto(store, x);
  const oggetto* const dopo = bivio_del_tratto(store, x + 1);
  if (in_avanti(qui) || in_avanti(dopo)) return true;
  const oggetto* b = bivio_del_tratto(store, x - 1);
  if (in_avanti(b) && b->dato5 != 0) return true;
  b = bivio_del_tratto(store, x - 2);
  if (in_avanti(b) && b->dato3 == 0 && b->dato5 != 0) return true;
  b = bivio_del_tratto(store, x - 3);
  if (in_avanti(b) && b->dato3 == 0 && b->dato5 == 2) return true;
  return all_indietro(qui) || all_indietro(dopo) || all_indietro(bivio_del_tratto(store, x + 2));
}

}  // namespace sopra
