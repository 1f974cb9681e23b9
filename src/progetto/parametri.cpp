#include "progetto/parametri.hpp"

#include <cmath>

namespace sopra {

std::optional<std::string> imposta_parametro(parametri_progetto& parametri, std::size_t k,
                                             double valore) {
  const parametro_progetto& p = parametri_di_progetto.at(k);
  if (!std::isfinite(valore)) return "vuole un numero";
  if (valore < 0) return p.maschile ? "non può essere negativo" : "non può essere negativa";
  if (p.positivo && valore == 0) return "deve essere maggiore di 0";
  const bool intero = p.intero != nullptr;
  if (intero && (valore != std::floor(valore) || valore > std::numeric_limits<std::int32_t>::max()))
    return "vuole un numero intero di millimetri";
  // Every finite maximum of the table is a whole number.
  if (valore > p.massimo)
    return "non può superare " + std::to_string(static_cast<long long>(p.massimo)) + ' ' +
           std::string(p.unita);
  if (intero)
    parametri.*p.intero = static_cast<std::int32_t>(valore);
  else
    parametri.*p.decimale = valore;
  return std::nullopt;
}

std::optional<parametro_rifiutato> controlla_parametri(const parametri_progetto& parametri) {
  if (parametri.velocita_massima > 0 && parametri.velocita_minima > parametri.velocita_massima)
    return parametro_rifiutato{indice_velocita_minima, "non può superare la velocità massima"};
  return std::nullopt;
}

double valore_parametro(const parametri_progetto& parametri, std::size_t k) {
  const parametro_progetto& p = parametri_di_progetto.at(k);
  return p.intero != nullptr ? parametri.*p.intero : parametri.*p.decimale;
}

}  // namespace sopra
