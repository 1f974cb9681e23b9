#pragma once
// The open scenario: the store, its line geometry and section list, the two cant
// edits, the run-off ramps, the check of the line, and undo and redo. The window
// and the batch companion drive these; neither edits anything itself.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/geometria_linea.hpp"
#include "analysis/sopraelevazione.hpp"
#include "editing/elenco.hpp"
#include "editing/registro.hpp"
#include "progetto/profilo.hpp"
#include "progetto/progetta.hpp"
#include "progetto/progetto.hpp"
#include "progetto/raccordi.hpp"
#include "progetto/verifica.hpp"
#include "scenario/file_scenario.hpp"
#include "scenario/scenario.hpp"
#include "scenario/unione_tratti.hpp"

namespace sopra {

// The class boxes' texts when the window opens.
inline constexpr std::array<std::string_view, numero_classi> testi_classi_iniziali = {
    "0", "20", "40", "70", "100", "100", "100", "100"};

// What a class box must hold after its text changed to `testo`: the text
// itself, or, when its value is negative, the text of the magnitude of its
// leading number ("-70" and "-7 0" become "70", "-5a" becomes "5").
std::string normalizza_classe(std::string_view testo);

// How many positions of curves without a free slot the class command reports.
inline constexpr std::size_t posizioni_senza_slot_riportate = 10;

class scenario_aperto {
 public:
  // Takes a loaded store and builds its section list.
  explicit scenario_aperto(scenario store);

  const scenario& store() const { return store_; }
  // The section list. A change of the store (an edit, a command, undo, redo)
  // invalidates the string_views it gave.
  // The section list, every row composed (see riga() for one row at a time).
  const righe_elenco& righe() const;
  // How many rows the list has / row `riga` (< quante_righe()), composed with
  // its group of rows if it is not yet: a list that is only looked at costs
  // only the rows shown. The view holds until the rows next change. Not to be
  // used from several threads at once.
  std::size_t quante_righe() const { return righe_.size(); }
  std::string_view riga(std::size_t riga) const;
  // Curve class, side and junction zone of every row's section.
  const geometria_linea& geometria() const { return geometria_; }
  // The cant of row `riga`'s section in whole mm, as the list shows it: with
  // the live check on, from its readings of every row, which lie side by side
  // (the quicker way through the whole line), else from the store. Safe from
  // several threads at once.
  std::int32_t millimetri_riga(std::size_t riga) const {
    if (verifica_viva_ && riga < verifica_viva_->letture().size())
      return verifica_viva_->letture()[riga].millimetri;
    return millimetri_tratto(store_, tratto_della_riga(riga));
  }

  // Selecting a row: the position and the cant that the editor shows. Changes
  // nothing: only a change of the cant text that the user makes writes.
  struct selezione {
    std::string posizione;
    std::string sopraelevazione;
  };
  selezione seleziona(std::size_t riga) const;

  // The user changed the cant text of row `riga` to `testo`: the row's cant
  // field shows the text (clamped to ±300, "0" if blank) and the section's cant
  // object takes its value, in the first slot that is empty or holds cant.
  struct esito_tratto {
    std::string testo;        // what the cant box must hold (clamped to ±300, "0" if blank)
    bool senza_slot = false;  // the section has no free slot: neither row nor section changed
  };
  esito_tratto modifica_tratto(std::size_t riga, std::string_view testo);

  // Cant by radius class, from the eight class box texts: every cant object is
  // removed, then each listed curve outside a junction zone gets the cant of
  // its class on the side of the bend, and every other row shows cant "0".
  struct esito_classi {
    std::array<std::string, numero_classi> testi;  // what the boxes must hold
    std::size_t curve_con_sopraelevazione = 0;
    std::size_t curve_senza_slot = 0;
    std::vector<std::int32_t>
        posizioni_senza_slot;  // the first posizioni_senza_slot_riportate, in metres
    // The cant objects the scenario held: every one is removed before the
    // classes' cant is written.
    std::size_t oggetti_sopraelevazione_trovati = 0;
    // The slots that held a cant object and no longer do: what the saved file
    // loses (a cant object rewritten in its own slot is not among them).
    std::size_t oggetti_sopraelevazione_persi = 0;
  };
  esito_classi applica_classi(const std::array<std::string, numero_classi>& testi);

  // Run-off ramps (progetta_raccordi in progetto/raccordi.hpp) on the store,
  // with V(s) from `profilo` (from V and v of `parametri` without one); every
  // raised section's row shows its new whole number of millimetres.
  esito_raccordi applica_raccordi(const parametri_progetto& parametri,
                                  const profilo_velocita& profilo);
  esito_raccordi applica_raccordi(const parametri_progetto& parametri);

  // The whole line designed (progetta_linea in progetto/progetta.hpp): every
  // cant object of the scenario is removed, as by the class command, then each
  // listed section with a designed cant gets it in its first free slot; every
  // row shows its new cant. One step.
  struct esito_progettazione : esito_progetto {
    // The slots that held a cant object and no longer do.
    std::size_t oggetti_sopraelevazione_persi = 0;
  };
  esito_progettazione progetta(const parametri_progetto& parametri,
                               const profilo_velocita& profilo);

  // Check of the whole line as the store stands (verifica_linea), with V(s)
  // from `profilo`, or from V and v of `parametri` without one.
  std::vector<problema> verifica(const parametri_progetto& parametri,
                                 const profilo_velocita& profilo) const;
  std::vector<problema> verifica(const parametri_progetto& parametri) const;

  // The live check: the check of the line (as verifica(parametri, profilo))
  // kept up to date as the store changes, for a window that shows it after
  // every keystroke. imposta_verifica_viva checks the whole line once; from
  // then on a single-section edit, and undo and redo of one, judge anew only
  // the rows that section can affect, and the commands, undo and redo of them
  // and a merge with the file judge the whole line anew. Costs nothing while
  // off (the start).
  void imposta_verifica_viva(const parametri_progetto& parametri, const profilo_velocita& profilo);
  void spegni_verifica_viva();
  bool verifica_viva_accesa() const { return verifica_viva_.has_value(); }
  // What verifica(parametri, profilo) gives now, with those last given to
  // imposta_verifica_viva; empty while off. Valid until the store next changes.
  const std::vector<problema>& problemi_vivi() const;

  // Undo and redo. Every change of the store is one step: a single-section
  // edit (further edits of the same row join it until termina_modifica_tratto(), or an
  // edit of another row or a command), a class command, the ramps, the design. A step keeps
  // only what changed: the slots' old and new bytes and the rows' old and new
  // cant fields. A new change drops the steps that could be redone.
  using genere_passo = sopra::genere_passo;
  struct esito_passo {
    genere_passo genere = genere_passo::tratto;
    std::vector<std::size_t> righe;  // rows whose section or text changed, ascending
    // For a class command: what the class boxes must show now (the texts given
    // to the command after undo, the normalised ones after redo).
    std::optional<std::array<std::string, numero_classi>> testi_classi;
  };
  // Ends the single-section edit step in progress, if any: the next edit of the
  // same row is a step of its own.
  void termina_modifica_tratto();
  bool puo_annullare() const;
  bool puo_ripetere() const;
  // Takes back the last step (empty when there is none) / does again the last
  // step taken back (empty when there is none).
  std::optional<esito_passo> annulla();
  std::optional<esito_passo> ripeti();
  // Memory held by the steps, in bytes.
  std::size_t byte_registro() const;

  // The sections in memory differ from the section file as last loaded or saved
  // (compared by a digest kept up to date as the store changes, so that the
  // open scenario keeps no second copy of them and the answer costs no pass
  // over them).
  bool modificato() const;

  // Saving, with the section file checked against what was last read or
  // written just before the new content takes its place. Without changes by
  // another program the store is written as it is. When another program
  // changed the file, it is read again and merged slot by slot with the
  // store (unisci_con_file): without conflicts the store becomes the merge,
  // the rows follow, the steps of undo lose the slots that came from the file
  // (undo takes back only this program's changes), and the merge is saved.
  // What needs the user's word stops saving with nothing written, unless
  // `permessi` gives it: conflicts, a file that is no longer a section file
  // for this line, a section file that is no longer there, a header or line
  // file changed since loading (the rows may no longer match the line).
  struct permessi_salvataggio {
    bool sovrascrivi = false;  // at a conflict this program's slot wins; a foreign file is replaced
    bool ricrea = false;       // a section file no longer there is made anew from the store
    bool linea_cambiata = false;  // saved even though the header or line file changed
  };
  enum class stato_salvataggio : std::uint8_t {
    salvato,
    errore,
    conflitto,
    sparito,
    linea_cambiata
  };
  struct esito_salvataggio {
    stato_salvataggio stato = stato_salvataggio::salvato;
    std::string file;              // the name of the file the outcome speaks of
    std::string errore;            // errore: the Italian message of saving or reading
    bool unito = false;            // salvato: the store took another program's changes first
    std::size_t tratti_uniti = 0;  // the sections that took them
    // conflitto: the sections in conflict (the first posizioni_senza_slot_riportate
    // positions in metres, and how many in all), or why the file is foreign.
    std::vector<std::int32_t> posizioni;
    std::size_t tratti_in_conflitto = 0;
    motivo_estraneo estraneo = motivo_estraneo::nessuno;
    std::uint64_t byte_estraneo = 0;  // the foreign file's size
    std::size_t record_linea = 0;     // the records the line needs
    std::size_t byte_record = 0;      // the size of one record
  };
  esito_salvataggio salva(const permessi_salvataggio& permessi);
  // Saving without asking anybody: what needs the user's word is refused. On
  // failure returns the Italian message (testo_salvataggio) and keeps everything.
  std::optional<std::string> salva();

  // What another program changed in the scenario's files since they were last
  // read or written here. A file whose identity changed is read again only
  // when that cannot tell (the section file's digest decides).
  enum class tratti_su_disco : std::uint8_t { invariati, modificati, spariti };
  struct cambi_su_disco {
    tratti_su_disco tratti = tratti_su_disco::invariati;
    std::string file_linea;  // the header or line file that changed, if one did
    bool operator==(const cambi_su_disco&) const = default;
  };
  cambi_su_disco controlla_disco() const;

 private:
  // The single-section edit step in progress: its row, and the section's slots
  // and the row's cant field before its first keystroke.
  struct raffica {
    std::size_t riga = 0;
    std::vector<oggetto> oggetti;
    std::string testo;
    bool registrata = false;  // it is the last step of the journal
  };

  // A command's changes: every section, in pieces of minimo_per_pezzo that
  // the threads take in turn, is worked out by rifai(s, prima, dopo, campo,
  // conto), which takes section s as it is (fotografia) into `prima`, gives
  // `dopo` its new slots and `campo` its row's new cant field, counts in the
  // piece's `conto` what the command reports, and returns false for a section
  // it leaves as it is; then the changes go, in section order, into the
  // store, the base, the step `passo`, the rows and the live check. Returns
  // each piece's conto, in order.
  template <class Conto, class F>
  std::vector<Conto> rifai_tratti(registrazione& passo, F&& rifai);

  // Applies a step's changes backwards (undo) or forwards (redo).
  esito_passo ripercorri(const passo& p, bool indietro);

  scenario store_;
  geometria_linea geometria_;
  // Composes every row not composed yet: before the rows are changed.
  void componi_righe() const;

  // The header or line file that changed since loading (name), if one did.
  std::optional<std::string> linea_cambiata() const;
  // Takes the file's changes that the merge `unione` found into the store,
  // the rows, the base and the steps of undo.
  void prendi_loro(const esito_unione& unione);
  // After a change of cant objects only: the live check, if on, follows the
  // rows `righe`, one at a time for a single-section step, or, with `molte`,
  // judging the whole line anew.
  void verifica_dopo(std::span<const std::size_t> righe, bool molte);

  mutable righe_elenco righe_;  // composed as they are asked for
  std::optional<verifica_viva> verifica_viva_;
  // The store's impronta_viva() when it was last loaded or saved (modificato()).
  std::uint64_t impronta_viva_salvata_ = 0;
  // The section file as last read or written here: the digest of its records
  // 0 .. N, its size, the identities of the three files, and the slots changed since.
  // The digest, worked out when first needed for a store as loaded (impronta_disco()).
  mutable std::optional<std::uint64_t> impronta_disco_;
  std::uint64_t impronta_disco() const;
  std::uint64_t dimensione_disco_ = 0;
  mutable file_letti letti_;
  base_tratti base_;
  registro registro_;
  std::optional<raffica> raffica_;
};

// A scenario loaded from its files and opened, or why it could not be.
struct scenario_caricato {
  std::unique_ptr<scenario_aperto> aperto;  // empty when loading failed
  std::optional<std::string> errore;        // the loader's Italian message, when it failed
  dettagli_caricamento dettagli;            // on failure: the line files looked for, what to do
};
// Loads the scenario of header file `file_testata` (carica_scenario) and opens
// it. The loader's warnings stay in the store (aperto->store().avvisi).
scenario_caricato apri_scenario(const std::filesystem::path& file_testata);

}  // namespace sopra
