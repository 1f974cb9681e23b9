#include "app/file_tratti.hpp"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <span>
#include <vector>

namespace sopra::batch {

bool salvataggio_cambia_file(const scenario& store) {
  std::ifstream file(store.file_tratti, std::ios::binary);
  if (!file) return true;
  std::vector<char> letti;
  const bool uguali = store.tratti.codifica_a_blocchi([&](std::span<const std::uint8_t> blocco) {
    letti.resize(blocco.size());
    file.read(letti.data(), static_cast<std::streamsize>(letti.size()));
    return file.gcount() == static_cast<std::streamsize>(blocco.size()) &&
           std::ranges::equal(blocco, letti, [](std::uint8_t a, char b) {
             return a == static_cast<std::uint8_t>(b);
           });
  });
  return !uguali;
}

}  // namespace sopra::batch
