#pragma once
// The system's reason for a failed file operation, in Italian, for the messages
// of loading and saving.

#include <string>
#include <system_error>

namespace sopra {

// The reason for the error number `numero_errore` (an errno value), in Italian
// and lower case for the usual causes (permission denied, read-only file
// system, operation not permitted, disk full, quota exceeded, no such file or folder, a folder
// where a file was expected, file too large, input/output error); the system's own text for any
// other. Never empty.
std::string motivo_errore(int numero_errore);

// The same for an error code from the standard library (std::filesystem): the
// Italian reason when the code stands for one of the usual causes, the code's
// own message otherwise.
std::string motivo_errore(const std::error_code& codice);

}  // namespace sopra
