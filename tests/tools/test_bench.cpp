// The benchmark runs at a small size: both scenarios are measured and reported,
// and the files it wrote are gone afterwards. No timing is checked.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

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

std::size_t conta(const std::string& testo, const std::string& cercato) {
  std::size_t volte = 0;
  for (auto i = testo.find(cercato); i != std::string::npos; i = testo.find(cercato, i + 1))
    ++volte;
  return volte;
}

TEST(Bench, MisuraEntrambiIScenariECancellaIFile) {
  prova::cartella_temporanea cartella;
  const auto [uscita, stato] = esegui(std::string(PROGRAMMA_BENCH) + " --metri 20000 --prove 2 '" +
                                      cartella.percorso().string() + "'");
  ASSERT_EQ(stato, 0) << uscita;
  EXPECT_NE(uscita.find("Lunga_Compatto: 20000 m, formato compatto, tratti 0 .. 540"),
            std::string::npos)
      << uscita;
  EXPECT_NE(uscita.find("Media_Esteso: 2000 m, formato esteso, tratti 0 .. 180"), std::string::npos)
      << uscita;
  for (const char* voce :
       {"lettura grezza dei tre file", "comando delle classi", "scrittura grezza dei tratti",
        "salvataggio (salva)", "memoria di picco", "in un processo nuovo", "ripeti il progetto",
        "tasto: modifica, modificato, verifica viva"}) {
    EXPECT_EQ(conta(uscita, voce), 2u) << voce;
  }
  // Loading with the rows, against each of the two floors, and in new
  // processes against the second.
  EXPECT_EQ(conta(uscita, "lettura a blocchi come cat"), 4u);
  EXPECT_EQ(conta(uscita, "caricamento + righe"), 6u);
  EXPECT_TRUE(prova::contenuto(cartella.percorso()).empty());
}

TEST(Bench, OpzioniSbagliateMostranoLUso) {
  const auto [uscita, stato] = esegui(std::string(PROGRAMMA_BENCH) + " --metri tanti 2>&1");
  EXPECT_EQ(stato, 2);
  EXPECT_NE(uscita.find("Uso: sopraelevazione-bench"), std::string::npos);
}

}  // namespace
}  // namespace sopra
