#include "generatore_demo.hpp"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

#include "analysis/curva.hpp"
#include "analysis/sopraelevazione.hpp"
#include "scenario/caso.hpp"
#include "scenario/file_scenario.hpp"
#include "scenario/records.hpp"
#include "scenario/scenario.hpp"

namespace sopra {

namespace fs = std::filesystem;

namespace {

// One stretch of the route: a straight heading east, or an arc turning left
// (lato +1) or right (lato -1).
struct segmento {
  double lunghezza;
  double raggio = 0;  // 0: straight
  int lato = 0;
};

// The route repeats: for each radius class a straight, then a reverse curve (an
// arc to one side followed by an arc to the other) that brings the heading back
// to east, so that every straight runs exactly along the x axis. Odd classes
// turn right first, so both sides of every class come early in the line.
std::vector<segmento> percorso() {
  std::vector<segmento> segmenti;
  for (std::size_t k = 0; k < std::size(raggi_nominali); ++k) {
    const int primo = k % 2 == 0 ? 1 : -1;
    segmenti.push_back({330});
    segmenti.push_back({260, static_cast<double>(raggi_nominali[k]), primo});
    segmenti.push_back({260, static_cast<double>(raggi_nominali[k]), -primo});
  }
  return segmenti;
}

// Where a metre of the route lies: which segment, and which side it bends to.
class geometria {
 public:
  geometria() : segmenti_(percorso()) {
    for (const auto& s : segmenti_) giro_ += s.lunghezza;
  }

  // The bend at metre m: 0 straight, +1 left, -1 right.
  int lato(double m) const {
    double u = std::fmod(m, giro_);
    for (const auto& s : segmenti_) {
      if (u < s.lunghezza) return s.lato;
      u -= s.lunghezza;
    }
    return 0;
  }

  // Points 0 .. ultimo, one metre apart, written to `file` in bulk.
  void scrivi_punti(const fs::path& file, std::int64_t ultimo) const {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    std::vector<std::uint8_t> blocco;
    blocco.reserve(1 << 20);
    double x = 0, y = 0;   // start of the current segment
    double direzione = 0;  // heading of the current segment, radians
    double inizio = 0;     // metre at which the current segment starts
    std::int64_t m = 0;
    for (std::size_t i = 0; m <= ultimo; i = (i + 1) % segmenti_.size()) {
      const segmento& s = segmenti_[i];
      const double fine = inizio + s.lunghezza;
      if (s.raggio == 0) {
        // Straight along x: y stays the same double and x advances by whole
        // metres from a start snapped to 1/1024 m, so three consecutive points
        // are exactly collinear in floating point.
        const double primo = std::round((x + (static_cast<double>(m) - inizio)) * 1024) / 1024;
        const std::int64_t m0 = m;
        for (; m <= ultimo && static_cast<double>(m) < fine; ++m) {
          aggiungi(blocco, out, {primo + static_cast<double>(m - m0), y});
        }
        x += s.lunghezza;
      } else {
        const double cx = x - s.lato * s.raggio * std::sin(direzione);
        const double cy = y + s.lato * s.raggio * std::cos(direzione);
        const double fi0 = direzione - s.lato * std::numbers::pi / 2;
        auto punto = [&](double u) {
          const double fi = fi0 + s.lato * u / s.raggio;
          return punto_linea{cx + s.raggio * std::cos(fi), cy + s.raggio * std::sin(fi)};
        };
        for (; m <= ultimo && static_cast<double>(m) < fine; ++m) {
          aggiungi(blocco, out, punto(static_cast<double>(m) - inizio));
        }
        const punto_linea termine = punto(s.lunghezza);
        x = termine.x;
        y = termine.y;
        direzione += s.lato * s.lunghezza / s.raggio;
        if (i % 3 == 2) direzione = 0;  // a reverse curve ends heading east again
      }
      inizio = fine;
    }
    out.write(reinterpret_cast<const char*>(blocco.data()),
              static_cast<std::streamsize>(blocco.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
  }

 private:
  static void aggiungi(std::vector<std::uint8_t>& blocco, std::ofstream& out, punto_linea p) {
    const std::size_t n = blocco.size();
    blocco.resize(n + sizeof p);
    codifica_punto(p, blocco.data() + n);
    if (blocco.size() >= (1 << 20)) {
      out.write(reinterpret_cast<const char*>(blocco.data()),
                static_cast<std::streamsize>(blocco.size()));
      blocco.clear();
    }
  }

  std::vector<segmento> segmenti_;
  double giro_ = 0;
};

// The header: opaque groups filled with arbitrary bytes and a few non-empty
// strings, so that lunghezza_linea does not sit at its offset for empty strings.
std::vector<std::uint8_t> testata(std::int32_t lunghezza_memorizzata, generatore_casuale& caso) {
  std::vector<std::uint8_t> byte;
  auto blocco = [&](std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) byte.push_back(static_cast<std::uint8_t>(caso()));
  };
  auto stringa = [&](const std::string& testo) {
    byte.push_back(static_cast<std::uint8_t>(testo.size()));
    byte.push_back(static_cast<std::uint8_t>(testo.size() >> 8));
    byte.insert(byte.end(), testo.begin(), testo.end());
  };
  for (int i = 0; i < 300; ++i) {
    blocco(14);
    stringa(i % 50 == 0 ? "Stazione " + std::to_string(i) : "");
    blocco(61);
  }
  for (int i = 0; i < 300; ++i) stringa(i == 7 ? "Treno regionale" : "");
  blocco(30 * 12);
  blocco(30 * 9);
  stringa("Scenario dimostrativo");
  for (int i = 0; i < 44; ++i) stringa(i % 11 == 3 ? "Segnale" : "");
  blocco(5);
  blocco(300 * 8);
  blocco(8);
  stringa("");
  stringa("Autore");
  const auto l = static_cast<std::uint32_t>(lunghezza_memorizzata);
  for (int i = 0; i < 4; ++i) byte.push_back(static_cast<std::uint8_t>(l >> (8 * i)));
  blocco(17);
  blocco(9);
  blocco(2195);
  for (int i = 0; i < 100; ++i) stringa(i == 99 ? "fine" : "");
  return byte;
}

// Object types that the tool does not interpret.
constexpr std::uint8_t altri_tipi[] = {3, 17, 42, 96, 128, 130, 200, 255};

oggetto altro_oggetto(generatore_casuale& caso) {
  auto dato = [&] { return static_cast<std::int16_t>(caso()); };
  return {altri_tipi[caso() % std::size(altri_tipi)], dato(), dato(), dato(), dato(),
          static_cast<std::uint8_t>(caso())};
}

oggetto bivio(std::int16_t codice, std::int16_t dato3, std::int16_t dato4, std::uint8_t dato5) {
  return {tipo_bivio, codice, 0, dato3, dato4, dato5};
}

// The junction kinds that the zone rules tell apart, one every few hundred
// metres, in turn.
const std::vector<std::vector<oggetto>> bivi = {
    {bivio(10, 0, 0, 0)},
    {bivio(20, 0, 0, 1)},
    {bivio(30, 0, 0, 2)},
    {bivio(10, 5, 0, 2)},
    {bivio(40, 0, 0, 3)},
    {bivio(11, 0, 0, 0)},
    {bivio(-10, 0, 0, 1)},
    {bivio(-11, 0, 0, 0)},
    {bivio(12, 0, 0, 0)},
    {bivio(10, 0, 7, 2)},                      // dato4 not 0: not a junction at all
    {bivio(12, 0, 0, 0), bivio(10, 0, 0, 2)},  // two junction slots: the first counts
};

void riempi_tratto(tratto t, std::int32_t i, int lato, generatore_casuale& caso) {
  for (auto& b : t.coda_tratto) b = static_cast<std::uint8_t>(caso());
  const std::size_t slot = t.oggetti.size();
  // Other objects in a few slots, with free slots between them.
  for (std::size_t j = 0; j < slot; ++j) {
    if (caso() % 4 == 0) t.oggetti[j] = altro_oggetto(caso);
  }
  if (i % 97 == 13) {  // a completely full section: no slot for a cant object
    for (auto& o : t.oggetti) o = altro_oggetto(caso);
    return;
  }
  if (i % 23 == 4) {
    const auto& bivio_qui = bivi[(i / 23) % bivi.size()];
    std::size_t j = 1;
    for (const oggetto& o : bivio_qui) {
      t.oggetti[j] = o;
      j += 3;
    }
  }
  // Existing cant: most curves have one, sometimes in a slot after an empty one;
  // a few straights have one too.
  if ((lato != 0 && caso() % 3 != 0) || (lato == 0 && caso() % 11 == 0)) {
    const std::size_t j = caso() % 2 == 0 ? 0 : 2;
    if (j == 2) t.oggetti[0] = oggetto{};
    static constexpr double millimetri[] = {0, 20, 45, 70, 100, 160};
    const int scelta = static_cast<int>(caso() % std::size(millimetri));
    codifica_sopraelevazione(t.oggetti[j], millimetri[scelta],
                             static_cast<std::int16_t>(lato == 0 ? 1 : lato));
  }
}

}  // namespace

void scrivi_scenario_demo(const fs::path& cartella, const std::string& nome,
                          const std::string& prefisso_linea, const opzioni_demo& opzioni) {
  generatore_casuale caso(opzioni.seme);
  const geometria linea;
  const std::int32_t memorizzata =
      opzioni.lunghezza_linea + (opzioni.formato_compatto ? 0 : marcatore_esteso);
  {
    const auto byte = testata(memorizzata, caso);
    std::ofstream out(cartella / (nome + ".si3"), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(byte.data()),
              static_cast<std::streamsize>(byte.size()));
    if (!out) throw std::runtime_error("cannot write " + nome + ".si3");
  }
  {
    elenco_tratti tratti(opzioni.formato_compatto,
                         static_cast<std::size_t>(ultimo_tratto(opzioni.lunghezza_linea)) + 1);
    for (std::size_t i = 0; i < tratti.size(); ++i) {
      const auto s = static_cast<std::int32_t>(i);
      riempi_tratto(tratti.apri(i), s, linea.lato(50.0 * s), caso);
    }
    const auto byte = tratti.codifica();
    std::ofstream out(cartella / (nome + ".da3"), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(byte.data()),
              static_cast<std::streamsize>(byte.size()));
    if (!out) throw std::runtime_error("cannot write " + nome + ".da3");
  }
  linea.scrivi_punti(cartella / (prefisso_linea + "_linea.da3"),
                     std::int64_t{opzioni.lunghezza_linea} + metri_oltre_linea);
}

void scrivi_cartella_demo(const fs::path& cartella) {
  fs::create_directories(cartella);
  // Two scenarios of one line share its line file "Valle_linea.da3".
  scrivi_scenario_demo(cartella, "Valle_Andata", "Valle", {6000, true, 1});
  scrivi_scenario_demo(cartella, "Valle_Ritorno", "Valle", {6000, true, 2});
  // Two underscores: there is no "Costa_Est_linea.da3", so the line is "Costa_linea.da3".
  scrivi_scenario_demo(cartella, "Costa_Est_Esteso", "Costa", {9000, false, 3});
  // Two underscores, and the longer prefix has its own line file.
  scrivi_scenario_demo(cartella, "Monti_Nord_Inverno", "Monti_Nord", {4000, true, 4});
}

}  // namespace sopra
