// Fuzz target for the scenario loader: arbitrary header, section and line bytes
// go through carica_scenario as three files, and what loads is listed, given
// the class command and saved, with the bytes checked against the input.
//
// Input: two little-endian 32-bit lengths, then that many header bytes, that
// many section bytes, and the line bytes to the end (lengths are cut to what
// the input holds).
//
// Built with libFuzzer (option SOPRA_FUZZ, clang) as fuzz_carica, and as the
// plain program fuzz_carica_replay, which runs the target over files and
// folders of inputs, or writes seed inputs from demo scenarios:
//   fuzz_carica_replay INPUT_OR_FOLDER...
//   fuzz_carica_replay --scrivi-semi FOLDER

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "analysis/caricamento.hpp"
#include "editing/scenario_aperto.hpp"
#include "scenario/memoria_grande.hpp"

namespace {

namespace fs = std::filesystem;
using byte_span = std::span<const std::uint8_t>;

// Longer lines load by the same code and only make each run slower.
constexpr std::int32_t metri_massimi = 20000;

constexpr const char* nome_scenario = "Fz_A";
constexpr const char* nome_linea = "Fz_linea.da3";

[[noreturn]] void fallito(const char* che_cosa) {
  std::fprintf(stderr, "fuzz_carica: %s\n", che_cosa);
  std::abort();
}

// One folder per process, on a memory file system when there is one, removed
// when the process ends.
class cartella_di_lavoro {
 public:
  cartella_di_lavoro() {
    std::error_code ec;
    const fs::path base =
        fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string modello = (base / "sopra-fuzz-XXXXXX").string();
    if (::mkdtemp(modello.data()) == nullptr) fallito("mkdtemp");
    percorso_ = modello;
  }
  cartella_di_lavoro(const cartella_di_lavoro&) = delete;
  cartella_di_lavoro& operator=(const cartella_di_lavoro&) = delete;
  ~cartella_di_lavoro() {
    std::error_code ec;
    fs::remove_all(percorso_, ec);
  }
  const fs::path& percorso() const { return percorso_; }

 private:
  fs::path percorso_;
};

const fs::path& cartella() {
  static const cartella_di_lavoro lavoro;
  return lavoro.percorso();
}

void scrivi(const fs::path& file, byte_span byte) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(byte.data()), static_cast<std::streamsize>(byte.size()));
  if (!out) fallito("scrittura del file di prova");
}

// The whole file (empty when it cannot be read), in one read.
std::vector<std::uint8_t> leggi(const fs::path& file) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  std::vector<std::uint8_t> byte(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(byte.data()), static_cast<std::streamsize>(byte.size()));
  byte.resize(static_cast<std::size_t>(in.gcount()));
  return byte;
}

// `dimensione` bytes as a file of `byte` reads them: cut, or zeros beyond its end.
std::vector<std::uint8_t> come_letti(byte_span byte, std::size_t dimensione) {
  std::vector<std::uint8_t> attesi(dimensione, 0);
  std::copy_n(byte.begin(), std::min(dimensione, byte.size()), attesi.begin());
  return attesi;
}

struct parti {
  byte_span testata, tratti, linea;
};

parti dividi(byte_span input) {
  std::array<std::uint32_t, 2> lunghezze{};
  const std::size_t intestazione = std::min(sizeof lunghezze, input.size());
  if (intestazione > 0) std::memcpy(lunghezze.data(), input.data(), intestazione);
  input = input.subspan(intestazione);
  parti p;
  p.testata = input.first(std::min<std::size_t>(lunghezze[0], input.size()));
  input = input.subspan(p.testata.size());
  p.tratti = input.first(std::min<std::size_t>(lunghezze[1], input.size()));
  p.linea = input.subspan(p.tratti.size());
  return p;
}

// What a successful load must hold: the header as it stands, the sections as
// their file gives them, cut or zero-filled to the sizes that the line length
// sets, with the digest of those bytes, and for each section the line points
// 50 × s - 1, 50 × s and 50 × s + 1 of points 0 .. T (zero outside them), and
// the halfway points with the count of whole points.
void controlla_caricato(const sopra::scenario& store, const parti& p) {
  const auto& t = store.testata;
  if (!std::ranges::equal(t.byte, p.testata)) fallito("testata diversa dal file");
  const std::size_t n = static_cast<std::size_t>(sopra::ultimo_tratto(t.lunghezza_linea)) + 1;
  if (store.tratti.size() != n) fallito("numero di tratti");
  const auto byte_tratti = come_letti(p.tratti, n * sopra::byte_tratto(store.formato_compatto));
  if (store.tratti.codifica() != byte_tratti) fallito("tratti diversi dal file");
  sopra::impronta_tratti impronta(n);
  impronta.aggiungi(byte_tratti);
  if (store.tratti.impronta() != impronta.valore()) fallito("impronta dei tratti");

  const auto punti = static_cast<std::size_t>(t.lunghezza_linea + sopra::metri_oltre_linea) + 1;
  const auto linea = come_letti(p.linea, punti * sizeof(sopra::punto_linea));
  if (store.punti.size() != n) fallito("numero di tratti con i loro punti");
  for (std::size_t s = 0; s < n; ++s) {
    std::array<std::uint8_t, 3 * sizeof(sopra::punto_linea)> attesi{};
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t punto = s * sopra::metri_tratto + k;  // plus 1: point 50 × s - 1 + k
      if (punto >= 1 && punto <= punti)
        std::memcpy(&attesi[k * sizeof(sopra::punto_linea)],
                    &linea[(punto - 1) * sizeof(sopra::punto_linea)], sizeof(sopra::punto_linea));
    }
    if (std::memcmp(&store.punti[s], attesi.data(), attesi.size()) != 0)
      fallito("punti dei tratti diversi dal file");
  }
  // The halfway points 50 × k + 25, and how many whole points the file held.
  if (store.punti_a_meta.size() != n) fallito("numero dei punti a metà");
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t punto = k * sopra::metri_tratto + sopra::metri_tratto / 2;
    std::array<std::uint8_t, sizeof(sopra::punto_linea)> atteso{};
    if (punto < punti)
      std::memcpy(atteso.data(), &linea[punto * sizeof(sopra::punto_linea)], atteso.size());
    if (std::memcmp(&store.punti_a_meta[k], atteso.data(), atteso.size()) != 0)
      fallito("punti a metà diversi dal file");
  }
  if (store.punti_nel_file != std::min(punti, p.linea.size() / sizeof(sopra::punto_linea)))
    fallito("punti interi del file linea");
}

}  // namespace

// The process runs one input after another, as the programs load one scenario
// after another: it keeps the memory of the arrays each input frees, as they do.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  sopra::tieni_memoria_liberata();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const parti p = dividi({data, size});
  if (const auto posizione = sopra::posizione_lunghezza_linea(p.testata)) {
    std::int32_t memorizzata;
    std::memcpy(&memorizzata, p.testata.data() + *posizione, sizeof memorizzata);
    const std::int32_t metri =
        memorizzata > sopra::marcatore_esteso ? memorizzata - sopra::marcatore_esteso : memorizzata;
    if (metri > metri_massimi) return -1;
  }
  const fs::path& qui = cartella();
  const fs::path file_tratti = qui / (std::string(nome_scenario) + ".da3");
  scrivi(qui / (std::string(nome_scenario) + ".si3"), p.testata);
  scrivi(file_tratti, p.tratti);
  scrivi(qui / nome_linea, p.linea);

  sopra::scenario store;
  if (sopra::carica_scenario(qui / (std::string(nome_scenario) + ".si3"), store)) return 0;
  controlla_caricato(store, p);

  const std::size_t ultimo = store.tratti.size() - 1;
  sopra::scenario_aperto aperto(std::move(store));
  const std::size_t righe = ultimo >= 5 ? ultimo - 4 : 0;
  if (aperto.righe().size() != righe) fallito("numero di righe");
  std::array<std::string, sopra::numero_classi> testi;
  std::ranges::copy(sopra::testi_classi_iniziali, testi.begin());
  aperto.applica_classi(testi);
  if (aperto.righe().size() != righe) fallito("righe dopo il comando delle classi");

  // Saving writes the sections and keeps the records after the last one.
  if (aperto.salva()) fallito("salvataggio");
  auto attesi = aperto.store().tratti.codifica();
  if (p.tratti.size() > attesi.size())
    attesi.insert(attesi.end(), p.tratti.begin() + static_cast<std::ptrdiff_t>(attesi.size()),
                  p.tratti.end());
  if (leggi(file_tratti) != attesi) fallito("file dei tratti salvato");
  return 0;
}

#ifdef SOPRA_FUZZ_REPLAY

#include <exception>
#include <stdexcept>

#include "generatore_demo.hpp"

namespace {

void aggiungi_lunghezza(std::vector<std::uint8_t>& input, std::size_t n) {
  for (int i = 0; i < 4; ++i) input.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
}

std::vector<std::uint8_t> componi(byte_span testata, byte_span tratti, byte_span linea) {
  std::vector<std::uint8_t> input;
  aggiungi_lunghezza(input, testata.size());
  aggiungi_lunghezza(input, tratti.size());
  input.insert(input.end(), testata.begin(), testata.end());
  input.insert(input.end(), tratti.begin(), tratti.end());
  input.insert(input.end(), linea.begin(), linea.end());
  return input;
}

// Short demo scenarios in both layouts, whole and with files cut short
// (a section cut in the middle, a line that ends early, one in a point).
void scrivi_semi(const fs::path& destinazione) {
  fs::create_directories(destinazione);
  const fs::path& lavoro = cartella();
  int numero = 0;
  for (const bool compatto : {true, false}) {
    for (const std::int32_t metri : {50, 400}) {
      sopra::scrivi_scenario_demo(lavoro, "Demo_A", "Demo",
                                  {metri, compatto, static_cast<std::uint32_t>(metri + 1)});
      const auto testata = leggi(lavoro / "Demo_A.si3");
      const auto tratti = leggi(lavoro / "Demo_A.da3");
      const auto linea = leggi(lavoro / "Demo_linea.da3");
      const std::size_t record = sopra::byte_tratto(compatto);
      const std::vector<std::vector<std::uint8_t>> semi = {
          componi(testata, tratti, linea),
          componi(testata, byte_span(tratti).first(10 * record + record / 2),
                  byte_span(linea).first(600 * sizeof(sopra::punto_linea))),
          componi(testata, tratti, byte_span(linea).first(99 * sizeof(sopra::punto_linea) + 7))};
      for (const auto& seme : semi)
        scrivi(destinazione / ("demo-" + std::to_string(++numero)), seme);
    }
  }
}

int esegui(const fs::path& file) {
  const auto input = leggi(file);
  LLVMFuzzerTestOneInput(input.data(), input.size());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  LLVMFuzzerInitialize(&argc, &argv);
  try {
    if (argc == 3 && std::strcmp(argv[1], "--scrivi-semi") == 0) {
      scrivi_semi(argv[2]);
      return 0;
    }
    int eseguiti = 0;
    for (int i = 1; i < argc; ++i) {
      if (!fs::exists(argv[i])) throw std::runtime_error(std::string(argv[i]) + " non esiste");
      if (fs::is_directory(argv[i])) {
        std::vector<fs::path> file;
        for (const auto& voce : fs::directory_iterator(argv[i]))
          if (voce.is_regular_file()) file.push_back(voce.path());
        std::ranges::sort(file);
        for (const auto& f : file) eseguiti += esegui(f);
      } else {
        eseguiti += esegui(argv[i]);
      }
    }
    std::printf("fuzz_carica_replay: %d input eseguiti\n", eseguiti);
    return eseguiti > 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fuzz_carica_replay: %s\n", e.what());
    return 1;
  }
}

#endif
