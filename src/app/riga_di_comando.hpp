#pragma once
// The batch companion's command line: what the user asked for, read from the
// arguments, and the usage text that --help prints.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editing/scenario_aperto.hpp"
#include "progetto/progetto.hpp"

namespace sopra::batch {

// A command line that does not follow the usage: `motivo` says what is wrong,
// in one short Italian phrase.
struct errore_uso {
  std::string motivo;
};

enum class comando {
  elenco,
  classi,
  tratto,
  proposta,
  raccordi,
  verifica,
  progetta,
  relazione,
  aiuto,
  versione
};

struct richiesta {
  comando cosa = comando::aiuto;
  // classi: the eight class box texts (--valori), or none when the proposal gives them.
  std::optional<std::array<std::string, numero_classi>> testi_classi;
  std::optional<long long> posizione;     // tratto: metres
  std::optional<std::string> millimetri;  // tratto: the cant text
  parametri_progetto parametri;           // proposta, classi --velocita and the design commands
  // --velocita was given: V and v of `parametri` hold along the whole line.
  bool velocita = false;
  // --profilo: the speed profile file of the design commands.
  std::optional<std::string> profilo;
  bool csv = false;     // elenco --csv
  bool prova = false;   // save nothing
  bool elenco = false;  // print the rows after the edit
  std::vector<std::string> file;
};

// Reads the arguments after the program's name. -h, --help and --version win
// over everything else before "--" and must be the last argument, -h and
// --help first. Throws errore_uso when they do not follow
// the usage: an unknown command or option, an option given twice or not valid
// for the command, a missing or malformed value, a missing or extra file.
richiesta leggi_argomenti(std::span<const std::string_view> argomenti);

// The usage text of --help, the parameters' defaults included.
std::string testo_uso();

}  // namespace sopra::batch
