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

}  // namespace sopra
