#pragma once
// The cant of a whole line designed section by section, as a track engineer
// lays it out: every curve section gets the cant proposed for its own speed and
// measured radius, wherever the line lets it; next to a junction zone or a
// section that cannot hold a cant the curve is lowered by no more than needed;
// at a reverse curve the two curves give up the same share of what they need;
// the run-off ramps lie on the straights at the steepest step allowed.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/geometria_linea.hpp"
#include "progetto/condizioni.hpp"
#include "progetto/profilo.hpp"
#include "progetto/progetto.hpp"
#include "scenario/scenario.hpp"

namespace sopra {

// A curve section that carries less than its proposal, and what it then allows.
struct tratto_abbassato {
  std::int32_t posizione = 0;         // metres
  std::int32_t millimetri = 0;        // the cant it gets, on the outer rail
  std::int32_t obiettivo = 0;         // the cant proposed for it
  std::int32_t velocita_ammessa = 0;  // km/h with that cant, I_max and its design radius
};

struct esito_progetto {
  // Runs of curve sections of one side that hold at least one section to design.
  std::size_t curve_progettate = 0;
  // Listed sections that end up with a cant.
  std::size_t tratti_con_sopraelevazione = 0;
  std::vector<tratto_abbassato> abbassati;  // ascending position
  // Curve sections pinned at no cant, metres, ascending: those in a junction
  // zone, and those with no slot that could hold a cant.
  std::vector<std::int32_t> bloccati_bivio;
  std::vector<std::int32_t> bloccati_senza_slot;
};

// The designed cant of every row (signed mm: > 0 raises the right rail, the
// outer rail of a left-hand bend), and what the design did.
struct piano_progetto {
  std::vector<std::int32_t> millimetri;
  esito_progetto esito;
};

// Designs the whole line from the sections' design radius, the speeds of
// `profilo` and the limits of `parametri`, as if every cant object of the
// scenario had been removed first; changes nothing. Rows:
//  - pinned at 0: junction zones, and sections with no slot that is empty or
//    holds cant;
//  - targets: the other curve sections; target T = proponi(V, v, |R|);
//  - caps: a target is held within D(s, z) of every pinned section z, D the
//    sum of the steps allowed between them; where a run of curves of one side
//    is followed by one of the other side (straights only between, end a,
//    start b), the room D(a, b) is shared in proportion to the height each
//    side needs there, and every section before a is held within D(s, a) + its
//    share, every one after b within D(b, s) + the other share;
//  - each side's cant is the envelope of the capped targets less D; a row
//    takes the left-hand bends' side (> 0) where that is above 0, otherwise
//    the other side's, negated; pinned rows keep 0.
// No step exceeds the one allowed, no cant sits on an inner rail, a junction
// zone or a section without a free slot. Linear in the number of rows.
piano_progetto progetta_linea(const scenario& store, const geometria_linea& geometria,
                              const parametri_progetto& parametri, const profilo_velocita& profilo);

}  // namespace sopra
