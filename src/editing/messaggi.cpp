#include "editing/messaggi.hpp"

namespace sopra {

std::string testo_curve_senza_slot(std::size_t quante) {
  if (quante == 1)
    return "1 tratto in curva non ha uno slot libero ed è rimasto senza sopraelevazione";
  return std::to_string(quante) +
         " tratti in curva non hanno uno slot libero e sono rimasti senza sopraelevazione";
}

std::string testo_posizioni_senza_slot(std::span<const std::int32_t> posizioni,
                                       std::size_t quante) {
  std::string testo = "Posizioni in metri: ";
  for (std::size_t i = 0; i < posizioni.size(); ++i) {
    if (i > 0) testo += ", ";
    testo += std::to_string(posizioni[i]);
  }
  if (quante > posizioni.size()) testo += posizioni.empty() ? "…" : ", …";
  return testo;
}

}  // namespace sopra
