#pragma once
// The records of a scenario's three files: header (.si3), sections (.da3) and
// line (_linea.da3). All numbers are little-endian and records are packed.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace sopra {

// One object slot of a section, 10 bytes in the file. Where the compiler packs
// it, it is those 10 bytes in memory too (no alignment gaps), so that the
// sections of a long line take no more memory than their file and a section is
// read and written as one copy of its bytes.
#if defined(__GNUC__)
#define SOPRA_IMPACCATO [[gnu::packed]]
#else
#define SOPRA_IMPACCATO
#endif
// The object types this tool knows: an empty slot, a junction, a cant object.
// Every other type is another program's, kept byte for byte.
inline constexpr std::uint8_t tipo_vuoto = 0;
inline constexpr std::uint8_t tipo_bivio = 95;
inline constexpr std::uint8_t tipo_sopraelevazione = 129;

struct SOPRA_IMPACCATO oggetto {
  std::uint8_t tipo = 0;  // tipo_vuoto, tipo_bivio, tipo_sopraelevazione or another program's
  std::int16_t dato1 = 0;
  std::int16_t dato2 = 0;
  std::int16_t dato3 = 0;
  std::int16_t dato4 = 0;
  std::uint8_t dato5 = 0;

  // Every field equal: the ten bytes, compared as two words where the
  // object is its file record (see oggetto_come_nel_file).
  bool operator==(const oggetto& altro) const;
};

inline constexpr std::size_t byte_oggetto = 10;

// True when an oggetto in memory is its record in the file, byte for byte.
inline constexpr bool oggetto_come_nel_file =
    sizeof(oggetto) == byte_oggetto && offsetof(oggetto, dato1) == 1 &&
    offsetof(oggetto, dato2) == 3 && offsetof(oggetto, dato3) == 5 &&
    offsetof(oggetto, dato4) == 7 && offsetof(oggetto, dato5) == 9;

inline bool oggetto::operator==(const oggetto& altro) const {
  if constexpr (oggetto_come_nel_file) {
    std::uint64_t a, b;
    std::uint16_t c, d;
    const auto* qui = reinterpret_cast<const unsigned char*>(this);
    const auto* la = reinterpret_cast<const unsigned char*>(&altro);
    std::memcpy(&a, qui, sizeof a);
    std::memcpy(&b, la, sizeof b);
    std::memcpy(&c, qui + sizeof a, sizeof c);
    std::memcpy(&d, la + sizeof b, sizeof d);
    return ((a ^ b) | static_cast<std::uint64_t>(c ^ d)) == 0;
  } else {
    return tipo == altro.tipo && dato1 == altro.dato1 && dato2 == altro.dato2 &&
           dato3 == altro.dato3 && dato4 == altro.dato4 && dato5 == altro.dato5;
  }
}
inline constexpr std::size_t slot_compatto = 15;  // compact layout: slots 0 .. 14
inline constexpr std::size_t slot_esteso = 51;    // extended layout: slots 0 .. 50
inline constexpr std::size_t byte_coda_tratto = 6;

// Size of one section record in the file: 156 (compact) or 516 (extended).
constexpr std::size_t byte_tratto(bool formato_compatto) {
  return (formato_compatto ? slot_compatto : slot_esteso) * byte_oggetto + byte_coda_tratto;
}

// One metre of line: two plane coordinates in metres, 16 bytes in the file.
struct punto_linea {
  double x;
  double y;

  bool operator==(const punto_linea&) const = default;
};
static_assert(sizeof(punto_linea) == 16, "punto_linea must match its 16-byte record");

// How many bits of `x` are set. Written out rather than std::popcount, which on
// processors without a counting instruction in the baseline becomes a library
// call in the innermost loops.
constexpr int bit_impostati(std::uint64_t x) {
  x = x - ((x >> 1) & 0x5555555555555555u);
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<int>((x * 0x0101010101010101u) >> 56);
}
static_assert(bit_impostati(0) == 0 && bit_impostati(~std::uint64_t{0}) == 64 &&
              bit_impostati(0x8000000000000101u) == 3);

// The object slots of one section as they read: slot_per_tratto() values, of
// which the store keeps only the occupied ones (a slot whose ten bytes are all
// zero need not be kept). `presenti` has bit j set for each kept slot j; the
// kept slots lie at `dati`, in slot order. A view onto the store, valid until
// its sections next change.
class slot_tratto {
 public:
  slot_tratto(const oggetto* dati, std::uint64_t presenti, std::size_t numero)
      : dati_(dati), presenti_(presenti), numero_(numero) {}
  // All the slots of a record held whole, such as a copy of a section's slots
  // (at most 63).
  explicit slot_tratto(std::span<const oggetto> tutti)
      : slot_tratto(tutti.data(), (std::uint64_t{1} << tutti.size()) - 1, tutti.size()) {}

  std::size_t size() const { return numero_; }
  // Slot j (< size()): the kept value, or an empty slot (all zero).
  oggetto operator[](std::size_t j) const {
    const std::uint64_t bit = std::uint64_t{1} << j;
    if ((presenti_ & bit) == 0) return {};
    return dati_[bit_impostati(presenti_ & (bit - 1))];
  }
  // Which slots are kept (bit j for slot j), and the kept slots in slot order:
  // for going through the occupied slots only, or copying them at once.
  std::uint64_t presenti() const { return presenti_; }
  const oggetto* dati() const { return dati_; }
  // The first kept slot from slot `da` on whose value satisfies `vale`, or
  // size() when none does. Every slot that is not kept is empty: a search for
  // a type other than 0 needs to look at the kept ones only.
  template <class F>
  std::size_t trova(F&& vale, std::size_t da = 0) const {
    const std::uint64_t prima = da >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << da) - 1;
    std::uint64_t resto = presenti_ & ~prima;
    const oggetto* dato = dati_ + bit_impostati(presenti_ & prima);
    for (; resto != 0; resto &= resto - 1, ++dato)
      if (vale(*dato)) return static_cast<std::size_t>(std::countr_zero(resto));
    return numero_;
  }
  // Writes all size() slots, empty ones as zero, to `tutti`.
  void copia_in(oggetto* tutti) const {
    std::fill_n(tutti, numero_, oggetto{});
    const oggetto* dato = dati_;
    for (std::uint64_t resto = presenti_; resto != 0; resto &= resto - 1)
      tutti[std::countr_zero(resto)] = *dato++;
  }
  // Where slot j is kept, or nullptr when it is empty and not kept.
  const oggetto* occupato(std::size_t j) const {
    const std::uint64_t bit = std::uint64_t{1} << j;
    return (presenti_ & bit) == 0 ? nullptr : dati_ + bit_impostati(presenti_ & (bit - 1));
  }

  // Slots 0 .. size() - 1 in order, each by value.
  class iterator {
   public:
    using value_type = oggetto;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    iterator(const slot_tratto* slot, std::size_t j) : slot_(slot), j_(j) {}
    oggetto operator*() const { return (*slot_)[j_]; }
    iterator& operator++() {
      ++j_;
      return *this;
    }
    iterator operator++(int) {
      iterator prima = *this;
      ++j_;
      return prima;
    }
    bool operator==(const iterator& altro) const { return j_ == altro.j_; }

   private:
    const slot_tratto* slot_ = nullptr;
    std::size_t j_ = 0;
  };
  iterator begin() const { return {this, 0}; }
  iterator end() const { return {this, numero_}; }

 private:
  const oggetto* dati_;
  std::uint64_t presenti_;
  std::size_t numero_;
};

// One 50-metre section, to be changed: all its object slots and the six
// trailing bytes that are carried through unchanged. A view onto the store.
struct tratto {
  std::span<oggetto> oggetti;
  std::span<std::uint8_t, byte_coda_tratto> coda_tratto;
};
// One 50-metre section as it reads. A view onto the store, valid until its
// sections next change.
struct tratto_costante {
  slot_tratto oggetti;
  std::span<const std::uint8_t, byte_coda_tratto> coda_tratto;
};

// Decoding and encoding of single records, exactly as they stand in the files.
oggetto decodifica_oggetto(const std::uint8_t* byte);
void codifica_oggetto(const oggetto& o, std::uint8_t* byte);
// A section record is oggetti.size() slots followed by coda_tratto.
void codifica_tratto(tratto_costante t, std::uint8_t* byte);
punto_linea decodifica_punto(const std::uint8_t* byte);
void codifica_punto(const punto_linea& p, std::uint8_t* byte);

// The header record, kept as its raw bytes: only lunghezza_linea is interpreted.
struct testata_scenario {
  std::vector<std::uint8_t> byte;
  std::size_t posizione_lunghezza = 0;  // byte offset of lunghezza_linea in the file
  std::int32_t lunghezza_linea = 0;     // line length in metres, layout marker removed
};

// The longest a header record can be: 27,768 bytes of fixed fields and 747
// strings, each with its 2-byte count and at most 65,535 bytes of text.
inline constexpr std::size_t byte_massimi_testata = 27768 + 747 * (2 + 65535);

// Byte offset of lunghezza_linea, found by walking the string counts of header
// groups 1 to 11; empty when the bytes end before lunghezza_linea is complete.
std::optional<std::size_t> posizione_lunghezza_linea(std::span<const std::uint8_t> testata);

// A stored lunghezza_linea above this value marks the extended section layout.
inline constexpr std::int32_t marcatore_esteso = 10000000;
// Every section is 50 metres of line: section i starts at metre 50 × i and is
// judged at line point 50 × i.
inline constexpr std::int32_t metri_tratto = 50;
// The highest cant one section may hold, mm: the single-section edit clamps
// to it, loading warns beyond it, the design tools never write more.
inline constexpr std::int32_t sopraelevazione_limite = 300;

// The section file holds 7000 m more than the line length, the line file 7000 points more.
inline constexpr std::int32_t metri_oltre_linea = 7000;

}  // namespace sopra
