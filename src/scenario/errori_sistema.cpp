#include "scenario/errori_sistema.hpp"

#include <cerrno>
#include <cstring>

namespace sopra {

namespace {

// The usual causes of a failed open, read or write; nullptr for any other.
const char* motivo_noto(int numero_errore) {
  switch (numero_errore) {
    case EACCES:
      return "permesso negato";
    case EPERM:
      return "operazione non permessa";
    case EROFS:
      return "file system di sola lettura";
    case ENOSPC:
      return "disco pieno";
#ifdef EDQUOT  // POSIX only
    case EDQUOT:
      return "quota del disco superata";
#endif
    case ENOENT:
      return "file o cartella inesistente";
    case EISDIR:
      return "è una cartella";
    case EFBIG:
      return "file troppo grande";
    case EIO:
      return "errore di input/output";
    case ENOMEM:
      return "memoria insufficiente";
    default:
      return nullptr;
  }
}

}  // namespace

std::string motivo_errore(int numero_errore) {
  if (const char* noto = motivo_noto(numero_errore)) return noto;
  const char* sistema = std::strerror(numero_errore);
  if (sistema != nullptr && *sistema != '\0') return sistema;
  return "errore " + std::to_string(numero_errore);
}

std::string motivo_errore(const std::error_code& codice) {
  // The portable condition of a platform code (on Windows a system error code
  // maps onto the same errno-like conditions).
  const std::error_condition condizione = codice.default_error_condition();
  if (condizione.category() == std::generic_category()) {
    if (const char* noto = motivo_noto(condizione.value())) return noto;
  }
  const std::string sistema = codice.message();
  return sistema.empty() ? "errore " + std::to_string(codice.value()) : sistema;
}

}  // namespace sopra
