#include "analysis/sopraelevazione.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace sopra {
namespace {

scenario con_tratti(bool compatto, std::size_t numero) {
  scenario s;
  s.formato_compatto = compatto;
  s.tratti = elenco_tratti(compatto, numero);
  return s;
}

TEST(UnitaSopraelevazione, TabellaDaMillimetriACentesimiEIndietro) {
  const struct {
    double millimetri;
    double centesimi;
  } tabella[] = {{0, 0}, {1, 3}, {2, 7}, {5, 19}, {10, 38}, {100, 382}, {160, 612}, {300, 1153}};
  for (const auto& riga : tabella) {
    SCOPED_TRACE(riga.millimetri);
    EXPECT_EQ(rendicentesimidigrado(riga.millimetri), riga.centesimi);
    EXPECT_EQ(rendimillimetri(riga.centesimi), riga.millimetri);
  }
}

TEST(UnitaSopraelevazione, TabellaDaCentesimiAMillimetri) {
  const struct {
    double centesimi;
    double millimetri;
  } tabella[] = {{1, 0}, {2, 1}, {100, 26}, {611, 160}, {1070, 278}, {-2, -1}};
  for (const auto& riga : tabella) {
    SCOPED_TRACE(riga.centesimi);
    EXPECT_EQ(rendimillimetri(riga.centesimi), riga.millimetri);
  }
}

TEST(UnitaSopraelevazione, ValoriInteriComeValoriVicini) {
  // Whole values are read from tables; a value a hair away is worked out: the
  // two agree wherever the hair cannot cross a rounding, over the whole range.
  for (int c = -9000; c <= 9000; ++c) {
    const double vicino = std::nextafter(c, c < 0 ? -1e9 : 1e9);
    if (c != 0) {
      ASSERT_EQ(rendimillimetri(c), rendimillimetri(vicino)) << c;
    }
  }
  for (int m = 0; m < 1500; ++m) {
    const double sotto = rendicentesimidigrado(std::nextafter(m, 1e9));
    ASSERT_EQ(rendicentesimidigrado(m), sotto) << m;
  }
}

TEST(UnitaSopraelevazione, ArrotondamentiNonSimmetrici) {
  // Rounding down: -10 mm is not the negative of 10 mm.
  EXPECT_EQ(rendicentesimidigrado(10), 38);
  EXPECT_EQ(rendicentesimidigrado(-10), -39);
  // A cant of one hundredth either way is 0 mm, with no minus sign.
  for (double centesimi : {1.0, -1.0}) {
    EXPECT_EQ(rendimillimetri(centesimi), 0);
    EXPECT_FALSE(std::signbit(rendimillimetri(centesimi))) << centesimi;
  }
}

TEST(OggettoSopraelevazione, OgniMillimetroDaMeno300A300TornaUguale) {
  for (int m = -300; m <= 300; ++m) {
    oggetto o;
    codifica_sopraelevazione(o, std::abs(m), m < 0 ? -1 : 1);
    ASSERT_EQ(o.tipo, tipo_sopraelevazione);
    ASSERT_GE(o.dato1, 0);
    ASSERT_EQ(rendimillimetri(centesimi_oggetto(o)), m) << "dato1 " << o.dato1;
  }
}

TEST(OggettoSopraelevazione, CodificaLasciaDato3Dato4Dato5) {
  oggetto o{7, 11, 12, 13, 14, 15};
  codifica_sopraelevazione(o, 100, -1);
  EXPECT_EQ(o, (oggetto{tipo_sopraelevazione, 382, -1, 13, 14, 15}));
  codifica_sopraelevazione(o, 0.2, 1);
  EXPECT_EQ(o, (oggetto{tipo_sopraelevazione, 0, 1, 13, 14, 15}));
}

TEST(OggettoSopraelevazione, CentesimiComeProdottoA16Bit) {
  EXPECT_EQ(centesimi_oggetto({tipo_sopraelevazione, 612, -1, 0, 0, 0}), -612);
  EXPECT_EQ(centesimi_oggetto({tipo_sopraelevazione, 612, 0, 0, 0, 0}), 0);
  EXPECT_EQ(centesimi_oggetto({tipo_sopraelevazione, 300, 300, 0, 0, 0}), 90000 - 65536);
  EXPECT_EQ(centesimi_oggetto({tipo_sopraelevazione, -32768, -1, 0, 0, 0}), -32768);
}

TEST(OggTipo, TrovaLoSlotPiuBasso) {
  for (bool compatto : {true, false}) {
    SCOPED_TRACE(compatto);
    scenario s = con_tratti(compatto, 3);
    s.tratti.apri(1).oggetti[7].tipo = tipo_sopraelevazione;
    s.tratti.apri(1).oggetti[3].tipo = tipo_sopraelevazione;
    s.tratti.apri(1).oggetti[2].tipo = tipo_bivio;
    EXPECT_EQ(ogg_tipo(s, 1, tipo_sopraelevazione), 3);
    EXPECT_EQ(ogg_tipo(s, 1, tipo_bivio), 2);
    EXPECT_EQ(ogg_tipo(s, 1, tipo_vuoto), 0);
    EXPECT_EQ(ogg_tipo(s, 0, tipo_sopraelevazione), std::nullopt);
    EXPECT_EQ(ogg_tipo(s, 1, 42), std::nullopt);
  }
}

TEST(OggTipo, NonGuardaOltreLUltimoSlot) {
  for (bool compatto : {true, false}) {
    SCOPED_TRACE(compatto);
    const std::size_t ultimo = compatto ? 14 : 50;
    scenario s = con_tratti(compatto, 3);
    // Section 1: nothing in its slots, the type in its trailing bytes and in the
    // first slot of the next section, right after its own last slot.
    for (std::uint8_t& b : s.tratti.apri(1).coda_tratto) b = tipo_sopraelevazione;
    s.tratti.apri(2).oggetti[0].tipo = tipo_sopraelevazione;
    s.tratti.apri(0).oggetti[ultimo].tipo = tipo_sopraelevazione;
    EXPECT_EQ(ogg_tipo(s, 1, tipo_sopraelevazione), std::nullopt);
    EXPECT_EQ(ogg_tipo(s, 0, tipo_sopraelevazione), static_cast<std::int32_t>(ultimo));
  }
}

}  // namespace
}  // namespace sopra

namespace sopra {
namespace {

// The slot a cant goes into, read through the kept slots only, is the first
// empty or cant slot of the whole record: on random records where kept slots
// of type 0 still carry other bytes, in both layouts.
TEST(SlotScrivibile, AsTheFirstEmptyOrCantSlotOfTheWholeRecord) {
  std::mt19937 caso(5);
  for (int prova = 0; prova < 20000; ++prova) {
    const std::size_t numero = prova % 2 ? slot_compatto : slot_esteso;
    std::array<oggetto, slot_esteso> tutti{};
    std::uint64_t presenti = 0;
    std::vector<oggetto> tenuti;
    for (std::size_t j = 0; j < numero; ++j) {
      const int sorte = std::uniform_int_distribution<int>(0, 19)(caso);
      if (sorte == 0) tutti[j] = {tipo_sopraelevazione, 40, 1, 0, 0, 0};
      if (sorte == 1) tutti[j] = {tipo_vuoto, 0, 3, 0, 0, 0};  // empty type, other bytes set
      if (sorte >= 4) tutti[j] = {static_cast<std::uint8_t>(1 + sorte), 1, 2, 3, 4, 5};
      if (tutti[j] == oggetto{}) continue;
      presenti |= std::uint64_t{1} << j;
      tenuti.push_back(tutti[j]);
    }
    std::optional<std::size_t> atteso;
    for (std::size_t j = 0; j < numero && !atteso; ++j)
      if (tutti[j].tipo == tipo_vuoto || tutti[j].tipo == tipo_sopraelevazione) atteso = j;
    ASSERT_EQ(slot_scrivibile(slot_tratto(tenuti.data(), presenti, numero)), atteso) << prova;
  }
}

}  // namespace
}  // namespace sopra
