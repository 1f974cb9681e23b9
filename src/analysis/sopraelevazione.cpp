#include "analysis/sopraelevazione.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>

namespace sopra {

namespace {

constexpr double pi = 3.14159265358979;

}  // namespace

namespace {

double millimetri_calcolati(double centesimi) {
  const double angolo = centesimi / 100 * pi / 180;
  // nearbyint rounds halves to even under the default rounding mode; adding 0
  // turns a rounded -0 (a cant of -1 hundredth) into 0.
  return std::nearbyint(std::sin(angolo) * scartamento_mm) + 0.0;
}

double centesimi_calcolati(double millimetri) {
  const double a = millimetri / scartamento_mm;
  const double arcoseno = std::atan(a / std::sqrt(1 - a * a));
  return std::floor(arcoseno * 18000 / pi);
}

// Every cant a file holds and every cant a command writes is a whole number
// of hundredths or millimetres: their conversions are worked out once, into
// tables, the first time one is asked for (a line's check and design convert
// hundreds of thousands of them), and read from there after.
constexpr int centesimi_in_tabella = 4096;  // beyond 40 degrees: worked out each time
constexpr int millimetri_in_tabella = 1500;

const std::array<double, 2 * centesimi_in_tabella + 1>& tabella_millimetri() {
  static const auto tabella = [] {
    std::array<double, 2 * centesimi_in_tabella + 1> t;
    for (int c = -centesimi_in_tabella; c <= centesimi_in_tabella; ++c)
      t[static_cast<std::size_t>(c + centesimi_in_tabella)] = millimetri_calcolati(c);
    return t;
  }();
  return tabella;
}

const std::array<double, millimetri_in_tabella>& tabella_centesimi() {
  static const auto tabella = [] {
    std::array<double, millimetri_in_tabella> t;
    for (int m = 0; m < millimetri_in_tabella; ++m)
      t[static_cast<std::size_t>(m)] = centesimi_calcolati(m);
    return t;
  }();
  return tabella;
}

}  // namespace

double rendimillimetri(double centesimi) {
  if (centesimi == std::trunc(centesimi) && std::fabs(centesimi) <= centesimi_in_tabella)
    return tabella_millimetri()[static_cast<std::size_t>(centesimi + centesimi_in_tabella)];
  return millimetri_calcolati(centesimi);
}

double rendicentesimidigrado(double millimetri) {
  if (millimetri == std::trunc(millimetri) && millimetri >= 0 && millimetri < millimetri_in_tabella)
    return tabella_centesimi()[static_cast<std::size_t>(millimetri)];
  return centesimi_calcolati(millimetri);
}

std::optional<std::int32_t> ogg_tipo(const scenario& store, std::int32_t x, std::int32_t tipo) {
  return ogg_tipo(store.tratti[static_cast<std::size_t>(x)].oggetti, tipo);
}

std::optional<std::int32_t> ogg_tipo(const slot_tratto& oggetti, std::int32_t tipo) {
  std::size_t j = 0;
  if (tipo == tipo_vuoto) {
    while (j < oggetti.size() && oggetti[j].tipo != tipo_vuoto) ++j;
  } else {
    j = oggetti.trova([&](const oggetto& o) { return o.tipo == tipo; });
  }
  if (j == oggetti.size()) return std::nullopt;
  return static_cast<std::int32_t>(j);
}

std::int16_t centesimi_oggetto(const oggetto& o) {
  return static_cast<std::int16_t>(o.dato1 * o.dato2);
}

std::int32_t millimetri_tratto(const slot_tratto& oggetti) {
  const std::size_t j =
      oggetti.trova([](const oggetto& o) { return o.tipo == tipo_sopraelevazione; });
  if (j == oggetti.size()) return 0;
  return static_cast<std::int32_t>(rendimillimetri(centesimi_oggetto(oggetti[j])));
}

std::int32_t millimetri_tratto(const scenario& store, std::int32_t x) {
  return millimetri_tratto(store.tratti[static_cast<std::size_t>(x)].oggetti);
}

bool sopraelevazione_ammessa(const oggetto& o) {
  return o.dato2 >= -1 && o.dato2 <= 1 &&
         std::fabs(rendimillimetri(centesimi_oggetto(o))) <= sopraelevazione_limite;
}

void codifica_sopraelevazione(oggetto& o, double modulo, std::int16_t lato) {
  o.tipo = tipo_sopraelevazione;
  o.dato1 = static_cast<std::int16_t>(rendicentesimidigrado(modulo));
  o.dato2 = lato;
}

}  // namespace sopra
