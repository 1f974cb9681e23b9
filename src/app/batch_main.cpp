// sopraelevazione-batch: the section list and the two cant edits of the window,
// applied to one or more scenarios from the command line.

#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "editing/elenco.hpp"
#include "editing/scenario_aperto.hpp"
#include "scenario/file_scenario.hpp"

namespace {

using namespace sopra;

constexpr std::string_view testo_uso =
    "Uso:\n"
    "  sopraelevazione-batch elenco FILE.si3...\n"
    "  sopraelevazione-batch classi --valori T0,T1,T2,T3,T4,T5,T6,T7 [--prova] [--elenco] "
    "FILE.si3...\n"
    "  sopraelevazione-batch tratto --posizione METRI --mm TESTO [--prova] [--elenco] FILE.si3\n"
    "  sopraelevazione-batch --help\n"
    "\n"
    "elenco    stampa le righe dell'elenco dei tratti, una per riga.\n"
    "classi    imposta la sopraelevazione di tutte le curve per tipo di curva e salva il\n"
    "          file dei tratti. T0..T7 sono i testi delle otto caselle, in millimetri, per\n"
    "          i raggi 10000, 5000, 2500, 1000, 490, 330, 250 e 200 m, separati da virgole.\n"
    "tratto    imposta la sopraelevazione del tratto alla posizione METRI (una riga\n"
    "          dell'elenco) al testo TESTO in millimetri e salva il file dei tratti.\n"
    "--prova   non salva nulla.\n"
    "--elenco  stampa le righe dell'elenco dopo la modifica (con più file, ciascuno\n"
    "          dopo una riga \"# FILE\").\n"
    "\n"
    "I file di ogni scenario sono cercati nella cartella del suo FILE.si3.\n"
    "Il separatore decimale è il punto.\n"
    "Codici di uscita: 0 riuscito, 1 errore di lettura o di salvataggio, 2 errore d'uso.\n";

// A command line that does not follow the usage.
struct errore_uso {
  std::string motivo;
};

struct richiesta {
  std::string comando;  // "elenco", "classi", "tratto", or "--help"
  std::optional<std::array<std::string, numero_classi>> testi_classi;
  std::optional<long> posizione;  // metres
  std::optional<std::string> millimetri;
  bool prova = false;
  bool elenco = false;
  std::vector<std::string> file;
};

bool opzione_ammessa(std::string_view comando, std::string_view opzione) {
  if (comando == "classi")
    return opzione == "--valori" || opzione == "--prova" || opzione == "--elenco";
  if (comando == "tratto")
    return opzione == "--posizione" || opzione == "--mm" || opzione == "--prova" ||
           opzione == "--elenco";
  return false;
}

// The eight class texts of --valori, separated by commas.
std::array<std::string, numero_classi> testi_classi(std::string_view valori) {
  if (std::ranges::count(valori, ',') != numero_classi - 1)
    throw errore_uso{"--valori vuole otto valori separati da virgole"};
  std::array<std::string, numero_classi> testi;
  for (std::string& testo : testi) {
    const std::size_t virgola = std::min(valori.find(','), valori.size());
    testo = valori.substr(0, virgola);
    valori.remove_prefix(std::min(virgola + 1, valori.size()));
  }
  return testi;
}

// The whole number of metres of --posizione.
long metri(std::string_view testo) {
  long valore = 0;
  const auto [fine, errore] = std::from_chars(testo.data(), testo.data() + testo.size(), valore);
  if (errore != std::errc{} || fine != testo.data() + testo.size())
    throw errore_uso{"posizione non valida: " + std::string(testo)};
  return valore;
}

richiesta leggi_argomenti(const std::vector<std::string_view>& argomenti) {
  if (argomenti.empty()) throw errore_uso{"manca il comando"};
  richiesta r;
  r.comando = argomenti[0];
  if (r.comando == "--help") return r;
  if (r.comando != "elenco" && r.comando != "classi" && r.comando != "tratto")
    throw errore_uso{"comando sconosciuto: " + r.comando};

  bool solo_file = false;
  for (std::size_t i = 1; i < argomenti.size(); ++i) {
    const std::string_view a = argomenti[i];
    if (solo_file || !a.starts_with("--")) {
      r.file.emplace_back(a);
      continue;
    }
    if (a == "--") {
      solo_file = true;
      continue;
    }
    if (a == "--help") {
      r.comando = "--help";
      return r;
    }
    if (!opzione_ammessa(r.comando, a))
      throw errore_uso{"opzione non valida per " + r.comando + ": " + std::string(a)};
    if (a == "--prova") {
      r.prova = true;
    } else if (a == "--elenco") {
      r.elenco = true;
    } else {
      if (i + 1 == argomenti.size()) throw errore_uso{"manca il valore di " + std::string(a)};
      const std::string_view valore = argomenti[++i];
      if (a == "--valori") r.testi_classi = testi_classi(valore);
      if (a == "--posizione") r.posizione = metri(valore);
      if (a == "--mm") r.millimetri = valore;
    }
  }

  if (r.file.empty()) throw errore_uso{"manca il file dello scenario"};
  if (r.comando == "classi" && !r.testi_classi) throw errore_uso{"manca --valori"};
  if (r.comando == "tratto") {
    if (!r.posizione) throw errore_uso{"manca --posizione"};
    if (!r.millimetri) throw errore_uso{"manca --mm"};
    if (r.file.size() != 1) throw errore_uso{"tratto vuole un solo file"};
  }
  return r;
}

// The row listed at `posizione` metres, which must be a whole multiple of 50.
std::size_t riga_alla_posizione(long posizione, std::size_t numero_righe) {
  const auto s = tratto_alla_posizione(posizione);
  if (!s || *s < primo_tratto_elencato || riga_del_tratto(*s) >= numero_righe) {
    throw errore_uso{"la posizione " + std::to_string(posizione) +
                     " non è una riga dell'elenco dei tratti"};
  }
  return riga_del_tratto(*s);
}

bool scrivi_tutto(int fd, std::string_view testo) {
  while (!testo.empty()) {
    const ssize_t n = ::write(fd, testo.data(), testo.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    testo.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void scrivi_errore(std::string_view testo) {
  scrivi_tutto(STDERR_FILENO, testo);
}

// The rows of one scenario, one per line, after a "# FILE" line when there are several files.
std::string testo_elenco(const std::vector<std::string>& righe, std::string_view file,
                         bool intestazione) {
  std::size_t dimensione = file.size() + 3;
  for (const auto& riga : righe) dimensione += riga.size() + 1;
  std::string testo;
  testo.reserve(dimensione);
  if (intestazione) (testo += "# ") += file, testo += '\n';
  for (const auto& riga : righe) (testo += riga) += '\n';
  return testo;
}

std::string riassunto_classi(std::string_view file, const scenario_aperto::esito_classi& esito) {
  std::string testo = std::string(file) + ": " + std::to_string(esito.curve_con_sopraelevazione) +
                      " curve con sopraelevazione, " + std::to_string(esito.curve_senza_slot) +
                      " curve senza posto libero, " + std::to_string(esito.oggetti_rimossi) +
                      " oggetti sopraelevazione rimossi";
  if (!esito.posizioni_senza_slot.empty()) {
    testo += "; senza posto libero a";
    for (std::size_t i = 0; i < esito.posizioni_senza_slot.size(); ++i)
      testo += (i == 0 ? " " : ", ") + std::to_string(esito.posizioni_senza_slot[i]);
    testo += esito.curve_senza_slot > esito.posizioni_senza_slot.size() ? ", ... m" : " m";
  }
  return testo + '\n';
}

// Loads, edits, saves and lists one scenario; false after a load, save or output error.
bool esegui_scenario(const richiesta& r, const std::string& file) {
  scenario store;
  if (auto errore = carica_scenario(file, store)) {
    scrivi_errore(file + ": " + *errore + '\n');
    return false;
  }
  scenario_aperto aperto(std::move(store));

  if (r.comando == "classi") {
    scrivi_errore(riassunto_classi(file, aperto.applica_classi(*r.testi_classi)));
  } else if (r.comando == "tratto") {
    const std::size_t riga = riga_alla_posizione(*r.posizione, aperto.righe().size());
    if (aperto.modifica_tratto(riga, *r.millimetri).senza_slot) {
      scrivi_errore(file + ": il tratto a " + std::to_string(*r.posizione) +
                    " m non ha posti liberi: sopraelevazione non modificata\n");
    }
  }

  bool riuscito = true;
  if (!r.prova && aperto.modificato()) {
    if (auto errore = aperto.salva()) {
      scrivi_errore(file + ": " + *errore + '\n');
      riuscito = false;
    }
  }
  if (r.comando == "elenco" || r.elenco) {
    if (!scrivi_tutto(STDOUT_FILENO, testo_elenco(aperto.righe(), file, r.file.size() > 1))) {
      scrivi_errore(std::string("Impossibile scrivere l'elenco: ") + std::strerror(errno) + '\n');
      riuscito = false;
    }
  }
  return riuscito;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // Windows: the lists and messages go out byte for byte as on other systems,
  // with no line end turned into CR LF.
  _setmode(STDOUT_FILENO, _O_BINARY);
  _setmode(STDERR_FILENO, _O_BINARY);
#else
  // Beyond a file size limit the save fails with its message instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  try {
    const richiesta r = leggi_argomenti(std::vector<std::string_view>(argv + 1, argv + argc));
    if (r.comando == "--help") return scrivi_tutto(STDOUT_FILENO, testo_uso) ? 0 : 1;
    int codice = 0;
    for (const auto& file : r.file)
      if (!esegui_scenario(r, file)) codice = 1;
    return codice;
  } catch (const errore_uso& e) {
    scrivi_errore("sopraelevazione-batch: " + e.motivo + "\n\n" + std::string(testo_uso));
    return 2;
  }
}
