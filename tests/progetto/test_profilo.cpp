// The speed profile: what Windows tools write reads, each fault names its file
// and line, the written text reads back, and a row finds its stretch.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <tuple>

#include "file_di_prova.hpp"
#include "progetto/profilo.hpp"

namespace sopra {
namespace {

constexpr std::string_view nome = "Valle_Andata.velocita.csv";

// The profile `testo` holds; a failure with the message when it holds none.
profilo_velocita letto(std::string_view testo) {
  auto esito = leggi_profilo_testo(testo, nome);
  if (auto* messaggio = std::get_if<std::string>(&esito)) {
    ADD_FAILURE() << *messaggio;
    return {};
  }
  return std::get<profilo_velocita>(esito);
}

// The message for `testo`, or "" when it reads.
std::string errore(std::string_view testo) {
  const auto esito = leggi_profilo_testo(testo, nome);
  const auto* messaggio = std::get_if<std::string>(&esito);
  return messaggio ? *messaggio : "";
}

TEST(Profilo, ReadsWhatWindowsToolsWrite) {
  const profilo_velocita p = letto(
      "\xEF\xBB\xBF# tratti della valle\r\n"
      "0;120\r\n"
      "\r\n"
      "  \t\r\n"
      " 1500 ;\t 95,5 ; 60 \r\n"
      "\t# velocità più bassa in galleria\r\n"
      "2000;80;\r\n"
      "3000;100.25;0\r\n"
      "4000;100;0,0");
  EXPECT_EQ(p,
            profilo_velocita(
                {{0, 120, 0}, {1500, 95.5, 60}, {2000, 80, 0}, {3000, 100.25, 0}, {4000, 100, 0}}));
}

TEST(Profilo, EachFaultNamesTheFileAndTheLine) {
  const std::string prima = "Il profilo di velocità Valle_Andata.velocita.csv, riga ";
  for (const auto& [testo, atteso] : std::initializer_list<std::tuple<std::string, std::string>>{
           {"0;100\n# nota\n1500;90\n1200;80\n",
            "4: la posizione 1200 non è maggiore della precedente (1500)."},
           {"0;100\n1500;90\n1500;80\n",
            "3: la posizione 1500 non è maggiore della precedente (1500)."},
           {"100;100\n", "1: la prima posizione è 100, ma il profilo comincia da 0."},
           {"0;100\nmille;90\n", "2: la posizione \"mille\" non è un numero."},
           {"0;100\n-50;90\n", "2: la posizione -50 è negativa."},
           {"0;100\n12.5;90\n", "2: la posizione 12.5 non è un numero intero di metri."},
           {"0;100\n1e3;90\n", "2: la posizione \"1e3\" non è un numero."},
           {"0;100\n" + std::string(20, '9') + ";90\n",
            "2: la posizione 99999999999999999999 è troppo grande."},
           {";100\n", "1: manca la posizione."},
           {"0\n", "1: manca la velocità massima."},
           {"0;veloce\n", "1: la velocità massima \"veloce\" non è un numero."},
           {"0;0\n", "1: la velocità massima 0 non è maggiore di 0 km/h."},
           {"0;-10\n", "1: la velocità massima -10 non è maggiore di 0 km/h."},
           {"0;1000,5\n", "1: la velocità massima 1000,5 supera 1000 km/h."},
           {"0;100;lenta\n", "1: la velocità minima \"lenta\" non è un numero."},
           {"0;100;-5\n", "1: la velocità minima -5 è negativa."},
           {"0;100;100.5\n", "1: la velocità minima 100.5 supera la massima (100)."},
           {"0;100;50;20\n", "1: troppi campi (4): una riga è POSIZIONE;V oppure POSIZIONE;V;v."},
           {"0;100\n1000;9\xC3\n",
            "2: il testo non è UTF-8 valido: salvare il file con la codifica UTF-8."},
       }) {
    EXPECT_EQ(errore(testo), prima + atteso) << testo;
  }
  // A comment in another code page hurts nothing; 1000 km/h itself is a speed.
  EXPECT_EQ(errore("# velocit\xE0\n0;1000;1000\n"), "");
  for (const std::string_view vuoto : {"", "\xEF\xBB\xBF", "# solo note\r\n\r\n  \n"}) {
    EXPECT_EQ(errore(vuoto),
              "Il profilo di velocità Valle_Andata.velocita.csv non ha nessun tratto: scrivere "
              "almeno una riga POSIZIONE;V oppure POSIZIONE;V;v, la prima alla posizione 0.");
  }
}

TEST(Profilo, TheWrittenTextReadsBack) {
  std::mt19937 caso(7);
  std::uniform_real_distribution<double> velocita(0, 1000);
  std::uniform_int_distribution<std::int64_t> passo(1, 5000);
  for (int prova = 0; prova < 200; ++prova) {
    std::vector<tratto_velocita> tratti;
    for (std::int64_t metri = 0; tratti.size() < 1 + static_cast<std::size_t>(prova % 7);
         metri += passo(caso)) {
      const double v_max = prova == 0 ? 1000 : std::max(velocita(caso), 1e-7);
      const double v_min =
          prova % 3 == 0 ? 0 : std::uniform_real_distribution<double>(0, v_max)(caso);
      tratti.push_back({metri, v_max, v_min});
    }
    const profilo_velocita p(tratti);
    const std::string testo = testo_profilo(p);
    ASSERT_TRUE(testo.starts_with('#'));
    ASSERT_EQ(letto(testo), p) << testo;
  }
  EXPECT_EQ(
      testo_profilo(profilo_velocita::costante(120, 0.1 + 0.2)),
      "# posizione m;velocità massima km/h;velocità minima km/h\n0;120;0.30000000000000004\n");
}

// The stretch that holds `metri`: the last that starts at or before it (the
// first for a position before 0), looked up on its own.
const tratto_velocita& a_metri(const profilo_velocita& p, std::int64_t metri) {
  const auto tratti = p.tratti();
  const auto dopo =
      std::upper_bound(tratti.begin(), tratti.end(), metri,
                       [](std::int64_t m, const tratto_velocita& t) { return m < t.da_metri; });
  return dopo == tratti.begin() ? *dopo : *std::prev(dopo);
}

TEST(Profilo, ARowFindsTheStretchThatHoldsItsStart) {
  const profilo_velocita p = letto("0;160\n120;100;40\n150;80\n10000;60\n");
  EXPECT_EQ(a_metri(p, 119).velocita_massima, 160);
  EXPECT_EQ(a_metri(p, 120).velocita_minima, 40);
  EXPECT_EQ(a_metri(p, 149).velocita_massima, 100);
  EXPECT_EQ(a_metri(p, 150).velocita_massima, 80);
  EXPECT_EQ(a_metri(p, 9999).velocita_massima, 80);
  EXPECT_EQ(a_metri(p, 10000).velocita_massima, 60);
  // Rows start at 100, 150, 200, ...: the pass along the rows agrees with a_metri.
  const std::vector<std::uint32_t> righe = p.tratti_delle_righe(400);
  ASSERT_EQ(righe.size(), 400u);
  for (std::size_t r = 0; r < righe.size(); ++r)
    ASSERT_EQ(&p.tratti()[righe[r]], &a_metri(p, posizione_tratto(tratto_della_riga(r)))) << r;
  EXPECT_EQ(righe[0], 0u);  // 100 m
  EXPECT_EQ(righe[1], 2u);  // 150 m: the 120 m stretch holds no row's start
}

TEST(Profilo, TheScenarioFileIsFoundAndRead) {
  prova::cartella_temporanea cartella;
  const auto file_testata = cartella / "Valle_Andata.si3";
  EXPECT_FALSE(trova_profilo(file_testata));
  const auto file = cartella / "valle_andata.VELOCITA.csv";
  std::ofstream(file) << "0;120\n1200;x\n";
  const auto trovato = trova_profilo(file_testata);
  ASSERT_TRUE(trovato);
  EXPECT_EQ(trovato->filename(), file.filename());
  const auto esito = leggi_profilo(*trovato);
  ASSERT_TRUE(std::holds_alternative<std::string>(esito));
  EXPECT_EQ(std::get<std::string>(esito),
            "Il profilo di velocità valle_andata.VELOCITA.csv, riga 2: la velocità massima \"x\" "
            "non è un numero.");

  EXPECT_EQ(std::get<std::string>(leggi_profilo(cartella / "Altro.velocita.csv")),
            "Impossibile leggere il profilo di velocità Altro.velocita.csv: file o cartella "
            "inesistente.");
  std::filesystem::resize_file(file, byte_massimi_profilo + 1);  // sparse: cheap
  EXPECT_EQ(std::get<std::string>(leggi_profilo(file)),
            "Il profilo di velocità valle_andata.VELOCITA.csv è troppo grande (più di 16 MiB): "
            "non è un profilo di velocità, controllare il file.");
  std::filesystem::resize_file(file, 6);
  EXPECT_EQ(std::get<profilo_velocita>(leggi_profilo(file)), profilo_velocita::costante(120, 0));
}

}  // namespace
}  // namespace sopra
