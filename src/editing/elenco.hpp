#pragma once
// The section list: one row of text per listed section. Which sections are
// listed, and how rows, sections and metres map, is in analysis/geometria_linea.hpp.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/geometria_linea.hpp"
#include "scenario/scenario.hpp"

namespace sopra {

// The row of section s: position, kind and cant, separated by TABs.
std::string riga_tratto(const scenario& store, std::int32_t s);

// All rows of the list, for sections 2 .. U - 3 (none when U < 5).
std::vector<std::string> costruisci_righe(const scenario& store);
// The same rows, with the curve classes and junction zones already worked out,
// built on as many threads as the list is long enough for.
std::vector<std::string> costruisci_righe(const scenario& store, const geometria_linea& geometria);
// The same rows built in `pezzi` consecutive pieces, each on a thread of its
// own; the rows do not depend on `pezzi`.
std::vector<std::string> costruisci_righe(const scenario& store, const geometria_linea& geometria,
                                          std::size_t pezzi);

// Where a row's cant field starts: just after its last TAB.
std::size_t inizio_sopraelevazione(std::string_view riga);

}  // namespace sopra
