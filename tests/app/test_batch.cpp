// The batch companion run as a separate program on generated demo scenarios;
// what it prints and saves is checked against the editing core run in-process.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "editing/elenco.hpp"
#include "editing/scenario_aperto.hpp"
#include "file_di_prova.hpp"
#include "generatore_demo.hpp"
#include "scenario/file_scenario.hpp"

namespace sopra {
namespace {

using namespace prova;
namespace fs = std::filesystem;

struct uscita {
  int codice;
  std::string out;
  std::string err;
};

std::string tra_apici(const std::string& testo) {
  std::string quotato = "'";
  for (const char c : testo) quotato += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quotato + "'";
}

std::string testo_file(const fs::path& file) {
  const auto byte = leggi_file(file);
  return {byte.begin(), byte.end()};
}

std::string righe_come_testo(const std::vector<std::string>& righe) {
  std::string testo;
  for (const auto& riga : righe) testo += riga + '\n';
  return testo;
}

timespec modificato_il(const fs::path& file) {
  struct stat stato {};
  EXPECT_EQ(::stat(file.c_str(), &stato), 0);
  return stato.st_mtim;
}

class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    // Two scenarios of one line, and one in the extended layout.
    scrivi_scenario_demo(demo.percorso(), "Valle_Andata", "Valle", {6000, true, 1});
    scrivi_scenario_demo(demo.percorso(), "Valle_Ritorno", "Valle", {6000, true, 2});
    scrivi_scenario_demo(demo.percorso(), "Costa_Esteso", "Costa", {9000, false, 3});
  }

  // Runs the program with `argomenti`, after the shell commands `prima`.
  uscita esegui(const std::vector<std::string>& argomenti, const std::string& prima = "") {
    std::string comando = prima + tra_apici(PROGRAMMA_BATCH);
    for (const auto& a : argomenti) comando += ' ' + tra_apici(a);
    comando += " >" + tra_apici(uscite / "out") + " 2>" + tra_apici(uscite / "err");
    const int stato = std::system(comando.c_str());
    return {WIFEXITED(stato) ? WEXITSTATUS(stato) : -1, testo_file(uscite / "out"),
            testo_file(uscite / "err")};
  }

  // The scenario as the core opens it.
  scenario_aperto apri(const std::string& nome) {
    scenario store;
    EXPECT_EQ(carica_scenario(demo / (nome + ".si3"), store), std::nullopt);
    return scenario_aperto(std::move(store));
  }

  std::string si3(const std::string& nome) { return (demo / (nome + ".si3")).string(); }
  fs::path da3(const std::string& nome) { return demo / (nome + ".da3"); }

  cartella_temporanea demo;
  cartella_temporanea uscite;
};

const std::array<std::string, numero_classi> classi_iniziali = {"0",   "20",  "40",  "70",
                                                                "100", "100", "100", "100"};

TEST_F(Batch, ElencoPrintsTheRowsOfTheList) {
  for (const std::string nome : {"Valle_Andata", "Costa_Esteso"}) {
    const auto u = esegui({"elenco", si3(nome)});
    EXPECT_EQ(u.codice, 0);
    EXPECT_EQ(u.err, "");
    const auto righe = apri(nome).righe();
    EXPECT_EQ(righe.size(), apri(nome).store().tratti.size() - 5);
    EXPECT_EQ(u.out, righe_come_testo(righe));
  }
  // The files are looked up by the loading rules, without regard to case.
  const auto u = esegui({"elenco", (demo / "VALLE_andata.SI3").string()});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.out, righe_come_testo(apri("Valle_Andata").righe()));
}

TEST_F(Batch, ClassiAppliesSavesAndReports) {
  const std::array<std::string, numero_classi> digitati = {"-70", "500", "abc",  "150xy",
                                                           "-5a", "",    "20.5", "100"};
  scenario_aperto atteso = apri("Valle_Andata");
  const auto esito = atteso.applica_classi(digitati);
  ASSERT_GT(esito.curve_senza_slot, 0u);
  const auto intatto = leggi_file(da3("Valle_Ritorno"));

  const auto u = esegui(
      {"classi", "--valori", "-70,500,abc,150xy,-5a,,20.5,100", "--elenco", si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.out, righe_come_testo(atteso.righe()));
  std::string riassunto = si3("Valle_Andata") + ": " +
                          std::to_string(esito.curve_con_sopraelevazione) +
                          " curve con sopraelevazione, " + std::to_string(esito.curve_senza_slot) +
                          " curve senza posto libero, " + std::to_string(esito.oggetti_rimossi) +
                          " oggetti sopraelevazione rimossi; senza posto libero a ";
  EXPECT_TRUE(u.err.starts_with(riassunto)) << u.err;
  EXPECT_TRUE(u.err.find(std::to_string(esito.posizioni_senza_slot[0])) != std::string::npos);
  EXPECT_EQ(std::count(u.err.begin(), u.err.end(), '\n'), 1);

  EXPECT_EQ(leggi_file(da3("Valle_Andata")), atteso.store().tratti.codifica());
  EXPECT_EQ(leggi_file(da3("Valle_Ritorno")), intatto);
}

TEST_F(Batch, ClassiOnSeveralScenariosGoesOnAfterALoadError) {
  std::vector<scenario_aperto> attesi = {apri("Valle_Andata"), apri("Costa_Esteso")};
  for (auto& a : attesi) a.applica_classi(classi_iniziali);
  const std::string mancante = (demo / "Nessuno_Qui.si3").string();

  const auto u = esegui({"classi", "--elenco", "--valori", "0,20,40,70,100,100,100,100",
                         si3("Valle_Andata"), mancante, si3("Costa_Esteso")});
  EXPECT_EQ(u.codice, 1);
  EXPECT_EQ(u.out, "# " + si3("Valle_Andata") + '\n' + righe_come_testo(attesi[0].righe()) + "# " +
                       si3("Costa_Esteso") + '\n' + righe_come_testo(attesi[1].righe()));
  EXPECT_NE(u.err.find("Lo scenario Nessuno_Qui.si3 non è nella cartella"), std::string::npos)
      << u.err;
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), attesi[0].store().tratti.codifica());
  EXPECT_EQ(leggi_file(da3("Costa_Esteso")), attesi[1].store().tratti.codifica());
}

TEST_F(Batch, ProvaWritesNothing) {
  const auto byte = leggi_file(da3("Valle_Andata"));
  const timespec prima = modificato_il(da3("Valle_Andata"));
  const auto contenuto_prima = contenuto(demo.percorso());
  scenario_aperto atteso = apri("Valle_Andata");
  atteso.applica_classi(classi_iniziali);

  auto u = esegui({"classi", "--valori", "0,20,40,70,100,100,100,100", "--prova", "--elenco",
                   si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.out, righe_come_testo(atteso.righe()));
  EXPECT_TRUE(u.err.starts_with(si3("Valle_Andata") + ": ")) << u.err;

  u = esegui({"tratto", "--prova", "--posizione", "1200", "--mm", "45", si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.out, "");

  EXPECT_EQ(leggi_file(da3("Valle_Andata")), byte);
  const timespec dopo = modificato_il(da3("Valle_Andata"));
  EXPECT_EQ(prima.tv_sec, dopo.tv_sec);
  EXPECT_EQ(prima.tv_nsec, dopo.tv_nsec);
  EXPECT_EQ(contenuto(demo.percorso()), contenuto_prima);
}

TEST_F(Batch, TrattoEditsOneSection) {
  scenario_aperto atteso = apri("Costa_Esteso");
  // The first listed curve that can take a cant, to show the row's own kind field kept.
  std::size_t riga = 0;
  while (atteso.righe()[riga].find("curva DX") == std::string::npos ||
         atteso.modifica_tratto(riga, "-45").senza_slot)
    ++riga;
  const std::string posizione = std::to_string(50 * (riga + primo_tratto_elencato));

  const auto u =
      esegui({"tratto", "--posizione", posizione, "--mm", "-45", "--elenco", si3("Costa_Esteso")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.err, "");
  EXPECT_EQ(u.out, righe_come_testo(atteso.righe()));
  EXPECT_TRUE(atteso.righe()[riga].ends_with("\t-45"));
  EXPECT_EQ(leggi_file(da3("Costa_Esteso")), atteso.store().tratti.codifica());
}

TEST_F(Batch, TrattoOnASectionWithoutAFreeSlot) {
  const scenario_aperto aperto = apri("Valle_Andata");
  const auto byte = leggi_file(da3("Valle_Andata"));
  // Section 13 of the demo is full of other objects.
  ASSERT_FALSE(scenario_aperto(aperto).modifica_tratto(11, "45").testo.empty());
  ASSERT_TRUE(scenario_aperto(aperto).modifica_tratto(11, "45").senza_slot);

  const auto u = esegui({"tratto", "--posizione", "650", "--mm", "45", si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_NE(u.err.find("650 m non ha posti liberi"), std::string::npos) << u.err;
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), byte);
}

TEST_F(Batch, UsageErrorsChangeNothing) {
  const auto byte = leggi_file(da3("Valle_Andata"));
  const std::string f = si3("Valle_Andata");
  const std::vector<std::vector<std::string>> sbagliati = {
      {},
      {"sposta", f},
      {"elenco"},
      {"elenco", "--prova", f},
      {"classi", f},
      {"classi", "--valori", "1,2,3,4,5,6,7", f},
      {"classi", "--valori", "1,2,3,4,5,6,7,8,9", f},
      {"classi", "--valori", "1,2,3,4,5,6,7,8", "--mm", "5", f},
      {"classi", "--valori", "1,2,3,4,5,6,7,8", "--forse", f},
      {"classi", "--valori"},
      {"tratto", "--mm", "5", f},
      {"tratto", "--posizione", "1200", f},
      {"tratto", "--posizione", "1200", "--mm", "5", f, si3("Valle_Ritorno")},
      {"tratto", "--posizione", "12OO", "--mm", "5", f},
      {"tratto", "--posizione", "1225", "--mm", "5", f},
      {"tratto", "--posizione", "50", "--mm", "5", f},
      {"tratto", "--posizione", "-100", "--mm", "5", f},
      {"tratto", "--posizione", "12900", "--mm", "5", f},  // section U - 2
  };
  for (const auto& argomenti : sbagliati) {
    const auto u = esegui(argomenti);
    std::string riga;
    for (const auto& a : argomenti) riga += a + ' ';
    EXPECT_EQ(u.codice, 2) << riga;
    EXPECT_NE(u.err.find("Uso:"), std::string::npos) << riga;
    EXPECT_EQ(u.out, "") << riga;
  }
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), byte);
  // The last listed row is section U - 3.
  EXPECT_EQ(esegui({"tratto", "--posizione", "12850", "--mm", "5", f}).codice, 0);
}

TEST_F(Batch, HelpPrintsTheUsage) {
  const std::vector<std::vector<std::string>> richieste = {{"--help"}, {"classi", "--help"}};
  for (const auto& argomenti : richieste) {
    const auto u = esegui(argomenti);
    EXPECT_EQ(u.codice, 0);
    EXPECT_TRUE(u.out.starts_with("Uso:"));
    EXPECT_EQ(u.err, "");
  }
}

TEST_F(Batch, SaveErrorKeepsTheFile) {
  const auto byte = leggi_file(da3("Valle_Andata"));
  const auto contenuto_prima = contenuto(demo.percorso());
  // A file size limit below the section file's size makes the write fail.
  const auto u = esegui({"classi", "--valori", "0,20,40,70,100,100,100,100", si3("Valle_Andata")},
                        "ulimit -f 8; ");
  EXPECT_EQ(u.codice, 1);
  EXPECT_NE(u.err.find("Impossibile salvare il file Valle_Andata.da3"), std::string::npos) << u.err;
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), byte);
  EXPECT_EQ(contenuto(demo.percorso()), contenuto_prima);
}

}  // namespace
}  // namespace sopra
