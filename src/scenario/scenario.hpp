#pragma once
// The scenario store: the in-memory copy of one open scenario.

#include <cstddef>
#include <filesystem>
#include <vector>

#include "scenario/records.hpp"

namespace sopra {

// The section array tratti[0 .. N], in the layout in use. Slots are kept in one
// flat array so that the largest line (200,000 sections) costs one allocation.
class elenco_tratti {
 public:
  elenco_tratti() = default;
  elenco_tratti(bool formato_compatto, std::size_t numero_tratti);

  std::size_t size() const { return code_.size(); }
  std::size_t slot_per_tratto() const { return slot_; }

  tratto operator[](std::size_t i) {
    return {std::span(oggetti_).subspan(i * slot_, slot_), std::span(code_[i])};
  }
  tratto_costante operator[](std::size_t i) const {
    return {std::span(oggetti_).subspan(i * slot_, slot_), std::span(code_[i])};
  }

  // The whole array encoded as the section file holds it: tratti[0 .. N] from offset 0.
  std::vector<std::uint8_t> codifica() const;
  // Decodes records from the start of `byte`; records beyond its end stay all zero.
  void decodifica(std::span<const std::uint8_t> byte);

  bool operator==(const elenco_tratti&) const = default;

 private:
  std::size_t slot_ = slot_compatto;
  std::vector<oggetto> oggetti_;
  std::vector<std::array<std::uint8_t, byte_coda_tratto>> code_;
};

struct scenario {
  testata_scenario testata;
  bool formato_compatto = true;
  elenco_tratti tratti;
  std::vector<punto_linea> punti_linea;
  // Where the files were found; saving writes to file_tratti.
  std::filesystem::path file_testata;
  std::filesystem::path file_tratti;
  std::filesystem::path file_linea;
};

}  // namespace sopra
