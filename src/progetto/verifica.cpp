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

// Appends a problem whose text is `parti`, words and figures, glued together.
template <class... Parti>
void segnala(std::vector<problema>& problemi, std::int32_t posizione, codice_problema codice,
             const Parti&... parti) {
  std::string& testo = problemi.emplace_back(problema{posizione, codice, {}}).testo;
  testo.reserve(80);
  (aggiungi(testo, parti), ...);
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
    case codice_problema::massimo:
      return "massimo";
    case codice_problema::rettilineo:
      return "rettilineo";
    case codice_problema::salto:
      return "salto";
    case codice_problema::insufficienza:
      return "insufficienza";
    case codice_problema::eccesso:
      return "eccesso";
    case codice_problema::senza_slot:
      return "senza_slot";
  }
  return "";
}

bool errore(codice_problema codice) {
  return codice == codice_problema::fuori_scala || codice == codice_problema::lato ||
         codice == codice_problema::bivio || codice == codice_problema::insufficienza;
}

std::vector<problema> verifica_linea(const scenario& store, const geometria_linea& geometria,
                                     const parametri_progetto& p) {
  const std::int32_t delta = delta_massimo(p);
  const std::vector<lettura_tratto> letture = leggi_righe(store, geometria);
  const inviluppi inv = calcola_inviluppi(letture, geometria, delta);
  const double c_max = p.sopraelevazione_massima;

  std::vector<problema> problemi;
  for (std::size_t r = 0; r < letture.size(); ++r) {
    const std::int32_t posizione = posizione_tratto(tratto_della_riga(r));
    const lettura_tratto& l = letture[r];
    const std::int32_t c = l.millimetri;
    const double modulo = std::abs(c);
    const std::int16_t raggio = geometria.raggio(r);
    const bool curva = geometria.curva(r);
    using enum codice_problema;

    if (l.fuori_scala)
      segnala(problemi, posizione, fuori_scala, "oggetto sopraelevazione fuori scala (", c,
              " mm): dati danneggiati o estranei");
    if (curva && ((raggio > 0 && c < 0) || (raggio < 0 && c > 0)))
      segnala(problemi, posizione, lato, "sopraelevazione di ", modulo,
              " mm sulla rotaia interna della curva");
    if (geometria.bivio(r) && c != 0)
      segnala(problemi, posizione, bivio, "sopraelevazione di ", modulo, " mm in zona di bivio");
    if (modulo > c_max)
      segnala(problemi, posizione, massimo, "sopraelevazione di ", modulo,
              " mm oltre il massimo di ", c_max, " mm");
    if (raggio == 0 && !geometria.bivio(r) && c != 0 &&
        modulo > (c > 0 ? inv.positivo[r] : inv.negativo[r]))
      segnala(problemi, posizione, rettilineo, "sopraelevazione di ", modulo,
              " mm su rettilineo, non dovuta a un raccordo");
    if (r > 0 && std::abs(c - letture[r - 1].millimetri) > delta)
      segnala(problemi, posizione, salto, "salto di ", std::abs(c - letture[r - 1].millimetri),
              " mm dal tratto precedente (ammessi ", delta, " mm)");
    if (!curva) continue;

    const double r_nominale = std::abs(raggio);
    const double esterna = raggio > 0 ? c : -c;  // cant on the outer rail
    if (p.velocita_massima > 0) {
      const double difetto = sopraelevazione_equilibrio(p.velocita_massima, r_nominale) - esterna;
      if (difetto > p.insufficienza_ammessa)
        segnala(problemi, posizione, insufficienza, "insufficienza di ", difetto, " mm (ammessi ",
                p.insufficienza_ammessa, " mm): velocità ammessa ",
                velocita_ammessa(esterna, p.insufficienza_ammessa, r_nominale), " km/h");
    }
    if (p.velocita_minima > 0) {
      const double oltre = esterna - sopraelevazione_equilibrio(p.velocita_minima, r_nominale);
      if (oltre > p.eccesso_ammesso)
        segnala(problemi, posizione, eccesso, "eccesso di ", oltre,
                " mm alla velocità minima (ammessi ", p.eccesso_ammesso, " mm)");
    }
    if (!l.scrivibile)
      segnala(problemi, posizione, senza_slot,
              "curva senza slot libero: non può avere sopraelevazione");
  }
  return problemi;
}

}  // namespace sopra
