#include "editing/csv.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "analysis/sopraelevazione.hpp"
#include "progetto/verifica.hpp"

namespace sopra {

namespace {

// Appends a figure with `decimali` decimals and "," as separator; -0 is written 0.
void aggiungi_decimale(std::string& testo, double valore, int decimali) {
  char cifre[48];
  char* fine =
      std::to_chars(cifre, cifre + sizeof cifre, valore + 0.0, std::chars_format::fixed, decimali)
          .ptr;
  char* inizio = cifre;
  if (*inizio == '-' && std::all_of(inizio + 1, fine, [](char c) { return c == '0' || c == '.'; }))
    ++inizio;
  for (char* c = inizio; c != fine; ++c)
    if (*c == '.') *c = ',';
  testo.append(inizio, fine);
}

void aggiungi_intero(std::string& testo, long long valore) {
  char cifre[24];
  testo.append(cifre, std::to_chars(cifre, cifre + sizeof cifre, valore).ptr);
}

// A speed: whole km/h as a whole number, otherwise with one decimal; nothing when 0.
void aggiungi_velocita(std::string& testo, double valore) {
  if (!(valore > 0)) return;
  if (valore == std::floor(valore))
    aggiungi_intero(testo, static_cast<long long>(valore));
  else
    aggiungi_decimale(testo, valore, 1);
}

void aggiungi_facoltativo(std::string& testo, const std::optional<double>& valore, int decimali) {
  if (valore) aggiungi_decimale(testo, *valore, decimali);
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
  for (const double a : accelerazioni_categorie) {
    testo += ";velocità a ";
    aggiungi_decimale(testo, a, 1);
    testo += " m/s² km/h";
  }
  testo += ";problemi\n";
  testo.reserve(testo.size() + curve.size() * 128);
  for (const curva_relazione& c : curve) {
    aggiungi_intero(testo, c.inizio);
    testo += ';';
    aggiungi_intero(testo, c.fine);
    (testo += ';') += nome_lato(c.lato);
    testo += ';';
    aggiungi_decimale(testo, c.raggio_minimo, 1);
    testo += ';';
    aggiungi_intero(testo, c.raggio_nominale);
    testo += ';';
    aggiungi_velocita(testo, c.velocita_massima);
    testo += ';';
    aggiungi_velocita(testo, c.velocita_minima);
    testo += ';';
    aggiungi_intero(testo, c.sopraelevazione);
    testo += ';';
    aggiungi_facoltativo(testo, c.equilibrio, 1);
    testo += ';';
    aggiungi_facoltativo(testo, c.insufficienza, 1);
    testo += ';';
    aggiungi_facoltativo(testo, c.eccesso, 1);
    testo += ';';
    aggiungi_intero(testo, c.raccordo_prima);
    testo += ';';
    aggiungi_intero(testo, c.raccordo_dopo);
    testo += ';';
    aggiungi_decimale(testo, c.pendenza_massima, 2);
    testo += ';';
    aggiungi_facoltativo(testo, c.variazione_massima, 1);
    for (const std::int32_t v : c.velocita_categorie) {
      testo += ';';
      aggiungi_intero(testo, v);
    }
    testo += ';';
    for (std::size_t k = 0; k < c.problemi.size(); ++k)
      (testo += k == 0 ? "" : " ") += nome_codice(c.problemi[k]);
    testo += '\n';
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
    aggiungi_intero(testo, posizione_tratto(s));
    (((testo += ';') += tipo) += ';') += nome_lato(raggio);
    testo += ';';
    if (raggio != 0) aggiungi_intero(testo, std::abs(raggio));
    testo += ';';
    if (misurato != 0) aggiungi_decimale(testo, std::fabs(misurato), 1);
    testo += ';';
    aggiungi_intero(testo, millimetri_tratto(store, s));
    testo += '\n';
  }
  return testo;
}

}  // namespace sopra
