// Times the core on the largest scenarios against what the machine allows:
// loading, building the section list, the class command and saving, each the
// median of several runs, beside plain bulk reads and writes of the same bytes
// (whole files into memory, and through one reused buffer as cat reads them),
// and the peak memory of loading and building the rows. Loading and the read
// as cat does it are timed again each in a process of its own, as the first
// load of a program meets them.
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "analysis/caricamento.hpp"
#include "editing/csv.hpp"
#include "editing/scenario_aperto.hpp"
#include "generatore_demo.hpp"
#include "progetto/profilo.hpp"
#include "progetto/progetto.hpp"
#include "progetto/relazione.hpp"
#include "scenario/memoria_grande.hpp"

namespace {

namespace fs = std::filesystem;
using orologio = std::chrono::steady_clock;

constexpr const char* uso =
    "Uso: sopraelevazione-bench [--metri METRI] [--prove PROVE] [CARTELLA]\n"
    "Scrive in una cartella temporanea dentro CARTELLA (predefinita: la cartella\n"
    "temporanea del sistema) uno scenario compatto lungo METRI (predefiniti 10000000)\n"
    "e uno esteso lungo METRI / 10, misura PROVE volte (predefinite 5) caricamento,\n"
    "righe, comando delle classi, proposta, raccordi, verifica, annulla e ripeti,\n"
    "salvataggio e la memoria del registro dopo 100 comandi delle classi, poi\n"
    "caricamento e lettura come cat ciascuno in un processo nuovo, e alla fine\n"
    "cancella i file.\n";

struct opzioni {
  std::int32_t metri = 10'000'000;
  int prove = 5;
  fs::path cartella = fs::temp_directory_path();
};

struct caso {
  std::string nome;  // scenario name; the line file is its prefix before "_"
  std::int32_t metri;
  bool compatto;
};

[[noreturn]] void errore_di_sistema(const std::string& che_cosa) {
  throw std::runtime_error(che_cosa + ": " + std::strerror(errno));
}

template <class F>
double millisecondi(F&& lavoro) {
  const auto inizio = orologio::now();
  lavoro();
  return std::chrono::duration<double, std::milli>(orologio::now() - inizio).count();
}

double mediana(std::vector<double> valori) {
  std::ranges::sort(valori);
  const std::size_t m = valori.size() / 2;
  return valori.size() % 2 != 0 ? valori[m] : (valori[m - 1] + valori[m]) / 2;
}

double megabyte(std::uintmax_t byte) {
  return static_cast<double>(byte) / 1e6;
}

// A file's bytes in memory that was not zero-filled first.
struct contenuto {
  std::unique_ptr<std::uint8_t[]> byte;
  std::size_t dimensione = 0;
};

// The floor for loading: the whole file into fresh memory with as few read calls
// as the kernel allows.
contenuto leggi_grezzo(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) errore_di_sistema(file.string());
  struct stat stato {};
  if (::fstat(fd, &stato) != 0) errore_di_sistema(file.string());
  contenuto c{nullptr, static_cast<std::size_t>(stato.st_size)};
  c.byte = std::make_unique_for_overwrite<std::uint8_t[]>(c.dimensione);
  for (std::size_t letti = 0; letti < c.dimensione;) {
    const ssize_t n = ::read(fd, c.byte.get() + letti, c.dimensione - letti);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) errore_di_sistema(file.string());
    letti += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return c;
}

// The second floor for loading: the three files read one after another through
// one reused 1 MiB buffer, as cat reads them; returns the bytes read.
std::uintmax_t leggi_come_cat(const std::array<fs::path, 3>& file) {
  std::vector<std::uint8_t> blocco(std::size_t{1} << 20);
  std::uintmax_t totale = 0;
  for (const auto& f : file) {
    const int fd = ::open(f.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) errore_di_sistema(f.string());
    for (ssize_t n; (n = ::read(fd, blocco.data(), blocco.size())) != 0;) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) errore_di_sistema(f.string());
      totale += static_cast<std::uintmax_t>(n);
    }
    ::close(fd);
  }
  return totale;
}

// The floor for saving: the same bytes into a new file, made durable with fsync
// as saving makes its file durable.
void scrivi_grezzo(const fs::path& file, const contenuto& c) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) errore_di_sistema(file.string());
  for (std::size_t scritti = 0; scritti < c.dimensione;) {
    const ssize_t n = ::write(fd, c.byte.get() + scritti, c.dimensione - scritti);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) errore_di_sistema(file.string());
    scritti += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) errore_di_sistema(file.string());
}

void riga_tempo(const char* voce, double ms) {
  std::printf("  %-42s %9.1f ms\n", voce, ms);
}

void riga_rapporto(const char* voce, double ms, double base, const char* di_che,
                   const char* obiettivo) {
  std::printf("  %-42s %9.1f ms  %5.2f x %-18s (obiettivo %s)\n", voce, ms, ms / base, di_che,
              obiettivo);
}

// The undo journal after 100 class commands whose values change every time, so
// that every curve's cant object changes at each.
void registro_di_cento_comandi(const fs::path& testata,
                               std::array<std::string, sopra::numero_classi> testi) {
  sopra::scenario caricato;
  if (auto errore = sopra::carica_scenario(testata, caricato)) throw std::runtime_error(*errore);
  sopra::scenario_aperto aperto(std::move(caricato));
  for (int comando = 0; comando < 100; ++comando) {
    for (std::size_t k = 0; k < testi.size(); ++k)
      testi[k] = std::to_string((comando * 7 + static_cast<int>(k) * 13) % 160 + 1);
    aperto.applica_classi(testi);
  }
  std::printf("  %-42s %9.1f MB                            (obiettivo <= 100 MB)\n",
              "registro dopo 100 comandi delle classi", megabyte(aperto.byte_registro()));
}

// Writes one scenario, times it `prove` times and prints the medians. Runs in a
// process of its own, so that its peak memory is this scenario's alone.
void misura(const fs::path& cartella, const caso& c, int prove) {
  sopra::scrivi_scenario_demo(cartella, c.nome, c.nome.substr(0, c.nome.find('_')),
                              {c.metri, c.compatto, 1});
  ::sync();  // no writeback of the new files while the timed writes run
  const fs::path testata = cartella / (c.nome + ".si3");
  sopra::scenario store;
  if (auto errore = sopra::carica_scenario(testata, store)) throw std::runtime_error(*errore);
  const std::array<fs::path, 3> file = {store.file_testata, store.file_tratti, store.file_linea};
  std::uintmax_t byte_file = 0;
  for (const auto& f : file) byte_file += fs::file_size(f);
  const std::size_t ultimo = store.tratti.size() - 1;
  std::printf("\n%s: %d m, formato %s, tratti 0 .. %zu, punti 0 .. %d, tre file %.1f MB\n",
              c.nome.c_str(), c.metri, c.compatto ? "compatto" : "esteso", ultimo,
              store.testata.lunghezza_linea + sopra::metri_oltre_linea, megabyte(byte_file));
  store = {};

  std::array<std::string, sopra::numero_classi> testi;
  std::ranges::copy(sopra::testi_classi_iniziali, testi.begin());
  const fs::path file_grezzo = cartella / "scrittura_grezza.da3";
  std::vector<double> lettura, come_cat, caricamento, righe, testo_righe, carica_e_righe, classi,
      salvataggio, scrittura;
  // The design tools at 120 km/h, after the class command.
  sopra::parametri_progetto progetto;
  progetto.velocita_massima = 120;
  std::vector<double> proposta, raccordi, verifica, progetta, relazione, annulla_progetto,
      ripeti_progetto, annulla, ripeti, avvio_viva, tasto, primo_tasto;
  std::size_t rialzati = 0, problemi = 0, con_sopraelevazione = 0, curve = 0;
  const sopra::profilo_velocita profilo = sopra::profilo_velocita::da_parametri(progetto);
  for (int prova = 0; prova < prove; ++prova) {
    come_cat.push_back(millisecondi([&] {
      if (leggi_come_cat(file) != byte_file) throw std::runtime_error("lettura incompleta");
    }));
    lettura.push_back(millisecondi([&] {
      // All three held at once, as the store holds them.
      const std::array<contenuto, 3> letti = {leggi_grezzo(file[0]), leggi_grezzo(file[1]),
                                              leggi_grezzo(file[2])};
    }));
    sopra::scenario caricato;
    caricamento.push_back(millisecondi([&] {
      if (auto errore = sopra::carica_scenario(testata, caricato))
        throw std::runtime_error(*errore);
    }));
    std::unique_ptr<sopra::scenario_aperto> aperto;
    righe.push_back(millisecondi(
        [&] { aperto = std::make_unique<sopra::scenario_aperto>(std::move(caricato)); }));
    carica_e_righe.push_back(caricamento.back() + righe.back());
    // The text of every row at once, as the batch companion prints it (the
    // window composes only the rows it shows).
    testo_righe.push_back(millisecondi([&] { (void)aperto->righe(); }));
    // The first change after loading, with the unsaved state asked for.
    primo_tasto.push_back(millisecondi([&] {
      aperto->modifica_tratto(aperto->quante_righe() / 2, "45");
      (void)aperto->modificato();
    }));
    classi.push_back(millisecondi([&] { aperto->applica_classi(testi); }));
    proposta.push_back(millisecondi([&] { sopra::proposta_classi(progetto); }));
    raccordi.push_back(
        millisecondi([&] { rialzati = aperto->applica_raccordi(progetto).tratti_rialzati; }));
    verifica.push_back(millisecondi([&] { problemi = aperto->verifica(progetto).size(); }));
    progetta.push_back(millisecondi([&] {
      con_sopraelevazione = aperto->progetta(progetto, profilo).tratti_con_sopraelevazione;
    }));
    relazione.push_back(millisecondi([&] {
      const auto tabella =
          sopra::relazione_curve(aperto->store(), aperto->geometria(), progetto, profilo);
      curve = tabella.size();
      (void)sopra::testo_csv_relazione(tabella);
    }));
    annulla_progetto.push_back(millisecondi([&] { aperto->annulla(); }));
    ripeti_progetto.push_back(millisecondi([&] { aperto->ripeti(); }));
    aperto->annulla();                                            // the design
    aperto->annulla();                                            // the ramps
    annulla.push_back(millisecondi([&] { aperto->annulla(); }));  // the class command
    ripeti.push_back(millisecondi([&] { aperto->ripeti(); }));
    // A keystroke in the cant box with the check live, as the window makes
    // it: the edit, the unsaved state, the problems. Rows spread along the
    // line, curves and straights alike.
    avvio_viva.push_back(millisecondi([&] { aperto->imposta_verifica_viva(progetto, profilo); }));
    for (int k = 0; k < 20; ++k) {
      const std::size_t r = (aperto->quante_righe() / 20) * static_cast<std::size_t>(k) + 7;
      tasto.push_back(millisecondi([&] {
        aperto->modifica_tratto(r, k % 2 == 0 ? "45" : "-110");
        (void)aperto->modificato();
        problemi = aperto->problemi_vivi().size();
      }));
    }
    aperto->spegni_verifica_viva();
    salvataggio.push_back(millisecondi([&] {
      if (auto errore = aperto->salva()) throw std::runtime_error(*errore);
    }));
    aperto.reset();
    // The bytes that saving wrote, written again as plainly as can be.
    const contenuto salvati = leggi_grezzo(file[1]);
    scrittura.push_back(millisecondi([&] { scrivi_grezzo(file_grezzo, salvati); }));
    fs::remove(file_grezzo);
  }

  std::printf("mediane di %d prove:\n", prove);
  const double base_lettura = mediana(lettura);
  const double base_cat = mediana(come_cat);
  const double base_scrittura = mediana(scrittura);
  riga_tempo("lettura grezza dei tre file (read)", base_lettura);
  riga_tempo("lettura a blocchi come cat (1 MiB)", base_cat);
  riga_tempo("caricamento (carica_scenario)", mediana(caricamento));
  riga_tempo("righe (scenario_aperto)", mediana(righe));
  riga_tempo("testo di tutte le righe (righe())", mediana(testo_righe));
  riga_rapporto("caricamento + righe", mediana(carica_e_righe), base_lettura, "lettura grezza",
                "<= 2 x");
  riga_rapporto("caricamento + righe", mediana(carica_e_righe), base_cat, "lettura come cat",
                "<= 1.5 x");
  std::printf("  %-42s %9.1f ms  su %7zu tratti          (obiettivo <= 100 ms)\n",
              "comando delle classi (applica_classi)", mediana(classi), ultimo + 1);
  std::printf("  progetto a %.0f km/h, sui tratti con le classi applicate:\n",
              progetto.velocita_massima);
  std::printf("  %-42s %9.3f ms                            (obiettivo <= 50 ms)\n",
              "proposta (proposta_classi)", mediana(proposta));
  std::printf("  %-42s %9.1f ms  %7zu tratti rialzati     (obiettivo <= 50 ms)\n",
              "raccordi (applica_raccordi)", mediana(raccordi), rialzati);
  std::printf("  %-42s %9.1f ms  %7zu problemi            (obiettivo <= 50 ms)\n",
              "verifica (verifica)", mediana(verifica), problemi);
  std::printf("  %-42s %9.1f ms  %7zu tratti con sopraelev. (obiettivo <= 50 ms)\n",
              "progetto della linea (progetta)", mediana(progetta), con_sopraelevazione);
  std::printf("  %-42s %9.1f ms  %7zu curve               (obiettivo <= 50 ms)\n",
              "relazione delle curve, CSV (relazione)", mediana(relazione), curve);
  const char* entro_50 = "                            (obiettivo <= 50 ms)\n";
  const auto riga_50 = [&](const char* voce, double ms) {
    std::printf("  %-42s %9.1f ms%s", voce, ms, entro_50);
  };
  riga_50("annulla il progetto (annulla)", mediana(annulla_progetto));
  riga_50("ripeti il progetto (ripeti)", mediana(ripeti_progetto));
  riga_50("annulla le classi (annulla)", mediana(annulla));
  riga_50("ripeti le classi (ripeti)", mediana(ripeti));
  std::printf("  %-42s %9.3f ms%s", "primo tasto dopo il caricamento", mediana(primo_tasto),
              "                            (obiettivo <= 16 ms)\n");
  riga_tempo("verifica viva, avvio (imposta_verifica_viva)", mediana(avvio_viva));
  std::printf("  %-42s %9.3f ms  %7zu problemi            (obiettivo <= 16 ms)\n",
              "tasto: modifica, modificato, verifica viva", mediana(tasto), problemi);
  riga_tempo("scrittura grezza dei tratti (write+fsync)", base_scrittura);
  riga_rapporto("salvataggio (salva)", mediana(salvataggio), base_scrittura, "scrittura grezza",
                "<= 2 x");
  registro_di_cento_comandi(testata, testi);
}

// Peak memory of loading the scenario and building its rows, in a process of its
// own forked from this small one, so that nothing measured before counts.
void misura_memoria(const fs::path& cartella, const caso& c) {
  const fs::path testata = cartella / (c.nome + ".si3");
  std::uintmax_t byte_file = 0;
  for (const auto& nome :
       {c.nome + ".si3", c.nome + ".da3", c.nome.substr(0, c.nome.find('_')) + "_linea.da3"})
    byte_file += fs::file_size(cartella / nome);
  std::fflush(stdout);
  const pid_t figlio = ::fork();
  if (figlio < 0) errore_di_sistema("fork");
  if (figlio == 0) {
    sopra::scenario store;
    if (sopra::carica_scenario(testata, store)) std::_Exit(1);
    const sopra::scenario_aperto aperto(std::move(store));
    std::_Exit(aperto.righe().empty() ? 1 : 0);
  }
  int stato = 0;
  rusage uso_risorse{};
  while (::wait4(figlio, &stato, 0, &uso_risorse) < 0) {
    if (errno != EINTR) errore_di_sistema("wait4");
  }
  if (!WIFEXITED(stato) || WEXITSTATUS(stato) != 0)
    throw std::runtime_error(c.nome + ": caricamento per la misura della memoria non riuscito");
  const auto picco = static_cast<std::uintmax_t>(uso_risorse.ru_maxrss) * 1024;
  std::printf("  %-42s %9.1f MB  %5.2f x %-18s (obiettivo <= 0.35 x)\n",
              "memoria di picco (carica_scenario, righe)", megabyte(picco),
              static_cast<double>(picco) / static_cast<double>(byte_file), "i tre file");
}

// The milliseconds `lavoro` takes in a process of its own, forked from this
// small one, as the program's first load runs: no memory that an earlier load
// backed is there to be used again.
template <class F>
double millisecondi_in_processo_nuovo(F&& lavoro) {
  int tubo[2];
  if (::pipe(tubo) != 0) errore_di_sistema("pipe");
  std::fflush(stdout);
  const pid_t figlio = ::fork();
  if (figlio < 0) errore_di_sistema("fork");
  if (figlio == 0) {
    ::close(tubo[0]);
    double ms = -1;
    try {
      ms = millisecondi(lavoro);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
    }
    const bool scritto = ::write(tubo[1], &ms, sizeof ms) == static_cast<ssize_t>(sizeof ms);
    std::_Exit(scritto && ms >= 0 ? 0 : 1);
  }
  ::close(tubo[1]);
  double ms = -1;
  const bool letto = ::read(tubo[0], &ms, sizeof ms) == static_cast<ssize_t>(sizeof ms);
  ::close(tubo[0]);
  int stato = 0;
  while (::waitpid(figlio, &stato, 0) < 0) {
    if (errno != EINTR) errore_di_sistema("waitpid");
  }
  if (!letto || !WIFEXITED(stato) || WEXITSTATUS(stato) != 0)
    throw std::runtime_error("misura in un processo nuovo non riuscita");
  return ms;
}

// Loading plus the rows, and the read as cat does it, each in a new process,
// one after the other `prove` times: what the batch companion and the window's
// first load meet, memory that no load has backed yet included. Its goal is
// that of the batch companion as a whole process against cat.
void misura_processi_nuovi(const fs::path& cartella, const caso& c, int prove) {
  const fs::path testata = cartella / (c.nome + ".si3");
  const std::array<fs::path, 3> file = {
      testata, cartella / (c.nome + ".da3"),
      cartella / (c.nome.substr(0, c.nome.find('_')) + "_linea.da3")};
  std::vector<double> come_cat, carica_e_righe;
  for (int prova = 0; prova < prove; ++prova) {
    come_cat.push_back(millisecondi_in_processo_nuovo([&] { (void)leggi_come_cat(file); }));
    carica_e_righe.push_back(millisecondi_in_processo_nuovo([&] {
      sopra::scenario store;
      if (auto errore = sopra::carica_scenario(testata, store)) throw std::runtime_error(*errore);
      const sopra::scenario_aperto aperto(std::move(store));
    }));
  }
  std::printf("in un processo nuovo, mediane di %d prove:\n", prove);
  riga_tempo("lettura a blocchi come cat (1 MiB)", mediana(come_cat));
  riga_rapporto("caricamento + righe", mediana(carica_e_righe), mediana(come_cat),
                "lettura come cat", "<= 2 x");
}

// Runs `misura` in a child process and reports whether it succeeded.
bool misura_a_parte(const fs::path& cartella, const caso& c, int prove) {
  std::fflush(stdout);
  const pid_t figlio = ::fork();
  if (figlio < 0) errore_di_sistema("fork");
  if (figlio == 0) {
    int esito = 0;
    try {
      misura(cartella, c, prove);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: %s\n", c.nome.c_str(), e.what());
      esito = 1;
    }
    std::fflush(stdout);
    std::_Exit(esito);
  }
  int stato = 0;
  while (::waitpid(figlio, &stato, 0) < 0) {
    if (errno != EINTR) errore_di_sistema("waitpid");
  }
  return WIFEXITED(stato) && WEXITSTATUS(stato) == 0;
}

template <class T>
bool leggi_intero(std::string_view testo, T& valore) {
  const auto [fine, errore] = std::from_chars(testo.data(), testo.data() + testo.size(), valore);
  return errore == std::errc{} && fine == testo.data() + testo.size();
}

bool leggi_opzioni(int argc, char** argv, opzioni& o) {
  bool cartella_data = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argomento = argv[i];
    if (argomento == "--metri" && i + 1 < argc) {
      if (!leggi_intero(argv[++i], o.metri) || o.metri < 0 || o.metri > 10'000'000) return false;
    } else if (argomento == "--prove" && i + 1 < argc) {
      if (!leggi_intero(argv[++i], o.prove) || o.prove < 1) return false;
    } else if (!argomento.starts_with("-") && !cartella_data) {
      o.cartella = argomento;
      cartella_data = true;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Memory as the programs keep it: the design tools' working arrays are taken
  // again from what the process freed, and a scenario's arrays come from the
  // loader's own address space, kept for the next scenario as in the window;
  // the runs in new processes show loading with neither.
  sopra::tieni_memoria_liberata();
  opzioni o;
  if (!leggi_opzioni(argc, argv, o)) {
    std::fputs(uso, stderr);
    return 2;
  }
  std::string modello = (o.cartella / "sopra-bench-XXXXXX").string();
  if (::mkdtemp(modello.data()) == nullptr) {
    std::fprintf(stderr, "%s: %s\n", modello.c_str(), std::strerror(errno));
    return 1;
  }
  const fs::path cartella = modello;
  std::printf("sopraelevazione-bench: %u processori, file in %s\n",
              std::thread::hardware_concurrency(), cartella.c_str());

  const caso casi[] = {{"Lunga_Compatto", o.metri, true}, {"Media_Esteso", o.metri / 10, false}};
  bool riuscito = true;
  try {
    for (const caso& c : casi) {
      if (misura_a_parte(cartella, c, o.prove)) {
        misura_memoria(cartella, c);
        misura_processi_nuovi(cartella, c, o.prove);
      } else {
        riuscito = false;
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    riuscito = false;
  }
  std::error_code ec;
  fs::remove_all(cartella, ec);
  return riuscito ? 0 : 1;
}
