#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "linee_di_prova.hpp"
#include "progetto/progetto.hpp"

namespace sopra {
namespace {

using prova::delta_massimo;

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
  // 1000 m: ⅔ e = 113.3 is held to U = e(60) + 20 = 62.48; 65 would exceed it,
  // 60 is not below n = 39.92.
  EXPECT_EQ((*proposta)[3].proposta, 60);
  ASSERT_TRUE((*proposta)[3].eccesso);
  EXPECT_NEAR(*(*proposta)[3].eccesso, 60 - 42.48, 1e-9);
  // 490 m: n = 216.8 exceeds e(60) + 20 = 106.7 and c_max: both flags, c_max.
  EXPECT_TRUE((*proposta)[4].velocita_inconciliabili);
  EXPECT_TRUE((*proposta)[4].oltre_massimo);
  EXPECT_EQ((*proposta)[4].proposta, 160);
  EXPECT_FALSE((*proposta)[3].velocita_inconciliabili);
}

TEST(PropostaClassi, NeverAboveEquilibrium) {
  // 60 km/h: 10000 m has e = 4.25 and 5000 m e = 8.50, so 5 and 10 are too much.
  const auto proposta = proposta_classi(con_velocita(60));
  ASSERT_TRUE(proposta);
  const std::int32_t attese[numero_classi] = {0, 5, 15, 30, 60, 90, 115, 145};
  for (std::size_t k = 0; k < numero_classi; ++k)
    EXPECT_EQ((*proposta)[k].proposta, attese[k]) << "class " << k;
}

TEST(Proponi, RoundingEdges) {
  parametri_progetto p;
  // 200 and 60 km/h on 2500 m: p0 = 125.9, U = e(60) + 110 = 126.99: 130 would
  // exceed U, 125 is the largest multiple of 5 below it.
  EXPECT_EQ(proponi(200, 60, 2500, p).millimetri, 125);
  // 120 and 60 km/h on 10000 m, I_max 6, E_max 8: [10.99, 12.25] holds no
  // multiple of 5; p0 = ⅔ e = 11.33 rounds up to 12.
  p.insufficienza_ammessa = 6;
  p.eccesso_ammesso = 8;
  EXPECT_EQ(proponi(120, 60, 10000, p).millimetri, 12);
  // 120 and 60 km/h on 1000 m, I_max 129 (n = 40.92), E_max 0 (U = 42.48): p0 is
  // held to U; no multiple of 5 fits, 43 exceeds U, 42 does not.
  p.insufficienza_ammessa = 129;
  p.eccesso_ammesso = 0;
  EXPECT_EQ(proponi(120, 60, 1000, p).millimetri, 42);
  // I_max 100: n = 69.92 above U = 42.48: no cant serves both; the least whole
  // mm not below n, which c_max allows (c_max itself caps 490 m at 120 km/h).
  p.insufficienza_ammessa = 100;
  EXPECT_EQ(proponi(120, 60, 1000, p).millimetri, 70);
}

// Over many speeds, radii and parameters: the bounds hold whenever a whole
// millimetre fits between them, a multiple of 5 is preferred, and the flags
// say when the bounds cross.
TEST(Proponi, WithinTheBoundsWheneverAWholeMillimetreFits) {
  std::mt19937 caso(20240611);
  auto tra = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(caso); };
  auto intero = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(caso); };
  constexpr double tol = 1e-9;
  for (int prova = 0; prova < 50000; ++prova) {
    parametri_progetto p;
    p.sopraelevazione_massima = intero(0, 300);
    p.insufficienza_ammessa = intero(0, 200);
    p.eccesso_ammesso = intero(0, 200);
    const double v_max = tra(1, 350);
    const double v_min = intero(0, 2) == 0 ? 0 : tra(0.5, v_max);
    const double r = tra(100, 20000);
    const proposta_tratto t = proponi(v_max, v_min, r, p);
    const double e = 11.8 * v_max * v_max / r;
    const double n = e - p.insufficienza_ammessa;
    const double tetto = v_min > 0 ? 11.8 * v_min * v_min / r + p.eccesso_ammesso : e;
    const double l = std::max(0.0, n);
    const double u = std::min({double(p.sopraelevazione_massima), e, tetto});
    const double m = t.millimetri;
    SCOPED_TRACE(testing::Message() << "V " << v_max << " v " << v_min << " R " << r << " c_max "
                                    << p.sopraelevazione_massima << " I " << p.insufficienza_ammessa
                                    << " E " << p.eccesso_ammesso << " -> " << m);
    ASSERT_EQ(t.oltre_massimo, n > p.sopraelevazione_massima);
    ASSERT_EQ(t.velocita_inconciliabili, v_min > 0 && n > tetto);
    if (l > u) {
      ASSERT_EQ(m, std::min(std::ceil(l - tol), double(p.sopraelevazione_massima)));
    } else if (std::floor(u + tol) >= l - tol) {
      ASSERT_GE(m, l - tol);
      ASSERT_LE(m, u + tol);
      ASSERT_LE(m, e + tol);
      // A multiple of 5 is taken whenever one fits.
      if (std::floor((u + tol) / 5) * 5 >= l - tol) {
        ASSERT_EQ(t.millimetri % 5, 0);
      }
    } else {
      ASSERT_LT(m, u + 1);  // the next whole millimetre above
    }
  }
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

TEST(DeltaTra, TheFasterOfTheTwoSectionsSetsTheRate) {
  const parametri_progetto p;
  EXPECT_EQ(delta_tra(p, 0, 0), 125);   // no speed: the gradient alone
  EXPECT_EQ(delta_tra(p, 120, 0), 82);  // min(125, 9900 / 120)
  EXPECT_EQ(delta_tra(p, 0, 120), 82);
  EXPECT_EQ(delta_tra(p, 60, 120), 82);    // the larger speed
  EXPECT_EQ(delta_tra(p, 99, 80), 100);    // 9900 / 99 exactly
  EXPECT_EQ(delta_tra(p, 79.2, 10), 125);  // 9900 / 79.2 = 125: both limits meet
  EXPECT_EQ(delta_tra(p, 79.3, 10), 124);
  for (const double v : {0.0, 60.0, 120.0, 300.0})
    EXPECT_EQ(delta_tra(p, v, v), delta_massimo(con_velocita(v))) << v;
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
