#include "analysis/curva.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace sopra {

namespace {

// Below this deflection the track is straight.
constexpr double deflessione_minima = 0.0000001;
// Upper limits of the deflection bands of radius classes 0 .. 6; class 7 has none.
constexpr double limiti_classe[7] = {0.9, 1.7, 3.2, 7.9, 15.7, 23.6, 31};
// The curve code magnitude of each radius class.
constexpr std::int32_t codici_classe[8] = {1, 2, 3, 8, 16, 23, 30, 37};

// 15100 times the distance of `qui` from the midpoint of its two neighbours.
double deflessione(const punto_linea& prima, const punto_linea& qui, const punto_linea& dopo) {
  const double a = (prima.x + dopo.x) / 2 - qui.x;
  const double b = (prima.y + dopo.y) / 2 - qui.y;
  return std::sqrt(a * a + b * b) * 15100;
}

// True when the line turns clockwise at `qui`: the z component of
// (qui - prima) × (dopo - qui) is negative. A zero turn counts as anticlockwise.
bool gira_in_senso_orario(const punto_linea& prima, const punto_linea& qui,
                          const punto_linea& dopo) {
  const double z = (qui.x - prima.x) * (dopo.y - qui.y) - (qui.y - prima.y) * (dopo.x - qui.x);
  return z < 0;
}

// The radius class of a deflection that is not straight: how many band limits
// it reaches. The limits rise, so this is the first band whose upper limit it
// stays below; counting them needs no branch that follows the line's shape.
std::size_t classe_deflessione(double d) {
  std::size_t classe = 0;
  for (const double limite : limiti_classe) classe += d >= limite ? 1 : 0;
  return classe;
}

}  // namespace

std::int32_t codice_deflessione(double d) {
  if (d < deflessione_minima) return 0;
  return codici_classe[classe_deflessione(d)];
}

std::int32_t test_curva(const punto_linea& prima, const punto_linea& qui, const punto_linea& dopo) {
  const std::int32_t codice = codice_deflessione(deflessione(prima, qui, dopo));
  if (codice == 0) return 0;
  return gira_in_senso_orario(prima, qui, dopo) ? -codice : codice;
}

raggio_curva raggio_dei_punti(const punti_tratto& punti) {
  // As test_curva, with the class kept instead of its code.
  const double d = deflessione(punti.prima, punti.qui, punti.dopo);
  if (d < deflessione_minima) return {};
  const std::size_t classe = classe_deflessione(d);
  const std::int16_t raggio = raggi_nominali[classe];
  const bool orario = gira_in_senso_orario(punti.prima, punti.qui, punti.dopo);
  return {static_cast<std::int16_t>(orario ? -raggio : raggio), static_cast<std::int32_t>(classe)};
}

double raggio_per_tre_punti(const punto_linea& a, const punto_linea& b, const punto_linea& c) {
  // The sides, as differences of the coordinates, so that points far from the
  // origin lose nothing more to the products below.
  const double ux = b.x - a.x, uy = b.y - a.y;
  const double vx = c.x - b.x, vy = c.y - b.y;
  const double wx = c.x - a.x, wy = c.y - a.y;
  // Twice the signed area of the triangle: > 0 for an anticlockwise turn.
  const double giro = ux * vy - uy * vx;
  // A coordinate is its value within half a unit in its last place, and so each
  // side within about one unit of the largest coordinate m: on truly collinear
  // points, that and the rounding of the products leave a turn of at most a
  // few units of m × (|ab| + |bc|) + |ab| × |bc|, which the sums of the sides'
  // components bound without a root. The margin also takes in points worked
  // out with a few roundings each; the radius it leaves out is beyond any
  // track's (over a million kilometres for coordinates of 10,000 km).
  const double m = std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(b.x), std::fabs(b.y),
                             std::fabs(c.x), std::fabs(c.y)});
  const double su = std::fabs(ux) + std::fabs(uy);
  const double sv = std::fabs(vx) + std::fabs(vy);
  const double tolleranza = 64 * std::numeric_limits<double>::epsilon() * (m * (su + sv) + su * sv);
  if (!(std::fabs(giro) > tolleranza)) return 0;  // also for coordinates of no number
  // R = |ab| |bc| |ca| / (4 × area), with one root for the three lengths.
  const double quadrati = (ux * ux + uy * uy) * (vx * vx + vy * vy) * (wx * wx + wy * wy);
  const double raggio = std::sqrt(quadrati) / (2 * giro);
  return std::isfinite(raggio) ? raggio : 0;
}

double raggio_misurato_tratto(const scenario& store, std::size_t s) {
  constexpr auto passo = static_cast<std::size_t>(metri_tratto);
  if (s == 0 || s >= store.punti_a_meta.size() || s >= store.punti.size() ||
      s * passo + passo / 2 >= store.punti_nel_file)
    return 0;
  return raggio_per_tre_punti(store.punti_a_meta[s - 1], store.punti[s].qui, store.punti_a_meta[s]);
}

raggio_curva rendi_raggio_curva(const scenario& store, std::int32_t n) {
  return raggio_dei_punti(store.punti[static_cast<std::size_t>(n / metri_tratto)]);
}

}  // namespace sopra
