// The Windows form of salva_tratti (salva_tratti.hpp), built instead of the
// POSIX one: the same bytes and messages, with the system's own calls for the
// steps that have no portable equivalent. Names travel as wide characters
// (std::filesystem::path), so folders and files with non-ASCII names work.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "scenario/errori_sistema.hpp"
#include "scenario/nomi_file.hpp"
#include "scenario/salva_tratti.hpp"

namespace sopra {

namespace fs = std::filesystem;

namespace {

// The errno value that stands for a Windows error code, so that the messages
// give the same Italian reasons as on other systems; 0 for any other code.
int errno_di(DWORD codice) {
  switch (codice) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_DIRECTORY:
      return EISDIR;
    case ERROR_FILE_TOO_LARGE:
      return EFBIG;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
      return EIO;
    default:
      return 0;
  }
}

std::string motivo_windows(DWORD codice) {
  if (const int numero = errno_di(codice); numero != 0) return motivo_errore(numero);
  return "errore di sistema " + std::to_string(codice);
}

// Closes a Windows file handle when it goes out of scope.
class maniglia {
 public:
  explicit maniglia(HANDLE h) : h_(h) {}
  maniglia(const maniglia&) = delete;
  maniglia& operator=(const maniglia&) = delete;
  ~maniglia() {
    if (valida()) ::CloseHandle(h_);
  }
  HANDLE get() const { return h_; }
  bool valida() const { return h_ != INVALID_HANDLE_VALUE; }
  // Closes now and reports whether the close succeeded.
  bool chiudi() { return ::CloseHandle(std::exchange(h_, INVALID_HANDLE_VALUE)) != 0; }

 private:
  HANDLE h_;
};

// Writes all of `byte`; false with the system's error set when it could not.
bool scrivi_tutto(HANDLE file, std::span<const std::uint8_t> byte) {
  while (!byte.empty()) {
    const auto quanti = static_cast<DWORD>(std::min<std::size_t>(byte.size(), 1u << 30));
    DWORD scritti = 0;
    if (!::WriteFile(file, byte.data(), quanti, &scritti, nullptr)) return false;
    byte = byte.subspan(scritti);
  }
  return true;
}

// A new file beside `destinazione`, named after it, that did not exist before,
// open for writing; INVALID_HANDLE_VALUE with the system's error set when none
// could be made.
HANDLE crea_temporaneo(const fs::path& destinazione, fs::path& nome) {
  std::random_device fonte;
  std::mt19937_64 caso((static_cast<std::uint64_t>(fonte()) << 32) ^ ::GetTickCount64() ^
                       ::GetCurrentProcessId());
  for (int tentativo = 0; tentativo < 100; ++tentativo) {
    nome = destinazione.parent_path() / (L"." + destinazione.filename().wstring() + L"." +
                                         std::to_wstring(caso() % 1000000000u));
    HANDLE h = ::CreateFileW(nome.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

std::optional<std::string> salva_tratti(const scenario& store, std::uint64_t* impronta) {
  const std::string nome = testo_utf8(store.file_tratti.filename());
  auto fallito = [&](const std::string& motivo) {
    return "Impossibile salvare il file " + nome + ": " + motivo;
  };

  std::error_code ec;
  const fs::path destinazione = fs::canonical(store.file_tratti, ec);
  if (ec) return fallito(motivo_errore(ec));

  // A file the user made read-only is never replaced nor written: replacing it
  // would drop the protection the user set.
  const DWORD attributi = ::GetFileAttributesW(destinazione.c_str());
  if (attributi == INVALID_FILE_ATTRIBUTES) return fallito(motivo_windows(::GetLastError()));
  if (attributi & FILE_ATTRIBUTE_DIRECTORY) return fallito(motivo_errore(EISDIR));
  if (attributi & FILE_ATTRIBUTE_READONLY) {
    return "Il file " + nome +
           " è di sola lettura: nulla è stato salvato; togliere la sola lettura dalle proprietà "
           "del file per salvare";
  }

  maniglia vecchio(::CreateFileW(destinazione.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!vecchio.valida()) return fallito(motivo_windows(::GetLastError()));
  LARGE_INTEGER dimensione{};
  if (!::GetFileSizeEx(vecchio.get(), &dimensione))
    return fallito(motivo_windows(::GetLastError()));

  fs::path temporaneo;
  maniglia nuovo(crea_temporaneo(destinazione, temporaneo));
  if (!nuovo.valida()) {
    return "Impossibile salvare il file " + nome + ": nella cartella " +
           testo_utf8(destinazione.parent_path()) + " non si possono creare file (" +
           motivo_windows(::GetLastError()) + ")";
  }
  auto annulla = [&](DWORD codice) {
    if (nuovo.valida()) nuovo.chiudi();
    ::DeleteFileW(temporaneo.c_str());
    return fallito(motivo_windows(codice));
  };

  // The sections a block at a time, as on other systems; Windows has no
  // per-range write-back hint, so the data goes to the disk at the flush below.
  impronta_tratti scritta(store.tratti.size());
  const bool tratti_scritti = store.tratti.codifica_a_blocchi([&](std::span<const std::uint8_t> b) {
    scritta.aggiungi(b);
    return scrivi_tutto(nuovo.get(), b);
  });
  if (!tratti_scritti) return annulla(::GetLastError());

  // The records after section N stay as they were.
  const std::size_t scritti = store.tratti.size() * store.tratti.byte_record();
  if (static_cast<unsigned long long>(dimensione.QuadPart) > scritti) {
    LARGE_INTEGER da{};
    da.QuadPart = static_cast<LONGLONG>(scritti);
    if (!::SetFilePointerEx(vecchio.get(), da, nullptr, FILE_BEGIN))
      return annulla(::GetLastError());
    std::vector<std::uint8_t> blocco(1 << 20);
    for (;;) {
      DWORD letti = 0;
      if (!::ReadFile(vecchio.get(), blocco.data(), static_cast<DWORD>(blocco.size()), &letti,
                      nullptr))
        return annulla(::GetLastError());
      if (letti == 0) break;
      if (!scrivi_tutto(nuovo.get(), std::span(blocco).first(letti)))
        return annulla(::GetLastError());
    }
  }
  vecchio.chiudi();

  // Everything on the disk before the new file takes the old one's place.
  if (!::FlushFileBuffers(nuovo.get())) return annulla(::GetLastError());
  if (!nuovo.chiudi()) return annulla(::GetLastError());

  // One step replaces the old file, keeping its attributes and security
  // settings; on failure both files keep their names and the old one its content.
  if (!::ReplaceFileW(destinazione.c_str(), temporaneo.c_str(), nullptr,
                      REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    return annulla(::GetLastError());
  }
  if (impronta != nullptr) *impronta = scritta.valore();
  return std::nullopt;
}

}  // namespace sopra
