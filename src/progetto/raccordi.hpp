#pragma once
// Run-off ramps: the cant of the sections next to canted curves is raised, never
// lowered, so that no step between neighbouring listed sections exceeds the
// largest change allowed there (condizioni_riga::delta).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "analysis/geometria_linea.hpp"
#include "progetto/condizioni.hpp"
#include "progetto/profilo.hpp"
#include "progetto/progetto.hpp"
#include "scenario/scenario.hpp"

namespace sopra {

// What the design tools read of one section's slots: its stored cant, in whole
// millimetres as the list shows it after loading (millimetri_tratto); whether
// its cant object is damaged or foreign (its side, dato2, is not -1, 0 or +1,
// or the cant exceeds sopraelevazione_limite); whether a cant can be written
// into it (slot_scrivibile).
struct lettura_tratto {
  std::int32_t millimetri = 0;
  bool fuori_scala = false;
  bool scrivibile = false;
};
lettura_tratto leggi_tratto(const slot_tratto& oggetti);
// The same for every listed section, by row.
std::vector<lettura_tratto> leggi_righe(const scenario& store, const geometria_linea& geometria);

// For each side, by row, the least magnitude of cant that keeps every step from
// the canted curves within the steps allowed: the largest |c_j| − D(i, j) over
// the curves j outside junction zones whose cant c_j is of that side (positivo
// for c_j > 0, negativo for c_j < 0), D(i, j) being the sum of the steps
// allowed (condizioni_riga::delta) at the boundaries between rows i and j;
// out-of-scale cants are no sources. Not positive where no curve reaches.
// Linear in the number of rows.
struct inviluppi {
  std::vector<std::int32_t> positivo;
  std::vector<std::int32_t> negativo;
};
inviluppi calcola_inviluppi(const std::vector<lettura_tratto>& letture,
                            const geometria_linea& geometria, const condizioni_linea& condizioni);
// The same with one step `delta` allowed at every boundary.
inviluppi calcola_inviluppi(const std::vector<lettura_tratto>& letture,
                            const geometria_linea& geometria, std::int32_t delta);

// Forward then backward over the rows: each keeps the larger of its own value
// and its neighbour's less the step allowed between them, so that afterwards
// valori[i] = max over j of (valori_j − D(i, j)). Values at or below
// non_raggiunto stay there; steps are at most 2 × sopraelevazione_limite.
inline constexpr std::int32_t non_raggiunto = -(1 << 29);
void propaga_inviluppo(std::vector<std::int32_t>& valori, const condizioni_linea& condizioni);

// One section the ramps raise: its row and its new signed cant, whole mm.
struct rialzo {
  std::size_t riga = 0;
  std::int32_t millimetri = 0;
};

struct esito_raccordi {
  std::size_t tratti_rialzati = 0;
  // Sections left as they were, positions in metres, ascending: where the ramps
  // of the two sides overlap; where one side's ramp reaches a cant of the other
  // side, or a curve without cant that bends the other way (its inner rail
  // would rise); junction zones that a ramp reaches or that hold cant; damaged
  // or foreign cant objects.
  std::vector<std::int32_t> conflitti;
  // Sections that need a higher cant but have no slot to hold it, metres, ascending.
  std::vector<std::int32_t> senza_slot;
};

// What the ramps would do, without changing anything: the result and the
// sections to raise, by ascending row.
struct piano_raccordi {
  esito_raccordi esito;
  std::vector<rialzo> rialzi;
};
// V(s) comes from `profilo`; the overload without one takes V and v of `parametri`.
piano_raccordi progetta_raccordi(const scenario& store, const geometria_linea& geometria,
                                 const parametri_progetto& parametri,
                                 const profilo_velocita& profilo);
piano_raccordi progetta_raccordi(const scenario& store, const geometria_linea& geometria,
                                 const parametri_progetto& parametri);

// Writes a cant of `millimetri` (sign = side) into section `tratto` as the
// single-section edit does: the first slot that is empty or holds cant takes it.
// False, and nothing written, when the section has no such slot.
bool scrivi_sopraelevazione(scenario& store, std::int32_t tratto, double millimetri);
// What scrivi_sopraelevazione writes into a section whose slots are `oggetti`:
// the slot and its new value; none when the section has no slot for cant.
std::optional<std::pair<std::size_t, oggetto>> oggetto_sopraelevazione(const slot_tratto& oggetti,
                                                                       double millimetri);

}  // namespace sopra
