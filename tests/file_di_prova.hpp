#pragma once
// Small helpers for tests that work on scenario files in a temporary folder.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace sopra::prova {

// A fresh folder under the system's temporary folder, removed at the end.
class cartella_temporanea {
 public:
#ifdef _WIN32
  // Windows has no mkdtemp: a random name, taken only if the folder is new.
  cartella_temporanea() {
    std::random_device caso;
    do {
      percorso_ = std::filesystem::temp_directory_path() / ("sopra-" + std::to_string(caso()));
    } while (!std::filesystem::create_directory(percorso_));
  }
#else
  cartella_temporanea() {
    std::string modello = (std::filesystem::temp_directory_path() / "sopra-XXXXXX").string();
    percorso_ = ::mkdtemp(modello.data());
  }
#endif
  ~cartella_temporanea() {
    std::error_code ec;
    std::filesystem::permissions(percorso_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(percorso_, ec);
  }
  const std::filesystem::path& percorso() const {
    return percorso_;
  }
  std::filesystem::path operator/(const std::string& nome) const {
    return percorso_ / nome;
  }

 private:
  std::filesystem::path percorso_;
};

inline std::vector<std::uint8_t> leggi_file(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void scrivi_file(const std::filesystem::path& file, const std::vector<std::uint8_t>& byte) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(byte.data()), static_cast<std::streamsize>(byte.size()));
}

// The names in a folder, sorted, to show that nothing was created or removed.
inline std::vector<std::string> contenuto(const std::filesystem::path& cartella) {
  std::vector<std::string> nomi;
  for (const auto& voce : std::filesystem::directory_iterator(cartella)) {
    nomi.push_back(voce.path().filename().string());
  }
  std::sort(nomi.begin(), nomi.end());
  return nomi;
}

// A header of 29262 bytes with every string empty and lunghezza_linea (at byte
// 26837) holding `memorizzata`, layout marker included.
inline std::vector<std::uint8_t> testata_vuota(std::int32_t memorizzata = 0) {
  std::vector<std::uint8_t> byte(29262, 0);
  const auto valore = static_cast<std::uint32_t>(memorizzata);
  for (int i = 0; i < 4; ++i) byte[26837 + i] = static_cast<std::uint8_t>(valore >> (8 * i));
  return byte;
}

}  // namespace sopra::prova
