#include "progetto/verifica.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "analysis/sopraelevazione.hpp"
#include "progetto/raccordi.hpp"

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

// A sentence of words and figures glued together.
template <class... Parti>
std::string frase(const Parti&... parti) {
  std::string testo;
  testo.reserve(80);
  (aggiungi(testo, parti), ...);
  return testo;
}

}  // namespace

std::string_view nome_codice(codice_problema codice) {
  switch (codice) {
    case codice_problema::fuori_scala:
      return "fuori_scala";
    case codice_problema::lato:
      return "lato";
    case codice_problema::bivio:
      return "bivio";
    case codice_problema::bivio_in_curva:
      return "bivio_in_curva";
    case codice_problema::massimo:
      return "massimo";
    case codice_problema::rettilineo:
      return "rettilineo";
    case codice_problema::pendenza:
      return "pendenza";
    case codice_problema::variazione:
      return "variazione";
    case codice_problema::insufficienza:
      return "insufficienza";
    case codice_problema::eccesso:
      return "eccesso";
    case codice_problema::senza_slot:
      return "senza_slot";
  }
  return "";
}

std::string testo_problema(const problema& p) {
  const auto [a, b, c] = p.cifre;
  switch (p.codice) {
    case codice_problema::fuori_scala:
      return frase("oggetto sopraelevazione fuori scala (", a, " mm): dati danneggiati o estranei");
    case codice_problema::lato:
      return frase("sopraelevazione di ", a, " mm sulla rotaia interna della curva");
    case codice_problema::bivio:
      return frase("sopraelevazione di ", a, " mm in zona di bivio");
    case codice_problema::bivio_in_curva:
      return frase("zona di bivio in curva senza sopraelevazione: insufficienza di ", a,
                   " mm (ammessi ", b, " mm): velocità ammessa ", c, " km/h");
    case codice_problema::massimo:
      return frase("sopraelevazione di ", a, " mm oltre il massimo di ", b, " mm");
    case codice_problema::rettilineo:
      return frase("sopraelevazione di ", a, " mm su rettilineo, non dovuta a un raccordo");
    case codice_problema::pendenza:
      return frase("salto di ", a, " mm dal tratto precedente, più ripido del raccordo (ammessi ",
                   b, " mm)");
    case codice_problema::variazione:
      return frase("salto di ", a, " mm dal tratto precedente: troppo rapido a ", c,
                   " km/h (ammessi ", b, " mm)");
    case codice_problema::insufficienza:
      return frase("insufficienza di ", a, " mm (ammessi ", b, " mm): velocità ammessa ", c,
                   " km/h");
    case codice_problema::eccesso:
      return frase("eccesso di ", a, " mm alla velocità minima (ammessi ", b, " mm)");
    case codice_problema::senza_slot:
      return "curva senza slot libero: non può avere sopraelevazione";
  }
  return {};
}

bool errore(codice_problema codice) {
  using enum codice_problema;
  return codice == fuori_scala || codice == lato || codice == bivio || codice == bivio_in_curva ||
         codice == pendenza || codice == insufficienza;
}

std::vector<problema> verifica_linea(const scenario& store, const geometria_linea& geometria,
                                     const parametri_progetto& parametri) {
  return verifica_linea(store, geometria, parametri, profilo_velocita::da_parametri(parametri));
}

std::vector<problema> verifica_linea(const scenario& store, const geometria_linea& geometria,
                                     const parametri_progetto& p, const profilo_velocita& profilo) {
  const condizioni_linea condizioni = condizioni_righe(geometria, p, profilo);
  const std::vector<lettura_tratto> letture = leggi_righe(store, geometria);
  const inviluppi inv = calcola_inviluppi(letture, geometria, condizioni);
  const double c_max = p.sopraelevazione_massima;
  const std::int32_t delta_pendenza = delta_tra(p, 0, 0);

  // Room for a problem a row, which few lines reach: the problems are never
  // moved as they are found, and room they do not use costs no memory.
  std::vector<problema> problemi;
  problemi.reserve(letture.size());
  for (std::size_t r = 0; r < letture.size(); ++r) {
    const std::int32_t posizione = posizione_tratto(tratto_della_riga(r));
    const lettura_tratto& l = letture[r];
    const condizioni_riga& cr = condizioni[r];
    const std::int32_t c = l.millimetri;
    const double modulo = std::abs(c);
    const std::int16_t raggio = geometria.raggio(r);
    const bool curva = geometria.curva(r);
    const double r_progetto = std::fabs(cr.raggio);
    const double esterna = raggio > 0 ? c : -c;  // cant on the outer rail
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
        modulo > (c > 0 ? inv.positivo[r] : inv.negativo[r]))
      segnala(problemi, posizione, rettilineo, modulo);
    if (r > 0) {
      const std::int32_t passo = std::abs(c - letture[r - 1].millimetri);
      if (passo > delta_pendenza) {
        segnala(problemi, posizione, pendenza, passo, delta_pendenza);
      } else if (passo > cr.delta) {
        segnala(problemi, posizione, variazione, passo, cr.delta,
                std::max(cr.velocita_massima, condizioni[r - 1].velocita_massima));
      }
    }
    if (!curva) continue;

    if (cr.velocita_massima > 0) {
      const double difetto = sopraelevazione_equilibrio(cr.velocita_massima, r_progetto) - esterna;
      if (difetto > p.insufficienza_ammessa)
        segnala(problemi, posizione, insufficienza, difetto, p.insufficienza_ammessa,
                velocita_ammessa(esterna, p.insufficienza_ammessa, r_progetto));
    }
    if (cr.velocita_minima > 0) {
      const double oltre = esterna - sopraelevazione_equilibrio(cr.velocita_minima, r_progetto);
      if (oltre > p.eccesso_ammesso)
        segnala(problemi, posizione, eccesso, oltre, p.eccesso_ammesso);
    }
    if (!l.scrivibile) segnala(problemi, posizione, senza_slot);
  }
  return problemi;
}

}  // namespace sopra
