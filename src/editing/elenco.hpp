#pragma once
// The section list: one row of text per listed section.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/scenario.hpp"

namespace sopra {

// Row k of the list belongs to section k + 2; sections 2 .. U - 3 are listed.
// These are the one place where rows, sections and metres are mapped.
inline constexpr std::int32_t primo_tratto_elencato = 2;

// The section that row `riga` lists.
constexpr std::int32_t tratto_della_riga(std::size_t riga) {
  return static_cast<std::int32_t>(riga) + primo_tratto_elencato;
}
// The row that lists section s (s must be listed).
constexpr std::size_t riga_del_tratto(std::int32_t s) {
  return static_cast<std::size_t>(s - primo_tratto_elencato);
}
// Where section s starts, in metres along the line; also its line point.
constexpr std::int32_t posizione_tratto(std::int32_t s) {
  return metri_tratto * s;
}
// The section that starts at `metri`, when `metri` is a whole multiple of a section.
constexpr std::optional<std::int32_t> tratto_alla_posizione(long long metri) {
  if (metri % metri_tratto != 0) return std::nullopt;
  return static_cast<std::int32_t>(metri / metri_tratto);
}

// The row of section s: position, kind and cant, separated by TABs.
std::string riga_tratto(const scenario& store, std::int32_t s);

// All rows of the list, for sections 2 .. U - 3 (none when U < 5).
std::vector<std::string> costruisci_righe(const scenario& store);

// Where a row's cant field starts: just after its last TAB.
std::size_t inizio_sopraelevazione(std::string_view riga);

}  // namespace sopra
