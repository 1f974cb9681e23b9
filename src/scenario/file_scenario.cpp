#include "scenario/file_scenario.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

#include "scenario/errori_sistema.hpp"

namespace sopra {

namespace fs = std::filesystem;

namespace {

std::string motivo(int numero_errore) {
  return motivo_errore(numero_errore);
}

// Closes a file descriptor when it goes out of scope.
class descrittore {
 public:
  explicit descrittore(int fd) : fd_(fd) {}
  descrittore(const descrittore&) = delete;
  descrittore& operator=(const descrittore&) = delete;
  ~descrittore() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (it may report a late write error).
  bool chiudi() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

// Reads up to `quanti` bytes from where `fd` stands into `destinazione` with as
// few read calls as the kernel allows; returns how many bytes there were before
// the end of the file, or -1 with errno set.
long long leggi(int fd, std::uint8_t* destinazione, std::size_t quanti) {
  std::size_t letti = 0;
  while (letti < quanti) {
    const ssize_t n = ::read(fd, destinazione + letti, quanti - letti);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    letti += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(letti);
}

// The same from the start of a file.
long long leggi_inizio(const fs::path& file, std::uint8_t* destinazione, std::size_t quanti) {
  descrittore fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return -1;
  return leggi(fd.get(), destinazione, quanti);
}

// Reads the sections from the start of the file a block at a time, so that
// loading holds no second copy of them; returns false with errno set.
bool leggi_tratti(const fs::path& file, elenco_tratti& tratti) {
  descrittore fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return false;
  std::vector<std::uint8_t> blocco(tratti.tratti_per_blocco() * tratti.byte_record());
  for (std::size_t primo = 0; primo < tratti.size(); primo += tratti.tratti_per_blocco()) {
    const std::size_t quanti =
        std::min(tratti.tratti_per_blocco(), tratti.size() - primo) * tratti.byte_record();
    const long long letti = leggi(fd.get(), blocco.data(), quanti);
    if (letti < 0) return false;
    tratti.decodifica(primo, std::span(blocco).first(static_cast<std::size_t>(letti)));
    if (static_cast<std::size_t>(letti) < quanti) break;  // the rest stays all zero
  }
  return true;
}

// Reads the header file, as far as a header record can reach: a larger file
// (some other file under a header's name) costs no more memory than that.
std::optional<std::vector<std::uint8_t>> leggi_testata(const fs::path& file, int& numero_errore) {
  std::error_code ec;
  const auto dimensione = fs::file_size(file, ec);
  if (ec) {
    numero_errore = ec.value();
    return std::nullopt;
  }
  std::vector<std::uint8_t> byte(std::min<std::uintmax_t>(dimensione, byte_massimi_testata));
  const long long letti = leggi_inizio(file, byte.data(), byte.size());
  if (letti < 0) {
    numero_errore = errno;
    return std::nullopt;
  }
  byte.resize(static_cast<std::size_t>(letti));
  return byte;
}

bool uguali_senza_maiuscole(const std::string& a, const std::string& b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

bool file_ordinario(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(file, ec);
}

std::string nome_file(const fs::path& file) {
  return file.filename().string();
}

}  // namespace

std::int32_t ultimo_tratto(std::int32_t lunghezza_linea) {
  const std::int32_t t = lunghezza_linea + metri_oltre_linea;
  const std::int32_t quoziente = t / metri_tratto;
  const std::int32_t resto = t % metri_tratto;
  const std::int32_t meta = metri_tratto / 2;
  if (resto > meta || (resto == meta && quoziente % 2 != 0)) return quoziente + 1;
  return quoziente;
}

std::optional<fs::path> trova_file(const fs::path& cartella, const std::string& nome) {
  if (file_ordinario(cartella / nome)) return cartella / nome;
  std::error_code ec;
  for (const auto& voce : fs::directory_iterator(cartella, ec)) {
    if (uguali_senza_maiuscole(voce.path().filename().string(), nome) &&
        file_ordinario(voce.path())) {
      return voce.path();
    }
  }
  return std::nullopt;
}

namespace {

// The line file of a scenario name: the name up to the last underscore in front
// of its first dot, then, when there is no such file, up to the underscore
// before that. Empty, with the message, when the name has no usable underscore
// or neither file exists.
struct ricerca_linea {
  std::optional<fs::path> file;
  std::string errore;
};

ricerca_linea trova_file_linea(const fs::path& cartella, const std::string& nome) {
  // Positions count from 1 over S = name + ".si3", as the line-prefix rule is stated.
  const std::string s = nome + ".si3";
  auto carattere = [&](std::size_t posizione) { return s[posizione - 1]; };
  std::size_t d = s.find('.') + 1;
  while (d >= 1 && carattere(d) != '_') --d;
  if (d <= 1) return {std::nullopt, "Nome dello scenario senza trattino basso valido: " + nome};
  if (auto file = trova_file(cartella, s.substr(0, d - 1) + "_linea.da3")) return {file, {}};
  std::size_t e = d - 1;
  while (e >= 1 && carattere(e) != '_') --e;
  if (e > 1) {
    if (auto file = trova_file(cartella, s.substr(0, e - 1) + "_linea.da3")) return {file, {}};
  }
  return {std::nullopt, "file linea non trovato"};
}

std::optional<std::string> carica(const fs::path& file_testata, scenario& store) {
  scenario caricato;
  const fs::path cartella =
      file_testata.parent_path().empty() ? fs::path(".") : file_testata.parent_path();
  const std::string nome_testata = nome_file(file_testata);
  const std::string nome =
      nome_testata.substr(0, nome_testata.size() >= 4 ? nome_testata.size() - 4 : 0);

  // Header.
  const auto testata = trova_file(cartella, nome_testata);
  if (!testata) return "File dello scenario non trovato: " + nome_testata;
  int numero_errore = 0;
  auto byte_testata = leggi_testata(*testata, numero_errore);
  if (!byte_testata) {
    return "Impossibile leggere il file " + nome_file(*testata) + ": " + motivo(numero_errore);
  }
  const auto posizione = posizione_lunghezza_linea(*byte_testata);
  if (!posizione) return "File dello scenario incompleto: " + nome_file(*testata);
  std::int32_t lunghezza;
  std::memcpy(&lunghezza, byte_testata->data() + *posizione, sizeof lunghezza);

  // Layout marker.
  caricato.formato_compatto = lunghezza <= marcatore_esteso;
  if (!caricato.formato_compatto) lunghezza -= marcatore_esteso;
  if (lunghezza < 0 || lunghezza > marcatore_esteso) {
    return "Lunghezza della linea non valida (" + std::to_string(lunghezza) + " m) nel file " +
           nome_file(*testata);
  }
  caricato.testata = {std::move(*byte_testata), *posizione, lunghezza};

  // The other two files, found before anything large is allocated.
  auto linea = trova_file_linea(cartella, nome);
  if (!linea.file) return linea.errore;
  const auto tratti = trova_file(cartella, nome + ".da3");
  if (!tratti) return "File dei tratti non trovato: " + nome + ".da3";

  // Sections 0 .. N.
  const auto numero_tratti = static_cast<std::size_t>(ultimo_tratto(lunghezza)) + 1;
  caricato.tratti = elenco_tratti(caricato.formato_compatto, numero_tratti);
  if (!leggi_tratti(*tratti, caricato.tratti))
    return "Impossibile leggere il file " + nome_file(*tratti) + ": " + motivo(errno);

  // Line points 0 .. T, read straight into the array: the record is the memory layout.
  caricato.punti_linea.resize(static_cast<std::size_t>(lunghezza + metri_oltre_linea) + 1);
  const long long letti =
      leggi_inizio(*linea.file, reinterpret_cast<std::uint8_t*>(caricato.punti_linea.data()),
                   caricato.punti_linea.size() * sizeof(punto_linea));
  if (letti < 0)
    return "Impossibile leggere il file " + nome_file(*linea.file) + ": " + motivo(errno);
  // A point cut by the end of the file reads as zeros beyond that end: already zero.

  caricato.file_testata = *testata;
  caricato.file_tratti = *tratti;
  caricato.file_linea = *linea.file;
  store = std::move(caricato);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> carica_scenario(const fs::path& file_testata, scenario& store) {
  // Running out of memory or a folder that cannot be listed is reported like
  // any other load failure, never by ending the program.
  try {
    return carica(file_testata, store);
  } catch (const std::bad_alloc&) {
    return "Memoria insufficiente per caricare " + nome_file(file_testata);
  } catch (const fs::filesystem_error& e) {
    return "Impossibile leggere la cartella dello scenario " + nome_file(file_testata) + ": " +
           motivo(e.code().value());
  }
}

}  // namespace sopra
