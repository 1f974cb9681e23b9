#pragma once
// The level caches of the line's picture: a binary tree over the listed
// sections, heap-numbered from 1 (leaves foglie() .. 2 foglie() - 1), that
// holds for every run of sections the bounding box of their points in the
// plan, the kinds of track, the least and greatest cant, the problems found
// and the reference cants at the speeds along the line. Built once per
// scenario, so that a frame asks about one node per pixel at any zoom, even
// on a line of 200,000 sections.

#include <QPointF>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "analysis/geometria_linea.hpp"

namespace sopra {
class scenario_aperto;
class condizioni_linea;
struct problema;
}  // namespace sopra

class albero_linea {
 public:
  // Bits of a node's kinds of track: a left-hand curve of class k (bit k), a
  // right-hand one (bit bit_destra + k), straight, junction zone.
  static constexpr std::uint32_t bit_destra = sopra::numero_classi;
  static constexpr std::uint32_t bit_rettilineo = 1u << (2 * sopra::numero_classi);
  static constexpr std::uint32_t bit_bivio = bit_rettilineo << 1;
  static constexpr std::uint32_t bit_curve = bit_rettilineo - 1;

  // Bits of a node's problems.
  static constexpr std::uint8_t bit_avviso = 1;
  static constexpr std::uint8_t bit_errore = 2;
  static constexpr std::uint8_t bit_abbassato = 4;  // lowered by the design below its proposal

  struct scatola {
    double x0, y0, x1, y1;
  };
  // What a run of rows holds.
  struct aggregato {
    std::int16_t minimo = INT16_MAX;
    std::int16_t massimo = INT16_MIN;
    std::uint32_t bandiere = 0;
    std::uint8_t problemi = 0;
    // The equilibrium and the least cant over the run, signed mm.
    std::int16_t equilibrio_minimo = INT16_MAX;
    std::int16_t equilibrio_massimo = INT16_MIN;
    std::int16_t minima_minimo = INT16_MAX;
    std::int16_t minima_massimo = INT16_MIN;
  };

  // The tree over the listed sections of `aperto` (none when null; not owned,
  // it must outlive the tree's use of it): points, boxes, kinds of track and
  // cant, without problems or reference cants. Linear in the rows.
  void costruisci(const sopra::scenario_aperto* aperto);
  // Every listed section's cant read again from the store. Linear in the rows.
  void leggi_sopraelevazioni();
  // Row `riga`'s cant read again (a path to the root); rows outside are ignored.
  void rileggi_riga(int riga);

  // The check's problems replace the previous ones: errors and warnings by
  // row. The lowered sections stay.
  void imposta_problemi(const std::vector<sopra::problema>& problemi);
  // The sections the design lowered (positions in metres) replace the
  // previous ones. The problems stay.
  void imposta_abbassati(const std::vector<std::int32_t>& posizioni);

  // The reference cants of every row from `condizioni` (one per row): where a
  // curve has a speed V, the equilibrium cant at V and the least cant that
  // keeps the deficiency within `insufficienza_ammessa`, signed by the bend;
  // none on straights. With null `condizioni`, no reference cants.
  void imposta_riferimenti(const sopra::condizioni_linea* condizioni, double insufficienza_ammessa);
  bool con_riferimenti() const { return riferimenti_; }

  // Everything rows [da, a) hold, from O(log n) nodes.
  aggregato interroga(int da, int a) const;

  int righe() const { return righe_; }
  std::size_t foglie() const { return foglie_; }
  // Row `riga`'s point in the plan (0 <= riga < righe()).
  QPointF punto(int riga) const { return punti_[static_cast<std::size_t>(riga)]; }
  const scatola& scatola_nodo(std::size_t nodo) const { return scatole_[nodo]; }
  std::uint32_t bandiere(std::size_t nodo) const { return bandiere_[nodo]; }
  std::uint8_t problemi(std::size_t nodo) const { return problemi_[nodo]; }
  // Row `riga`'s cant, mm, as the picture shows it (0 <= riga < righe()).
  std::int16_t sopraelevazione(int riga) const {
    return minimi_[foglie_ + static_cast<std::size_t>(riga)];
  }
  // The least and the greatest cant of the whole line (with no rows, a
  // least above the greatest).
  std::pair<std::int16_t, std::int16_t> estremi() const { return {minimi_[1], massimi_[1]}; }

 private:
  void ricostruisci_problemi();

  const sopra::scenario_aperto* aperto_ = nullptr;
  int righe_ = 0;
  std::size_t foglie_ = 1;      // a power of two >= righe_
  std::vector<QPointF> punti_;  // per row
  std::vector<scatola> scatole_;
  std::vector<std::uint32_t> bandiere_;
  std::vector<std::int16_t> minimi_;
  std::vector<std::int16_t> massimi_;
  std::vector<std::uint8_t> problemi_;
  std::vector<std::uint8_t> problemi_riga_;
  bool riferimenti_ = false;
  std::vector<std::int16_t> equilibri_minimi_, equilibri_massimi_;
  std::vector<std::int16_t> minime_minime_, minime_massime_;
};
