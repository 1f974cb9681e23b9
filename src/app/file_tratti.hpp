#pragma once
// Whether saving would change the section file on disk.

#include "scenario/scenario.hpp"

namespace sopra::batch {

// True when the bytes that saving writes (tratti[0 .. N] from offset 0; later
// records are kept) differ from those of store.file_tratti: a different record,
// or a file shorter than N + 1 records, which saving grows. Also true when the
// file cannot be read, so that saving runs and reports the reason. Reads the
// file once, a block at a time.
bool salvataggio_cambia_file(const scenario& store);

}  // namespace sopra::batch
