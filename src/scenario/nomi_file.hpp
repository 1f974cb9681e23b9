#pragma once
// File names as text: UTF-8 on every system. On Windows a path holds UTF-16 and
// its plain string() would convert through the ANSI code page, losing (or
// refusing) the characters that page lacks; on other systems both functions
// copy the bytes unchanged.

#include <filesystem>
#include <string>
#include <string_view>

namespace sopra {

// The path as UTF-8 text, for messages and for comparing names. Never throws
// for a name the system gave.
inline std::string testo_utf8(const std::filesystem::path& percorso) {
  const std::u8string testo = percorso.u8string();
  return std::string(testo.begin(), testo.end());
}

// The path that UTF-8 text names (as typed on a command line or built from
// another name).
inline std::filesystem::path percorso_utf8(std::string_view testo) {
  return std::filesystem::path(std::u8string(testo.begin(), testo.end()));
}

}  // namespace sopra
