#include "progetto/progetta.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "progetto/raccordi.hpp"

namespace sopra {

namespace {

// A cap that nothing sets; adding steps of at most 2 × the cant limit to it
// for every row of the longest line stays far from overflow in 64 bits.
constexpr std::int64_t senza_tetto = std::int64_t{1} << 40;

// The side of a row's curve as the classification gives it, junction zones
// included: +1 left-hand bend (its cant is > 0), -1 right-hand, 0 straight.
int lato_curva(const geometria_linea& geometria, std::size_t riga) {
  const std::int16_t raggio = geometria.raggio(riga);
  return (raggio > 0) - (raggio < 0);
}

// Forward then backward: each row keeps the smaller of its own cap and its
// neighbour's plus the step allowed between them.
void propaga_tetti(std::vector<std::int64_t>& tetti,
                   const std::vector<condizioni_riga>& condizioni) {
  for (std::size_t r = 1; r < tetti.size(); ++r)
    tetti[r] = std::min(tetti[r], tetti[r - 1] + condizioni[r].delta);
  for (std::size_t r = tetti.size(); r-- > 1;)
    tetti[r - 1] = std::min(tetti[r - 1], tetti[r] + condizioni[r].delta);
}

// For one side, the largest value less the steps to reach row r, from the
// rows before r and r itself (avanti) or from r and the rows after it.
std::vector<std::int32_t> inviluppo_in_avanti(const std::vector<std::int32_t>& valori,
                                              const std::vector<condizioni_riga>& condizioni) {
  std::vector<std::int32_t> esito = valori;
  for (std::size_t r = 1; r < esito.size(); ++r)
    esito[r] = std::max(esito[r], std::max(esito[r - 1] - condizioni[r].delta, non_raggiunto));
  return esito;
}
std::vector<std::int32_t> inviluppo_all_indietro(const std::vector<std::int32_t>& valori,
                                                 const std::vector<condizioni_riga>& condizioni) {
  std::vector<std::int32_t> esito = valori;
  for (std::size_t r = esito.size(); r-- > 1;)
    esito[r - 1] = std::max(esito[r - 1], std::max(esito[r] - condizioni[r].delta, non_raggiunto));
  return esito;
}

}  // namespace

piano_progetto progetta_linea(const scenario& store, const geometria_linea& geometria,
                              const parametri_progetto& parametri,
                              const profilo_velocita& profilo) {
  const std::size_t n = geometria.size();
  const std::vector<condizioni_riga> condizioni = condizioni_righe(geometria, parametri, profilo);
  const std::vector<lettura_tratto> letture = leggi_righe(store, geometria);
  piano_progetto piano;
  piano.millimetri.assign(n, 0);
  esito_progetto& esito = piano.esito;

  // Pins, targets and the caps that pins set.
  std::vector<std::uint8_t> bloccato(n);
  std::vector<std::int32_t> obiettivo(n, -1);  // -1: not a target
  std::vector<std::int64_t> tetti(n, senza_tetto);
  for (std::size_t r = 0; r < n; ++r) {
    bloccato[r] = geometria.bivio(r) || !letture[r].scrivibile;
    if (bloccato[r]) {
      tetti[r] = 0;
      const std::int32_t posizione = posizione_tratto(tratto_della_riga(r));
      if (lato_curva(geometria, r) != 0)
        (geometria.bivio(r) ? esito.bloccati_bivio : esito.bloccati_senza_slot)
            .push_back(posizione);
    } else if (lato_curva(geometria, r) != 0) {
      const condizioni_riga& c = condizioni[r];
      obiettivo[r] =
          proponi(c.velocita_massima, c.velocita_minima, std::fabs(c.raggio), parametri).millimetri;
    }
  }
  propaga_tetti(tetti, condizioni);

  // m0: targets under the pins' caps, for each side (non_raggiunto elsewhere).
  std::vector<std::int32_t> primo_positivo(n, non_raggiunto), primo_negativo(n, non_raggiunto);
  for (std::size_t r = 0; r < n; ++r) {
    if (obiettivo[r] < 0) continue;
    const auto m0 = static_cast<std::int32_t>(std::min<std::int64_t>(obiettivo[r], tetti[r]));
    (lato_curva(geometria, r) > 0 ? primo_positivo : primo_negativo)[r] = m0;
  }

  // Reverse curves: each pair of consecutive runs of opposite sides shares the
  // room between them. The caps they set grow by the steps allowed away from
  // a and b, so that one pass in each direction sets them all.
  {
    const auto avanti_pos = inviluppo_in_avanti(primo_positivo, condizioni);
    const auto avanti_neg = inviluppo_in_avanti(primo_negativo, condizioni);
    const auto indietro_pos = inviluppo_all_indietro(primo_positivo, condizioni);
    const auto indietro_neg = inviluppo_all_indietro(primo_negativo, condizioni);
    std::vector<std::int64_t> tetti_inversione(n, senza_tetto);
    std::size_t fine_precedente = n;  // last row of the previous run, n: none yet
    int lato_precedente = 0;
    std::int64_t stanza = 0;  // D from the previous run's end to this row
    for (std::size_t r = 0; r < n; ++r) {
      const int lato = lato_curva(geometria, r);
      if (r > 0) stanza += condizioni[r].delta;
      if (lato == 0) continue;
      const bool inizio_corsa = r == 0 || lato_curva(geometria, r - 1) != lato;
      if (inizio_corsa) {
        if (fine_precedente < n && lato_precedente == -lato) {
          const std::size_t a = fine_precedente, b = r;
          const std::int64_t h_a =
              std::max<std::int64_t>(0, (lato_precedente > 0 ? avanti_pos : avanti_neg)[a]);
          const std::int64_t h_b =
              std::max<std::int64_t>(0, (lato > 0 ? indietro_pos : indietro_neg)[b]);
          if (h_a + h_b > 0) {
            tetti_inversione[a] = std::min(tetti_inversione[a], stanza * h_a / (h_a + h_b));
            tetti_inversione[b] = std::min(tetti_inversione[b], stanza * h_b / (h_a + h_b));
          }
        }
      }
      lato_precedente = lato;
      fine_precedente = r;
      stanza = 0;
    }
    propaga_tetti(tetti_inversione, condizioni);
    for (std::size_t r = 0; r < n; ++r) tetti[r] = std::min(tetti[r], tetti_inversione[r]);
  }

  // m: the targets under every cap; each side's cant, the envelope of its m.
  std::vector<std::int32_t> positivo(n, non_raggiunto), negativo(n, non_raggiunto);
  for (std::size_t r = 0; r < n; ++r) {
    if (obiettivo[r] < 0) continue;
    const auto m = static_cast<std::int32_t>(std::min<std::int64_t>(obiettivo[r], tetti[r]));
    (lato_curva(geometria, r) > 0 ? positivo : negativo)[r] = m;
  }
  propaga_inviluppo(positivo, condizioni);
  propaga_inviluppo(negativo, condizioni);

  bool con_obiettivo = false;  // the current run holds a target
  for (std::size_t r = 0; r < n; ++r) {
    const int lato = lato_curva(geometria, r);
    if (lato != 0 && (r == 0 || lato_curva(geometria, r - 1) != lato)) con_obiettivo = false;
    con_obiettivo |= obiettivo[r] >= 0;
    const bool fine_corsa = lato != 0 && (r + 1 == n || lato_curva(geometria, r + 1) != lato);
    if (fine_corsa && con_obiettivo) ++esito.curve_progettate;

    if (bloccato[r]) continue;
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
