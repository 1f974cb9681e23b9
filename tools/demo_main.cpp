// Writes demo scenarios: the demo folder, or one scenario of any line length.
#include <charconv>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "generatore_demo.hpp"
#include "scenario/file_scenario.hpp"

namespace {

constexpr const char* uso =
    "Uso: sopraelevazione-demo CARTELLA\n"
    "     sopraelevazione-demo CARTELLA NOME PREFISSO_LINEA METRI [esteso]\n"
    "Scrive la cartella dimostrativa, oppure un solo scenario NOME con la linea\n"
    "PREFISSO_LINEA_linea.da3 lunga METRI (da 0 a 10000000).\n";

// Why the programs could not open a scenario `nome` whose line file is
// `prefisso`_linea.da3 (they look for the line by the scenario's name), or
// nothing when they can.
std::optional<std::string> nome_senza_linea(const std::string& nome, const std::string& prefisso) {
  const std::vector<std::string> nomi = sopra::nomi_file_linea(nome);
  if (nomi.empty()) return sopra::testo_nome_senza_linea(nome);
  const std::string linea = prefisso + "_linea.da3";
  for (const std::string& n : nomi)
    if (sopra::uguali_senza_maiuscole(n, linea)) return std::nullopt;
  std::string cercati = nomi.front();
  if (nomi.size() > 1) cercati += " o " + nomi.back();
  return "Lo scenario " + nome + ".si3 cerca la sua linea in " + cercati + ", non in " + linea +
         ": dare un nome che cominci con " + prefisso + "_.";
}

}  // namespace

// Without arguments, or with wrong ones, prints the usage on stderr and ends with 2.
int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << uso;
    return 0;
  }
  try {
    if (argc == 2 && argv[1][0] != '-') {  // an unknown option is no folder name
      sopra::scrivi_cartella_demo(argv[1]);
      return 0;
    }
    if (argc == 5 || (argc == 6 && std::strcmp(argv[5], "esteso") == 0)) {
      sopra::opzioni_demo opzioni;
      const std::string metri = argv[4];
      const auto [fine, errore] =
          std::from_chars(metri.data(), metri.data() + metri.size(), opzioni.lunghezza_linea);
      if (errore != std::errc{} || fine != metri.data() + metri.size() ||
          opzioni.lunghezza_linea < 0 || opzioni.lunghezza_linea > 10000000) {
        std::cerr << uso;
        return 2;
      }
      opzioni.formato_compatto = argc == 5;
      if (const auto motivo = nome_senza_linea(argv[2], argv[3])) {
        std::cerr << *motivo << '\n';
        return 2;
      }
      std::filesystem::create_directories(argv[1]);
      sopra::scrivi_scenario_demo(argv[1], argv[2], argv[3], opzioni);
      return 0;
    }
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
  std::cerr << uso;
  return 2;
}
