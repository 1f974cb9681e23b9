// The judgement of one design parameter's value: each boundary once, and a
// refused value leaves the parameters as they were.

#include <gtest/gtest.h>

#include <limits>

#include "progetto/parametri.hpp"

namespace sopra {
namespace {

// The reason parameter k refuses `valore` with, or "" when it takes it; a
// refused value must leave every parameter at its default.
std::string motivo(std::size_t k, double valore) {
  parametri_progetto p;
  const auto m = imposta_parametro(p, k, valore);
  if (!m) {
    EXPECT_EQ(valore_parametro(p, k), valore) << k;
    return "";
  }
  const parametri_progetto iniziali;
  for (std::size_t j = 0; j < numero_parametri; ++j)
    EXPECT_EQ(valore_parametro(p, j), valore_parametro(iniziali, j)) << j;
  return *m;
}

TEST(Parametri, ZeroIsAcceptedSaveForTheRampsANegativeValueIsNot) {
  for (std::size_t k = 0; k < numero_parametri; ++k) {
    // A ramp with no gradient or no rate of change would never end.
    EXPECT_EQ(motivo(k, 0), k >= indice_pendenza ? "deve essere maggiore di 0" : "") << k;
    // The word agrees with the parameter's noun: "velocità", but "eccesso".
    EXPECT_EQ(motivo(k, -0.5),
              k == indice_eccesso ? "non può essere negativo" : "non può essere negativa")
        << k;
  }
  EXPECT_EQ(motivo(indice_pendenza, 0.001), "");
}

TEST(Parametri, TheSlowestSpeedMayNotExceedTheFastest) {
  parametri_progetto p;
  p.velocita_minima = 200;
  EXPECT_FALSE(controlla_parametri(p)) << "without V there is nothing to exceed";
  p.velocita_massima = 200;
  EXPECT_FALSE(controlla_parametri(p));
  p.velocita_minima = 200.5;
  const auto rifiuto = controlla_parametri(p);
  ASSERT_TRUE(rifiuto);
  EXPECT_EQ(rifiuto->indice, indice_velocita_minima);
  EXPECT_EQ(rifiuto->motivo, "non può superare la velocità massima");
}

TEST(Parametri, TheGreatestCantStopsAtWhatASectionHolds) {
  EXPECT_EQ(motivo(indice_sopraelevazione_massima, 300), "");
  EXPECT_EQ(motivo(indice_sopraelevazione_massima, 301), "non può superare 300 mm");
}

TEST(Parametri, SpeedsStopAtTheFastestTrain) {
  EXPECT_EQ(motivo(indice_velocita_massima, 1000), "");
  EXPECT_EQ(motivo(indice_velocita_minima, 1000.5), "non può superare 1000 km/h");
}

TEST(Parametri, WholeMillimetresRefuseAFraction) {
  EXPECT_EQ(motivo(indice_insufficienza, 2.5), "vuole un numero intero di millimetri");
  EXPECT_EQ(motivo(indice_eccesso, 2.5), "vuole un numero intero di millimetri");
  EXPECT_EQ(motivo(indice_insufficienza, 3e9), "vuole un numero intero di millimetri");
  EXPECT_EQ(motivo(indice_pendenza, 2.5), "");
  EXPECT_EQ(motivo(indice_pendenza, 1e12), "");
}

TEST(Parametri, NotANumberIsRefused) {
  EXPECT_EQ(motivo(indice_pendenza, std::numeric_limits<double>::quiet_NaN()), "vuole un numero");
  EXPECT_EQ(motivo(indice_variazione, std::numeric_limits<double>::infinity()), "vuole un numero");
}

}  // namespace
}  // namespace sopra
