#pragma once
// The section list: one row of text per listed section.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/scenario.hpp"

namespace sopra {

// Row k of the list belongs to section k + 2; sections 2 .. U - 3 are listed.
inline constexpr std::int32_t primo_tratto_elencato = 2;

// The row of section s: position, kind and cant, separated by TABs.
std::string riga_tratto(const scenario& store, std::int32_t s);

// All rows of the list, for sections 2 .. U - 3 (none when U < 5).
std::vector<std::string> costruisci_righe(const scenario& store);

// Where a row's cant field starts: just after its last TAB.
std::size_t inizio_sopraelevazione(std::string_view riga);

}  // namespace sopra
