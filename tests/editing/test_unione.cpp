// Another program writes the scenario's files between loading and saving: what
// saving finds, merges or refuses, and what the files hold afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "analysis/caricamento.hpp"
#include "analysis/sopraelevazione.hpp"
#include "editing/messaggi.hpp"
#include "editing/scenario_aperto.hpp"
#include "file_di_prova.hpp"
#include "generatore_demo.hpp"

namespace sopra {
namespace {

namespace fs = std::filesystem;
using namespace prova;
using stato = scenario_aperto::stato_salvataggio;

const oggetto segnale{7, 11, 22, 33, 44, 5};  // an object of a type this tool never writes

// The demo scenario Valle_Andata in a temporary folder, opened as the window
// and the batch companion open it; `altro` writes its files as another program.
struct scenario_su_disco {
  cartella_temporanea cartella;
  std::unique_ptr<scenario_aperto> aperto;

  explicit scenario_su_disco(bool compatto = true) {
    scrivi_scenario_demo(cartella.percorso(), "Valle_Andata", "Valle", {3000, compatto, 4});
    scenario_caricato caricato = apri_scenario(cartella / "Valle_Andata.si3");
    EXPECT_EQ(caricato.errore, std::nullopt);
    aperto = std::move(caricato.aperto);
  }
  scenario carica() const {
    scenario store;
    EXPECT_EQ(carica_scenario(cartella / "Valle_Andata.si3", store), std::nullopt);
    return store;
  }
  fs::path tratti() const { return cartella / "Valle_Andata.da3"; }
  std::size_t record() const { return aperto->store().tratti.byte_record(); }
  // An empty slot of section s, as loaded.
  std::size_t vuoto(std::int32_t s) const {
    std::size_t j = 0;
    while (!(aperto->store().tratti[static_cast<std::size_t>(s)].oggetti[j] == oggetto{})) ++j;
    return j;
  }
  // Writes `o` into slot j of section s of the file itself, as a program that
  // writes in place does.
  void scrivi_slot(std::int32_t s, std::size_t j, const oggetto& o) const {
    std::fstream f(tratti(), std::ios::in | std::ios::out | std::ios::binary);
    std::array<std::uint8_t, byte_oggetto> byte;
    codifica_oggetto(o, byte.data());
    f.seekp(static_cast<std::streamoff>(static_cast<std::size_t>(s) * record() + j * byte_oggetto));
    f.write(reinterpret_cast<const char*>(byte.data()), byte_oggetto);
  }
  oggetto su_disco(std::int32_t s, std::size_t j) const {
    const auto byte = leggi_file(tratti());
    return decodifica_oggetto(byte.data() + static_cast<std::size_t>(s) * record() +
                              j * byte_oggetto);
  }
  // The slot that holds section s's cant in the store.
  std::size_t slot_cant(std::int32_t s) const {
    return static_cast<std::size_t>(*ogg_tipo(aperto->store(), s, tipo_sopraelevazione));
  }
};

constexpr std::size_t riga_a = 10;     // edited here
constexpr std::int32_t tratto_a = 12;  // its section
constexpr std::int32_t tratto_b = 40;  // edited by the other program

TEST(ApriScenario, WithoutItsLineFileNothingOpensAndTheLoaderSaysWhatWasLookedFor) {
  scenario_su_disco s;
  fs::remove(s.cartella / "Valle_linea.da3");
  const scenario_caricato caricato = apri_scenario(s.cartella / "Valle_Andata.si3");
  EXPECT_EQ(caricato.aperto, nullptr);
  ASSERT_TRUE(caricato.errore);
  EXPECT_EQ(caricato.dettagli.file_linea_cercati.front(), "Valle_linea.da3");
  EXPECT_FALSE(caricato.dettagli.rimedio.empty());
}

TEST(Unione, UnOggettoNuovoInUnTrattoNonToccatoSiAggiunge) {
  for (const bool compatto : {true, false}) {
    scenario_su_disco s(compatto);
    const auto nomi = contenuto(s.cartella.percorso());
    s.aperto->modifica_tratto(riga_a, "45");
    const std::size_t j = s.vuoto(tratto_b);
    s.scrivi_slot(tratto_b, j, segnale);
    // A trailing byte of a record that neither touched, changed by the other program.
    const std::size_t coda = (tratto_b + 1) * s.record() - 1;
    auto byte = leggi_file(s.tratti());
    byte[coda] ^= 0x40;
    scrivi_file(s.tratti(), byte);

    const auto esito = s.aperto->salva(scenario_aperto::permessi_salvataggio{});
    ASSERT_EQ(esito.stato, stato::salvato) << testo_salvataggio(esito);
    EXPECT_EQ(testo_unione(esito),
              "Il file Valle_Andata.da3 era stato modificato da un altro programma: le modifiche "
              "sono state unite (1 tratto)");
    EXPECT_EQ(leggi_file(s.tratti()), s.aperto->store().tratti.codifica());
    EXPECT_EQ(s.su_disco(tratto_b, j), segnale);
    EXPECT_EQ(leggi_file(s.tratti())[coda], byte[coda]);
    EXPECT_EQ(millimetri_tratto(s.carica(), tratto_a), 45);
    EXPECT_FALSE(s.aperto->modificato());
    EXPECT_EQ(contenuto(s.cartella.percorso()), nomi);  // no temporary file or copy left
  }
}

TEST(Unione, NelloStessoTrattoUnAltroSlotSiAggiunge_LoStessoSlotEConflitto) {
  scenario_su_disco s;
  const auto nomi = contenuto(s.cartella.percorso());
  s.aperto->modifica_tratto(riga_a, "45");
  const std::size_t nostro = s.slot_cant(tratto_a);
  std::size_t altro = nostro + 1;
  while (!(s.aperto->store().tratti[std::size_t{tratto_a}].oggetti[altro] == oggetto{})) ++altro;
  s.scrivi_slot(tratto_a, altro, segnale);
  ASSERT_EQ(s.aperto->salva(scenario_aperto::permessi_salvataggio{}).stato, stato::salvato);
  EXPECT_EQ(s.su_disco(tratto_a, altro), segnale);
  EXPECT_EQ(millimetri_tratto(s.carica(), tratto_a), 45);

  // Both change the cant slot, differently: nothing written until told.
  s.aperto->modifica_tratto(riga_a, "60");
  s.scrivi_slot(tratto_a, nostro, segnale);
  const std::size_t j_b = s.vuoto(tratto_b);
  s.scrivi_slot(tratto_b, j_b, segnale);
  const auto loro = leggi_file(s.tratti());
  const auto esito = s.aperto->salva(scenario_aperto::permessi_salvataggio{});
  ASSERT_EQ(esito.stato, stato::conflitto);
  EXPECT_EQ(esito.posizioni, std::vector<std::int32_t>{posizione_tratto(tratto_a)});
  EXPECT_EQ(testo_salvataggio(esito),
            "Il file Valle_Andata.da3 è stato modificato da un altro programma negli stessi slot "
            "modificati qui: 1 tratto in conflitto. Posizioni in metri: 600. Il file non è stato "
            "modificato.");
  EXPECT_EQ(leggi_file(s.tratti()), loro);
  EXPECT_TRUE(s.aperto->modificato());

  // "Sovrascrivi": ours at the conflict, theirs everywhere else.
  scenario_aperto::permessi_salvataggio sovrascrivi;
  sovrascrivi.sovrascrivi = true;
  ASSERT_EQ(s.aperto->salva(sovrascrivi).stato, stato::salvato);
  EXPECT_EQ(millimetri_tratto(s.carica(), tratto_a), 60);
  EXPECT_EQ(s.su_disco(tratto_b, j_b), segnale);
  EXPECT_EQ(leggi_file(s.tratti()), s.aperto->store().tratti.codifica());
  EXPECT_EQ(contenuto(s.cartella.percorso()), nomi);
}

TEST(Unione, LaStessaModificaDaEntrambiNonEConflitto) {
  scenario_su_disco s;
  scenario_aperto altro(s.carica());
  altro.modifica_tratto(riga_a, "45");
  ASSERT_EQ(altro.salva(), std::nullopt);  // by renaming a new file over the old
  s.aperto->modifica_tratto(riga_a, "45");
  const auto esito = s.aperto->salva(scenario_aperto::permessi_salvataggio{});
  ASSERT_EQ(esito.stato, stato::salvato);
  EXPECT_TRUE(esito.unito);
  EXPECT_EQ(esito.tratti_uniti, 0u);
  EXPECT_EQ(leggi_file(s.tratti()), altro.store().tratti.codifica());
}

TEST(Unione, SostituitoDaUnNuovoFileDellaLineaSiUnisce_AnnullaTogliSoloIPassiPropri) {
  scenario_su_disco s;
  scenario_aperto altro(s.carica());
  const std::size_t riga_b = tratto_b - 2;
  altro.modifica_tratto(riga_b, "77");
  ASSERT_EQ(altro.salva(), std::nullopt);
  s.aperto->modifica_tratto(riga_a, "45");
  s.aperto->termina_modifica_tratto();
  s.aperto->modifica_tratto(riga_b + 1, "12");  // next to theirs
  ASSERT_TRUE(s.aperto->salva(scenario_aperto::permessi_salvataggio{}).unito);
  const std::string_view riga = s.aperto->righe()[riga_b];
  EXPECT_EQ(riga.substr(riga.rfind('\t')), "\t77");
  const scenario salvato = s.carica();
  EXPECT_EQ(millimetri_tratto(salvato, tratto_a), 45);
  EXPECT_EQ(millimetri_tratto(salvato, tratto_b), 77);
  EXPECT_EQ(millimetri_tratto(salvato, tratto_b + 1), 12);

  // Undo takes back this program's two steps; the other program's cant stays.
  ASSERT_TRUE(s.aperto->annulla());
  ASSERT_TRUE(s.aperto->annulla());
  EXPECT_FALSE(s.aperto->puo_annullare());
  EXPECT_EQ(millimetri_tratto(s.aperto->store(), tratto_b), 77);
  EXPECT_EQ(millimetri_tratto(s.aperto->store(), tratto_a),
            millimetri_tratto(altro.store(), tratto_a));
  EXPECT_EQ(millimetri_tratto(s.aperto->store(), tratto_b + 1),
            millimetri_tratto(altro.store(), tratto_b + 1));
}

TEST(Unione, UnPassoAnnullatoNonRifaIlSlotPresoDalFile) {
  scenario_su_disco s;
  s.aperto->modifica_tratto(riga_a, "45");
  const std::size_t j = s.slot_cant(tratto_a);
  s.aperto->annulla();  // as loaded again; the step can be redone
  oggetto loro;
  codifica_sopraelevazione(loro, 90, 1);
  s.scrivi_slot(tratto_a, j, loro);
  // Saved with nothing of its own to write, the store takes theirs.
  ASSERT_EQ(s.aperto->salva(scenario_aperto::permessi_salvataggio{}).stato, stato::salvato);
  EXPECT_EQ(s.aperto->store().tratti[std::size_t{tratto_a}].oggetti[j], loro);
  while (s.aperto->puo_annullare()) s.aperto->annulla();
  while (s.aperto->puo_ripetere()) s.aperto->ripeti();
  EXPECT_EQ(s.aperto->store().tratti[std::size_t{tratto_a}].oggetti[j], loro);
}

TEST(Unione, FileCresciutoOAccorciato) {
  scenario_su_disco s;
  const std::size_t n = s.aperto->store().tratti.size();
  auto byte = leggi_file(s.tratti());
  // Records after the line's last section, added by the other program, stay.
  byte.resize((n + 3) * s.record(), 0x5a);
  scrivi_file(s.tratti(), byte);
  s.aperto->modifica_tratto(riga_a, "45");
  ASSERT_EQ(s.aperto->salva(scenario_aperto::permessi_salvataggio{}).stato, stato::salvato);
  auto dopo = leggi_file(s.tratti());
  ASSERT_EQ(dopo.size(), byte.size());
  EXPECT_TRUE(std::equal(byte.begin() + static_cast<std::ptrdiff_t>(n * s.record()), byte.end(),
                         dopo.begin() + static_cast<std::ptrdiff_t>(n * s.record())));

  // ... and go when the other program takes them away.
  dopo.resize(n * s.record());
  scrivi_file(s.tratti(), dopo);
  s.aperto->modifica_tratto(riga_a, "50");
  ASSERT_EQ(s.aperto->salva(scenario_aperto::permessi_salvataggio{}).stato, stato::salvato);
  EXPECT_EQ(leggi_file(s.tratti()), s.aperto->store().tratti.codifica());

  // Shorter than the line, not whole records, the other layout: no longer this
  // line's file. Overwritten, it holds the store's sections only.
  for (const std::size_t taglio :
       {(n - 10) * s.record(), n * s.record() - 7, n * byte_tratto(false)}) {
    auto completo = leggi_file(s.tratti());
    completo.resize(taglio, 0x11);
    completo[3] ^= 0x5a;  // and a section of the line written differently
    scrivi_file(s.tratti(), completo);
    s.aperto->modifica_tratto(riga_a, std::to_string(50 + taglio % 7));
    const auto esito = s.aperto->salva(scenario_aperto::permessi_salvataggio{});
    ASSERT_EQ(esito.stato, stato::conflitto);
    EXPECT_NE(esito.estraneo, motivo_estraneo::nessuno);
    EXPECT_NE(testo_salvataggio(esito).find("non è più un file dei tratti di questa linea"),
              std::string::npos);
    EXPECT_EQ(leggi_file(s.tratti()).size(), taglio);
    scenario_aperto::permessi_salvataggio sovrascrivi;
    sovrascrivi.sovrascrivi = true;
    ASSERT_EQ(s.aperto->salva(sovrascrivi).stato, stato::salvato);
    EXPECT_EQ(leggi_file(s.tratti()), s.aperto->store().tratti.codifica());
  }
}

TEST(Unione, FileCancellatoSiRicreaSoloSeRichiesto) {
  scenario_su_disco s;
  s.aperto->modifica_tratto(riga_a, "45");
  fs::remove(s.tratti());
  const auto nomi = contenuto(s.cartella.percorso());
  const auto esito = s.aperto->salva(scenario_aperto::permessi_salvataggio{});
  ASSERT_EQ(esito.stato, stato::sparito);
  EXPECT_EQ(testo_salvataggio(esito),
            "Il file Valle_Andata.da3 non c'è più: un altro programma l'ha cancellato, rinominato "
            "o spostato. Non è stato salvato niente.");
  EXPECT_EQ(contenuto(s.cartella.percorso()), nomi);
  EXPECT_EQ(s.aperto->controlla_disco().tratti, scenario_aperto::tratti_su_disco::spariti);

  scenario_aperto::permessi_salvataggio ricrea;
  ricrea.ricrea = true;
  ASSERT_EQ(s.aperto->salva(ricrea).stato, stato::salvato);
  EXPECT_EQ(leggi_file(s.tratti()), s.aperto->store().tratti.codifica());
  EXPECT_EQ(contenuto(s.cartella.percorso()).size(), nomi.size() + 1);
  EXPECT_EQ(s.aperto->controlla_disco(), scenario_aperto::cambi_su_disco{});
}

TEST(Unione, TestataOLineaCambiateFermanoIlSalvataggio) {
  for (const char* nome : {"Valle_Andata.si3", "Valle_linea.da3"}) {
    scenario_su_disco s;
    s.aperto->modifica_tratto(riga_a, "45");
    const auto tratti = leggi_file(s.tratti());
    // Rewritten with the same bytes, the header is no change; the line file,
    // known by its identity only, is.
    auto byte = leggi_file(s.cartella / nome);
    scrivi_file(s.cartella / nome, byte);
    fs::last_write_time(s.cartella / nome,
                        fs::file_time_type::clock::now() + std::chrono::hours(1));
    const bool testata = std::string(nome).ends_with(".si3");
    if (testata) {
      EXPECT_TRUE(s.aperto->controlla_disco().file_linea.empty());
      byte[0] ^= 1;
      scrivi_file(s.cartella / nome, byte);
    }
    EXPECT_EQ(s.aperto->controlla_disco().file_linea, nome);
    const auto esito = s.aperto->salva(scenario_aperto::permessi_salvataggio{});
    ASSERT_EQ(esito.stato, stato::linea_cambiata);
    EXPECT_EQ(esito.file, nome);
    EXPECT_EQ(leggi_file(s.tratti()), tratti);
    scenario_aperto::permessi_salvataggio comunque;
    comunque.linea_cambiata = true;
    ASSERT_EQ(s.aperto->salva(comunque).stato, stato::salvato);
    EXPECT_EQ(leggi_file(s.tratti()), s.aperto->store().tratti.codifica());
  }
}

TEST(Unione, ControllaDiscoDistingueUnaModificaDaUnaRiscritturaUguale) {
  scenario_su_disco s;
  const auto byte = leggi_file(s.tratti());
  scrivi_file(s.tratti(), byte);
  fs::last_write_time(s.tratti(), fs::file_time_type::clock::now() + std::chrono::hours(1));
  EXPECT_EQ(s.aperto->controlla_disco(), scenario_aperto::cambi_su_disco{});
  s.scrivi_slot(tratto_b, s.vuoto(tratto_b), segnale);
  EXPECT_EQ(s.aperto->controlla_disco().tratti, scenario_aperto::tratti_su_disco::modificati);
  // A store as loaded holds the file's bytes as read, in both layouts: its
  // digest is theirs, also for a file cut short.
  for (const bool compatto : {true, false}) {
    scenario_su_disco t(compatto);
    auto byte = leggi_file(t.tratti());
    byte.resize(byte.size() / 2 + 3);
    scrivi_file(t.tratti(), byte);
    const scenario store = t.carica();
    EXPECT_EQ(impronta_su_disco(t.tratti(), store.tratti), store.tratti.impronta());
  }
}

}  // namespace
}  // namespace sopra
