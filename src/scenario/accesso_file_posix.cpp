// The file operations of loading and saving on POSIX systems (accesso_file.hpp).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <string>
#include <utility>

#include "scenario/accesso_file.hpp"

namespace sopra::sistema {

namespace {

std::error_code errore_di_sistema() {
  return {errno, std::generic_category()};
}

std::error_code esito(int risultato) {
  return risultato == 0 ? std::error_code() : errore_di_sistema();
}

int fd(const file_aperto& f) {
  return static_cast<int>(f.maniglia);
}

}  // namespace

file_aperto::~file_aperto() {
  if (maniglia >= 0) ::close(fd(*this));
}

std::error_code file_aperto::chiudi() {
  if (maniglia < 0) return {};
  return esito(::close(static_cast<int>(std::exchange(maniglia, -1))));
}

std::error_code apri_per_leggere(const std::filesystem::path& file, file_aperto& f) {
  f.maniglia = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  return f.maniglia < 0 ? errore_di_sistema() : std::error_code();
}

std::error_code leggi_identita(const std::filesystem::path& file, identita_file& identita) {
  identita = {};
  struct stat s {};
  if (::stat(file.c_str(), &s) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return {};
    return errore_di_sistema();
  }
  identita.presente = true;
  identita.ordinario = S_ISREG(s.st_mode);
  identita.dispositivo = static_cast<std::uint64_t>(s.st_dev);
  identita.indice = static_cast<std::uint64_t>(s.st_ino);
  identita.dimensione = static_cast<std::uint64_t>(s.st_size);
#if defined(__APPLE__)
  const timespec& modifica = s.st_mtimespec;
#else
  const timespec& modifica = s.st_mtim;
#endif
  identita.modifica_ns = static_cast<std::int64_t>(modifica.tv_sec) * 1000000000 + modifica.tv_nsec;
  return {};
}

std::error_code dai_nome(const std::filesystem::path& nuovo, const std::filesystem::path& file) {
  // A hard link refuses a name that is taken; where links are not made (some
  // shared or removable disks), the rename.
  if (::link(nuovo.c_str(), file.c_str()) == 0) {
    ::unlink(nuovo.c_str());
    return {};
  }
  if (errno == EEXIST) return errore_di_sistema();
  return esito(::rename(nuovo.c_str(), file.c_str()));
}

std::error_code apri_per_scrivere(const std::filesystem::path& file, file_aperto& f) {
  f.maniglia = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  return f.maniglia < 0 ? errore_di_sistema() : std::error_code();
}

std::error_code leggi_stato(const file_aperto& f, stato_file& stato) {
  struct stat s {};
  if (::fstat(fd(f), &s) != 0) return errore_di_sistema();
  stato.ordinario = S_ISREG(s.st_mode);
  stato.dimensione = static_cast<std::uint64_t>(s.st_size);
  stato.permessi = s.st_mode & 07777;
  stato.collegamenti = s.st_nlink;
#ifdef __linux__
  stato.acl = ::fgetxattr(fd(f), "system.posix_acl_access", nullptr, 0) > 0;
#endif
  return {};
}

std::error_code leggi_dimensione(const file_aperto& f, std::uint64_t& dimensione) {
  struct stat s {};
  if (::fstat(fd(f), &s) != 0) return errore_di_sistema();
  dimensione = static_cast<std::uint64_t>(s.st_size);
  return {};
}

std::error_code crea_file_nuovo(const std::filesystem::path& inizio, file_aperto& f,
                                std::filesystem::path& creato) {
  std::string modello = inizio.string() + "XXXXXX";
  f.maniglia = ::mkstemp(modello.data());
  if (f.maniglia < 0) return errore_di_sistema();
  creato = modello;
  return {};
}

std::error_code adotta_proprietario(const file_aperto& nuovo, const file_aperto& vecchio) {
  struct stat n {
  }, v{};
  if (::fstat(fd(nuovo), &n) != 0 || ::fstat(fd(vecchio), &v) != 0) return errore_di_sistema();
  if (n.st_uid == v.st_uid && n.st_gid == v.st_gid) return {};
  const uid_t proprietario = n.st_uid == v.st_uid ? static_cast<uid_t>(-1) : v.st_uid;
  const gid_t gruppo = n.st_gid == v.st_gid ? static_cast<gid_t>(-1) : v.st_gid;
  return esito(::fchown(fd(nuovo), proprietario, gruppo));
}

std::error_code imposta_permessi(const file_aperto& f, unsigned permessi) {
  return esito(::fchmod(fd(f), static_cast<mode_t>(permessi)));
}

std::error_code scrivi_a(const file_aperto& f, std::uint64_t posizione,
                         std::span<const std::uint8_t> byte) {
  const std::uint64_t inizio = posizione;
  while (!byte.empty()) {
    const ssize_t n = ::pwrite(fd(f), byte.data(), byte.size(), static_cast<off_t>(posizione));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errore_di_sistema();
    }
    byte = byte.subspan(static_cast<std::size_t>(n));
    posizione += static_cast<std::uint64_t>(n);
  }
#ifdef __linux__
  ::sync_file_range(fd(f), static_cast<off_t>(inizio), static_cast<off_t>(posizione - inizio),
                    SYNC_FILE_RANGE_WRITE);
#else
  static_cast<void>(inizio);
#endif
  return {};
}

std::error_code leggi_a(const file_aperto& f, std::uint64_t posizione, std::span<std::uint8_t> byte,
                        std::size_t& letti) {
  letti = 0;
  while (letti < byte.size()) {
    const ssize_t n = ::pread(fd(f), byte.data() + letti, byte.size() - letti,
                              static_cast<off_t>(posizione + letti));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errore_di_sistema();
    }
    if (n == 0) break;
    letti += static_cast<std::size_t>(n);
  }
  return {};
}

std::error_code sincronizza(const file_aperto& f) {
  return esito(::fsync(fd(f)));
}

std::error_code tronca(const file_aperto& f, std::uint64_t dimensione) {
  return esito(::ftruncate(fd(f), static_cast<off_t>(dimensione)));
}

std::error_code sostituisci(const std::filesystem::path& nuovo, const std::filesystem::path& file) {
  return esito(::rename(nuovo.c_str(), file.c_str()));
}

void rimuovi(const std::filesystem::path& file) {
  ::unlink(file.c_str());
}

void sincronizza_cartella(const std::filesystem::path& cartella) {
  const int d = ::open(cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (d < 0) return;
  ::fsync(d);
  ::close(d);
}

}  // namespace sopra::sistema
