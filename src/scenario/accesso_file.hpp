#pragma once
// The file operations that loading and saving need, apart from them so that
// each system has its own implementation (accesso_file_posix.cpp,
// accesso_file_windows.cpp), and the rest of the code none. Every operation
// returns the error of the call that failed, taken at once, before any
// clean-up can change it; an empty error code on success.

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

#include "scenario/identita_file.hpp"

namespace sopra::sistema {

// An open file, closed when it goes out of scope.
class file_aperto {
 public:
  file_aperto() = default;
  file_aperto(const file_aperto&) = delete;
  file_aperto& operator=(const file_aperto&) = delete;
  // Closes the file, if open, ignoring any error.
  ~file_aperto();
  // Closes the file now; a late write error shows here. Empty when not open.
  std::error_code chiudi();

  // The system's handle of the file (a file descriptor); -1 when not open.
  std::intptr_t maniglia = -1;
};

// What saving needs to know of the section file.
struct stato_file {
  bool ordinario = false;          // a plain file, not a folder or a device
  std::uint64_t dimensione = 0;    // bytes
  unsigned permessi = 0;           // permission bits, setuid/setgid/sticky included
  std::uint64_t collegamenti = 1;  // hard links
  bool acl = false;                // an access control list beyond the permission bits
};

// Opens an existing file for reading only.
std::error_code apri_per_leggere(const std::filesystem::path& file, file_aperto& f);

// What identifies the file that `file` names (through symbolic links) and its
// version: device, index, size and time of the last change. A name with
// nothing under it gives identita.presente false and no error.
std::error_code leggi_identita(const std::filesystem::path& file, identita_file& identita);

// Gives the complete file `nuovo` the name `file`, where no file is, in one
// step (a section file made again after another program removed it).
std::error_code dai_nome(const std::filesystem::path& nuovo, const std::filesystem::path& file);

// Opens an existing file for reading and writing, without truncating it.
std::error_code apri_per_scrivere(const std::filesystem::path& file, file_aperto& f);

// Fills `stato` from the open file `f`.
std::error_code leggi_stato(const file_aperto& f, stato_file& stato);

// The size in bytes of the open file `f` (stato_file::dimensione alone).
std::error_code leggi_dimensione(const file_aperto& f, std::uint64_t& dimensione);

// Creates a new empty file, readable and writable by its owner only, named
// `inizio` followed by six characters that make the name unique; opens it for
// reading and writing into `f` and gives its name in `creato`.
std::error_code crea_file_nuovo(const std::filesystem::path& inizio, file_aperto& f,
                                std::filesystem::path& creato);

// Gives `nuovo` the owner and group of `vecchio` where they differ; fails with
// "operation not permitted" when this user may not give them.
std::error_code adotta_proprietario(const file_aperto& nuovo, const file_aperto& vecchio);

// Sets the permission bits (as stato_file::permessi holds them) of `f`.
std::error_code imposta_permessi(const file_aperto& f, unsigned permessi);

// Writes all of `byte` at offset `posizione` of `f` and starts sending it to the
// disk, so that the disk works while the next block is made ready.
std::error_code scrivi_a(const file_aperto& f, std::uint64_t posizione,
                         std::span<const std::uint8_t> byte);

// Reads from offset `posizione` of `f` until `byte` is full or the file ends;
// `letti` tells how many bytes it read.
std::error_code leggi_a(const file_aperto& f, std::uint64_t posizione, std::span<std::uint8_t> byte,
                        std::size_t& letti);

// Waits until the content of `f` is on the disk.
std::error_code sincronizza(const file_aperto& f);

// Sets the length of `f` to `dimensione` bytes.
std::error_code tronca(const file_aperto& f, std::uint64_t dimensione);

// Renames `nuovo` over `file` in one step: `file` has either its old content or
// the new one, never a mix, even after a crash.
std::error_code sostituisci(const std::filesystem::path& nuovo, const std::filesystem::path& file);

// Removes the file `file`, ignoring any error (clean-up after a failure).
void rimuovi(const std::filesystem::path& file);

// Makes the entries of `cartella` (a rename, a new name) durable, where the
// system needs it; ignores errors.
void sincronizza_cartella(const std::filesystem::path& cartella);

}  // namespace sopra::sistema
