#include "progetto/verifica.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "analysis/sopraelevazione.hpp"
#include "progetto/raccordi.hpp"

namespace sopra {

namespace {

// A figure in millimetres or km/h: whole when it is within 0.05 of a whole
// number, else with one decimal and "." as separator.
std::string testo_cifra(double valore) {
  char testo[32];
  const double intero = std::round(valore);
  const auto fine =
      std::fabs(valore - intero) < 0.05
          ? std::to_chars(testo, testo + sizeof testo, static_cast<long long>(intero))
          : std::to_chars(testo, testo + sizeof testo, valore, std::chars_format::fixed, 1);
  return std::string(testo, fine.ptr);
}

// Glues the parts of a problem's text; numbers go through testo_cifra.
struct componi {
  std::string testo;
  componi& operator<<(std::string_view parte) {
    testo += parte;
    return *this;
  }
  componi& operator<<(double cifra) {
    testo += testo_cifra(cifra);
    return *this;
  }
};

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
  const std::vector<std::int32_t> millimetri = sopraelevazioni_righe(store, geometria);
  const inviluppi inv = calcola_inviluppi(millimetri, geometria, delta);

  std::vector<problema> problemi;
  for (std::size_t r = 0; r < millimetri.size(); ++r) {
    const std::int32_t s = tratto_della_riga(r);
    const std::int32_t posizione = posizione_tratto(s);
    const std::int32_t c = millimetri[r];
    const double modulo = std::abs(c);
    const std::int16_t raggio = geometria.raggio(r);
    const bool curva = geometria.curva(r);
    const auto segnala = [&](codice_problema codice, componi testo) {
      problemi.push_back({posizione, codice, std::move(testo.testo)});
    };

    if (fuori_scala(store, s, c))
      segnala(codice_problema::fuori_scala, componi{} << "oggetto sopraelevazione fuori scala ("
                                                      << static_cast<double>(c)
                                                      << " mm): dati danneggiati o estranei");
    if (curva && ((raggio > 0 && c < 0) || (raggio < 0 && c > 0)))
      segnala(codice_problema::lato, componi{} << "sopraelevazione di " << modulo
                                               << " mm sulla rotaia interna della curva");
    if (geometria.bivio(r) && c != 0)
      segnala(codice_problema::bivio,
              componi{} << "sopraelevazione di " << modulo << " mm in zona di bivio");
    if (modulo > p.sopraelevazione_massima)
      segnala(codice_problema::massimo,
              componi{} << "sopraelevazione di " << modulo << " mm oltre il massimo di "
                        << static_cast<double>(p.sopraelevazione_massima) << " mm");
    if (raggio == 0 && !geometria.bivio(r) && c != 0 &&
        modulo > (c > 0 ? inv.positivo[r] : inv.negativo[r]))
      segnala(codice_problema::rettilineo, componi{}
                                               << "sopraelevazione di " << modulo
                                               << " mm su rettilineo, non dovuta a un raccordo");
    if (r > 0 && std::abs(c - millimetri[r - 1]) > delta)
      segnala(codice_problema::salto,
              componi{} << "salto di " << static_cast<double>(std::abs(c - millimetri[r - 1]))
                        << " mm dal tratto precedente (ammessi " << static_cast<double>(delta)
                        << " mm)");
    if (!curva) continue;

    const double r_nominale = std::abs(raggio);
    const double esterna = raggio > 0 ? c : -c;  // cant on the outer rail
    if (p.velocita_massima > 0) {
      const double insufficienza =
          sopraelevazione_equilibrio(p.velocita_massima, r_nominale) - esterna;
      if (insufficienza > p.insufficienza_ammessa)
        segnala(codice_problema::insufficienza,
                componi{} << "insufficienza di " << insufficienza << " mm (ammessi "
                          << static_cast<double>(p.insufficienza_ammessa)
                          << " mm): velocità ammessa "
                          << static_cast<double>(
                                 velocita_ammessa(esterna, p.insufficienza_ammessa, r_nominale))
                          << " km/h");
    }
    if (p.velocita_minima > 0) {
      const double eccesso = esterna - sopraelevazione_equilibrio(p.velocita_minima, r_nominale);
      if (eccesso > p.eccesso_ammesso)
        segnala(codice_problema::eccesso,
                componi{} << "eccesso di " << eccesso << " mm alla velocità minima (ammessi "
                          << static_cast<double>(p.eccesso_ammesso) << " mm)");
    }
    if (!slot_scrivibile(store.tratti[static_cast<std::size_t>(s)].oggetti))
      segnala(codice_problema::senza_slot,
              componi{} << "curva senza slot libero: non può avere sopraelevazione");
  }
  return problemi;
}

}  // namespace sopra
