#include <gtest/gtest.h>

#include <cmath>

#include "progetto/progetto.hpp"

namespace sopra {
namespace {

parametri_progetto con_velocita(double v_max, double v_min = 0) {
  parametri_progetto p;
  p.velocita_massima = v_max;
  p.velocita_minima = v_min;
  return p;
}

TEST(PropostaClassi, DefaultsAt120) {
  const auto proposta = proposta_classi(con_velocita(120));
  ASSERT_TRUE(proposta);
  const std::int32_t attese[numero_classi] = {15, 25, 50, 115, 160, 160, 160, 160};
  for (std::size_t k = 0; k < numero_classi; ++k) {
    const proposta_classe& c = (*proposta)[k];
    EXPECT_EQ(c.raggio, raggi_nominali[k]);
    EXPECT_EQ(c.proposta, attese[k]) << "class " << k;
    EXPECT_EQ(c.oltre_massimo, k >= 4) << "class " << k;  // from 490 m down
    EXPECT_FALSE(c.velocita_inconciliabili);
    EXPECT_FALSE(c.eccesso);
    EXPECT_NEAR(c.insufficienza, c.equilibrio - c.proposta, 1e-12);
  }
  // 1000 m: e = 169.92, 115 mm serve sqrt(245 × 1000 / 11.8) = 144.1 km/h.
  EXPECT_NEAR((*proposta)[3].equilibrio, 169.92, 1e-9);
  EXPECT_EQ((*proposta)[3].velocita_con_proposta, 144);
  // 490 m at c_max: sqrt(290 × 490 / 11.8) = 109.7 km/h.
  EXPECT_EQ((*proposta)[4].velocita_al_massimo, 109);
}

TEST(PropostaClassi, NoSpeedNoProposal) {
  EXPECT_FALSE(proposta_classi(parametri_progetto{}));
}

TEST(PropostaClassi, SlowestTrainsLimitTheProposal) {
  // 120 and 60 km/h, 2500 m: ⅔ e(120) = 45.3, but e(60) + 110 = 127 is no limit;
  // 1000 m: ⅔ e = 113.3 stays below e(60) + 110 = 152.5 too. A low E_max bites:
  parametri_progetto p = con_velocita(120, 60);
  p.eccesso_ammesso = 20;
  const auto proposta = proposta_classi(p);
  ASSERT_TRUE(proposta);
  // 1000 m: min(113.3, 42.48 + 20) = 62.48, never below n = 39.92 → 65.
  EXPECT_EQ((*proposta)[3].proposta, 65);
  ASSERT_TRUE((*proposta)[3].eccesso);
  EXPECT_NEAR(*(*proposta)[3].eccesso, 65 - 42.48, 1e-9);
  // 490 m: n = 216.8 exceeds e(60) + 20 = 106.7: no cant serves both.
  EXPECT_TRUE((*proposta)[4].velocita_inconciliabili);
  EXPECT_FALSE((*proposta)[3].velocita_inconciliabili);
}

TEST(PropostaClassi, AMultipleOfFiveUpToRoundingStaysIt) {
  // V chosen so that ⅔ e on 10000 m is 25 but for the last bit of the double,
  // which lies above 25.
  const auto proposta = proposta_classi(con_velocita(std::sqrt(25 * 1.5 * 10000 / 11.8)));
  ASSERT_TRUE(proposta);
  EXPECT_GT((*proposta)[0].equilibrio * 2 / 3, 25);
  EXPECT_EQ((*proposta)[0].proposta, 25);
}

TEST(DeltaMassimo, GradientAndRateOfChange) {
  EXPECT_EQ(delta_massimo(parametri_progetto{}), 125);  // 2.5 × 50
  EXPECT_EQ(delta_massimo(con_velocita(120)), 82);      // min(125, 82.5)
  EXPECT_EQ(delta_massimo(con_velocita(99)), 100);      // 9900 / 99 exactly
  EXPECT_EQ(delta_massimo(con_velocita(10)), 125);      // the gradient is the lower limit
  parametri_progetto p;
  p.pendenza_raccordo = 0;
  EXPECT_EQ(delta_massimo(p), 0);
  p.pendenza_raccordo = 1e300;
  EXPECT_EQ(delta_massimo(p), 2 * sopraelevazione_limite);
}

TEST(VelocitaAmmessa, RoundsDownAndNeverNegative) {
  EXPECT_EQ(velocita_ammessa(160, 130, 490), 109);
  EXPECT_EQ(velocita_ammessa(-130, 130, 490), 0);
  EXPECT_EQ(velocita_ammessa(-200, 130, 490), 0);
  // 11.8 × 100² / 1180 = 100: exactly 100 km/h, not 99.
  EXPECT_EQ(velocita_ammessa(60, 40, 1180), 100);
}

}  // namespace
}  // namespace sopra
