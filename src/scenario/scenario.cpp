#include "scenario/scenario.hpp"

#include <algorithm>
#include <array>
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

std::size_t elenco_tratti::tratti_per_blocco(std::size_t byte_record, std::size_t numero_tratti) {
  return std::min(((std::size_t{1} << 20) / byte_record) / 8 * 8, numero_tratti);
}

std::uint64_t elenco_tratti::impronta() const {
  if (impronta_letta_) return *impronta_letta_;
  impronta_tratti impronta(size());
  codifica_a_blocchi([&](std::span<const std::uint8_t> blocco) {
    impronta.aggiungi(blocco);
    return true;
  });
  return impronta.valore();
}

namespace {

// One step of the digest: a bijection of `h` for a fixed word, and of the word
// for a fixed `h`.
std::uint64_t mescola(std::uint64_t h, std::uint64_t parola) {
  h = (h ^ parola) * 0x9E3779B97F4A7C15u;
  return h ^ (h >> 32);
}

constexpr std::size_t byte_gruppo = 32;

}  // namespace

// Four running values take every fourth 8-byte word, so that their
// multiplications overlap; inputs that differ in a single word never meet,
// since every step and the final fold are bijections of each running value.
void impronta_tratti::aggiungi(std::span<const std::uint8_t> byte) {
  auto aggiungi_gruppo = [this](const std::uint8_t* gruppo) {
    std::array<std::uint64_t, 4> parole;
    std::memcpy(parole.data(), gruppo, byte_gruppo);
    for (std::size_t k = 0; k < 4; ++k) h_[k] = mescola(h_[k], parole[k]);
  };
  const std::size_t interi = byte.size() / byte_gruppo * byte_gruppo;
  for (std::size_t i = 0; i < interi; i += byte_gruppo) aggiungi_gruppo(byte.data() + i);
  if (interi < byte.size()) {  // the last group, completed with zeros
    std::array<std::uint8_t, byte_gruppo> ultimo{};
    std::copy(byte.begin() + static_cast<std::ptrdiff_t>(interi), byte.end(), ultimo.begin());
    aggiungi_gruppo(ultimo.data());
  }
}

std::uint64_t impronta_tratti::valore() const {
  return mescola(mescola(mescola(h_[0], h_[1]), h_[2]), h_[3]);
}

}  // namespace sopra
