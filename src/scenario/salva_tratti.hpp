#pragma once
// Writing the sections of the open scenario back to its section file, keeping
// what the user set on that file: its protection, owner, group, permissions and
// hard links.

#include <cstdint>
#include <optional>
#include <string>

#include "scenario/scenario.hpp"

namespace sopra {

// Writes tratti[0 .. N] to store.file_tratti (through a symbolic link to the
// file it names), keeping any records after N; a shorter file grows to N + 1
// records. A file that may not be written (no write permission for anyone, or
// none for this user, or a read-only file system) is left alone. Otherwise the
// new content goes into a new file beside the old one that replaces it once
// complete and flushed; when replacing would lose the file's owner, group,
// extended attributes or hard links, the old content is first copied beside the
// file, the new content written into the file itself, and the copy removed once
// that is flushed (or copied back when writing fails).
// On failure returns an Italian message that names the file once, gives the
// system's reason and says what to do; the section file is then as it was and
// no file is left behind, except when writing in place failed and the old
// content could not be put back: the message then says where the copy is.
// On success `impronta`, when given, receives store.tratti.impronta(), worked
// out in the same pass over the sections.
std::optional<std::string> salva_tratti(const scenario& store, std::uint64_t* impronta = nullptr);

}  // namespace sopra
