#pragma once
// Check of the whole line: every listed section's stored cant against the design
// rules, as a list of problems ordered by position.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/geometria_linea.hpp"
#include "progetto/condizioni.hpp"
#include "progetto/profilo.hpp"
#include "progetto/progetto.hpp"
#include "progetto/raccordi.hpp"
#include "scenario/scenario.hpp"

namespace sopra {

// The kinds of problem, in the order they are reported at one position.
enum class codice_problema : std::uint8_t {
  fuori_scala,     // side not -1, 0 or +1, or more than 300 mm: damaged or foreign data
  lato,            // a curve's cant on its inner rail
  bivio,           // cant in a junction zone
  bivio_in_curva,  // a junction zone on a curve, run through without cant: deficiency above I_max
  massimo,         // cant above c_max
  rettilineo,      // cant on a straight that no run-off explains
  pendenza,        // step from the previous listed section steeper than the run-off gradient
  variazione,      // step within the gradient but above the one allowed at V (delta_tra)
  insufficienza,   // deficiency at V above I_max
  eccesso,         // excess at v above E_max
  senza_slot,      // a curve whose section cannot hold a cant
};
inline constexpr std::size_t numero_codici = 11;

// What each kind of problem is: its name as the batch companion prints it, its
// severity and its sentence, where "{0}", "{1}" and "{2}" stand for the
// problem's figures (problema::cifre).
enum class gravita_problema : std::uint8_t { errore, avviso };
struct voce_codice {
  codice_problema codice;
  std::string_view nome;
  gravita_problema gravita;
  std::string_view frase;
};
inline constexpr std::array<voce_codice, numero_codici> codici_problema = {{
    {codice_problema::fuori_scala, "fuori_scala", gravita_problema::errore,
     "oggetto sopraelevazione fuori scala ({0} mm): dati danneggiati o estranei"},
    {codice_problema::lato, "lato", gravita_problema::errore,
     "sopraelevazione di {0} mm sulla rotaia interna della curva"},
    {codice_problema::bivio, "bivio", gravita_problema::errore,
     "sopraelevazione di {0} mm in zona di bivio"},
    {codice_problema::bivio_in_curva, "bivio_in_curva", gravita_problema::errore,
     "zona di bivio in curva senza sopraelevazione: insufficienza di {0} mm (ammessi {1} mm): "
     "velocità ammessa {2} km/h"},
    {codice_problema::massimo, "massimo", gravita_problema::avviso,
     "sopraelevazione di {0} mm oltre il massimo di {1} mm"},
    {codice_problema::rettilineo, "rettilineo", gravita_problema::avviso,
     "sopraelevazione di {0} mm su rettilineo, non dovuta a un raccordo"},
    {codice_problema::pendenza, "pendenza", gravita_problema::errore,
     "salto di {0} mm dal tratto precedente, più ripido del raccordo (ammessi {1} mm)"},
    {codice_problema::variazione, "variazione", gravita_problema::avviso,
     "salto di {0} mm dal tratto precedente: troppo rapido a {2} km/h (ammessi {1} mm)"},
    {codice_problema::insufficienza, "insufficienza", gravita_problema::errore,
     "insufficienza di {0} mm (ammessi {1} mm): velocità ammessa {2} km/h"},
    {codice_problema::eccesso, "eccesso", gravita_problema::avviso,
     "eccesso di {0} mm alla velocità minima (ammessi {1} mm)"},
    {codice_problema::senza_slot, "senza_slot", gravita_problema::avviso,
     "curva senza slot libero: non può avere sopraelevazione"},
}};

// The entry of `codice` in codici_problema.
constexpr const voce_codice& voce_del_codice(codice_problema codice) {
  return codici_problema[static_cast<std::size_t>(codice)];
}

// The code's name as the batch companion prints it ("fuori_scala", "lato", ...).
std::string_view nome_codice(codice_problema codice);
// Whether the code is an error (else a warning).
bool errore(codice_problema codice);

struct problema {
  std::int32_t posizione = 0;  // metres
  codice_problema codice = codice_problema::fuori_scala;
  // The figures of its sentence, in the order the sentence gives them
  // (testo_problema); a line can hold a problem on most of its sections, and
  // the sentence is made only when it is shown.
  std::array<double, 3> cifre{};
  bool operator==(const problema&) const = default;
};

// The problem's short Italian sentence with its figures, a whole figure when
// it is within 0.05 of one, else with one decimal and "." as separator.
std::string testo_problema(const problema& p);

// Every problem of the listed sections, by position and, at one position, in
// the order of codice_problema, judged with each section's V(s) and v(s) from
// `profilo` and its design radius (condizioni_righe). bivio_in_curva and
// insufficienza only where V is given, eccesso only where v is given.
std::vector<problema> verifica_linea(const scenario& store, const geometria_linea& geometria,
                                     const parametri_progetto& parametri,
                                     const profilo_velocita& profilo);
// The same with V and v of `parametri` along the whole line.
std::vector<problema> verifica_linea(const scenario& store, const geometria_linea& geometria,
                                     const parametri_progetto& parametri);

// The check of the line kept up to date as single sections change: problemi()
// is always what verifica_linea gives for the store and the line last given,
// but a changed section costs only the rows its cant can reach (the step to
// its neighbours, the straights whose envelope it moves: |c| less the steps
// allowed on the way), not the whole line.
class verifica_viva {
 public:
  // Checks the whole line with these parameters and this profile.
  verifica_viva(const scenario& store, const geometria_linea& geometria,
                const parametri_progetto& parametri, const profilo_velocita& profilo);

  // The problems, as verifica_linea orders them.
  const std::vector<problema>& problemi() const { return problemi_; }
  // Every row's section as it reads now (leggi_tratto), by row.
  const std::vector<lettura_tratto>& letture() const { return letture_; }
  // Only the cant objects of row `riga`'s section changed (its slots, not the
  // line's geometry): the rows it can affect are judged anew.
  void riga_cambiata(const scenario& store, const geometria_linea& geometria, std::size_t riga);
  // The cant objects of many sections changed, nothing else: the whole line is
  // judged anew, with the conditions of its rows (radius, speed, limits) kept.
  void sopraelevazioni_cambiate(const scenario& store, const geometria_linea& geometria);
  // The same when only the sections of rows `righe` (each once) changed: only
  // those are read anew.
  void sopraelevazioni_cambiate(const scenario& store, const geometria_linea& geometria,
                                std::span<const std::size_t> righe);
  // The same when the caller has already read the changed sections: row
  // righe[k] now reads letture[k] (leggi_tratto of its section as the store
  // holds it now); nothing is read from the store.
  void sopraelevazioni_cambiate(const geometria_linea& geometria,
                                std::span<const std::size_t> righe,
                                std::span<const lettura_tratto> letture);
  // Anything else changed (a junction, the geometria): the whole line is
  // judged anew, its conditions too.
  void ricalcola(const scenario& store, const geometria_linea& geometria);

 private:
  // The envelopes and every row's problems anew from letture_.
  void giudica_linea(const geometria_linea& geometria);

  parametri_progetto parametri_;
  profilo_velocita profilo_;
  condizioni_linea condizioni_;
  std::vector<lettura_tratto> letture_;
  inviluppi inv_;
  std::vector<problema> problemi_;
  std::vector<problema> nuovi_;  // scratch of riga_cambiata
};

}  // namespace sopra
