#pragma once
// Scenarios built in memory: sections on a straight line along x, with chosen
// sections judged on circular arcs, and helpers to fill their slots.

#include <cmath>
#include <cstdint>
#include <span>

#include "analysis/sopraelevazione.hpp"
#include "scenario/scenario.hpp"

namespace sopra::prova {

// `numero` sections (0 .. numero - 1), every point on the x axis: all straight,
// with the halfway points of each and a line file that holds them all.
inline scenario scenario_rettilineo(std::size_t numero, bool compatto = true) {
  scenario s;
  s.formato_compatto = compatto;
  s.tratti = elenco_tratti(compatto, numero);
  s.punti.resize(numero);
  s.punti_a_meta.resize(numero);
  for (std::size_t t = 0; t < numero; ++t) {
    const double x = double(metri_tratto) * double(t);
    s.punti[t] = {{x - 1, 0}, {x, 0}, {x + 1, 0}};
    s.punti_a_meta[t] = {x + metri_tratto / 2, 0};
  }
  s.punti_nel_file = static_cast<std::size_t>(metri_tratto) * numero;
  return s;
}

// Puts the three points that judge section `t`, and the halfway points on
// either side of it (which its neighbours share), on an arc of |raggio| metres
// tangent to the x axis at the section's point, bending left for a positive
// radius and right for a negative one.
inline void metti_curva(scenario& s, std::int32_t t, double raggio) {
  const auto i = static_cast<std::size_t>(t);
  punti_tratto& punti = s.punti[i];
  const double r = std::fabs(raggio);
  // The point `metri` along the arc from the section's point (negative: behind it).
  const auto sull_arco = [&](double metri) {
    return punto_linea{punti.qui.x + r * std::sin(metri / r),
                       std::copysign(r * (1 - std::cos(metri / r)), raggio)};
  };
  punti.prima = sull_arco(-1);
  punti.dopo = sull_arco(1);
  if (i >= 1 && i - 1 < s.punti_a_meta.size()) s.punti_a_meta[i - 1] = sull_arco(-metri_tratto / 2);
  if (i < s.punti_a_meta.size()) s.punti_a_meta[i] = sull_arco(metri_tratto / 2);
}

inline std::span<oggetto> slot(scenario& s, std::int32_t t) {
  return s.tratti.apri(static_cast<std::size_t>(t)).oggetti;
}

// A forward junction in section t: it marks sections t - 1 and t.
inline void metti_bivio(scenario& s, std::int32_t t, std::size_t j = 0) {
  slot(s, t)[j] = {tipo_bivio, 10, 0, 0, 0, 0};
}

// A cant object of `millimetri` (sign = side) in slot j of section t.
inline void metti_sopraelevazione(scenario& s, std::int32_t t, double millimetri,
                                  std::size_t j = 0) {
  codifica_sopraelevazione(slot(s, t)[j], std::fabs(millimetri),
                           static_cast<std::int16_t>((millimetri > 0) - (millimetri < 0)));
}

// Fills every slot of section t with other objects.
inline void riempi(scenario& s, std::int32_t t) {
  for (oggetto& o : slot(s, t)) o = {7, 1, 2, 3, 4, 5};
}

}  // namespace sopra::prova
