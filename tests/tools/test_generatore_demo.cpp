#include <gtest/gtest.h>

#include <set>

#include "analysis/bivio.hpp"
#include "analysis/caricamento.hpp"
#include "analysis/curva.hpp"
#include "analysis/sopraelevazione.hpp"
#include "file_di_prova.hpp"
#include "generatore_demo.hpp"

namespace sopra {
namespace {

// The demo folder holds what a user needs to try every path of the tool.
TEST(CartellaDemo, OgniScenarioSiCaricaConLaSuaLinea) {
  prova::cartella_temporanea cartella;
  scrivi_cartella_demo(cartella.percorso());
  const std::pair<const char*, const char*> attesi[] = {
      {"Valle_Andata", "Valle_linea.da3"},
      {"Valle_Ritorno", "Valle_linea.da3"},
      {"Costa_Est_Esteso", "Costa_linea.da3"},
      {"Monti_Nord_Inverno", "Monti_Nord_linea.da3"}};
  for (const auto& [nome, linea] : attesi) {
    SCOPED_TRACE(nome);
    scenario store;
    ASSERT_EQ(carica_scenario(cartella / (std::string(nome) + ".si3"), store), std::nullopt);
    EXPECT_EQ(store.file_linea.filename(), linea);
  }
  scenario esteso;
  ASSERT_EQ(carica_scenario(cartella / "Costa_Est_Esteso.si3", esteso), std::nullopt);
  EXPECT_FALSE(esteso.formato_compatto);
}

TEST(ScenarioDemo, CurveDiOgniClasseDaEntrambiILatiEOgniCasoDiOggetti) {
  prova::cartella_temporanea cartella;
  scrivi_scenario_demo(cartella.percorso(), "Prova_Uno", "Prova", {7000, true, 1});
  scenario store;
  ASSERT_EQ(carica_scenario(cartella / "Prova_Uno.si3", store), std::nullopt);
  // The header holds non-empty strings, so lunghezza_linea is not at its
  // offset for empty strings.
  EXPECT_GT(store.testata.posizione_lunghezza, 26837u);

  std::set<int> raggi;
  int bivi = 0, pieni = 0, sopraelevazioni_dopo_vuoto = 0, rettilinei = 0;
  std::set<std::int16_t> codici_bivio;
  for (std::int32_t s = 2; s + 3 < static_cast<std::int32_t>(store.tratti.size()); ++s) {
    const raggio_curva r = rendi_raggio_curva(store, 50 * s);
    if (r.raggio != 0) {
      raggi.insert(r.raggio);
      EXPECT_EQ(raggi_nominali[r.classe_raggio], std::abs(r.raggio));
    } else {
      ++rettilinei;
    }
    bivi += test_bivio(store, s);
    const auto oggetti = store.tratti[s].oggetti;
    pieni += std::none_of(oggetti.begin(), oggetti.end(), [](const oggetto& o) {
      return o.tipo == tipo_vuoto || o.tipo == tipo_sopraelevazione;
    });
    if (oggetti[0].tipo == tipo_vuoto && oggetti[2].tipo == tipo_sopraelevazione &&
        oggetti[1].tipo != tipo_sopraelevazione) {
      ++sopraelevazioni_dopo_vuoto;
    }
    if (const auto j = trova_bivio(store, s); j != nessun_bivio) {
      codici_bivio.insert(oggetti[j].dato1);
    }
  }
  for (int raggio : {10000, 5000, 2500, 1000, 490, 330, 250, 200}) {
    EXPECT_TRUE(raggi.contains(raggio)) << raggio;
    EXPECT_TRUE(raggi.contains(-raggio)) << -raggio;
  }
  EXPECT_GT(rettilinei, 10);
  EXPECT_GT(bivi, 5);
  EXPECT_GT(pieni, 0);
  EXPECT_GT(sopraelevazioni_dopo_vuoto, 0);
  for (std::int16_t codice : {10, 11, 12, -10, -11}) {
    EXPECT_TRUE(codici_bivio.contains(codice)) << codice;
  }
}

TEST(ScenarioDemo, RettilineiEsattiAncheLontanoDallOrigine) {
  // Far along a long line the coordinates are large; straights must still
  // read as straight (D = 0), not as a very wide curve.
  prova::cartella_temporanea cartella;
  scrivi_scenario_demo(cartella.percorso(), "Lunga_Uno", "Lunga", {800000, true, 1});
  scenario store;
  ASSERT_EQ(carica_scenario(cartella / "Lunga_Uno.si3", store), std::nullopt);
  int rettilinei_lontani = 0;
  for (std::int32_t s = 15000; s < 16000; ++s) {
    rettilinei_lontani += rendi_raggio_curva(store, 50 * s).raggio == 0;
  }
  EXPECT_GT(rettilinei_lontani, 300);
}

}  // namespace
}  // namespace sopra
