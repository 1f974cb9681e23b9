#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "editing/elenco.hpp"
#include "editing/righe_di_prova.hpp"
#include "editing/scenario_di_prova.hpp"

namespace sopra {
namespace {

using namespace prova;

// Row k describes section k + 2.
std::string riga(const righe_elenco& righe, std::int32_t tratto) {
  const auto r = static_cast<std::size_t>(tratto - primo_tratto_elencato);
  return r < righe.size() ? std::string(righe[r]) : "(no row)";
}

TEST(RigheElenco, KindsOfSection) {
  scenario s = scenario_rettilineo(80);
  metti_curva(s, 13, 250);  // a junction inside a curve shows as junction
  metti_bivio(s, 13);
  metti_sopraelevazione(s, 13, -12, 1);
  metti_curva(s, 24, 250);
  metti_sopraelevazione(s, 24, 45);
  metti_curva(s, 30, -490);
  metti_curva(s, 60, -10000);
  metti_sopraelevazione(s, 60, -5);

  const auto righe = costruisci_righe(s);
  EXPECT_EQ(riga(righe, 2), "100\trettilineo \t\t\t0");
  EXPECT_EQ(riga(righe, 13), "650\tbivio \t\t\t-12");
  EXPECT_EQ(riga(righe, 24), "1200\tcurva SX raggio 250\t\t45");
  EXPECT_EQ(riga(righe, 30), "1500\tcurva DX raggio 490\t\t0");
  EXPECT_EQ(riga(righe, 60), "3000\tcurva DX raggio 10000\t\t-5");
  for (std::int32_t t = 2; t < 77; ++t) EXPECT_EQ(riga(righe, t), riga_tratto(s, t));
}

TEST(RigheElenco, RadiusTenThousandHasOneTabInTheExtendedLayout) {
  scenario s = scenario_rettilineo(80, false);
  metti_curva(s, 60, -10000);
  metti_sopraelevazione(s, 60, -5, 50);
  metti_curva(s, 61, 10000);
  metti_curva(s, 62, 5000);
  metti_bivio(s, 71);
  metti_curva(s, 71, 10000);

  EXPECT_EQ(riga_tratto(s, 60), "3000\tcurva DX raggio 10000\t-5");
  EXPECT_EQ(riga_tratto(s, 61), "3050\tcurva SX raggio 10000\t0");
  EXPECT_EQ(riga_tratto(s, 62), "3100\tcurva SX raggio 5000\t\t0");
  EXPECT_EQ(riga_tratto(s, 71), "3550\tbivio \t\t\t0");
}

TEST(RigheElenco, CantShownFromTheLowestCantObject) {
  scenario s = scenario_rettilineo(20);
  slot(s, 2)[4] = {tipo_sopraelevazione, 1, -1, 0, 0, 0};   // -1 hundredth
  slot(s, 3)[0] = {tipo_sopraelevazione, 500, 0, 0, 0, 0};  // no side
  metti_sopraelevazione(s, 4, 10, 3);
  metti_sopraelevazione(s, 4, 20, 7);
  slot(s, 5)[0] = {tipo_sopraelevazione, 40, 1, 0, 0, 0};  // not a whole-millimetre encoding

  EXPECT_EQ(riga_tratto(s, 2), "100\trettilineo \t\t\t0");
  EXPECT_EQ(riga_tratto(s, 3), "150\trettilineo \t\t\t0");
  EXPECT_EQ(riga_tratto(s, 4), "200\trettilineo \t\t\t10");
  EXPECT_EQ(riga_tratto(s, 5), "250\trettilineo \t\t\t10");
}

TEST(RigheElenco, ListsSectionsTwoToUMinusThree) {
  EXPECT_TRUE(costruisci_righe(scenario_rettilineo(5)).empty());  // U = 4
  EXPECT_TRUE(costruisci_righe(scenario{}).empty());
  EXPECT_EQ(costruisci_righe(scenario_rettilineo(6)),
            righe_elenco(std::vector<std::string>{"100\trettilineo \t\t\t0"}));

  const auto righe = costruisci_righe(scenario_rettilineo(101));  // U = 100
  ASSERT_EQ(righe.size(), 96u);
  EXPECT_TRUE(righe[0].starts_with("100\t"));
  EXPECT_TRUE(righe[95].starts_with("4850\t"));
}

// The list's text as the batch companion writes it: every row and a line break.
std::string testo_intero(const righe_elenco& righe) {
  std::string testo;
  righe.a_blocchi([&](std::string_view pezzo) { testo += pezzo; });
  return testo;
}

// Lines with curves, junctions and cant at random: the list built in any number
// of pieces, with piece boundaries inside and beside junction zones, equals the
// row-by-row reference and the classification made in one piece, and its text
// comes in one piece.
TEST(RigheElenco, ListBuiltInPiecesEqualsOneBuiltRowByRow) {
  std::mt19937 caso(20261208);
  const double raggi[] = {250, -490, 700, -1200, 3000, -10000, 10000};
  for (int prova = 0; prova < 40; ++prova) {
    const auto numero = std::uniform_int_distribution<std::size_t>(6, 160)(caso);
    scenario s = scenario_rettilineo(numero, prova % 2 == 0);
    for (std::size_t t = 0; t < numero; ++t) {
      const auto sezione = static_cast<std::int32_t>(t);
      const int dado = std::uniform_int_distribution<int>(0, 9)(caso);
      if (dado < 3) metti_curva(s, sezione, raggi[caso() % std::size(raggi)]);
      if (dado == 3 || dado == 4) {  // junctions of every reach, some not counted (dato4)
        const std::int16_t codici[] = {10, 11, -10, -11, 12, 20, 21};
        slot(s, sezione)[caso() % 3] = {tipo_bivio,
                                        codici[caso() % std::size(codici)],
                                        0,
                                        static_cast<std::int16_t>(caso() % 2),
                                        static_cast<std::int16_t>(caso() % 5 == 0),
                                        static_cast<std::uint8_t>(caso() % 3)};
      }
      if (dado % 2 == 0)
        metti_sopraelevazione(s, sezione, std::uniform_int_distribution<int>(-150, 150)(caso), 5);
    }
    const geometria_linea intera(s, 1);
    const auto attese = costruisci_righe(s, intera, 1);
    ASSERT_EQ(attese.size(), numero_righe(numero));
    std::string testo;
    for (std::size_t r = 0; r < attese.size(); ++r) {
      ASSERT_EQ(attese[r], riga_tratto(s, tratto_della_riga(r)));
      (testo += attese[r]) += '\n';
    }
    for (std::size_t pezzi : {2u, 3u, 4u, 7u, 16u, 61u, 500u}) {
      const geometria_linea a_pezzi(s, pezzi);
      ASSERT_EQ(a_pezzi.size(), intera.size());
      for (std::size_t r = 0; r < intera.size(); ++r) {
        ASSERT_EQ(a_pezzi.raggio(r), intera.raggio(r)) << r;
        ASSERT_EQ(a_pezzi.classe(r), intera.classe(r)) << r;
        ASSERT_EQ(a_pezzi.bivio(r), intera.bivio(r)) << r;
      }
      const auto righe = costruisci_righe(s, a_pezzi, pezzi);
      ASSERT_EQ(righe, attese) << numero << " in " << pezzi;
      std::size_t pezzi_di_testo = 0;
      righe.a_blocchi([&](std::string_view) { ++pezzi_di_testo; });
      ASSERT_EQ(pezzi_di_testo, 1u);
      ASSERT_EQ(testo_intero(righe), testo);
    }
  }
}

// A list whose rows were composed a group at a time where they were looked at,
// then all at once in pieces side by side, equals one composed whole.
TEST(RigheElenco, ListComposedPartlyThenWholeEqualsOneComposedWhole) {
  std::mt19937 caso(20261209);
  const std::size_t numero = 3 * righe_elenco::righe_per_gruppo + 1500;
  scenario s = scenario_rettilineo(numero, true);
  for (std::size_t t = 0; t < numero; t += 1 + caso() % 40) {
    metti_curva(s, static_cast<std::int32_t>(t), caso() % 2 == 0 ? 300 : -10000);
    metti_sopraelevazione(s, static_cast<std::int32_t>(t), static_cast<int>(caso() % 200) - 100, 5);
  }
  const geometria_linea geometria(s);
  const righe_elenco attese = costruisci_righe(s, geometria, 1);
  const std::size_t gruppi =
      (attese.size() + righe_elenco::righe_per_gruppo - 1) / righe_elenco::righe_per_gruppo;
  ASSERT_EQ(gruppi, 4u);
  // Bit g: group g looked at first.
  for (const unsigned guardati : {0b0001u, 0b0100u, 0b1000u, 0b1010u, 0b0111u}) {
    for (const std::size_t pezzi : {1u, 2u, 3u}) {
      righe_elenco righe = righe_elenco::da_comporre(s, geometria.size());
      for (std::size_t g = 0; g < gruppi; ++g)
        if ((guardati >> g & 1u) != 0)
          righe.componi(g * righe_elenco::righe_per_gruppo + 7, s, geometria);
      righe.componi_tutte(s, geometria, pezzi);
      ASSERT_TRUE(righe.composte());
      ASSERT_EQ(righe, attese) << guardati << " in " << pezzi;
      ASSERT_EQ(testo_intero(righe), testo_intero(attese)) << guardati << " in " << pezzi;
    }
  }
}

// Rewrites of random rows from random points, shorter, equal and longer than
// what they replace, some taken from another row of the same list, enough to
// move rows to the end of the block and lay it out again many times: every row
// stays as in a plain model, and so does the text written in pieces.
TEST(RigheElenco, RewritesKeepEveryRowAsInAPlainModel) {
  std::mt19937 caso(20261209);
  auto testo_a_caso = [&](std::size_t lunghezza) {
    std::string testo(lunghezza, ' ');
    for (char& c : testo) c = "0123456789-\tab"[caso() % 14];
    return testo;
  };
  for (int prova = 0; prova < 30; ++prova) {
    const std::size_t numero = 1 + caso() % (prova < 10 ? 4 : 200);
    std::vector<std::string> modello(numero);
    for (auto& riga : modello) riga = testo_a_caso(caso() % 40);
    righe_elenco righe(modello);
    for (int passo = 0; passo < 2000; ++passo) {
      const std::size_t r = caso() % numero;
      const std::size_t da = caso() % (modello[r].size() + 1);
      const std::size_t coda_prima = modello[r].size() - da;
      std::size_t lunghezza = coda_prima;
      switch (caso() % 3) {
        case 0:
          lunghezza -= caso() % (coda_prima + 1);
          break;
        case 1:
          lunghezza += 1 + caso() % 30;
          break;
      }
      if (caso() % 50 == 0) {  // many rows at once, laid out again on 1 to 3 threads
        std::vector<std::string> code;
        code.reserve(numero);
        std::vector<righe_elenco::sostituzione> sostituzioni;
        for (std::size_t q = 0; q < numero; ++q) {
          if (caso() % 3 == 0) continue;
          const std::size_t inizio = caso() % (modello[q].size() + 1);
          const std::string& coda = code.emplace_back(testo_a_caso(caso() % 12));
          modello[q] = modello[q].substr(0, inizio) + coda;
          sostituzioni.push_back({q, inizio, coda});
        }
        righe.riscrivi_molte(sostituzioni, 1 + caso() % 3);
        ASSERT_TRUE(std::ranges::equal(righe, modello));
        continue;
      }
      if (caso() % 8 == 0) {  // a view of a row of the list itself, this one too
        const std::size_t k = caso() % numero;
        const std::size_t quanti = caso() % 20;
        modello[r] = modello[r].substr(0, da) + modello[k].substr(0, quanti);
        righe.riscrivi(r, da, righe[k].substr(0, quanti));
      } else {
        const std::string coda = testo_a_caso(lunghezza);
        modello[r] = modello[r].substr(0, da) + coda;
        righe.riscrivi(r, da, coda);
      }
      ASSERT_EQ(righe.size(), numero);
      ASSERT_EQ(righe[r], modello[r]);
      if (passo % 250 == 0) {
        ASSERT_TRUE(std::ranges::equal(righe, modello));
      }
    }
    ASSERT_TRUE(std::ranges::equal(righe, modello));
    std::string atteso;
    for (const auto& riga : modello) (atteso += riga) += '\n';
    ASSERT_EQ(testo_intero(righe), atteso);
    ASSERT_EQ(righe, righe_elenco(modello));
  }
}

TEST(RigheElenco, CantFieldStartsAfterTheLastTab) {
  EXPECT_EQ(inizio_sopraelevazione("1200\tcurva SX raggio 250\t\t45"), 26u);
  EXPECT_EQ(inizio_sopraelevazione("100\trettilineo \t\t\t"), 18u);
  EXPECT_EQ(inizio_sopraelevazione("45"), 0u);
}

TEST(RigheElenco, PositionsBeyondAnyLineNameNoSection) {
  EXPECT_EQ(tratto_alla_posizione(100), 2);
  EXPECT_FALSE(tratto_alla_posizione(125).has_value());
  EXPECT_FALSE(tratto_alla_posizione(-50).has_value());
  // 429496730100 m is 2^32 + 2 sections: it must not wrap round to section 2.
  EXPECT_FALSE(tratto_alla_posizione(429496730100LL).has_value());
  EXPECT_EQ(tratto_alla_posizione(50LL * 2147483647LL), 2147483647);
}

}  // namespace
}  // namespace sopra
