#include "analysis/sopraelevazione.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>

namespace sopra {

namespace {

constexpr double pi = 3.14159265358979;

}  // namespace

double rendimillimetri(double centesimi) {
  const double angolo = centesimi / 100 * pi / 180;
  // nearbyint rounds halves to even under the default rounding mode; adding 0
  // turns a rounded -0 (a cant of -1 hundredth) into 0.
  return std::nearbyint(std::sin(angolo) * scartamento_mm) + 0.0;
}

double rendicentesimidigrado(double millimetri) {
  const double a = millimetri / scartamento_mm;
  const double arcoseno = std::atan(a / std::sqrt(1 - a * a));
  return std::floor(arcoseno * 18000 / pi);
}

std::optional<std::int32_t> ogg_tipo(const scenario& store, std::int32_t x, std::int32_t tipo) {
  const slot_tratto oggetti = store.tratti[static_cast<std::size_t>(x)].oggetti;
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

std::optional<std::size_t> slot_scrivibile(const slot_tratto& oggetti) {
  // A slot that is not kept is empty; a kept one may still be of type 0.
  const std::size_t numero = oggetti.size();
  const std::uint64_t tutti = numero >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << numero) - 1;
  const std::uint64_t non_tenuti = ~oggetti.presenti() & tutti;
  const std::size_t primo_non_tenuto =
      non_tenuti == 0 ? numero : static_cast<std::size_t>(std::countr_zero(non_tenuti));
  if (primo_non_tenuto == 0) return 0;
  const std::size_t primo_tenuto = oggetti.trova(
      [](const oggetto& o) { return o.tipo == tipo_vuoto || o.tipo == tipo_sopraelevazione; });
  const std::size_t j = std::min(primo_non_tenuto, primo_tenuto);
  if (j >= numero) return std::nullopt;
  return j;
}

void codifica_sopraelevazione(oggetto& o, double modulo, std::int16_t lato) {
  o.tipo = tipo_sopraelevazione;
  o.dato1 = static_cast<std::int16_t>(rendicentesimidigrado(modulo));
  o.dato2 = lato;
}

}  // namespace sopra
