#pragma once
// What the design of a whole line reads of each listed section: the speeds of
// the stretch of the speed profile that holds it, its design radius, and the
// largest step of cant allowed from the section before it. The ramps, the
// designer, the check and the curve report all read these, so that one section
// is judged alike by all of them.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/geometria_linea.hpp"
#include "progetto/profilo.hpp"
#include "progetto/progetto.hpp"

namespace sopra {

struct condizioni_riga {
  double velocita_massima = 0;  // V(s), km/h; 0 without a speed
  double velocita_minima = 0;   // v(s), km/h; 0 without a slowest speed
  // R(s), m, signed as the curve's side (> 0 left-hand bend); 0 for a section
  // the classification calls straight. See raggio_progetto.
  double raggio = 0;
  // The largest step of cant from the previous row's section, whole mm
  // (delta_tra of the two sections' V); unused for row 0.
  std::int32_t delta = 0;
};

// The design radius of row `riga`: for a section classified as a curve
// (junction zone or not), its measured radius when that bends to the side of
// the classification, otherwise the nominal radius of its class; 0 for a
// straight. The nominal radius stands in where three points 25 m apart do not
// show the same bend as the three points 1 m apart: a measure spoiled by a
// short line file or by a kink.
double raggio_progetto(const geometria_linea& geometria, std::size_t riga);

// The conditions of every row, in row order. V and v come from `profilo`
// (the stretch that holds the section's position); with an empty profile they
// are those of `parametri` (either may be 0: not given). Linear in rows and
// stretches.
std::vector<condizioni_riga> condizioni_righe(const geometria_linea& geometria,
                                              const parametri_progetto& parametri,
                                              const profilo_velocita& profilo);

}  // namespace sopra
