#pragma once
// The open scenario: the store, its section list, and the two cant edits. The
// window and the batch companion drive these; neither edits anything itself.

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/curva.hpp"
#include "scenario/scenario.hpp"

namespace sopra {

// The radius classes, one box each.
inline constexpr std::size_t numero_classi = std::size(raggi_nominali);
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
  const std::vector<std::string>& righe() const { return righe_; }

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
    std::size_t oggetti_rimossi = 0;
  };
  esito_classi applica_classi(const std::array<std::string, numero_classi>& testi);

  // The sections in memory differ from the section file as last loaded or saved
  // (compared by digest, so that the open scenario keeps no second copy of them).
  bool modificato() const;

  // Writes the section file; on failure returns the Italian message and keeps everything.
  std::optional<std::string> salva();

 private:
  scenario store_;
  std::vector<std::string> righe_;
  std::uint64_t impronta_salvata_;
};

}  // namespace sopra
