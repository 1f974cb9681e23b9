#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "file_di_prova.hpp"
#include "scenario/memoria_grande.hpp"
#include "scenario/records.hpp"
#include "scenario/scenario.hpp"

namespace sopra {
namespace {

std::vector<std::uint8_t> byte_casuali(std::size_t n, unsigned seme) {
  std::mt19937 caso(seme);
  std::vector<std::uint8_t> byte(n);
  for (auto& b : byte) b = static_cast<std::uint8_t>(caso());
  return byte;
}

TEST(Oggetto, CampiAiLoroOffset) {
  const std::vector<std::uint8_t> byte = {129, 0x34, 0x12, 0xFF, 0xFF, 0x01, 0x80, 0xFE, 0x7F, 200};
  const oggetto o = decodifica_oggetto(byte.data());
  EXPECT_EQ(o.tipo, 129);
  EXPECT_EQ(o.dato1, 0x1234);
  EXPECT_EQ(o.dato2, -1);
  EXPECT_EQ(o.dato3, -32767);
  EXPECT_EQ(o.dato4, 32766);
  EXPECT_EQ(o.dato5, 200);
  std::vector<std::uint8_t> di_nuovo(byte_oggetto);
  codifica_oggetto(o, di_nuovo.data());
  EXPECT_EQ(di_nuovo, byte);
}

TEST(Tratto, OgniByteTornaUgualeInEntrambiIFormati) {
  for (bool compatto : {true, false}) {
    SCOPED_TRACE(compatto ? "compatto" : "esteso");
    const std::size_t dimensione = byte_tratto(compatto);
    EXPECT_EQ(dimensione, compatto ? 156u : 516u);
    // Three sections of arbitrary bytes: unknown types, junctions, cant objects
    // and coda_tratto alike must come back as they were.
    const auto byte = byte_casuali(3 * dimensione, compatto ? 1 : 2);
    const auto tratti = elenco_tratti::decodifica(compatto, 3, byte);
    EXPECT_EQ(tratti.codifica(), byte);
    EXPECT_EQ(tratti[1].coda_tratto[0], byte[2 * dimensione - 6]);
    EXPECT_EQ(tratti[2].oggetti[tratti.slot_per_tratto() - 1].dato5, byte[3 * dimensione - 7]);
  }
}

TEST(Tratto, RecordMancantiOTroncatiSonoZero) {
  const auto byte = byte_casuali(156 + 20, 3);  // one section and 20 bytes of the next
  const auto tratti = elenco_tratti::decodifica(true, 3, byte);
  const auto codificati = tratti.codifica();
  ASSERT_EQ(codificati.size(), 3u * 156);
  EXPECT_TRUE(std::equal(byte.begin(), byte.end(), codificati.begin()));
  EXPECT_TRUE(
      std::all_of(codificati.begin() + 176, codificati.end(), [](auto b) { return b == 0; }));
}

TEST(Tratto, FileLungoLettoSoloFinoAN) {
  const auto byte = byte_casuali(5 * 516, 4);
  const auto tratti = elenco_tratti::decodifica(false, 2, byte);
  EXPECT_EQ(tratti.codifica(), std::vector<std::uint8_t>(byte.begin(), byte.begin() + 2 * 516));
}

// The packed sections against a plain copy of their bytes: slots set one at a
// time (kept, empty, zero, in a section already given all its slots) and
// whole sections reached for writing, in both layouts, with slots that are
// empty but for one byte. Every read and the encoding follow the copy.
TEST(Tratto, SlotImpaccatiComeUnaCopiaDeiByte) {
  for (bool compatto : {true, false}) {
    SCOPED_TRACE(compatto ? "compatto" : "esteso");
    std::mt19937 caso(compatto ? 5 : 6);
    const std::size_t n = 40, record = byte_tratto(compatto);
    const std::size_t slot = compatto ? slot_compatto : slot_esteso;
    auto copia = byte_casuali(n * record, compatto ? 7 : 8);
    for (std::size_t k = 0; k < n * slot; ++k) {  // most slots empty, some all but one byte
      std::uint8_t* o = copia.data() + (k / slot) * record + (k % slot) * byte_oggetto;
      if (caso() % 4 != 0) std::fill_n(o, byte_oggetto, std::uint8_t{0});
      if (caso() % 16 == 0) o[caso() % byte_oggetto] = 1;
    }
    auto tratti = elenco_tratti::decodifica(compatto, n, copia);
    for (int passo = 0; passo < 3000; ++passo) {
      const std::size_t i = caso() % n, j = caso() % slot;
      std::uint8_t* o = copia.data() + i * record + j * byte_oggetto;
      oggetto nuovo{};
      if (caso() % 3 != 0) nuovo = {static_cast<std::uint8_t>(caso()), 1, -2, 3, -4, 5};
      if (caso() % 50 == 0) {
        tratti.apri(i).oggetti[j] = nuovo;  // the whole section, then one slot
      } else {
        tratti.imposta_oggetto(i, j, nuovo);
      }
      codifica_oggetto(nuovo, o);
      ASSERT_EQ(tratti[i].oggetti[j], decodifica_oggetto(o)) << passo;
    }
    const elenco_tratti& letti = tratti;
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < slot; ++j)
        ASSERT_EQ(letti[i].oggetti[j],
                  decodifica_oggetto(copia.data() + i * record + j * byte_oggetto));
    }
    EXPECT_EQ(tratti.codifica(), copia);
    EXPECT_TRUE(tratti == elenco_tratti::decodifica(compatto, n, copia));
  }
}

// Blocks follow one another, aligned; only the last one given back or
// shortened makes room for the next.
TEST(RegioneMemoria, BlocchiInFilaELUltimoTorna) {
  regione_memoria regione(std::size_t{4} << 20);
#if defined(__linux__)
  auto* a = static_cast<std::uint8_t*>(regione.prendi(100, 64));
  auto* b = static_cast<std::uint8_t*>(regione.prendi(1000, 64));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b, a + 128);
  EXPECT_TRUE(regione.contiene(b + 999));
  regione.rendi(a);  // not the last: stays taken
  EXPECT_EQ(regione.prendi(8, 64), b + 1024);
  regione.accorcia(b, 10);  // not the last any more: unchanged
  auto* c = static_cast<std::uint8_t*>(regione.prendi(16, 64));
  EXPECT_EQ(c, b + 1088);
  regione.accorcia(c, 1);
  EXPECT_EQ(regione.prendi(1, 1), c + 1);
  regione.rendi(c + 1);
  EXPECT_EQ(regione.prendi(std::size_t{8} << 20, 64), nullptr);  // beyond the region
  EXPECT_EQ(regione.prendi(1, 1), c + 1);
#else
  EXPECT_EQ(regione.prendi(100, 64), nullptr);  // elsewhere every block is the system's
#endif
}

TEST(PuntoLinea, DueDoubleLittleEndian) {
  std::vector<std::uint8_t> byte(16);
  codifica_punto({1.5, -2.25}, byte.data());
  EXPECT_EQ(byte[7], 0x3F);  // 1.5 = 0x3FF8000000000000
  EXPECT_EQ(byte[6], 0xF8);
  const punto_linea p = decodifica_punto(byte.data());
  EXPECT_EQ(p.x, 1.5);
  EXPECT_EQ(p.y, -2.25);
}

using prova::testata_vuota;

TEST(Testata, PosizioneDellaLunghezzaLinea) {
  auto byte = testata_vuota();
  EXPECT_EQ(posizione_lunghezza_linea(byte), 26837u);
  // One 3-character string in group 2, which starts after group 1 (300 × 77 bytes).
  byte[300 * 77] = 3;
  byte.insert(byte.begin() + 300 * 77 + 2, 3, 'x');
  EXPECT_EQ(posizione_lunghezza_linea(byte), 26840u);
}

TEST(Testata, TroncataPrimaDellaLunghezzaLinea) {
  auto byte = testata_vuota();
  byte.resize(26837 + 3);
  EXPECT_FALSE(posizione_lunghezza_linea(byte));
  byte.resize(26837 + 4);  // cut right after lunghezza_linea: accepted
  EXPECT_EQ(posizione_lunghezza_linea(byte), 26837u);
  byte.resize(100);
  EXPECT_FALSE(posizione_lunghezza_linea(byte));
  EXPECT_FALSE(posizione_lunghezza_linea({}));
}

TEST(Testata, ConteggioDiStringaOltreLaFine) {
  // A string count that claims more bytes than the file holds must not read past it.
  auto byte = testata_vuota();
  byte[300 * 77] = 0xFF;
  byte[300 * 77 + 1] = 0xFF;
  byte.resize(300 * 77 + 100);
  EXPECT_FALSE(posizione_lunghezza_linea(byte));
}

TEST(Testata, ConteggioLettoSenzaSegno) {
  // 0x8000 bytes of text in the first string of group 2.
  auto byte = testata_vuota();
  byte[300 * 77 + 1] = 0x80;
  byte.insert(byte.begin() + 300 * 77 + 2, 0x8000, 'a');
  EXPECT_EQ(posizione_lunghezza_linea(byte), 26837u + 0x8000);
}

}  // namespace
}  // namespace sopra
