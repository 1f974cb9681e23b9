// Random edits keep every other byte: demo scenarios in both layouts take random
// single-section edits and class commands, are saved and read back, and the
// section file may differ from the original only in the slots that were or
// became cant objects, and only in the ways the two edits change them.

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "analysis/caricamento.hpp"
#include "analysis/sopraelevazione.hpp"
#include "editing/elenco.hpp"
#include "editing/righe_di_prova.hpp"
#include "editing/scenario_aperto.hpp"
#include "file_di_prova.hpp"
#include "generatore_demo.hpp"

namespace sopra {
namespace {

using prova::cartella_temporanea;
using prova::costruisci_righe;
using prova::leggi_file;
using prova::scrivi_file;

// The largest cant either edit stores: 300 mm, in hundredths of a degree.
constexpr std::int16_t centesimi_massimi = 1153;

// What a user might type into a cant box: numbers in and out of range, signs,
// fractions, blanks, letters and numbers followed by letters.
std::string testo_casuale(std::mt19937& caso) {
  static const std::vector<std::string> fissi = {
      "",      " ",    "  ",    "abc",    "-",      "+",    ".",    "-0",   "0.0",
      "12abc", "-5a",  "1e400", "-1e400", "1e-400", "&H1F", "&O17", " 4 5", "\t7",
      "300",   "-300", "300.4", "200",    "200.5",  "-200", "160",  "1499", "-1499"};
  switch (caso() % 4) {
    case 0:
      return fissi[caso() % fissi.size()];
    case 1:
      return std::to_string(static_cast<int>(caso() % 1001) - 500);
    case 2:
      return std::to_string(static_cast<int>(caso() % 401) - 200) + "." +
             std::to_string(caso() % 100);
    default:
      return std::to_string(caso() % 250);
  }
}

// How a slot may have changed: untouched; a free slot or cant object that is a
// cant object now, with dato3 .. dato5 kept; and, only through the class
// command, which removes every cant object first: a slot cleared to all zeros,
// or a cant object made in a slot so cleared.
::testing::AssertionResult cambio_ammesso(const oggetto& prima, const oggetto& dopo,
                                          bool classi_applicate) {
  if (prima == dopo) return ::testing::AssertionSuccess();
  auto campi = [](const oggetto& o) {
    return std::to_string(o.tipo) + " " + std::to_string(o.dato1) + " " + std::to_string(o.dato2) +
           " " + std::to_string(o.dato3) + " " + std::to_string(o.dato4) + " " +
           std::to_string(o.dato5);
  };
  const auto rifiuto = ::testing::AssertionFailure()
                       << "{" << campi(prima) << "} -> {" << campi(dopo) << "}";
  if (prima.tipo != tipo_vuoto && prima.tipo != tipo_sopraelevazione) return rifiuto;
  if (dopo.tipo == tipo_vuoto) {
    return classi_applicate && dopo == oggetto{} ? ::testing::AssertionSuccess() : rifiuto;
  }
  if (dopo.tipo != tipo_sopraelevazione) return rifiuto;
  const bool coda_tenuta =
      dopo.dato3 == prima.dato3 && dopo.dato4 == prima.dato4 && dopo.dato5 == prima.dato5;
  const bool coda_azzerata =
      classi_applicate && dopo.dato3 == 0 && dopo.dato4 == 0 && dopo.dato5 == 0;
  const bool valori_validi =
      dopo.dato1 >= 0 && dopo.dato1 <= centesimi_massimi && dopo.dato2 >= -1 && dopo.dato2 <= 1;
  return (coda_tenuta || coda_azzerata) && valori_validi ? ::testing::AssertionSuccess() : rifiuto;
}

struct prova_casuale {
  bool compatto;
  std::uint32_t seme;
};

void PrintTo(const prova_casuale& p, std::ostream* os) {
  *os << (p.compatto ? "compatto" : "esteso") << ", seme " << p.seme;
}

class ModificheCasuali : public ::testing::TestWithParam<prova_casuale> {};

TEST_P(ModificheCasuali, SoloLaSopraelevazioneCambia) {
  const auto [compatto, seme] = GetParam();
  std::mt19937 caso(seme);
  cartella_temporanea cartella;
  scrivi_scenario_demo(cartella.percorso(), "Prova_A", "Prova", {4000, compatto, seme});
  const auto file_tratti = cartella / "Prova_A.da3";

  // Leftover data in half of the free slots and cant objects, which edits must
  // keep or clear as they are allowed to, and records after section N, which
  // saving must carry through.
  auto originale = leggi_file(file_tratti);
  const std::size_t record = byte_tratto(compatto);
  const std::size_t numero_tratti = originale.size() / record;
  const std::size_t slot = compatto ? slot_compatto : slot_esteso;
  for (std::size_t t = 0; t < numero_tratti; ++t) {
    for (std::size_t j = 0; j < slot; ++j) {
      std::uint8_t* o = originale.data() + t * record + j * byte_oggetto;
      if ((o[0] == tipo_vuoto || o[0] == tipo_sopraelevazione) && caso() % 2 == 0) {
        for (std::size_t b = 1; b < byte_oggetto; ++b) o[b] = static_cast<std::uint8_t>(caso());
      }
    }
  }
  for (std::size_t i = 0; i < 3 * record; ++i)
    originale.push_back(static_cast<std::uint8_t>(caso()));
  scrivi_file(file_tratti, originale);

  scenario store;
  ASSERT_EQ(carica_scenario(cartella / "Prova_A.si3", store), std::nullopt);
  scenario_aperto aperto(std::move(store));
  ASSERT_FALSE(aperto.righe().empty());

  // "Unsaved" after every step is the sections' bytes against those last
  // loaded or saved, recounted in full; the steps take turns at random with
  // undo, redo, the design tools and saving, so that the store comes back to
  // bytes it held before along many paths.
  std::set<std::size_t> tratti_modificati;
  bool classi_applicate = false;
  parametri_progetto parametri;
  parametri.velocita_massima = 100;
  std::vector<std::uint8_t> salvati(
      originale.begin(), originale.begin() + static_cast<std::ptrdiff_t>(numero_tratti * record));
  for (int passo = 0; passo < 200; ++passo) {
    const auto scelta = caso() % 20;
    if (scelta < 2) {
      std::array<std::string, numero_classi> testi;
      for (auto& testo : testi) testo = testo_casuale(caso);
      aperto.applica_classi(testi);
      classi_applicate = true;
    } else if (scelta < 6) {
      aperto.annulla();
    } else if (scelta < 8) {
      aperto.ripeti();
    } else if (scelta == 8) {
      parametri.velocita_massima = 60 + static_cast<double>(caso() % 100);
      if (caso() % 2 == 0)
        aperto.progetta(parametri, profilo_velocita::da_parametri(parametri));
      else
        aperto.applica_raccordi(parametri);
      classi_applicate = true;
    } else if (scelta == 9 && caso() % 4 == 0) {
      ASSERT_EQ(aperto.salva(), std::nullopt);
      salvati = aperto.store().tratti.codifica();
    } else {
      const std::size_t riga = caso() % aperto.righe().size();
      aperto.modifica_tratto(riga, testo_casuale(caso));
      tratti_modificati.insert(riga + primo_tratto_elencato);
      if (caso() % 3 == 0) aperto.termina_modifica_tratto();
    }
    ASSERT_EQ(aperto.modificato(), aperto.store().tratti.codifica() != salvati) << "step " << passo;
  }
  while (aperto.ripeti()) {
  }
  ASSERT_EQ(aperto.modificato(), aperto.store().tratti.codifica() != salvati);
  const auto codificati = aperto.store().tratti.codifica();
  // Undoing every step gives the sections back as loaded, byte for byte;
  // redoing them all returns here.
  while (aperto.annulla()) {
  }
  const auto annullati = aperto.store().tratti.codifica();
  EXPECT_TRUE(std::equal(annullati.begin(), annullati.end(), originale.begin()));
  EXPECT_EQ(aperto.modificato(), annullati != salvati);
  while (aperto.ripeti()) {
  }
  ASSERT_EQ(aperto.store().tratti.codifica(), codificati);
  ASSERT_EQ(aperto.salva(), std::nullopt);
  EXPECT_FALSE(aperto.modificato());

  const auto salvato = leggi_file(file_tratti);
  ASSERT_EQ(salvato.size(), originale.size());
  ASSERT_TRUE(std::equal(codificati.begin(), codificati.end(), salvato.begin()));
  EXPECT_TRUE(std::equal(originale.begin() + static_cast<std::ptrdiff_t>(codificati.size()),
                         originale.end(),
                         salvato.begin() + static_cast<std::ptrdiff_t>(codificati.size())))
      << "records after section N changed";

  std::size_t slot_cambiati = 0;
  for (std::size_t t = 0; t < numero_tratti; ++t) {
    const std::uint8_t* prima = originale.data() + t * record;
    const std::uint8_t* dopo = salvato.data() + t * record;
    if (std::equal(prima, prima + record, dopo)) continue;
    EXPECT_TRUE(classi_applicate || tratti_modificati.contains(t))
        << "section " << t << " changed without an edit";
    for (std::size_t j = 0; j < slot; ++j) {
      const oggetto o_prima = decodifica_oggetto(prima + j * byte_oggetto);
      const oggetto o_dopo = decodifica_oggetto(dopo + j * byte_oggetto);
      slot_cambiati += o_prima != o_dopo;
      EXPECT_TRUE(cambio_ammesso(o_prima, o_dopo, classi_applicate))
          << "section " << t << ", slot " << j;
    }
    EXPECT_TRUE(std::equal(prima + slot * byte_oggetto, prima + record, dopo + slot * byte_oggetto))
        << "coda_tratto of section " << t;
  }
  EXPECT_GT(slot_cambiati, 0u);  // the edits did reach the file

  // What was saved loads back as the store that saved it.
  scenario ricaricato;
  ASSERT_EQ(carica_scenario(cartella / "Prova_A.si3", ricaricato), std::nullopt);
  EXPECT_TRUE(ricaricato.tratti == aperto.store().tratti);
}

// Telling edits from no edits without a copy: any one byte of any section,
// changed in any bit, changes the digest; equal sections give equal digests.
TEST(Impronta, OgniByteCambiatoSiVede) {
  for (const bool compatto : {true, false}) {
    std::vector<std::uint8_t> byte(17 * byte_tratto(compatto));
    std::mt19937 caso(9);
    for (auto& b : byte) b = static_cast<std::uint8_t>(caso());
    const auto tratti = elenco_tratti::decodifica(compatto, 17, byte);
    const std::uint64_t originale = tratti.impronta();
    elenco_tratti copia = tratti;
    EXPECT_EQ(copia.impronta(), originale);
    for (std::size_t i = 0; i < byte.size(); ++i) {
      for (int bit = 0; bit < 8; ++bit) {
        byte[i] ^= static_cast<std::uint8_t>(1 << bit);
        copia = elenco_tratti::decodifica(compatto, 17, byte);
        EXPECT_NE(copia.impronta(), originale) << "byte " << i << ", bit " << bit;
        byte[i] ^= static_cast<std::uint8_t>(1 << bit);
      }
    }
    EXPECT_NE(elenco_tratti(compatto, 18).impronta(), elenco_tratti(compatto, 17).impronta());
  }
}

// The digest kept as the sections change tells the states an array went
// through apart exactly when their bytes differ, whichever way each was
// written: a slot set, a slot that comes to be kept, a section reached for
// writing whose slots and trailing bytes change through its view; and the
// digest as read, left until asked for, is still that of the bytes as read.
TEST(Impronta, VivaSegueOgniScrittura) {
  for (const bool compatto : {true, false}) {
    std::mt19937 caso(compatto ? 5 : 6);
    std::vector<std::uint8_t> byte(40 * byte_tratto(compatto));
    for (std::size_t i = 0; i < byte.size(); ++i)
      if (caso() % 4 == 0) byte[i] = static_cast<std::uint8_t>(caso() % 3);
    // Read as loading reads it, so that the digest as read is still to be worked out.
    long long letti = 0;
    std::span<const std::uint8_t> resto(byte);
    elenco_tratti tratti = elenco_tratti::leggi_a_blocchi(
        compatto, 40,
        [&](std::span<std::uint8_t> blocco) {
          const std::size_t quanti = std::min(blocco.size(), resto.size());
          std::copy_n(resto.begin(), quanti, blocco.begin());
          resto = resto.subspan(quanti);
          return static_cast<long long>(quanti);
        },
        [](const blocco_letto&) {}, letti);
    const std::size_t slot = tratti.slot_per_tratto();
    std::vector<std::pair<std::vector<std::uint8_t>, std::uint64_t>> stati;
    for (int k = 0; k < 3000; ++k) {
      const std::size_t i = caso() % 40;
      const std::size_t j = caso() % slot;
      oggetto o{};
      if (caso() % 3 != 0) o.dato1 = static_cast<std::int16_t>(caso() % 3);
      if (caso() % 40 == 0) {
        tratto t = tratti.apri(i);
        if (caso() % 2 == 0) t.coda_tratto[caso() % byte_coda_tratto] ^= 1;
        t.oggetti[j] = o;
      } else {
        tratti.imposta_oggetto(i, j, o);
      }
      stati.emplace_back(tratti.codifica(), tratti.impronta_viva());
    }
    // The digest as read, worked out only now, is that of the bytes as read.
    EXPECT_EQ(tratti.impronta_letta(), elenco_tratti::decodifica(compatto, 40, byte).impronta());
    for (std::size_t a = 0; a < stati.size(); a += 7)
      for (std::size_t b = a + 1; b < stati.size(); ++b)
        ASSERT_EQ(stati[a].first == stati[b].first, stati[a].second == stati[b].second)
            << a << " " << b;
  }
}

// The rows of a long list composed a group at a time, as they are asked for in
// any order, and edited before most are composed, are those of the list built
// whole, edited alike.
TEST(RigheComposte, ComeLElencoCostruitoIntero) {
  cartella_temporanea cartella;
  scrivi_scenario_demo(cartella.percorso(), "Prova_A", "Prova", {600000, true, 3});
  scenario store;
  ASSERT_EQ(carica_scenario(cartella / "Prova_A.si3", store), std::nullopt);
  const righe_elenco intere = costruisci_righe(store);
  const scenario_aperto di_nuovo(store);
  scenario_aperto aperto(std::move(store));
  ASSERT_EQ(aperto.quante_righe(), intere.size());
  ASSERT_GT(intere.size(), 10000u);
  std::mt19937 caso(4);
  for (int k = 0; k < 200; ++k) {
    const std::size_t r = caso() % intere.size();
    ASSERT_EQ(aperto.riga(r), intere[r]) << r;
  }
  EXPECT_TRUE(di_nuovo.righe() == intere);

  scenario_aperto intero = di_nuovo;  // every row composed before the edit
  const std::size_t r = intere.size() - 7;
  aperto.modifica_tratto(r, "33");
  intero.modifica_tratto(r, "33");
  EXPECT_TRUE(aperto.righe() == intero.righe());
  EXPECT_NE(aperto.riga(r), intere[r]);
}

INSTANTIATE_TEST_SUITE_P(EntrambiIFormati, ModificheCasuali,
                         ::testing::Values(prova_casuale{true, 1}, prova_casuale{true, 2},
                                           prova_casuale{true, 3}, prova_casuale{false, 4},
                                           prova_casuale{false, 5}, prova_casuale{false, 6}),
                         [](const auto& info) {
                           return std::string(info.param.compatto ? "compatto" : "esteso") +
                                  std::to_string(info.param.seme);
                         });

}  // namespace
}  // namespace sopra
