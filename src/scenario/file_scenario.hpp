#pragma once
// Finding and reading a scenario's files into the store.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "scenario/scenario.hpp"

namespace sopra {

// N: (line length + 7000) / 50, rounded to the nearest integer, halves to even.
std::int32_t ultimo_tratto(std::int32_t lunghezza_linea);

// Whether two file names are the same letters without regard to case (ASCII),
// as the scenarios' files are looked for.
bool uguali_senza_maiuscole(const std::string& a, const std::string& b);

// The file in `cartella` whose name equals `nome` without regard to case; the
// exact spelling wins when several match. Empty when there is none.
std::optional<std::filesystem::path> trova_file(const std::filesystem::path& cartella,
                                                const std::string& nome);

// The names of the line files that the scenario `nome` (its header file's
// name less ".si3") uses, in the order they are looked for: the name up to the
// last underscore before its first dot, then up to the underscore before that,
// each followed by "_linea.da3". Empty when the name has no usable underscore.
std::vector<std::string> nomi_file_linea(const std::string& nome);

// Why the scenario `nome` (as for nomi_file_linea) has no line file: a full
// Italian sentence that names its header file.
std::string testo_nome_senza_linea(const std::string& nome);

// What a failed load tells beyond its message, for callers that show more than
// the window does.
struct dettagli_caricamento {
  // The line file names looked for in the scenario's folder, in order; empty
  // when the failure came before the line file was looked for.
  std::vector<std::string> file_linea_cercati;
  // When no line file was found, what to do, as a clause ("copiare il file linea
  // NOME_linea.da3 nella cartella dello scenario"); empty otherwise.
  std::string rimedio;
};

// Watches the sections of a section file as loading reads them, for the
// checks of the layers above that look at every section once: it sees each
// block of sections while the block is still in the processor's cache, and
// adds its warnings once the load has succeeded.
class osservatore_tratti {
 public:
  virtual ~osservatore_tratti() = default;
  // A block of sections was just read (those before it were read earlier);
  // called once for each block, in order.
  virtual void esamina(const blocco_letto& blocco) = 0;
  // Once every section was read and the load succeeded: appends one Italian
  // sentence for each thing it found wrong in the section file `file_tratti`.
  virtual void avvisa(const std::filesystem::path& file_tratti,
                      std::vector<std::string>& avvisi) const = 0;
};

// Reads the scenario whose header file is `file_testata` (the name, less its
// ".si3" ending, is the scenario name; all three files are looked up in the
// header file's folder; a file whose name does not end with ".si3", in any
// case, is refused). Opens files read-only and never creates one; reads
// each file once from its first byte. On success fills `store`, with
// store.avvisi holding one Italian sentence for each thing that looks wrong in
// the files (a section file whose size is not a whole number of records or
// holds fewer records than the line, a line file shorter than the line, then
// what `osservatore`, when given, found in the sections it was shown), and
// returns nothing. On failure returns an Italian message that names the file or
// folder once and, where it is clear, says what to do; the one for a missing
// line file is exactly "file linea non trovato". `store` is then untouched, and
// `dettagli`, when given, receives the names looked for. The programs load
// through carica_scenario (analysis/caricamento.hpp), which adds the checks of
// cant objects.
std::optional<std::string> leggi_file_scenario(const std::filesystem::path& file_testata,
                                               scenario& store, osservatore_tratti* osservatore,
                                               dettagli_caricamento* dettagli = nullptr);

}  // namespace sopra
