// The file operations of loading and saving on Windows (accesso_file.hpp), with the
// system's own calls: names travel as wide characters, so that any name works,
// and files are opened as bytes, never as text.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>
#include <utility>

#include "scenario/accesso_file.hpp"
#include "scenario/caso.hpp"

namespace sopra::sistema {

namespace {

// The portable error for a Windows error code, so that saving tells the usual
// causes apart (and words them) as on other systems; the system's code otherwise.
std::error_code errore_di_windows(DWORD codice) {
  switch (codice) {
    case ERROR_ACCESS_DENIED:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return std::make_error_code(std::errc::permission_denied);
    case ERROR_WRITE_PROTECT:
      return std::make_error_code(std::errc::read_only_file_system);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_DIRECTORY:
      return std::make_error_code(std::errc::is_a_directory);
    case ERROR_FILE_TOO_LARGE:
      return std::make_error_code(std::errc::file_too_large);
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
      return std::make_error_code(std::errc::io_error);
    default:
      return {static_cast<int>(codice), std::system_category()};
  }
}

std::error_code ultimo_errore() {
  return errore_di_windows(::GetLastError());
}

std::error_code esito(BOOL riuscito) {
  return riuscito ? std::error_code() : ultimo_errore();
}

HANDLE h(const file_aperto& f) {
  return reinterpret_cast<HANDLE>(f.maniglia);
}

constexpr std::intptr_t chiuso = -1;  // INVALID_HANDLE_VALUE

// Other programs may read the file meanwhile, and the open old file must not
// stop the new one from being renamed over it.
constexpr DWORD condivisione = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

OVERLAPPED alla_posizione(std::uint64_t posizione) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(posizione);
  o.OffsetHigh = static_cast<DWORD>(posizione >> 32);
  return o;
}

}  // namespace

file_aperto::~file_aperto() {
  if (maniglia != chiuso) ::CloseHandle(h(*this));
}

std::error_code file_aperto::chiudi() {
  if (maniglia == chiuso) return {};
  return esito(::CloseHandle(reinterpret_cast<HANDLE>(std::exchange(maniglia, chiuso))));
}

std::error_code apri_per_leggere(const std::filesystem::path& file, file_aperto& f) {
  HANDLE aperto = ::CreateFileW(file.c_str(), GENERIC_READ, condivisione, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (aperto == INVALID_HANDLE_VALUE) return ultimo_errore();
  f.maniglia = reinterpret_cast<std::intptr_t>(aperto);
  return {};
}

std::error_code leggi_identita(const std::filesystem::path& file, identita_file& identita) {
  identita = {};
  // No access asked: only the file's information, even of a file opened by others.
  HANDLE aperto = ::CreateFileW(file.c_str(), 0, condivisione, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (aperto == INVALID_HANDLE_VALUE) {
    const DWORD codice = ::GetLastError();
    if (codice == ERROR_FILE_NOT_FOUND || codice == ERROR_PATH_NOT_FOUND) return {};
    return errore_di_windows(codice);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const BOOL letto = ::GetFileInformationByHandle(aperto, &info);
  const DWORD codice = ::GetLastError();
  ::CloseHandle(aperto);
  if (!letto) return errore_di_windows(codice);
  identita.presente = true;
  identita.ordinario = !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  identita.dispositivo = info.dwVolumeSerialNumber;
  identita.indice = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  identita.dimensione = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  // Hundreds of nanoseconds since 1601, taken from 1970 on so that nanoseconds fit.
  const std::uint64_t centinaia = (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                  info.ftLastWriteTime.dwLowDateTime;
  constexpr std::int64_t dal_1601_al_1970 = 116444736000000000;
  identita.modifica_ns = (static_cast<std::int64_t>(centinaia) - dal_1601_al_1970) * 100;
  return {};
}

std::error_code dai_nome(const std::filesystem::path& nuovo, const std::filesystem::path& file) {
  // Without MOVEFILE_REPLACE_EXISTING a name that is taken is refused.
  return esito(::MoveFileExW(nuovo.c_str(), file.c_str(), MOVEFILE_WRITE_THROUGH));
}

std::error_code apri_per_scrivere(const std::filesystem::path& file, file_aperto& f) {
  // A file with the read-only attribute refuses write access, for every user.
  HANDLE aperto = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, condivisione, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (aperto == INVALID_HANDLE_VALUE) {
    const DWORD codice = ::GetLastError();
    // A folder is refused as "access denied": say what it is, as other systems do.
    const DWORD attributi = ::GetFileAttributesW(file.c_str());
    if (codice == ERROR_ACCESS_DENIED && attributi != INVALID_FILE_ATTRIBUTES &&
        (attributi & FILE_ATTRIBUTE_DIRECTORY)) {
      return std::make_error_code(std::errc::is_a_directory);
    }
    return errore_di_windows(codice);
  }
  f.maniglia = reinterpret_cast<std::intptr_t>(aperto);
  return {};
}

std::error_code leggi_stato(const file_aperto& f, stato_file& stato) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h(f), &info)) return ultimo_errore();
  stato.ordinario =
      ::GetFileType(h(f)) == FILE_TYPE_DISK && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  stato.dimensione = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  // Windows' only permission bit: the read-only attribute, for everybody.
  stato.permessi = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  stato.collegamenti = info.nNumberOfLinks;
  // ReplaceFileW carries the old file's access rules over to the new one.
  stato.acl = false;
  return {};
}

std::error_code leggi_dimensione(const file_aperto& f, std::uint64_t& dimensione) {
  LARGE_INTEGER byte{};
  if (!::GetFileSizeEx(h(f), &byte)) return ultimo_errore();
  dimensione = static_cast<std::uint64_t>(byte.QuadPart);
  return {};
}

std::error_code crea_file_nuovo(const std::filesystem::path& inizio, file_aperto& f,
                                std::filesystem::path& creato) {
  // Its access rules are the folder's until ReplaceFileW gives it the old file's.
  static constexpr wchar_t cifre[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device fonte;
  generatore_casuale caso(fonte() ^ ::GetCurrentProcessId() ^
                          static_cast<unsigned>(::GetTickCount64()));
  std::uniform_int_distribution<std::size_t> cifra(0, std::size(cifre) - 2);
  for (int tentativo = 0; tentativo < 100; ++tentativo) {
    std::wstring nome = inizio.native();
    for (int i = 0; i < 6; ++i) nome += cifre[cifra(caso)];
    HANDLE nuovo = ::CreateFileW(nome.c_str(), GENERIC_READ | GENERIC_WRITE, condivisione, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (nuovo != INVALID_HANDLE_VALUE) {
      f.maniglia = reinterpret_cast<std::intptr_t>(nuovo);
      creato = nome;
      return {};
    }
    if (::GetLastError() != ERROR_FILE_EXISTS) return ultimo_errore();
  }
  return errore_di_windows(ERROR_FILE_EXISTS);
}

std::error_code adotta_proprietario(const file_aperto&, const file_aperto&) {
  // A file made in a folder gets its owner and access rules from that folder
  // and from the user, as the old file did when it was made: nothing to give.
  return {};
}

std::error_code imposta_permessi(const file_aperto& f, unsigned permessi) {
  FILE_BASIC_INFO info{};
  if (!::GetFileInformationByHandleEx(h(f), FileBasicInfo, &info, sizeof info))
    return ultimo_errore();
  const DWORD prima = info.FileAttributes;
  if (permessi & 0222)
    info.FileAttributes &= ~DWORD{FILE_ATTRIBUTE_READONLY};
  else
    info.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (info.FileAttributes == prima) return {};
  return esito(::SetFileInformationByHandle(h(f), FileBasicInfo, &info, sizeof info));
}

std::error_code scrivi_a(const file_aperto& f, std::uint64_t posizione,
                         std::span<const std::uint8_t> byte) {
  // Windows has no hint to start writing a range back; FlushFileBuffers in
  // sincronizza sends it all.
  while (!byte.empty()) {
    const DWORD quanti = static_cast<DWORD>(std::min<std::size_t>(byte.size(), 1u << 30));
    OVERLAPPED o = alla_posizione(posizione);
    DWORD scritti = 0;
    if (!::WriteFile(h(f), byte.data(), quanti, &scritti, &o)) return ultimo_errore();
    byte = byte.subspan(scritti);
    posizione += scritti;
  }
  return {};
}

std::error_code leggi_a(const file_aperto& f, std::uint64_t posizione, std::span<std::uint8_t> byte,
                        std::size_t& letti) {
  letti = 0;
  while (letti < byte.size()) {
    const DWORD quanti = static_cast<DWORD>(std::min<std::size_t>(byte.size() - letti, 1u << 30));
    OVERLAPPED o = alla_posizione(posizione + letti);
    DWORD n = 0;
    if (!::ReadFile(h(f), byte.data() + letti, quanti, &n, &o)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) break;
      return ultimo_errore();
    }
    if (n == 0) break;
    letti += n;
  }
  return {};
}

std::error_code sincronizza(const file_aperto& f) {
  return esito(::FlushFileBuffers(h(f)));
}

std::error_code tronca(const file_aperto& f, std::uint64_t dimensione) {
  FILE_END_OF_FILE_INFO fine{};
  fine.EndOfFile.QuadPart = static_cast<LONGLONG>(dimensione);
  return esito(::SetFileInformationByHandle(h(f), FileEndOfFileInfo, &fine, sizeof fine));
}

std::error_code sostituisci(const std::filesystem::path& nuovo, const std::filesystem::path& file) {
  // ReplaceFileW puts the new file in the old one's place in one step, keeping
  // the old one's attributes and security settings.
  if (::ReplaceFileW(file.c_str(), nuovo.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr)) {
    return {};
  }
  const DWORD codice = ::GetLastError();
  // The old file is gone and the new one still has its own name: give it the
  // file's name, returning only once that is on the disk.
  if (codice == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
    return esito(::MoveFileExW(nuovo.c_str(), file.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  }
  return errore_di_windows(codice);
}

void rimuovi(const std::filesystem::path& file) {
  ::DeleteFileW(file.c_str());
}

void sincronizza_cartella(const std::filesystem::path&) {
  // Nothing to do: Windows file systems keep a folder's entries durable
  // themselves (NTFS logs every rename), and a folder cannot be flushed.
}

}  // namespace sopra::sistema
