#pragma once
// Curve classification of one line point: straight, or a bend to the left or
// right in one of eight radius classes.

#include <cstdint>

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

// The signed curve code at point `qui` from it and its two neighbours on the
// line: 0 straight, else 1, 2, 3, 8, 16, 23, 30 or 37 by the deflection,
// positive for a left-hand (anticlockwise) bend, negative for a right-hand one.
std::int32_t test_curva(const punto_linea& prima, const punto_linea& qui, const punto_linea& dopo);

// The signed nominal radius and radius class from the curve code of three points.
raggio_curva raggio_dei_punti(const punti_tratto& punti);

// The signed radius in metres of the circle through line points a, b and c,
// taken in this order along the line: positive when they turn anticlockwise in
// the (x, y) plane (a left-hand bend, as test_curva signs it), negative when
// they turn clockwise. 0 when there is no such circle: two points coincide, the
// three are collinear or so nearly that their turn is within the round-off of
// their coordinates, or a coordinate or the radius is not a finite number.
double raggio_per_tre_punti(const punto_linea& a, const punto_linea& b, const punto_linea& c);

// The signed measured radius of section s (0 .. N) of the store: that of the
// circle through line points metri_tratto × s - metri_tratto / 2, metri_tratto ×
// s and metri_tratto × s + metri_tratto / 2 (raggio_per_tre_punti). 0 when one
// of them lies before point 0 or beyond the whole records of the line file
// (scenario::punti_nel_file), or the store keeps no halfway points.
double raggio_misurato_tratto(const scenario& store, std::size_t s);

// The signed nominal radius and radius class of line point n, which must be the
// point of one of the store's sections: n = metri_tratto × s with s in 0 .. N
// (the store keeps no other points).
raggio_curva rendi_raggio_curva(const scenario& store, std::int32_t n);

}  // namespace sopra
