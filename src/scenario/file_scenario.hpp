#pragma once
// Finding and reading a scenario's files into the store.

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

}  // namespace sopra
