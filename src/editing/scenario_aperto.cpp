#include "editing/scenario_aperto.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <fstream>
#include <utility>

#include "analysis/bivio.hpp"
#include "analysis/caricamento.hpp"
#include "analysis/curva.hpp"
#include "analysis/sopraelevazione.hpp"
#include "editing/elenco.hpp"
#include "editing/messaggi.hpp"
#include "editing/testo_numero.hpp"
#include "scenario/errori_sistema.hpp"
#include "scenario/file_scenario.hpp"
#include "scenario/nomi_file.hpp"
#include "scenario/parallelo.hpp"
#include "scenario/salva_tratti.hpp"

namespace sopra {

namespace {

constexpr double limite_classe = 200;  // mm, class boxes

// What the cant box holds once the single-section edit has normalised `testo`.
std::string normalizza_tratto(std::string_view testo) {
  std::string normalizzato(testo);
  if (valore_numerico(normalizzato) > sopraelevazione_limite)
    normalizzato = std::to_string(sopraelevazione_limite);
  if (valore_numerico(normalizzato) < -sopraelevazione_limite)
    normalizzato = std::to_string(-sopraelevazione_limite);
  if (std::ranges::all_of(normalizzato, carattere_ignorato)) normalizzato = "0";
  return normalizzato;
}

// What a class box holds once the class command has normalised it.
std::string normalizza_per_comando(std::string_view testo) {
  std::string normalizzato = normalizza_classe(testo);  // never negative from here on
  if (valore_numerico(normalizzato) > limite_classe) normalizzato = "200";
  if (valore_numerico(normalizzato) == 0) normalizzato = "0";
  return normalizzato;
}

// Appends to `campo` the cant field made of `prefisso` and `testo`. A TAB or
// line break (a carriage return too) in the text becomes a blank, so that the
// cant stays the text after the row's last TAB and a row stays one line.
void metti_campo(std::string& campo, std::string_view prefisso, std::string_view testo) {
  campo += prefisso;
  for (const char t : testo) campo.push_back(t == '\r' || carattere_ignorato(t) ? ' ' : t);
}

// Replaces the cant field of row `riga` by `prefisso` and `testo` (metti_campo).
void riscrivi_sopraelevazione(righe_elenco& righe, std::size_t riga, std::string_view prefisso,
                              std::string_view testo) {
  std::string campo;
  metti_campo(campo, prefisso, testo);
  righe.riscrivi(riga, inizio_sopraelevazione(righe[riga]), campo);
}

// The rows' new cant fields, gathered while a command goes through the
// sections in order and written into the rows at once when it is done: a
// command that changes most rows lays the list out once instead of moving row
// after row (righe_elenco::riscrivi_molte).
class campi_nuovi {
 public:
  // Row `riga`'s cant field is to read `campo`; rows in ascending order.
  void aggiungi(std::size_t riga, std::string_view campo) {
    voci_.push_back({riga, testi_.size(), campo.size()});
    testi_ += campo;
  }
  // Writes the fields gathered into `righe`.
  void scrivi(righe_elenco& righe) const {
    std::vector<righe_elenco::sostituzione> sostituzioni;
    sostituzioni.reserve(voci_.size());
    for (const voce& v : voci_) {
      sostituzioni.push_back({v.riga, inizio_sopraelevazione(righe[v.riga]),
                              std::string_view(testi_).substr(v.inizio, v.lunghezza)});
    }
    righe.riscrivi_molte(sostituzioni, pezzi_per(righe.size()));
  }

 private:
  struct voce {
    std::size_t riga, inizio, lunghezza;
  };
  std::string testi_;
  std::vector<voce> voci_;
};

// The cant field that a freshly built list shows for a section with these slots:
// its whole millimetres.
std::string testo_canonico(const slot_tratto& oggetti) {
  return std::to_string(millimetri_tratto(oggetti));
}

// The cant field of row `riga`: the text after its last TAB.
std::string_view testo_sopraelevazione(const righe_elenco& righe, std::size_t riga) {
  const std::string_view testo = righe[riga];
  return testo.substr(inizio_sopraelevazione(testo));
}

// Removes every cant object of section `tratto`; returns a bit for each slot
// that held one.
std::uint64_t togli_sopraelevazioni(fotografia& tratto) {
  static_assert(slot_esteso <= 64, "one bit per slot");
  std::uint64_t con_sopraelevazione = 0;
  const slot_tratto oggetti = tratto.slot();
  for (std::size_t j = 0; j < oggetti.size(); ++j) {
    j = oggetti.trova([&](const oggetto& o) { return o.tipo == tipo_sopraelevazione; }, j);
    if (j == oggetti.size()) break;
    con_sopraelevazione |= std::uint64_t{1} << j;
  }
  for (std::uint64_t resto = con_sopraelevazione; resto != 0; resto &= resto - 1)
    tratto.imposta(static_cast<std::size_t>(std::countr_zero(resto)), {});
  return con_sopraelevazione;
}

// How many of the slots in `con_sopraelevazione` no longer hold cant in
// `dopo`: what the saved file loses (a cant rewritten in its own slot is not lost).
std::size_t slot_senza_piu_sopraelevazione(const slot_tratto& dopo,
                                           std::uint64_t con_sopraelevazione) {
  std::size_t tolti = 0;
  for (std::uint64_t resto = con_sopraelevazione; resto != 0; resto &= resto - 1)
    tolti += dopo[static_cast<std::size_t>(std::countr_zero(resto))].tipo != tipo_sopraelevazione;
  return tolti;
}

// Section s as it is now (`prima`, with its row's cant field) and a copy of
// its slots to change (`dopo`).
void fotografa(const scenario& store, const righe_elenco& righe, std::int32_t s, fotografia& prima,
               fotografia& dopo) {
  prima.scatta(store, righe, s);
  // The kept slots only: the rest of the array is never read.
  std::copy_n(prima.oggetti.begin(), bit_impostati(prima.presenti), dopo.oggetti.begin());
  dopo.presenti = prima.presenti;
  dopo.numero = prima.numero;
  dopo.con_riga = prima.con_riga;
}

}  // namespace

std::string normalizza_classe(std::string_view testo) {
  const double valore = valore_numerico(testo);
  return valore < 0 ? testo_numero(-valore) : std::string(testo);
}

scenario_aperto::scenario_aperto(scenario store)
    : store_(std::move(store)),
      geometria_(store_),
      righe_(righe_elenco::da_comporre(store_, geometria_.size())) {
  // What the section file holds as far as this program knows: as loaded, or,
  // for a store not loaded from it, the store itself. A store as loaded holds
  // the file's bytes as read: their digest is taken from it when first needed.
  if (!store_.tratti.intatto()) impronta_disco_ = store_.tratti.impronta();
  impronta_viva_salvata_ = store_.tratti.impronta_viva();
  letti_ = store_.letti;
  if (!letti_.tratti.presente && !store_.file_tratti.empty())
    letti_.tratti = identita_di(store_.file_tratti);
  dimensione_disco_ = letti_.tratti.dimensione;
}

void scenario_aperto::componi_righe() const {
  righe_.componi_tutte(store_, geometria_, pezzi_per(righe_.size()));
}

const righe_elenco& scenario_aperto::righe() const {
  componi_righe();
  return righe_;
}

std::string_view scenario_aperto::riga(std::size_t riga) const {
  righe_.componi(riga, store_, geometria_);
  return righe_[riga];
}

scenario_aperto::selezione scenario_aperto::seleziona(std::size_t riga) const {
  if (riga >= righe_.size()) return {};
  const std::string_view testo = this->riga(riga);
  return {testo_numero(valore_numerico(testo)),
          testo_numero(valore_numerico(testo.substr(inizio_sopraelevazione(testo))))};
}

scenario_aperto::esito_tratto scenario_aperto::modifica_tratto(std::size_t riga,
                                                               std::string_view testo) {
  componi_righe();
  // A row whose last TAB is not among its characters 5 onwards (or no row) takes no edit.
  const std::size_t inizio = riga < righe_.size() ? inizio_sopraelevazione(righe_[riga]) : 0;
  if (inizio < 5) return {std::string(testo)};

  const std::int32_t s = tratto_della_riga(riga);
  if (raffica_ && raffica_->riga != riga) termina_modifica_tratto();
  if (!raffica_) {
    const slot_tratto oggetti = store_.tratti.leggi(static_cast<std::size_t>(s)).oggetti;
    raffica_ = raffica{riga, {}, std::string(righe_[riga].substr(inizio))};
    for (const oggetto& o : oggetti) raffica_->oggetti.push_back(o);
  }

  esito_tratto esito{normalizza_tratto(testo)};
  const double valore = valore_numerico(esito.testo);
  if (!scrivi_sopraelevazione(store_, s, valore)) {
    esito.senza_slot = true;
    return esito;
  }
  riscrivi_sopraelevazione(righe_, riga, "", esito.testo);
  verifica_dopo(std::span(&riga, 1), false);

  // The burst's step is the difference from before its first keystroke.
  fotografia prima;
  prima.numero = raffica_->oggetti.size();
  prima.presenti = (std::uint64_t{1} << prima.numero) - 1;
  std::ranges::copy(raffica_->oggetti, prima.oggetti.begin());
  prima.con_riga = true;
  prima.testo = raffica_->testo;
  registrazione passo_tratto(genere_passo::tratto, base_);
  passo_tratto.confronta(prima, store_, testo_sopraelevazione(righe_, riga), s);
  if (raffica_->registrata) {
    if (passo_tratto.vuota()) {
      registro_.togli_ultimo();
      raffica_->registrata = false;
    } else {
      registro_.sostituisci_ultimo(passo_tratto.prendi_passo());
    }
  } else if (!passo_tratto.vuota()) {
    registro_.registra(passo_tratto.prendi_passo());
    raffica_->registrata = true;
  }
  return esito;
}

template <class Conto, class F>
std::vector<Conto> scenario_aperto::rifai_tratti(registrazione& passo, F&& rifai) {
  componi_righe();
  // What each piece of sections found: its changed sections, each with its
  // changed slots, its change for the step and its row's new field, if the
  // row's text changes.
  struct pezzo {
    Conto conto{};
    std::vector<std::int32_t> tratti;
    std::vector<std::size_t> fine_slot, fine_modello, fine_campo;
    std::vector<std::uint8_t> riga_cambiata;
    std::vector<cambio_tratto::slot_cambiato> slot;
    std::string modelli, campi;
    // With the live check on: each changed section as it now reads, for the check.
    std::vector<lettura_tratto> letture;
  };
  const bool per_verifica = verifica_viva_.has_value();
  // Small pieces, taken in turn by the threads as they come free: curves and
  // straights are not spread evenly along a line, nor is a thread started at once.
  const std::size_t numero = store_.tratti.size();
  std::vector<pezzo> pezzi((numero + minimo_per_pezzo - 1) / minimo_per_pezzo);
  in_parallelo_a_turni(
      numero, minimo_per_pezzo, pezzi_per(numero), [&](std::size_t primo, std::size_t fine) {
        pezzo& p = pezzi[primo / minimo_per_pezzo];
        fotografia prima, dopo;
        std::string campo;
        cambio_tratto cambio;
        // Room for every section changing, as a command on every curve does.
        for (auto* v : {&p.fine_slot, &p.fine_modello, &p.fine_campo}) v->reserve(fine - primo);
        p.tratti.reserve(fine - primo);
        p.riga_cambiata.reserve(fine - primo);
        p.slot.reserve(fine - primo);
        if (per_verifica) p.letture.reserve(fine - primo);
        for (std::size_t i = primo; i < fine; ++i) {
          const auto s = static_cast<std::int32_t>(i);
          campo.clear();
          if (!rifai(s, prima, dopo, campo, p.conto)) continue;
          if (!cambio.calcola(prima, dopo.slot(), campo)) continue;
          p.tratti.push_back(s);
          p.slot.insert(p.slot.end(), cambio.cambiati().begin(), cambio.cambiati().end());
          p.fine_slot.push_back(p.slot.size());
          p.modelli += cambio.modello();
          p.fine_modello.push_back(p.modelli.size());
          const bool riga_cambiata = prima.con_riga && campo != prima.testo;
          if (riga_cambiata) p.campi += campo;
          p.fine_campo.push_back(p.campi.size());
          p.riga_cambiata.push_back(riga_cambiata ? 1 : 0);
          if (per_verifica) p.letture.push_back(leggi_tratto(dopo.slot()));
        }
      });

  // In section order: the store on one thread; the base and the step, which
  // do not share anything with it, on another; then the rows and the live check.
  const auto scorri = [&](auto&& tratto) {
    for (pezzo& p : pezzi) {
      std::size_t slot = 0, modello = 0, campo = 0;
      for (std::size_t n = 0; n < p.tratti.size(); ++n) {
        tratto(p, n, std::span(p.slot).subspan(slot, p.fine_slot[n] - slot),
               std::string_view(p.modelli).substr(modello, p.fine_modello[n] - modello),
               std::string_view(p.campi).substr(campo, p.fine_campo[n] - campo));
        slot = p.fine_slot[n];
        modello = p.fine_modello[n];
        campo = p.fine_campo[n];
      }
    }
  };
  campi_nuovi campi;
  std::vector<std::size_t> righe_rifatte;
  std::vector<lettura_tratto> letture_rifatte;
  in_parallelo(2, 2, [&](std::size_t corsia, std::size_t) {
    if (corsia == 0) {
      scorri([&](const pezzo& p, std::size_t n, std::span<const cambio_tratto::slot_cambiato> slot,
                 std::string_view, std::string_view) {
        const auto i = static_cast<std::size_t>(p.tratti[n]);
        for (const cambio_tratto::slot_cambiato& c : slot)
          store_.tratti.imposta_oggetto(i, c.slot, c.ora);
      });
      return;
    }
    scorri([&](const pezzo& p, std::size_t n, std::span<const cambio_tratto::slot_cambiato> slot,
               std::string_view modello, std::string_view campo) {
      const std::int32_t s = p.tratti[n];
      for (const cambio_tratto::slot_cambiato& c : slot)
        base_.annota(static_cast<std::size_t>(s), c.slot, c.prima);
      passo.aggiungi(s, modello);
      if (!tratto_elencato(s, righe_.size())) return;
      righe_rifatte.push_back(riga_del_tratto(s));
      if (per_verifica) letture_rifatte.push_back(p.letture[n]);
      if (p.riga_cambiata[n] != 0) campi.aggiungi(riga_del_tratto(s), campo);
    });
  });
  // The rows laid out anew on both threads, once both have done.
  campi.scrivi(righe_);
  // The check takes the changed sections as they were read here.
  if (verifica_viva_)
    verifica_viva_->sopraelevazioni_cambiate(geometria_, righe_rifatte, letture_rifatte);
  std::vector<Conto> conti;
  for (pezzo& p : pezzi) conti.push_back(std::move(p.conto));
  return conti;
}

scenario_aperto::esito_classi scenario_aperto::applica_classi(
    const std::array<std::string, numero_classi>& testi) {
  termina_modifica_tratto();
  componi_righe();
  esito_classi esito;
  std::array<double, numero_classi> moduli;
  for (std::size_t k = 0; k < numero_classi; ++k) {
    esito.testi[k] = normalizza_per_comando(testi[k]);
    moduli[k] = valore_numerico(esito.testi[k]);
  }

  // Section by section: its cant objects go, then a listed curve outside a
  // junction zone gets the cant of its class. Sections do not depend on each
  // other's cant, so this is the same as removing every cant object first.
  struct conto {
    std::size_t trovati = 0, persi = 0, con = 0, senza = 0;
    std::vector<std::int32_t> posizioni;
  };
  registrazione passo_classi(genere_passo::classi, base_);
  const auto rifai = [&](std::int32_t s, fotografia& prima, fotografia& dopo, std::string& campo,
                         conto& c) {
    fotografa(store_, righe_, s, prima, dopo);
    const std::uint64_t con_sopraelevazione = togli_sopraelevazioni(dopo);
    c.trovati += static_cast<std::size_t>(bit_impostati(con_sopraelevazione));
    if (prima.con_riga) {
      const std::size_t r = riga_del_tratto(s);
      const auto slot = ogg_tipo(dopo.slot(), tipo_vuoto);
      if (!geometria_.curva(r)) {  // straight or junction zone: no cant
        metti_campo(campo, "", "0");
      } else if (!slot) {  // every slot in use by other objects
        metti_campo(campo, "", "0");
        if (c.posizioni.size() < posizioni_senza_slot_riportate)
          c.posizioni.push_back(posizione_tratto(s));
        ++c.senza;
      } else {
        const auto k = static_cast<std::size_t>(geometria_.classe(r));
        // A left-hand bend has its right rail raised.
        const std::int16_t lato = geometria_.raggio(r) > 0 ? 1 : -1;
        oggetto o = dopo.slot()[static_cast<std::size_t>(*slot)];
        codifica_sopraelevazione(o, moduli[k], lato);
        dopo.imposta(static_cast<std::size_t>(*slot), o);
        metti_campo(campo, lato < 0 ? "-" : "", esito.testi[k]);
        ++c.con;
      }
    }
    c.persi += slot_senza_piu_sopraelevazione(dopo.slot(), con_sopraelevazione);
    return true;
  };
  for (const conto& c : rifai_tratti<conto>(passo_classi, rifai)) {
    esito.oggetti_sopraelevazione_trovati += c.trovati;
    esito.oggetti_sopraelevazione_persi += c.persi;
    esito.curve_con_sopraelevazione += c.con;
    esito.curve_senza_slot += c.senza;
    for (const std::int32_t p : c.posizioni)
      if (esito.posizioni_senza_slot.size() < posizioni_senza_slot_riportate)
        esito.posizioni_senza_slot.push_back(p);
  }
  // A command that changed neither the store, nor a row, nor a box makes no step.
  if (!passo_classi.vuota() || esito.testi != testi) {
    passo_classi.in_corso().testi_prima = testi;
    passo_classi.in_corso().testi_dopo = esito.testi;
    registro_.registra(passo_classi.prendi_passo());
  }
  return esito;
}

esito_raccordi scenario_aperto::applica_raccordi(const parametri_progetto& parametri,
                                                 const profilo_velocita& profilo) {
  termina_modifica_tratto();
  componi_righe();
  piano_raccordi piano = progetta_raccordi(store_, geometria_, parametri, profilo);
  registrazione passo_raccordi(genere_passo::raccordi, base_);
  fotografia prima;
  for (const rialzo& r : piano.rialzi) {
    const std::int32_t s = tratto_della_riga(r.riga);
    prima.scatta(store_, righe_, s);
    scrivi_sopraelevazione(store_, s, r.millimetri);
    riscrivi_sopraelevazione(righe_, r.riga, "", std::to_string(r.millimetri));
    passo_raccordi.confronta(prima, store_, testo_sopraelevazione(righe_, r.riga), s);
  }
  if (!passo_raccordi.vuota()) registro_.registra(passo_raccordi.prendi_passo());
  std::vector<std::size_t> rialzate;
  for (const rialzo& r : piano.rialzi) rialzate.push_back(r.riga);
  verifica_dopo(rialzate, true);
  return std::move(piano.esito);
}

esito_raccordi scenario_aperto::applica_raccordi(const parametri_progetto& parametri) {
  return applica_raccordi(parametri, profilo_velocita::da_parametri(parametri));
}

scenario_aperto::esito_progettazione scenario_aperto::progetta(const parametri_progetto& parametri,
                                                               const profilo_velocita& profilo) {
  termina_modifica_tratto();
  componi_righe();
  piano_progetto piano = progetta_linea(store_, geometria_, parametri, profilo);
  esito_progettazione esito{std::move(piano.esito)};

  // Section by section, as the class command: its cant objects go, then a
  // listed section takes its designed cant, if any, in its first free slot.
  registrazione passo_progetto(genere_passo::progetto, base_);
  const auto rifai = [&](std::int32_t s, fotografia& prima, fotografia& dopo, std::string& campo,
                         std::size_t& persi) {
    const bool elencato = tratto_elencato(s, righe_.size());
    // Most straights hold no cant, get none and already show "0": nothing to do.
    if (!elencato || piano.millimetri[riga_del_tratto(s)] == 0) {
      const slot_tratto oggetti = store_.tratti.leggi(static_cast<std::size_t>(s)).oggetti;
      const bool senza_oggetto = oggetti.trova([](const oggetto& o) {
        return o.tipo == tipo_sopraelevazione;
      }) == oggetti.size();
      if (senza_oggetto && (!elencato || testo_sopraelevazione(righe_, riga_del_tratto(s)) == "0"))
        return false;
    }
    fotografa(store_, righe_, s, prima, dopo);
    const std::uint64_t con_sopraelevazione = togli_sopraelevazioni(dopo);
    if (prima.con_riga) {
      const std::int32_t mm = piano.millimetri[riga_del_tratto(s)];
      if (mm != 0) {
        if (const auto scritto = oggetto_sopraelevazione(dopo.slot(), mm))
          dopo.imposta(scritto->first, scritto->second);
      }
      char cifre[16];
      const char* fine = std::to_chars(cifre, cifre + sizeof cifre, mm).ptr;
      campo.assign(cifre, static_cast<std::size_t>(fine - cifre));
    }
    persi += slot_senza_piu_sopraelevazione(dopo.slot(), con_sopraelevazione);
    return true;
  };
  for (const std::size_t persi : rifai_tratti<std::size_t>(passo_progetto, rifai))
    esito.oggetti_sopraelevazione_persi += persi;
  if (!passo_progetto.vuota()) registro_.registra(passo_progetto.prendi_passo());
  return esito;
}

std::vector<problema> scenario_aperto::verifica(const parametri_progetto& parametri) const {
  return verifica(parametri, profilo_velocita::da_parametri(parametri));
}

std::vector<problema> scenario_aperto::verifica(const parametri_progetto& parametri,
                                                const profilo_velocita& profilo) const {
  return verifica_linea(store_, geometria_, parametri, profilo);
}

void scenario_aperto::imposta_verifica_viva(const parametri_progetto& parametri,
                                            const profilo_velocita& profilo) {
  verifica_viva_.emplace(store_, geometria_, parametri, profilo);
}

void scenario_aperto::spegni_verifica_viva() {
  verifica_viva_.reset();
}

const std::vector<problema>& scenario_aperto::problemi_vivi() const {
  static const std::vector<problema> nessuno;
  return verifica_viva_ ? verifica_viva_->problemi() : nessuno;
}

void scenario_aperto::verifica_dopo(std::span<const std::size_t> righe, bool molte) {
  if (!verifica_viva_) return;
  if (molte) {
    verifica_viva_->sopraelevazioni_cambiate(store_, geometria_, righe);
    return;
  }
  for (const std::size_t r : righe) verifica_viva_->riga_cambiata(store_, geometria_, r);
}

void scenario_aperto::termina_modifica_tratto() {
  raffica_.reset();
}

bool scenario_aperto::puo_annullare() const {
  return registro_.puo_annullare();
}

bool scenario_aperto::puo_ripetere() const {
  return registro_.puo_ripetere();
}

std::optional<scenario_aperto::esito_passo> scenario_aperto::annulla() {
  termina_modifica_tratto();
  if (!puo_annullare()) return std::nullopt;
  return ripercorri(registro_.da_annullare(), true);
}

std::optional<scenario_aperto::esito_passo> scenario_aperto::ripeti() {
  termina_modifica_tratto();
  if (!puo_ripetere()) return std::nullopt;
  return ripercorri(registro_.da_ripetere(), false);
}

scenario_aperto::esito_passo scenario_aperto::ripercorri(const passo& p, bool indietro) {
  componi_righe();
  esito_passo esito{p.genere, {}, std::nullopt};
  if (p.genere == genere_passo::classi)
    esito.testi_classi = indietro ? p.testi_prima : p.testi_dopo;

  campi_nuovi campi;
  ripercorri_passo(
      p, indietro, store_.tratti, base_,
      [&](std::int32_t s, bool cambiata, std::optional<std::string_view> testo) {
        if (tratto_elencato(s, righe_.size())) esito.righe.push_back(riga_del_tratto(s));
        if (!cambiata) return;  // the row kept its text
        const std::string canonico =
            testo ? std::string()
                  : testo_canonico(store_.tratti.leggi(static_cast<std::size_t>(s)).oggetti);
        campi.aggiungi(riga_del_tratto(s), testo ? *testo : canonico);
      });
  campi.scrivi(righe_);
  // A single-section step changed cant objects only: its rows alone.
  verifica_dopo(esito.righe, p.genere != genere_passo::tratto);
  return esito;
}

std::size_t scenario_aperto::byte_registro() const {
  return registro_.byte();
}

bool scenario_aperto::modificato() const {
  // The store's digest follows its changes as they are made: no pass over it.
  return store_.tratti.impronta_viva() != impronta_viva_salvata_;
}

std::optional<std::string> scenario_aperto::salva() {
  const esito_salvataggio esito = salva(permessi_salvataggio{});
  if (esito.stato == stato_salvataggio::salvato) return std::nullopt;
  return testo_salvataggio(esito);
}

std::uint64_t scenario_aperto::impronta_disco() const {
  if (!impronta_disco_) {
    // Not saved nor merged since loading: the sections as read.
    const auto letta = store_.tratti.impronta_letta();
    impronta_disco_ = letta ? *letta : store_.tratti.impronta();
  }
  return *impronta_disco_;
}

std::optional<std::string> scenario_aperto::linea_cambiata() const {
  if (store_.file_testata.empty()) return std::nullopt;  // a store not loaded from files
  const identita_file testata = identita_di(store_.file_testata);
  if (!(testata == letti_.testata)) {
    // Written again with the same bytes (as far as loading read them) is no change.
    std::ifstream file(store_.file_testata, std::ios::binary);
    std::vector<std::uint8_t> byte(store_.testata.byte.size() + 1);
    file.read(reinterpret_cast<char*>(byte.data()), static_cast<std::streamsize>(byte.size()));
    byte.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    if (!testata.presente || byte != store_.testata.byte)
      return testo_utf8(store_.file_testata.filename());
    letti_.testata = testata;
  }
  // The line file is far larger than what is kept of it: its identity decides.
  if (!(identita_di(store_.file_linea) == letti_.linea))
    return testo_utf8(store_.file_linea.filename());
  return std::nullopt;
}

scenario_aperto::cambi_su_disco scenario_aperto::controlla_disco() const {
  cambi_su_disco cambi;
  if (auto nome = linea_cambiata()) cambi.file_linea = std::move(*nome);
  if (store_.file_tratti.empty()) return cambi;
  const identita_file tratti = identita_di(store_.file_tratti);
  if (!tratti.presente) {
    cambi.tratti = tratti_su_disco::spariti;
  } else if (!(tratti == letti_.tratti)) {
    // Touched, or written again with the same sections: no change of theirs.
    const auto impronta = impronta_su_disco(store_.file_tratti, store_.tratti);
    if (impronta && *impronta == impronta_disco()) {
      letti_.tratti = tratti;
    } else {
      cambi.tratti = tratti_su_disco::modificati;
    }
  }
  return cambi;
}

scenario_aperto::esito_salvataggio scenario_aperto::salva(const permessi_salvataggio& permessi) {
  esito_salvataggio esito;
  esito.file = testo_utf8(store_.file_tratti.filename());
  if (!permessi.linea_cambiata) {
    if (auto nome = linea_cambiata()) {
      esito.stato = stato_salvataggio::linea_cambiata;
      esito.file = std::move(*nome);
      return esito;
    }
  }
  opzioni_salvataggio opzioni;
  std::uint64_t scritta = 0;
  bool fermato = false;
  opzioni.impronta = &scritta;
  opzioni.fermato = &fermato;
  if (!store_.file_tratti.empty() && !identita_di(store_.file_tratti).presente) {
    if (!permessi.ricrea) {
      esito.stato = stato_salvataggio::sparito;
      return esito;
    }
    opzioni.crea = true;
  }
  // Just before the new content takes the file's place: the file must still
  // hold what was last read or written here. A file that cannot be read is
  // left to saving, which says why.
  opzioni.prima_di_sostituire = [this] {
    const auto impronta = impronta_su_disco(store_.file_tratti, store_.tratti);
    return !impronta || *impronta == impronta_disco();
  };
  // Another program may write again while the merge is saved: a few rounds.
  constexpr int tentativi = 3;
  for (int tentativo = 0; tentativo < tentativi; ++tentativo) {
    fermato = false;
    if (auto errore = salva_tratti(store_, opzioni)) {
      esito.stato = stato_salvataggio::errore;
      esito.errore = std::move(*errore);
      return esito;
    }
    if (!fermato) {
      impronta_viva_salvata_ = store_.tratti.impronta_viva();
      impronta_disco_ = scritta;
      base_.svuota();
      letti_.tratti = identita_di(store_.file_tratti);
      dimensione_disco_ = letti_.tratti.dimensione;
      return esito;
    }
    const esito_unione unione =
        unisci_con_file(store_.file_tratti, store_.tratti, base_, dimensione_disco_);
    if (unione.errore) {
      esito.stato = stato_salvataggio::errore;
      esito.errore = "Impossibile leggere il file " + esito.file + ": " +
                     motivo_errore(unione.errore) + ". Il file non è stato modificato.";
      return esito;
    }
    if (unione.estraneo != motivo_estraneo::nessuno) {
      // Replaced, the foreign file leaves nothing of its own behind.
      opzioni.senza_oltre = true;
      if (!permessi.sovrascrivi) {
        esito.stato = stato_salvataggio::conflitto;
        esito.estraneo = unione.estraneo;
        esito.byte_estraneo = unione.dimensione;
        esito.record_linea = store_.tratti.size();
        esito.byte_record = store_.tratti.byte_record();
        return esito;
      }
    } else {
      const std::vector<std::int32_t> conflitto = unione.tratti_in_conflitto();
      if (!conflitto.empty() && !permessi.sovrascrivi) {
        esito.stato = stato_salvataggio::conflitto;
        esito.tratti_in_conflitto = conflitto.size();
        for (std::size_t k = 0; k < std::min(conflitto.size(), posizioni_senza_slot_riportate); ++k)
          esito.posizioni.push_back(posizione_tratto(conflitto[k]));
        return esito;
      }
      prendi_loro(unione);
      esito.unito = true;
      esito.tratti_uniti += unione.tratti_presi;
    }
    // What the file holds now is what the next check expects.
    impronta_disco_ = unione.impronta;
    dimensione_disco_ = unione.dimensione;
    letti_.tratti = unione.identita;
  }
  esito.stato = stato_salvataggio::errore;
  esito.errore = "Il file " + esito.file +
                 " continua a essere modificato da un altro programma: non è stato salvato. "
                 "Riprovare quando l'altro programma ha finito.";
  return esito;
}

void scenario_aperto::prendi_loro(const esito_unione& unione) {
  // A burst of typing in progress would count the file's slots as its own.
  termina_modifica_tratto();
  componi_righe();
  bool bivi = false;  // a junction came or went: the junction zones change
  for (const esito_unione::slot_loro& p : unione.da_prendere) {
    const oggetto prima = store_.tratti.leggi(p.tratto).oggetti[p.slot];
    bivi = bivi || prima.tipo == tipo_bivio || p.valore.tipo == tipo_bivio;
    store_.tratti.imposta_oggetto(p.tratto, p.slot, p.valore);
  }
  for (const auto& [s, coda] : unione.code)
    std::ranges::copy(coda, store_.tratti.apri(s).coda_tratto.begin());
  base_.riallinea(unione.loro_alla_base, store_.tratti);
  registro_.togli_slot(unione.da_prendere);
  if (bivi) {
    geometria_ = geometria_linea(store_);
    righe_ = righe_elenco::da_comporre(store_, geometria_.size());
    if (verifica_viva_) verifica_viva_->ricalcola(store_, geometria_);
    return;
  }
  if (verifica_viva_) verifica_viva_->sopraelevazioni_cambiate(store_, geometria_);
  for (std::size_t k = 0; k < unione.da_prendere.size(); ++k) {
    const auto s = static_cast<std::int32_t>(unione.da_prendere[k].tratto);
    if ((k > 0 && unione.da_prendere[k - 1].tratto == unione.da_prendere[k].tratto) ||
        !tratto_elencato(s, righe_.size()))
      continue;
    riscrivi_sopraelevazione(
        righe_, riga_del_tratto(s), "",
        testo_canonico(store_.tratti.leggi(unione.da_prendere[k].tratto).oggetti));
  }
}

scenario_caricato apri_scenario(const std::filesystem::path& file_testata) {
  scenario_caricato esito;
  scenario store;
  esito.errore = carica_scenario(file_testata, store, &esito.dettagli);
  if (!esito.errore) esito.aperto = std::make_unique<scenario_aperto>(std::move(store));
  return esito;
}

}  // namespace sopra
