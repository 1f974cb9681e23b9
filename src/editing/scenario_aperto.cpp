#include "editing/scenario_aperto.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <unordered_map>
#include <utility>

#include "analysis/bivio.hpp"
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

// Replaces the cant field of row `riga` by `prefisso` and `testo`. A TAB or line
// break (a carriage return too) in the text becomes a blank, so that the cant
// stays the text after the row's last TAB and a row stays one line.
void riscrivi_sopraelevazione(righe_elenco& righe, std::size_t riga, std::string_view prefisso,
                              std::string_view testo) {
  // A command's field is a few characters: made on the stack, a typed one may be longer.
  std::array<char, 32> corto;
  std::string lungo;
  const std::size_t lunghezza = prefisso.size() + testo.size();
  char* campo = corto.data();
  if (lunghezza > corto.size()) {
    lungo.resize(lunghezza);
    campo = lungo.data();
  }
  char* c = std::copy(prefisso.begin(), prefisso.end(), campo);
  for (const char t : testo) *c++ = t == '\r' || carattere_ignorato(t) ? ' ' : t;
  righe.riscrivi(riga, inizio_sopraelevazione(righe[riga]), std::string_view(campo, lunghezza));
}

// Unsigned integers in the journal: 7 bits a byte, low bits first, the top bit
// set on every byte but the last.
template <class Bytes>
void scrivi_varint(Bytes& uscita, std::uint64_t valore) {
  while (valore >= 0x80) {
    uscita.push_back(static_cast<typename Bytes::value_type>((valore & 0x7F) | 0x80));
    valore >>= 7;
  }
  uscita.push_back(static_cast<typename Bytes::value_type>(valore));
}
std::uint64_t leggi_varint(const std::uint8_t*& byte) {
  std::uint64_t valore = 0;
  for (int spostamento = 0;; spostamento += 7) {
    const std::uint8_t b = *byte++;
    valore |= static_cast<std::uint64_t>(b & 0x7F) << spostamento;
    if ((b & 0x80) == 0) return valore;
  }
}

// The cant field that a freshly built list shows for a section with these slots:
// its whole millimetres.
std::string testo_canonico(const slot_tratto& oggetti) {
  return std::to_string(millimetri_tratto(oggetti));
}

// A section as it was before a change: its slots (the kept ones, as the store
// keeps them) and its row's cant field.
struct fotografia {
  std::array<oggetto, slot_esteso> oggetti;  // the slots of `presenti`, in slot order
  std::uint64_t presenti = 0;
  std::size_t numero = 0;
  bool con_riga = false;
  std::string testo;

  slot_tratto slot() const { return {oggetti.data(), presenti, numero}; }

  void scatta(const scenario& store, const righe_elenco& righe, std::int32_t s) {
    const slot_tratto slot = store.tratti[static_cast<std::size_t>(s)].oggetti;
    numero = slot.size();
    presenti = slot.presenti();
    std::copy_n(slot.dati(), bit_impostati(presenti), oggetti.begin());
    con_riga = tratto_elencato(s, righe.size());
    if (!con_riga) return;
    const std::string_view riga = righe[riga_del_tratto(s)];
    testo.assign(riga.substr(inizio_sopraelevazione(riga)));
  }
};

// A 64-bit hash of a change, for finding equal ones.
std::uint64_t impronta_modello(std::string_view modello) {
  std::uint64_t h = modello.size() * 0x9E3779B97F4A7C15u;
  for (std::size_t k = 0; k < modello.size(); k += 8) {
    std::uint64_t parola = 0;
    std::memcpy(&parola, modello.data() + k, std::min<std::size_t>(8, modello.size() - k));
    h = (h ^ parola) * 0xFF51AFD7ED558CCDu;
    h ^= h >> 32;
  }
  return h;
}

// A row's cant field in a change: 0 when it is the canonical text, else its
// length + 1 and its characters.
void scrivi_testo(std::string& modello, std::string_view testo, bool canonico) {
  if (canonico) {
    modello.push_back(0);
    return;
  }
  scrivi_varint(modello, testo.size() + 1);
  modello += testo;
}

// The cant field of row `riga`: the text after its last TAB.
std::string_view testo_sopraelevazione(const righe_elenco& righe, std::size_t riga) {
  const std::string_view testo = righe[riga];
  return testo.substr(inizio_sopraelevazione(testo));
}

// Removes every cant object of section i; returns a bit for each slot that held one.
std::uint64_t togli_sopraelevazioni(scenario& store, std::size_t i) {
  static_assert(slot_esteso <= 64, "one bit per slot");
  std::uint64_t con_sopraelevazione = 0;
  const slot_tratto oggetti = store.tratti.leggi(i).oggetti;
  for (std::size_t j = 0; j < oggetti.size(); ++j) {
    j = oggetti.trova([&](const oggetto& o) { return o.tipo == tipo_sopraelevazione; }, j);
    if (j == oggetti.size()) break;
    con_sopraelevazione |= std::uint64_t{1} << j;
  }
  for (std::uint64_t resto = con_sopraelevazione; resto != 0; resto &= resto - 1)
    store.tratti.imposta_oggetto(i, static_cast<std::size_t>(std::countr_zero(resto)), {});
  return con_sopraelevazione;
}

// How many of the slots of section i in `con_sopraelevazione` no longer hold
// cant: what the saved file loses (a cant rewritten in its own slot is not lost).
std::size_t slot_senza_piu_sopraelevazione(const scenario& store, std::size_t i,
                                           std::uint64_t con_sopraelevazione) {
  std::size_t tolti = 0;
  const slot_tratto dopo = store.tratti[i].oggetti;
  for (std::uint64_t resto = con_sopraelevazione; resto != 0; resto &= resto - 1)
    tolti += dopo[static_cast<std::size_t>(std::countr_zero(resto))].tipo != tipo_sopraelevazione;
  return tolti;
}

}  // namespace

// Builds one step: for each changed section, in ascending order, a change
// (modello) made of
//   the number of changed slots; for each, its number and the XOR of its 10
//   old and 10 new bytes as the section file holds them;
//   1 and the row's old and new cant fields (scrivi_testo) when the row's text
//   changed, else 0.
// XOR takes the slots back as well as forward. Equal changes are stored once.
class scenario_aperto::registrazione {
 public:
  // Every changed slot's old bytes also go to `base` (base_tratti::annota).
  registrazione(genere_passo genere, base_tratti& base) : base_(base) { passo_.genere = genere; }

  // Compares section s now with `prima` and records the difference, if any.
  void confronta(const fotografia& prima, const scenario& store, const righe_elenco& righe,
                 std::int32_t s) {
    const slot_tratto letti = store.tratti[static_cast<std::size_t>(s)].oggetti;
    const slot_tratto vecchi = prima.slot();
    modello_.assign(1, 0);
    std::uint8_t cambiati = 0;
    // A slot kept neither before nor now is empty in both; the kept slots of
    // both are walked side by side, in slot order.
    const oggetto* dato_prima = vecchi.dati();
    const oggetto* dato_ora = letti.dati();
    for (std::uint64_t resto = letti.presenti() | vecchi.presenti(); resto != 0;
         resto &= resto - 1) {
      const auto j = static_cast<std::size_t>(std::countr_zero(resto));
      const std::uint64_t bit = resto & (~resto + 1);
      const oggetto prima_j = (vecchi.presenti() & bit) != 0 ? *dato_prima++ : oggetto{};
      const oggetto ora_j = (letti.presenti() & bit) != 0 ? *dato_ora++ : oggetto{};
      if (ora_j == prima_j) continue;
      std::array<std::uint8_t, byte_oggetto> vecchio, nuovo;
      codifica_oggetto(prima_j, vecchio.data());
      codifica_oggetto(ora_j, nuovo.data());
      base_.annota(static_cast<std::size_t>(s), j, prima_j);
      modello_.push_back(static_cast<char>(j));
      for (std::size_t b = 0; b < byte_oggetto; ++b)
        modello_.push_back(static_cast<char>(vecchio[b] ^ nuovo[b]));
      ++cambiati;
    }
    modello_[0] = static_cast<char>(cambiati);
    bool riga_cambiata = false;
    if (prima.con_riga) {
      const std::string_view riga = righe[riga_del_tratto(s)];
      const std::string_view testo = riga.substr(inizio_sopraelevazione(riga));
      riga_cambiata = testo != prima.testo;
      modello_.push_back(riga_cambiata ? 1 : 0);
      if (riga_cambiata) {
        scrivi_testo(modello_, prima.testo, canonico(prima.testo, vecchi));
        scrivi_testo(modello_, testo, canonico(testo, letti));
      }
    } else {
      modello_.push_back(0);
    }
    if (cambiati == 0 && !riga_cambiata) return;

    scrivi_varint(passo_.voci, static_cast<std::uint64_t>(s - ultimo_));
    scrivi_varint(passo_.voci, indice_del_modello());
    ultimo_ = s;
  }

  bool vuota() const { return passo_.voci.empty(); }

  passo chiudi() {
    passo_.voci.shrink_to_fit();
    passo_.modelli.shrink_to_fit();
    return std::move(passo_);
  }

  passo& in_corso() { return passo_; }

 private:
  // The index of modello_ among the step's changes, added when new. The
  // changes are found by hash in an open-addressed table of their indices + 1
  // (0 = free), kept at most half full.
  std::uint32_t indice_del_modello() {
    if (2 * (passo_.modelli.size() + 1) > indici_.size()) {
      std::vector<std::uint32_t> vecchi(std::max<std::size_t>(64, 2 * indici_.size()), 0);
      vecchi.swap(indici_);
      for (const std::uint32_t v : vecchi)
        if (v != 0) indici_[posto_libero(impronta_modello(passo_.modelli[v - 1]))] = v;
    }
    const std::size_t maschera = indici_.size() - 1;
    for (std::size_t k = impronta_modello(modello_) & maschera;; k = (k + 1) & maschera) {
      const std::uint32_t v = indici_[k];
      if (v == 0) {
        passo_.modelli.push_back(modello_);
        indici_[k] = static_cast<std::uint32_t>(passo_.modelli.size());
        return indici_[k] - 1;
      }
      if (passo_.modelli[v - 1] == modello_) return v - 1;
    }
  }
  std::size_t posto_libero(std::uint64_t h) const {
    const std::size_t maschera = indici_.size() - 1;
    std::size_t k = h & maschera;
    while (indici_[k] != 0) k = (k + 1) & maschera;
    return k;
  }

  // Whether `testo` is testo_canonico(oggetti). The millimetres of the cant
  // values met last are kept (a command writes few values on many sections):
  // the same figure as millimetri_tratto, from the same lowest cant object.
  bool canonico(std::string_view testo, const slot_tratto& oggetti) {
    const std::size_t j =
        oggetti.trova([](const oggetto& o) { return o.tipo == tipo_sopraelevazione; });
    std::int32_t millimetri = 0;
    if (j != oggetti.size()) {
      const std::int16_t centesimi = centesimi_oggetto(*oggetti.occupato(j));
      millimetro& m = millimetri_[static_cast<std::uint16_t>(centesimi) % millimetri_.size()];
      if (!m.valido || m.centesimi != centesimi)
        m = {centesimi, static_cast<std::int32_t>(rendimillimetri(centesimi)), true};
      millimetri = m.millimetri;
    }
    char cifre[16];
    const char* fine = std::to_chars(cifre, cifre + sizeof cifre, millimetri).ptr;
    return testo == std::string_view(cifre, static_cast<std::size_t>(fine - cifre));
  }
  struct millimetro {
    std::int16_t centesimi = 0;
    std::int32_t millimetri = 0;
    bool valido = false;
  };
  std::array<millimetro, 64> millimetri_{};

  base_tratti& base_;
  passo passo_;
  std::vector<std::uint32_t> indici_;
  std::string modello_;
  std::int32_t ultimo_ = 0;
};

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
  if (raffica_ && raffica_->riga != riga) chiudi_passo();
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
  passo_tratto.confronta(prima, store_, righe_, s);
  if (raffica_->registrata) {
    if (passo_tratto.vuota()) {
      passi_.pop_back();
      --passi_fatti_;
      raffica_->registrata = false;
    } else {
      passi_.back() = passo_tratto.chiudi();
    }
  } else if (!passo_tratto.vuota()) {
    registra(passo_tratto.chiudi());
    raffica_->registrata = true;
  }
  return esito;
}

scenario_aperto::esito_classi scenario_aperto::applica_classi(
    const std::array<std::string, numero_classi>& testi) {
  chiudi_passo();
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
  registrazione passo_classi(genere_passo::classi, base_);
  fotografia prima;
  for (std::size_t i = 0; i < store_.tratti.size(); ++i) {
    const auto s = static_cast<std::int32_t>(i);
    prima.scatta(store_, righe_, s);
    const std::uint64_t con_sopraelevazione = togli_sopraelevazioni(store_, i);
    esito.oggetti_rimossi += static_cast<std::size_t>(bit_impostati(con_sopraelevazione));
    if (prima.con_riga) {
      const std::size_t r = riga_del_tratto(s);
      const auto slot = ogg_tipo(store_, s, tipo_vuoto);
      if (!geometria_.curva(r)) {  // straight or junction zone: no cant
        riscrivi_sopraelevazione(righe_, r, "", "0");
      } else if (!slot) {  // every slot in use by other objects
        riscrivi_sopraelevazione(righe_, r, "", "0");
        if (esito.posizioni_senza_slot.size() < posizioni_senza_slot_riportate)
          esito.posizioni_senza_slot.push_back(posizione_tratto(s));
        ++esito.curve_senza_slot;
      } else {
        const auto k = static_cast<std::size_t>(geometria_.classe(r));
        // A left-hand bend has its right rail raised.
        const std::int16_t lato = geometria_.raggio(r) > 0 ? 1 : -1;
        oggetto o = store_.tratti.leggi(i).oggetti[static_cast<std::size_t>(*slot)];
        codifica_sopraelevazione(o, moduli[k], lato);
        store_.tratti.imposta_oggetto(i, static_cast<std::size_t>(*slot), o);
        riscrivi_sopraelevazione(righe_, r, lato < 0 ? "-" : "", esito.testi[k]);
        ++esito.curve_con_sopraelevazione;
      }
    }
    esito.oggetti_tolti += slot_senza_piu_sopraelevazione(store_, i, con_sopraelevazione);
    passo_classi.confronta(prima, store_, righe_, s);
  }
  // A command that changed neither the store, nor a row, nor a box makes no step.
  if (!passo_classi.vuota() || esito.testi != testi) {
    passo_classi.in_corso().testi_prima = testi;
    passo_classi.in_corso().testi_dopo = esito.testi;
    registra(passo_classi.chiudi());
  }
  verifica_dopo({}, true);
  return esito;
}

esito_raccordi scenario_aperto::applica_raccordi(const parametri_progetto& parametri,
                                                 const profilo_velocita& profilo) {
  chiudi_passo();
  componi_righe();
  piano_raccordi piano = progetta_raccordi(store_, geometria_, parametri, profilo);
  registrazione passo_raccordi(genere_passo::raccordi, base_);
  fotografia prima;
  for (const rialzo& r : piano.rialzi) {
    const std::int32_t s = tratto_della_riga(r.riga);
    prima.scatta(store_, righe_, s);
    scrivi_sopraelevazione(store_, s, r.millimetri);
    riscrivi_sopraelevazione(righe_, r.riga, "", std::to_string(r.millimetri));
    passo_raccordi.confronta(prima, store_, righe_, s);
  }
  if (!passo_raccordi.vuota()) registra(passo_raccordi.chiudi());
  verifica_dopo({}, true);
  return std::move(piano.esito);
}

esito_raccordi scenario_aperto::applica_raccordi(const parametri_progetto& parametri) {
  return applica_raccordi(parametri, profilo_velocita::da_parametri(parametri));
}

scenario_aperto::esito_progettazione scenario_aperto::progetta(const parametri_progetto& parametri,
                                                               const profilo_velocita& profilo) {
  chiudi_passo();
  componi_righe();
  piano_progetto piano = progetta_linea(store_, geometria_, parametri, profilo);
  esito_progettazione esito{std::move(piano.esito)};

  // Section by section, as the class command: its cant objects go, then a
  // listed section takes its designed cant, if any, in its first free slot.
  registrazione passo_progetto(genere_passo::progetto, base_);
  fotografia prima;
  for (std::size_t i = 0; i < store_.tratti.size(); ++i) {
    const auto s = static_cast<std::int32_t>(i);
    const bool elencato = tratto_elencato(s, righe_.size());
    // Most straights hold no cant, get none and already show "0": nothing to do.
    if (!elencato || piano.millimetri[riga_del_tratto(s)] == 0) {
      const slot_tratto oggetti = store_.tratti.leggi(i).oggetti;
      const bool senza_oggetto = oggetti.trova([](const oggetto& o) {
        return o.tipo == tipo_sopraelevazione;
      }) == oggetti.size();
      if (senza_oggetto && (!elencato || testo_sopraelevazione(righe_, riga_del_tratto(s)) == "0"))
        continue;
    }
    prima.scatta(store_, righe_, s);
    const std::uint64_t con_sopraelevazione = togli_sopraelevazioni(store_, i);
    if (prima.con_riga) {
      const std::size_t r = riga_del_tratto(s);
      const std::int32_t mm = piano.millimetri[r];
      if (mm != 0) scrivi_sopraelevazione(store_, s, mm);
      riscrivi_sopraelevazione(righe_, r, "", std::to_string(mm));
    }
    esito.oggetti_tolti += slot_senza_piu_sopraelevazione(store_, i, con_sopraelevazione);
    passo_progetto.confronta(prima, store_, righe_, s);
  }
  if (!passo_progetto.vuota()) registra(passo_progetto.chiudi());
  verifica_dopo({}, true);
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

void scenario_aperto::verifica_dopo(std::span<const std::size_t> righe, bool tutte) {
  if (!verifica_viva_) return;
  if (tutte) {
    verifica_viva_->ricalcola(store_, geometria_);
    return;
  }
  for (const std::size_t r : righe) verifica_viva_->riga_cambiata(store_, geometria_, r);
}

void scenario_aperto::registra(passo nuovo) {
  passi_.resize(passi_fatti_);
  passi_.push_back(std::move(nuovo));
  passi_fatti_ = passi_.size();
}

void scenario_aperto::chiudi_passo() {
  raffica_.reset();
}

bool scenario_aperto::puo_annullare() const {
  return passi_fatti_ > 0;
}

bool scenario_aperto::puo_ripetere() const {
  return passi_fatti_ < passi_.size();
}

std::optional<scenario_aperto::esito_passo> scenario_aperto::annulla() {
  chiudi_passo();
  if (!puo_annullare()) return std::nullopt;
  return ripercorri(passi_[--passi_fatti_], true);
}

std::optional<scenario_aperto::esito_passo> scenario_aperto::ripeti() {
  chiudi_passo();
  if (!puo_ripetere()) return std::nullopt;
  return ripercorri(passi_[passi_fatti_++], false);
}

scenario_aperto::esito_passo scenario_aperto::ripercorri(const passo& p, bool indietro) {
  componi_righe();
  esito_passo esito{p.genere, {}, std::nullopt};
  if (p.genere == genere_passo::classi)
    esito.testi_classi = indietro ? p.testi_prima : p.testi_dopo;

  const std::uint8_t* voce = p.voci.data();
  const std::uint8_t* const fine = voce + p.voci.size();
  std::int32_t s = 0;
  while (voce < fine) {
    s += static_cast<std::int32_t>(leggi_varint(voce));
    const std::string& modello = p.modelli[leggi_varint(voce)];
    const auto* byte = reinterpret_cast<const std::uint8_t*>(modello.data());

    const auto i = static_cast<std::size_t>(s);
    for (std::uint8_t cambiati = *byte++; cambiati > 0; --cambiati) {
      const std::size_t j = *byte++;
      std::array<std::uint8_t, byte_oggetto> codificato;
      const oggetto prima = store_.tratti.leggi(i).oggetti[j];
      base_.annota(i, j, prima);
      codifica_oggetto(prima, codificato.data());
      for (std::uint8_t& b : codificato) b ^= *byte++;
      store_.tratti.imposta_oggetto(i, j, decodifica_oggetto(codificato.data()));
    }
    const slot_tratto oggetti = store_.tratti.leggi(i).oggetti;
    if (tratto_elencato(s, righe_.size())) esito.righe.push_back(riga_del_tratto(s));
    if (*byte++ == 0) continue;  // the row kept its text

    // The old field comes first, then the new one; empty stands for the canonical text.
    std::optional<std::string_view> testi[2];
    for (auto& testo : testi) {
      const std::uint64_t lunghezza = leggi_varint(byte);
      if (lunghezza == 0) continue;
      testo = std::string_view(reinterpret_cast<const char*>(byte), lunghezza - 1);
      byte += lunghezza - 1;
    }
    const auto& testo = testi[indietro ? 0 : 1];
    const std::string canonico = testo ? std::string() : testo_canonico(oggetti);
    riscrivi_sopraelevazione(righe_, riga_del_tratto(s), "", testo ? *testo : canonico);
  }
  // A single-section step changed cant objects only: its rows alone.
  verifica_dopo(esito.righe, p.genere != genere_passo::tratto);
  return esito;
}

std::size_t scenario_aperto::byte_registro() const {
  std::size_t byte = passi_.capacity() * sizeof(passo);
  for (const passo& p : passi_) {
    byte += p.voci.capacity() + p.modelli.capacity() * sizeof(std::string);
    for (const std::string& m : p.modelli)
      if (m.capacity() > std::string().capacity()) byte += m.capacity() + 1;
    for (const auto* testi : {&p.testi_prima, &p.testi_dopo})
      for (const std::string& t : *testi)
        if (t.capacity() > std::string().capacity()) byte += t.capacity() + 1;
  }
  return byte;
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
  chiudi_passo();
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
  togli_dai_passi(unione.da_prendere);
  if (bivi) {
    geometria_ = geometria_linea(store_);
    righe_ = righe_elenco::da_comporre(store_, geometria_.size());
    verifica_dopo({}, true);
    return;
  }
  verifica_dopo({}, true);
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

void scenario_aperto::togli_dai_passi(const std::vector<esito_unione::slot_loro>& presi) {
  if (presi.empty()) return;
  const auto preso = [&](std::int32_t s, std::size_t j) {
    const auto chiave = std::pair(static_cast<std::uint32_t>(s), j);
    return std::ranges::binary_search(presi, chiave, {}, [](const esito_unione::slot_loro& p) {
      return std::pair(p.tratto, static_cast<std::size_t>(p.slot));
    });
  };
  for (passo& p : passi_) {
    passo nuovo;
    nuovo.genere = p.genere;
    nuovo.testi_prima = p.testi_prima;
    nuovo.testi_dopo = p.testi_dopo;
    std::unordered_map<std::string, std::uint32_t> indici;
    const std::uint8_t* voce = p.voci.data();
    const std::uint8_t* const fine = voce + p.voci.size();
    std::int32_t s = 0;
    std::int32_t ultimo = 0;
    while (voce < fine) {
      s += static_cast<std::int32_t>(leggi_varint(voce));
      const std::string& modello = p.modelli[leggi_varint(voce)];
      // The change without the slots taken from the file (see registrazione).
      std::string tenuto(1, 0);
      std::size_t pos = 1;
      std::uint8_t tenuti = 0;
      for (auto cambiati = static_cast<std::uint8_t>(modello[0]); cambiati > 0; --cambiati) {
        const auto j = static_cast<std::uint8_t>(modello[pos]);
        if (!preso(s, j)) {
          tenuto.append(modello, pos, 1 + byte_oggetto);
          ++tenuti;
        }
        pos += 1 + byte_oggetto;
      }
      tenuto[0] = static_cast<char>(tenuti);
      tenuto.append(modello, pos);
      if (tenuti == 0 && modello[pos] == 0) continue;  // nothing of this program's left
      const auto [indice, aggiunto] =
          indici.try_emplace(tenuto, static_cast<std::uint32_t>(nuovo.modelli.size()));
      if (aggiunto) nuovo.modelli.push_back(tenuto);
      scrivi_varint(nuovo.voci, static_cast<std::uint64_t>(s - ultimo));
      scrivi_varint(nuovo.voci, indice->second);
      ultimo = s;
    }
    nuovo.voci.shrink_to_fit();
    p = std::move(nuovo);
  }
  // A step left with no change stays: undo of it changes nothing, and the
  // buttons keep the steps the user counted.
}

}  // namespace sopra
