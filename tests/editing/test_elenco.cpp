#include <gtest/gtest.h>

#include "editing/elenco.hpp"
#include "editing/scenario_di_prova.hpp"

namespace sopra {
namespace {

using namespace prova;

// Row k describes section k + 2.
std::string riga(const std::vector<std::string>& righe, std::int32_t tratto) {
  return righe.at(static_cast<std::size_t>(tratto - primo_tratto_elencato));
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
            std::vector<std::string>{"100\trettilineo \t\t\t0"});

  const auto righe = costruisci_righe(scenario_rettilineo(101));  // U = 100
  ASSERT_EQ(righe.size(), 96u);
  EXPECT_TRUE(righe.front().starts_with("100\t"));
  EXPECT_TRUE(righe.back().starts_with("4850\t"));
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
