#include <gtest/gtest.h>
#ifndef _WIN32  // the faults made with process limits are POSIX only
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "file_di_prova.hpp"
#include "generatore_demo.hpp"
#include "scenario/file_scenario.hpp"

namespace sopra {
namespace {

using prova::cartella_temporanea;
using prova::contenuto;
using prova::leggi_file;
using prova::scrivi_file;
using prova::testata_vuota;

TEST(UltimoTratto, ArrotondatoAlPariNeiCasiAMeta) {
  EXPECT_EQ(ultimo_tratto(25), 140);  // 7025 / 50 = 140.5
  EXPECT_EQ(ultimo_tratto(75), 142);  // 7075 / 50 = 141.5
  EXPECT_EQ(ultimo_tratto(0), 140);
  EXPECT_EQ(ultimo_tratto(26), 141);
  EXPECT_EQ(ultimo_tratto(500), 150);
  EXPECT_EQ(ultimo_tratto(10000000), 200140);
}

// A small scenario folder written by hand: header, optional sections and line.
struct scenario_a_mano {
  cartella_temporanea cartella;

  void testata(const std::string& nome, std::int32_t memorizzata) {
    scrivi_file(cartella / (nome + ".si3"), testata_vuota(memorizzata));
  }
  void file(const std::string& nome, std::vector<std::uint8_t> byte = {}) {
    scrivi_file(cartella / nome, byte);
  }
  std::optional<std::string> carica(const std::string& nome, scenario& store) {
    return carica_scenario(cartella / (nome + ".si3"), store);
  }
};

TEST(Carica, MarcatoreDelFormato) {
  struct caso {
    std::int32_t memorizzata;
    bool compatto;
    std::int32_t lunghezza;
    std::size_t tratti;
    std::size_t punti;
  };
  for (const caso& c : {caso{500, true, 500, 151, 7501}, caso{10000500, false, 500, 151, 7501},
                        caso{10000001, false, 1, 141, 7002}, caso{0, true, 0, 141, 7001},
                        caso{10000000, true, 10000000, 200141, 10007001}}) {
    SCOPED_TRACE(c.memorizzata);
    scenario_a_mano s;
    s.testata("Alfa_Beta", c.memorizzata);
    s.file("Alfa_Beta.da3");
    s.file("Alfa_linea.da3");
    scenario store;
    ASSERT_EQ(s.carica("Alfa_Beta", store), std::nullopt);
    EXPECT_EQ(store.formato_compatto, c.compatto);
    EXPECT_EQ(store.tratti.size(), c.tratti);
    EXPECT_EQ(store.tratti.slot_per_tratto(), c.compatto ? 15u : 51u);
    EXPECT_EQ(store.punti_linea.size(), c.punti);
    EXPECT_EQ(store.testata.lunghezza_linea, c.lunghezza);
  }
}

TEST(Carica, PrefissoDellaLinea) {
  struct caso {
    std::string scenario;
    std::vector<std::string> linee;  // line files present
    std::string attesa;              // line file chosen, or "" for an error
  };
  const caso casi[] = {
      {"Alfa_Beta", {"Alfa_linea.da3"}, "Alfa_linea.da3"},
      {"A_B_C", {"A_B_linea.da3", "A_linea.da3"}, "A_B_linea.da3"},
      {"A_B_C", {"A_linea.da3"}, "A_linea.da3"},
      {"A_B_C", {}, ""},
      {"A_B", {"B_linea.da3"}, ""},  // no second prefix to fall back on
      {"Linea", {"Linea_linea.da3"}, ""},
      {"_x", {"_linea.da3"}, ""},
      {"a.b_c",
       {"a.b_linea.da3", "a_linea.da3"},
       ""},  // underscores after the first dot never count
      {"Val_le_Alta", {"Val_le_linea.da3"}, "Val_le_linea.da3"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.scenario);
    scenario_a_mano s;
    s.testata(c.scenario, 100);
    s.file(c.scenario + ".da3");
    for (const auto& linea : c.linee) s.file(linea);
    const auto prima = contenuto(s.cartella.percorso());
    scenario store;
    const auto errore = s.carica(c.scenario, store);
    if (c.attesa.empty()) {
      ASSERT_TRUE(errore);
      EXPECT_FALSE(errore->empty());
    } else {
      ASSERT_EQ(errore, std::nullopt);
      EXPECT_EQ(store.file_linea.filename(), c.attesa);
    }
    EXPECT_EQ(contenuto(s.cartella.percorso()), prima);  // nothing created
  }
}

TEST(Carica, FileLineaMancanteConMessaggioEsatto) {
  scenario_a_mano s;
  s.testata("A_B_C", 100);
  s.file("A_B_C.da3");
  scenario store;
  EXPECT_EQ(s.carica("A_B_C", store), "file linea non trovato");
  s.testata("A_B", 100);
  s.file("A_B.da3");
  EXPECT_EQ(s.carica("A_B", store), "file linea non trovato");
}

TEST(Carica, NomiSenzaDistinzioneTraMaiuscoleEMinuscole) {
  scenario_a_mano s;
  s.testata("Alfa_Beta", 100);
  s.file("ALFA_BETA.DA3", std::vector<std::uint8_t>(156, 7));
  s.file("alfa_LINEA.da3");
  scenario store;
  ASSERT_EQ(s.carica("Alfa_Beta", store), std::nullopt);
  EXPECT_EQ(store.file_tratti.filename(), "ALFA_BETA.DA3");
  EXPECT_EQ(store.tratti[0].oggetti[0].tipo, 7);

#ifndef _WIN32  // Windows keeps no two names that differ only in case
  // The exact spelling wins over another that differs only in case.
  s.file("Alfa_Beta.da3", std::vector<std::uint8_t>(156, 9));
  ASSERT_EQ(s.carica("Alfa_Beta", store), std::nullopt);
  EXPECT_EQ(store.file_tratti.filename(), "Alfa_Beta.da3");
  EXPECT_EQ(store.tratti[0].oggetti[0].tipo, 9);
#endif
}

TEST(Carica, FileCortiSiLeggonoComeZeri) {
  scenario_a_mano s;
  s.testata("Alfa_Beta", 500);  // sections 0 .. 150, points 0 .. 7500
  std::vector<std::uint8_t> tratti(156 + 10, 0xAB);
  s.file("Alfa_Beta.da3", tratti);
  std::vector<std::uint8_t> linea(16 * 3);
  codifica_punto({3.5, -4.5}, linea.data());
  codifica_punto({7.25, 1.0}, linea.data() + 16);
  codifica_punto({9.0, 5.0}, linea.data() + 32);
  linea.resize(16 * 2 + 8);  // only x of point 2 is in the file
  s.file("Alfa_linea.da3", linea);
  scenario store;
  ASSERT_EQ(s.carica("Alfa_Beta", store), std::nullopt);
  EXPECT_EQ(store.tratti[0].oggetti[14].tipo, 0xAB);
  EXPECT_EQ(store.tratti[1].oggetti[0].tipo, 0xAB);
  EXPECT_EQ(store.tratti[1].oggetti[0].dato1, static_cast<std::int16_t>(0xABAB));
  EXPECT_EQ(store.tratti[1].oggetti[1].tipo, 0);
  EXPECT_EQ(store.tratti[150].oggetti[0].tipo, 0);
  EXPECT_EQ(store.punti_linea[1].x, 7.25);
  EXPECT_EQ(store.punti_linea[2].x, 9.0);
  EXPECT_EQ(store.punti_linea[2].y, 0.0);
  EXPECT_EQ(store.punti_linea[7500].x, 0.0);
}

TEST(Carica, ErroriInItalianoSenzaCreareFile) {
  scenario_a_mano s;
  auto atteso_errore = [&](const std::string& nome, const std::string& frammento) {
    SCOPED_TRACE(nome);
    const auto prima = contenuto(s.cartella.percorso());
    scenario store;
    store.testata.lunghezza_linea = 1234;
    const auto errore = s.carica(nome, store);
    ASSERT_TRUE(errore);
    EXPECT_NE(errore->find(frammento), std::string::npos) << *errore;
    EXPECT_EQ(store.testata.lunghezza_linea, 1234);  // the store is left as it was
    EXPECT_EQ(contenuto(s.cartella.percorso()), prima);
  };
  s.file("Alfa_linea.da3");

  atteso_errore("Alfa_Manca", "Alfa_Manca.si3");  // no header

  s.testata("Alfa_Tratti", 100);
  atteso_errore("Alfa_Tratti", "Alfa_Tratti.da3");  // no section file

  auto corta = testata_vuota(100);
  corta.resize(26837 + 2);
  s.file("Alfa_Corta.si3", corta);
  s.file("Alfa_Corta.da3");
  atteso_errore("Alfa_Corta", "Alfa_Corta.si3");

  s.testata("Alfa_Negativa", -1);
  s.file("Alfa_Negativa.da3");
  atteso_errore("Alfa_Negativa", "Alfa_Negativa.si3");

  s.testata("Alfa_Lunga", 20000001);  // extended, 10000001 m
  s.file("Alfa_Lunga.da3");
  atteso_errore("Alfa_Lunga", "Alfa_Lunga.si3");

  s.testata("Linea", 100);
  s.file("Linea.da3");
  atteso_errore("Linea", "Linea");
}

// A header record with every string as long as its count allows: the longest
// header there can be, followed by more bytes that are not part of it.
std::vector<std::uint8_t> testata_massima(std::int32_t memorizzata) {
  std::vector<std::uint8_t> byte;
  byte.reserve(byte_massimi_testata + 1000);
  auto campi = [&](std::size_t n) { byte.insert(byte.end(), n, 0x5A); };
  auto stringa = [&] {
    byte.push_back(0xFF);
    byte.push_back(0xFF);
    byte.insert(byte.end(), 65535, 'x');
  };
  for (int i = 0; i < 300; ++i) {
    campi(14);
    stringa();
    campi(61);
  }
  for (int i = 0; i < 300; ++i) stringa();
  campi(360 + 270);
  stringa();
  for (int i = 0; i < 44; ++i) stringa();
  campi(5 + 2400 + 8);
  stringa();
  stringa();
  for (int i = 0; i < 4; ++i) byte.push_back(static_cast<std::uint8_t>(memorizzata >> (8 * i)));
  campi(17 + 9 + 2195);
  for (int i = 0; i < 100; ++i) stringa();
  byte.insert(byte.end(), 1000, 0xEE);
  return byte;
}

TEST(Carica, TestataPiuLungaPossibile) {
  scenario_a_mano s;
  s.file("Alfa_Beta.si3", testata_massima(500));
  s.file("Alfa_Beta.da3");
  s.file("Alfa_linea.da3");
  scenario store;
  ASSERT_EQ(s.carica("Alfa_Beta", store), std::nullopt);
  EXPECT_EQ(store.testata.posizione_lunghezza, 25543u + 647u * 65537);
  EXPECT_EQ(store.testata.lunghezza_linea, 500);
  // Only as much of the file as a header record can hold is read.
  EXPECT_EQ(store.testata.byte.size(), byte_massimi_testata);
}

TEST(Carica, MemoriaInsufficienteDiventaUnMessaggio) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#elif defined(_WIN32)
  GTEST_SKIP() << "no address space limit (RLIMIT_AS) for one process on Windows";
#else
  scenario_a_mano s;
  s.testata("Alfa_Beta", 10000000);  // 10,007,001 line points: 160 MB
  s.file("Alfa_Beta.da3");
  s.file("Alfa_linea.da3");
  // Loaded in a child whose address space is too small for the line.
  const pid_t figlio = ::fork();
  if (figlio == 0) {
    const rlimit limite{120u << 20, 120u << 20};
    ::setrlimit(RLIMIT_AS, &limite);
    scenario store;
    const auto errore = s.carica("Alfa_Beta", store);
    ::_exit(errore && errore->starts_with("Memoria insufficiente") ? 0 : 1);
  }
  int stato = 0;
  ASSERT_EQ(::waitpid(figlio, &stato, 0), figlio);
  EXPECT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) == 0);
#endif
}

TEST(Carica, NonScriveMaiIFile) {
  cartella_temporanea cartella;
  scrivi_scenario_demo(cartella.percorso(), "Valle_Andata", "Valle", {3000, true, 5});
  const auto nomi = contenuto(cartella.percorso());
  std::vector<std::filesystem::file_time_type> tempi;
  for (const auto& nome : nomi) tempi.push_back(std::filesystem::last_write_time(cartella / nome));
  std::filesystem::permissions(cartella / "Valle_Andata.da3", std::filesystem::perms::owner_read);

  scenario store;
  ASSERT_EQ(carica_scenario(cartella / "Valle_Andata.si3", store), std::nullopt);
  EXPECT_EQ(contenuto(cartella.percorso()), nomi);
  for (std::size_t i = 0; i < nomi.size(); ++i) {
    EXPECT_EQ(std::filesystem::last_write_time(cartella / nomi[i]), tempi[i]) << nomi[i];
  }
  EXPECT_EQ(store.tratti.codifica(), leggi_file(cartella / "Valle_Andata.da3"));
}

}  // namespace
}  // namespace sopra
