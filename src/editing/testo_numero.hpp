#pragma once
// How numbers are read from and written into the window's text boxes.

#include <string>
#include <string_view>

namespace sopra {

// The characters that reading a number passes over wherever they stand:
// blank, TAB and line feed.
constexpr bool carattere_ignorato(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

// The numeric value of a text: blanks, TABs and line feeds are ignored wherever
// they stand; then a sign, digits with at most one "." and an optional exponent
// are read as far as they form a number; &H / &O prefixes read hexadecimal or
// octal integers. A text that does not start with a number gives 0. A number
// beyond the range of a double gives the largest double of its sign; one too
// small for a double gives 0.
double valore_numerico(std::string_view testo);

// Whether the whole text is one number as valore_numerico reads it: blanks
// aside, nothing stands after the number and the text is not blank ("12.5"
// and " -4 0" are, "12,5", "abc", "3x" and "" are not).
bool tutto_numero(std::string_view testo);

// The text of a number: whole numbers as plain decimal digits with a leading
// "-" when negative (zero is "0"); fractions in the shortest form that reads
// back as the same value, with "." as the decimal separator, whatever the locale.
std::string testo_numero(double valore);

}  // namespace sopra
