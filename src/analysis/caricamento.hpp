#pragma once
// Loading a scenario, with the checks of what the analysis reads in it.

#include <filesystem>
#include <optional>
#include <string>

#include "scenario/file_scenario.hpp"

namespace sopra {

// Loads the scenario whose header file is `file_testata` as leggi_file_scenario
// reads it (files opened read-only, each read once from its first byte), and
// looks at the cant objects of each block of sections as it is read. On success
// fills `store`, with store.avvisi holding one Italian sentence for each thing
// that looks wrong in the files (a section file whose size is not a whole number
// of records or holds fewer records than the line, a line file shorter than the
// line, cant objects beyond 300 mm or with an odd side), and returns nothing. On
// failure returns an Italian message that names the file or folder once and,
// where it is clear, says what to do; the one for a missing line file is exactly
// "file linea non trovato". `store` is then untouched, and `dettagli`, when
// given, receives the names looked for.
std::optional<std::string> carica_scenario(const std::filesystem::path& file_testata,
                                           scenario& store,
                                           dettagli_caricamento* dettagli = nullptr);

}  // namespace sopra
