// The batch companion run as a separate program on generated demo scenarios;
// what it prints and saves is checked against the editing core run in-process.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "analysis/caricamento.hpp"
#include "analysis/curva.hpp"
#include "analysis/sopraelevazione.hpp"
#include "editing/csv.hpp"
#include "editing/elenco.hpp"
#include "editing/messaggi.hpp"
#include "editing/scenario_aperto.hpp"
#include "file_di_prova.hpp"
#include "generatore_demo.hpp"
#include "progetto/profilo.hpp"
#include "progetto/relazione.hpp"

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

std::string righe_come_testo(const righe_elenco& righe) {
  std::string testo;
  for (const std::string_view riga : righe) (testo += riga) += '\n';
  return testo;
}

void scrivi_testo(const fs::path& file, std::string_view testo) {
  scrivi_file(file, std::vector<std::uint8_t>(testo.begin(), testo.end()));
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

// Slots that hold a cant object in `prima` and no longer do in `dopo`.
std::size_t cant_tolte(const scenario& prima, const scenario& dopo) {
  std::size_t tolte = 0;
  for (std::size_t i = 0; i < prima.tratti.size(); ++i)
    for (std::size_t k = 0; k < prima.tratti.slot_per_tratto(); ++k)
      tolte += prima.tratti[i].oggetti[k].tipo == tipo_sopraelevazione &&
               dopo.tratti[i].oggetti[k].tipo != tipo_sopraelevazione;
  return tolte;
}

TEST_F(Batch, ClassiAppliesSavesAndReports) {
  const std::array<std::string, numero_classi> digitati = {"-70", "500", "abc",  "150xy",
                                                           "-5a", "",    "20.5", "100"};
  scenario_aperto atteso = apri("Valle_Andata");
  const scenario prima = atteso.store();
  const auto esito = atteso.applica_classi(digitati);
  ASSERT_GT(esito.curve_senza_slot, 0u);
  const auto intatto = leggi_file(da3("Valle_Ritorno"));

  const auto u = esegui(
      {"classi", "--valori", "-70,500,abc,150xy,-5a,,20.5,100", "--elenco", si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.out, righe_come_testo(atteso.righe()));
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), atteso.store().tratti.codifica());
  EXPECT_EQ(leggi_file(da3("Valle_Ritorno")), intatto);

  // Removed objects are counted as the saved file shows them: a cant object
  // replaced in its own slot is not removed.
  const std::size_t tolte = cant_tolte(prima, apri("Valle_Andata").store());
  ASSERT_LT(tolte, esito.oggetti_sopraelevazione_trovati);
  EXPECT_EQ(u.err, si3("Valle_Andata") + ": " + std::to_string(esito.curve_con_sopraelevazione) +
                       " curve con sopraelevazione. " +
                       testo_curve_senza_slot(esito.curve_senza_slot) + ". " +
                       testo_posizioni(esito.posizioni_senza_slot, esito.curve_senza_slot) + ". " +
                       std::to_string(tolte) + " oggetti sopraelevazione rimossi. Salvato.\n");
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
  // The message names the missing file once.
  const auto prima = u.err.find("Nessuno_Qui.si3");
  ASSERT_NE(prima, std::string::npos) << u.err;
  EXPECT_EQ(u.err.find("Nessuno_Qui.si3", prima + 1), std::string::npos) << u.err;
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), attesi[0].store().tratti.codifica());
  EXPECT_EQ(leggi_file(da3("Costa_Esteso")), attesi[1].store().tratti.codifica());
}

TEST_F(Batch, MissingLineFileNamesWhatWasTried) {
  fs::remove(demo / "Costa_linea.da3");
  fs::copy_file(demo / "Costa_Esteso.si3", demo / "Costa_Est_Esteso.si3");
  fs::copy_file(demo / "Costa_Esteso.da3", demo / "Costa_Est_Esteso.da3");
  const std::string f = (demo / "Costa_Est_Esteso.si3").string();
  const auto u = esegui({"elenco", f});
  EXPECT_EQ(u.codice, 1);
  EXPECT_EQ(u.out, "");
  EXPECT_EQ(u.err, f +
                       ": file linea non trovato (cercati Costa_Est_linea.da3 e Costa_linea.da3 "
                       "nella cartella " +
                       demo.percorso().string() +
                       "): copiare il file linea Costa_Est_linea.da3 nella cartella dello "
                       "scenario\n");
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
  EXPECT_TRUE(u.err.ends_with(". Non salvato (--prova).\n")) << u.err;

  for (const std::vector<std::string>& argomenti :
       {std::vector<std::string>{"tratto", "--prova", "--posizione", "1200", "--mm", "45"},
        {"raccordi", "--prova", "--velocita", "120"}}) {
    auto completi = argomenti;
    completi.push_back(si3("Valle_Andata"));
    u = esegui(completi);
    EXPECT_EQ(u.codice, 0) << argomenti[0];
    EXPECT_EQ(u.out, "");
    EXPECT_TRUE(u.err.ends_with(". Non salvato (--prova).\n")) << u.err;
  }

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
  const std::string posizione = std::to_string(posizione_tratto(tratto_della_riga(riga)));

  auto u =
      esegui({"tratto", "--posizione", posizione, "--mm", "-45", "--elenco", si3("Costa_Esteso")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.err, si3("Costa_Esteso") + ": Tratto a " + posizione +
                       " m: sopraelevazione -45 mm. Salvato.\n");
  EXPECT_EQ(u.out, righe_come_testo(atteso.righe()));
  EXPECT_TRUE(atteso.righe()[riga].ends_with("\t-45"));
  EXPECT_EQ(leggi_file(da3("Costa_Esteso")), atteso.store().tratti.codifica());

  // The same edit again changes no byte: the file is left alone.
  const timespec prima = modificato_il(da3("Costa_Esteso"));
  u = esegui({"tratto", "--posizione", posizione, "--mm", "-45", si3("Costa_Esteso")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_TRUE(u.err.ends_with(". File invariato.\n")) << u.err;
  EXPECT_EQ(modificato_il(da3("Costa_Esteso")).tv_nsec, prima.tv_nsec);
}

TEST_F(Batch, TrattoOnASectionWithoutAFreeSlot) {
  const scenario_aperto aperto = apri("Valle_Andata");
  const auto byte = leggi_file(da3("Valle_Andata"));
  // Section 13 of the demo is full of other objects.
  ASSERT_TRUE(scenario_aperto(aperto).modifica_tratto(11, "45").senza_slot);

  const auto u = esegui({"tratto", "--posizione", "650", "--mm", "45", si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.err, si3("Valle_Andata") + ": Tratto a 650 m: non modificato. " +
                       std::string(testo_tratto_senza_slot) + ". File invariato.\n");
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), byte);
}

// A section file shorter than the sections: saving grows it to N + 1 records,
// so the batch saves it even when no cant changed, and only once.
TEST_F(Batch, ShortSectionFileIsSavedOnce) {
  auto byte = leggi_file(da3("Valle_Andata"));
  const scenario_aperto intero = apri("Valle_Andata");
  const auto& tratti = intero.store().tratti;
  byte.resize((tratti.size() - 3) * tratti.byte_record());  // sections N - 2 .. N missing
  scrivi_file(da3("Valle_Andata"), byte);
  const scenario_aperto corto = apri("Valle_Andata");
  ASSERT_FALSE(corto.store().avvisi.empty());
  // Section 13 (650 m) is full of other objects: the edit changes no section.
  const std::vector<std::string> stesso = {"tratto", "--posizione", "650",
                                           "--mm",   "45",          si3("Valle_Andata")};

  auto u = esegui(stesso);
  EXPECT_EQ(u.codice, 0);
  EXPECT_TRUE(u.err.ends_with(". Salvato.\n")) << u.err;
  // The load warning, once.
  const std::string avviso = "avviso: " + corto.store().avvisi.front() + '\n';
  ASSERT_NE(u.err.find(avviso), std::string::npos) << u.err;
  EXPECT_EQ(u.err.find(avviso, u.err.find(avviso) + 1), std::string::npos) << u.err;
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), corto.store().tratti.codifica());

  u = esegui(stesso);
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.err, si3("Valle_Andata") + ": Tratto a 650 m: non modificato. " +
                       std::string(testo_tratto_senza_slot) + ". File invariato.\n");
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
      {"classi", "--valori", "1,2,3,4,5,6,7,8", "--velocita", "120", f},
      {"classi", "--valori", "1,2,3,4,5,6,7,8", "--massimo", "120", f},
      {"classi", "--prova", "--valori", "1,2,3,4,5,6,7,8", "--prova", f},
      {"classi", "--velocita", "0", f},
      {"classi", "--valori"},
      {"tratto", "--mm", "5", f},
      {"tratto", "--posizione", "1200", f},
      {"tratto", "--posizione", "1200", "--mm", "5", f, si3("Valle_Ritorno")},
      {"tratto", "--posizione", "12OO", "--mm", "5", f},
      {"tratto", "--posizione", "1200", "--posizione", "1250", "--mm", "5", f},
      {"proposta"},
      {"proposta", "--velocita", "120", f},
      {"proposta", "--velocita", "1,5"},
      {"proposta", "--velocita", "-120"},
      {"proposta", "--velocita", "inf"},
      {"proposta", "--velocita", "1e300"},
      {"proposta", "--velocita", "120", "--massimo", "301"},
      {"proposta", "--velocita", "120", "--insufficienza", "12.5"},
      {"raccordi", "--pendenza", "", f},
      {"raccordi", "--mm", "5", f},
      {"verifica", "--prova", f},
      {"verifica", "--eccesso"},
      {"progetta", f},  // no speed and no profile beside the scenario
      {"progetta", "--velocita", "120", "--profilo", "p.csv", f},
      {"progetta", "--velocita-minima", "60", "--profilo", "p.csv", f},
      {"relazione", "--prova", f},
      {"classi", "--velocita", "120", "--profilo", "p.csv", f},
      {"elenco", "--csv", "--csv", f},
      {"--version", "extra"},
      {"-h", "elenco", f},
  };
  for (const auto& argomenti : sbagliati) {
    const auto u = esegui(argomenti);
    std::string riga;
    for (const auto& a : argomenti) riga += a + ' ';
    EXPECT_EQ(u.codice, 2) << riga;
    // One line that says what is wrong and where to look.
    EXPECT_TRUE(u.err.starts_with("sopraelevazione-batch: ")) << riga << u.err;
    EXPECT_TRUE(u.err.ends_with("; vedere --help\n")) << riga << u.err;
    EXPECT_EQ(std::count(u.err.begin(), u.err.end(), '\n'), 1) << riga << u.err;
    EXPECT_EQ(u.out, "") << riga;
  }
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), byte);
}

TEST_F(Batch, ParameterErrorsNameTheOptionAndTheCoreReason) {
  for (const auto& [opzione, valore, motivo] :
       {std::tuple{"--velocita-minima", "-5", "non può essere negativa"},
        std::tuple{"--eccesso", "-5", "non può essere negativo"},
        std::tuple{"--massimo", "301", "non può superare 300 mm"},
        std::tuple{"--eccesso", "12.5", "vuole un numero intero di millimetri"},
        std::tuple{"--pendenza", "0", "deve essere maggiore di 0"},
        std::tuple{"--variazione", "0", "deve essere maggiore di 0"},
        std::tuple{"--velocita-minima", "121", "non può superare la velocità massima"}}) {
    const auto u = esegui({"proposta", "--velocita", "120", opzione, valore});
    EXPECT_EQ(u.err, std::string("sopraelevazione-batch: ") + opzione + ' ' + motivo +
                         "; vedere --help\n");
  }
}

TEST_F(Batch, AFileThatIsNoScenarioIsToldForWhatItIs) {
  fs::copy_file(demo / "Valle_Andata.si3", demo / "Valle_Andata.txt");
  ASSERT_EQ(::mkfifo((demo / "Valle_Tubo.si3").c_str(), 0600), 0);
  for (const auto& [file, motivo] :
       {std::pair{std::string("/dev/null"), "non è uno scenario: il nome del file"},
        std::pair{(demo / "Valle_Andata.txt").string(), "non è uno scenario: il nome del file"},
        std::pair{si3("Valle_Tubo"), "non è un file ordinario ma un file speciale"}}) {
    const auto u = esegui({"elenco", file});
    EXPECT_EQ(u.codice, 1) << file;
    EXPECT_NE(u.err.find(motivo), std::string::npos) << u.err;
  }
}

// The demo writer refuses a scenario name by which neither program would find
// the line it writes, and writes nothing.
TEST_F(Batch, DemoRefusesANameThatDoesNotLeadToItsLine) {
  const fs::path cartella = uscite / "nuova";
  const auto demo_con = [&](const std::string& nome, const std::string& prefisso) {
    const std::string comando = tra_apici(PROGRAMMA_DEMO) + ' ' + tra_apici(cartella.string()) +
                                ' ' + nome + ' ' + prefisso + " 1000 2>" +
                                tra_apici(uscite / "err");
    const int stato = std::system(comando.c_str());
    return std::pair{WIFEXITED(stato) ? WEXITSTATUS(stato) : -1, testo_file(uscite / "err")};
  };
  const auto [senza, perche_senza] = demo_con("Lunga", "Lunga");
  EXPECT_EQ(senza, 2);
  EXPECT_NE(perche_senza.find("Lunga.si3 non indica la sua linea"), std::string::npos)
      << perche_senza;
  const auto [altra, perche_altra] = demo_con("Monte_Lunga", "Valle");
  EXPECT_EQ(altra, 2);
  EXPECT_NE(perche_altra.find("cerca la sua linea in Monte_linea.da3, non in Valle_linea.da3"),
            std::string::npos)
      << perche_altra;
  EXPECT_FALSE(fs::exists(cartella));
  // The second underscore's rule is the loader's too.
  EXPECT_EQ(demo_con("Valle_Est_Lunga", "Valle").first, 0);
  EXPECT_EQ(esegui({"elenco", (cartella / "Valle_Est_Lunga.si3").string()}).codice, 0);
}

TEST_F(Batch, PosizioneOutsideTheListGivesTheListedRange) {
  const auto byte = leggi_file(da3("Valle_Andata"));
  const std::string f = si3("Valle_Andata");
  // The last listed row is section U - 3 (12850 m); U - 2 is not listed.
  // 429496730100 m is section 2^33 + 10: it must not wrap round to section 10.
  for (const std::string posizione : {"1225", "50", "-100", "12900", "429496730100"}) {
    const auto u = esegui({"tratto", "--posizione", posizione, "--mm", "5", f});
    EXPECT_EQ(u.codice, 2);
    EXPECT_NE(u.err.find("la posizione " + posizione +
                         " non è una riga dell'elenco dei tratti: le righe vanno da 100 a "
                         "12850 m, ogni 50 m"),
              std::string::npos)
        << u.err;
  }
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), byte);
  EXPECT_EQ(esegui({"tratto", "--posizione", "12850", "--mm", "5", f}).codice, 0);
}

TEST_F(Batch, HelpAndVersion) {
  for (const std::vector<std::string>& argomenti :
       {std::vector<std::string>{"--help"}, {"-h"}, {"classi", "--valori", "x", "--help"}}) {
    const auto u = esegui(argomenti);
    EXPECT_EQ(u.codice, 0);
    EXPECT_TRUE(u.out.starts_with("Uso:"));
    EXPECT_NE(u.out.find("relazione [PARAMETRI] [--profilo FILE] FILE.si3..."), std::string::npos);
    EXPECT_EQ(u.err, "");
  }
  const auto u = esegui({"--version"});
  EXPECT_EQ(u.codice, 0);
  EXPECT_TRUE(u.out.starts_with("sopraelevazione-batch ")) << u.out;
  EXPECT_EQ(u.err, "");
}

// The manual page tells of every command and option that --help gives.
TEST_F(Batch, TheManualNamesEveryCommandAndOption) {
  const std::string uso = esegui({"--help"}).out;
  const std::string manuale = testo_file(MANUALE_BATCH);
  std::vector<std::string> parole;
  for (std::size_t i = 0; (i = uso.find("  sopraelevazione-batch ", i)) != std::string::npos;) {
    i += 24;
    if (uso[i] != '-') parole.push_back("\\fB" + uso.substr(i, uso.find(' ', i) - i) + "\\fR");
  }
  for (std::size_t i = 0; (i = uso.find("--", i)) != std::string::npos;) {
    std::size_t fine = i + 2;
    while (fine < uso.size() && (std::isalpha(static_cast<unsigned char>(uso[fine])) ||
                                 (uso[fine] == '-' && fine + 1 < uso.size() &&
                                  std::isalpha(static_cast<unsigned char>(uso[fine + 1])))))
      ++fine;
    std::string opzione;  // as roff writes it: each "-" as "\-"
    for (std::size_t k = i; k < fine; ++k)
      opzione += uso[k] == '-' ? "\\-" : std::string(1, uso[k]);
    parole.push_back("\\fB" + opzione + "\\fR");
    i = fine;
  }
  ASSERT_GT(parole.size(), 20u);
  for (const std::string& parola : parole)
    EXPECT_NE(manuale.find(parola), std::string::npos) << parola;
}

TEST_F(Batch, ProposalTableEndsWithTheClassValues) {
  const auto u = esegui({"proposta", "--velocita", "120"});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.err, "");
  std::vector<std::string> righe;
  for (std::size_t inizio = 0, fine; (fine = u.out.find('\n', inizio)) != std::string::npos;
       inizio = fine + 1)
    righe.push_back(u.out.substr(inizio, fine - inizio));
  ASSERT_EQ(righe.size(), 1 + numero_classi + 1) << u.out;
  EXPECT_TRUE(righe.front().starts_with("# raggio"));
  EXPECT_EQ(righe.back(), "--valori 15,25,50,115,160,160,160,160");
  // One line per class, widest first; from 490 m down V cannot be served at 160 mm.
  for (std::size_t k = 0; k < numero_classi; ++k) {
    const std::string& riga = righe[1 + k];
    EXPECT_TRUE(riga.starts_with(std::to_string(raggi_nominali[k]) + '\t')) << riga;
    EXPECT_EQ(std::count(riga.begin(), riga.end(), '\t'), 6) << riga;
    EXPECT_EQ(riga.ends_with('\t'), k < 4) << riga;
  }
}

TEST_F(Batch, AClassWithBothFlagsShowsBothNotes) {
  const auto u =
      esegui({"proposta", "--velocita", "120", "--velocita-minima", "60", "--eccesso", "20"});
  EXPECT_EQ(u.codice, 0);
  EXPECT_NE(u.out.find("\tcon 160 mm la velocità ammessa è 109 km/h; nessuna sopraelevazione "
                       "serve sia 120 sia 60 km/h\n"),
            std::string::npos)
      << u.out;
}

TEST_F(Batch, ClassiWithASpeedAppliesTheProposal) {
  scenario_aperto atteso = apri("Costa_Esteso");
  atteso.applica_classi({"15", "25", "50", "115", "160", "160", "160", "160"});
  const auto u = esegui({"classi", "--velocita", "120", si3("Costa_Esteso")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_TRUE(
      u.err.starts_with("proposta per 120 km/h: --valori 15,25,50,115,160,160,160,160; "
                        "classi segnalate (vedere proposta): 490, 330, 250, 200 m\n"))
      << u.err;
  EXPECT_EQ(leggi_file(da3("Costa_Esteso")), atteso.store().tratti.codifica());
}

// A scenario of straight track without any cant: nothing for the check to report.
void scrivi_scenario_dritto(const fs::path& cartella) {
  scrivi_file(cartella / "Piano_Dritto.si3", testata_vuota(0));
  scrivi_file(cartella / "Piano_Dritto.da3", std::vector<std::uint8_t>(141 * 156, 0));
  scrivi_file(cartella / "Piano_linea.da3", std::vector<std::uint8_t>(7001 * 16, 0));
}

TEST_F(Batch, RaccordiAndVerificaAsTheCore) {
  parametri_progetto parametri;
  parametri.velocita_massima = 120;
  ASSERT_EQ(esegui({"classi", "--velocita", "120", si3("Valle_Andata")}).codice, 0);
  scenario_aperto atteso = apri("Valle_Andata");
  const auto prima = atteso.verifica(parametri);
  const auto esito = atteso.applica_raccordi(parametri);
  ASSERT_GT(esito.tratti_rialzati, 0u);

  auto u = esegui({"raccordi", "--velocita", "120", "--elenco", si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.err, si3("Valle_Andata") + ": " + testo_esito_raccordi(esito, ". ") + ". Salvato.\n");
  EXPECT_EQ(u.out, righe_come_testo(atteso.righe()));
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), atteso.store().tratti.codifica());

  // The check: one line per problem, errors and warnings counted, exit 3.
  const auto problemi = atteso.verifica(parametri);
  ASSERT_FALSE(problemi.empty());
  ASSERT_LT(problemi.size(), prima.size());
  std::string righe;
  std::size_t errori = 0;
  for (const auto& p : problemi) {
    righe += std::to_string(p.posizione) + '\t' + std::string(nome_codice(p.codice)) + '\t' +
             testo_problema(p) + '\n';
    errori += errore(p.codice);
  }
  const auto byte = leggi_file(da3("Valle_Andata"));
  u = esegui({"verifica", "--velocita", "120", si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 3);
  EXPECT_EQ(u.out, righe);
  EXPECT_EQ(u.err,
            si3("Valle_Andata") + ": " + testo_problemi(errori, problemi.size() - errori) + ".\n");
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), byte);

  // A line without problems gives 0; with several files each has its heading.
  scrivi_scenario_dritto(demo.percorso());
  const std::string dritto = (demo / "Piano_Dritto.si3").string();
  u = esegui({"verifica", dritto});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.out, "");
  EXPECT_TRUE(u.err.ends_with(dritto + ": nessun problema.\n")) << u.err;
  u = esegui({"verifica", "--velocita", "120", dritto, si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 3);
  EXPECT_EQ(u.out, "# " + dritto + "\n# " + si3("Valle_Andata") + '\n' + righe);
  // A scenario that cannot be loaded wins over the problems found.
  EXPECT_EQ(esegui({"verifica", si3("Valle_Andata"), (demo / "Nessuno_Qui.si3").string()}).codice,
            1);
}

TEST_F(Batch, ProgettaWithTheScenariosOwnProfile) {
  // The scenario's own profile is found without regard to case and named in
  // the summary; what is saved is what the core designs with it.
  const std::string profilo = "# velocità\r\n0;120;60\r\n3000 ; 90,5 ;\r\n";
  scrivi_testo(demo / "valle_andata.VELOCITA.csv", "\xef\xbb\xbf" + profilo);
  const auto letto = leggi_profilo(demo / "valle_andata.VELOCITA.csv");
  ASSERT_TRUE(std::holds_alternative<profilo_velocita>(letto)) << std::get<std::string>(letto);
  scenario_aperto atteso = apri("Valle_Andata");
  const auto esito = atteso.progetta(parametri_progetto{}, std::get<profilo_velocita>(letto));

  const auto u = esegui({"progetta", si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 0) << u.err;
  EXPECT_EQ(u.err, si3("Valle_Andata") +
                       ": velocità dal profilo valle_andata.VELOCITA.csv (2 tratti). " +
                       testo_esito_progetto(esito, ". ") + ". Salvato.\n");
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), atteso.store().tratti.codifica());

  // After the design the check finds no step, side, junction or straight problem.
  const auto v = esegui({"verifica", si3("Valle_Andata")});
  for (const char* codice :
       {"\tlato\t", "\tbivio\t", "\tmassimo\t", "\trettilineo\t", "\tpendenza\t", "\tvariazione\t"})
    EXPECT_EQ(v.out.find(codice), std::string::npos) << codice << v.out;
}

TEST_F(Batch, AWrongProfileChangesNothing) {
  const auto byte = leggi_file(da3("Valle_Andata"));
  scrivi_testo(demo / "Valle_Andata.velocita.csv", "0;120\n500;0\n");
  for (const std::vector<std::string>& argomenti :
       {std::vector<std::string>{"progetta", si3("Valle_Andata")},
        {"progetta", "--profilo", (demo / "manca.csv").string(), si3("Valle_Andata")},
        {"raccordi", si3("Valle_Ritorno"), si3("Valle_Andata")}}) {
    const auto u = esegui(argomenti);
    EXPECT_EQ(u.codice, 2) << argomenti[1];
    EXPECT_EQ(u.out, "");
    EXPECT_EQ(std::count(u.err.begin(), u.err.end(), '\n'), 1) << u.err;
  }
  EXPECT_NE(esegui({"progetta", si3("Valle_Andata")}).err.find("velocita.csv, riga 2"),
            std::string::npos);
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), byte);
}

TEST_F(Batch, RelazioneAndElencoCsv) {
  scenario_aperto aperto = apri("Valle_Andata");
  parametri_progetto p;
  p.velocita_massima = 120;
  aperto.progetta(p, {});
  const auto relazione = testo_csv_relazione(
      relazione_curve(aperto.store(), aperto.geometria(), p, profilo_velocita::costante(120, 0)));
  ASSERT_EQ(esegui({"progetta", "--velocita", "120", si3("Valle_Andata")}).codice, 0);

  auto u = esegui({"relazione", "--velocita", "120", si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 0) << u.err;
  EXPECT_EQ(u.out, relazione);
  EXPECT_TRUE(u.out.starts_with("inizio m;fine m;lato;raggio minimo m;")) << u.out;
  // One line per curve run, the same number of fields on every line.
  const auto campi = [](std::string_view riga) { return std::ranges::count(riga, ';'); };
  const std::string_view intestazione(u.out.data(), u.out.find('\n'));
  for (std::size_t inizio = 0; inizio < u.out.size();) {
    const std::size_t fine = u.out.find('\n', inizio);
    EXPECT_EQ(campi(std::string_view(u.out).substr(inizio, fine - inizio)), campi(intestazione));
    inizio = fine + 1;
  }

  u = esegui({"elenco", "--csv", si3("Valle_Andata")});
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.out, testo_csv_elenco(aperto.store(), aperto.geometria()));
  EXPECT_EQ(static_cast<std::size_t>(std::ranges::count(u.out, '\n')), aperto.quante_righe() + 1);
  EXPECT_EQ(esegui({"relazione", (demo / "Nessuno_Qui.si3").string()}).codice, 1);
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

// Another program writes the section file while the batch companion has it
// loaded: through the save unit's hook, right before its check.
TEST_F(Batch, TrattoMergesAnotherProgramsChangeOrRefusesAConflict) {
  const auto originale = leggi_file(da3("Valle_Andata"));
  ASSERT_EQ(esegui({"tratto", "--posizione", "1200", "--mm", "77", si3("Valle_Andata")}).codice, 0);
  const fs::path loro = uscite / "loro.da3";
  scrivi_file(loro, leggi_file(da3("Valle_Andata")));
  const std::string altro_programma =
      "SOPRA_PROVA_SCRITTURA_ESTERNA=" + tra_apici(loro.string()) + " ";
  const auto nomi = contenuto(demo.percorso());

  scrivi_file(da3("Valle_Andata"), originale);
  auto u =
      esegui({"tratto", "--posizione", "1500", "--mm", "33", si3("Valle_Andata")}, altro_programma);
  EXPECT_EQ(u.codice, 0);
  EXPECT_EQ(u.err, si3("Valle_Andata") +
                       ": Tratto a 1500 m: sopraelevazione 33 mm. Il file Valle_Andata.da3 era "
                       "stato modificato da un altro programma: le modifiche sono state unite (1 "
                       "tratto). Salvato.\n");
  const scenario_aperto unito = apri("Valle_Andata");
  EXPECT_EQ(millimetri_tratto(unito.store(), 24), 77);
  EXPECT_EQ(millimetri_tratto(unito.store(), 30), 33);
  EXPECT_EQ(contenuto(demo.percorso()), nomi);

  // The same section changed both ways: nothing written, exit 1.
  scrivi_file(da3("Valle_Andata"), originale);
  u = esegui({"tratto", "--posizione", "1200", "--mm", "33", si3("Valle_Andata")}, altro_programma);
  EXPECT_EQ(u.codice, 1);
  EXPECT_EQ(u.err,
            "Il file Valle_Andata.da3 è stato modificato da un altro programma negli stessi slot "
            "modificati qui: 1 tratto in conflitto. Posizioni in metri: 1200. Il file non è stato "
            "modificato.\n" +
                si3("Valle_Andata") + ": Tratto a 1200 m: sopraelevazione 33 mm. Non salvato.\n");
  EXPECT_EQ(leggi_file(da3("Valle_Andata")), leggi_file(loro));
  EXPECT_EQ(contenuto(demo.percorso()), nomi);
}

}  // namespace
}  // namespace sopra
