#pragma once
// Run-off ramps: the cant of the sections next to canted curves is raised, never
// lowered, so that no step between neighbouring listed sections exceeds the
// largest change allowed (delta_massimo).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "analysis/geometria_linea.hpp"
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
// the canted curves within `delta`: the largest |c_j| − delta × |i − j| over the
// curves j outside junction zones whose cant c_j is of that side (positivo for
// c_j > 0, negativo for c_j < 0); out-of-scale cants are no sources. Not
// positive where no curve reaches. Linear in the number of rows.
struct inviluppi {
  std::vector<std::int32_t> positivo;
  std::vector<std::int32_t> negativo;
};
inviluppi calcola_inviluppi(const std::vector<lettura_tratto>& letture,
                            const geometria_linea& geometria, std::int32_t delta);

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
piano_raccordi progetta_raccordi(const scenario& store, const geometria_linea& geometria,
                                 const parametri_progetto& parametri);

// Writes a cant of `millimetri` (sign = side) into section `tratto` as the
// single-section edit does: the first slot that is empty or holds cant takes it.
// False, and nothing written, when the section has no such slot.
bool scrivi_sopraelevazione(scenario& store, std::int32_t tratto, double millimetri);

// Plans the ramps and writes them into the store (rows are the caller's).
esito_raccordi applica_raccordi(scenario& store, const geometria_linea& geometria,
                                const parametri_progetto& parametri);

}  // namespace sopra
