// Saving on Windows: the read-only attribute and folder names beyond ASCII.

#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "file_di_prova.hpp"
#include "generatore_demo.hpp"
#include "scenario/file_scenario.hpp"
#include "scenario/salva_tratti.hpp"

namespace sopra {
namespace {

namespace fs = std::filesystem;
using prova::cartella_temporanea;
using prova::contenuto;
using prova::leggi_file;

bool sola_lettura(const fs::path& file) {
  const DWORD attributi = ::GetFileAttributesW(file.c_str());
  return attributi != INVALID_FILE_ATTRIBUTES && (attributi & FILE_ATTRIBUTE_READONLY) != 0;
}

void imposta_sola_lettura(const fs::path& file, bool si) {
  DWORD attributi = ::GetFileAttributesW(file.c_str());
  ASSERT_NE(attributi, INVALID_FILE_ATTRIBUTES);
  attributi = si ? (attributi | FILE_ATTRIBUTE_READONLY) : (attributi & ~FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), attributi));
}

TEST(SalvaWindows, FileDiSolaLetturaMaiSostituito) {
  cartella_temporanea cartella;
  scrivi_scenario_demo(cartella.percorso(), "Valle_Andata", "Valle", {3000, true, 5});
  const fs::path tratti = cartella / "Valle_Andata.da3";
  scenario store;
  ASSERT_EQ(carica_scenario(cartella / "Valle_Andata.si3", store), std::nullopt);
  imposta_sola_lettura(tratti, true);
  const auto prima = leggi_file(tratti);
  const auto nomi = contenuto(cartella.percorso());
  store.tratti[3].oggetti[0] = oggetto{129, 80, 1, 0, 0, 0};

  const auto errore = salva_tratti(store);
  ASSERT_TRUE(errore);
  EXPECT_EQ(*errore,
            "Il file Valle_Andata.da3 è di sola lettura: non è stato modificato. Per salvare, "
            "renderlo scrivibile e riprovare.");
  EXPECT_EQ(leggi_file(tratti), prima);
  EXPECT_TRUE(sola_lettura(tratti));
  EXPECT_EQ(contenuto(cartella.percorso()), nomi);  // no temporary file left behind

  // Once the user lifts the protection, the same store saves.
  imposta_sola_lettura(tratti, false);
  std::uint64_t impronta = 0;
  ASSERT_EQ(salva_tratti(store, &impronta), std::nullopt);
  EXPECT_EQ(leggi_file(tratti), store.tratti.codifica());
  EXPECT_EQ(impronta, store.tratti.impronta());
  EXPECT_EQ(contenuto(cartella.percorso()), nomi);
}

TEST(SalvaWindows, CartellaConNomeNonAscii) {
  cartella_temporanea base;
  const fs::path cartella = base.percorso() / fs::path(u8"Località Ω");
  fs::create_directory(cartella);
  scrivi_scenario_demo(cartella, "Valle_Andata", "Valle", {3000, true, 5});
  scenario store;
  ASSERT_EQ(carica_scenario(cartella / "Valle_Andata.si3", store), std::nullopt);
  store.tratti[3].oggetti[0] = oggetto{129, 80, 1, 0, 0, 0};
  ASSERT_EQ(salva_tratti(store), std::nullopt);
  EXPECT_EQ(leggi_file(cartella / "Valle_Andata.da3"), store.tratti.codifica());
}

TEST(SalvaWindows, ScenarioConNomeNonAscii) {
  cartella_temporanea cartella;
  const fs::path& c = cartella.percorso();
  scrivi_scenario_demo(c, "Valle_Andata", "Valle", {3000, true, 5});
  // The other two files differ from the scenario name in the case of ASCII letters.
  fs::rename(c / "Valle_Andata.si3", c / fs::path(u8"Città_Ωmega.si3"));
  fs::rename(c / "Valle_Andata.da3", c / fs::path(u8"Città_ΩMEGA.da3"));
  fs::rename(c / "Valle_linea.da3", c / fs::path(u8"CITTà_linea.da3"));
  scenario store;
  ASSERT_EQ(carica_scenario(c / fs::path(u8"Città_Ωmega.si3"), store), std::nullopt);
  EXPECT_EQ(store.file_tratti.filename(), fs::path(u8"Città_ΩMEGA.da3"));
  store.tratti[3].oggetti[0] = oggetto{129, 80, 1, 0, 0, 0};
  ASSERT_EQ(salva_tratti(store), std::nullopt);
  EXPECT_EQ(leggi_file(c / fs::path(u8"Città_ΩMEGA.da3")), store.tratti.codifica());

  // Messages name the file in UTF-8, as on other systems.
  fs::remove(c / fs::path(u8"Città_ΩMEGA.da3"));
  const auto errore = carica_scenario(c / fs::path(u8"Città_Ωmega.si3"), store);
  ASSERT_TRUE(errore);
  EXPECT_NE(errore->find("Città_Ωmega.da3"), std::string::npos) << *errore;
}

}  // namespace
}  // namespace sopra
