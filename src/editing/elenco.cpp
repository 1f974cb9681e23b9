#include "editing/elenco.hpp"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>
#include <utility>

#include "analysis/sopraelevazione.hpp"
#include "scenario/parallelo.hpp"

namespace sopra {

namespace {

constexpr std::size_t riga_massima = righe_elenco::caratteri_massimi;

// Bytes a row takes at most in the block, its line break included.
constexpr std::size_t passo = riga_massima + 1;

// The most bytes the block may hold: its offsets are 32-bit.
constexpr std::size_t blocco_massimo = std::numeric_limits<std::uint32_t>::max();

// Writes `numero` at `testo` and returns the end of what it wrote; 11 characters fit any.
char* scrivi_intero(char* testo, std::int32_t numero) {
  return std::to_chars(testo, testo + 11, numero).ptr;
}

char* scrivi_testo(char* testo, std::string_view parte) {
  return std::copy(parte.begin(), parte.end(), testo);
}

// Writes at `testo` the row of section s whose listed radius (0 straight),
// junction flag and whole millimetres of cant are known, and returns the end of
// what it wrote (at most riga_massima characters).
char* componi_riga(char* testo, const scenario& store, std::int32_t s, bool bivio,
                   std::int32_t raggio, std::int32_t millimetri) {
  char* fine = scrivi_intero(testo, posizione_tratto(s));
  *fine++ = '\t';
  if (bivio) {
    fine = scrivi_testo(fine, "bivio \t");
  } else if (raggio == 0) {
    fine = scrivi_testo(fine, "rettilineo \t");
  } else {
    fine = scrivi_testo(fine, raggio > 0 ? "curva SX raggio " : "curva DX raggio ");
    fine = scrivi_intero(fine, std::abs(raggio));
  }
  // The extended layout puts a single TAB after the widest radius.
  fine = scrivi_testo(fine, !store.formato_compatto && std::abs(raggio) == 10000 ? "\t" : "\t\t");
  return scrivi_intero(fine, millimetri);
}

void controlla_blocco(std::size_t byte) {
  if (byte > blocco_massimo) throw std::length_error("righe_elenco: more than 4 GiB of rows");
}

}  // namespace

righe_elenco::righe_elenco(const std::vector<std::string>& righe) : numero_(righe.size()) {
  for (const std::string& riga : righe) caratteri_ += riga.size() + 1;
  const std::size_t indice = numero_ * sizeof(posto);
  controlla_blocco(indice + caratteri_);
  blocco_.resize(indice + caratteri_);
  std::size_t fine = indice;
  for (std::size_t r = 0; r < numero_; ++r) {
    metti_posto(r, {static_cast<std::uint32_t>(fine), static_cast<std::uint32_t>(righe[r].size())});
    fine += righe[r].copy(blocco_.data() + fine, righe[r].size());
    blocco_[fine++] = '\n';
  }
}

void righe_elenco::riscrivi(std::size_t riga, std::size_t da, std::string_view coda) {
  // A coda viewing the block must be read before the block changes.
  if (std::less_equal<>()(blocco_.data(), coda.data()) &&
      std::less<>()(coda.data(), blocco_.data() + blocco_.size())) {
    const std::string copia(coda);
    riscrivi(riga, da, copia);
    return;
  }
  const posto vecchio = posto_di(riga);
  const std::size_t lunghezza = da + coda.size();
  const bool al_suo_posto = lunghezza <= vecchio.lunghezza;
  // What the block would hold after the rewrite made without laying the rows
  // out again: the row where it was, or moved to the end.
  const std::size_t caratteri_dopo = caratteri_ - vecchio.lunghezza + lunghezza;
  const std::size_t usato_dopo = blocco_.size() + (al_suo_posto ? 0 : lunghezza + 1);
  const std::size_t liberi_dopo = usato_dopo - numero_ * sizeof(posto) - caratteri_dopo;
  if (liberi_dopo > caratteri_dopo || usato_dopo > blocco_massimo) {
    const sostituzione sola{riga, da, coda};
    disponi(std::span(&sola, 1), 1);
    return;
  }
  std::size_t inizio = vecchio.inizio;
  if (!al_suo_posto) {
    inizio = blocco_.size();
    blocco_.resize(usato_dopo);  // may move the block: the head is copied by offset
    std::copy_n(blocco_.data() + vecchio.inizio, da, blocco_.data() + inizio);
  }
  char* const testo = blocco_.data() + inizio;
  std::ranges::copy(coda, testo + da);
  testo[lunghezza] = '\n';
  metti_posto(riga, {static_cast<std::uint32_t>(inizio), static_cast<std::uint32_t>(lunghezza)});
  caratteri_ = caratteri_dopo;
}

void righe_elenco::riscrivi_molte(std::span<const sostituzione> sostituzioni, std::size_t pezzi) {
  // Laying out every row costs about as much as moving one row in 64 to the end.
  if (sostituzioni.size() * 64 < numero_) {
    for (const sostituzione& x : sostituzioni) riscrivi(x.riga, x.da, x.coda);
    return;
  }
  disponi(sostituzioni, pezzi);
}

void righe_elenco::disponi(std::span<const sostituzione> sostituzioni, std::size_t pezzi) {
  // Where each piece of rows starts in the new block: the rows before it, at
  // their new lengths.
  pezzi = std::clamp<std::size_t>(pezzi, 1, std::max<std::size_t>(numero_, 1));
  const auto primo_del_pezzo = [&](std::size_t k) { return inizio_pezzo(numero_, pezzi, k); };
  std::vector<std::size_t> inizio_pezzo(pezzi);
  std::vector<std::size_t> prima_sostituzione(pezzi);  // the first among its rows or after
  const std::size_t indice = numero_ * sizeof(posto);
  std::size_t fine = indice;
  std::size_t k = 0;
  for (std::size_t pezzo = 0; pezzo < pezzi; ++pezzo) {
    inizio_pezzo[pezzo] = fine;
    prima_sostituzione[pezzo] = k;
    for (std::size_t r = primo_del_pezzo(pezzo); r < primo_del_pezzo(pezzo + 1); ++r) {
      if (k < sostituzioni.size() && sostituzioni[k].riga == r) {
        fine += sostituzioni[k].da + sostituzioni[k].coda.size() + 1;
        ++k;
      } else {
        fine += posto_di(r).lunghezza + 1;
      }
    }
  }
  controlla_blocco(fine);

  righe_elenco nuove;
  nuove.blocco_.reserve(std::max(fine, blocco_.capacity()));
  nuove.blocco_.resize(fine);
  nuove.numero_ = numero_;
  nuove.caratteri_ = fine - indice;
  in_parallelo(pezzi, pezzi, [&](std::size_t pezzo, std::size_t) {
    char* const inizio = nuove.blocco_.data();
    char* scritto = inizio + inizio_pezzo[pezzo];
    std::size_t j = prima_sostituzione[pezzo];
    for (std::size_t r = primo_del_pezzo(pezzo); r < primo_del_pezzo(pezzo + 1); ++r) {
      const std::string_view vecchia = (*this)[r];
      char* const testo = scritto;
      if (j < sostituzioni.size() && sostituzioni[j].riga == r) {
        const sostituzione& x = sostituzioni[j++];
        scritto = std::ranges::copy(x.coda, std::copy_n(vecchia.data(), x.da, scritto)).out;
      } else {
        scritto = std::ranges::copy(vecchia, scritto).out;
      }
      nuove.metti_posto(r, {static_cast<std::uint32_t>(testo - inizio),
                            static_cast<std::uint32_t>(scritto - testo)});
      *scritto++ = '\n';
    }
  });
  *this = std::move(nuove);
}

bool operator==(const righe_elenco& a, const righe_elenco& b) {
  return std::ranges::equal(a, b);
}

righe_elenco righe_elenco::da_comporre(const scenario& store, std::size_t numero) {
  righe_elenco righe;
  // The rows follow the store's arrays in its memory, when it has some.
  righe.blocco_ = blocco(allocatore_blocco<char>(store.allocatore_costruiti_dopo<char>()));
  righe.numero_ = numero;
  const std::size_t indice = numero * sizeof(posto);
  controlla_blocco(indice + numero * passo);
  righe.blocco_.reserve(indice + numero * passo);
  righe.blocco_.resize(indice);
  righe.composti_.assign((numero + righe_per_gruppo - 1) / righe_per_gruppo, 0);
  righe.mancanti_ = righe.composti_.size();
  return righe;
}

std::size_t righe_elenco::scrivi_righe(std::size_t primo, std::size_t fine, std::size_t da,
                                       const scenario& store, const geometria_linea& geometria) {
  char* const blocco = blocco_.data();
  char* testo = blocco + da;
  for (std::size_t r = primo; r < fine; ++r) {
    const std::int32_t s = tratto_della_riga(r);
    char* const dopo = componi_riga(testo, store, s, geometria.bivio(r),
                                    geometria.raggio_elencato(r), millimetri_tratto(store, s));
    metti_posto(
        r, {static_cast<std::uint32_t>(testo - blocco), static_cast<std::uint32_t>(dopo - testo)});
    *dopo = '\n';
    testo = dopo + 1;
  }
  return static_cast<std::size_t>(testo - blocco);
}

void righe_elenco::componi(std::size_t riga, const scenario& store,
                           const geometria_linea& geometria) {
  const std::size_t gruppo = riga / righe_per_gruppo;
  if (mancanti_ == 0 || composti_[gruppo] != 0) return;
  // After the rows composed so far, within the room taken for all of them.
  const std::size_t primo = gruppo * righe_per_gruppo;
  const std::size_t fine = std::min(numero_, primo + righe_per_gruppo);
  const std::size_t da = blocco_.size();
  blocco_.resize(da + (fine - primo) * passo);
  const std::size_t a = scrivi_righe(primo, fine, da, store, geometria);
  blocco_.resize(a);
  caratteri_ += a - da;
  composti_[gruppo] = 1;
  --mancanti_;
}

void righe_elenco::componi_tutte(const scenario& store, const geometria_linea& geometria,
                                 std::size_t pezzi) {
  if (mancanti_ == 0) return;
  // The pieces to compose: every row when none is composed yet, else the
  // groups not composed (those looked at are), in order. Each piece writes its
  // rows at the room that its first row would have if all rows from the first
  // piece on were of the longest, so that the pieces compose each row once,
  // side by side, straight into the block; then the pieces close up, in order.
  // Of the block only what is written takes memory, and the room left at its
  // end takes the rows that later move there.
  struct pezzo {
    std::size_t primo, fine;  // its rows
    std::size_t da, a;        // its bytes in the block
  };
  pezzi = std::clamp<std::size_t>(pezzi, 1, numero_);
  std::vector<pezzo> da_comporre;
  const bool alcune_composte = mancanti_ < composti_.size();
  // The first byte the pieces write: after the index, or after the rows composed.
  const std::size_t base = alcune_composte ? blocco_.size() : numero_ * sizeof(posto);
  std::size_t stanza = base;
  if (alcune_composte) {
    for (std::size_t gruppo = 0; gruppo < composti_.size(); ++gruppo) {
      if (composti_[gruppo] != 0) continue;
      const std::size_t primo = gruppo * righe_per_gruppo;
      const std::size_t fine = std::min(numero_, primo + righe_per_gruppo);
      da_comporre.push_back({primo, fine, stanza, stanza});
      stanza += (fine - primo) * passo;
    }
  } else {
    for (std::size_t k = 0; k < pezzi; ++k) {
      const std::size_t primo = inizio_pezzo(numero_, pezzi, k);
      const std::size_t fine = inizio_pezzo(numero_, pezzi, k + 1);
      da_comporre.push_back({primo, fine, stanza, stanza});
      stanza += (fine - primo) * passo;
    }
  }
  // Within the room taken for every row at the longest: the block does not move.
  blocco_.resize(stanza);
  char* const blocco = blocco_.data();
  in_parallelo_a_turni(da_comporre.size(), 1, pezzi, [&](std::size_t k, std::size_t) {
    pezzo& p = da_comporre[k];
    p.a = scrivi_righe(p.primo, p.fine, p.da, store, geometria);
  });

  // A piece's room starts no earlier than the previous piece's bytes end, and
  // ends no later than the next piece's room starts: moving the pieces down one
  // after another in order overwrites nothing still to be moved.
  std::size_t fine = base;
  for (const pezzo& p : da_comporre) {
    if (const auto giu = static_cast<std::uint32_t>(p.da - fine); giu != 0) {
      std::memmove(blocco + fine, blocco + p.da, p.a - p.da);
      for (std::size_t r = p.primo; r < p.fine; ++r) {
        const posto vecchio = posto_di(r);
        metti_posto(r, {vecchio.inizio - giu, vecchio.lunghezza});
      }
    }
    fine += p.a - p.da;
  }
  blocco_.resize(fine);  // smaller: the block stays where it is, with its room
  caratteri_ += fine - base;
  composti_.clear();
  mancanti_ = 0;
}

std::size_t inizio_sopraelevazione(std::string_view riga) {
  const std::size_t tab = riga.rfind('\t');
  return tab == std::string_view::npos ? 0 : tab + 1;
}

}  // namespace sopra
