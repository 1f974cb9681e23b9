#include "progetto/condizioni.hpp"

namespace sopra {

double raggio_progetto(const geometria_linea& geometria, std::size_t riga) {
  const double nominale = geometria.raggio(riga);
  if (nominale == 0) return 0;
  const double misurato = geometria.raggio_misurato(riga);
  return (misurato > 0) == (nominale > 0) && misurato != 0 ? misurato : nominale;
}

std::vector<condizioni_riga> condizioni_righe(const geometria_linea& geometria,
                                              const parametri_progetto& parametri,
                                              const profilo_velocita& profilo) {
  std::vector<condizioni_riga> righe(geometria.size());
  const std::vector<velocita_riga> velocita =
      profilo.vuoto() ? std::vector<velocita_riga>(
                            righe.size(), {parametri.velocita_massima, parametri.velocita_minima})
                      : profilo.velocita_righe(righe.size());
  for (std::size_t r = 0; r < righe.size(); ++r) {
    condizioni_riga& c = righe[r];
    c.velocita_massima = velocita[r].massima;
    c.velocita_minima = velocita[r].minima;
    c.raggio = raggio_progetto(geometria, r);
    if (r > 0) c.delta = delta_tra(parametri, righe[r - 1].velocita_massima, c.velocita_massima);
  }
  return righe;
}

}  // namespace sopra
