#include "progetto/verifica.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "analysis/sopraelevazione.hpp"
#include "progetto/raccordi.hpp"
#include "scenario/parallelo.hpp"

namespace sopra {

namespace {

// Appends a figure in millimetres or km/h: whole when it is within 0.05 of a
// whole number, else with one decimal and "." as separator.
void aggiungi(std::string& testo, double cifra) {
  char cifre[32];
  const double intero = std::round(cifra);
  const auto fine =
      std::fabs(cifra - intero) < 0.05
          ? std::to_chars(cifre, cifre + sizeof cifre, static_cast<long long>(intero))
          : std::to_chars(cifre, cifre + sizeof cifre, cifra, std::chars_format::fixed, 1);
  testo.append(cifre, fine.ptr);
}
void aggiungi(std::string& testo, std::string_view parte) {
  testo += parte;
}

// Appends a problem with its figures.
void segnala(std::vector<problema>& problemi, std::int32_t posizione, codice_problema codice,
             double a = 0, double b = 0, double c = 0) {
  problemi.push_back({posizione, codice, {a, b, c}});
}

}  // namespace

// The table is in the order of codice_problema, and each sentence names only
// the three figures a problem holds.
constexpr bool tabella_in_ordine() {
  for (std::size_t k = 0; k < numero_codici; ++k) {
    if (static_cast<std::size_t>(codici_problema[k].codice) != k) return false;
    const std::string_view f = codici_problema[k].frase;
    for (std::size_t i = f.find('{'); i != std::string_view::npos; i = f.find('{', i + 1))
      if (i + 2 >= f.size() || f[i + 1] < '0' || f[i + 1] > '2' || f[i + 2] != '}') return false;
  }
  return true;
}
static_assert(tabella_in_ordine());

std::string_view nome_codice(codice_problema codice) {
  return voce_del_codice(codice).nome;
}

std::string testo_problema(const problema& p) {
  const std::string_view f = voce_del_codice(p.codice).frase;
  std::string testo;
  testo.reserve(80);
  std::size_t da = 0;
  for (std::size_t i = f.find('{'); i != std::string_view::npos; i = f.find('{', da)) {
    aggiungi(testo, f.substr(da, i - da));
    aggiungi(testo, p.cifre[static_cast<std::size_t>(f[i + 1] - '0')]);
    da = i + 3;
  }
  aggiungi(testo, f.substr(da));
  return testo;
}

bool errore(codice_problema codice) {
  return voce_del_codice(codice).gravita == gravita_problema::errore;
}

std::vector<problema> verifica_linea(const scenario& store, const geometria_linea& geometria,
                                     const parametri_progetto& parametri) {
  return verifica_linea(store, geometria, parametri, profilo_velocita::da_parametri(parametri));
}

namespace {

// What judging one row needs: the line, the parameters, the rows' conditions,
// readings and envelopes.
struct contesto_verifica {
  const geometria_linea& geometria;
  const parametri_progetto& p;
  const condizioni_linea& condizioni;
  const std::vector<lettura_tratto>& letture;
  const inviluppi& inv;
};

// Appends the problems of row r, in the order of codice_problema.
void giudica_riga(const contesto_verifica& x, std::size_t r, std::vector<problema>& problemi) {
  const geometria_linea& geometria = x.geometria;
  const parametri_progetto& p = x.p;
  const std::int32_t posizione = posizione_tratto(tratto_della_riga(r));
  const lettura_tratto& l = x.letture[r];
  const condizioni_riga cr = x.condizioni[r];
  const std::int32_t c = l.millimetri;
  const double modulo = std::abs(c);
  const std::int16_t raggio = geometria.raggio(r);
  const bool curva = geometria.curva(r);
  const double r_progetto = std::fabs(cr.raggio);
  const double esterna = raggio > 0 ? c : -c;  // cant on the outer rail
  const double c_max = p.sopraelevazione_massima;
  const std::int32_t delta_pendenza = delta_tra(p, 0, 0);
  using enum codice_problema;

  if (l.fuori_scala) segnala(problemi, posizione, fuori_scala, c);
  if (curva && ((raggio > 0 && c < 0) || (raggio < 0 && c > 0)))
    segnala(problemi, posizione, lato, modulo);
  if (geometria.bivio(r) && c != 0) segnala(problemi, posizione, bivio, modulo);
  if (geometria.bivio(r) && raggio != 0 && cr.velocita_massima > 0) {
    const double difetto = sopraelevazione_equilibrio(cr.velocita_massima, r_progetto) - esterna;
    if (difetto > p.insufficienza_ammessa)
      segnala(problemi, posizione, bivio_in_curva, difetto, p.insufficienza_ammessa,
              velocita_ammessa(esterna, p.insufficienza_ammessa, r_progetto));
  }
  if (modulo > c_max) segnala(problemi, posizione, massimo, modulo, c_max);
  if (raggio == 0 && !geometria.bivio(r) && c != 0 &&
      modulo > (c > 0 ? x.inv.positivo[r] : x.inv.negativo[r]))
    segnala(problemi, posizione, rettilineo, modulo);
  if (r > 0) {
    const std::int32_t passo = std::abs(c - x.letture[r - 1].millimetri);
    if (passo > delta_pendenza) {
      segnala(problemi, posizione, pendenza, passo, delta_pendenza);
    } else if (passo > cr.delta) {
      segnala(problemi, posizione, variazione, passo, cr.delta,
              std::max(cr.velocita_massima, x.condizioni[r - 1].velocita_massima));
    }
  }
  if (!curva) return;

  if (cr.velocita_massima > 0) {
    const double difetto = sopraelevazione_equilibrio(cr.velocita_massima, r_progetto) - esterna;
    if (difetto > p.insufficienza_ammessa)
      segnala(problemi, posizione, insufficienza, difetto, p.insufficienza_ammessa,
              velocita_ammessa(esterna, p.insufficienza_ammessa, r_progetto));
  }
  if (cr.velocita_minima > 0) {
    const double oltre = esterna - sopraelevazione_equilibrio(cr.velocita_minima, r_progetto);
    if (oltre > p.eccesso_ammesso) segnala(problemi, posizione, eccesso, oltre, p.eccesso_ammesso);
  }
  if (!l.scrivibile) segnala(problemi, posizione, senza_slot);
}

// The value row r gives the envelope of one side (calcola_inviluppi): its
// cant's magnitude when it is a curve's cant of that side, else none.
std::int32_t sorgente(const geometria_linea& geometria, const lettura_tratto& l, std::size_t r,
                      bool positivo) {
  if (!geometria.curva(r) || l.fuori_scala) return non_raggiunto;
  if (positivo) return l.millimetri > 0 ? l.millimetri : non_raggiunto;
  return l.millimetri < 0 ? -l.millimetri : non_raggiunto;
}

// Replaces `problemi` with the problems of every row. A row's judgement reads
// the line and never the other rows' problems: pieces of rows are judged side
// by side, each into its own list, and the lists joined in row order.
void giudica_righe(const contesto_verifica& x, std::vector<problema>& problemi) {
  constexpr std::size_t righe_per_pezzo = 16384;
  const std::size_t righe = x.letture.size();
  const std::size_t pezzi = (righe + righe_per_pezzo - 1) / righe_per_pezzo;
  std::vector<std::vector<problema>> parti(pezzi);
  in_parallelo_a_turni(righe, righe_per_pezzo, pezzi_per(righe),
                       [&](std::size_t primo, std::size_t fine) {
                         std::vector<problema>& parte = parti[primo / righe_per_pezzo];
                         parte.reserve(fine - primo);
                         for (std::size_t r = primo; r < fine; ++r) giudica_riga(x, r, parte);
                       });
  std::size_t quanti = 0;
  for (const auto& parte : parti) quanti += parte.size();
  problemi.clear();
  problemi.reserve(quanti);
  for (const auto& parte : parti) problemi.insert(problemi.end(), parte.begin(), parte.end());
}

}  // namespace

std::vector<problema> verifica_linea(const scenario& store, const geometria_linea& geometria,
                                     const parametri_progetto& p, const profilo_velocita& profilo) {
  const condizioni_linea condizioni = condizioni_righe(geometria, p, profilo);
  const std::vector<lettura_tratto> letture = leggi_righe(store, geometria);
  const inviluppi inv = calcola_inviluppi(letture, geometria, condizioni);
  const contesto_verifica x{geometria, p, condizioni, letture, inv};

  std::vector<problema> problemi;
  giudica_righe(x, problemi);
  return problemi;
}

verifica_viva::verifica_viva(const scenario& store, const geometria_linea& geometria,
                             const parametri_progetto& parametri, const profilo_velocita& profilo)
    : parametri_(parametri), profilo_(profilo) {
  ricalcola(store, geometria);
}

void verifica_viva::ricalcola(const scenario& store, const geometria_linea& geometria) {
  condizioni_ = condizioni_righe(geometria, parametri_, profilo_);
  sopraelevazioni_cambiate(store, geometria);
}

void verifica_viva::sopraelevazioni_cambiate(const scenario& store,
                                             const geometria_linea& geometria) {
  letture_ = leggi_righe(store, geometria);
  giudica_linea(geometria);
}

void verifica_viva::sopraelevazioni_cambiate(const scenario& store,
                                             const geometria_linea& geometria,
                                             std::span<const std::size_t> righe) {
  // Rows given once each read their own sections: in pieces side by side.
  in_parallelo(righe.size(), pezzi_per(righe.size()), [&](std::size_t primo, std::size_t fine) {
    for (const std::size_t r : righe.subspan(primo, fine - primo)) {
      if (r < letture_.size())
        letture_[r] =
            leggi_tratto(store.tratti[static_cast<std::size_t>(tratto_della_riga(r))].oggetti);
    }
  });
  giudica_linea(geometria);
}

void verifica_viva::sopraelevazioni_cambiate(const geometria_linea& geometria,
                                             std::span<const std::size_t> righe,
                                             std::span<const lettura_tratto> letture) {
  for (std::size_t k = 0; k < righe.size() && k < letture.size(); ++k)
    if (righe[k] < letture_.size()) letture_[righe[k]] = letture[k];
  giudica_linea(geometria);
}

void verifica_viva::giudica_linea(const geometria_linea& geometria) {
  inv_ = calcola_inviluppi(letture_, geometria, condizioni_);
  const contesto_verifica x{geometria, parametri_, condizioni_, letture_, inv_};
  giudica_righe(x, problemi_);
}

void verifica_viva::riga_cambiata(const scenario& store, const geometria_linea& geometria,
                                  std::size_t riga) {
  const std::size_t n = letture_.size();
  if (riga >= n) return;
  const lettura_tratto prima = letture_[riga];
  const lettura_tratto dopo =
      leggi_tratto(store.tratti[static_cast<std::size_t>(tratto_della_riga(riga))].oggetti);
  letture_[riga] = dopo;

  // The rows the envelopes can change on: those the row's old or new cant
  // reaches with a positive value, |c| less the steps allowed on the way.
  // Beyond them the row adds nothing positive, and only positive values of
  // an envelope count (a straight's cant is never below 1 mm).
  std::int32_t portata = 0;
  for (const bool positivo : {true, false}) {
    portata = std::max({portata, sorgente(geometria, prima, riga, positivo),
                        sorgente(geometria, dopo, riga, positivo)});
  }
  std::size_t da = riga;
  std::size_t a = riga;
  if (portata > 0) {
    std::int64_t distanza = 0;
    while (da > 0 && distanza + condizioni_.delta(da) < portata)
      distanza += condizioni_.delta(da--);
    distanza = 0;
    while (a + 1 < n && distanza + condizioni_.delta(a + 1) < portata)
      distanza += condizioni_.delta(++a);
    // The envelopes anew on rows da .. a, from the sources among them and
    // the values just outside, whose positive part the row cannot change.
    for (const bool positivo : {true, false}) {
      std::vector<std::int32_t>& valori = positivo ? inv_.positivo : inv_.negativo;
      std::int32_t prima_di = da > 0 ? valori[da - 1] : non_raggiunto;
      for (std::size_t r = da; r <= a; ++r) {
        valori[r] = std::max(sorgente(geometria, letture_[r], r, positivo),
                             std::max(prima_di - condizioni_.delta(r), non_raggiunto));
        prima_di = valori[r];
      }
      std::int32_t dopo_di = a + 1 < n ? valori[a + 1] : non_raggiunto;
      for (std::size_t r = a + 1; r-- > da;) {
        const std::int32_t passo = r + 1 < n ? condizioni_.delta(r + 1) : 0;
        valori[r] = std::max(valori[r], std::max(dopo_di - passo, non_raggiunto));
        dopo_di = valori[r];
      }
    }
  }
  // The row's step to the next row is judged on the next row.
  a = std::min(std::max(a, riga + 1), n - 1);

  // The problems of rows da .. a replaced by theirs judged anew.
  const auto per_posizione = [](const problema& p) { return p.posizione; };
  const auto inizio = std::ranges::lower_bound(problemi_, posizione_tratto(tratto_della_riga(da)),
                                               {}, per_posizione);
  const auto fine = std::ranges::upper_bound(problemi_, posizione_tratto(tratto_della_riga(a)), {},
                                             per_posizione);
  nuovi_.clear();
  const contesto_verifica x{geometria, parametri_, condizioni_, letture_, inv_};
  for (std::size_t r = da; r <= a; ++r) giudica_riga(x, r, nuovi_);
  const auto dove = problemi_.erase(inizio, fine);
  problemi_.insert(dove, nuovi_.begin(), nuovi_.end());
}

}  // namespace sopra
