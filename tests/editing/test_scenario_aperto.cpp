#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "editing/elenco.hpp"
#include "editing/righe_di_prova.hpp"
#include "editing/scenario_aperto.hpp"
#include "editing/scenario_di_prova.hpp"
#include "file_di_prova.hpp"
#include "progetto/linee_di_prova.hpp"
#include "scenario/file_scenario.hpp"
#include "scenario/parallelo.hpp"

namespace sopra {
namespace {

using namespace prova;

constexpr std::size_t riga_24 = 22;  // the row of section 24, a left-hand bend of 250 m

// 60 sections: section 24 bends left (250 m, cant 5 mm), section 30 bends right
// (1000 m), section 40 left (200 m), the rest is straight.
scenario scenario_base() {
  scenario s = scenario_rettilineo(60);
  metti_curva(s, 24, 250);
  metti_sopraelevazione(s, 24, 5);
  metti_curva(s, 30, -1000);
  metti_curva(s, 40, 200);
  return s;
}

std::string_view campo(std::string_view riga) {
  return riga.substr(inizio_sopraelevazione(riga));
}

// Every section and row other than those of row `riga` is as in `prima`.
void resto_invariato(const scenario_aperto& prima, const scenario_aperto& dopo, std::size_t riga) {
  for (std::size_t r = 0; r < prima.righe().size(); ++r) {
    if (r != riga) {
      EXPECT_EQ(prima.righe()[r], dopo.righe()[r]) << "row " << r;
    }
  }
  for (std::size_t t = 0; t < prima.store().tratti.size(); ++t) {
    const auto a = prima.store().tratti[t].oggetti, b = dopo.store().tratti[t].oggetti;
    if (t != riga + primo_tratto_elencato) {
      EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin())) << "section " << t;
    }
  }
}

TEST(Seleziona, ShowsPositionAndCantWithoutChangingAnything) {
  scenario s = scenario_base();
  slot(s, 3)[0] = {tipo_sopraelevazione, 40, 1, 0, 0, 0};  // shown as 10 mm, not re-encoded
  metti_sopraelevazione(s, 30, -12);
  scenario_aperto aperto(std::move(s));
  const elenco_tratti prima = aperto.store().tratti;

  EXPECT_EQ(aperto.righe()[riga_24], "1200\tcurva SX raggio 250\t\t5");
  const auto sel = aperto.seleziona(riga_24);
  EXPECT_EQ(sel.posizione, "1200");
  EXPECT_EQ(sel.sopraelevazione, "5");
  EXPECT_EQ(aperto.seleziona(28).sopraelevazione, "-12");
  EXPECT_EQ(aperto.seleziona(1).sopraelevazione, "10");
  EXPECT_EQ(aperto.seleziona(0).sopraelevazione, "0");  // no cant object: none created

  EXPECT_TRUE(aperto.store().tratti == prima);
  EXPECT_FALSE(aperto.modificato());
}

TEST(ModificaTratto, WorkedValues) {
  struct caso {
    std::string_view digitato, nella_casella, nella_riga;
    std::int16_t dato1, dato2;
  };
  for (const caso& c : std::initializer_list<caso>{{"45", "45", "45", 171, 1},
                                                   {"-45", "-45", "-45", 171, -1},
                                                   {"160", "160", "160", 612, 1},
                                                   {"200", "200", "200", 766, 1},
                                                   {"500", "300", "300", 1153, 1},
                                                   {"300.4", "300", "300", 1153, 1},
                                                   {"300", "300", "300", 1153, 1},
                                                   {"-400", "-300", "-300", 1153, -1},
                                                   {"", "0", "0", 0, 0},
                                                   {"  ", "0", "0", 0, 0},
                                                   {"abc", "abc", "abc", 0, 0},
                                                   {"12abc", "12abc", "12abc", 45, 1},
                                                   {"0.2", "0.2", "0.2", 0, 1},
                                                   {"1e400", "300", "300", 1153, 1}}) {
    SCOPED_TRACE(c.digitato);
    const scenario_aperto prima(scenario_base());
    scenario_aperto aperto = prima;
    const auto esito = aperto.modifica_tratto(riga_24, c.digitato);
    EXPECT_EQ(esito.testo, c.nella_casella);
    EXPECT_FALSE(esito.senza_slot);
    EXPECT_EQ(aperto.righe()[riga_24], "1200\tcurva SX raggio 250\t\t" + std::string(c.nella_riga));
    const oggetto& o = aperto.store().tratti[24].oggetti[0];
    EXPECT_EQ(o.tipo, tipo_sopraelevazione);
    EXPECT_EQ(o.dato1, c.dato1);
    EXPECT_EQ(o.dato2, c.dato2);
    resto_invariato(prima, aperto, riga_24);
    EXPECT_TRUE(aperto.modificato());
  }
}

TEST(ModificaTratto, TypingANegativeValueKeyByKey) {
  scenario_aperto aperto(scenario_base());
  auto slot_0 = [&] { return aperto.store().tratti[24].oggetti[0]; };

  EXPECT_EQ(aperto.modifica_tratto(riga_24, "-").testo, "-");
  EXPECT_EQ(campo(aperto.righe()[riga_24]), "-");
  EXPECT_EQ(slot_0(), (oggetto{tipo_sopraelevazione, 0, 0, 0, 0, 0}));

  EXPECT_EQ(aperto.modifica_tratto(riga_24, "-5").testo, "-5");
  EXPECT_EQ(campo(aperto.righe()[riga_24]), "-5");
  EXPECT_EQ(slot_0(), (oggetto{tipo_sopraelevazione, 19, -1, 0, 0, 0}));
  EXPECT_EQ(aperto.seleziona(riga_24).sopraelevazione, "-5");
}

TEST(ModificaTratto, WritesTheFirstSlotThatIsEmptyOrHoldsCant) {
  scenario s = scenario_base();
  slot(s, 24)[0] = {7, 1, 1, 1, 1, 1};
  slot(s, 24)[1] = {7, 1, 1, 1, 1, 1};
  slot(s, 24)[5] = {tipo_sopraelevazione, 100, 1, 11, 12, 13};
  slot(s, 30)[0] = {7, 1, 1, 1, 1, 1};
  slot(s, 30)[1] = {tipo_sopraelevazione, 100, 1, 11, 12, 13};
  scenario_aperto aperto(std::move(s));

  aperto.modifica_tratto(riga_24, "10");
  EXPECT_EQ(aperto.store().tratti[24].oggetti[2], (oggetto{tipo_sopraelevazione, 38, 1, 0, 0, 0}));
  EXPECT_EQ(aperto.store().tratti[24].oggetti[5],
            (oggetto{tipo_sopraelevazione, 100, 1, 11, 12, 13}));

  aperto.modifica_tratto(28, "-10");  // keeps dato3 .. dato5 of the cant object it rewrites
  EXPECT_EQ(aperto.store().tratti[30].oggetti[1],
            (oggetto{tipo_sopraelevazione, 38, -1, 11, 12, 13}));
}

TEST(ModificaTratto, SectionWithoutAFreeSlotChangesNothing) {
  scenario s = scenario_base();
  riempi(s, 24);
  const scenario_aperto prima(std::move(s));
  scenario_aperto aperto = prima;

  const auto esito = aperto.modifica_tratto(riga_24, "500");
  EXPECT_TRUE(esito.senza_slot);
  EXPECT_EQ(esito.testo, "300");
  EXPECT_EQ(aperto.righe(), prima.righe());
  EXPECT_FALSE(aperto.modificato());
}

TEST(ModificaTratto, RowKeepsItsFields) {
  scenario_aperto aperto(scenario_base());
  const auto esito = aperto.modifica_tratto(riga_24, "1\t2\n\r");
  EXPECT_EQ(esito.testo, "1\t2\n\r");
  EXPECT_EQ(aperto.righe()[riga_24], "1200\tcurva SX raggio 250\t\t1 2  ");
  EXPECT_EQ(aperto.store().tratti[24].oggetti[0].dato1, 45);  // 12 mm

  // Not a listed row: nothing to edit, and the text stays as typed.
  const scenario_aperto prima = aperto;
  EXPECT_EQ(aperto.modifica_tratto(aperto.righe().size(), "500").testo, "500");
  EXPECT_EQ(aperto.righe(), prima.righe());
  EXPECT_TRUE(aperto.store().tratti == prima.store().tratti);
}

TEST(NormalizzaClasse, NegativeValuesBecomeTheirMagnitude) {
  EXPECT_EQ(normalizza_classe("-70"), "70");
  EXPECT_EQ(normalizza_classe("-2.5"), "2.5");
  EXPECT_EQ(normalizza_classe("- 7 0"), "70");
  EXPECT_EQ(normalizza_classe("-5a"), "5");
  EXPECT_EQ(normalizza_classe("-"), "-");
  EXPECT_EQ(normalizza_classe("70"), "70");
  EXPECT_EQ(normalizza_classe("150xy"), "150xy");
  EXPECT_EQ(normalizza_classe("-0"), "-0");
}

// Section 24 left 250 m (class 6), 30 right 1000 m (class 3), 40 left 200 m (class 7).
std::array<std::string, numero_classi> testi_iniziali() {
  std::array<std::string, numero_classi> testi;
  std::ranges::copy(testi_classi_iniziali, testi.begin());
  return testi;
}

TEST(ApplicaClassi, InitialBoxesOnBothSides) {
  scenario s = scenario_base();
  metti_curva(s, 31, -200);
  scenario_aperto aperto(std::move(s));
  const auto esito = aperto.applica_classi(testi_iniziali());

  EXPECT_EQ(esito.testi, testi_iniziali());
  EXPECT_EQ(aperto.righe()[28], "1500\tcurva DX raggio 1000\t\t-70");
  EXPECT_EQ(aperto.store().tratti[30].oggetti[0],
            (oggetto{tipo_sopraelevazione, 267, -1, 0, 0, 0}));
  EXPECT_EQ(aperto.righe()[38], "2000\tcurva SX raggio 200\t\t100");
  EXPECT_EQ(aperto.store().tratti[40].oggetti[0], (oggetto{tipo_sopraelevazione, 382, 1, 0, 0, 0}));
  EXPECT_EQ(aperto.righe()[29], "1550\tcurva DX raggio 200\t\t-100");
  EXPECT_EQ(aperto.righe()[riga_24], "1200\tcurva SX raggio 250\t\t100");
  EXPECT_EQ(esito.curve_con_sopraelevazione, 4u);
  EXPECT_EQ(esito.curve_senza_slot, 0u);
  EXPECT_EQ(esito.oggetti_sopraelevazione_trovati, 1u);
  // Each row again shows what its section holds.
  EXPECT_EQ(aperto.righe(), costruisci_righe(aperto.store()));
}

TEST(ApplicaClassi, BoxesAreNormalised) {
  scenario s = scenario_rettilineo(60);
  const std::array<double, numero_classi> raggi = {-10000, 5000, -2500, 1000, -490, 330, -250, 200};
  for (std::size_t k = 0; k < numero_classi; ++k) metti_curva(s, 10 + 2 * int(k), raggi[k]);
  scenario_aperto aperto(std::move(s));

  const auto esito =
      aperto.applica_classi({"", "500", "200.5", "200", "abc", "150xy", "-300", "-5a"});
  const std::array<std::string, numero_classi> attesi = {"0", "200",   "200", "200",
                                                         "0", "150xy", "200", "5"};
  const std::array<std::string, numero_classi> campi = {"-0", "200",   "-200", "200",
                                                        "-0", "150xy", "-200", "5"};
  const std::array<std::int16_t, numero_classi> moduli = {0, 766, 766, 766, 0, 573, 766, 19};
  EXPECT_EQ(esito.testi, attesi);
  for (std::size_t k = 0; k < numero_classi; ++k) {
    SCOPED_TRACE(k);
    const auto t = 10 + 2 * k;
    EXPECT_EQ(campo(aperto.righe()[t - 2]), campi[k]);
    EXPECT_EQ(
        aperto.store().tratti[t].oggetti[0],
        (oggetto{tipo_sopraelevazione, moduli[k], std::int16_t(raggi[k] > 0 ? 1 : -1), 0, 0, 0}));
  }
}

TEST(ApplicaClassi, OnlyCurvesOutsideJunctionZonesKeepACant) {
  scenario s = scenario_base();
  for (const std::int32_t t : {0, 1, 10, 24, 56, 57, 58, 59}) metti_sopraelevazione(s, t, 40, 3);
  slot(s, 24)[3].dato3 = 9;  // dato3 .. dato5 of a removed cant object are cleared too
  metti_curva(s, 45, 490);
  metti_bivio(s, 45);  // zone 44 .. 45
  metti_sopraelevazione(s, 45, 30, 1);
  for (const std::size_t j : {0, 1, 2}) slot(s, 24)[j] = {7, 1, 1, 1, 1, 1};
  scenario_aperto aperto(std::move(s));
  const auto righe_prima = aperto.righe();

  const auto esito = aperto.applica_classi(testi_iniziali());
  EXPECT_EQ(esito.oggetti_sopraelevazione_trovati, 9u);
  for (const std::int32_t t : {0, 1, 10, 45, 56, 57, 58, 59})
    EXPECT_FALSE(ogg_tipo(aperto.store(), t, tipo_sopraelevazione)) << t;
  EXPECT_EQ(aperto.store().tratti[24].oggetti[3], (oggetto{tipo_sopraelevazione, 382, 1, 0, 0, 0}));

  EXPECT_EQ(righe_prima[8], "500\trettilineo \t\t\t40");
  EXPECT_EQ(aperto.righe()[8], "500\trettilineo \t\t\t0");
  EXPECT_EQ(righe_prima[43], "2250\tbivio \t\t\t30");
  EXPECT_EQ(aperto.righe()[43], "2250\tbivio \t\t\t0");
  EXPECT_EQ(aperto.righe()[riga_24], "1200\tcurva SX raggio 250\t\t100");
  EXPECT_EQ(aperto.righe(), costruisci_righe(aperto.store()));
}

TEST(ApplicaClassi, CurvesWithoutAFreeSlot) {
  scenario s = scenario_rettilineo(60);
  for (std::int32_t t = 5; t < 17; ++t) {
    metti_curva(s, t, t % 2 ? 330 : -330);
    riempi(s, t);
  }
  metti_curva(s, 20, 330);
  scenario_aperto aperto(std::move(s));
  const auto esito = aperto.applica_classi(testi_iniziali());

  EXPECT_EQ(esito.curve_con_sopraelevazione, 1u);
  EXPECT_EQ(esito.curve_senza_slot, 12u);
  EXPECT_EQ(esito.posizioni_senza_slot,
            (std::vector<std::int32_t>{250, 300, 350, 400, 450, 500, 550, 600, 650, 700}));
  EXPECT_EQ(aperto.righe()[3], "250\tcurva SX raggio 330\t\t0");
  EXPECT_EQ(aperto.righe()[4], "300\tcurva DX raggio 330\t\t0");
  EXPECT_EQ(aperto.righe()[18], "1000\tcurva SX raggio 330\t\t100");
}

TEST(ApplicaClassi, RepeatingGivesTheSameResult) {
  scenario_aperto aperto(scenario_base());
  aperto.applica_classi(testi_iniziali());
  const scenario_aperto prima = aperto;
  const auto esito = aperto.applica_classi(testi_iniziali());
  EXPECT_EQ(esito.oggetti_sopraelevazione_trovati, 3u);
  EXPECT_EQ(aperto.righe(), prima.righe());
  EXPECT_TRUE(aperto.store().tratti == prima.store().tratti);
}

TEST(ApplicaClassi, EmptyListStillRemovesEveryCantObject) {
  scenario s = scenario_rettilineo(5);
  for (std::int32_t t = 0; t < 5; ++t) metti_sopraelevazione(s, t, 10, 2);
  scenario_aperto aperto(std::move(s));
  ASSERT_TRUE(aperto.righe().empty());
  EXPECT_EQ(aperto.applica_classi(testi_iniziali()).oggetti_sopraelevazione_trovati, 5u);
  for (std::int32_t t = 0; t < 5; ++t)
    EXPECT_FALSE(ogg_tipo(aperto.store(), t, tipo_sopraelevazione));
}

TEST(Salva, SavedStateFollowsTheFile) {
  cartella_temporanea cartella;
  scenario s = scenario_base();
  s.file_tratti = cartella / "prova.da3";
  scrivi_file(s.file_tratti, s.tratti.codifica());
  scenario_aperto aperto(std::move(s));

  aperto.modifica_tratto(riga_24, "45");
  EXPECT_TRUE(aperto.modificato());
  EXPECT_EQ(aperto.salva(), std::nullopt);
  EXPECT_FALSE(aperto.modificato());
  EXPECT_EQ(leggi_file(cartella / "prova.da3"), aperto.store().tratti.codifica());

  aperto.modifica_tratto(riga_24, "5");
  std::filesystem::remove(cartella / "prova.da3");
  const auto errore = aperto.salva();
  ASSERT_TRUE(errore);
  EXPECT_NE(errore->find("prova.da3"), std::string::npos);
  EXPECT_TRUE(aperto.modificato());
  EXPECT_EQ(campo(aperto.righe()[riga_24]), "5");
}

TEST(ApplicaRaccordi, RowsShowTheRaisedCant) {
  scenario s = scenario_rettilineo(60);
  tratti_curvi(s, 20, 24, -1000, -160);
  riempi(s, 26);
  scenario_aperto aperto(std::move(s));
  parametri_progetto p;
  p.velocita_massima = 120;
  const esito_raccordi esito = aperto.applica_raccordi(p);
  EXPECT_EQ(esito.tratti_rialzati, 2u);
  EXPECT_EQ(aperto.righe()[riga_del_tratto(19)], "950\trettilineo \t\t\t-78");
  EXPECT_EQ(aperto.righe()[riga_del_tratto(25)], "1250\trettilineo \t\t\t-78");
  EXPECT_EQ(aperto.righe(), costruisci_righe(aperto.store()));
  EXPECT_TRUE(aperto.verifica(p).empty());
}

// The store's bytes and the rows: what undo and redo must give back.
struct stato {
  std::vector<std::uint8_t> byte;
  righe_elenco righe;
  bool operator==(const stato&) const = default;
};
stato stato_di(const scenario_aperto& a) {
  return {a.store().tratti.codifica(), a.righe()};
}

TEST(Annulla, TypingOnOneRowIsOneStep) {
  scenario_aperto aperto(scenario_base());
  const stato iniziale = stato_di(aperto);
  EXPECT_FALSE(aperto.puo_annullare());
  for (const char* testo : {"-", "-5", "-50", "-50x"}) aperto.modifica_tratto(riga_24, testo);
  const stato digitato = stato_di(aperto);
  aperto.modifica_tratto(3, "7");  // another row: a step of its own
  aperto.modifica_tratto(3, "8");
  aperto.termina_modifica_tratto();
  aperto.modifica_tratto(3, "9");  // after closing: another step

  for (const char* atteso : {"8", "0"}) {
    const auto esito = aperto.annulla();
    ASSERT_TRUE(esito);
    EXPECT_EQ(esito->righe, std::vector<std::size_t>{3});
    EXPECT_EQ(campo(aperto.righe()[3]), atteso);
  }
  EXPECT_EQ(stato_di(aperto), digitato);
  ASSERT_TRUE(aperto.annulla());
  EXPECT_EQ(stato_di(aperto), iniziale);
  EXPECT_FALSE(aperto.modificato());
  EXPECT_FALSE(aperto.puo_annullare());
  EXPECT_FALSE(aperto.annulla());

  ASSERT_TRUE(aperto.ripeti());
  EXPECT_EQ(stato_di(aperto), digitato);
  EXPECT_TRUE(aperto.puo_ripetere());
  aperto.modifica_tratto(riga_24, "1");  // a new change drops what could be redone
  EXPECT_FALSE(aperto.puo_ripetere());
  EXPECT_FALSE(aperto.ripeti());
  // Typing back what the row held makes no step.
  aperto.termina_modifica_tratto();
  aperto.modifica_tratto(riga_24, "4");
  aperto.modifica_tratto(riga_24, "1");
  ASSERT_TRUE(aperto.annulla());
  EXPECT_EQ(campo(aperto.righe()[riga_24]), "-50x");
}

TEST(Annulla, ClassCommandGivesBackTheBoxes) {
  scenario_aperto aperto(scenario_base());
  const stato iniziale = stato_di(aperto);
  std::array<std::string, numero_classi> testi = testi_iniziali();
  testi[6] = "500";
  aperto.applica_classi(testi);
  const stato dopo = stato_di(aperto);

  const auto indietro = aperto.annulla();
  ASSERT_TRUE(indietro);
  EXPECT_EQ(indietro->genere, scenario_aperto::genere_passo::classi);
  EXPECT_EQ(indietro->testi_classi, testi);
  EXPECT_EQ(indietro->righe, (std::vector<std::size_t>{riga_24, 28, 38}));
  EXPECT_EQ(stato_di(aperto), iniziale);
  EXPECT_FALSE(aperto.modificato());

  const auto avanti = aperto.ripeti();
  ASSERT_TRUE(avanti);
  testi[6] = "200";
  EXPECT_EQ(avanti->testi_classi, testi);
  EXPECT_EQ(stato_di(aperto), dopo);
}

// The live check against the whole check of the line as it stands.
::testing::AssertionResult come_la_verifica(const scenario_aperto& aperto,
                                            const parametri_progetto& p,
                                            const profilo_velocita& profilo) {
  const std::vector<problema> attesi = aperto.verifica(p, profilo);
  const std::vector<problema>& vivi = aperto.problemi_vivi();
  for (std::size_t k = 0; k < std::max(attesi.size(), vivi.size()); ++k) {
    if (k >= attesi.size() || k >= vivi.size() || attesi[k].posizione != vivi[k].posizione ||
        attesi[k].codice != vivi[k].codice || attesi[k].cifre != vivi[k].cifre)
      return ::testing::AssertionFailure()
             << "problem " << k << " of " << attesi.size() << " (live " << vivi.size() << ")";
  }
  // The live check's readings, which the picture draws, are the store's.
  for (std::size_t r = 0; r < aperto.quante_righe(); ++r) {
    const std::int32_t nel_tratto = millimetri_tratto(aperto.store(), tratto_della_riga(r));
    if (aperto.millimetri_riga(r) != nel_tratto)
      return ::testing::AssertionFailure() << "row " << r << " reads " << aperto.millimetri_riga(r)
                                           << " mm, its section holds " << nel_tratto;
  }
  return ::testing::AssertionSuccess();
}

// Random edits, commands, undo and redo: every step can be taken back and done
// again exactly, and the live check, with steps allowed from a few mm to
// more than any cant, stays the whole check.
TEST(Annulla, RandomEditsGoBackAndForthExactly) {
  std::mt19937 caso(5);
  const char* testi_tratto[] = {"", "-", "5", "-45", "12abc", "abc", "300.4", "0.2", "-0", "160"};
  const char* testi_classe[] = {"0", "20", "-70", "abc", "150xy", "500", "", "100"};
  auto uniforme = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(caso);
  };
  // The last line is long enough for a command to work on it in pieces side by side.
  for (int linea = 0; linea < 7; ++linea) {
    const bool lunga = linea == 6;
    scenario_aperto aperto(linea_casuale(lunga ? 2 * minimo_per_pezzo + 10 : 150, caso));
    const stato iniziale = stato_di(aperto);
    parametri_progetto vivi;
    vivi.velocita_massima = static_cast<double>(uniforme(3) * 60);
    vivi.velocita_minima = static_cast<double>(uniforme(2) * 40);
    vivi.pendenza_raccordo = linea % 2 == 0 ? 0.1 * static_cast<double>(1 + uniforme(5)) : 2.5;
    vivi.variazione_massima = static_cast<double>(5 + uniforme(60));
    const profilo_velocita profilo_vivo = linea % 3 == 0
                                              ? profilo_velocita({{0, 80, 0}, {3000, 150, 30}})
                                              : profilo_velocita::da_parametri(vivi);
    aperto.imposta_verifica_viva(vivi, profilo_vivo);
    for (int passo = 0; passo < (lunga ? 40 : 300); ++passo) {
      ASSERT_TRUE(come_la_verifica(aperto, vivi, profilo_vivo)) << linea << " " << passo;
      switch (uniforme(10)) {
        case 8: {
          // Every row takes the design, those where the line is split into pieces too.
          const piano_progetto piano =
              progetta_linea(aperto.store(), aperto.geometria(), vivi, profilo_vivo);
          aperto.progetta(vivi, profilo_vivo);
          for (std::size_t r = 0; r < piano.millimetri.size(); ++r)
            ASSERT_EQ(campo(aperto.righe()[r]), std::to_string(piano.millimetri[r])) << r;
          break;
        }
        case 0:
        case 1:
        case 2:
          aperto.modifica_tratto(uniforme(aperto.righe().size()), testi_tratto[uniforme(10)]);
          break;
        case 3:
          aperto.termina_modifica_tratto();
          break;
        case 4: {
          std::array<std::string, numero_classi> testi;
          for (std::string& t : testi) t = testi_classe[uniforme(8)];
          aperto.applica_classi(testi);
          break;
        }
        case 5: {
          parametri_progetto p;
          p.velocita_massima = static_cast<double>(uniforme(200));
          aperto.applica_raccordi(p);
          break;
        }
        case 6:
        case 7: {
          const stato prima = stato_di(aperto);
          const auto esito = aperto.annulla();
          if (!esito) break;
          const stato annullato = stato_di(aperto);
          const std::size_t record = aperto.store().tratti.byte_record();
          for (std::size_t r = 0; r < prima.righe.size(); ++r) {
            const std::size_t da = static_cast<std::size_t>(tratto_della_riga(r)) * record;
            const bool tratto_cambiato =
                !std::equal(prima.byte.begin() + da, prima.byte.begin() + da + record,
                            annullato.byte.begin() + da);
            if (prima.righe[r] != annullato.righe[r] || tratto_cambiato) {
              EXPECT_TRUE(std::ranges::binary_search(esito->righe, r)) << r;
            }
          }
          if (uniforme(2) == 0) break;
          ASSERT_TRUE(aperto.ripeti());
          ASSERT_EQ(stato_di(aperto), prima) << "line " << linea << " step " << passo;
          break;
        }
        default:
          aperto.ripeti();
      }
    }
    while (aperto.puo_ripetere()) aperto.ripeti();
    const stato finale = stato_di(aperto);
    while (aperto.annulla()) {
    }
    ASSERT_EQ(stato_di(aperto), iniziale) << "line " << linea;
    EXPECT_FALSE(aperto.modificato());
    while (aperto.ripeti()) {
    }
    ASSERT_EQ(stato_di(aperto), finale) << "line " << linea;
  }
}

TEST(Annulla, JournalKeepsOnlyWhatChanged) {
  // Every listed section a curve, all of it changing at every command: the most
  // a class command can change. 100 commands stay within 5 bytes a section each
  // (100 MB for 100 commands on a line of 200,000 sections).
  constexpr std::int32_t numero = 10000;
  scenario s = scenario_rettilineo(numero);
  for (std::int32_t t = 2; t < numero - 3; ++t)
    metti_curva(s, t, raggi_nominali[t % 8] * (t % 3 ? 1 : -1));
  scenario_aperto aperto(std::move(s));
  std::array<std::string, numero_classi> testi;
  for (int comando = 0; comando < 100; ++comando) {
    for (std::size_t k = 0; k < numero_classi; ++k)
      testi[k] = std::to_string((comando * 7 + k * 13) % 160 + 1);
    aperto.applica_classi(testi);
  }
  EXPECT_LE(aperto.byte_registro(), std::size_t{5} * 100 * numero) << aperto.byte_registro();
  EXPECT_GT(aperto.byte_registro(), std::size_t{100} * numero);  // it does record every section
}

}  // namespace
}  // namespace sopra
