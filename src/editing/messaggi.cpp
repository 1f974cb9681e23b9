#include "editing/messaggi.hpp"

#include <algorithm>

#include "editing/testo_numero.hpp"

namespace sopra {

std::string quanti(std::size_t numero, std::string_view uno, std::string_view molti) {
  return std::to_string(numero) + ' ' + std::string(numero == 1 ? uno : molti);
}

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
  (testo += separatore) +=
      quanti(esito.oggetti_sopraelevazione_persi, "oggetto sopraelevazione rimosso",
             "oggetti sopraelevazione rimossi");
  return testo;
}

namespace {

// The entries of `posizioni` of one kind, appended to `voci`.
void aggiungi_voci(std::vector<voce_esito>& voci, std::span<const std::int32_t> posizioni,
                   voce_esito::genere tipo) {
  for (const std::int32_t m : posizioni) voci.push_back({m, tipo, {}});
}

// `voci` by position, kinds in their order at one position.
std::vector<voce_esito> in_ordine(std::vector<voce_esito> voci) {
  std::ranges::stable_sort(voci, [](const voce_esito& a, const voce_esito& b) {
    return a.posizione != b.posizione ? a.posizione < b.posizione : a.tipo < b.tipo;
  });
  return voci;
}

}  // namespace

std::vector<voce_esito> voci_esito(const esito_raccordi& esito) {
  std::vector<voce_esito> voci;
  voci.reserve(esito.conflitti.size() + esito.senza_slot.size());
  aggiungi_voci(voci, esito.conflitti, voce_esito::genere::conflitto_raccordi);
  aggiungi_voci(voci, esito.senza_slot, voce_esito::genere::senza_slot_raccordi);
  return in_ordine(std::move(voci));
}

std::vector<voce_esito> voci_esito(const scenario_aperto::esito_progettazione& esito) {
  std::vector<voce_esito> voci;
  voci.reserve(esito.abbassati.size() + esito.bloccati_bivio.size() +
               esito.bloccati_senza_slot.size());
  for (const tratto_abbassato& a : esito.abbassati)
    voci.push_back({a.posizione, voce_esito::genere::abbassato, a});
  aggiungi_voci(voci, esito.bloccati_bivio, voce_esito::genere::bivio_progetto);
  aggiungi_voci(voci, esito.bloccati_senza_slot, voce_esito::genere::senza_slot_progetto);
  return in_ordine(std::move(voci));
}

std::string testo_voce_esito(const voce_esito& voce) {
  using enum voce_esito::genere;
  switch (voce.tipo) {
    case conflitto_raccordi:
      return "Raccordi: tratto in conflitto lasciato com'era";
    case senza_slot_raccordi:
      return "Raccordi: " + std::string(testo_tratto_senza_slot);
    case abbassato:
      return "Progetto: abbassato a " + std::to_string(voce.abbassato.millimetri) +
             " mm (proposta " + std::to_string(voce.abbassato.obiettivo) +
             " mm), velocità ammessa " + std::to_string(voce.abbassato.velocita_ammessa) + " km/h";
    case bivio_progetto:
      return "Progetto: curva in zona di bivio, senza sopraelevazione";
    case senza_slot_progetto:
      return "Progetto: " + std::string(testo_tratto_senza_slot);
  }
  return {};
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

std::string testo_unione(const scenario_aperto::esito_salvataggio& esito) {
  if (esito.stato != scenario_aperto::stato_salvataggio::salvato || !esito.unito) return {};
  return "Il file " + esito.file +
         " era stato modificato da un altro programma: le modifiche sono state unite (" +
         quanti(esito.tratti_uniti, "tratto", "tratti") + ")";
}

std::string testo_salvataggio(const scenario_aperto::esito_salvataggio& esito) {
  using stato = scenario_aperto::stato_salvataggio;
  const std::string invariato = " Il file non è stato modificato.";
  switch (esito.stato) {
    case stato::salvato:
      return {};
    case stato::errore:
      return esito.errore;
    case stato::sparito:
      return "Il file " + esito.file +
             " non c'è più: un altro programma l'ha cancellato, rinominato o spostato. Non è stato "
             "salvato niente.";
    case stato::linea_cambiata:
      return "Il file " + esito.file +
             " è stato modificato da un altro programma dopo l'apertura dello scenario: l'elenco "
             "dei tratti può non corrispondere più alla linea. Il file dei tratti non è stato "
             "modificato.";
    case stato::conflitto:
      break;
  }
  const std::string inizio = "Il file " + esito.file + " è stato modificato da un altro programma";
  switch (esito.estraneo) {
    case motivo_estraneo::altro_formato:
      return inizio + " e non è più un file dei tratti di questa linea: contiene i suoi " +
             std::to_string(esito.record_linea) + " tratti nell'altro formato, da " +
             std::to_string(byte_tratto(esito.byte_record != byte_tratto(false))) + " byte." +
             invariato;
    case motivo_estraneo::record_non_interi:
      return inizio + " e non è più un file dei tratti di questa linea: misura " +
             std::to_string(esito.byte_estraneo) +
             " byte, che non sono un numero intero di tratti da " +
             std::to_string(esito.byte_record) + " byte." + invariato;
    case motivo_estraneo::troppo_corto:
      return inizio + " e non è più un file dei tratti di questa linea: contiene " +
             std::to_string(esito.byte_estraneo / std::max<std::size_t>(esito.byte_record, 1)) +
             " tratti interi sui " + std::to_string(esito.record_linea) + " della linea." +
             invariato;
    case motivo_estraneo::nessuno:
      break;
  }
  return inizio + " negli stessi slot modificati qui: " +
         quanti(esito.tratti_in_conflitto, "tratto in conflitto", "tratti in conflitto") + ". " +
         testo_posizioni(esito.posizioni, esito.tratti_in_conflitto) + "." + invariato;
}

std::string domanda_salvataggio(const scenario_aperto::esito_salvataggio& esito) {
  using stato = scenario_aperto::stato_salvataggio;
  switch (esito.stato) {
    case stato::conflitto:
      if (esito.estraneo != motivo_estraneo::nessuno) {
        return "Sovrascrivi: il file è sostituito da tutto lo scenario com'è qui. Ricarica: le "
               "modifiche fatte qui vanno perse e lo scenario è letto com'è ora. Annulla: non "
               "succede niente e le modifiche restano in memoria.";
      }
      return "Sovrascrivi: nei tratti in conflitto valgono le modifiche fatte qui, altrove restano "
             "quelle dell'altro programma. Ricarica: le modifiche fatte qui vanno perse e lo "
             "scenario è letto com'è ora. Annulla: non succede niente e le modifiche restano in "
             "memoria.";
    case stato::sparito:
      return "Salvare tutto lo scenario in un nuovo file " + esito.file + "?";
    case stato::linea_cambiata:
      return "Salvare comunque le sopraelevazioni?";
    default:
      return {};
  }
}

std::string testo_cambi_su_disco(const scenario_aperto::cambi_su_disco& cambi,
                                 std::string_view file_tratti) {
  using tratti = scenario_aperto::tratti_su_disco;
  std::string testo;
  if (cambi.tratti == tratti::modificati)
    testo = std::string(file_tratti) + " è stato modificato da un altro programma";
  if (cambi.tratti == tratti::spariti)
    testo = std::string(file_tratti) +
            " non c'è più: un altro programma l'ha cancellato, rinominato o spostato";
  if (!cambi.file_linea.empty()) {
    if (!testo.empty()) testo += ". ";
    testo += cambi.file_linea +
             " è stato modificato da un altro programma: l'elenco dei tratti e la vista della "
             "linea possono non corrispondere più; ricaricare lo scenario";
  }
  return testo;
}

}  // namespace sopra
