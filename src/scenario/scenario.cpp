#include "scenario/scenario.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace sopra {

namespace {

// A bijection of 64-bit words that spreads every input bit over the output.
constexpr std::uint64_t rimescola(std::uint64_t x) {
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDu;
  x ^= x >> 33;
  x *= 0xC4CEB9FE1A85EC53u;
  return x ^ (x >> 33);
}

// The keyed hash of `byte` (at most 10) at place `chiave`: 0 for zero bytes,
// so that an empty slot counts as nothing; for one key a bijection of the
// first 8 bytes, so that two values of one slot that differ there never meet.
inline std::uint64_t impronta_byte(std::uint64_t chiave, const std::uint8_t* byte, std::size_t n) {
  std::uint64_t parola = 0;
  std::uint16_t resto = 0;
  std::memcpy(&parola, byte, std::min<std::size_t>(n, 8));
  if (n > 8) std::memcpy(&resto, byte + 8, n - 8);
  if ((parola | resto) == 0) return 0;
  return rimescola(rimescola((chiave << 16 | resto) + 0x9E3779B97F4A7C15u) ^ parola);
}

// Slot j of section i (the trailing bytes are "slot" slot_esteso).
std::uint64_t impronta_slot(std::size_t i, std::size_t j, const oggetto& o) {
  std::array<std::uint8_t, byte_oggetto> byte;
  if constexpr (oggetto_come_nel_file) {
    std::memcpy(byte.data(), static_cast<const void*>(&o), byte_oggetto);
  } else {
    codifica_oggetto(o, byte.data());
  }
  return impronta_byte(i * (slot_esteso + 1) + j, byte.data(), byte_oggetto);
}

}  // namespace

elenco_tratti::elenco_tratti(bool formato_compatto, std::size_t numero_tratti)
    : slot_(formato_compatto ? slot_compatto : slot_esteso),
      presenti_(numero_tratti),
      inizio_(numero_tratti),
      code_(numero_tratti) {}

tratto elenco_tratti::apri(std::size_t i) {
  prima_di_scrivere(i, slot_esteso + 1);
  if ((presenti_[i] & aperto) == 0) {
    // The section's slots, kept or empty, move to a place of their own.
    if (numero_aperti_ % tratti_per_blocco_aperto == 0)
      aperti_.emplace_back(tratti_per_blocco_aperto * slot_);
    const std::uint32_t a = numero_aperti_++;
    aperti_quando_.emplace_back(static_cast<std::uint32_t>(i), impronta_del_tratto(i));
    leggi(i).oggetti.copia_in(slot_aperti(a));
    presenti_[i] = aperto | ((std::uint64_t{1} << slot_) - 1);
    inizio_[i] = a;
  }
  return {std::span(slot_aperti(inizio_[i]), slot_), std::span(code_[i])};
}

void elenco_tratti::imposta_oggetto(std::size_t i, std::size_t j, const oggetto& o) {
  prima_di_scrivere(i, j);
  const std::uint64_t presenti = presenti_[i];
  const std::uint64_t bit = std::uint64_t{1} << j;
  if ((presenti & aperto) != 0) {
    slot_aperti(inizio_[i])[j] = o;  // hashed when the digest is asked for
  } else if ((presenti & bit) != 0) {
    oggetto& dove = dati_del_tratto(i)[bit_impostati(presenti & (bit - 1))];
    impronta_cambi_ ^= impronta_slot(i, j, dove) ^ impronta_slot(i, j, o);
    dove = o;
  } else if (!(o == oggetto{})) {
    impronta_cambi_ ^= impronta_slot(i, j, o);
    sposta(i, j, o);
  }
}

void elenco_tratti::sposta(std::size_t i, std::size_t j, const oggetto& o) {
  const std::uint64_t presenti = presenti_[i] & ~spostato;
  const std::uint64_t bit = std::uint64_t{1} << j;
  const auto prima = static_cast<std::size_t>(bit_impostati(presenti & (bit - 1)));
  const auto tenuti = static_cast<std::size_t>(bit_impostati(presenti));
  if (spostati_.empty() || spostati_.back().capacity() - spostati_.back().size() < tenuti + 1) {
    auto& blocco =
        spostati_.emplace_back(allocatore_grande<oggetto>(presenti_.get_allocator().regione));
    blocco.reserve(oggetti_per_blocco_spostati);
  }
  // The kept slots may lie in the same block: copied out first.
  std::array<oggetto, slot_esteso> vecchi;
  std::copy_n(dati_del_tratto(i), tenuti, vecchi.begin());
  auto& blocco = spostati_.back();
  const auto k = static_cast<std::uint32_t>((spostati_.size() - 1) * oggetti_per_blocco_spostati +
                                            blocco.size());
  blocco.insert(blocco.end(), vecchi.begin(), vecchi.begin() + static_cast<std::ptrdiff_t>(prima));
  blocco.push_back(o);
  blocco.insert(blocco.end(), vecchi.begin() + static_cast<std::ptrdiff_t>(prima),
                vecchi.begin() + static_cast<std::ptrdiff_t>(tenuti));
  presenti_[i] = presenti | bit | spostato;
  inizio_[i] = k;
}

void elenco_tratti::impacca(std::size_t quanti) {
  const std::size_t record = byte_record();
  const std::uint8_t* letto = pacchi_.libero().data();
  oggetto* const dati = pacchi_.data();
  oggetto* destinazione = dati + pacchi_.size();
  for (std::size_t k = 0; k < quanti; ++k, letto += record) {
    // The trailing bytes first: the slots packed next may reach them.
    std::memcpy(code_.emplace_back().data(), letto + slot_ * byte_oggetto, byte_coda_tratto);
    inizio_.push_back(static_cast<std::uint32_t>(destinazione - dati));
    // Every slot is copied, and only an occupied one (any of its ten bytes not
    // zero) moves the place of the next on: no branch on which slots are
    // occupied, which follows no pattern. The place is never after the slot.
    std::uint64_t presenti = 0;
    const std::uint8_t* slot = letto;
    for (std::size_t j = 0; j < slot_; ++j, slot += byte_oggetto) {
      std::uint64_t parola;
      std::uint16_t resto;
      std::memcpy(&parola, slot, sizeof parola);
      std::memcpy(&resto, slot + sizeof parola, sizeof resto);
      const auto occupato = static_cast<std::uint64_t>((parola | resto) != 0);
      presenti |= occupato << j;
      if constexpr (oggetto_come_nel_file) {
        std::memcpy(static_cast<void*>(destinazione), &parola, sizeof parola);
        std::memcpy(reinterpret_cast<std::uint8_t*>(destinazione) + sizeof parola, &resto,
                    sizeof resto);
      } else {
        *destinazione = decodifica_oggetto(slot);
      }
      destinazione += occupato;
    }
    presenti_.push_back(presenti);
  }
  pacchi_.imposta_numero(static_cast<std::size_t>(destinazione - dati));
}

elenco_tratti elenco_tratti::decodifica(bool formato_compatto, std::size_t numero_tratti,
                                        std::span<const std::uint8_t> byte) {
  long long letti = 0;
  elenco_tratti tratti = leggi_a_blocchi(
      formato_compatto, numero_tratti,
      [&](std::span<std::uint8_t> blocco) {
        const std::size_t quanti = std::min(blocco.size(), byte.size());
        std::copy_n(byte.begin(), quanti, blocco.begin());
        byte = byte.subspan(quanti);
        return static_cast<long long>(quanti);
      },
      [](const blocco_letto&) {}, letti);
  tratti.intatto_ = false;
  return tratti;
}

std::vector<std::uint8_t> elenco_tratti::codifica() const {
  std::vector<std::uint8_t> byte(size() * byte_record());
  codifica(0, size(), byte.data());
  return byte;
}

void elenco_tratti::codifica(std::size_t primo, std::size_t quanti, std::uint8_t* byte) const {
  const std::size_t dimensione = byte_record();
  for (std::size_t i = primo; i < primo + quanti; ++i) {
    codifica_tratto((*this)[i], byte);
    byte += dimensione;
  }
}

bool elenco_tratti::operator==(const elenco_tratti& altro) const {
  if (slot_ != altro.slot_ || size() != altro.size() || code_ != altro.code_) return false;
  for (std::size_t i = 0; i < size(); ++i) {
    const slot_tratto a = (*this)[i].oggetti;
    const slot_tratto b = altro[i].oggetti;
    for (std::size_t j = 0; j < slot_; ++j)
      if (!(a[j] == b[j])) return false;
  }
  return true;
}

std::uint64_t elenco_tratti::impronta_del_tratto(std::size_t i) const {
  const tratto_costante t = (*this)[i];
  std::uint64_t h =
      impronta_byte(i * (slot_esteso + 1) + slot_esteso, t.coda_tratto.data(), byte_coda_tratto);
  for (std::size_t j = 0; j < slot_; ++j) {
    const oggetto* o = t.oggetti.occupato(j);
    if (o != nullptr) h ^= impronta_slot(i, j, *o);
  }
  return h;
}

void elenco_tratti::annota_letto(std::size_t i, std::size_t j) {
  const std::uint64_t tutti = ((std::uint64_t{1} << slot_) - 1) | std::uint64_t{1} << slot_esteso;
  const std::uint64_t bit = j > slot_esteso ? tutti : std::uint64_t{1} << j;
  auto& gruppo = gia_annotati_[i / tratti_per_gruppo_annotati];
  if (gruppo.empty()) gruppo.resize(tratti_per_gruppo_annotati);
  std::uint64_t& annotati = gruppo[i % tratti_per_gruppo_annotati];
  if ((annotati & bit) == bit) return;
  const tratto_costante t = leggi(i);
  const std::uint64_t chiave = i * (slot_esteso + 1);
  for (std::uint64_t nuovi = bit & ~annotati; nuovi != 0; nuovi &= nuovi - 1) {
    const auto k = static_cast<std::size_t>(std::countr_zero(nuovi));
    oggetto letto{};
    if (k == slot_esteso) {
      std::memcpy(static_cast<void*>(&letto), t.coda_tratto.data(), byte_coda_tratto);
    } else if (k < slot_) {
      letto = t.oggetti[k];
    }
    letti_cambiati_.emplace_back(chiave + k, letto);
  }
  annotati |= bit;
}

std::optional<std::uint64_t> elenco_tratti::impronta_letta() const {
  if (!letti_da_rimettere_) return impronta_letta_;
  // The records as they are, with the values as read put back into each block.
  std::ranges::sort(letti_cambiati_, {}, [](const auto& v) { return v.first; });
  const std::size_t record = byte_record();
  impronta_tratti impronta(size());
  std::vector<std::uint8_t> byte(tratti_per_blocco() * record);
  auto letto = letti_cambiati_.begin();
  for (std::size_t primo = 0; primo < size(); primo += tratti_per_blocco()) {
    const std::size_t quanti = std::min(tratti_per_blocco(), size() - primo);
    codifica(primo, quanti, byte.data());
    for (; letto != letti_cambiati_.end() && letto->first / (slot_esteso + 1) < primo + quanti;
         ++letto) {
      const std::size_t i = letto->first / (slot_esteso + 1);
      const std::size_t k = letto->first % (slot_esteso + 1);
      std::uint8_t* dove = byte.data() + (i - primo) * record;
      if (k == slot_esteso) {
        std::memcpy(dove + slot_ * byte_oggetto, static_cast<const void*>(&letto->second),
                    byte_coda_tratto);
      } else if (k < slot_) {
        codifica_oggetto(letto->second, dove + k * byte_oggetto);
      }
    }
    impronta.aggiungi(std::span<const std::uint8_t>(byte).first(quanti * record));
  }
  impronta_letta_ = impronta.valore();
  letti_da_rimettere_ = false;
  std::vector<std::pair<std::uint64_t, oggetto>>().swap(letti_cambiati_);
  decltype(gia_annotati_)().swap(gia_annotati_);
  return impronta_letta_;
}

std::uint64_t elenco_tratti::impronta_viva() const {
  std::uint64_t h = impronta_cambi_;
  for (const auto& [i, quando] : aperti_quando_) h ^= quando ^ impronta_del_tratto(i);
  return h;
}

std::size_t elenco_tratti::tratti_per_blocco(std::size_t byte_record, std::size_t numero_tratti) {
  return std::min(((std::size_t{1} << 20) / byte_record) / 8 * 8, numero_tratti);
}

std::uint64_t elenco_tratti::impronta() const {
  impronta_tratti impronta(size());
  codifica_a_blocchi([&](std::span<const std::uint8_t> blocco) {
    impronta.aggiungi(blocco);
    return true;
  });
  return impronta.valore();
}

namespace {

// One step of the digest: a bijection of `h` for a fixed word, and of the word
// for a fixed `h`.
std::uint64_t mescola(std::uint64_t h, std::uint64_t parola) {
  h = (h ^ parola) * 0x9E3779B97F4A7C15u;
  return h ^ (h >> 32);
}

constexpr std::size_t byte_gruppo = 32;

}  // namespace

// Four running values take every fourth 8-byte word, so that their
// multiplications overlap; inputs that differ in a single word never meet,
// since every step and the final fold are bijections of each running value.
void impronta_tratti::aggiungi(std::span<const std::uint8_t> byte) {
  auto aggiungi_gruppo = [this](const std::uint8_t* gruppo) {
    std::array<std::uint64_t, 4> parole;
    std::memcpy(parole.data(), gruppo, byte_gruppo);
    for (std::size_t k = 0; k < 4; ++k) h_[k] = mescola(h_[k], parole[k]);
  };
  const std::size_t interi = byte.size() / byte_gruppo * byte_gruppo;
  for (std::size_t i = 0; i < interi; i += byte_gruppo) aggiungi_gruppo(byte.data() + i);
  if (interi < byte.size()) {  // the last group, completed with zeros
    std::array<std::uint8_t, byte_gruppo> ultimo{};
    std::copy(byte.begin() + static_cast<std::ptrdiff_t>(interi), byte.end(), ultimo.begin());
    aggiungi_gruppo(ultimo.data());
  }
}

std::uint64_t impronta_tratti::valore() const {
  return mescola(mescola(mescola(h_[0], h_[1]), h_[2]), h_[3]);
}

}  // namespace sopra
