#pragma once
// Writing the sections of the open scenario back to its section file.

#include <cstdint>
#include <optional>
#include <string>

#include "scenario/scenario.hpp"

namespace sopra {

// Writes tratti[0 .. N] to store.file_tratti, keeping any records after N and
// the file's permissions. The new file is written beside the old one and
// replaces it only once complete and flushed: on failure the section file is
// exactly as it was and the returned Italian message gives the system's reason.
// On success `impronta`, when given, receives store.tratti.impronta(), worked
// out in the same pass over the sections.
std::optional<std::string> salva_tratti(const scenario& store, std::uint64_t* impronta = nullptr);

}  // namespace sopra
