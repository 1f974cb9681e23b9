#include "ui/albero_linea.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "analysis/curva.hpp"
#include "analysis/sopraelevazione.hpp"
#include "editing/scenario_aperto.hpp"
#include "progetto/condizioni.hpp"
#include "progetto/verifica.hpp"
#include "scenario/parallelo.hpp"

namespace {

std::int16_t a_int16(std::int32_t mm) {
  return static_cast<std::int16_t>(std::clamp(mm, -INT16_MAX, +INT16_MAX));
}

}  // namespace

void albero_linea::costruisci(const sopra::scenario_aperto* aperto) {
  aperto_ = aperto;
  righe_ = aperto ? static_cast<int>(aperto->geometria().size()) : 0;
  foglie_ = std::bit_ceil(static_cast<std::size_t>(std::max(righe_, 1)));
  const std::size_t nodi = 2 * foglie_;
  constexpr double infinito = std::numeric_limits<double>::infinity();
  punti_.assign(static_cast<std::size_t>(righe_), {});
  scatole_.assign(nodi, {infinito, infinito, -infinito, -infinito});
  bandiere_.assign(nodi, 0);
  minimi_.assign(nodi, INT16_MAX);
  massimi_.assign(nodi, INT16_MIN);
  problemi_.assign(nodi, 0);
  problemi_riga_.assign(static_cast<std::size_t>(righe_), 0);
  imposta_riferimenti(nullptr, 0);
  if (!aperto_) return;

  const sopra::scenario& store = aperto_->store();
  const sopra::geometria_linea& geometria = aperto_->geometria();
  for (int r = 0; r < righe_; ++r) {
    const sopra::punto_linea& p = sopra::punto_tratto(store, sopra::tratto_della_riga(r));
    punti_[static_cast<std::size_t>(r)] = {p.x, p.y};
  }
  for (int r = 0; r < righe_; ++r) {
    const auto i = static_cast<std::size_t>(r);
    const QPointF& a = punti_[i];
    const QPointF& b = punti_[std::min(i + 1, punti_.size() - 1)];
    scatole_[foglie_ + i] = {std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()),
                             std::max(a.y(), b.y())};
    const std::int16_t raggio = geometria.raggio(i);
    const auto classe = static_cast<std::uint32_t>(geometria.classe(i));
    std::uint32_t f = raggio == 0  ? bit_rettilineo
                      : raggio > 0 ? (1u << classe)
                                   : (1u << (bit_destra + classe));
    if (geometria.bivio(i)) f |= bit_bivio;
    bandiere_[foglie_ + i] = f;
  }
  for (std::size_t n = foglie_ - 1; n >= 1; --n) {
    const scatola& a = scatole_[2 * n];
    const scatola& b = scatole_[2 * n + 1];
    scatole_[n] = {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1),
                   std::max(a.y1, b.y1)};
    bandiere_[n] = bandiere_[2 * n] | bandiere_[2 * n + 1];
  }
  leggi_sopraelevazioni();
}

void albero_linea::leggi_sopraelevazioni() {
  if (!aperto_) return;
  // Each leaf reads its own row: the leaves are read in pieces side by side.
  const auto righe = static_cast<std::size_t>(righe_);
  sopra::in_parallelo(righe, sopra::pezzi_per(righe), [&](std::size_t primo, std::size_t fine) {
    for (std::size_t r = primo; r < fine; ++r) {
      const std::int16_t v = a_int16(aperto_->millimetri_riga(r));
      minimi_[foglie_ + r] = v;
      massimi_[foglie_ + r] = v;
    }
  });
  for (std::size_t n = foglie_ - 1; n >= 1; --n) {
    minimi_[n] = std::min(minimi_[2 * n], minimi_[2 * n + 1]);
    massimi_[n] = std::max(massimi_[2 * n], massimi_[2 * n + 1]);
  }
}

void albero_linea::rileggi_riga(int riga) {
  if (!aperto_ || riga < 0 || riga >= righe_) return;
  std::size_t n = foglie_ + static_cast<std::size_t>(riga);
  minimi_[n] = massimi_[n] = a_int16(aperto_->millimetri_riga(static_cast<std::size_t>(riga)));
  for (n /= 2; n >= 1; n /= 2) {
    minimi_[n] = std::min(minimi_[2 * n], minimi_[2 * n + 1]);
    massimi_[n] = std::max(massimi_[2 * n], massimi_[2 * n + 1]);
  }
}

void albero_linea::imposta_problemi(const std::vector<sopra::problema>& problemi) {
  for (std::uint8_t& b : problemi_riga_) b &= bit_abbassato;
  for (const sopra::problema& p : problemi) {
    const auto r = sopra::riga_alla_posizione(p.posizione, problemi_riga_.size());
    if (!r) continue;
    problemi_riga_[*r] |= sopra::errore(p.codice) ? bit_errore : bit_avviso;
  }
  ricostruisci_problemi();
}

void albero_linea::imposta_abbassati(const std::vector<std::int32_t>& posizioni) {
  for (std::uint8_t& b : problemi_riga_) b &= static_cast<std::uint8_t>(~bit_abbassato);
  for (const std::int32_t metri : posizioni)
    if (const auto r = sopra::riga_alla_posizione(metri, problemi_riga_.size()))
      problemi_riga_[*r] |= bit_abbassato;
  ricostruisci_problemi();
}

void albero_linea::ricostruisci_problemi() {
  std::fill(problemi_.begin(), problemi_.end(), 0);
  std::copy(problemi_riga_.begin(), problemi_riga_.end(),
            problemi_.begin() + static_cast<std::ptrdiff_t>(foglie_));
  for (std::size_t n = foglie_ - 1; n >= 1; --n)
    problemi_[n] = problemi_[2 * n] | problemi_[2 * n + 1];
}

void albero_linea::imposta_riferimenti(const sopra::condizioni_linea* condizioni,
                                       double insufficienza_ammessa) {
  riferimenti_ = condizioni != nullptr;
  if (!riferimenti_) {
    for (auto* v : {&equilibri_minimi_, &equilibri_massimi_, &minime_minime_, &minime_massime_})
      v->clear();
    return;
  }
  const std::size_t nodi = 2 * foglie_;
  equilibri_minimi_.assign(nodi, INT16_MAX);
  equilibri_massimi_.assign(nodi, INT16_MIN);
  minime_minime_.assign(nodi, INT16_MAX);
  minime_massime_.assign(nodi, INT16_MIN);
  const auto a_mm = [](double mm) {
    return static_cast<std::int16_t>(
        std::clamp(std::lround(mm), -long{INT16_MAX}, long{INT16_MAX}));
  };
  for (int r = 0; r < righe_; ++r) {
    const auto i = static_cast<std::size_t>(r);
    const sopra::condizioni_riga c = (*condizioni)[i];
    double e = 0, n = 0;
    // Straights and sections without a speed need no cant.
    if (c.raggio != 0 && c.velocita_massima > 0) {
      const double raggio = std::abs(c.raggio);
      const double lato = c.raggio > 0 ? 1 : -1;
      e = lato * sopra::sopraelevazione_equilibrio(c.velocita_massima, raggio);
      n = lato * std::max(0.0, sopra::sopraelevazione_minima(c.velocita_massima,
                                                             insufficienza_ammessa, raggio));
    }
    const std::size_t foglia = foglie_ + i;
    equilibri_minimi_[foglia] = equilibri_massimi_[foglia] = a_mm(e);
    minime_minime_[foglia] = minime_massime_[foglia] = a_mm(n);
  }
  for (std::size_t n = foglie_ - 1; n >= 1; --n) {
    equilibri_minimi_[n] = std::min(equilibri_minimi_[2 * n], equilibri_minimi_[2 * n + 1]);
    equilibri_massimi_[n] = std::max(equilibri_massimi_[2 * n], equilibri_massimi_[2 * n + 1]);
    minime_minime_[n] = std::min(minime_minime_[2 * n], minime_minime_[2 * n + 1]);
    minime_massime_[n] = std::max(minime_massime_[2 * n], minime_massime_[2 * n + 1]);
  }
}

albero_linea::aggregato albero_linea::interroga(int da, int a) const {
  aggregato q;
  auto aggiungi = [&](std::size_t n) {
    q.minimo = std::min(q.minimo, minimi_[n]);
    q.massimo = std::max(q.massimo, massimi_[n]);
    q.bandiere |= bandiere_[n];
    q.problemi |= problemi_[n];
    if (riferimenti_) {
      q.equilibrio_minimo = std::min(q.equilibrio_minimo, equilibri_minimi_[n]);
      q.equilibrio_massimo = std::max(q.equilibrio_massimo, equilibri_massimi_[n]);
      q.minima_minimo = std::min(q.minima_minimo, minime_minime_[n]);
      q.minima_massimo = std::max(q.minima_massimo, minime_massime_[n]);
    }
  };
  std::size_t l = foglie_ + static_cast<std::size_t>(std::max(da, 0));
  std::size_t h = foglie_ + static_cast<std::size_t>(std::min(a, righe_));
  for (; l < h; l /= 2, h /= 2) {
    if (l & 1) aggiungi(l++);
    if (h & 1) aggiungi(--h);
  }
  return q;
}
