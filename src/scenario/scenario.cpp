#include "scenario/scenario.hpp"

#include <algorithm>

namespace sopra {

elenco_tratti::elenco_tratti(bool formato_compatto, std::size_t numero_tratti)
    : slot_(formato_compatto ? slot_compatto : slot_esteso),
      oggetti_(numero_tratti * slot_),
      code_(numero_tratti) {}

std::vector<std::uint8_t> elenco_tratti::codifica() const {
  const std::size_t dimensione = slot_ * byte_oggetto + byte_coda_tratto;
  std::vector<std::uint8_t> byte(size() * dimensione);
  for (std::size_t i = 0; i < size(); ++i)
    codifica_tratto((*this)[i], byte.data() + i * dimensione);
  return byte;
}

void elenco_tratti::decodifica(std::span<const std::uint8_t> byte) {
  const std::size_t dimensione = slot_ * byte_oggetto + byte_coda_tratto;
  const std::size_t interi = std::min(size(), byte.size() / dimensione);
  for (std::size_t i = 0; i < interi; ++i)
    decodifica_tratto(byte.data() + i * dimensione, (*this)[i]);
  // A record cut by the end of the file reads as zeros beyond that end.
  if (interi < size() && byte.size() > interi * dimensione) {
    std::vector<std::uint8_t> ultimo(dimensione, 0);
    std::copy(byte.begin() + static_cast<std::ptrdiff_t>(interi * dimensione), byte.end(),
              ultimo.begin());
    decodifica_tratto(ultimo.data(), (*this)[interi]);
  }
}

}  // namespace sopra
