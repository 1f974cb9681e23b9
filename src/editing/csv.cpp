#include "editing/csv.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "analysis/sopraelevazione.hpp"
#include "progetto/verifica.hpp"

namespace sopra {

namespace {

// A figure with `decimali` decimals and "," as separator; -0 is written 0.
std::string decimale(double valore, int decimali) {
  char testo[48];
  const auto fine =
      std::to_chars(testo, testo + sizeof testo, valore + 0.0, std::chars_format::fixed, decimali);
  std::string esito(testo, fine.ptr);
  for (char& c : esito)
    if (c == '.') c = ',';
  if (esito.find_first_not_of("-0,") == std::string::npos && esito.starts_with('-'))
    esito.erase(0, 1);
  return esito;
}

std::string intero(long long valore) {
  return std::to_string(valore);
}

// A speed: whole km/h as a whole number, otherwise with one decimal.
std::string velocita(double valore) {
  return valore == std::floor(valore) ? intero(static_cast<long long>(valore))
                                      : decimale(valore, 1);
}

std::string_view nome_lato(int lato) {
  return lato > 0 ? "SX" : lato < 0 ? "DX" : "";
}

}  // namespace

std::string testo_csv_relazione(const std::vector<curva_relazione>& curve) {
  std::string testo =
      "inizio m;fine m;lato;raggio minimo m;raggio nominale m;V km/h;v km/h;"
      "sopraelevazione mm;equilibrio mm;insufficienza mm;eccesso mm;raccordo prima m;"
      "raccordo dopo m;pendenza massima mm/m;variazione massima mm/s";
  for (const double a : accelerazioni_categorie)
    testo += ";velocità a " + decimale(a, 1) + " m/s² km/h";
  testo += ";problemi\n";
  const auto facoltativo = [](const std::optional<double>& valore, int decimali) {
    return valore ? decimale(*valore, decimali) : std::string();
  };
  for (const curva_relazione& c : curve) {
    std::string riga;
    riga.reserve(160);
    riga += intero(c.inizio) + ';' + intero(c.fine) + ';' + std::string(nome_lato(c.lato)) + ';' +
            decimale(c.raggio_minimo, 1) + ';' + intero(c.raggio_nominale) + ';' +
            (c.velocita_massima > 0 ? velocita(c.velocita_massima) : "") + ';' +
            (c.velocita_minima > 0 ? velocita(c.velocita_minima) : "") + ';' +
            intero(c.sopraelevazione) + ';' + facoltativo(c.equilibrio, 1) + ';' +
            facoltativo(c.insufficienza, 1) + ';' + facoltativo(c.eccesso, 1) + ';' +
            intero(c.raccordo_prima) + ';' + intero(c.raccordo_dopo) + ';' +
            decimale(c.pendenza_massima, 2) + ';' + facoltativo(c.variazione_massima, 1);
    for (const std::int32_t v : c.velocita_categorie) riga += ';' + intero(v);
    riga += ';';
    for (std::size_t k = 0; k < c.problemi.size(); ++k)
      (riga += k == 0 ? "" : " ") += nome_codice(c.problemi[k]);
    testo += riga + '\n';
  }
  return testo;
}

std::string testo_csv_elenco(const scenario& store, const geometria_linea& geometria) {
  std::string testo =
      "posizione m;tipo;lato;raggio nominale m;raggio misurato m;sopraelevazione mm\n";
  testo.reserve(testo.size() + geometria.size() * 40);
  for (std::size_t r = 0; r < geometria.size(); ++r) {
    const std::int32_t s = tratto_della_riga(r);
    const std::int16_t raggio = geometria.raggio(r);
    const double misurato = geometria.raggio_misurato(r);
    const std::string_view tipo = geometria.bivio(r) ? "bivio"
                                  : raggio != 0      ? "curva"
                                                     : "rettilineo";
    ((((testo += intero(posizione_tratto(s))) += ';') += tipo) += ';') += nome_lato(raggio);
    testo += ';';
    if (raggio != 0) testo += intero(std::abs(raggio));
    testo += ';';
    if (misurato != 0) testo += decimale(std::fabs(misurato), 1);
    ((testo += ';') += intero(millimetri_tratto(store, s))) += '\n';
  }
  return testo;
}

}  // namespace sopra
