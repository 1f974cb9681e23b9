#pragma once
// The listed sections and their geometry. The section list shows sections
// 2 .. U - 3 (U the last section), one row each; for every row this keeps what
// the curve classification and the junction test say about its section. Cant
// edits only touch slots that are empty or hold cant, so neither answer
// changes while a scenario is open: it is worked out once per scenario.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <vector>

#include "analysis/curva.hpp"
#include "scenario/scenario.hpp"

namespace sopra {

// The radius classes (raggi_nominali), and so the class boxes.
inline constexpr std::size_t numero_classi = std::size(raggi_nominali);

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
// The section that starts at `metri`, when `metri` is a whole multiple of a
// section and names a section number a line can have (no wrap-round of a far
// position onto a near section).
constexpr std::optional<std::int32_t> tratto_alla_posizione(long long metri) {
  if (metri % metri_tratto != 0) return std::nullopt;
  const long long s = metri / metri_tratto;
  if (s < 0 || s > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(s);
}
// Whether section s has a row in a list of `numero_righe` rows.
constexpr bool tratto_elencato(std::int32_t s, std::size_t numero_righe) {
  return s >= primo_tratto_elencato && riga_del_tratto(s) < numero_righe;
}
// The row, in a list of `numero_righe` rows, of the section that starts at
// `metri`; none when no listed section starts there.
constexpr std::optional<std::size_t> riga_alla_posizione(long long metri,
                                                         std::size_t numero_righe) {
  const std::optional<std::int32_t> s = tratto_alla_posizione(metri);
  if (!s || !tratto_elencato(*s, numero_righe)) return std::nullopt;
  return riga_del_tratto(*s);
}
// How many rows the list of a store with `numero_tratti` sections holds
// (U - 4 for U = numero_tratti - 1; none when U < 5).
constexpr std::size_t numero_righe(std::size_t numero_tratti) {
  return numero_tratti < 6 ? 0 : numero_tratti - 5;
}

// Curve class, side, measured radius and junction zone of every listed section, by row.
class geometria_linea {
 public:
  geometria_linea() = default;
  // Classifies every listed section of `store`: one curve classification and
  // one junction test each, on as many threads as the line is long enough for.
  explicit geometria_linea(const scenario& store);
  // The same, on `pezzi` threads, which take the rows in turn in 4 × `pezzi`
  // consecutive pieces; the result does not depend on `pezzi`.
  geometria_linea(const scenario& store, std::size_t pezzi);

  // The number of rows.
  std::size_t size() const { return righe_.size(); }
  // The signed nominal radius of row `riga`'s section (0 straight, > 0 left-hand
  // bend, < 0 right-hand bend), also when it lies in a junction zone.
  std::int16_t raggio(std::size_t riga) const { return righe_[riga].raggio; }
  // Its radius class, 0 .. 7 (0 also for straight).
  std::int32_t classe(std::size_t riga) const { return righe_[riga].classe; }
  // Whether it lies in a junction zone.
  bool bivio(std::size_t riga) const { return righe_[riga].bivio != 0; }
  // The side of its bend, junction zones included: +1 left-hand (its cant is
  // > 0), -1 right-hand, 0 straight.
  int lato(std::size_t riga) const { return (raggio(riga) > 0) - (raggio(riga) < 0); }
  // A curve outside a junction zone: the sections that take cant.
  bool curva(std::size_t riga) const { return raggio(riga) != 0 && !bivio(riga); }
  // The radius the list shows: 0 in a junction zone, else raggio().
  std::int16_t raggio_elencato(std::size_t riga) const { return bivio(riga) ? 0 : raggio(riga); }
  // The signed measured radius of row `riga`'s section in metres
  // (raggio_misurato_tratto, signed as raggio()), kept as a float: 0 when it
  // has none, also when it is beyond what a float holds.
  double raggio_misurato(std::size_t riga) const { return righe_[riga].raggio_misurato; }

 private:
  struct riga_geometria {
    std::int16_t raggio;
    std::uint8_t classe;
    std::uint8_t bivio;
    float raggio_misurato;
  };

 public:
  // The bytes per row the geometry takes from the store's memory.
  static constexpr std::size_t byte_per_riga = sizeof(riga_geometria);

 private:
  std::vector<riga_geometria, allocatore_grande<riga_geometria>> righe_;
};

}  // namespace sopra
