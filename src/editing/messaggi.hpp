#pragma once
// Wording shared by the window and the batch companion, so that one thing is
// said in one way wherever the user meets it. Each text is one sentence or
// more, without the final full stop, so that it can be followed by others.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editing/scenario_aperto.hpp"
#include "progetto/progetto.hpp"
#include "progetto/raccordi.hpp"

namespace sopra {

// A section whose slots are all taken by other objects cannot take a cant.
inline constexpr std::string_view testo_tratto_senza_slot =
    "Nessuno slot libero: la sopraelevazione non può essere inserita";

// "Posizioni in metri: 650, 1200": the first posizioni_senza_slot_riportate of
// `posizioni`, followed by how many more there are ("650, 1200 e altre 3", or
// "e un'altra") when `quante` (how many there are in all, when `posizioni` holds
// only the first ones) or the size of `posizioni` is larger; with none to show,
// "Posizioni in metri: 3 non riportate".
std::string testo_posizioni(std::span<const std::int32_t> posizioni, std::size_t quante);

// A count and its words, which agree with it: quanti(1, "tratto rialzato",
// "tratti rialzati") is "1 tratto rialzato", quanti(3, ...) "3 tratti rialzati".
std::string quanti(std::size_t numero, std::string_view uno, std::string_view molti);

// How many curve sections the class command left without cant for want of a
// free slot (`quante` > 0).
std::string testo_curve_senza_slot(std::size_t quante);

// What the ramps did: the sections raised, then, when there are any, the
// conflicts and the sections without a free slot with their positions; the
// sentences are joined by `separatore` (". " on one line, ".\n" in a box).
std::string testo_esito_raccordi(const esito_raccordi& esito, std::string_view separatore);

// What the whole-line design did: the curves designed and the sections with
// cant, then, when there are any, the sections lowered below their proposal
// (the first posizioni_senza_slot_riportate with the cant they got and the
// speed it allows, "1200 m: 82 mm, 104 km/h"), the curve sections pinned at no
// cant in junction zones and those without a free slot, with their positions,
// and the cant objects removed; joined by `separatore`.
std::string testo_esito_progetto(const scenario_aperto::esito_progettazione& esito,
                                 std::string_view separatore);

// A section that the ramps or the design name, for the problem list: where,
// and what was done or left there.
struct voce_esito {
  enum class genere : std::uint8_t {
    conflitto_raccordi,   // the ramps left it as it was
    senza_slot_raccordi,  // the ramps found no slot for its cant
    abbassato,            // the design lowered it below its proposal
    bivio_progetto,       // the design pinned it at no cant in a junction zone
    senza_slot_progetto,  // the design found no slot for its cant
  };
  std::int32_t posizione = 0;  // metres
  genere tipo = genere::conflitto_raccordi;
  tratto_abbassato abbassato{};  // abbassato only
};

// Every section named by the ramps, or by the design, by ascending position
// (at one position, in the order of voce_esito::genere).
std::vector<voce_esito> voci_esito(const esito_raccordi& esito);
std::vector<voce_esito> voci_esito(const scenario_aperto::esito_progettazione& esito);

// What the problem list says of `voce` after its position: "Raccordi: tratto
// in conflitto lasciato com'era", "Progetto: abbassato a 82 mm (proposta
// 95 mm), velocità ammessa 104 km/h".
std::string testo_voce_esito(const voce_esito& voce);

// The notes on a flagged class of the proposal, every one that applies,
// separated by "; ": speed V cannot be served within the deficiency allowed,
// and no cant serves both speeds; empty when the class is not flagged.
std::string nota_proposta(const proposta_classe& classe, const parametri_progetto& parametri);

// How many problems the check found: "2 errori, 1 avviso", or "nessun problema".
std::string testo_problemi(std::size_t errori, std::size_t avvisi);

// Saving with the section file changed by another program
// (scenario_aperto::salva). The merge that was saved ("Il file NAME.da3 era
// stato modificato da un altro programma: le modifiche sono state unite (N
// tratti)"); empty when there was none.
std::string testo_unione(const scenario_aperto::esito_salvataggio& esito);
// Why a save wrote nothing, as one or more whole sentences with their full
// stops, like the messages of a failed save: the error, the conflicts and their
// positions, a file no longer for this line, no longer there, or a header or
// line file changed. Empty for a save that was done.
std::string testo_salvataggio(const scenario_aperto::esito_salvataggio& esito);
// What the window asks after testo_salvataggio: the three choices at a
// conflict, or whether to save all the same.
std::string domanda_salvataggio(const scenario_aperto::esito_salvataggio& esito);

// What the window says at once when another program changed the scenario's
// files (scenario_aperto::controlla_disco), one sentence for each file, naming
// it (NAME.da3 for the section file); empty when nothing changed.
std::string testo_cambi_su_disco(const scenario_aperto::cambi_su_disco& cambi,
                                 std::string_view file_tratti);

}  // namespace sopra
