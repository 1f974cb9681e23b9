#include "editing/testo_numero.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <system_error>

namespace sopra {

namespace {

bool cifra(char c) {
  return c >= '0' && c <= '9';
}

// The value of digit `c` in base 16, or 16 for a character that is no digit.
int valore_cifra(char c) {
  if (cifra(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 16;
}

// The integer that the digits in `base` at the start of `testo` form (after &H or &O).
double valore_intero(std::string_view testo, int base) {
  double valore = 0;
  for (const char c : testo) {
    const int numero = valore_cifra(c);
    if (numero >= base) break;
    valore = valore * base + numero;
  }
  return valore;
}

// Whether a decimal number out of the range of a double is too large (rather
// than too small): its first significant digit stands at the units or above.
bool troppo_grande(std::string_view mantissa, std::string_view esponente) {
  const std::size_t punto = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t prima = mantissa.find_first_of("123456789");
  long ordine =
      prima < punto ? static_cast<long>(punto - prima) : -static_cast<long>(prima - punto - 1);
  if (!esponente.empty()) {
    if (esponente.front() == '+') esponente.remove_prefix(1);
    long valore = 0;
    if (std::from_chars(esponente.data(), esponente.data() + esponente.size(), valore).ec !=
        std::errc{}) {
      valore = esponente.front() == '-' ? LONG_MIN / 2 : LONG_MAX / 2;
    }
    ordine += valore;
  }
  return ordine > 0;
}

}  // namespace

namespace {

// A number read from the start of a text: its value and how many characters of
// the text, blanks left out, it takes.
struct numero_letto {
  double valore = 0;
  std::size_t fine = 0;
};

numero_letto leggi_numero(std::string_view s) {
  if (s.size() >= 2 && s[0] == '&') {
    const int base = s[1] == 'h' || s[1] == 'H' ? 16 : s[1] == 'o' || s[1] == 'O' ? 8 : 0;
    if (base == 0) return {};
    std::size_t fine = 2;
    while (fine < s.size() && valore_cifra(s[fine]) < base) ++fine;
    if (fine == 2) return {};
    return {valore_intero(s.substr(2), base), fine};
  }

  std::size_t i = 0;
  const bool negativo = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) ++i;
  const std::size_t inizio = i;
  std::size_t cifre = 0;
  for (; i < s.size() && cifra(s[i]); ++i) ++cifre;
  if (i < s.size() && s[i] == '.')
    for (++i; i < s.size() && cifra(s[i]); ++i) ++cifre;
  if (cifre == 0) return {};
  const std::size_t fine_mantissa = i;

  // The exponent counts only when at least one digit follows the E and its sign.
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && cifra(s[j])) {
      while (j < s.size() && cifra(s[j])) ++j;
      i = j;
    }
  }

  double valore = 0;
  const auto [fine, errore] = std::from_chars(s.data() + inizio, s.data() + i, valore);
  if (errore == std::errc::result_out_of_range) {
    const std::string_view mantissa = s.substr(inizio, fine_mantissa - inizio);
    const std::string_view esponente =
        i > fine_mantissa ? s.substr(fine_mantissa + 1, i - fine_mantissa - 1) : std::string_view{};
    valore = troppo_grande(mantissa, esponente) ? std::numeric_limits<double>::max() : 0.0;
  }
  return {negativo ? -valore : valore, i};
}

std::string senza_ignorati(std::string_view testo) {
  std::string compatto;
  compatto.reserve(testo.size());
  for (const char c : testo)
    if (!carattere_ignorato(c)) compatto.push_back(c);
  return compatto;
}

}  // namespace

double valore_numerico(std::string_view testo) {
  return leggi_numero(senza_ignorati(testo)).valore;
}

bool tutto_numero(std::string_view testo) {
  const std::string compatto = senza_ignorati(testo);
  const numero_letto letto = leggi_numero(compatto);
  return letto.fine > 0 && letto.fine == compatto.size();
}

std::string testo_numero(double valore) {
  // Wide enough for every whole double written out in full.
  std::array<char, std::numeric_limits<double>::max_exponent10 + 8> testo;
  if (valore == 0) return "0";  // also for -0
  const auto risultato = valore == std::trunc(valore)
                             ? std::to_chars(testo.data(), testo.data() + testo.size(), valore,
                                             std::chars_format::fixed, 0)
                             : std::to_chars(testo.data(), testo.data() + testo.size(), valore);
  return std::string(testo.data(), risultato.ptr);
}

}  // namespace sopra
