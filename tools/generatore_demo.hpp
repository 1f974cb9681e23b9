#pragma once
// Demo scenarios: straights, curves of all eight radius classes to both sides,
// junctions, existing cant objects, other objects and full sections.

#include <cstdint>
#include <filesystem>
#include <string>

namespace sopra {

struct opzioni_demo {
  std::int32_t lunghezza_linea = 6000;  // metres
  bool formato_compatto = true;
  std::uint32_t seme = 1;  // for the arbitrary bytes of other objects and coda_tratto
};

// Writes the header `nome`.si3 and the section file `nome`.da3 of a scenario
// into `cartella`, and the line file `prefisso_linea`_linea.da3.
void scrivi_scenario_demo(const std::filesystem::path& cartella, const std::string& nome,
                          const std::string& prefisso_linea, const opzioni_demo& opzioni);

// The demo folder: scenarios with one and with two underscores in their names,
// in both layouts, sharing line files as scenarios of one line do.
void scrivi_cartella_demo(const std::filesystem::path& cartella);

}  // namespace sopra
