// Saving on Windows: the read-only attribute, hard links, and names beyond ASCII.

#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "analysis/caricamento.hpp"
#include "file_di_prova.hpp"
#include "generatore_demo.hpp"
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

// The hard links of a file, as Windows counts them (the C runtime's stat says 1).
DWORD collegamenti(const fs::path& file) {
  HANDLE h = ::CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  BY_HANDLE_FILE_INFORMATION info{};
  const DWORD n = ::GetFileInformationByHandle(h, &info) ? info.nNumberOfLinks : 0;
  ::CloseHandle(h);
  return n;
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
  store.tratti.apri(3).oggetti[0] = oggetto{129, 80, 1, 0, 0, 0};

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

TEST(SalvaWindows, CollegamentoFisicoScrittoSulPosto) {
  cartella_temporanea cartella;
  scrivi_scenario_demo(cartella.percorso(), "Valle_Andata", "Valle", {3000, false, 5});
  const fs::path tratti = cartella / "Valle_Andata.da3";
  // Records after section N, which writing in place must leave where they are.
  auto byte = leggi_file(tratti);
  byte.insert(byte.end(), 3 * 516, 0xAB);
  prova::scrivi_file(tratti, byte);
  fs::create_hard_link(tratti, cartella / "altro_nome.da3");
  ASSERT_EQ(collegamenti(tratti), 2u);
  scenario store;
  ASSERT_EQ(carica_scenario(cartella / "Valle_Andata.si3", store), std::nullopt);
  const auto nomi = contenuto(cartella.percorso());
  store.tratti.apri(3).oggetti[0] = oggetto{129, 80, -1, 0, 0, 0};

  ASSERT_EQ(salva_tratti(store), std::nullopt);
  auto attesi = store.tratti.codifica();
  attesi.insert(attesi.end(), 3 * 516, 0xAB);
  EXPECT_EQ(leggi_file(tratti), attesi);
  EXPECT_EQ(leggi_file(cartella / "altro_nome.da3"), attesi);  // still one file
  EXPECT_EQ(collegamenti(tratti), 2u);
  EXPECT_EQ(contenuto(cartella.percorso()), nomi);  // the copy of the old content is gone
}

TEST(SalvaWindows, CartellaConNomeNonAscii) {
  cartella_temporanea base;
  const fs::path cartella = base.percorso() / fs::path(u8"Località Ω");
  fs::create_directory(cartella);
  scrivi_scenario_demo(cartella, "Valle_Andata", "Valle", {3000, true, 5});
  scenario store;
  ASSERT_EQ(carica_scenario(cartella / "Valle_Andata.si3", store), std::nullopt);
  store.tratti.apri(3).oggetti[0] = oggetto{129, 80, 1, 0, 0, 0};
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
  store.tratti.apri(3).oggetti[0] = oggetto{129, 80, 1, 0, 0, 0};
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
