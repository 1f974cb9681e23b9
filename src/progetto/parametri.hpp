#pragma once
// The design parameters one by one: the field each sets, its kind, its unit and
// the values it accepts, so that every reader of parameters judges a value alike.

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "progetto/progetto.hpp"

namespace sopra {

// No train runs faster: a larger speed is a slip of the keyboard, not a design.
inline constexpr double velocita_oltre_ogni_treno = 1000;  // km/h

enum class genere_parametro { velocita, millimetri_interi, decimale };

struct parametro_progetto {
  std::string_view didascalia;  // the window's caption, which the unit follows
  std::string_view opzione;     // the batch companion's option
  genere_parametro genere;
  std::string_view unita;  // as it follows a value: "km/h", "mm", "mm/m", "mm/s"
  // The largest value accepted (the smallest is 0); infinity when there is none.
  double massimo;
  double parametri_progetto::*decimale = nullptr;      // the field of a speed or decimal
  std::int32_t parametri_progetto::*intero = nullptr;  // the field of a whole mm
  // Whether 0 is refused too: a ramp with no gradient or no rate of change
  // would never end, so every ramp would be a conflict.
  bool positivo = false;
  // Whether the parameter's noun is masculine ("eccesso"), for the words that
  // agree with it; the others are feminine ("velocità", "sopraelevazione").
  bool maschile = false;
};

inline constexpr double senza_massimo = std::numeric_limits<double>::infinity();

// The seven parameters of parametri_progetto, in the order the window's boxes
// and the batch companion's options list them: V, v, c_max, I_max, E_max, the
// run-off gradient and the rate of change of cant. Their defaults are those of
// parametri_progetto (valore_parametro(parametri_progetto{}, k)).
inline constexpr std::array<parametro_progetto, 7> parametri_di_progetto = {{
    {"Velocità massima", "--velocita", genere_parametro::velocita, "km/h",
     velocita_oltre_ogni_treno, &parametri_progetto::velocita_massima},
    {"Velocità minima", "--velocita-minima", genere_parametro::velocita, "km/h",
     velocita_oltre_ogni_treno, &parametri_progetto::velocita_minima},
    {"Sopraelevazione massima", "--massimo", genere_parametro::millimetri_interi, "mm",
     sopraelevazione_limite, nullptr, &parametri_progetto::sopraelevazione_massima},
    {"Insufficienza ammessa", "--insufficienza", genere_parametro::millimetri_interi, "mm",
     senza_massimo, nullptr, &parametri_progetto::insufficienza_ammessa},
    {"Eccesso ammesso", "--eccesso", genere_parametro::millimetri_interi, "mm", senza_massimo,
     nullptr, &parametri_progetto::eccesso_ammesso, false, true},
    {"Pendenza raccordi", "--pendenza", genere_parametro::decimale, "mm/m", senza_massimo,
     &parametri_progetto::pendenza_raccordo, nullptr, true},
    {"Variazione massima", "--variazione", genere_parametro::decimale, "mm/s", senza_massimo,
     &parametri_progetto::variazione_massima, nullptr, true},
}};
inline constexpr std::size_t numero_parametri = parametri_di_progetto.size();

// The parameters' places in parametri_di_progetto.
enum indice_parametro : std::size_t {
  indice_velocita_massima,
  indice_velocita_minima,
  indice_sopraelevazione_massima,
  indice_insufficienza,
  indice_eccesso,
  indice_pendenza,
  indice_variazione,
};

// Judges `valore` for parameter `k` (< numero_parametri). When it is accepted,
// sets the parameter in `parametri` and returns nothing; otherwise leaves
// `parametri` as it was and returns why, in Italian, as a phrase that follows
// the parameter's name, the first that applies of: "vuole un numero" (not
// finite), "non può essere negativa" ("negativo" for a masculine one), "deve essere maggiore di 0"
// (0 for the run-off gradient or the rate of change), "vuole un numero intero di millimetri" (a
// whole-mm parameter with a fraction, or beyond what its field holds), "non può superare 300 mm"
// (above the parameter's maximum, with its unit).
std::optional<std::string> imposta_parametro(parametri_progetto& parametri, std::size_t k,
                                             double valore);

// A refusal that concerns the parameters together: which parameter it names
// and why, as imposta_parametro says it.
struct parametro_rifiutato {
  std::size_t indice;
  std::string motivo;
};

// Judges the parameters together once each was accepted alone: the slowest
// speed v may not exceed the fastest V ("non può superare la velocità
// massima", naming v), when both are given. Nothing when they agree.
std::optional<parametro_rifiutato> controlla_parametri(const parametri_progetto& parametri);

// The value of parameter `k` (< numero_parametri) in `parametri`.
double valore_parametro(const parametri_progetto& parametri, std::size_t k);

}  // namespace sopra
