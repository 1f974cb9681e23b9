#include "scenario/salva_tratti.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <span>
#include <utility>
#include <vector>

#include "scenario/errori_sistema.hpp"

namespace sopra {

namespace fs = std::filesystem;

namespace {

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
  bool chiudi() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

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

std::string motivo(int numero_errore) {
  return motivo_errore(numero_errore);
}

std::string nome_file(const fs::path& file) {
  return file.filename().string();
}

}  // namespace

std::optional<std::string> salva_tratti(const scenario& store, std::uint64_t* impronta) {
  const std::string nome = nome_file(store.file_tratti);
  auto fallito = [&](int numero_errore) {
    return "Impossibile salvare il file " + nome + ": " + motivo(numero_errore);
  };

  // The file itself, through any symbolic link, so that the link stays a link.
  std::error_code ec;
  const fs::path destinazione = fs::canonical(store.file_tratti, ec);
  if (ec) return fallito(ec.value());
  descrittore vecchio(::open(destinazione.c_str(), O_RDONLY | O_CLOEXEC));
  if (vecchio.get() < 0) return fallito(errno);
  struct stat stato {};
  if (::fstat(vecchio.get(), &stato) != 0) return fallito(errno);
  if (!S_ISREG(stato.st_mode)) return fallito(EISDIR);

  std::string modello = (destinazione.parent_path() / ("." + nome + ".XXXXXX")).string();
  descrittore nuovo(::mkstemp(modello.data()));
  if (nuovo.get() < 0) return fallito(errno);
  const fs::path temporaneo = modello;
  auto annulla = [&](int numero_errore) {
    ::unlink(temporaneo.c_str());
    return fallito(numero_errore);
  };
  // Permissions first, while the new file is empty: changing them costs nothing yet.
  if (::fchmod(nuovo.get(), stato.st_mode & 07777) != 0) return annulla(errno);

  // Each block goes to the disk as soon as it is written, so that the disk
  // works while the next block is encoded and the final fsync has little left.
  off_t posizione = 0;
  auto scrivi_tutto = [&](std::span<const std::uint8_t> byte) {
    const off_t inizio = posizione;
    while (!byte.empty()) {
      const ssize_t n = ::write(nuovo.get(), byte.data(), byte.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      byte = byte.subspan(static_cast<std::size_t>(n));
      posizione += n;
    }
    ::sync_file_range(nuovo.get(), inizio, posizione - inizio, SYNC_FILE_RANGE_WRITE);
    return true;
  };

  // The sections a block at a time, so that saving holds no second copy of
  // them; the digest of what is written comes from the same blocks.
  impronta_tratti scritta(store.tratti.size());
  const bool tratti_scritti = store.tratti.codifica_a_blocchi([&](std::span<const std::uint8_t> b) {
    scritta.aggiungi(b);
    return scrivi_tutto(b);
  });
  if (!tratti_scritti) return annulla(errno);

  // The records after section N stay as they were.
  const std::size_t scritti = store.tratti.size() * store.tratti.byte_record();
  if (static_cast<std::size_t>(stato.st_size) > scritti) {
    if (::lseek(vecchio.get(), static_cast<off_t>(scritti), SEEK_SET) < 0) return annulla(errno);
    std::vector<std::uint8_t> blocco(1 << 20);
    for (long long n; (n = leggi(vecchio.get(), blocco.data(), blocco.size())) != 0;) {
      if (n < 0) return annulla(errno);
      if (!scrivi_tutto(std::span(blocco).first(static_cast<std::size_t>(n))))
        return annulla(errno);
    }
  }

  if (::fsync(nuovo.get()) != 0) return annulla(errno);
  if (!nuovo.chiudi()) return annulla(errno);
  if (::rename(temporaneo.c_str(), destinazione.c_str()) != 0) return annulla(errno);

  // Make the rename itself durable.
  descrittore cartella(
      ::open(destinazione.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (cartella.get() >= 0) ::fsync(cartella.get());
  if (impronta != nullptr) *impronta = scritta.valore();
  return std::nullopt;
}

}  // namespace sopra
