#include "analysis/bivio.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "analysis/sopraelevazione.hpp"

namespace sopra {
namespace {

constexpr std::int32_t numero_tratti = 20;

scenario con_tratti(bool compatto) {
  scenario s;
  s.formato_compatto = compatto;
  s.tratti = elenco_tratti(compatto, numero_tratti);
  return s;
}

oggetto bivio(std::int16_t codice, std::int16_t dato3 = 0, std::uint8_t dato5 = 0) {
  oggetto o;
  o.tipo = tipo_bivio;
  o.dato1 = codice;
  o.dato3 = dato3;
  o.dato5 = dato5;
  return o;
}

void metti(scenario& s, std::int32_t tratto, std::size_t slot, const oggetto& o) {
  s.tratti.apri(static_cast<std::size_t>(tratto)).oggetti[slot] = o;
}

// The sections reported in a junction zone, over every section that may be asked
// about (x + 2 must be a section).
std::vector<std::int32_t> in_zona(const scenario& s) {
  std::vector<std::int32_t> tratti;
  for (std::int32_t x = 0; x + 2 < numero_tratti; ++x)
    if (test_bivio(s, x)) tratti.push_back(x);
  return tratti;
}

struct caso_zona {
  std::int16_t codice;
  std::int16_t dato3;
  std::uint8_t dato5;
  std::vector<std::int32_t> zona;  // relative to the junction's section
};

TEST(Bivio, ZonaDiUnBivioPerCodiceEPortata) {
  const caso_zona casi[] = {
      {10, 0, 0, {-1, 0}},
      {10, 0, 1, {-1, 0, 1, 2}},
      {10, 0, 2, {-1, 0, 1, 2, 3}},
      {10, 4, 2, {-1, 0, 1}},
      {10, 4, 1, {-1, 0, 1}},
      {10, 0, 3, {-1, 0, 1, 2}},
      {10, 4, 0, {-1, 0}},
      {0, 0, 2, {-1, 0, 1, 2, 3}},
      {-10, 0, 2, {-1, 0, 1, 2, 3}},
      {-20, 0, 0, {-1, 0}},
      {11, 0, 0, {-2, -1, 0}},
      {11, 4, 2, {-2, -1, 0}},
      {21, 0, 1, {-2, -1, 0}},
      {-11, 0, 2, {}},
      {-1, 0, 2, {}},
      {12, 0, 2, {}},
      {15, 0, 1, {}},
  };
  const std::int32_t k = 9;
  for (bool compatto : {true, false}) {
    const std::size_t ultimo_slot = compatto ? 14 : 50;
    for (std::size_t slot : {std::size_t{0}, ultimo_slot}) {
      for (const caso_zona& caso : casi) {
        SCOPED_TRACE(testing::Message()
                     << "compatto " << compatto << " slot " << slot << " codice " << caso.codice
                     << " dato3 " << caso.dato3 << " dato5 " << int{caso.dato5});
        scenario s = con_tratti(compatto);
        metti(s, k, slot, bivio(caso.codice, caso.dato3, caso.dato5));
        EXPECT_EQ(trova_bivio(s, k), static_cast<std::int32_t>(slot));
        std::vector<std::int32_t> attesa;
        for (std::int32_t d : caso.zona) attesa.push_back(k + d);
        EXPECT_EQ(in_zona(s), attesa);
      }
    }
  }
}

TEST(Bivio, SlotConDato4NonNulloNonEUnBivio) {
  scenario s = con_tratti(true);
  oggetto o = bivio(10, 0, 2);
  o.dato4 = 1;
  metti(s, 9, 0, o);
  EXPECT_EQ(trova_bivio(s, 9), nessun_bivio);
  EXPECT_TRUE(in_zona(s).empty());

  metti(s, 9, 6, bivio(10));
  EXPECT_EQ(trova_bivio(s, 9), 6);
  EXPECT_EQ(in_zona(s), (std::vector<std::int32_t>{8, 9}));
}

TEST(Bivio, ConDueBiviContaSoloIlPrimo) {
  scenario s = con_tratti(false);
  metti(s, 9, 3, bivio(12, 0, 2));
  metti(s, 9, 7, bivio(10, 0, 2));
  EXPECT_EQ(trova_bivio(s, 9), 3);
  EXPECT_TRUE(in_zona(s).empty());

  scenario t = con_tratti(false);
  metti(t, 9, 3, bivio(11));
  metti(t, 9, 7, bivio(10, 0, 2));
  EXPECT_EQ(in_zona(t), (std::vector<std::int32_t>{7, 8, 9}));
}

TEST(Bivio, ITrattiDa0A2NonSonoMaiInZona) {
  for (bool compatto : {true, false}) {
    SCOPED_TRACE(compatto);
    scenario s = con_tratti(compatto);
    for (std::int32_t i = 0; i < numero_tratti; ++i) {
      metti(s, i, 0, bivio(10, 0, 2));
      metti(s, i, 1, bivio(11));
    }
    for (std::int32_t x = 0; x < 3; ++x) EXPECT_FALSE(test_bivio(s, x)) << x;
    EXPECT_TRUE(test_bivio(s, 3));
  }

  scenario indietro = con_tratti(true);
  metti(indietro, 3, 0, bivio(11));
  EXPECT_EQ(in_zona(indietro), (std::vector<std::int32_t>{3}));

  scenario avanti = con_tratti(true);
  metti(avanti, 1, 0, bivio(10, 0, 2));
  EXPECT_EQ(in_zona(avanti), (std::vector<std::int32_t>{3, 4}));
}

TEST(Bivio, ZoneDiBiviVicini) {
  // A backward junction ahead and a forward one behind fill the stretch between.
  scenario s = con_tratti(true);
  metti(s, 6, 2, bivio(20, 0, 1));
  metti(s, 12, 5, bivio(31));
  EXPECT_EQ(in_zona(s), (std::vector<std::int32_t>{5, 6, 7, 8, 10, 11, 12}));
}

}  // namespace
}  // namespace sopra
