#include <gtest/gtest.h>

#include <clocale>
#include <limits>

#include "editing/testo_numero.hpp"

namespace sopra {
namespace {

TEST(ValoreNumerico, ReadsTheLeadingNumberIgnoringBlanks) {
  EXPECT_EQ(valore_numerico("12abc"), 12);
  EXPECT_EQ(valore_numerico("1 2"), 12);
  EXPECT_EQ(valore_numerico("\t- 4\n5 . 5x"), -45.5);
  EXPECT_EQ(valore_numerico("12,5"), 12);
  EXPECT_EQ(valore_numerico("-7.5"), -7.5);
  EXPECT_EQ(valore_numerico("+3"), 3);
  EXPECT_EQ(valore_numerico(".5"), 0.5);
  EXPECT_EQ(valore_numerico("5."), 5);
  EXPECT_EQ(valore_numerico("1.2.3"), 1.2);
  EXPECT_EQ(valore_numerico("--5"), 0);
}

TEST(ValoreNumerico, TextWithoutALeadingNumberIsZero) {
  EXPECT_EQ(valore_numerico(""), 0);
  EXPECT_EQ(valore_numerico("abc"), 0);
  EXPECT_EQ(valore_numerico("-"), 0);
  EXPECT_EQ(valore_numerico("."), 0);
  EXPECT_EQ(valore_numerico("x12"), 0);
}

TEST(ValoreNumerico, ExponentCountsOnlyWithDigits) {
  EXPECT_EQ(valore_numerico("1e3"), 1000);
  EXPECT_EQ(valore_numerico("2E-2"), 0.02);
  EXPECT_EQ(valore_numerico("1.5e+1"), 15);
  EXPECT_EQ(valore_numerico("3e"), 3);
  EXPECT_EQ(valore_numerico("3e-x"), 3);
}

TEST(ValoreNumerico, HexadecimalAndOctalPrefixes) {
  EXPECT_EQ(valore_numerico("&H1F"), 31);
  EXPECT_EQ(valore_numerico("&hff zz"), 255);
  EXPECT_EQ(valore_numerico("&O17"), 15);
  EXPECT_EQ(valore_numerico("&o19"), 1);
  EXPECT_EQ(valore_numerico("&Hg"), 0);
  EXPECT_EQ(valore_numerico("&12"), 0);
}

TEST(ValoreNumerico, BeyondTheRangeOfADouble) {
  constexpr double massimo = std::numeric_limits<double>::max();
  EXPECT_EQ(valore_numerico("1e400"), massimo);
  EXPECT_EQ(valore_numerico("-1e400"), -massimo);
  EXPECT_EQ(valore_numerico("1" + std::string(400, '0')), massimo);
  EXPECT_EQ(valore_numerico("1e-400"), 0);
  EXPECT_EQ(valore_numerico("0." + std::string(400, '0') + "1"), 0);
  EXPECT_EQ(valore_numerico("1e99999999999999999999"), massimo);
  EXPECT_EQ(valore_numerico("1e-99999999999999999999"), 0);
}

TEST(TuttoNumero, OnlyWhenNothingFollowsTheNumber) {
  for (const char* numero : {"12", " -4 0", "12.5", "5.", ".5", "1e3", "&H1F", "+3\t"})
    EXPECT_TRUE(tutto_numero(numero)) << numero;
  for (const char* altro : {"", " ", "-", "12,5", "abc", "3x", "3e", "1.2.3", "&H", "&12", "--5"})
    EXPECT_FALSE(tutto_numero(altro)) << altro;
}

TEST(TestoNumero, WholeNumbersArePlainDigits) {
  EXPECT_EQ(testo_numero(45), "45");
  EXPECT_EQ(testo_numero(-300), "-300");
  EXPECT_EQ(testo_numero(0), "0");
  EXPECT_EQ(testo_numero(-0.0), "0");
  EXPECT_EQ(testo_numero(1e20), "100000000000000000000");
}

TEST(TestoNumero, FractionsUseAPointAndReadBackTheSame) {
  EXPECT_EQ(testo_numero(12.5), "12.5");
  EXPECT_EQ(testo_numero(-2.5), "-2.5");
  EXPECT_EQ(testo_numero(0.1), "0.1");
  for (const double valore : {1.0 / 3, -123.456, 2.5e-7, 299.99999999999994})
    EXPECT_EQ(valore_numerico(testo_numero(valore)), valore) << testo_numero(valore);
}

// A locale with a decimal comma must not change how numbers are read or written.
TEST(TestoNumero, IndependentOfTheLocale) {
  const char* locale = nullptr;
  for (const char* nome : {"it_IT.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "it_IT", "de_DE"})
    if ((locale = std::setlocale(LC_ALL, nome))) break;
  if (!locale) GTEST_SKIP() << "no locale with a decimal comma installed";
  const double letto = valore_numerico("12.5");
  const std::string scritto = testo_numero(12.5);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(letto, 12.5);
  EXPECT_EQ(scritto, "12.5");
}

}  // namespace
}  // namespace sopra
