#include "analysis/curva.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace sopra {
namespace {

constexpr double pi = 3.14159265358979323846;
constexpr std::int32_t codici[8] = {1, 2, 3, 8, 16, 23, 30, 37};

// A store of one section judged at point 1 of `punti`, the point of section 0.
scenario con_punti(const std::vector<punto_linea>& punti) {
  scenario s;
  s.punti = {{punti[0], punti[1], punti[2]}};
  return s;
}

// The curve code of point n of a run of line points.
std::int32_t codice(const std::vector<punto_linea>& punti, std::size_t n) {
  return test_curva(punti[n - 1], punti[n], punti[n + 1]);
}

// `quanti` points one metre apart along a circle of radius `raggio` about
// `centro`, starting at angle `inizio`; senso +1 runs anticlockwise, -1 clockwise.
std::vector<punto_linea> arco(double raggio, double inizio, int senso, int quanti,
                              punto_linea centro = {0, 0}) {
  std::vector<punto_linea> punti;
  for (int k = 0; k < quanti; ++k) {
    const double angolo = inizio + senso * k / raggio;
    punti.push_back({centro.x + raggio * std::cos(angolo), centro.y + raggio * std::sin(angolo)});
  }
  return punti;
}

// The side rule once used by the line: the slope angles of the two chords, with
// 3.1415 standing for pi. Kept only here, as the reference the turn rule must
// agree with wherever it was right. True for a clockwise bend.
bool orario_secondo_le_pendenze(punto_linea prima, punto_linea qui, punto_linea dopo) {
  if (qui.x - dopo.x == 0) dopo.x += 0.00000001;
  if (prima.x - qui.x == 0) prima.x += 0.00000001;
  double t0 = std::atan((prima.y - qui.y) / (prima.x - qui.x));
  double t1 = std::atan((qui.y - dopo.y) / (qui.x - dopo.x));
  const auto segno = [](double t) { return (t > 0) - (t < 0); };
  if (segno(t0) != segno(t1)) {
    if (std::abs(t1) < 3.1415 / 4) {
      t0 += 3.1415;
      t1 += 3.1415;
    } else {
      if (t0 < 0) t0 += 3.1415;
      if (t1 < 0) t1 += 3.1415;
    }
  }
  return t1 < t0;
}

TEST(Curva, PuntiAllineatiSonoRettilineo) {
  for (double direzione : {0.0, 0.5, pi / 2, 2.0, pi, 4.4, 3 * pi / 2}) {
    SCOPED_TRACE(direzione);
    const double dx = std::cos(direzione), dy = std::sin(direzione);
    const scenario s = con_punti({{100 - dx, 40 - dy}, {100, 40}, {100 + dx, 40 + dy}});
    EXPECT_EQ(codice({{100 - dx, 40 - dy}, {100, 40}, {100 + dx, 40 + dy}}, 1), 0);
    const raggio_curva r = rendi_raggio_curva(s, 0);
    EXPECT_EQ(r.raggio, 0);
    EXPECT_EQ(r.classe_raggio, 0);
  }
  const scenario tutti_zero = con_punti({{0, 0}, {0, 0}, {0, 0}});
  EXPECT_EQ(rendi_raggio_curva(tutti_zero, 0).raggio, 0);
}

TEST(Curva, ArchiDiOgniClasseNeiDueSensi) {
  for (std::int32_t classe = 0; classe < 8; ++classe) {
    const double raggio = raggi_nominali[classe];
    for (int senso : {1, -1}) {
      for (double inizio : {0.0, 1.0, 2.5, 4.0, 5.5}) {
        SCOPED_TRACE(testing::Message()
                     << "raggio " << raggio << " senso " << senso << " inizio " << inizio);
        const auto p = arco(raggio, inizio, senso, 120, {52000.5, -7300.25});
        for (std::size_t n = 1; n < 119; ++n) {
          ASSERT_EQ(codice(p, n), senso * codici[classe]) << "punto " << n;
          const raggio_curva r = raggio_dei_punti({p[n - 1], p[n], p[n + 1]});
          ASSERT_EQ(r.raggio, senso * raggi_nominali[classe]) << "punto " << n;
          ASSERT_EQ(r.classe_raggio, classe) << "punto " << n;
        }
      }
    }
  }
}

TEST(Curva, IlPuntoDiUnTrattoSiLeggeNelSuoTratto) {
  scenario s;
  s.punti.resize(4);
  s.punti[2] = {{0, -1}, {-0.0005, 0}, {0, 1}};  // deflection 7.55: a 1000 m bend to the right
  EXPECT_EQ(rendi_raggio_curva(s, 100).raggio, -1000);
  EXPECT_EQ(rendi_raggio_curva(s, 50).raggio, 0);
  EXPECT_EQ(rendi_raggio_curva(s, 150).raggio, 0);
}

TEST(Curva, DeflessioneSullaSogliaVaNellaFasciaSopra) {
  const double soglie[8] = {0.0000001, 0.9, 1.7, 3.2, 7.9, 15.7, 23.6, 31};
  EXPECT_EQ(codice_deflessione(0), 0);
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(soglie[i]);
    EXPECT_EQ(codice_deflessione(soglie[i]), codici[i]);
    EXPECT_EQ(codice_deflessione(std::nextafter(soglie[i], 0.0)), i == 0 ? 0 : codici[i - 1]);
  }
  EXPECT_EQ(codice_deflessione(1e6), 37);
}

TEST(Curva, PuntiConDeflessioneSullaSoglia) {
  // P- = (0, -1), P0 = (-a, 0), P+ = (0, 1) have D = a × 15100, which for these
  // thresholds t is exactly t at a = t / 15100, and just below it one step of a
  // lower. (7.9 and 31 are not the deflection of any three points.)
  const double soglie[] = {0.0000001, 0.9, 1.7, 3.2, 15.7, 23.6};
  const std::int32_t sopra[] = {1, 2, 3, 8, 23, 30};
  const std::int32_t sotto[] = {0, 1, 2, 3, 16, 23};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(soglie[i]);
    const double a = soglie[i] / 15100;
    EXPECT_EQ(std::abs(test_curva({0, -1}, {-a, 0}, {0, 1})), sopra[i]);
    EXPECT_EQ(std::abs(test_curva({0, -1}, {-std::nextafter(a, 0.0), 0}, {0, 1})), sotto[i]);
  }
}

// The radius and class of three points are those of their curve code, also on
// the thresholds, for points of no number, and for any other points.
TEST(Curva, RaggioEClasseDalCodice) {
  std::vector<punti_tratto> casi;
  for (double soglia : {0.0000001, 0.9, 1.7, 3.2, 15.7, 23.6}) {
    const double a = soglia / 15100;
    for (double x : {-a, std::nextafter(-a, 0.0), a}) casi.push_back({{0, -1}, {x, 0}, {0, 1}});
  }
  casi.push_back({{0, 0}, {std::nan(""), 0}, {1, 1}});
  std::mt19937 caso(5);
  std::uniform_real_distribution<double> scarto(-0.003, 0.003);
  for (int k = 0; k < 20000; ++k) casi.push_back({{-1, scarto(caso)}, {0, scarto(caso)}, {1, 0}});
  for (const punti_tratto& p : casi) {
    const std::int32_t c = test_curva(p.prima, p.qui, p.dopo);
    const raggio_curva r = raggio_dei_punti(p);
    ASSERT_EQ(r.classe_raggio, c == 0 ? 0 : std::find(codici, codici + 8, std::abs(c)) - codici)
        << p.qui.x << " " << p.qui.y;
    ASSERT_EQ(r.raggio, c == 0 ? 0 : (c < 0 ? -1 : 1) * raggi_nominali[r.classe_raggio]);
  }
}

TEST(LatoCurva, CordaAvantiParallelaAllAsseY) {
  const scenario sinistra = con_punti({{-0.001, -1}, {0, 0}, {0, 1}});
  EXPECT_EQ(test_curva({-0.001, -1}, {0, 0}, {0, 1}), 8);
  EXPECT_EQ(rendi_raggio_curva(sinistra, 0).raggio, 1000);
  const scenario destra = con_punti({{0.001, -1}, {0, 0}, {0, 1}});
  EXPECT_EQ(test_curva({0.001, -1}, {0, 0}, {0, 1}), -8);
  EXPECT_EQ(rendi_raggio_curva(destra, 0).raggio, -1000);
  // The slope rule gave these the same sides.
  EXPECT_FALSE(orario_secondo_le_pendenze({-0.001, -1}, {0, 0}, {0, 1}));
  EXPECT_TRUE(orario_secondo_le_pendenze({0.001, -1}, {0, 0}, {0, 1}));
}

TEST(LatoCurva, SenzaGiroIlCodiceRestaPositivo) {
  // A line that doubles back on itself bends hard but turns neither way.
  EXPECT_EQ(test_curva({0, 0}, {1, 0}, {0, 0}), 37);
}

TEST(LatoCurva, ArcoAmpioACavalloDellaDirezioneY) {
  // Radius 20000 m, point n where the track runs along +y (anticlockwise) or -y
  // (clockwise): the chord behind lies on one side of the y direction, the chord
  // ahead on the other.
  const double raggio = 20000;
  const auto a = arco(raggio, -1 / raggio, 1, 3);
  ASSERT_LT(a[0].x, a[1].x);
  ASSERT_GT(a[1].x, a[2].x);
  EXPECT_EQ(codice(a, 1), 1);
  EXPECT_EQ(rendi_raggio_curva(con_punti(a), 0).raggio, 10000);

  const auto o = arco(raggio, 1 / raggio, -1, 3);
  EXPECT_EQ(codice(o, 1), -1);
  EXPECT_EQ(rendi_raggio_curva(con_punti(o), 0).raggio, -10000);

  // The slope rule put both on the wrong side.
  EXPECT_TRUE(orario_secondo_le_pendenze(a[0], a[1], a[2]));
  EXPECT_FALSE(orario_secondo_le_pendenze(o[0], o[1], o[2]));
}

TEST(LatoCurva, ConcordaConLaRegolaDellePendenzeSulleCurveOrdinarie) {
  // Arcs of every radius class, and wider ones, sampled every metre, turning either
  // way, with point n at 7200 directions around the circle, about two centres.
  // The slope rule was right for every arc of 10000 m or less and, on wider arcs,
  // wherever both chords lie on the same side of the y direction; there the turn
  // rule must give the same side, and both the true one.
  const double raggi[] = {200, 250, 330, 490, 1000, 2500, 5000, 8000, 10000, 20000, 50000};
  const punto_linea centri[] = {{0, 0}, {250000.5, -3100000.25}};
  const int direzioni = 7200;
  int confrontati = 0;
  for (double raggio : raggi) {
    for (const punto_linea& centro : centri) {
      for (int senso : {1, -1}) {
        for (int k = 0; k < direzioni; ++k) {
          const double angolo = 2 * pi * k / direzioni;
          const std::vector<punto_linea> p =
              arco(raggio, angolo - senso / raggio, senso, 3, centro);
          const bool a_cavallo = (p[1].x - p[0].x < 0) != (p[2].x - p[1].x < 0);
          if (raggio > 10000 && a_cavallo) continue;
          const std::int32_t codice = test_curva(p[0], p[1], p[2]);
          const bool orario = orario_secondo_le_pendenze(p[0], p[1], p[2]);
          ASSERT_EQ(codice < 0, orario)
              << "raggio " << raggio << " senso " << senso << " direzione " << k;
          ASSERT_EQ(codice < 0, senso < 0) << "raggio " << raggio << " direzione " << k;
          ++confrontati;
        }
      }
    }
  }
  EXPECT_GT(confrontati, 11 * 2 * 2 * direzioni * 9 / 10);
}

// Three points 25 m apart along arcs of any radius, about centres far from the
// origin, heading any way and turning either way: the circle's signed radius.
TEST(RaggioPerTrePunti, ArchiInOgniDirezione) {
  std::mt19937 caso(19);
  std::uniform_real_distribution<double> esponente(2, 6);  // 100 m .. 1000 km
  std::uniform_real_distribution<double> angolo(0, 2 * pi);
  std::uniform_real_distribution<double> lontano(-3e6, 3e6);
  for (int k = 0; k < 4000; ++k) {
    const double raggio = std::pow(10.0, esponente(caso));
    const int senso = k % 2 == 0 ? 1 : -1;
    const auto p = arco(raggio, angolo(caso), senso, 51, {lontano(caso), lontano(caso)});
    ASSERT_NEAR(raggio_per_tre_punti(p[0], p[25], p[50]), senso * raggio, raggio * 1e-4)
        << "prova " << k;
  }
}

// Points with no circle through them: collinear, also with the round-off of
// points worked out along a straight in any direction, coincident, or not numbers.
TEST(RaggioPerTrePunti, SenzaCerchioNessunRaggio) {
  std::mt19937 caso(23);
  std::uniform_real_distribution<double> angolo(0, 2 * pi);
  std::uniform_real_distribution<double> lontano(-3e6, 3e6);
  for (int k = 0; k < 4000; ++k) {
    const punto_linea o{lontano(caso), lontano(caso)};
    const double a = angolo(caso);
    const auto punto = [&](double metri) {
      return punto_linea{o.x + metri * std::cos(a), o.y + metri * std::sin(a)};
    };
    ASSERT_EQ(raggio_per_tre_punti(punto(0), punto(25), punto(50)), 0) << "prova " << k;
  }
  EXPECT_EQ(raggio_per_tre_punti({3, 4}, {3, 4}, {10, 1}), 0);
  EXPECT_EQ(raggio_per_tre_punti({0, 0}, {25, 0}, {0, 0}), 0);  // doubling back
  EXPECT_EQ(raggio_per_tre_punti({0, 0}, {0, 0}, {0, 0}), 0);
  EXPECT_EQ(raggio_per_tre_punti({0, 0}, {std::nan(""), 1}, {50, 0}), 0);
  EXPECT_EQ(raggio_per_tre_punti({0, 0}, {25, 1e300}, {50, 0}), 0);
  // Just off the line: a radius, on the side of the turn.
  EXPECT_NEAR(raggio_per_tre_punti({0, 0}, {25, 0.001}, {50, 0}), -312500, 1);
}

}  // namespace
}  // namespace sopra
