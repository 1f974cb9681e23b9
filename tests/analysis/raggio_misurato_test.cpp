// The measured radius of sections on circular arcs, from line files written to
// disk and loaded as any scenario, across the blocks the line file is read in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "analysis/caricamento.hpp"
#include "analysis/curva.hpp"
#include "analysis/geometria_linea.hpp"
#include "file_di_prova.hpp"

namespace sopra {
namespace {

// Line length: points 0 .. 135000, over two 65536-point blocks of the line file.
constexpr std::int32_t lunghezza = 128000;
constexpr std::size_t ultimo_punto = lunghezza + metri_oltre_linea;

struct arco_del_tracciato {
  std::size_t inizio, fine;  // its first and last point
  double raggio;
  int senso;  // +1 left-hand, -1 right-hand
};

// A line of straights and circular arcs, one point a metre from point 0, each
// point worked out from the start of its own straight or the centre of its arc.
struct tracciato {
  std::vector<punto_linea> punti{{1000.5, -2000.25}};
  double direzione = 0.4;
  std::vector<arco_del_tracciato> archi;

  void rettilineo_fino_a(std::size_t ultimo) {
    const punto_linea o = punti.back();
    for (double k = 1; punti.size() <= ultimo; ++k)
      punti.push_back({o.x + k * std::cos(direzione), o.y + k * std::sin(direzione)});
  }
  void arco(double raggio, int senso, std::size_t metri) {
    const punto_linea o = punti.back();
    const double cx = o.x - senso * raggio * std::sin(direzione);
    const double cy = o.y + senso * raggio * std::cos(direzione);
    const double fi0 = direzione - senso * std::numbers::pi / 2;
    archi.push_back({punti.size() - 1, punti.size() - 1 + metri, raggio, senso});
    for (double k = 1; k <= double(metri); ++k) {
      const double fi = fi0 + senso * k / raggio;
      punti.push_back({cx + raggio * std::cos(fi), cy + raggio * std::sin(fi)});
    }
    direzione += senso * double(metri) / raggio;
  }
};

// Arcs of 150, 490, 960, 2300 and 8000 m turning either way, 700 m each, two of
// them across the start of a block of the line file, straight in between.
tracciato linea_di_prova() {
  const double raggi[] = {150, 490, 960, 2300, 8000};
  const std::size_t inizi[] = {5000,  20000, 35000,  50000,  65536 - 350,
                               80000, 95000, 110000, 120000, 131072 - 350};
  tracciato t;
  for (std::size_t i = 0; i < 10; ++i) {
    t.rettilineo_fino_a(inizi[i]);
    t.arco(raggi[i / 2], i % 2 == 0 ? 1 : -1, 700);
  }
  t.rettilineo_fino_a(ultimo_punto);
  return t;
}

// The scenario of `punti`, whose line file holds `byte_linea` bytes of them, loaded.
scenario carica_linea(const prova::cartella_temporanea& cartella,
                      const std::vector<punto_linea>& punti, std::size_t byte_linea) {
  std::vector<std::uint8_t> linea(punti.size() * sizeof(punto_linea));
  for (std::size_t p = 0; p < punti.size(); ++p)
    codifica_punto(punti[p], linea.data() + p * sizeof(punto_linea));
  linea.resize(byte_linea);
  prova::scrivi_file(cartella / "Prova_Archi.si3", prova::testata_vuota(lunghezza));
  prova::scrivi_file(cartella / "Prova_Archi.da3", {});
  prova::scrivi_file(cartella / "Prova_linea.da3", linea);
  scenario store;
  EXPECT_EQ(carica_scenario(cartella / "Prova_Archi.si3", store), std::nullopt);
  return store;
}

// Every row's measured radius is that of the circle through the line's own
// points 50 s - 25, 50 s and 50 s + 25, or none where the whole records of the
// file do not reach the last of them.
void come_dai_punti(const geometria_linea& g, const std::vector<punto_linea>& punti,
                    std::size_t interi) {
  for (std::size_t r = 0; r < g.size(); ++r) {
    const auto m = static_cast<std::size_t>(posizione_tratto(tratto_della_riga(r)));
    const double atteso =
        m + 25 < interi ? raggio_per_tre_punti(punti[m - 25], punti[m], punti[m + 25]) : 0;
    ASSERT_EQ(g.raggio_misurato(r), static_cast<float>(atteso)) << "riga " << r;
  }
}

// The rows whose three points all lie on arc `a`.
template <class F>
void sull_arco(const geometria_linea& g, const arco_del_tracciato& a, F&& esamina) {
  for (std::size_t r = 0; r < g.size(); ++r) {
    const auto m = static_cast<std::size_t>(posizione_tratto(tratto_della_riga(r)));
    if (m >= a.inizio + 25 && m + 25 <= a.fine) esamina(r);
  }
}

TEST(RaggioMisurato, ArchiDiUnFileLinea) {
  prova::cartella_temporanea cartella;
  const tracciato t = linea_di_prova();
  const scenario store = carica_linea(cartella, t.punti, t.punti.size() * sizeof(punto_linea));
  ASSERT_EQ(store.punti_nel_file, ultimo_punto + 1);
  const geometria_linea g(store);
  come_dai_punti(g, t.punti, store.punti_nel_file);
  for (const arco_del_tracciato& a : t.archi) {
    SCOPED_TRACE(testing::Message() << "raggio " << a.raggio << " senso " << a.senso);
    int righe = 0;
    sull_arco(g, a, [&](std::size_t r) {
      EXPECT_NEAR(g.raggio_misurato(r), a.senso * a.raggio, a.raggio * 0.01) << "riga " << r;
      ++righe;
    });
    EXPECT_GE(righe, 12);
  }
}

// Coordinates rounded to the millimetre: within 3 % up to 5000 m, where the
// curve classification still finds the arc's side.
TEST(RaggioMisurato, CoordinateAlMillimetro) {
  prova::cartella_temporanea cartella;
  const tracciato t = linea_di_prova();
  std::vector<punto_linea> punti = t.punti;
  for (punto_linea& p : punti) p = {std::round(p.x * 1000) / 1000, std::round(p.y * 1000) / 1000};
  const scenario store = carica_linea(cartella, punti, punti.size() * sizeof(punto_linea));
  const geometria_linea g(store);
  come_dai_punti(g, punti, store.punti_nel_file);
  for (const arco_del_tracciato& a : t.archi) {
    if (a.raggio > 5000) continue;
    SCOPED_TRACE(testing::Message() << "raggio " << a.raggio << " senso " << a.senso);
    int righe = 0;
    sull_arco(g, a, [&](std::size_t r) {
      if (g.raggio(r) * a.senso <= 0) return;
      EXPECT_NEAR(g.raggio_misurato(r), a.senso * a.raggio, a.raggio * 0.03) << "riga " << r;
      ++righe;
    });
    EXPECT_GE(righe, 6);
  }
}

// A line file cut in the middle of a point on an arc: the sections that need
// that point or any after it have no radius, those before keep theirs.
TEST(RaggioMisurato, FileLineaTroncatoInUnRecord) {
  prova::cartella_temporanea cartella;
  const tracciato t = linea_di_prova();
  const arco_del_tracciato& a = t.archi[4];  // 960 m, across the first block's end
  const std::size_t s = (a.inizio + 350) / metri_tratto;
  const std::size_t tagliato = s * metri_tratto + 25;
  const scenario store = carica_linea(cartella, t.punti, tagliato * sizeof(punto_linea) + 8);
  ASSERT_EQ(store.punti_nel_file, tagliato);
  const geometria_linea g(store);
  come_dai_punti(g, t.punti, tagliato);
  const std::size_t r = riga_del_tratto(static_cast<std::int32_t>(s));
  EXPECT_EQ(g.raggio_misurato(r), 0);
  EXPECT_NEAR(g.raggio_misurato(r - 1), a.raggio, a.raggio * 0.01);
}

}  // namespace
}  // namespace sopra
