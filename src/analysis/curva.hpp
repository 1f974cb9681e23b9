#pragma once
// Curve classification of one line point: straight, or a bend to the left or
// right in one of eight radius classes.

#include <cstdint>
#include <span>

#include "scenario/scenario.hpp"

namespace sopra {

// The eight radius classes, widest (0) to tightest (7), in metres.
inline constexpr std::int16_t raggi_nominali[8] = {10000, 5000, 2500, 1000, 490, 330, 250, 200};

struct raggio_curva {
  std::int16_t raggio = 0;         // 0 straight, > 0 left-hand bend, < 0 right-hand bend
  std::int32_t classe_raggio = 0;  // 0 .. 7; 0 also for straight
};

// The curve code magnitude of a deflection d (15100 times the distance of a point
// from the midpoint of its two neighbours): 0 (straight) below 0.0000001, else
// 1, 2, 3, 8, 16, 23, 30 or 37 by its band; each band includes its lower limit.
std::int32_t codice_deflessione(double d);

// The signed curve code of point n from points n - 1, n and n + 1: 0 straight,
// else 1, 2, 3, 8, 16, 23, 30 or 37 by the deflection, positive for a left-hand
// (anticlockwise) bend, negative for a right-hand one.
std::int32_t test_curva(std::span<const punto_linea> punti_linea, std::int32_t n);

// The signed nominal radius and radius class of point n.
raggio_curva rendi_raggio_curva(const scenario& store, std::int32_t n);

}  // namespace sopra
