#include "editing/registro.hpp"

#include <bit>
#include <charconv>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "analysis/sopraelevazione.hpp"

namespace sopra {

namespace {

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

}  // namespace

bool cambio_tratto::calcola(const fotografia& prima, const slot_tratto& ora,
                            std::string_view testo) {
  const slot_tratto vecchi = prima.slot();
  modello_.assign(1, 0);
  numero_cambiati_ = 0;
  // A slot kept neither before nor now is empty in both; the kept slots of
  // both are walked side by side, in slot order.
  const oggetto* dato_prima = vecchi.dati();
  const oggetto* dato_ora = ora.dati();
  for (std::uint64_t resto = ora.presenti() | vecchi.presenti(); resto != 0; resto &= resto - 1) {
    const auto j = static_cast<std::size_t>(std::countr_zero(resto));
    const std::uint64_t bit = resto & (~resto + 1);
    const oggetto prima_j = (vecchi.presenti() & bit) != 0 ? *dato_prima++ : oggetto{};
    const oggetto ora_j = (ora.presenti() & bit) != 0 ? *dato_ora++ : oggetto{};
    if (ora_j == prima_j) continue;
    std::array<std::uint8_t, byte_oggetto> vecchio, nuovo;
    codifica_oggetto(prima_j, vecchio.data());
    codifica_oggetto(ora_j, nuovo.data());
    cambiati_[numero_cambiati_++] = {static_cast<std::uint8_t>(j), prima_j, ora_j};
    char xor_byte[1 + byte_oggetto];
    xor_byte[0] = static_cast<char>(j);
    for (std::size_t b = 0; b < byte_oggetto; ++b)
      xor_byte[1 + b] = static_cast<char>(vecchio[b] ^ nuovo[b]);
    modello_.append(xor_byte, sizeof xor_byte);
  }
  modello_[0] = static_cast<char>(numero_cambiati_);
  bool riga_cambiata = false;
  if (prima.con_riga) {
    riga_cambiata = testo != prima.testo;
    modello_.push_back(riga_cambiata ? 1 : 0);
    if (riga_cambiata) {
      scrivi_testo(modello_, prima.testo, canonico(prima.testo, vecchi));
      scrivi_testo(modello_, testo, canonico(testo, ora));
    }
  } else {
    modello_.push_back(0);
  }
  return numero_cambiati_ > 0 || riga_cambiata;
}

void registrazione::confronta(const fotografia& prima, const scenario& store,
                              std::string_view testo, std::int32_t s) {
  if (!cambio_.calcola(prima, store.tratti[static_cast<std::size_t>(s)].oggetti, testo)) return;
  for (const cambio_tratto::slot_cambiato& c : cambio_.cambiati())
    base_.annota(static_cast<std::size_t>(s), c.slot, c.prima);
  aggiungi(s, cambio_.modello());
}

void registrazione::aggiungi(std::int32_t s, std::string_view modello) {
  scrivi_varint(passo_.voci, static_cast<std::uint64_t>(s - ultimo_));
  scrivi_varint(passo_.voci, indice_del_modello(modello));
  ultimo_ = s;
}

// The index of `modello` among the step's changes, added when new. The
// changes are found by hash in an open-addressed table of their indices + 1
// (0 = free), kept at most half full.
std::uint32_t registrazione::indice_del_modello(std::string_view modello) {
  if (2 * (passo_.modelli.size() + 1) > indici_.size()) {
    std::vector<std::uint32_t> vecchi(std::max<std::size_t>(64, 2 * indici_.size()), 0);
    vecchi.swap(indici_);
    for (const std::uint32_t v : vecchi)
      if (v != 0) indici_[posto_libero(impronta_modello(passo_.modelli[v - 1]))] = v;
  }
  const std::size_t maschera = indici_.size() - 1;
  for (std::size_t k = impronta_modello(modello) & maschera;; k = (k + 1) & maschera) {
    const std::uint32_t v = indici_[k];
    if (v == 0) {
      passo_.modelli.emplace_back(modello);
      indici_[k] = static_cast<std::uint32_t>(passo_.modelli.size());
      return indici_[k] - 1;
    }
    if (passo_.modelli[v - 1] == modello) return v - 1;
  }
}

std::size_t registrazione::posto_libero(std::uint64_t h) const {
  const std::size_t maschera = indici_.size() - 1;
  std::size_t k = h & maschera;
  while (indici_[k] != 0) k = (k + 1) & maschera;
  return k;
}

// Whether `testo` is the canonical text of `oggetti` (their whole millimetres).
// The millimetres of the cant values met last are kept (a command writes few
// values on many sections): the same figure as millimetri_tratto, from the
// same lowest cant object.
bool cambio_tratto::canonico(std::string_view testo, const slot_tratto& oggetti) {
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

void registro::registra(passo nuovo) {
  passi_.resize(fatti_);
  passi_.push_back(std::move(nuovo));
  fatti_ = passi_.size();
}

void registro::sostituisci_ultimo(passo nuovo) {
  passi_.back() = std::move(nuovo);
}

void registro::togli_ultimo() {
  passi_.pop_back();
  --fatti_;
}

std::size_t registro::byte() const {
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

void registro::togli_slot(const std::vector<esito_unione::slot_loro>& presi) {
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
