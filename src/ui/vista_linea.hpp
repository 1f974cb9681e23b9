#pragma once
// The picture of the open scenario: the plan of the line above, the cant
// diagram along the line below. Both draw from level caches built once per
// scenario (a binary tree over the listed sections holding the bounding box
// of their points, the kinds of track, the least and greatest cant and the
// problems found), so that a frame costs about one tree node per pixel at
// any zoom, even on a line of 200,000 sections.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "progetto/profilo.hpp"
#include "ui/albero_linea.hpp"

namespace sopra {
class scenario_aperto;
struct parametri_progetto;
struct problema;
}  // namespace sopra

class QPushButton;

class VistaLinea : public QWidget {
  Q_OBJECT

 public:
  explicit VistaLinea(QWidget* genitore = nullptr);
  ~VistaLinea() override;

  // Shows the open scenario `aperto` (not owned: it must outlive the picture or
  // be replaced first; nullptr shows nothing), without selection or problems,
  // and fits the whole line into both panes.
  void mostra(const sopra::scenario_aperto* aperto);

  // The cant of any sections changed (class command, ramps, undo): re-reads
  // every listed section's cant from the store, in linear time.
  void aggiorna();
  // Only the cant of row `riga` changed: re-reads that one section.
  void aggiorna_riga(int riga);
  // Only the cant of `righe` changed (the rows an undo, a redo or the ramps
  // rewrote): re-reads those sections, or all of them when they are many.
  void aggiorna_righe(const std::vector<std::size_t>& righe);

  // Marks row `riga` as selected (-1: none) and brings it into view in both
  // panes when it lies outside. Emits nothing.
  void seleziona(int riga);
  int riga_selezionata() const { return selezionata_; }

  // The problems the check found (verifica), replacing the previous ones:
  // errors and warnings are marked at their sections in both panes.
  void imposta_problemi(const std::vector<sopra::problema>& problemi);

  // The design parameters and the speeds along the line (`profilo`; empty: V
  // and v of `parametri`): the diagram draws ±c_max and, where a speed V(s) is
  // given, the equilibrium cant at V(s) and the least cant that keeps the
  // deficiency within limit on each section's design radius, with the sign of
  // its bend; the stretches of a profile of more than one stretch are marked
  // along the diagram. Linear in the rows, once per call.
  void imposta_parametri(const sopra::parametri_progetto& parametri,
                         const sopra::profilo_velocita& profilo = {});

  // The sections the last design lowered below their proposal (positions in
  // metres; empty: none), marked under the diagram.
  void imposta_abbassati(const std::vector<std::int32_t>& posizioni);

  // Shows the whole line in both panes.
  void adatta();
  // Zooms both panes by `fattore` (> 1 closer) about the selected section, or
  // about the panes' centres when nothing is selected.
  void ingrandisci(double fattore);

  // The plan and the diagram, as they are now shown, drawn into an image of
  // `dimensione` pixels (without the buttons).
  QImage immagine(QSize dimensione) const;
  // Writes immagine(dimensione) as a PNG file; an empty `dimensione` takes the
  // widget's size. Returns an empty string, or the Italian reason of failure.
  QString salva_immagine(const QString& file, QSize dimensione = {}) const;

  // Where the picture draws the section of row `riga`, in widget coordinates:
  // its point in the plan, and the middle of its step in the diagram.
  QPointF punto_pianta(int riga) const;
  QPointF punto_diagramma(int riga) const;
  // The two panes inside the widget.
  QRectF area_pianta() const;
  QRectF area_diagramma() const;

  // The colour of a section in the plan: `raggio` 0 straight, > 0 left-hand,
  // < 0 right-hand bend; `classe` 0 (widest) .. numero_classi - 1 (tightest),
  // darker when tighter.
  static QColor colore_tratto(int raggio, int classe);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The user clicked near the section of row `riga` in the plan or the diagram.
  void riga_scelta(int riga);
  // The user pressed "Salva immagine…": the window asks for the file and calls
  // salva_immagine.
  void immagine_richiesta();

 protected:
  void paintEvent(QPaintEvent* evento) override;
  void resizeEvent(QResizeEvent* evento) override;
  void mousePressEvent(QMouseEvent* evento) override;
  void mouseMoveEvent(QMouseEvent* evento) override;
  void mouseReleaseEvent(QMouseEvent* evento) override;
  void wheelEvent(QWheelEvent* evento) override;
  void keyPressEvent(QKeyEvent* evento) override;

 private:
  // What part of the line each pane shows, independent of the pane's size.
  struct inquadratura {
    QPointF centro;              // plan: the world point at the pane's centre
    double metri_larghezza = 1;  // plan: metres across the pane's width
    double inizio = 0;           // diagram: the row at the left edge (fraction allowed)
    double righe = 1;            // diagram: rows across the pane's width
  };
  // Where things lie for one drawing: panes and transforms.
  struct disposizione {
    QRectF leggenda_pianta;
    QRectF pianta;
    QRectF leggenda_diagramma;
    QRectF diagramma;  // the plotting area, without the axis labels
    QRectF diagramma_intero;
    double scala = 1;  // plan: pixels per metre
    QPointF centro;
    double inizio = 0;
    double righe_per_pixel = 1;
    double mm_alto = 200;  // the diagram shows -mm_alto .. +mm_alto
  };
  using aggregato = albero_linea::aggregato;
  using scatola = albero_linea::scatola;

  // One entry of a legend: its symbol, drawn into a box `larghezza` wide, and its text.
  struct voce {
    double larghezza;
    QString testo;
    std::function<void(QPainter&, QRectF)> simbolo;
  };
  std::vector<voce> voci_pianta() const;
  std::vector<voce> voci_diagramma() const;
  QFont carattere_piccolo() const;
  // The legend's entries flow left to right and wrap: how high they stand in `larghezza`.
  double altezza_leggenda(const std::vector<voce>& voci, double larghezza) const;
  void disegna_leggenda(QPainter& p, const QRectF& area, const std::vector<voce>& voci) const;

  // The reference lines' tree from parametri_ and profilo_.
  void costruisci_riferimenti();

  disposizione disponi(const QRectF& area, const inquadratura& vista) const;
  QRectF area_disegno() const;
  void disegna(QPainter& pittore, const QRectF& area, const inquadratura& vista) const;
  void disegna_pianta(QPainter& pittore, const disposizione& d) const;
  // The plan's track and the junction zones' halo, as the last discendi found them.
  void disegna_tracciato(QPainter& pittore) const;
  void disegna_diagramma(QPainter& pittore, const disposizione& d) const;
  // A span of the diagram: its left and right edge and what its rows hold.
  struct campata {
    double x0, x1;
    aggregato a;
  };
  // The least and the greatest value of a series over a span.
  using estremi_campata = std::function<std::pair<double, double>(const aggregato&)>;
  // The diagram's steps, one after another.
  std::vector<campata> campate_diagramma(const disposizione& d) const;
  void disegna_fasce(QPainter& p, const disposizione& d, const std::vector<campata>& campate) const;
  void disegna_griglia(QPainter& p, const disposizione& d) const;
  // One series over the spans as steps; `raccorda` joins neighbouring columns.
  void disegna_gradini(QPainter& p, const disposizione& d, const std::vector<campata>& campate,
                       const estremi_campata& valori, bool raccorda) const;
  // The cant, the reference cants and the profile's stretches.
  void disegna_serie(QPainter& p, const disposizione& d, const std::vector<campata>& campate) const;
  // The problems along the top edge and the lowered sections along the bottom.
  void disegna_segni_diagramma(QPainter& p, const disposizione& d,
                               const std::vector<campata>& campate) const;
  void disegna_cursore(QPainter& p, const disposizione& d) const;
  void disegna_assi(QPainter& p, const disposizione& d) const;
  void discendi(const disposizione& d, const scatola& visibile, std::size_t nodo, int da,
                int quante) const;
  QPointF a_schermo(const disposizione& d, QPointF mondo) const;
  QPointF a_mondo(const disposizione& d, QPointF schermo) const;
  double x_riga(const disposizione& d, double riga) const;
  double y_mm(const disposizione& d, double mm) const;
  double mm_massimo_mostrato() const;

  int riga_piu_vicina_pianta(QPointF schermo) const;
  int riga_alla_x(double x) const;
  void porta_in_vista(int riga);
  void limita_vista();
  void zoom_pianta(double fattore, QPointF fisso);
  void zoom_diagramma(double fattore, double x_fisso);

  const sopra::scenario_aperto* aperto_ = nullptr;
  albero_linea albero_;

  int selezionata_ = -1;
  // The diagram's reference lines, mm: ±massima_, and per section the
  // equilibrium cant and the least cant at V(s) (riferimenti_ false without V).
  double massima_ = 160;
  double velocita_ = 0;
  std::unique_ptr<sopra::parametri_progetto> parametri_;
  sopra::profilo_velocita profilo_;
  // Where each stretch of the profile starts (row) and its speeds, when there
  // are several stretches.
  struct confine {
    int riga;
    QString testo;
  };
  std::vector<confine> confini_;
  inquadratura vista_;
  bool intera_ = true;  // the view is the whole line, as adatta() left it

  // Dragging and clicking.
  enum class riquadro { nessuno, pianta, diagramma };
  riquadro premuto_ = riquadro::nessuno;
  QPointF punto_premuto_;
  inquadratura vista_premuta_;
  bool trascina_ = false;

  QPushButton* adatta_ = nullptr;
  QPushButton* salva_ = nullptr;

  // The plan's polylines for one frame: one per run of one colour, their
  // points one after another.
  struct spezzate {
    struct spezzata {
      int chiave;       // the colour
      qsizetype primo;  // its first point in punti
      qsizetype quanti;
      int fine;  // the row of its last point
    };
    std::vector<spezzata> elenco;
    QVector<QPointF> punti;
    // Continues the last run with the segment from row `da` (point a) to row
    // `fine` (point b), or starts a new one.
    void aggiungi(int chiave, int da, int fine, QPointF a, QPointF b, bool ultimo);
    void svuota() {
      elenco.clear();
      punti.clear();
    }
  };
  // Reused per frame: the track, the junction zones' halo, and the marks.
  mutable spezzate tracciato_;
  mutable spezzate aloni_;
  mutable QVector<QPointF> errori_;
  mutable QVector<QPointF> avvisi_;

  // The track as last stroked on screen, and what it was stroked for: the
  // plan's pane, scale and centre, the pixel ratio and the tree's version.
  struct chiave_tracciato {
    QRectF pianta;
    double scala = 0;
    QPointF centro;
    qreal dpr = 0;
    std::uint64_t versione = 0;
    bool operator==(const chiave_tracciato&) const = default;
  };
  std::uint64_t versione_albero_ = 0;  // counts the trees built by mostra()
  mutable QImage tracciato_disegnato_;
  mutable chiave_tracciato chiave_tracciato_;
};
