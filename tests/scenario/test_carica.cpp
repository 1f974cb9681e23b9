#include <gtest/gtest.h>
#ifndef _WIN32  // the faults made with process limits are POSIX only
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif

#include <cstring>
#include <random>

#include "analysis/caricamento.hpp"
#include "analysis/sopraelevazione.hpp"
#include "file_di_prova.hpp"
#include "generatore_demo.hpp"

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
  };
  for (const caso& c :
       {caso{500, true, 500, 151}, caso{10000500, false, 500, 151}, caso{10000001, false, 1, 141},
        caso{0, true, 0, 141}, caso{10000000, true, 10000000, 200141}}) {
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
    EXPECT_EQ(store.punti.size(), c.tratti);
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
  dettagli_caricamento dettagli;
  EXPECT_EQ(carica_scenario(s.cartella / "A_B_C.si3", store, &dettagli), "file linea non trovato");
  EXPECT_EQ(dettagli.file_linea_cercati,
            (std::vector<std::string>{"A_B_linea.da3", "A_linea.da3"}));
  EXPECT_EQ(dettagli.rimedio, "copiare il file linea A_B_linea.da3 nella cartella dello scenario");
  s.testata("A_B", 100);
  s.file("A_B.da3");
  EXPECT_EQ(carica_scenario(s.cartella / "A_B.si3", store, &dettagli), "file linea non trovato");
  EXPECT_EQ(dettagli.file_linea_cercati, std::vector<std::string>{"A_linea.da3"});
  // A load that gets past the line file leaves no names behind.
  s.file("A_linea.da3");
  EXPECT_EQ(carica_scenario(s.cartella / "A_B.si3", store, &dettagli), std::nullopt);
  EXPECT_TRUE(dettagli.file_linea_cercati.empty());
  EXPECT_TRUE(dettagli.rimedio.empty());
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
  {
    // A scenario of the same size loaded and closed before: its memory, full
    // of other bytes, may serve the next one, where the files say nothing.
    scenario_a_mano pieno;
    pieno.testata("Gamma_Pieno", 500);
    pieno.file("Gamma_Pieno.da3", std::vector<std::uint8_t>(156 * 151, 0xCD));
    pieno.file("Gamma_linea.da3", std::vector<std::uint8_t>(16 * 7501, 0xCD));
    scenario store;
    ASSERT_EQ(pieno.carica("Gamma_Pieno", store), std::nullopt);
    ASSERT_EQ(store.tratti[150].oggetti[1].tipo, 0xCD);
  }
  scenario_a_mano s;
  s.testata("Alfa_Beta", 500);  // sections 0 .. 150, points 0 .. 7500
  std::vector<std::uint8_t> tratti(156 + 10, 0xAB);
  s.file("Alfa_Beta.da3", tratti);
  std::vector<std::uint8_t> linea(16 * 52);
  for (std::size_t p = 0; p < 52; ++p)
    codifica_punto({double(p) + 0.5, -double(p)}, linea.data() + 16 * p);
  linea.resize(16 * 51 + 8);  // only x of point 51 is in the file
  s.file("Alfa_linea.da3", linea);
  scenario store;
  ASSERT_EQ(s.carica("Alfa_Beta", store), std::nullopt);
  EXPECT_EQ(store.tratti[0].oggetti[14].tipo, 0xAB);
  EXPECT_EQ(store.tratti[1].oggetti[0].tipo, 0xAB);
  EXPECT_EQ(store.tratti[1].oggetti[0].dato1, static_cast<std::int16_t>(0xABAB));
  EXPECT_EQ(store.tratti[1].oggetti[1].tipo, 0);
  EXPECT_EQ(store.tratti[150].oggetti[0].tipo, 0);
  const punti_tratto zero{};
  EXPECT_EQ(store.punti[0], (punti_tratto{{0, 0}, {0.5, 0}, {1.5, -1}}));
  EXPECT_EQ(store.punti[1], (punti_tratto{{49.5, -49}, {50.5, -50}, {51.5, 0}}));
  EXPECT_EQ(punto_tratto(store, 1).x, 50.5);
  EXPECT_EQ(store.punti[2], zero);
  EXPECT_EQ(store.punti[150], zero);
  // The digest is that of the records as they stand, zeros included, and
  // follows a record changed after loading.
  auto di_nuovo = elenco_tratti::decodifica(true, 151, tratti);
  EXPECT_EQ(store.tratti.impronta(), di_nuovo.impronta());
  store.tratti.apri(150).oggetti[2].dato3 = 1;
  di_nuovo.apri(150).oggetti[2].dato3 = 1;
  EXPECT_EQ(store.tratti.impronta(), di_nuovo.impronta());
}

// Files of many lengths, around the ends of the records and of the 1 MiB blocks
// they are read in: the sections and the points kept (also those halfway
// between sections) are those of the whole file read at once, and the digest
// that of the records.
TEST(Carica, LetturaABlocchiComeLetturaIntera) {
  std::mt19937 caso(11);
  const std::int32_t lunghezze[] = {0, 58536, 58537, 58540, 130000};
  scenario_a_mano s;
  for (const std::int32_t lunghezza : lunghezze) {
    const std::size_t ultimo_punto = static_cast<std::size_t>(lunghezza) + 7000;
    for (bool compatto : {true, false}) {
      if (!compatto && lunghezza == 0) continue;  // a stored 10000000 is compact
      const std::size_t n = static_cast<std::size_t>(ultimo_tratto(lunghezza)) + 1;
      const std::size_t record = byte_tratto(compatto);
      for (const long long scarto : {-1000000LL, -17LL, -1LL, 0LL, 1LL, 5000LL}) {
        SCOPED_TRACE(testing::Message()
                     << lunghezza << (compatto ? " compatto " : " esteso ") << scarto);
        auto byte_casuali = [&](long long quanti) {
          std::vector<std::uint8_t> byte(static_cast<std::size_t>(std::max(0LL, quanti)));
          for (auto& b : byte) b = static_cast<std::uint8_t>(caso());
          return byte;
        };
        const auto tratti = byte_casuali(static_cast<long long>(n * record) + scarto);
        const auto linea = byte_casuali(static_cast<long long>((ultimo_punto + 1) * 16) + scarto);
        s.testata("Alfa_Beta", compatto ? lunghezza : lunghezza + 10000000);
        s.file("Alfa_Beta.da3", tratti);
        s.file("Alfa_linea.da3", linea);
        scenario store;
        ASSERT_EQ(s.carica("Alfa_Beta", store), std::nullopt);

        const auto attesi = elenco_tratti::decodifica(compatto, n, tratti);
        EXPECT_TRUE(store.tratti == attesi);
        EXPECT_EQ(store.tratti.impronta(), attesi.impronta());
        // Point p of the whole file, (0, 0) before the first, past the end and past T.
        auto punto = [&](long long p) {
          std::uint8_t byte[16] = {};
          for (std::size_t k = 0; k < 16; ++k) {
            const auto i = static_cast<std::size_t>(p) * 16 + k;
            if (p >= 0 && static_cast<std::size_t>(p) <= ultimo_punto && i < linea.size())
              byte[k] = linea[i];
          }
          return decodifica_punto(byte);
        };
        ASSERT_EQ(store.punti.size(), n);
        ASSERT_EQ(store.punti_a_meta.size(), n);
        for (std::size_t t = 0; t < n; ++t) {
          const auto m = static_cast<long long>(t) * 50;
          // Compared as bytes: arbitrary bytes make NaNs too.
          const punti_tratto attesi_t{punto(m - 1), punto(m), punto(m + 1)};
          ASSERT_EQ(std::memcmp(&store.punti[t], &attesi_t, sizeof attesi_t), 0) << "tratto " << t;
          const punto_linea a_meta = punto(m + 25);
          ASSERT_EQ(std::memcmp(&store.punti_a_meta[t], &a_meta, sizeof a_meta), 0) << t;
        }
        EXPECT_EQ(store.punti_nel_file, std::min(ultimo_punto + 1, linea.size() / 16));
      }
    }
  }
}

// The warnings that loading gives, each at the edge where it starts.
TEST(Carica, AvvisiAiLoroLimiti) {
  scenario_a_mano s;
  s.testata("Alfa_Beta", 500);  // sections 0 .. 150, points 0 .. 7500
  auto avvisi = [&](std::vector<std::uint8_t> tratti, std::size_t byte_linea) {
    s.file("Alfa_Beta.da3", std::move(tratti));
    s.file("Alfa_linea.da3", std::vector<std::uint8_t>(byte_linea));
    scenario store;
    EXPECT_EQ(s.carica("Alfa_Beta", store), std::nullopt);
    return store.avvisi;
  };
  const std::vector<std::uint8_t> interi(151 * 156);
  const std::size_t linea = 7501 * 16;
  EXPECT_TRUE(avvisi(interi, linea).empty());
  EXPECT_TRUE(avvisi(std::vector<std::uint8_t>(152 * 156), linea + 1000).empty());

  auto unico = [](const std::vector<std::string>& dati, const std::string& frammento) {
    EXPECT_EQ(dati.size(), 1u);
    return !dati.empty() && dati[0].find(frammento) != std::string::npos;
  };
  auto con_un_byte = interi;
  con_un_byte.push_back(0);
  EXPECT_TRUE(unico(avvisi(con_un_byte, linea), "Alfa_Beta.da3 misura 23557 byte"));
  EXPECT_TRUE(unico(avvisi({interi.begin(), interi.end() - 156}, linea),
                    "Alfa_Beta.da3 contiene 150 tratti interi sui 151"));
  EXPECT_EQ(avvisi({interi.begin(), interi.end() - 1}, linea).size(), 2u);
  EXPECT_TRUE(unico(avvisi(interi, linea - 1), "Alfa_linea.da3 contiene 7500 punti sui 7501"));

  // Cant objects: 1155 hundredths show 300 mm, 1156 show 301; sides -1, 0, +1 only.
  ASSERT_EQ(rendimillimetri(1155), 300);
  ASSERT_EQ(rendimillimetri(1156), 301);
  auto con_oggetti = [&](std::vector<std::pair<std::size_t, oggetto>> posti) {
    elenco_tratti tratti(true, 151);
    for (const auto& [t, o] : posti) tratti.apri(t).oggetti[3] = o;
    return avvisi(tratti.codifica(), linea);
  };
  EXPECT_TRUE(
      con_oggetti(
          {{4, {129, 1155, 1}}, {5, {129, 1155, -1}}, {6, {129, 5000, 0}}, {7, {95, 5000, 7}}})
          .empty());
  EXPECT_TRUE(unico(con_oggetti({{9, {129, 1156, -1}}}), "1 oggetto sopraelevazione"));
  EXPECT_TRUE(unico(con_oggetti({{12, {129, 10, 2}}, {8, {129, 1, -2}}, {140, {129, 1156, 1}}}),
                    "3 oggetti sopraelevazione oltre ±300 mm o con un lato diverso da -1, 0 e "
                    "+1, il primo nel tratto a 400 m"));
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
    // The file is named once, not once by the caller and again in the message.
    const auto dove = errore->find(frammento);
    EXPECT_NE(dove, std::string::npos) << *errore;
    EXPECT_EQ(errore->find(frammento, dove + 1), std::string::npos) << *errore;
    EXPECT_EQ(store.testata.lunghezza_linea, 1234);  // the store is left as it was
    EXPECT_EQ(contenuto(s.cartella.percorso()), prima);
  };
  s.file("Alfa_linea.da3");

  atteso_errore("Alfa_Manca", "Alfa_Manca.si3");  // no header
  std::filesystem::create_directory(s.cartella / "Alfa_Cartella.si3");
  atteso_errore("Alfa_Cartella", "Alfa_Cartella.si3 è una cartella");

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
  atteso_errore("Linea", "Linea.si3");
  atteso_errore("Linea", "la forma LINEA_NOME.si3");
}

TEST(Carica, CartellaDelMessaggioPerIntero) {
  // A scenario named without a folder is looked for in the working folder, and
  // the message says which folder that is rather than ".".
  scenario store;
  const auto errore = carica_scenario("Nessuna_Linea_Qui.si3", store);
  ASSERT_TRUE(errore);
  EXPECT_NE(errore->find("nella cartella " + std::filesystem::current_path().string() + ":"),
            std::string::npos)
      << *errore;
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
  s.testata("Alfa_Beta", 20000000);  // 200,141 extended sections: 124 MB in memory
  s.file("Alfa_Beta.da3");
  s.file("Alfa_linea.da3");
  // Loaded in a child whose address space is too small for the sections.
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

// Loading keeps the mapping of a scenario that went for the next one when it
// is large enough: a short, a long and again a short line loaded in one
// process each get a region whose every byte is mapped, and load as written.
TEST(Carica, RegioneRiusaSoloUnaMappaAbbastanzaGrande) {
#ifndef __linux__
  GTEST_SKIP() << "the regions of other systems have no room of their own";
#else
  cartella_temporanea cartella;
  for (const std::int32_t metri : {10000, 1000000, 10000}) {
    SCOPED_TRACE(metri);
    scrivi_scenario_demo(cartella.percorso(), "Demo_A", "Demo", {metri, true, 1});
    scenario store;
    ASSERT_EQ(carica_scenario(cartella / "Demo_A.si3", store), std::nullopt);
    EXPECT_EQ(store.tratti.codifica(), leggi_file(cartella / "Demo_A.da3"));
    // The room the region has left, found by halving, is mapped to its end.
    const auto regione = store.allocatore_costruiti_dopo<std::uint8_t>().regione;
    ASSERT_NE(regione, nullptr);
    std::size_t resto = 0;
    for (std::size_t passo = std::size_t{1} << 40; passo > 0; passo /= 2) {
      if (void* p = regione->prendi(resto + passo, 4096)) {
        regione->rendi(p);
        resto += passo;
      }
    }
    ASSERT_GT(resto, std::size_t{0});
    auto* inizio = static_cast<std::uint8_t*>(regione->prendi(resto, 4096));
    ASSERT_NE(inizio, nullptr);
    EXPECT_EQ(::msync(inizio, resto, MS_ASYNC), 0) << std::strerror(errno);
    regione->rendi(inizio);
  }
#endif
}

}  // namespace
}  // namespace sopra
