#include "scenario/unione_tratti.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>
#include <tuple>

#include "scenario/accesso_file.hpp"

namespace sopra {

namespace fs = std::filesystem;

identita_file identita_di(const fs::path& file) {
  identita_file identita;
  if (sistema::leggi_identita(file, identita)) return {};
  return identita;
}

namespace {

// Reads records 0 .. tratti.size() - 1 of the open file `f` a block of
// tratti_per_blocco() records at a time into `blocco`, zero beyond the end of
// the file, and hands each block with its first record to `esamina`.
template <class F>
std::error_code leggi_a_blocchi(const sistema::file_aperto& f, const elenco_tratti& tratti,
                                std::vector<std::uint8_t>& blocco, F&& esamina) {
  const std::size_t record = tratti.byte_record();
  const std::size_t per_blocco = tratti.tratti_per_blocco();
  blocco.resize(per_blocco * record);
  for (std::size_t primo = 0; primo < tratti.size(); primo += per_blocco) {
    const std::size_t quanti = std::min(per_blocco, tratti.size() - primo);
    const auto byte = std::span(blocco).first(quanti * record);
    std::size_t letti = 0;
    if (auto e = sistema::leggi_a(f, std::uint64_t{primo} * record, byte, letti)) return e;
    std::fill(byte.begin() + static_cast<std::ptrdiff_t>(letti), byte.end(), std::uint8_t{0});
    esamina(primo, quanti, std::span<const std::uint8_t>(byte));
  }
  return {};
}

bool prima(const base_tratti::voce& a, const base_tratti::voce& b) {
  return std::tie(a.tratto, a.slot) < std::tie(b.tratto, b.slot);
}

}  // namespace

std::optional<std::uint64_t> impronta_su_disco(const fs::path& file, const elenco_tratti& tratti) {
  try {
    sistema::file_aperto f;
    if (sistema::apri_per_leggere(file, f)) return std::nullopt;
    impronta_tratti impronta(tratti.size());
    std::vector<std::uint8_t> blocco;
    if (leggi_a_blocchi(f, tratti, blocco,
                        [&](std::size_t, std::size_t, std::span<const std::uint8_t> byte) {
                          impronta.aggiungi(byte);
                        })) {
      return std::nullopt;
    }
    return impronta.valore();
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

void base_tratti::annota(std::size_t s, std::size_t j, const oggetto& prima_di) {
  if (annotati_.size() <= s) annotati_.resize(s + 1);
  const std::uint64_t bit = std::uint64_t{1} << j;
  if ((annotati_[s] & bit) != 0) return;
  annotati_[s] |= bit;
  const voce nuova{static_cast<std::uint32_t>(s), static_cast<std::uint8_t>(j), prima_di};
  if (!voci_.empty() && prima(nuova, voci_.back())) ordinate_ = false;
  voci_.push_back(nuova);
}

const std::vector<base_tratti::voce>& base_tratti::voci() const {
  if (!ordinate_) {
    std::sort(voci_.begin(), voci_.end(), prima);
    ordinate_ = true;
  }
  return voci_;
}

std::optional<oggetto> base_tratti::cerca(std::size_t s, std::size_t j) const {
  if (s >= annotati_.size() || (annotati_[s] & (std::uint64_t{1} << j)) == 0) return std::nullopt;
  const voce chiave{static_cast<std::uint32_t>(s), static_cast<std::uint8_t>(j), {}};
  return std::lower_bound(voci().begin(), voci().end(), chiave, prima)->prima;
}

void base_tratti::svuota() {
  for (const voce& v : voci_) annotati_[v.tratto] = 0;
  voci_.clear();
  ordinate_ = true;
}

void base_tratti::riallinea(const std::vector<oggetto>& loro, const elenco_tratti& tratti) {
  voci();
  std::size_t tenute = 0;
  for (std::size_t k = 0; k < voci_.size(); ++k) {
    voce v = voci_[k];
    if (tratti[v.tratto].oggetti[v.slot] == loro[k]) {
      annotati_[v.tratto] &= ~(std::uint64_t{1} << v.slot);
      continue;
    }
    v.prima = loro[k];
    voci_[tenute++] = v;
  }
  voci_.resize(tenute);
}

std::size_t base_tratti::byte() const {
  return voci_.capacity() * sizeof(voce) + annotati_.capacity() * sizeof(std::uint64_t);
}

std::vector<std::int32_t> esito_unione::tratti_in_conflitto() const {
  std::vector<std::int32_t> tratti;
  for (const slot_loro& c : conflitti) {
    const auto s = static_cast<std::int32_t>(c.tratto);
    if (tratti.empty() || tratti.back() != s) tratti.push_back(s);
  }
  return tratti;
}

esito_unione unisci_con_file(const fs::path& file, const elenco_tratti& nostri,
                             const base_tratti& base, std::uint64_t dimensione_nota) {
  esito_unione esito;
  try {
    sistema::file_aperto f;
    if (auto e = sistema::apri_per_leggere(file, f)) {
      esito.errore = e;
      return esito;
    }
    esito.identita = identita_di(file);
    sistema::stato_file stato;
    if (auto e = sistema::leggi_stato(f, stato)) {
      esito.errore = e;
      return esito;
    }
    esito.dimensione = stato.dimensione;
    const std::size_t record = nostri.byte_record();
    const std::uint64_t record_interi = stato.dimensione / record;
    const std::uint64_t altro_record = byte_tratto(nostri.slot_per_tratto() != slot_compatto);
    if (stato.dimensione != dimensione_nota) {
      if (stato.dimensione == std::uint64_t{nostri.size()} * altro_record) {
        esito.estraneo = motivo_estraneo::altro_formato;
      } else if (stato.dimensione % record != 0) {
        esito.estraneo = motivo_estraneo::record_non_interi;
      } else if (record_interi < nostri.size() && stato.dimensione < dimensione_nota) {
        esito.estraneo = motivo_estraneo::troppo_corto;
      }
    }

    const std::vector<base_tratti::voce>& voci = base.voci();
    std::size_t k = 0;  // the next noted slot
    impronta_tratti impronta(nostri.size());
    std::vector<std::uint8_t> loro_blocco;
    std::vector<std::uint8_t> nostri_blocco(nostri.tratti_per_blocco() * record);
    const std::size_t slot = nostri.slot_per_tratto();
    const auto esamina = [&](std::size_t primo, std::size_t quanti,
                             std::span<const std::uint8_t> byte) {
      impronta.aggiungi(byte);
      if (esito.estraneo != motivo_estraneo::nessuno) return;
      nostri.codifica(primo, quanti, nostri_blocco.data());
      for (std::size_t i = primo; i < primo + quanti; ++i) {
        const std::uint8_t* loro = byte.data() + (i - primo) * record;
        const std::uint8_t* nostro = nostri_blocco.data() + (i - primo) * record;
        // The noted slots of this section: [k, fine).
        const std::size_t inizio = k;
        while (k < voci.size() && voci[k].tratto == i) {
          esito.loro_alla_base.push_back(decodifica_oggetto(loro + voci[k].slot * byte_oggetto));
          ++k;
        }
        if (std::memcmp(loro, nostro, record) == 0) continue;
        bool preso = false;
        for (std::size_t j = 0; j < slot; ++j) {
          const std::size_t da = j * byte_oggetto;
          if (std::memcmp(loro + da, nostro + da, byte_oggetto) == 0) continue;
          const oggetto o_loro = decodifica_oggetto(loro + da);
          const oggetto o_nostro = decodifica_oggetto(nostro + da);
          oggetto o_base = o_nostro;
          for (std::size_t v = inizio; v < k; ++v)
            if (voci[v].slot == j) o_base = voci[v].prima;
          const auto t = static_cast<std::uint32_t>(i);
          const auto js = static_cast<std::uint8_t>(j);
          if (o_nostro == o_base) {
            esito.da_prendere.push_back({t, js, o_loro});
            preso = true;
          } else if (!(o_loro == o_base)) {
            esito.conflitti.push_back({t, js, o_loro});
          }
        }
        const std::size_t coda = slot * byte_oggetto;
        if (std::memcmp(loro + coda, nostro + coda, byte_coda_tratto) != 0) {
          auto& c = esito.code.emplace_back();
          c.first = static_cast<std::uint32_t>(i);
          std::memcpy(c.second.data(), loro + coda, byte_coda_tratto);
          preso = true;
        }
        esito.tratti_presi += preso;
      }
    };
    if (auto e = leggi_a_blocchi(f, nostri, loro_blocco, esamina)) {
      esito = {};
      esito.errore = e;
      return esito;
    }
    esito.impronta = impronta.valore();
  } catch (const std::bad_alloc&) {
    esito = {};
    esito.errore = std::make_error_code(std::errc::not_enough_memory);
  }
  return esito;
}

}  // namespace sopra
