#include "editing/messaggi.hpp"

#include <algorithm>

#include "editing/testo_numero.hpp"

namespace sopra {

namespace {

// "1 tratto rialzato" or "3 tratti rialzati".
std::string quanti(std::size_t numero, std::string_view uno, std::string_view molti) {
  return std::to_string(numero) + ' ' + std::string(numero == 1 ? uno : molti);
}

}  // namespace

std::string testo_posizioni(std::span<const std::int32_t> posizioni, std::size_t quante) {
  const std::size_t mostrate = std::min(posizioni.size(), posizioni_senza_slot_riportate);
  const std::size_t altre = std::max(quante, posizioni.size()) - mostrate;
  std::string testo = "Posizioni in metri: ";
  if (mostrate == 0) return testo + std::to_string(altre) + " non riportate";
  for (std::size_t i = 0; i < mostrate; ++i) {
    if (i > 0) testo += ", ";
    testo += std::to_string(posizioni[i]);
  }
  // Said in words, so that the sentence can end with a full stop.
  if (altre == 1) testo += " e un'altra";
  if (altre > 1) testo += " e altre " + std::to_string(altre);
  return testo;
}

std::string testo_curve_senza_slot(std::size_t quante) {
  if (quante == 1)
    return "1 tratto in curva non ha uno slot libero ed è rimasto senza sopraelevazione";
  return std::to_string(quante) +
         " tratti in curva non hanno uno slot libero e sono rimasti senza sopraelevazione";
}

std::string testo_esito_raccordi(const esito_raccordi& esito, std::string_view separatore) {
  std::string testo = quanti(esito.tratti_rialzati, "tratto rialzato", "tratti rialzati");
  if (!esito.conflitti.empty()) {
    ((testo += separatore) += quanti(esito.conflitti.size(), "tratto in conflitto lasciato com'era",
                                     "tratti in conflitto lasciati com'erano")) += separatore;
    testo += testo_posizioni(esito.conflitti, esito.conflitti.size());
  }
  if (!esito.senza_slot.empty()) {
    ((testo += separatore) +=
     quanti(esito.senza_slot.size(), "tratto non ha uno slot libero e non è stato rialzato",
            "tratti non hanno uno slot libero e non sono stati rialzati")) += separatore;
    testo += testo_posizioni(esito.senza_slot, esito.senza_slot.size());
  }
  return testo;
}

std::string testo_esito_progetto(const scenario_aperto::esito_progettazione& esito,
                                 std::string_view separatore) {
  std::string testo = quanti(esito.curve_progettate, "curva progettata", "curve progettate") +
                      ", " +
                      quanti(esito.tratti_con_sopraelevazione, "tratto con sopraelevazione",
                             "tratti con sopraelevazione");
  if (!esito.abbassati.empty()) {
    ((testo += separatore) +=
     quanti(esito.abbassati.size(), "tratto abbassato sotto la sopraelevazione proposta",
            "tratti abbassati sotto la sopraelevazione proposta")) += separatore;
    testo += "Posizioni in metri (sopraelevazione, velocità ammessa): ";
    const std::size_t mostrati = std::min(esito.abbassati.size(), posizioni_senza_slot_riportate);
    for (std::size_t i = 0; i < mostrati; ++i) {
      const tratto_abbassato& a = esito.abbassati[i];
      if (i > 0) testo += ", ";
      testo += std::to_string(a.posizione) + " (" + std::to_string(a.millimetri) + " mm, " +
               std::to_string(a.velocita_ammessa) + " km/h)";
    }
    const std::size_t altri = esito.abbassati.size() - mostrati;
    if (altri == 1) testo += " e un altro";
    if (altri > 1) testo += " e altri " + std::to_string(altri);
  }
  if (!esito.bloccati_bivio.empty()) {
    ((testo += separatore) += quanti(esito.bloccati_bivio.size(),
                                     "tratto in curva in zona di bivio resta senza sopraelevazione",
                                     "tratti in curva in zona di bivio restano senza "
                                     "sopraelevazione")) += separatore;
    testo += testo_posizioni(esito.bloccati_bivio, esito.bloccati_bivio.size());
  }
  if (!esito.bloccati_senza_slot.empty()) {
    ((testo += separatore) += testo_curve_senza_slot(esito.bloccati_senza_slot.size())) +=
        separatore;
    testo += testo_posizioni(esito.bloccati_senza_slot, esito.bloccati_senza_slot.size());
  }
  (testo += separatore) += quanti(esito.oggetti_tolti, "oggetto sopraelevazione rimosso",
                                  "oggetti sopraelevazione rimossi");
  return testo;
}

std::string nota_proposta(const proposta_classe& classe, const parametri_progetto& parametri) {
  std::string testo;
  if (classe.oltre_massimo) {
    testo = "con " + std::to_string(parametri.sopraelevazione_massima) +
            " mm la velocità ammessa è " + std::to_string(classe.velocita_al_massimo) + " km/h";
  }
  if (classe.velocita_inconciliabili) {
    (testo += testo.empty() ? "" : "; ") += "nessuna sopraelevazione serve sia " +
                                            testo_numero(parametri.velocita_massima) + " sia " +
                                            testo_numero(parametri.velocita_minima) + " km/h";
  }
  return testo;
}

std::string testo_problemi(std::size_t errori, std::size_t avvisi) {
  if (errori == 0 && avvisi == 0) return "nessun problema";
  return quanti(errori, "errore", "errori") + ", " + quanti(avvisi, "avviso", "avvisi");
}

}  // namespace sopra
