#pragma once
// Junction detection: whether a section lies in the zone of a junction.

#include <cstdint>

#include "scenario/scenario.hpp"

namespace sopra {

inline constexpr std::int32_t nessun_bivio = 100;

// The first junction slot (tipo 95, dato4 0) of section x, or nessun_bivio.
std::int32_t trova_bivio(const scenario& store, std::int32_t x);

// True when section x lies in the zone of a junction of itself or of up to three
// sections on either side. Sections below 3 are never in a zone. x + 2 must be a
// valid section number.
bool test_bivio(const scenario& store, std::int32_t x);

// The first junction slot of section s, or nullptr when it has none.
const oggetto* bivio_del_tratto(const scenario& store, std::int32_t s);

// test_bivio with the first junction slot of each section given by
// bivio_di(s) (bivio_del_tratto, or the same worked out beforehand), for a
// pass over many sections that looks up each section's slots once.
template <class F>
bool test_bivio_con(std::int32_t x, F&& bivio_di) {
  if (x < 3) return false;
  // The junction code's remainder on division by 10 tells the way its zone
  // reaches: 0 forward, 1 backward, any other value nowhere. The remainder
  // truncates, so it takes the sign of the code: -10 is forward, -11 reaches nowhere.
  const auto in_avanti = [](const oggetto* b) { return b != nullptr && b->dato1 % 10 == 0; };
  const auto all_indietro = [](const oggetto* b) { return b != nullptr && b->dato1 % 10 == 1; };
  // A forward junction in section k covers k - 1 and k, then k + 1 when dato5 is
  // not 0, k + 2 when also dato3 is 0, and k + 3 when dato3 is 0 and dato5 is 2.
  // A backward junction in section k covers k - 2 .. k.
  const oggetto* const qui = bivio_di(x);
  const oggetto* const dopo = bivio_di(x + 1);
  if (in_avanti(qui) || in_avanti(dopo)) return true;
  const oggetto* b = bivio_di(x - 1);
  if (in_avanti(b) && b->dato5 != 0) return true;
  b = bivio_di(x - 2);
  if (in_avanti(b) && b->dato3 == 0 && b->dato5 != 0) return true;
  b = bivio_di(x - 3);
  if (in_avanti(b) && b->dato3 == 0 && b->dato5 == 2) return true;
  return all_indietro(qui) || all_indietro(dopo) || all_indietro(bivio_di(x + 2));
}

}  // namespace sopra
