#pragma once
// Writing the sections of the open scenario back to its section file, keeping
// what the user set on that file: its protection, owner, group, permissions and
// hard links.

#include <cstdint>
#include <functional>
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

// What salva_tratti may also do.
struct opzioni_salvataggio {
  // Receives store.tratti.impronta() on success, as above.
  std::uint64_t* impronta = nullptr;
  // Asked once the new content is complete and on the disk, just before it
  // takes the file's place (writing in place: before the file is touched),
  // whether the file under store.file_tratti may be replaced: false stops
  // saving with the file as it is and nothing left behind, and `fermato`
  // becomes true. Before it is asked, when the environment variable
  // SOPRA_PROVA_SCRITTURA_ESTERNA names a file, that file's bytes are written
  // over the section file, as another program would write it meanwhile (for
  // the tests of the programs).
  std::function<bool()> prima_di_sostituire;
  bool* fermato = nullptr;
  // When no file is under store.file_tratti, it is made anew (readable by all,
  // writable by its owner) with sections 0 .. N, instead of failing.
  bool crea = false;
  // Records after section N are not kept: the file ends with section N.
  bool senza_oltre = false;
};

// salva_tratti with `opzioni`.
std::optional<std::string> salva_tratti(const scenario& store, const opzioni_salvataggio& opzioni);

}  // namespace sopra
