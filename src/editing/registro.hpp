#pragma once
// The journal of undo and redo: the steps of the open scenario's changes, kept
// as the XOR of each changed slot's old and new bytes and the old and new cant
// field of its row, how a step is built while a change is made, and how it is
// read back to take the change back or do it again.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/geometria_linea.hpp"
#include "editing/elenco.hpp"
#include "scenario/scenario.hpp"
#include "scenario/unione_tratti.hpp"

namespace sopra {

// What made a step: a single-section edit, a class command, the ramps, the design.
enum class genere_passo : std::uint8_t { tratto, classi, raccordi, progetto };

// One step of the journal. `voci` holds, for each changed section in
// ascending order, the distance from the previous one and the index of its
// change in `modelli` (both as variable-length integers); a change is the XOR
// of old and new bytes of each changed slot and the old and new cant field of
// its row (see registrazione). Sections that change alike share one.
struct passo {
  genere_passo genere = genere_passo::tratto;
  std::vector<std::uint8_t> voci;
  std::vector<std::string> modelli;
  std::array<std::string, numero_classi> testi_prima, testi_dopo;  // class command only
};

// Unsigned integers in the journal: 7 bits a byte, low bits first, the top bit
// set on every byte but the last.
template <class Bytes>
void scrivi_varint(Bytes& uscita, std::uint64_t valore) {
  while (valore >= 0x80) {
    uscita.push_back(static_cast<typename Bytes::value_type>((valore & 0x7F) | 0x80));
    valore >>= 7;
  }
  uscita.push_back(static_cast<typename Bytes::value_type>(valore));
}
// Reads one and moves `byte` past it.
inline std::uint64_t leggi_varint(const std::uint8_t*& byte) {
  std::uint64_t valore = 0;
  for (int spostamento = 0;; spostamento += 7) {
    const std::uint8_t b = *byte++;
    valore |= static_cast<std::uint64_t>(b & 0x7F) << spostamento;
    if ((b & 0x80) == 0) return valore;
  }
}

// A section as it was before a change: its slots (the kept ones, as the store
// keeps them) and its row's cant field.
struct fotografia {
  std::array<oggetto, slot_esteso> oggetti;  // the slots of `presenti`, in slot order
  std::uint64_t presenti = 0;
  std::size_t numero = 0;
  bool con_riga = false;
  std::string testo;

  slot_tratto slot() const { return {oggetti.data(), presenti, numero}; }

  // Sets slot j to `o` as the store does (elenco_tratti::imposta_oggetto): a
  // kept slot stays kept, an empty value is not kept in a slot that is not.
  void imposta(std::size_t j, const oggetto& o) {
    const std::uint64_t bit = std::uint64_t{1} << j;
    const auto k = static_cast<std::size_t>(bit_impostati(presenti & (bit - 1)));
    if ((presenti & bit) != 0) {
      oggetti[k] = o;
    } else if (!(o == oggetto{})) {
      std::copy_backward(oggetti.begin() + static_cast<std::ptrdiff_t>(k),
                         oggetti.begin() + bit_impostati(presenti),
                         oggetti.begin() + bit_impostati(presenti) + 1);
      oggetti[k] = o;
      presenti |= bit;
    }
  }

  // Takes section s of the store and its row of `righe`, if listed.
  void scatta(const scenario& store, const righe_elenco& righe, std::int32_t s) {
    const slot_tratto slot = store.tratti[static_cast<std::size_t>(s)].oggetti;
    numero = slot.size();
    presenti = slot.presenti();
    std::copy_n(slot.dati(), bit_impostati(presenti), oggetti.begin());
    con_riga = tratto_elencato(s, righe.size());
    if (!con_riga) return;
    const std::string_view riga = righe[riga_del_tratto(s)];
    testo.assign(riga.substr(inizio_sopraelevazione(riga)));
  }
};

// The change of one section, as a step keeps it (see registrazione), worked
// out from the section before and after with no state but a cache of its own:
// threads that each have one may work out the changes of different sections
// at once.
class cambio_tratto {
 public:
  // A slot whose value changed.
  struct slot_cambiato {
    std::uint8_t slot = 0;
    oggetto prima, ora;
  };
  // The change of a section from `prima` to slots `ora` and, when listed, a
  // row whose cant field reads `testo`; false when nothing changed.
  bool calcola(const fotografia& prima, const slot_tratto& ora, std::string_view testo);
  // What calcola worked out last: the change's bytes and its changed slots.
  std::string_view modello() const { return modello_; }
  std::span<const slot_cambiato> cambiati() const { return {cambiati_.data(), numero_cambiati_}; }

 private:
  bool canonico(std::string_view testo, const slot_tratto& oggetti);

  struct millimetro {
    std::int16_t centesimi = 0;
    std::int32_t millimetri = 0;
    bool valido = false;
  };
  std::array<millimetro, 64> millimetri_{};
  std::string modello_;
  std::array<slot_cambiato, slot_esteso> cambiati_;
  std::size_t numero_cambiati_ = 0;
};

// Builds one step: for each changed section, in ascending order, a change
// (modello) made of
//   the number of changed slots; for each, its number and the XOR of its 10
//   old and 10 new bytes as the section file holds them;
//   1 and the row's old and new cant fields (scrivi_testo) when the row's text
//   changed, else 0.
// XOR takes the slots back as well as forward. Equal changes are stored once.
class registrazione {
 public:
  // Every changed slot's old bytes also go to `base` (base_tratti::annota).
  registrazione(genere_passo genere, base_tratti& base) : base_(base) { passo_.genere = genere; }

  // Compares section s now, whose row's cant field reads `testo` (when
  // listed), with `prima` and records the difference, if any. Sections are
  // given in ascending order.
  void confronta(const fotografia& prima, const scenario& store, std::string_view testo,
                 std::int32_t s);
  // Records the change of section s that a cambio_tratto worked out, its
  // changed slots' old values already given to the base; sections in
  // ascending order, as for confronta.
  void aggiungi(std::int32_t s, std::string_view modello);

  // No section changed.
  bool vuota() const { return passo_.voci.empty(); }

  // The step built, its memory trimmed; the registrazione is done with.
  passo prendi_passo() {
    passo_.voci.shrink_to_fit();
    passo_.modelli.shrink_to_fit();
    return std::move(passo_);
  }

  // The step being built (for what the caller adds to it, as the class texts).
  passo& in_corso() { return passo_; }

 private:
  std::uint32_t indice_del_modello(std::string_view modello);
  std::size_t posto_libero(std::uint64_t h) const;

  base_tratti& base_;
  passo passo_;
  cambio_tratto cambio_;
  std::vector<std::uint32_t> indici_;
  std::int32_t ultimo_ = 0;
};

// Applies step `p`'s changes to `tratti` backwards (undo) or forwards (redo);
// every slot's value before it goes to `base` (base_tratti::annota). For each
// changed section s, in ascending order, once its slots changed, calls
// riga(s, cambiata, testo): `cambiata` is false when its row kept its text,
// else `testo` is the row's cant field to show, or none for the canonical text
// of the section's slots (its whole millimetres).
template <class F>
void ripercorri_passo(const passo& p, bool indietro, elenco_tratti& tratti, base_tratti& base,
                      F&& riga) {
  const std::uint8_t* voce = p.voci.data();
  const std::uint8_t* const fine = voce + p.voci.size();
  std::int32_t s = 0;
  while (voce < fine) {
    s += static_cast<std::int32_t>(leggi_varint(voce));
    const std::string& modello = p.modelli[leggi_varint(voce)];
    const auto* byte = reinterpret_cast<const std::uint8_t*>(modello.data());

    const auto i = static_cast<std::size_t>(s);
    for (std::uint8_t cambiati = *byte++; cambiati > 0; --cambiati) {
      const std::size_t j = *byte++;
      std::array<std::uint8_t, byte_oggetto> codificato;
      const oggetto prima = tratti.leggi(i).oggetti[j];
      base.annota(i, j, prima);
      codifica_oggetto(prima, codificato.data());
      for (std::uint8_t& b : codificato) b ^= *byte++;
      tratti.imposta_oggetto(i, j, decodifica_oggetto(codificato.data()));
    }
    // Unless the row kept its text, the old field comes first, then the new
    // one; empty stands for the canonical text.
    const bool cambiata = *byte++ != 0;
    std::optional<std::string_view> testi[2];
    if (cambiata) {
      for (auto& testo : testi) {
        const std::uint64_t lunghezza = leggi_varint(byte);
        if (lunghezza == 0) continue;
        testo = std::string_view(reinterpret_cast<const char*>(byte), lunghezza - 1);
        byte += lunghezza - 1;
      }
    }
    riga(s, cambiata, testi[indietro ? 0 : 1]);
  }
}

// The steps of undo and redo of one open scenario.
class registro {
 public:
  // Puts `nuovo` on the journal as the latest step, dropping what could be redone.
  void registra(passo nuovo);
  // The latest step (the one registra put last, not taken back) becomes
  // `nuovo` / is dropped: a burst of typing that grew, or came back to nothing.
  void sostituisci_ultimo(passo nuovo);
  void togli_ultimo();

  bool puo_annullare() const { return fatti_ > 0; }
  bool puo_ripetere() const { return fatti_ < passi_.size(); }
  // The step to take back, counted from now on as taken back (puo_annullare() first).
  const passo& da_annullare() { return passi_[--fatti_]; }
  // The step to do again, counted from now on as done (puo_ripetere() first).
  const passo& da_ripetere() { return passi_[fatti_++]; }

  // Memory held by the steps, in bytes.
  std::size_t byte() const;

  // Drops the slots `presi` (section and slot order) from every step: what
  // another program's file brought is not this program's to take back. A step
  // left with no change stays.
  void togli_slot(const std::vector<esito_unione::slot_loro>& presi);

 private:
  std::vector<passo> passi_;
  std::size_t fatti_ = 0;  // steps [0, fatti_) can be undone, the rest redone
};

}  // namespace sopra
