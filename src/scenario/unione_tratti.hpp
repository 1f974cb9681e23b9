#pragma once
// The section file as another program may change it while the scenario is
// open: what identifies it on disk, the digest of its sections there, the
// sections as last read or written (base) and the three-way merge of the store
// with the file as it is now.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "scenario/identita_file.hpp"
#include "scenario/scenario.hpp"

namespace sopra {

// What identifies the file `file` names now (see identita_file); a file that
// cannot be looked at reads as not there.
identita_file identita_di(const std::filesystem::path& file);

// The digest (elenco_tratti::impronta) of records 0 .. tratti.size() - 1 of
// `file` in the layout of `tratti`, read as loading reads them: bytes beyond
// the file's end are zero. Nothing when the file cannot be read.
std::optional<std::uint64_t> impronta_su_disco(const std::filesystem::path& file,
                                               const elenco_tratti& tratti);

// The slots as they were in the section file when it was last read or
// written, for the slots changed since: a slot's bytes are noted just before
// it first changes, and a slot not noted is as the store holds it.
class base_tratti {
 public:
  // Slot j of section s holds `prima` and is about to change: noted, unless
  // the slot is noted already.
  void annota(std::size_t s, std::size_t j, const oggetto& prima);
  // The noted bytes of slot j of section s, if noted.
  std::optional<oggetto> cerca(std::size_t s, std::size_t j) const;
  // How many slots are noted.
  std::size_t size() const { return voci_.size(); }
  // Forgets every slot: the file now holds the store's sections.
  void svuota();
  // After a merge: the file now holds `loro` (the k-th element for the k-th
  // slot noted, in section and slot order, as esito_unione::loro_alla_base);
  // a slot that the store holds as `loro` is forgotten, the others keep `loro`.
  void riallinea(const std::vector<oggetto>& loro, const elenco_tratti& tratti);
  // Memory held, in bytes.
  std::size_t byte() const;

  struct voce {
    std::uint32_t tratto;
    std::uint8_t slot;
    oggetto prima;
  };
  // The noted slots in section and slot order.
  const std::vector<voce>& voci() const;

 private:
  mutable std::vector<voce> voci_;
  mutable bool ordinate_ = true;
  std::vector<std::uint64_t> annotati_;  // per section, a bit for each noted slot
};

// Why the file on disk is no longer a section file for this line.
enum class motivo_estraneo : std::uint8_t {
  nessuno,
  altro_formato,      // it holds the line's sections in the other layout
  record_non_interi,  // its size is not a whole number of records of the layout
  troppo_corto,       // fewer whole records than the line has sections, and fewer than before
};

// The three-way merge of the store (ours) with the section file as it is now
// (theirs), base being the file as last read or written: slot by slot, a slot
// we did not change takes theirs; one we changed and they did not keeps ours;
// one both changed alike is that; one both changed differently is a conflict.
// The six trailing bytes of a record, which the store never changes, and the
// records after the line's last section (kept by saving as the file has them)
// are theirs.
struct esito_unione {
  std::error_code errore;  // the file could not be read; nothing else holds
  identita_file identita;  // the file as read
  motivo_estraneo estraneo = motivo_estraneo::nessuno;  // nothing else holds then
  std::uint64_t dimensione = 0;                         // its bytes
  std::uint64_t impronta = 0;  // elenco_tratti::impronta of its records 0 .. N

  struct slot_loro {
    std::uint32_t tratto;
    std::uint8_t slot;
    oggetto valore;
  };
  // Slots where the merge takes theirs, in section and slot order.
  std::vector<slot_loro> da_prendere;
  // Sections whose trailing bytes differ from the store's: theirs.
  std::vector<std::pair<std::uint32_t, std::array<std::uint8_t, byte_coda_tratto>>> code;
  // Slots in conflict, and their value in the file, in section and slot order.
  std::vector<slot_loro> conflitti;
  // Sections that take something of theirs (slots or trailing bytes).
  std::size_t tratti_presi = 0;
  // For each slot noted in the base (base_tratti::voci order), theirs.
  std::vector<oggetto> loro_alla_base;

  // Sections with a slot in conflict, ascending, and how many there are.
  std::vector<std::int32_t> tratti_in_conflitto() const;
};

// Reads `file` a block at a time and merges it with `nostri` over `base`.
// `dimensione_nota` is the file's size when last read or written: a file
// that holds exactly the line's sections in the other layout, whose size is
// not a whole number of records, or which holds fewer records than the line
// while it held more, is estraneo unless it kept that size.
esito_unione unisci_con_file(const std::filesystem::path& file, const elenco_tratti& nostri,
                             const base_tratti& base, std::uint64_t dimensione_nota);

}  // namespace sopra
