#pragma once
// What tells one file on disk from another, and one version of a file from the
// next, without reading it.

#include <cstdint>

namespace sopra {

struct identita_file {
  bool presente = false;          // something is there under the name (through links)
  bool ordinario = false;         // a plain file, not a folder or a device
  std::uint64_t dispositivo = 0;  // device (volume serial number on Windows)
  std::uint64_t indice = 0;       // inode (file index on Windows)
  std::uint64_t dimensione = 0;   // bytes
  std::int64_t modifica_ns = 0;   // last modification, nanoseconds from the system's epoch

  bool operator==(const identita_file&) const = default;
  // The same file as `altra`, whatever its content now: a file renamed over the
  // name, or deleted and made again, is another one.
  bool stesso_file(const identita_file& altra) const {
    return presente && altra.presente && dispositivo == altra.dispositivo && indice == altra.indice;
  }
};

// The scenario's three files as last read or written by this program.
struct file_letti {
  identita_file testata;
  identita_file tratti;
  identita_file linea;
};

}  // namespace sopra
