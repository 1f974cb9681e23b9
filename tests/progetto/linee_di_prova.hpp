#pragma once
// Lines for the design tests: built on the scenarios of the editing tests, by
// sections, and random ones with curves, junctions, cants and full sections.

#include <cstdint>
#include <random>
#include <utility>

#include "analysis/curva.hpp"
#include "editing/scenario_di_prova.hpp"
#include "progetto/raccordi.hpp"

namespace sopra::prova {

// The largest step of cant along a line run at V throughout: delta_tra(parametri, V, V).
inline std::int32_t delta_massimo(const parametri_progetto& parametri) {
  return delta_tra(parametri, parametri.velocita_massima, parametri.velocita_massima);
}

// Sections da .. a bend on `raggio` m (sign = side) and hold `millimetri` (sign = side).
inline void tratti_curvi(scenario& s, std::int32_t da, std::int32_t a, double raggio,
                         double millimetri) {
  for (std::int32_t t = da; t <= a; ++t) {
    metti_curva(s, t, raggio);
    if (millimetri != 0) metti_sopraelevazione(s, t, millimetri);
  }
}

// A random line of `numero` sections: runs of straights and of curves of one
// class and side, mostly with cant on the outer rail, a few straights with cant,
// junctions, full sections and cant objects whose side is out of scale.
template <class Caso>
inline scenario linea_casuale(std::size_t numero, Caso& caso) {
  scenario s = scenario_rettilineo(numero);
  auto uniforme = [&](int da, int a) { return std::uniform_int_distribution<int>(da, a)(caso); };
  const auto ultimo = static_cast<std::int32_t>(numero) - 4;
  for (std::int32_t t = 2; t <= ultimo;) {
    const std::int32_t lunghezza = uniforme(1, 8);
    if (uniforme(0, 2) == 0) {  // a straight run
      for (std::int32_t u = t; u < t + lunghezza && u <= ultimo; ++u)
        if (uniforme(0, 15) == 0) metti_sopraelevazione(s, u, uniforme(-120, 120));
    } else {
      const double raggio = raggi_nominali[uniforme(0, 7)] * (uniforme(0, 1) ? 1 : -1);
      const int modulo = uniforme(0, 4) == 0 ? 0 : uniforme(5, 200);
      const int lato = uniforme(0, 9) == 0 ? -1 : 1;  // now and then on the inner rail
      for (std::int32_t u = t; u < t + lunghezza && u <= ultimo; ++u)
        tratti_curvi(s, u, u, raggio, raggio > 0 ? lato * modulo : -lato * modulo);
    }
    t += lunghezza;
  }
  for (std::int32_t t = 2; t <= ultimo; ++t) {
    const int sorte = uniforme(0, 60);
    if (sorte == 0) metti_bivio(s, t, 1);
    if (sorte == 1) riempi(s, t);
    if (sorte == 2 && slot(s, t)[0].tipo == tipo_sopraelevazione) slot(s, t)[0].dato2 = 2;
  }
  return s;
}

// The design parameters at 120 km/h, the defaults otherwise: delta 82 mm.
inline parametri_progetto a_120() {
  parametri_progetto p;
  p.velocita_massima = 120;
  return p;
}

// Plans the ramps with V and v of `parametri` along the whole line and writes
// them into the store, as the open scenario does but without its rows or undo.
inline esito_raccordi applica_raccordi(scenario& store, const geometria_linea& geometria,
                                       const parametri_progetto& parametri) {
  piano_raccordi piano = progetta_raccordi(store, geometria, parametri);
  for (const rialzo& r : piano.rialzi)
    scrivi_sopraelevazione(store, tratto_della_riga(r.riga), r.millimetri);
  return std::move(piano.esito);
}

}  // namespace sopra::prova
