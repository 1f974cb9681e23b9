#include "progetto/condizioni.hpp"

namespace sopra {

double raggio_progetto(const geometria_linea& geometria, std::size_t riga) {
  const double nominale = geometria.raggio(riga);
  if (nominale == 0) return 0;
  const double misurato = geometria.raggio_misurato(riga);
  return (misurato > 0) == (nominale > 0) && misurato != 0 ? misurato : nominale;
}

condizioni_linea condizioni_linea::con_delta_costante(std::size_t numero_righe,
                                                      std::int32_t delta) {
  condizioni_linea c;
  c.velocita_.assign(1, {});
  c.righe_.assign(numero_righe, {0, static_cast<std::uint16_t>(delta), 0});
  if (numero_righe > 0) c.righe_[0].delta = 0;
  return c;
}

condizioni_linea condizioni_righe(const geometria_linea& geometria,
                                  const parametri_progetto& parametri,
                                  const profilo_velocita& profilo) {
  condizioni_linea c;
  const std::size_t n = geometria.size();
  std::vector<std::uint32_t> tratti;
  if (profilo.vuoto()) {
    c.velocita_.assign(1, {parametri.velocita_massima, parametri.velocita_minima});
    tratti.assign(n, 0);
  } else {
    for (const tratto_velocita& t : profilo.tratti())
      c.velocita_.push_back({t.velocita_massima, t.velocita_minima});
    tratti = profilo.tratti_delle_righe(n);
  }
  c.righe_.resize(n);
  // Neighbouring rows mostly share their speed: the step is worked out again
  // only where the pair of speeds changes.
  double prima = -1, dopo = -1;
  std::int32_t delta = 0;
  for (std::size_t r = 0; r < n; ++r) {
    condizioni_linea::compatta& riga = c.righe_[r];
    riga.tratto = tratti[r];
    riga.raggio = static_cast<float>(raggio_progetto(geometria, r));
    riga.delta = 0;
    if (r == 0) continue;
    const double v_prima = c.velocita_[tratti[r - 1]].massima;
    const double v_dopo = c.velocita_[tratti[r]].massima;
    if (v_prima != prima || v_dopo != dopo) {
      prima = v_prima;
      dopo = v_dopo;
      delta = delta_tra(parametri, v_prima, v_dopo);
    }
    riga.delta = static_cast<std::uint16_t>(delta);
  }
  return c;
}

}  // namespace sopra
