#pragma once
// Reading a scenario's files into the store and writing its section file back.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "scenario/scenario.hpp"

namespace sopra {

// N: (line length + 7000) / 50, rounded to the nearest integer, halves to even.
std::int32_t ultimo_tratto(std::int32_t lunghezza_linea);

// The file in `cartella` whose name equals `nome` without regard to case; the
// exact spelling wins when several match. Empty when there is none.
std::optional<std::filesystem::path> trova_file(const std::filesystem::path& cartella,
                                                const std::string& nome);

// Loads the scenario whose header file is `file_testata` (the name, less its
// ".si3" ending, is the scenario name; all three files are looked up in the
// header file's folder). Opens files read-only and never creates one. On
// success fills `store` and returns nothing; on failure returns a short Italian
// message naming the file and leaves `store` untouched.
std::optional<std::string> carica_scenario(const std::filesystem::path& file_testata,
                                           scenario& store);

// Writes tratti[0 .. N] to store.file_tratti, keeping any records after N and
// the file's permissions. The new file is written beside the old one and
// replaces it only once complete and flushed: on failure the section file is
// exactly as it was and the returned Italian message gives the system's reason.
// On success `impronta`, when given, receives store.tratti.impronta(), worked
// out in the same pass over the sections.
std::optional<std::string> salva_tratti(const scenario& store, std::uint64_t* impronta = nullptr);

}  // namespace sopra
