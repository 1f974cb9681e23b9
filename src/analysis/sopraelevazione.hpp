#pragma once
// Cant units and cant objects. The files hold cant as an angle in hundredths of a
// degree; the window shows millimetres of rise on a 1500 mm base between the rails.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "scenario/scenario.hpp"

namespace sopra {

// The base between the rails on which cant is measured, mm.
inline constexpr double scartamento_mm = 1500;

// Hundredths of a degree to whole millimetres (rounded half to even; never -0).
double rendimillimetri(double centesimi);
// Millimetres (|m| < 1500) to whole hundredths of a degree (rounded down).
double rendicentesimidigrado(double millimetri);

// The lowest slot of section x whose tipo equals `tipo`, if any.
std::optional<std::int32_t> ogg_tipo(const scenario& store, std::int32_t x, std::int32_t tipo);
// The same among slots `oggetti`.
std::optional<std::int32_t> ogg_tipo(const slot_tratto& oggetti, std::int32_t tipo);

// The cant a cant object holds, in hundredths of a degree: dato1 × dato2 as a
// signed 16-bit product.
std::int16_t centesimi_oggetto(const oggetto& o);

// The cant of a section whose slots are `oggetti`, in whole millimetres as the
// section list shows it: from its lowest cant object, 0 without one.
std::int32_t millimetri_tratto(const slot_tratto& oggetti);
// The same for section x of the store.
std::int32_t millimetri_tratto(const scenario& store, std::int32_t x);

// Whether a cant object holds what this tool would write: its side (dato2) is
// -1, 0 or +1 and its cant is within sopraelevazione_limite. Anything else is
// damaged or foreign data, which loading reports and the design tools leave alone.
bool sopraelevazione_ammessa(const oggetto& o);

// The slot a cant is written into when one section's cant is set: the first
// slot that is empty or already holds cant; none when every slot holds other objects.
// Asked of every section by the design and the check: here, to be inlined.
inline std::optional<std::size_t> slot_scrivibile(const slot_tratto& oggetti) {
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

// Makes `o` a cant object of `modulo` millimetres (>= 0) raised on side `lato`
// (+1 right rail, -1 left rail, 0 none); dato3, dato4 and dato5 keep their contents.
void codifica_sopraelevazione(oggetto& o, double modulo, std::int16_t lato);

}  // namespace sopra
