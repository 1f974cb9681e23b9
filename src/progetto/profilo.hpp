#pragma once
// A speed profile: the speeds of the fastest and the slowest trains stretch by
// stretch along the line, as read from a scenario's NAME.velocita.csv or given
// by the design parameters for the whole line.
//
// The file is UTF-8 text, one stretch a line, POSITION_M;V_KMH[;v_KMH]: from
// that position on (to the next line's position; the last to the end of the
// line) the fastest trains run at V and, when given, the slowest at v. Blank
// lines and lines whose first character other than a blank is "#" are ignored.
// Positions are whole metres, the first 0, each larger than the one before;
// speeds take "." or "," as decimal separator, 0 < V <= velocita_oltre_ogni_treno,
// v <= V. As written by Windows tools: a byte-order mark, CRLF line ends and
// blanks (spaces, TABs) around fields are accepted; an empty v or v = 0 means no
// slowest speed.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "progetto/progetto.hpp"

namespace sopra {

// One stretch of a speed profile.
struct tratto_velocita {
  std::int64_t da_metri = 0;    // where it starts, whole metres
  double velocita_massima = 0;  // V, km/h, > 0
  double velocita_minima = 0;   // v, km/h, 0 = none

  bool operator==(const tratto_velocita&) const = default;
};

// The speeds at one listed row.
struct velocita_riga {
  double massima = 0;  // V, km/h; 0 = none
  double minima = 0;   // v, km/h; 0 = none

  bool operator==(const velocita_riga&) const = default;
};

class profilo_velocita {
 public:
  // No speed at all.
  profilo_velocita() = default;

  // One stretch from 0 at V = `massima` and v = `minima` (0, negative or not a
  // number: none); empty when !(massima > 0).
  static profilo_velocita costante(double massima, double minima);

  // The whole line at the parameters' V and v (--velocita, --velocita-minima):
  // costante(velocita_massima, velocita_minima).
  static profilo_velocita da_parametri(const parametri_progetto& parametri);

  // The stretches as they are; the caller guarantees what a read profile
  // guarantees (first at 0, ascending, 0 < V, v <= V).
  explicit profilo_velocita(std::vector<tratto_velocita> tratti) : tratti_(std::move(tratti)) {}

  // Whether there is no stretch, so no speed.
  bool vuoto() const { return tratti_.empty(); }

  // The stretches, by ascending position.
  std::span<const tratto_velocita> tratti() const { return tratti_; }

  // The stretch of each of `numero_righe` listed rows, by row, as an index
  // into tratti(): the one that holds the start of the row's section
  // (posizione_tratto). Precondition: !vuoto(). One pass over rows and
  // stretches together.
  std::vector<std::uint32_t> tratti_delle_righe(std::size_t numero_righe) const;

  bool operator==(const profilo_velocita&) const = default;

 private:
  std::vector<tratto_velocita> tratti_;
};

// What a profile file may weigh at most: far more than a line's stretches
// need, little enough to read at once.
inline constexpr std::uintmax_t byte_massimi_profilo = std::uintmax_t{16} << 20;

// The profile that `testo` (a file's content, byte-order mark and all) holds,
// or, for a wrong line or a text with no stretch, the Italian message that
// names `nome_file`, the line (from 1) and what is wrong with it, and says what
// to do. The first wrong line is reported.
std::variant<profilo_velocita, std::string> leggi_profilo_testo(std::string_view testo,
                                                                std::string_view nome_file);

// The same for the file `file`, read whole; also a message, naming the file
// and the system's reason, when it cannot be read, and one when it is larger
// than byte_massimi_profilo.
std::variant<profilo_velocita, std::string> leggi_profilo(const std::filesystem::path& file);

// The scenario's own profile: NAME.velocita.csv in the folder of `file_testata`
// (NAME its name less the extension), found without regard to case as the
// scenario's other files are. Nothing when there is no such file.
std::optional<std::filesystem::path> trova_profilo(const std::filesystem::path& file_testata);

// The profile as its file writes it: a leading comment line, then
// POSITION;V[;v] a line, "." as decimal separator, the shortest figures that
// read back the same, LF line ends. For a profile that leggi_profilo_testo
// would accept, leggi_profilo_testo(testo_profilo(p), ...) gives p back; an
// empty profile gives the comment alone.
std::string testo_profilo(const profilo_velocita& profilo);

}  // namespace sopra
