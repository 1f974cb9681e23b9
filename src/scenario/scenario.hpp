#pragma once
// The scenario store: the in-memory copy of one open scenario.

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "scenario/identita_file.hpp"
#include "scenario/memoria_grande.hpp"
#include "scenario/records.hpp"

namespace sopra {

class blocco_letto;

// The occupied slots of all sections, one section after another: a block that
// loading fills to its end and that afterwards changes only in place.
class slot_impaccati {
 public:
  slot_impaccati() = default;
  // Room for `capienza` slots, from `memoria`.
  slot_impaccati(allocatore_grande<oggetto> memoria, std::size_t capienza)
      : memoria_(std::move(memoria)), dati_(memoria_.allocate(capienza)), capienza_(capienza) {}
  slot_impaccati(const slot_impaccati& altro)
      : memoria_(altro.memoria_.select_on_container_copy_construction()),
        dati_(altro.numero_ == 0 ? nullptr : memoria_.allocate(altro.numero_)),
        numero_(altro.numero_),
        capienza_(altro.numero_) {
    std::copy_n(altro.dati_, numero_, dati_);
  }
  slot_impaccati(slot_impaccati&& altro) noexcept { scambia(altro); }
  slot_impaccati& operator=(slot_impaccati altro) noexcept {
    scambia(altro);
    return *this;
  }
  ~slot_impaccati() {
    if (dati_ != nullptr) memoria_.deallocate(dati_, capienza_);
  }

  oggetto* data() { return dati_; }
  const oggetto* data() const { return dati_; }
  std::size_t size() const { return numero_; }
  // The room after the last slot, as bytes, until the next change of size.
  std::span<std::uint8_t> libero() {
    return {reinterpret_cast<std::uint8_t*>(dati_ + numero_),
            (capienza_ - numero_) * sizeof(oggetto)};
  }
  // The slots now number `numero` (<= capienza): those written into the room.
  void imposta_numero(std::size_t numero) { numero_ = numero; }
  // Gives the room after the last slot back to the memory it came from.
  void chiudi() {
    if (dati_ != nullptr && memoria_.regione && memoria_.regione->contiene(dati_)) {
      memoria_.regione->accorcia(dati_, numero_ * sizeof(oggetto));
      capienza_ = std::max<std::size_t>(numero_, 1);
    }
  }

 private:
  void scambia(slot_impaccati& altro) noexcept {
    std::swap(memoria_, altro.memoria_);
    std::swap(dati_, altro.dati_);
    std::swap(numero_, altro.numero_);
    std::swap(capienza_, altro.capienza_);
  }

  allocatore_grande<oggetto> memoria_;
  oggetto* dati_ = nullptr;
  std::size_t numero_ = 0;
  std::size_t capienza_ = 0;
};

// The section array tratti[0 .. N], in the layout in use. Most slots of a
// section are empty, so a section keeps only its occupied slots (those with a
// byte other than zero), packed one section after another in one array, with a
// mask of which slots they are: an empty slot reads, and is written back, as
// the ten zero bytes it was. A section opened for writing (apri) gets all its
// slots, in blocks of their own whose place never changes, so that its view
// stays valid while other sections change.
class elenco_tratti {
 public:
  elenco_tratti() = default;
  // numero_tratti sections with every slot and trailing byte zero.
  elenco_tratti(bool formato_compatto, std::size_t numero_tratti);

  std::size_t size() const { return code_.size(); }
  std::size_t slot_per_tratto() const { return slot_; }
  // Size of one record in the section file: 156 or 516 bytes.
  std::size_t byte_record() const { return slot_ * byte_oggetto + byte_coda_tratto; }

  // Section i opened for writing: from here on the digest is worked out anew.
  // The section gets all its slots (see above), for good; the view stays valid
  // as long as the array. For a few slots, imposta_oggetto is cheaper.
  tratto apri(std::size_t i);
  // Sets slot j of section i to `o` without giving the section all its slots:
  // a kept slot changes where it lies, a slot that comes to be kept moves the
  // section's kept slots to a block of their own (see sposta). The quicker way
  // to change a few slots of many sections. Views of other sections stay valid.
  void imposta_oggetto(std::size_t i, std::size_t j, const oggetto& o);
  // Section i as it reads, whether or not the array may be changed: nothing
  // moves. Valid until a section next changes.
  tratto_costante leggi(std::size_t i) const {
    const std::uint64_t presenti = presenti_[i];
    return {slot_tratto(dati_del_tratto(i), presenti & ~(aperto | spostato), slot_),
            std::span(code_[i])};
  }
  // The same as leggi(i).
  tratto_costante operator[](std::size_t i) const { return leggi(i); }

  // The whole array encoded as the section file holds it: tratti[0 .. N] from offset 0.
  std::vector<std::uint8_t> codifica() const;
  // Records primo .. primo + quanti - 1 encoded into `byte`, one after another.
  void codifica(std::size_t primo, std::size_t quanti, std::uint8_t* byte) const;

  // Records 0 .. numero_tratti - 1 in the layout `formato_compatto` decoded
  // from `byte`; a record cut by its end reads as zeros beyond it, and records
  // beyond it are all zero. The digest is worked out from the records when asked.
  static elenco_tratti decodifica(bool formato_compatto, std::size_t numero_tratti,
                                  std::span<const std::uint8_t> byte);

  // Reads records 0 .. numero_tratti - 1 in the layout `formato_compatto` from a
  // stream of the section file's bytes, a block of tratti_per_blocco() records
  // at a time through one reused buffer: `leggi` receives a
  // std::span<std::uint8_t> to fill from where the stream stands and returns how
  // many bytes it put there (fewer only at the end of the stream), or a negative
  // number to stop. Bytes beyond the end of the stream read as zeros. After each
  // block, `esamina` receives it as a blocco_letto, while its records are
  // still in the processor's cache.
  // The array returned is intatto() until a record is reached for writing.
  // `letti` receives how many bytes the stream gave, or -1 when `leggi` stopped
  // it (the array returned is then to be thrown away).
  template <class F, class G>
  // The arrays are taken from `memoria` (may be empty), the packed slots last,
  // with room after them to read each block into, in place. Loading lends that
  // room out as a buffer (buffer_in_prestito) until it gives it back
  // (rendi_buffer_in_prestito); an array read without a region needs neither.
  static elenco_tratti leggi_a_blocchi(bool formato_compatto, std::size_t numero_tratti, F&& leggi,
                                       G&& esamina, long long& letti,
                                       const std::shared_ptr<regione_memoria>& memoria = {});
  // The bytes per section of the arrays that a section array in the layout
  // `formato_compatto` takes from a memory region when read by
  // leggi_a_blocchi, at most: its mask, its start and its trailing bytes, and
  // the packed slots, which may take the whole record while a block is read
  // into their room.
  static constexpr std::size_t byte_per_tratto(bool formato_compatto) {
    return sizeof(std::uint64_t) + sizeof(std::uint32_t) + byte_coda_tratto +
           byte_tratto(formato_compatto);
  }

  // How many records make a block of at most 1 MB, for reading and writing the
  // section file a block at a time: all of them, or a multiple of 8, so that
  // every block but the last is a whole number of 32-byte groups.
  std::size_t tratti_per_blocco() const { return tratti_per_blocco(byte_record(), size()); }

  // Encodes the records a block of tratti_per_blocco() at a time into one
  // buffer and hands each block, as std::span<const std::uint8_t>, to
  // `blocco`, which returns false to stop; returns false when it stopped.
  template <class F>
  bool codifica_a_blocchi(F&& blocco) const {
    std::vector<std::uint8_t> byte(tratti_per_blocco() * byte_record());
    for (std::size_t primo = 0; primo < size(); primo += tratti_per_blocco()) {
      const std::size_t quanti = std::min(tratti_per_blocco(), size() - primo);
      codifica(primo, quanti, byte.data());
      if (!blocco(std::span<const std::uint8_t>(byte).first(quanti * byte_record()))) return false;
    }
    return true;
  }

  // The digest of the encoded records (impronta_tratti).
  std::uint64_t impronta() const;
  // Whether no record was reached for writing since the array was read by
  // leggi_a_blocchi (false for an array made otherwise).
  bool intatto() const { return intatto_; }
  // The digest the records had as read; empty while intatto() and for an
  // array made otherwise. The records as read are the bytes of the file as
  // read (zero beyond its end): this is also the digest of those bytes.
  // Neither loading nor a change goes through the array for it: from the first
  // change on, each slot and trailing bytes keep their value as read when they
  // first change, and the first call works it out from the array with those
  // values put back (a pass over the array), then lets them go.
  std::optional<std::uint64_t> impronta_letta() const;

  // A digest of the records kept up to date as they change, so that asking
  // for it never goes through the whole array: for two states of this array it
  // is equal when their records are equal and, but for a 64-bit coincidence,
  // different otherwise. It is the XOR of a keyed hash of every slot and
  // trailing bytes taken from the array as made, and is not comparable with
  // impronta() nor between arrays. Sections opened for writing (apri) are
  // hashed anew at each call (their views may have changed);
  // imposta_oggetto costs two slot hashes.
  std::uint64_t impronta_viva() const;

  // Equal layout and records (as they read: how they are kept does not count).
  bool operator==(const elenco_tratti& altro) const;

 private:
  friend class blocco_letto;
  friend struct accesso_caricamento;

  // The occupied slots that sections primo .. primo + quanti - 1 keep, one
  // after another, in section and slot order, for going through them all at
  // once: only while no section has kept slots anywhere but in pacchi_, as
  // while the array is being read (blocco_letto).
  std::span<const oggetto> slot_occupati(std::size_t primo, std::size_t quanti) const {
    assert(numero_aperti_ == 0 && spostati_.empty());
    const std::size_t fine = primo + quanti < size() ? inizio_[primo + quanti] : pacchi_.size();
    return {pacchi_.data() + inizio_[primo], pacchi_.data() + fine};
  }
  // The section among primo .. primo + quanti - 1 that keeps the k-th slot of
  // slot_occupati(primo, quanti).
  std::size_t tratto_dello_slot(std::size_t primo, std::size_t quanti, std::size_t k) const {
    const auto da = inizio_.begin() + static_cast<std::ptrdiff_t>(primo);
    const auto it = std::upper_bound(da, da + static_cast<std::ptrdiff_t>(quanti),
                                     static_cast<std::uint32_t>(inizio_[primo] + k));
    return static_cast<std::size_t>(it - inizio_.begin()) - 1;
  }

  // After leggi_a_blocchi: the room after the packed slots, lent as scratch
  // bytes (loading reads the line file through it) until
  // rendi_buffer_in_prestito() gives it back to the memory it came from.
  std::span<std::uint8_t> buffer_in_prestito() { return pacchi_.libero(); }
  void rendi_buffer_in_prestito() { pacchi_.chiudi(); }

  static std::size_t tratti_per_blocco(std::size_t byte_record, std::size_t numero_tratti);
  // Appends the `quanti` records read into the room after the packed slots as
  // the next sections, packing their occupied slots in place.
  void impacca(std::size_t quanti);
  // The slots of the section with index `a` in aperti_.
  const oggetto* slot_aperti(std::uint32_t a) const {
    return aperti_[a / tratti_per_blocco_aperto].data() + (a % tratti_per_blocco_aperto) * slot_;
  }
  oggetto* slot_aperti(std::uint32_t a) {
    return aperti_[a / tratti_per_blocco_aperto].data() + (a % tratti_per_blocco_aperto) * slot_;
  }

  // Where the slots section i keeps lie.
  const oggetto* dati_del_tratto(std::size_t i) const {
    const std::uint64_t presenti = presenti_[i];
    if ((presenti & aperto) != 0) return slot_aperti(inizio_[i]);
    if ((presenti & spostato) != 0) return slot_spostati(inizio_[i]);
    return pacchi_.data() + inizio_[i];
  }
  oggetto* dati_del_tratto(std::size_t i) {
    return const_cast<oggetto*>(std::as_const(*this).dati_del_tratto(i));
  }
  // The slots kept at index `k` of spostati_.
  const oggetto* slot_spostati(std::uint32_t k) const {
    return spostati_[k / oggetti_per_blocco_spostati].data() + k % oggetti_per_blocco_spostati;
  }
  // Keeps section i's slots, with slot j set to `o`, at the end of spostati_.
  void sposta(std::size_t i, std::size_t j, const oggetto& o);
  // The keyed hash of section i's slots and trailing bytes as they read
  // (impronta_viva()).
  std::uint64_t impronta_del_tratto(std::size_t i) const;

  // Marks, in presenti_, a section whose slots are all in aperti_, or whose
  // kept slots moved to spostati_ when one more was to be kept.
  static constexpr std::uint64_t aperto = std::uint64_t{1} << 63;
  static constexpr std::uint64_t spostato = std::uint64_t{1} << 62;
  static constexpr std::size_t oggetti_per_blocco_spostati = std::size_t{1} << 19;
  static constexpr std::size_t tratti_per_blocco_aperto = 1024;

  std::size_t slot_ = slot_compatto;
  // Per section: which slots are kept (bit j for slot j) and where the first
  // is, in pacchi_, or, with the bit `aperto`, the section's index in aperti_.
  std::vector<std::uint64_t, allocatore_grande<std::uint64_t>> presenti_;
  std::vector<std::uint32_t, allocatore_grande<std::uint32_t>> inizio_;
  slot_impaccati pacchi_;
  std::vector<std::array<std::uint8_t, byte_coda_tratto>,
              allocatore_grande<std::array<std::uint8_t, byte_coda_tratto>>>
      code_;
  // Sections reached for writing, all slots each, tratti_per_blocco_aperto to a block.
  std::vector<std::vector<oggetto>> aperti_;
  std::uint32_t numero_aperti_ = 0;
  // impronta_viva(): the XOR of the changes of slots made by imposta_oggetto
  // outside sections reached for writing, and, for each section in aperti_,
  // its index and its hash as it was when it was reached.
  std::uint64_t impronta_cambi_ = 0;
  std::vector<std::pair<std::uint32_t, std::uint64_t>> aperti_quando_;
  // Kept slots of sections that came to keep one more after loading, one
  // section after another, in blocks that never move (each filled no further
  // than the room it was given).
  std::vector<std::vector<oggetto, allocatore_grande<oggetto>>> spostati_;
  // Before slot j of section i (j = slot_esteso: its trailing bytes; j >
  // slot_esteso: the whole section) changes: keeps what it held as read,
  // while impronta_letta() is still to be worked out.
  void prima_di_scrivere(std::size_t i, std::size_t j) {
    if (intatto_) {
      intatto_ = false;
      letti_da_rimettere_ = true;
      gia_annotati_.resize((size() + tratti_per_gruppo_annotati - 1) / tratti_per_gruppo_annotati);
    }
    if (letti_da_rimettere_) annota_letto(i, j);
  }
  void annota_letto(std::size_t i, std::size_t j);

  bool intatto_ = false;
  // The values as read of the slots (and trailing bytes, as slot_esteso)
  // changed since, keyed by section × (slot_esteso + 1) + slot, and which of
  // them are kept (bit j of section i), until impronta_letta() is worked out.
  mutable bool letti_da_rimettere_ = false;
  mutable std::vector<std::pair<std::uint64_t, oggetto>> letti_cambiati_;
  // (in groups of sections made when one of them first changes, so that the
  // first change costs no pass over the array either)
  static constexpr std::size_t tratti_per_gruppo_annotati = 4096;
  mutable std::vector<std::vector<std::uint64_t>> gia_annotati_;
  mutable std::optional<std::uint64_t> impronta_letta_;
};

// A block of sections that leggi_a_blocchi has just read, as its `esamina`
// sees it: valid during that call only.
class blocco_letto {
 public:
  // The array so far: sections 0 .. primo() + quanti() - 1 are read.
  const elenco_tratti& tratti() const { return tratti_; }
  std::size_t primo() const { return primo_; }
  std::size_t quanti() const { return quanti_; }
  // The occupied slots the block's sections keep, one after another, in
  // section and slot order, for going through them all at once (empty slots
  // hold nothing to look at).
  std::span<const oggetto> slot_occupati() const { return tratti_.slot_occupati(primo_, quanti_); }
  // The section that keeps the k-th slot of slot_occupati().
  std::size_t tratto_dello_slot(std::size_t k) const {
    return tratti_.tratto_dello_slot(primo_, quanti_, k);
  }

 private:
  friend class elenco_tratti;
  blocco_letto(const elenco_tratti& tratti, std::size_t primo, std::size_t quanti)
      : tratti_(tratti), primo_(primo), quanti_(quanti) {}

  const elenco_tratti& tratti_;
  std::size_t primo_;
  std::size_t quanti_;
};

// A 64-bit digest of encoded section records, to tell whether the sections
// changed without keeping a second copy of them. A change within one 8-byte word
// of the records always changes it; any other change leaves it equal only by a
// 64-bit coincidence. Fed a block at a time, as codifica_a_blocchi gives them.
class impronta_tratti {
 public:
  explicit impronta_tratti(std::size_t numero_tratti) : h_{numero_tratti, 1, 2, 3} {}
  // The next bytes: a whole number of 32-byte groups, except in the last call.
  void aggiungi(std::span<const std::uint8_t> byte);
  std::uint64_t valore() const;

 private:
  std::array<std::uint64_t, 4> h_;
};

// The three line points that judge section s: metres 50 × s - 1, 50 × s and
// 50 × s + 1. A point before the line's first, or beyond its last point T or the
// end of the line file, is (0, 0).
struct punti_tratto {
  punto_linea prima{};
  punto_linea qui{};
  punto_linea dopo{};

  bool operator==(const punti_tratto&) const = default;
};

struct scenario {
  testata_scenario testata;
  // What loading found odd in the files without refusing them (Italian, one
  // sentence each, naming the file): shown once after loading.
  std::vector<std::string> avvisi;
  bool formato_compatto = true;
  elenco_tratti tratti;
  // One element per section of tratti: the line points kept to judge each
  // section. Reach them through punto_tratto or the analysis functions.
  std::vector<punti_tratto, allocatore_grande<punti_tratto>> punti;
  // The line points halfway between section points, which the measured radius
  // of a section needs beside its own: element k is point metri_tratto × k +
  // metri_tratto / 2, so section s lies between elements s - 1 and s. One per
  // section, or none at all (a store built without them: no measured radius).
  // (0, 0) as in punti for a point not in the line file or beyond T.
  std::vector<punto_linea, allocatore_grande<punto_linea>> punti_a_meta;
  // How many whole point records the line file held among points 0 .. T:
  // points from this one on were not in the file, and are (0, 0) above.
  std::size_t punti_nel_file = 0;
  // Where the files were found; saving writes to file_tratti.
  std::filesystem::path file_testata;
  std::filesystem::path file_tratti;
  std::filesystem::path file_linea;
  // The three files as loading found them (nothing for a store not loaded).
  file_letti letti;

  // The bytes per section of the arrays that loading takes from its memory
  // region besides the sections': the three points that judge a section and
  // its halfway point.
  static constexpr std::size_t byte_punti_per_tratto = sizeof(punti_tratto) + sizeof(punto_linea);
  // The bytes per section that loading leaves in its memory region for the
  // arrays the layers above build from the store right after it (the list's
  // rows with their places, the line's geometry): each states its own bytes
  // per row and checks that they fit.
  static constexpr std::size_t byte_per_tratto_costruiti_dopo = 92;

  // An allocator for the arrays built from this store after loading (see
  // byte_per_tratto_costruiti_dopo): it takes them from where loading took the
  // store's, right after those, while there is room, and otherwise, as for a
  // store not loaded from files, from plain memory.
  template <class T>
  allocatore_grande<T> allocatore_costruiti_dopo() const {
    return allocatore_grande<T>(memoria_);
  }

 private:
  friend struct accesso_caricamento;
  // Where loading took the large arrays from; empty for a store not loaded.
  std::shared_ptr<regione_memoria> memoria_;
};

// The line point where section s (0 .. N) is judged: metre metri_tratto × s.
inline const punto_linea& punto_tratto(const scenario& store, std::size_t s) {
  return store.punti[s].qui;
}

template <class F, class G>
elenco_tratti elenco_tratti::leggi_a_blocchi(bool formato_compatto, std::size_t numero_tratti,
                                             F&& leggi, G&& esamina, long long& letti,
                                             const std::shared_ptr<regione_memoria>& memoria) {
  elenco_tratti tratti;
  tratti.slot_ = formato_compatto ? slot_compatto : slot_esteso;
  const std::size_t record = tratti.byte_record();
  // The arrays get their memory all at once but are filled a block at a time,
  // so that each record is kept while its block is in the processor's cache.
  // Each block is read right after the slots packed so far, and packed where
  // it lies: a record never packs into more than its own bytes.
  const allocatore_grande<oggetto> memoria_slot(memoria);
  tratti.presenti_ = decltype(presenti_)(memoria_slot);
  tratti.inizio_ = decltype(inizio_)(memoria_slot);
  tratti.code_ = decltype(code_)(memoria_slot);
  tratti.presenti_.reserve(numero_tratti);
  tratti.inizio_.reserve(numero_tratti);
  tratti.code_.reserve(numero_tratti);
  tratti.pacchi_ = slot_impaccati(memoria_slot, (numero_tratti * record) / sizeof(oggetto) + 1);
  const std::size_t per_blocco = tratti_per_blocco(record, numero_tratti);
  letti = 0;
  bool finito = false;
  for (std::size_t primo = 0; primo < numero_tratti; primo += per_blocco) {
    const std::size_t quanti = std::min(per_blocco, numero_tratti - primo);
    const auto byte = tratti.pacchi_.libero().first(quanti * record);
    std::size_t dati = 0;
    if (!finito) {
      const long long n = leggi(byte);
      if (n < 0) {
        letti = -1;
        return tratti;
      }
      dati = static_cast<std::size_t>(n);
      letti += n;
      finito = dati < byte.size();
    }
    // Past the end of the stream the records are zero, and so are their bytes.
    std::fill(byte.begin() + static_cast<std::ptrdiff_t>(dati), byte.end(), std::uint8_t{0});
    tratti.impacca(quanti);
    esamina(blocco_letto(tratti, primo, quanti));
  }
  tratti.intatto_ = true;
  return tratti;
}

}  // namespace sopra
