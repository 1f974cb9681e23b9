#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <set>

#include "editing/scenario_aperto.hpp"
#include "linee_di_prova.hpp"
#include "progetto/condizioni.hpp"
#include "progetto/progetta.hpp"
#include "progetto/raccordi.hpp"
#include "progetto/relazione.hpp"
#include "progetto/verifica.hpp"

namespace sopra {
namespace {

using namespace prova;

// The designed cant of sections da .. a (signed mm), the design written into
// the store as the window and the batch companion write it. The sections'
// halfway points are taken as beyond the line file, so that every curve is
// designed on its class's nominal radius: a section where two built arcs meet
// would otherwise measure the inflection between them.
std::vector<std::int32_t> progettati(scenario s, std::int32_t da, std::int32_t a,
                                     const parametri_progetto& p,
                                     const profilo_velocita& profilo = {}) {
  s.punti_nel_file = 0;
  scenario_aperto aperto(std::move(s));
  aperto.progetta(p, profilo);
  std::vector<std::int32_t> mm;
  for (std::int32_t t = da; t <= a; ++t) mm.push_back(millimetri_tratto(aperto.store(), t));
  return mm;
}

using mm = std::vector<std::int32_t>;

TEST(Progetta, ReverseCurvesShareTheRoomInProportion) {
  // Left 490 m (target 160) then right 490 m: equal shares of the 82 mm room.
  scenario s = scenario_rettilineo(60);
  tratti_curvi(s, 20, 29, 490, 0);
  tratti_curvi(s, 30, 39, -490, 0);
  EXPECT_EQ(progettati(s, 26, 33, a_120()), (mm{160, 160, 123, 41, -41, -123, -160, -160}));

  // Left 490 m then right 10000 m (target 15): 160 × 82 / 175 and 15 × 82 / 175.
  scenario t = scenario_rettilineo(60);
  tratti_curvi(t, 20, 29, 490, 0);
  tratti_curvi(t, 30, 39, -10000, 0);
  EXPECT_EQ(progettati(t, 26, 32, a_120()), (mm{160, 160, 156, 74, -7, -15, -15}));
}

TEST(Progetta, PinsLowerTheCurveByNoMoreThanNeeded) {
  // A curve ending right before a junction zone.
  scenario s = scenario_rettilineo(60);
  tratti_curvi(s, 20, 29, 490, 0);
  metti_bivio(s, 31);  // zone 30 .. 31
  EXPECT_EQ(progettati(s, 26, 31, a_120()), (mm{160, 160, 160, 82, 0, 0}));

  // A full section inside a curve: the design goes down to it and up again,
  // and the lowered sections are reported with the speed they allow.
  scenario f = scenario_rettilineo(60);
  tratti_curvi(f, 20, 39, -490, 0);
  riempi(f, 30);
  EXPECT_EQ(progettati(f, 27, 33, a_120()), (mm{-160, -160, -82, 0, -82, -160, -160}));
  const geometria_linea g(f);
  const piano_progetto piano = progetta_linea(f, g, a_120(), {});
  EXPECT_EQ(piano.esito.bloccati_senza_slot, (std::vector<std::int32_t>{1500}));
  ASSERT_EQ(piano.esito.abbassati.size(), 2u);
  EXPECT_EQ(piano.esito.abbassati[0].posizione, 1450);
  EXPECT_EQ(piano.esito.abbassati[0].millimetri, 82);
  // sqrt((82 + 130) × 490 / 11.8) = 93.8 km/h
  EXPECT_EQ(piano.esito.abbassati[0].velocita_ammessa, 93);
  EXPECT_EQ(piano.esito.curve_progettate, 1u);
}

TEST(Progetta, SpeedChangeInsideACurve) {
  // 1000 m: 160 mm at 160 km/h (delta 61), 55 mm at 80 km/h (delta 123). The
  // step where the stretches meet takes the faster train's delta.
  scenario s = scenario_rettilineo(60);
  tratti_curvi(s, 20, 39, 1000, 0);
  const profilo_velocita profilo({{0, 160, 0}, {1500, 80, 0}});
  EXPECT_EQ(progettati(s, 17, 41, {}, profilo),
            (mm{0,  38, 99, 160, 160, 160, 160, 160, 160, 160, 160, 160, 160,
                99, 55, 55, 55,  55,  55,  55,  55,  55,  55,  0,   0}));
}

TEST(Relazione, OneLinePerCurveRunWithItsFigures) {
  // A left 490 m curve designed at 120 km/h: 160 mm, a run-off of one section
  // on either side (160, 78, 0 in steps of at most 82), then a right 10000 m curve.
  scenario s = scenario_rettilineo(80);
  tratti_curvi(s, 20, 29, 490, 0);
  tratti_curvi(s, 50, 52, -10000, 0);
  s.punti_nel_file = 0;  // nominal radii
  scenario_aperto aperto(std::move(s));
  parametri_progetto p = a_120();
  p.velocita_minima = 60;
  aperto.progetta(p, {});
  const auto curve = relazione_curve(aperto.store(), aperto.geometria(), p, {});
  ASSERT_EQ(curve.size(), 2u);
  const curva_relazione& c = curve[0];
  EXPECT_EQ(c.inizio, 1000);
  EXPECT_EQ(c.fine, 1450);
  EXPECT_EQ(c.lato, 1);
  EXPECT_EQ(c.raggio_minimo, 490);
  EXPECT_EQ(c.raggio_nominale, 490);
  EXPECT_EQ(c.sopraelevazione, 160);
  EXPECT_NEAR(*c.insufficienza, 11.8 * 120 * 120 / 490 - 160, 1e-9);
  EXPECT_NEAR(*c.eccesso, 160 - 11.8 * 60 * 60 / 490, 1e-9);
  EXPECT_EQ(c.raccordo_prima, 50);
  EXPECT_EQ(c.raccordo_dopo, 50);
  EXPECT_EQ(c.velocita_categorie, (std::array<std::int32_t, 4>{102, 108, 113, 134}));
  EXPECT_NEAR(c.pendenza_massima, 82.0 / 50, 1e-12);
  EXPECT_NEAR(*c.variazione_massima, 82 * 120 / 3.6 / 50, 1e-9);
  // 490 m at 120 km/h needs more than c_max: the check's codes of the run.
  EXPECT_EQ(c.problemi, (std::vector<codice_problema>{codice_problema::insufficienza}));
  EXPECT_EQ(curve[1].lato, -1);
  EXPECT_EQ(curve[1].sopraelevazione, 15);
}

// The side of row r's curve (+1 left, -1 right, 0 straight), junction zones included.
int lato(const geometria_linea& g, std::size_t r) {
  return (g.raggio(r) > 0) - (g.raggio(r) < 0);
}

// After the design, on random lines and speed profiles: no step above the one
// allowed; no cant on an inner rail, a junction zone or a full section; no
// section below its target that could be raised by 1 mm without a step above
// the one allowed, but the two beside a reverse curve; the check finds none of
// the problems the design must leave none of; only cant slots changed.
TEST(Progetta, PropertiesOnRandomLines) {
  std::mt19937 caso(23);
  for (int prova = 0; prova < 150; ++prova) {
    const scenario prima = linea_casuale(120, caso);
    parametri_progetto p;
    std::vector<tratto_velocita> tratti{{0, 40.0 + (prova * 7) % 160, prova % 3 ? 0.0 : 30}};
    for (std::int64_t m = 500; m < 6000; m += 500 + 250 * (prova % 4))
      tratti.push_back({m, 40.0 + (m * 13 + prova) % 180, 0});
    const profilo_velocita profilo(tratti);
    if (prova % 5 == 0) p.pendenza_raccordo = 1.1;

    scenario_aperto aperto(prima);
    aperto.progetta(p, profilo);
    const scenario& s = aperto.store();
    const geometria_linea& g = aperto.geometria();
    const auto cond = condizioni_righe(g, p, profilo);
    const auto letture = leggi_righe(prima, g);

    // The rows beside a reverse curve: the last of a run and the first of
    // the next run of the other side, with only straights between.
    std::set<std::size_t> inversioni;
    for (std::size_t r = 0, fine = g.size(); r < g.size(); ++r) {
      if (lato(g, r) == 0) continue;
      if (fine < g.size() && lato(g, fine) == -lato(g, r) &&
          (fine + 1 == r || lato(g, r - 1) == 0)) {
        inversioni.insert(fine);
        inversioni.insert(r);
      }
      fine = r;
    }

    std::vector<std::int32_t> c(g.size());
    for (std::size_t r = 0; r < g.size(); ++r) c[r] = millimetri_tratto(s, tratto_della_riga(r));
    for (std::size_t r = 0; r < g.size(); ++r) {
      const std::int32_t pos = posizione_tratto(tratto_della_riga(r));
      if (r > 0) {
        ASSERT_LE(std::abs(c[r] - c[r - 1]), cond[r].delta) << prova << " @" << pos;
      }
      ASSERT_GE(lato(g, r) * c[r], 0) << prova << " @" << pos;
      const bool bloccato = g.bivio(r) || !letture[r].scrivibile;
      if (bloccato) {
        ASSERT_EQ(c[r], 0) << prova << " @" << pos;
        continue;
      }
      if (lato(g, r) == 0) continue;
      const std::int32_t obiettivo =
          proponi(cond[r].velocita_massima, cond[r].velocita_minima, std::fabs(cond[r].raggio), p)
              .millimetri;
      if (std::abs(c[r]) >= obiettivo || inversioni.contains(r)) continue;
      const std::int32_t piu = c[r] + lato(g, r);
      const bool bloccato_prima = r > 0 && std::abs(piu - c[r - 1]) > cond[r].delta;
      const bool bloccato_dopo = r + 1 < g.size() && std::abs(c[r + 1] - piu) > cond[r + 1].delta;
      ASSERT_TRUE(bloccato_prima || bloccato_dopo) << prova << " could raise @" << pos;
    }
    for (const problema& pr : aperto.verifica(p, profilo)) {
      using enum codice_problema;
      const auto k = pr.codice;
      EXPECT_TRUE(k != lato && k != bivio && k != massimo && k != rettilineo && k != pendenza &&
                  k != variazione && k != fuori_scala)
          << prova << ": " << nome_codice(k) << " @" << pr.posizione;
    }
    for (std::size_t t = 0; t < s.tratti.size(); ++t) {
      const tratto_costante a = prima.tratti[t];
      const tratto_costante b = s.tratti[t];
      ASSERT_TRUE(std::ranges::equal(a.coda_tratto, b.coda_tratto));
      for (std::size_t j = 0; j < a.oggetti.size(); ++j) {
        if (a.oggetti[j] == b.oggetti[j]) continue;
        ASSERT_TRUE(a.oggetti[j].tipo == tipo_vuoto || a.oggetti[j].tipo == tipo_sopraelevazione);
        ASSERT_TRUE(b.oggetti[j].tipo == tipo_vuoto || b.oggetti[j].tipo == tipo_sopraelevazione);
      }
    }
  }
}

}  // namespace
}  // namespace sopra
