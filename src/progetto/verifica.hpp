#pragma once
// Check of the whole line: every listed section's stored cant against the design
// rules, as a list of problems ordered by position.

#include <array>
#include <cstddef>
#include <cstdint>
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

// The code's name as the batch companion prints it ("fuori_scala", "lato", ...).
std::string_view nome_codice(codice_problema codice);
// Errors: fuori_scala, lato, bivio, bivio_in_curva, pendenza and insufficienza;
// the others are warnings.
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
  // Only the cant objects of row `riga`'s section changed (its slots, not the
  // line's geometry): the rows it can affect are judged anew.
  void riga_cambiata(const scenario& store, const geometria_linea& geometria, std::size_t riga);
  // Anything else changed (many sections, a junction, the geometria): the
  // whole line is judged anew.
  void ricalcola(const scenario& store, const geometria_linea& geometria);

 private:
  parametri_progetto parametri_;
  profilo_velocita profilo_;
  condizioni_linea condizioni_;
  std::vector<lettura_tratto> letture_;
  inviluppi inv_;
  std::vector<problema> problemi_;
  std::vector<problema> nuovi_;  // scratch of riga_cambiata
};

}  // namespace sopra
