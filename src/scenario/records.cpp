#include "scenario/records.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace sopra {

static_assert(std::endian::native == std::endian::little,
              "the scenario files are little-endian and are read into memory as they stand");

namespace {

template <class T>
T leggi(const std::uint8_t* byte) {
  T valore;
  std::memcpy(&valore, byte, sizeof valore);
  return valore;
}

template <class T>
void scrivi(T valore, std::uint8_t* byte) {
  std::memcpy(byte, &valore, sizeof valore);
}

}  // namespace

oggetto decodifica_oggetto(const std::uint8_t* byte) {
  return {byte[0],
          leggi<std::int16_t>(byte + 1),
          leggi<std::int16_t>(byte + 3),
          leggi<std::int16_t>(byte + 5),
          leggi<std::int16_t>(byte + 7),
          byte[9]};
}

void codifica_oggetto(const oggetto& o, std::uint8_t* byte) {
  byte[0] = o.tipo;
  scrivi(o.dato1, byte + 1);
  scrivi(o.dato2, byte + 3);
  scrivi(o.dato3, byte + 5);
  scrivi(o.dato4, byte + 7);
  byte[9] = o.dato5;
}

void codifica_tratto(tratto_costante t, std::uint8_t* byte) {
  std::fill_n(byte, t.oggetti.size() * byte_oggetto, std::uint8_t{0});
  const oggetto* dati = t.oggetti.dati();
  for (std::uint64_t presenti = t.oggetti.presenti(); presenti != 0; presenti &= presenti - 1) {
    const auto j = static_cast<std::size_t>(std::countr_zero(presenti));
    codifica_oggetto(*dati++, byte + j * byte_oggetto);
  }
  std::memcpy(byte + t.oggetti.size() * byte_oggetto, t.coda_tratto.data(), byte_coda_tratto);
}

punto_linea decodifica_punto(const std::uint8_t* byte) {
  return {leggi<double>(byte), leggi<double>(byte + 8)};
}

void codifica_punto(const punto_linea& p, std::uint8_t* byte) {
  scrivi(p.x, byte);
  scrivi(p.y, byte + 8);
}

std::optional<std::size_t> posizione_lunghezza_linea(std::span<const std::uint8_t> testata) {
  std::size_t posizione = 0;
  bool completa = true;
  auto salta = [&](std::size_t n) {
    if (completa && testata.size() - posizione >= n) {
      posizione += n;
    } else {
      completa = false;
    }
  };
  // A string is a 16-bit byte count, read as unsigned, and that many bytes.
  auto salta_stringa = [&] {
    if (completa && testata.size() - posizione >= 2) {
      salta(2 + leggi<std::uint16_t>(testata.data() + posizione));
    } else {
      completa = false;
    }
  };
  for (int i = 0; i < 300; ++i) {  // group 1
    salta(14);
    salta_stringa();
    salta(61);
  }
  for (int i = 0; i < 300; ++i) salta_stringa();     // group 2
  salta(30 * 12);                                    // group 3
  salta(30 * 9);                                     // group 4
  salta_stringa();                                   // group 5
  for (int i = 0; i < 4 * 11; ++i) salta_stringa();  // group 6
  salta(5);                                          // group 7
  salta(300 * 8);                                    // group 8
  salta(8);                                          // group 9
  salta_stringa();                                   // group 10
  salta_stringa();                                   // group 11
  const std::size_t lunghezza = posizione;
  salta(4);  // group 12: lunghezza_linea itself
  if (!completa) return std::nullopt;
  return lunghezza;
}

}  // namespace sopra
