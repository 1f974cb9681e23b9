// The benchmark runs at a small size: both scenarios are measured, the report's
// counts agree with the scenarios, and the files it wrote are gone afterwards.
// No timing is checked.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <regex>
#include <string>
#include <string_view>
#include <utility>

#include "file_di_prova.hpp"

namespace sopra {
namespace {

// Runs a command and returns what it printed and its exit status.
std::pair<std::string, int> esegui(const std::string& comando) {
  std::string uscita;
  FILE* tubo = ::popen(comando.c_str(), "r");
  if (tubo == nullptr) return {uscita, -1};
  char blocco[4096];
  for (std::size_t n; (n = std::fread(blocco, 1, sizeof blocco, tubo)) > 0;)
    uscita.append(blocco, n);
  const int stato = ::pclose(tubo);
  return {uscita, WIFEXITED(stato) ? WEXITSTATUS(stato) : -1};
}

// The whole number that follows `voce` on its line of `testo`, after its
// figure in ms and before `unita` ("tratti", "problemi"); -1 when there is none.
long long conteggio(std::string_view testo, std::string_view voce, std::string_view unita) {
  const std::size_t inizio = testo.find(voce);
  if (inizio == std::string_view::npos) return -1;
  const std::string riga(testo.substr(inizio, testo.find('\n', inizio) - inizio));
  std::smatch trovato;
  if (!std::regex_search(riga, trovato, std::regex(" ms +(su +)?([0-9]+) " + std::string(unita))))
    return -1;
  return std::stoll(trovato[2]);
}

TEST(Bench, MisuraEntrambiIScenariECancellaIFile) {
  prova::cartella_temporanea cartella;
  const auto [uscita, stato] = esegui(std::string(PROGRAMMA_BENCH) + " --metri 20000 --prove 2 '" +
                                      cartella.percorso().string() + "'");
  ASSERT_EQ(stato, 0) << uscita;
  const std::size_t lunga =
      uscita.find("Lunga_Compatto: 20000 m, formato compatto, tratti 0 .. 540");
  const std::size_t media = uscita.find("Media_Esteso: 2000 m, formato esteso, tratti 0 .. 180");
  ASSERT_NE(lunga, std::string::npos) << uscita;
  ASSERT_NE(media, std::string::npos) << uscita;
  ASSERT_LT(lunga, media);
  const std::string_view testo = uscita;
  for (const auto& [parte, tratti] :
       {std::pair(testo.substr(lunga, media - lunga), 541), std::pair(testo.substr(media), 181)}) {
    // The class command runs over every section of the line.
    EXPECT_EQ(conteggio(parte, "comando delle classi", "tratti"), tratti) << parte;
    // The live check after a keystroke finds what the whole check found.
    const long long problemi = conteggio(parte, "verifica (verifica)", "problemi");
    EXPECT_GT(problemi, 0) << parte;
    EXPECT_EQ(conteggio(parte, "tasto: modifica, modificato, verifica viva", "problemi"), problemi)
        << parte;
  }
  EXPECT_TRUE(prova::contenuto(cartella.percorso()).empty());
}

TEST(Bench, OpzioniSbagliateMostranoLUso) {
  const auto [uscita, stato] = esegui(std::string(PROGRAMMA_BENCH) + " --metri tanti 2>&1");
  EXPECT_EQ(stato, 2);
  EXPECT_NE(uscita.find("Uso: sopraelevazione-bench"), std::string::npos);
}

}  // namespace
}  // namespace sopra
