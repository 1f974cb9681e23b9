#include "scenario/scenario.hpp"

#include <algorithm>
#include <cstring>

namespace sopra {

elenco_tratti::elenco_tratti(bool formato_compatto, std::size_t numero_tratti)
    : slot_(formato_compatto ? slot_compatto : slot_esteso),
      oggetti_(numero_tratti * slot_),
      code_(numero_tratti) {}

std::vector<std::uint8_t> elenco_tratti::codifica() const {
  std::vector<std::uint8_t> byte(size() * byte_record());
  codifica(0, size(), byte.data());
  return byte;
}

void elenco_tratti::codifica(std::size_t primo, std::size_t quanti, std::uint8_t* byte) const {
  const std::size_t dimensione = byte_record();
  for (std::size_t i = primo; i < primo + quanti; ++i) {
    codifica_tratto((*this)[i], byte);
    byte += dimensione;
  }
}

void elenco_tratti::decodifica(std::size_t primo, std::span<const std::uint8_t> byte) {
  const std::size_t dimensione = byte_record();
  const std::size_t interi = std::min(size() - std::min(primo, size()), byte.size() / dimensione);
  for (std::size_t i = 0; i < interi; ++i)
    decodifica_tratto(byte.data() + i * dimensione, (*this)[primo + i]);
  // A record cut by the end of the bytes reads as zeros beyond that end.
  if (primo + interi < size() && byte.size() > interi * dimensione) {
    std::vector<std::uint8_t> ultimo(dimensione, 0);
    std::copy(byte.begin() + static_cast<std::ptrdiff_t>(interi * dimensione), byte.end(),
              ultimo.begin());
    decodifica_tratto(ultimo.data(), (*this)[primo + interi]);
  }
}

std::size_t elenco_tratti::tratti_per_blocco() const {
  return std::min(((std::size_t{1} << 20) / byte_record()) / 8 * 8, size());
}

std::uint64_t elenco_tratti::impronta() const {
  // Each step is a bijection of the running value for a fixed word, so inputs
  // that differ in a single word never meet.
  std::uint64_t h = size();
  auto mescola = [&h](std::uint64_t parola) {
    h = (h ^ parola) * 0x9E3779B97F4A7C15u;
    h ^= h >> 32;
  };
  const std::size_t per_blocco = tratti_per_blocco();
  std::vector<std::uint8_t> blocco(per_blocco * byte_record() + 8);
  for (std::size_t primo = 0; primo < size(); primo += per_blocco) {
    const std::size_t quanti = std::min(per_blocco, size() - primo);
    const std::size_t byte = quanti * byte_record();
    codifica(primo, quanti, blocco.data());
    std::fill_n(blocco.begin() + static_cast<std::ptrdiff_t>(byte), 8, 0);  // last word padded
    for (std::size_t i = 0; i < byte; i += 8) {
      std::uint64_t parola;
      std::memcpy(&parola, blocco.data() + i, sizeof parola);
      mescola(parola);
    }
  }
  return h;
}

}  // namespace sopra
