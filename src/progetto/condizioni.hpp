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

// The conditions of one row.
struct condizioni_riga {
  double velocita_massima = 0;  // V(s), km/h; 0 without a speed
  double velocita_minima = 0;   // v(s), km/h; 0 without a slowest speed
  // R(s), m, signed as the curve's side (> 0 left-hand bend); 0 for a section
  // the classification calls straight. See raggio_progetto.
  double raggio = 0;
  // The largest step of cant from the previous row's section, whole mm
  // (delta_tra of the two sections' V); 0 for row 0.
  std::int32_t delta = 0;
};

// The design radius of row `riga`: for a section classified as a curve
// (junction zone or not), its measured radius when that bends to the side of
// the classification, otherwise the nominal radius of its class; 0 for a
// straight. The nominal radius stands in where three points 25 m apart do not
// show the same bend as the three points 1 m apart: a measure spoiled by a
// short line file or by a kink.
double raggio_progetto(const geometria_linea& geometria, std::size_t riga);

// The conditions of every row, kept small (a long line has 200,000 rows and
// the design tools read them several times): the speeds once per stretch.
class condizioni_linea {
 public:
  condizioni_linea() = default;
  // `numero_righe` rows with no speed, no radius and `delta` allowed at every boundary.
  static condizioni_linea con_delta_costante(std::size_t numero_righe, std::int32_t delta);

  std::size_t size() const { return righe_.size(); }
  condizioni_riga operator[](std::size_t riga) const {
    const compatta& c = righe_[riga];
    const velocita_riga& v = velocita_[c.tratto];
    return {v.massima, v.minima, c.raggio, c.delta};
  }
  // The step allowed from row riga - 1 to row riga: operator[](riga).delta.
  std::int32_t delta(std::size_t riga) const { return righe_[riga].delta; }

 private:
  friend condizioni_linea condizioni_righe(const geometria_linea&, const parametri_progetto&,
                                           const profilo_velocita&);
  struct compatta {
    float raggio;          // a float holds the measured radius as the geometry keeps it
    std::uint16_t delta;   // at most 2 × sopraelevazione_limite
    std::uint32_t tratto;  // index into velocita_
  };
  std::vector<velocita_riga> velocita_;  // per stretch of the profile
  std::vector<compatta> righe_;
};

// The conditions of every row, in row order. V and v come from `profilo`
// (the stretch that holds the section's position); with an empty profile they
// are those of `parametri` (either may be 0: not given). Linear in rows and
// stretches.
condizioni_linea condizioni_righe(const geometria_linea& geometria,
                                  const parametri_progetto& parametri,
                                  const profilo_velocita& profilo);

}  // namespace sopra
