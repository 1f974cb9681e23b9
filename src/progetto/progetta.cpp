#include "progetto/progetta.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "analysis/sopraelevazione.hpp"
#include "progetto/raccordi.hpp"
#include "scenario/parallelo.hpp"

namespace sopra {

namespace {

// A cap that nothing sets. A cap only ever becomes the smaller of itself and a
// neighbour's plus one step, so it never grows past this, and the sums of
// steps along the longest line stay far below it.
constexpr std::int32_t senza_tetto = std::int32_t{1} << 30;

// What obiettivo holds for a row that is no target: a straight, or a pinned row.
constexpr std::int32_t non_obiettivo = -1;
constexpr std::int32_t bloccato = -2;

// Forward then backward: each row keeps the smaller of its own cap and its
// neighbour's plus the step allowed between them.
void propaga_tetti(std::vector<std::int32_t>& tetti, const condizioni_linea& condizioni) {
  for (std::size_t r = 1; r < tetti.size(); ++r)
    tetti[r] = std::min(tetti[r], tetti[r - 1] + condizioni.delta(r));
  for (std::size_t r = tetti.size(); r-- > 1;)
    tetti[r - 1] = std::min(tetti[r - 1], tetti[r] + condizioni.delta(r));
}

// A reverse curve: the last row a of a run of one side and the first row b of
// the next run, of the other side, with only straights between; the room
// D(a, b), and the height each side needs at its end (h_a from the targets of
// a's side up to a, h_b from those of b's side from b on).
struct inversione {
  std::size_t a = 0, b = 0;
  std::int64_t stanza = 0;
  std::int64_t h_a = 0, h_b = 0;
};

}  // namespace

piano_progetto progetta_linea(const scenario& store, const geometria_linea& geometria,
                              const parametri_progetto& parametri,
                              const profilo_velocita& profilo) {
  const std::size_t n = geometria.size();
  const condizioni_linea condizioni = condizioni_righe(geometria, parametri, profilo);
  piano_progetto piano;
  piano.millimetri.assign(n, 0);
  esito_progetto& esito = piano.esito;

  // Pins and targets; the caps start at the pins. A row that cannot hold a
  // cant is pinned, straight or not.
  // Rows do not depend on each other here: pieces of them on threads of their
  // own, each listing its pinned curves, in order.
  std::vector<std::int32_t> obiettivo(n, non_obiettivo);
  std::vector<std::int32_t> tetti(n, senza_tetto);
  struct bloccati {
    std::vector<std::int32_t> bivio, senza_slot;
  };
  std::vector<bloccati> per_pezzo(pezzi_per(n));
  in_parallelo(per_pezzo.size(), per_pezzo.size(), [&](std::size_t k, std::size_t) {
    const std::size_t fine = inizio_pezzo(n, per_pezzo.size(), k + 1);
    for (std::size_t r = inizio_pezzo(n, per_pezzo.size(), k); r < fine; ++r) {
      const int lato = geometria.lato(r);
      const bool bivio = geometria.bivio(r);
      const bool pieno =
          !bivio &&
          !slot_scrivibile(store.tratti[static_cast<std::size_t>(tratto_della_riga(r))].oggetti);
      if (bivio || pieno) {
        obiettivo[r] = bloccato;
        tetti[r] = 0;
        if (lato != 0)
          (bivio ? per_pezzo[k].bivio : per_pezzo[k].senza_slot)
              .push_back(posizione_tratto(tratto_della_riga(r)));
      } else if (lato != 0) {
        const condizioni_riga c = condizioni[r];
        obiettivo[r] =
            proponi(c.velocita_massima, c.velocita_minima, std::fabs(c.raggio), parametri)
                .millimetri;
      }
    }
  });
  for (const bloccati& b : per_pezzo) {
    esito.bloccati_bivio.insert(esito.bloccati_bivio.end(), b.bivio.begin(), b.bivio.end());
    esito.bloccati_senza_slot.insert(esito.bloccati_senza_slot.end(), b.senza_slot.begin(),
                                     b.senza_slot.end());
  }
  propaga_tetti(tetti, condizioni);
  // m0 of a target: its target under the pins' caps.
  const auto m0 = [&](std::size_t r) { return std::min(obiettivo[r], tetti[r]); };
  const auto indice_lato = [](int lato) { return lato > 0 ? 0 : 1; };

  // Reverse curves. A forward pass finds them with their room and h_a, the
  // largest m0(j) - D(j, a) over the targets j <= a of a's side; a backward
  // pass gives h_b, the same over the targets j >= b of b's side.
  // The two passes do not depend on each other: side by side, the backward
  // one noting h_b at the start of every run, matched to the reversals after.
  std::vector<inversione> inversioni;
  std::vector<std::pair<std::size_t, std::int64_t>> inizi_corsa;  // (b, h_b), descending b
  const auto avanti = [&] {
    std::int32_t inviluppo[2] = {non_raggiunto, non_raggiunto};  // by indice_lato
    std::size_t fine = n;     // the last row of the latest run, n: none yet
    std::int64_t h_fine = 0;  // its side's envelope there
    std::int64_t stanza = 0;  // D from that row to this one
    for (std::size_t r = 0; r < n; ++r) {
      if (r > 0) {
        stanza += condizioni.delta(r);
        for (std::int32_t& v : inviluppo) v = std::max(v - condizioni.delta(r), non_raggiunto);
      }
      const int lato = geometria.lato(r);
      if (lato == 0) continue;
      std::int32_t& proprio = inviluppo[indice_lato(lato)];
      if (obiettivo[r] >= 0) proprio = std::max(proprio, m0(r));
      // Only straights lie between `fine` and r, so a run of the other side
      // that ended at `fine` and one that starts at r make a reverse curve.
      if (fine < n && geometria.lato(fine) == -lato)
        inversioni.push_back({fine, r, stanza, h_fine, 0});
      fine = r;
      h_fine = std::max(proprio, 0);
      stanza = 0;
    }
  };
  const auto indietro = [&] {
    std::int32_t inviluppo[2] = {non_raggiunto, non_raggiunto};
    for (std::size_t r = n; r-- > 0;) {
      if (r + 1 < n)
        for (std::int32_t& v : inviluppo) v = std::max(v - condizioni.delta(r + 1), non_raggiunto);
      const int lato = geometria.lato(r);
      if (lato == 0) continue;
      std::int32_t& proprio = inviluppo[indice_lato(lato)];
      if (obiettivo[r] >= 0) proprio = std::max(proprio, m0(r));
      if (r == 0 || geometria.lato(r - 1) != lato)
        inizi_corsa.emplace_back(r, std::max(proprio, 0));
    }
  };
  in_parallelo(2, 2, [&](std::size_t passo, std::size_t) { passo == 0 ? avanti() : indietro(); });
  // Every reversal's b starts a run: walking both lists, b ascending.
  {
    std::size_t k = inizi_corsa.size();
    for (inversione& i : inversioni) {
      while (k > 0 && inizi_corsa[k - 1].first < i.b) --k;
      if (k > 0 && inizi_corsa[k - 1].first == i.b) i.h_b = inizi_corsa[k - 1].second;
    }
  }
  // Each reversal shares its room in proportion to the heights; its caps grow
  // by the steps allowed away from a and b, as the pins' caps do.
  for (const inversione& i : inversioni) {
    if (i.h_a + i.h_b == 0) continue;
    tetti[i.a] =
        std::min(tetti[i.a], static_cast<std::int32_t>(i.stanza * i.h_a / (i.h_a + i.h_b)));
    tetti[i.b] =
        std::min(tetti[i.b], static_cast<std::int32_t>(i.stanza * i.h_b / (i.h_a + i.h_b)));
  }
  propaga_tetti(tetti, condizioni);

  // m: the targets under every cap; each side's cant, the envelope of its m.
  std::vector<std::int32_t> positivo(n, non_raggiunto), negativo(n, non_raggiunto);
  for (std::size_t r = 0; r < n; ++r)
    if (obiettivo[r] >= 0) (geometria.lato(r) > 0 ? positivo : negativo)[r] = m0(r);
  in_parallelo(2, 2, [&](std::size_t lato, std::size_t) {
    propaga_inviluppo(lato == 0 ? positivo : negativo, condizioni);
  });

  bool con_obiettivo = false;  // the current run holds a target
  for (std::size_t r = 0; r < n; ++r) {
    const int lato = geometria.lato(r);
    if (lato != 0 && (r == 0 || geometria.lato(r - 1) != lato)) con_obiettivo = false;
    con_obiettivo |= obiettivo[r] >= 0;
    const bool fine_corsa = lato != 0 && (r + 1 == n || geometria.lato(r + 1) != lato);
    if (fine_corsa && con_obiettivo) ++esito.curve_progettate;

    if (obiettivo[r] == bloccato) continue;
    const std::int32_t c = positivo[r] > 0 ? positivo[r] : negativo[r] > 0 ? -negativo[r] : 0;
    piano.millimetri[r] = c;
    if (c != 0) ++esito.tratti_con_sopraelevazione;
    if (obiettivo[r] >= 0 && std::abs(c) < obiettivo[r]) {
      const std::int32_t esterna = lato > 0 ? c : -c;
      esito.abbassati.push_back({posizione_tratto(tratto_della_riga(r)), esterna, obiettivo[r],
                                 velocita_ammessa(esterna, parametri.insufficienza_ammessa,
                                                  std::fabs(condizioni[r].raggio))});
    }
  }
  return piano;
}

}  // namespace sopra
