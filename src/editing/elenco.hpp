#pragma once
// The section list: one row of text per listed section. Which sections are
// listed, and how rows, sections and metres map, is in analysis/geometria_linea.hpp.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/geometria_linea.hpp"
#include "scenario/memoria_grande.hpp"
#include "scenario/scenario.hpp"

namespace sopra {

// The rows of the list in one block of memory: a row costs 8 bytes of index, its
// characters and a line break after them, not an allocation of its own. The
// block starts with the index (each row's start in the block and length), then
// holds each row's characters followed by '\n', rows one after another in order
// as built; a rewritten row that no longer fits where it was moves to the end,
// and the rows are laid out in order again once the space left behind exceeds
// their own. Index and characters share the block so that a long list is one
// large allocation, which allocatore_grande backs with huge pages on Linux: the
// page faults of small pages cost more than composing the rows.
//
// Starts and lengths are 32-bit, so the block is limited to 4 GiB. Building
// takes room for rows of the longest kind, 8 + 53 bytes each, so a list may
// have up to 70 million rows (a line of 3.5 million km, whose section file
// would be over 10 GB); afterwards the characters take at most twice the rows'
// own plus the row being moved. Building or rewriting beyond the limit throws
// std::length_error, as a standard container does.
class righe_elenco {
 public:
  // The most characters a row can have: 11 + 1 + 16 + 11 + 2 + 11.
  static constexpr std::size_t caratteri_massimi = 52;

  // Random access over the rows in order, each seen as a std::string_view. An
  // iterator stays valid across riscrivi(); the views it gave do not.
  class iteratore {
   public:
    using iterator_concept = std::random_access_iterator_tag;
    using iterator_category = std::random_access_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using reference = std::string_view;

    iteratore() = default;
    std::string_view operator*() const { return (*righe_)[riga_]; }
    std::string_view operator[](difference_type n) const { return *(*this + n); }
    iteratore& operator++() { return ++riga_, *this; }
    iteratore operator++(int) { return {righe_, riga_++}; }
    iteratore& operator--() { return --riga_, *this; }
    iteratore operator--(int) { return {righe_, riga_--}; }
    iteratore& operator+=(difference_type n) {
      riga_ += static_cast<std::size_t>(n);
      return *this;
    }
    iteratore& operator-=(difference_type n) { return *this += -n; }
    friend iteratore operator+(iteratore i, difference_type n) { return i += n; }
    friend iteratore operator+(difference_type n, iteratore i) { return i += n; }
    friend iteratore operator-(iteratore i, difference_type n) { return i -= n; }
    friend difference_type operator-(const iteratore& a, const iteratore& b) {
      return static_cast<difference_type>(a.riga_ - b.riga_);
    }
    friend bool operator==(const iteratore& a, const iteratore& b) { return a.riga_ == b.riga_; }
    friend auto operator<=>(const iteratore& a, const iteratore& b) { return a.riga_ <=> b.riga_; }

   private:
    friend class righe_elenco;
    iteratore(const righe_elenco* righe, std::size_t riga) : righe_(righe), riga_(riga) {}
    const righe_elenco* righe_ = nullptr;
    std::size_t riga_ = 0;
  };
  using value_type = std::string_view;
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using iterator = iteratore;
  using const_iterator = iteratore;

  // No rows.
  righe_elenco() = default;
  // The rows given, in order.
  explicit righe_elenco(const std::vector<std::string>& righe);

  // The `numero` rows of the list of `store`, none of them composed yet: a
  // group of rows is composed the first time one of its rows is asked for
  // through componi(), all of them by componi_tutte(), so that a list that is
  // only looked at costs only the rows shown. Room for every row is taken at
  // once, from the store's memory when it has some: composing never moves the
  // rows already composed.
  static righe_elenco da_comporre(const scenario& store, std::size_t numero);
  // Composes the group of rows that holds row `riga` (< size()) from the store
  // and the geometry the list was made for, unless it is composed already.
  void componi(std::size_t riga, const scenario& store, const geometria_linea& geometria);
  // Composes every row not composed yet, in `pezzi` pieces on threads of their
  // own when none is. Needed before riscrivi(), a_blocchi(), == and iterating.
  void componi_tutte(const scenario& store, const geometria_linea& geometria, std::size_t pezzi);
  // Whether every row is composed.
  bool composte() const { return mancanti_ == 0; }

  // The number of rows / whether there are none.
  std::size_t size() const { return numero_; }
  bool empty() const { return numero_ == 0; }
  // The characters of row `riga` (< size(), composed), without its line break.
  // The view holds until the next riscrivi() or until the rows are destroyed.
  std::string_view operator[](std::size_t riga) const {
    const posto p = posto_di(riga);
    return {blocco_.data() + p.inizio, p.lunghezza};
  }
  // The first row / just past the last.
  iteratore begin() const { return {this, 0}; }
  iteratore end() const { return {this, numero_}; }

  // Replaces the characters of row `riga` (< size()) from `da` on (da <= its
  // length) by `coda`, which may view these rows. Every other row keeps its
  // characters. Invalidates every string_view obtained from these rows (the
  // block may move). Amortised time proportional to the row's new length: a row
  // that still fits where it was is written there, a longer one at the end of
  // the block, and the rows are laid out again (in time proportional to the
  // block) only after the rewrites since the last time left behind more bytes
  // than the rows hold, which those rewrites wrote.
  void riscrivi(std::size_t riga, std::size_t da, std::string_view coda);

  // One rewrite for riscrivi_molte: the characters of row `riga` from `da` on
  // (da <= its length) become `coda`.
  struct sostituzione {
    std::size_t riga = 0;
    std::size_t da = 0;
    std::string_view coda;
  };
  // riscrivi() of many rows at once, given in ascending row order, each at most
  // once; no coda may view these rows. A few rows are rewritten one by one;
  // when they are many, every row is laid out again once, in row order, in a
  // new block (on `pezzi` threads), so that a command that rewrites most rows
  // costs one pass over the block instead of moving row after row to its end.
  // Invalidates every string_view obtained from these rows.
  void riscrivi_molte(std::span<const sostituzione> sostituzioni, std::size_t pezzi);

  // Calls scrivi(std::string_view) with consecutive pieces of the list's text,
  // each row followed by '\n', in row order: all rows in one piece when none was
  // moved or shortened since they were built or laid out again, more after
  // rewrites. The pieces view the block: they cost no copy.
  template <class F>
  void a_blocchi(F&& scrivi) const {
    std::size_t r = 0;
    while (r < numero_) {
      const posto primo = posto_di(r);
      std::size_t fine = std::size_t{primo.inizio} + primo.lunghezza + 1;
      for (++r; r < numero_; ++r) {
        const posto p = posto_di(r);
        if (p.inizio != fine) break;
        fine += std::size_t{p.lunghezza} + 1;
      }
      scrivi(std::string_view(blocco_.data() + primo.inizio, fine - primo.inizio));
    }
  }

  // Same rows with the same characters, wherever the blocks keep them.
  friend bool operator==(const righe_elenco& a, const righe_elenco& b);

 private:
  struct posto {
    std::uint32_t inizio;     // offset of the row's first character in blocco_
    std::uint32_t lunghezza;  // its characters, without the '\n' after them
  };

 public:
  // Rows looked at are composed a group at a time (componi).
  static constexpr std::size_t righe_per_gruppo = 4096;
  // The bytes per row that the block takes at most from the store's memory:
  // its index entry and its characters, line break included.
  static constexpr std::size_t byte_per_riga = sizeof(posto) + caratteri_massimi + 1;
  static_assert(byte_per_riga + geometria_linea::byte_per_riga <=
                scenario::byte_per_tratto_costruiti_dopo);

 private:
  // allocatore_grande, but new elements are left uninitialised: the block is
  // written right after it grows, and building writes it first from the threads
  // that build each piece, which so share the new memory's page faults.
  template <class T>
  struct allocatore_blocco : allocatore_grande<T> {
    template <class U>
    struct rebind {
      using other = allocatore_blocco<U>;
    };
    allocatore_blocco() = default;
    explicit allocatore_blocco(allocatore_grande<T> base) noexcept
        : allocatore_grande<T>(std::move(base)) {}
    template <class U>
    allocatore_blocco(const allocatore_blocco<U>& altro) noexcept
        : allocatore_grande<T>(altro.regione) {}
    allocatore_blocco select_on_container_copy_construction() const { return {}; }
    template <class U>
    void construct(U* p) noexcept {
      ::new (static_cast<void*>(p)) U;
    }
  };
  using blocco = std::vector<char, allocatore_blocco<char>>;

  // The index entry of row `riga`, kept in the first bytes of the block.
  posto posto_di(std::size_t riga) const {
    posto p;
    std::memcpy(&p, blocco_.data() + riga * sizeof(posto), sizeof(posto));
    return p;
  }
  void metti_posto(std::size_t riga, posto p) {
    std::memcpy(blocco_.data() + riga * sizeof(posto), &p, sizeof(posto));
  }
  // The rewrites `sostituzioni` (as riscrivi_molte) made by laying every row out
  // again in row order in a new block of the index and the rows' bytes, with
  // room after them for as many bytes as the old block had room for.
  void disponi(std::span<const sostituzione> sostituzioni, std::size_t pezzi);
  // Composes rows primo .. fine - 1 into the block from byte `da` on, each
  // followed by '\n', with their index entries; returns where they end. The
  // block must already reach that far.
  std::size_t scrivi_righe(std::size_t primo, std::size_t fine, std::size_t da,
                           const scenario& store, const geometria_linea& geometria);

  blocco blocco_;              // the index, then the characters; its size is what is in use
  std::size_t numero_ = 0;     // rows
  std::size_t caratteri_ = 0;  // bytes that rows hold after the index, line breaks included
  std::vector<std::uint8_t> composti_;  // per group of rows: composed (empty: all are)
  std::size_t mancanti_ = 0;            // groups not composed yet
};

// Where a row's cant field starts: just after its last TAB.
std::size_t inizio_sopraelevazione(std::string_view riga);

}  // namespace sopra
