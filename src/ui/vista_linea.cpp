#include "ui/vista_linea.hpp"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "analysis/geometria_linea.hpp"
#include "analysis/sopraelevazione.hpp"
#include "editing/scenario_aperto.hpp"
#include "progetto/condizioni.hpp"
#include "progetto/progetto.hpp"

namespace {

constexpr std::uint32_t bit_destra = albero_linea::bit_destra;
constexpr std::uint32_t bit_bivio = albero_linea::bit_bivio;
constexpr std::uint32_t bit_curve = albero_linea::bit_curve;
constexpr std::uint8_t bit_avviso = albero_linea::bit_avviso;
constexpr std::uint8_t bit_errore = albero_linea::bit_errore;
constexpr std::uint8_t bit_abbassato = albero_linea::bit_abbassato;
constexpr int classi = static_cast<int>(sopra::numero_classi);

// The colour of each key: 0 straight, 1 + k left-hand class k, 9 + k right-hand
// class k. Blue and orange ramps, light for wide radii and dark for tight ones,
// stay apart for the common kinds of colour blindness.
constexpr QRgb colori_chiave[1 + 2 * sopra::numero_classi] = {
    0xff8c8c8c,  // straight
    0xffa6cee3, 0xff7fb2db, 0xff5896d0, 0xff3a7bbf, 0xff2462a8, 0xff174c8e, 0xff0e3873,
    0xff082657,  // left
    0xfffdd0a2, 0xfffdae6b, 0xfffd8d3c, 0xfff16913, 0xffd94801, 0xffb63c02, 0xff8c2d04,
    0xff5e1f03,  // right
};
constexpr QRgb colore_bivio = 0xff009e73;
constexpr QRgb colore_errore = 0xffd7191c;
constexpr QRgb colore_avviso = 0xffffd92f;
constexpr QRgb colore_sopraelevazione = 0xff1a1a1a;
constexpr QRgb colore_massima = 0xffd7191c;
constexpr QRgb colore_equilibrio = 0xff7b3294;
constexpr QRgb colore_minima = 0xff1b7837;

// Zoom limits: the plan shows at least this many metres across, the diagram
// at least this many rows.
constexpr double metri_minimi = 30;
constexpr double righe_minime = 8;
// A click selects the nearest section within this many pixels in the plan.
constexpr double raggio_scelta = 14;
// A press that moves less than this is a click, not a drag.
constexpr double soglia_trascinamento = 4;
// The plan's share of the drawing height; the diagram takes the rest.
constexpr double quota_pianta = 0.56;
// The diagram's margins for the axis labels.
constexpr double margine_sinistro = 46;
constexpr double margine_basso = 18;

// The key of the kinds in `bandiere` that the plan colours: the tightest curve
// class present (left-hand before right-hand at a tie), else straight.
int chiave(std::uint32_t bandiere) {
  for (int k = classi - 1; k >= 0; --k) {
    if (bandiere & (1u << k)) return 1 + k;
    if (bandiere & (1u << (bit_destra + k))) return 1 + classi + k;
  }
  return 0;
}

// The diagram's grid step for a scale of ±`mm_alto` mm.
double passo_griglia(double mm_alto) {
  return mm_alto > 200 ? 100 : 50;
}

// A round number of units (1, 2 or 5 times a power of ten) near `circa`.
double passo_tondo(double circa) {
  const double potenza = std::pow(10.0, std::floor(std::log10(std::max(circa, 1e-9))));
  for (double m : {1.0, 2.0, 5.0})
    if (m * potenza >= circa) return m * potenza;
  return 10 * potenza;
}

QString testo_metri(double metri) {
  if (metri >= 1000) return QStringLiteral("%1 km").arg(metri / 1000, 0, 'g', 6);
  return QStringLiteral("%1 m").arg(metri, 0, 'f', 0);
}

// A light tint of `colore` for the diagram's background bands.
QColor tinta(QRgb colore, double quota) {
  const QColor c(colore);
  auto mescola = [&](int v) { return static_cast<int>(std::lround(255 - (255 - v) * quota)); };
  return QColor(mescola(c.red()), mescola(c.green()), mescola(c.blue()));
}

// Error marks (a red cross on a white outline) at `centri`, `r` pixels from
// the centre to a tip; all in two strokes.
void segni_errore(QPainter& p, const QVector<QPointF>& centri, double r) {
  QVector<QLineF> linee;
  linee.reserve(centri.size() * 2);
  for (const QPointF& c : centri) {
    linee.append(QLineF(c + QPointF(-r, -r), c + QPointF(r, r)));
    linee.append(QLineF(c + QPointF(-r, r), c + QPointF(r, -r)));
  }
  p.setPen(QPen(Qt::white, r * 1.2, Qt::SolidLine, Qt::FlatCap));
  p.drawLines(linee);
  p.setPen(QPen(QColor(colore_errore), r * 0.6, Qt::SolidLine, Qt::FlatCap));
  p.drawLines(linee);
}

// Warning marks (a yellow triangle pointing down, outlined) at `centri`; in one path.
void segni_avviso(QPainter& p, const QVector<QPointF>& centri, double r) {
  QPainterPath percorso;
  for (const QPointF& c : centri)
    percorso.addPolygon(QPolygonF({c + QPointF(0, r), c + QPointF(r, -r * 0.8),
                                   c + QPointF(-r, -r * 0.8), c + QPointF(0, r)}));
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(QColor(colore_avviso));
  p.drawPath(percorso);
  p.setBrush(Qt::NoBrush);
}

// The marks of one kind at `centri`: a mark is drawn once into a small image
// and stamped at every centre, rounded to the device's pixels, so that hundreds
// of antialiased outlines cost about what one does. A few are drawn directly.
void timbra_segni(QPainter& p, const QVector<QPointF>& centri, double r, bool errore) {
  const auto disegna = errore ? segni_errore : segni_avviso;
  if (centri.size() < 4) {
    disegna(p, centri, r);
    return;
  }
  const qreal dpr = p.device()->devicePixelRatioF();
  const double lato = std::ceil(4 * r) + 2;  // the outline stands out of the r-circle
  static std::map<std::tuple<bool, double, qreal>, QImage> pronti;
  QImage& timbro = pronti[{errore, r, dpr}];
  if (timbro.isNull()) {
    const int pixel = static_cast<int>(std::ceil(lato * dpr));
    timbro = QImage(pixel, pixel, QImage::Format_ARGB32_Premultiplied);
    timbro.setDevicePixelRatio(dpr);
    timbro.fill(Qt::transparent);
    QPainter q(&timbro);
    q.setRenderHint(QPainter::Antialiasing, true);
    disegna(q, {QPointF(lato / 2, lato / 2)}, r);
  }
  const auto a_pixel = [dpr](double v) { return std::round(v * dpr) / dpr; };
  for (const QPointF& c : centri)
    p.drawImage(QPointF(a_pixel(c.x() - lato / 2), a_pixel(c.y() - lato / 2)), timbro);
}

}  // namespace

VistaLinea::VistaLinea(QWidget* genitore) : QWidget(genitore) {
  setObjectName(QStringLiteral("VistaLinea"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);

  adatta_ = new QPushButton(QStringLiteral("Adatta"), this);
  adatta_->setObjectName(QStringLiteral("Adatta"));
  adatta_->setToolTip(QStringLiteral("Mostra tutta la linea (tasto Home)"));
  adatta_->setAutoDefault(false);
  salva_ = new QPushButton(QStringLiteral("Salva immagine…"), this);
  salva_->setObjectName(QStringLiteral("SalvaImmagine"));
  salva_->setToolTip(QStringLiteral("Salva la pianta e il diagramma in un file PNG"));
  salva_->setAutoDefault(false);
  auto* riga = new QHBoxLayout;
  riga->setContentsMargins(0, 0, 0, 0);
  riga->addWidget(adatta_);
  riga->addWidget(salva_);
  riga->addStretch(1);
  auto* colonna = new QVBoxLayout(this);
  colonna->setContentsMargins(4, 4, 4, 4);
  colonna->addLayout(riga);
  colonna->addStretch(1);
  connect(adatta_, &QPushButton::clicked, this, &VistaLinea::adatta);
  connect(salva_, &QPushButton::clicked, this, &VistaLinea::immagine_richiesta);
}

VistaLinea::~VistaLinea() = default;

QSize VistaLinea::sizeHint() const {
  return {640, 420};
}
QSize VistaLinea::minimumSizeHint() const {
  return {240, 200};
}

// ---------------------------------------------------------------------------
// The tree

void VistaLinea::mostra(const sopra::scenario_aperto* aperto) {
  aperto_ = aperto;
  selezionata_ = -1;
  albero_.costruisci(aperto);
  ++versione_albero_;
  costruisci_riferimenti();
  adatta();
}

void VistaLinea::aggiorna() {
  albero_.leggi_sopraelevazioni();
  update();
}

void VistaLinea::aggiorna_riga(int riga) {
  albero_.rileggi_riga(riga);
  update();
}

void VistaLinea::aggiorna_righe(const std::vector<std::size_t>& righe) {
  // Each row costs a path to the root; past a few thousand, one linear pass is cheaper.
  if (righe.size() > 4096) return aggiorna();
  for (const std::size_t r : righe)
    if (r < static_cast<std::size_t>(albero_.righe())) albero_.rileggi_riga(static_cast<int>(r));
  update();
}

void VistaLinea::imposta_problemi(const std::vector<sopra::problema>& problemi) {
  albero_.imposta_problemi(problemi);
  update();
}

void VistaLinea::imposta_abbassati(const std::vector<std::int32_t>& posizioni) {
  albero_.imposta_abbassati(posizioni);
  update();
}

void VistaLinea::imposta_parametri(const sopra::parametri_progetto& parametri,
                                   const sopra::profilo_velocita& profilo) {
  massima_ = parametri.sopraelevazione_massima;
  velocita_ = parametri.velocita_massima;
  parametri_ = std::make_unique<sopra::parametri_progetto>(parametri);
  profilo_ = profilo.vuoto() ? sopra::profilo_velocita::da_parametri(parametri) : profilo;
  costruisci_riferimenti();
  update();
}

void VistaLinea::costruisci_riferimenti() {
  confini_.clear();
  if (aperto_ == nullptr || parametri_ == nullptr || profilo_.vuoto()) {
    albero_.imposta_riferimenti(nullptr, 0);
    return;
  }
  const sopra::condizioni_linea condizioni =
      sopra::condizioni_righe(aperto_->geometria(), *parametri_, profilo_);
  albero_.imposta_riferimenti(&condizioni, parametri_->insufficienza_ammessa);
  // A profile of several stretches: where each starts, with its speeds.
  const auto tratti = profilo_.tratti();
  if (tratti.size() > 1) {
    for (const sopra::tratto_velocita& t : tratti) {
      const auto riga = sopra::riga_alla_posizione(static_cast<std::int64_t>(t.da_metri),
                                                   static_cast<std::size_t>(albero_.righe()));
      if (!riga) continue;
      QString testo = QStringLiteral("V %1").arg(t.velocita_massima);
      if (t.velocita_minima > 0) testo += QStringLiteral(" v %1").arg(t.velocita_minima);
      confini_.push_back({static_cast<int>(*riga), testo});
    }
  }
}

// ---------------------------------------------------------------------------
// Views

QRectF VistaLinea::area_disegno() const {
  const double alto = adatta_->geometry().bottom() + 4;
  return QRectF(0, alto, width(), std::max(0.0, height() - alto));
}

VistaLinea::disposizione VistaLinea::disponi(const QRectF& area, const inquadratura& vista) const {
  disposizione d;
  const double h_pianta = std::floor(area.height() * quota_pianta);
  const double lp = std::ceil(altezza_leggenda(voci_pianta(), area.width()));
  const double ld = std::ceil(altezza_leggenda(voci_diagramma(), area.width()));
  d.leggenda_pianta = QRectF(area.left(), area.top(), area.width(), lp);
  d.pianta = QRectF(area.left(), area.top() + lp, area.width(), std::max(1.0, h_pianta - lp));
  d.leggenda_diagramma = QRectF(area.left(), area.top() + h_pianta, area.width(), ld);
  d.diagramma_intero = QRectF(area.left(), area.top() + h_pianta + ld, area.width(),
                              std::max(1.0, area.height() - h_pianta - ld));
  d.diagramma = d.diagramma_intero.adjusted(margine_sinistro, 8, -8, -margine_basso);
  if (d.diagramma.height() < 1) d.diagramma.setHeight(1);
  if (d.diagramma.width() < 1) d.diagramma.setWidth(1);
  d.scala = d.pianta.width() / std::max(vista.metri_larghezza, 1e-6);
  d.centro = vista.centro;
  d.inizio = vista.inizio;
  d.righe_per_pixel = vista.righe / d.diagramma.width();
  d.mm_alto = mm_massimo_mostrato();
  return d;
}

double VistaLinea::mm_massimo_mostrato() const {
  double m = massima_;
  if (albero_.righe() > 0)
    m = std::max(
        {m, std::abs(double(albero_.estremi().first)), std::abs(double(albero_.estremi().second))});
  m = std::min(m, double(sopra::sopraelevazione_limite) + 20);
  return std::ceil(m * 1.1 / 50) * 50;
}

QPointF VistaLinea::a_schermo(const disposizione& d, QPointF mondo) const {
  const QPointF c = d.pianta.center();
  return {c.x() + (mondo.x() - d.centro.x()) * d.scala,
          c.y() - (mondo.y() - d.centro.y()) * d.scala};
}

QPointF VistaLinea::a_mondo(const disposizione& d, QPointF schermo) const {
  const QPointF c = d.pianta.center();
  return {d.centro.x() + (schermo.x() - c.x()) / d.scala,
          d.centro.y() - (schermo.y() - c.y()) / d.scala};
}

double VistaLinea::x_riga(const disposizione& d, double riga) const {
  return d.diagramma.left() + (riga - d.inizio) / d.righe_per_pixel;
}

double VistaLinea::y_mm(const disposizione& d, double mm) const {
  return d.diagramma.center().y() - mm / d.mm_alto * d.diagramma.height() / 2;
}

QRectF VistaLinea::area_pianta() const {
  return disponi(area_disegno(), vista_).pianta;
}
QRectF VistaLinea::area_diagramma() const {
  return disponi(area_disegno(), vista_).diagramma;
}

QPointF VistaLinea::punto_pianta(int riga) const {
  if (riga < 0 || riga >= albero_.righe()) return {};
  return a_schermo(disponi(area_disegno(), vista_), albero_.punto(riga));
}

QPointF VistaLinea::punto_diagramma(int riga) const {
  if (riga < 0 || riga >= albero_.righe()) return {};
  const disposizione d = disponi(area_disegno(), vista_);
  const double mm = albero_.sopraelevazione(riga);
  return {x_riga(d, riga + 0.5), y_mm(d, mm)};
}

void VistaLinea::adatta() {
  const QRectF pianta = area_pianta();
  if (albero_.righe() > 0) {
    const albero_linea::scatola& s = albero_.scatola_nodo(1);
    const double w = s.x1 - s.x0;
    const double h = s.y1 - s.y0;
    const double rapporto = pianta.height() > 0 ? pianta.width() / pianta.height() : 1;
    vista_.metri_larghezza = std::max({w, h * rapporto, metri_minimi}) * 1.08;
    vista_.centro = {(s.x0 + s.x1) / 2, (s.y0 + s.y1) / 2};
  }
  vista_.inizio = 0;
  vista_.righe = std::max(albero_.righe(), 1);
  intera_ = true;
  update();
}

void VistaLinea::limita_vista() {
  const double massime = std::max(albero_.righe(), 1);
  vista_.righe = std::clamp(vista_.righe, std::min(righe_minime, massime), massime);
  vista_.inizio = std::clamp(vista_.inizio, 0.0, massime - vista_.righe);
  if (albero_.righe() > 0) {
    const albero_linea::scatola& s = albero_.scatola_nodo(1);
    const double ampiezza = std::max({s.x1 - s.x0, s.y1 - s.y0, metri_minimi});
    vista_.metri_larghezza = std::clamp(vista_.metri_larghezza, metri_minimi, ampiezza * 4);
    vista_.centro = {std::clamp(vista_.centro.x(), s.x0, s.x1),
                     std::clamp(vista_.centro.y(), s.y0, s.y1)};
  }
}

void VistaLinea::zoom_pianta(double fattore, QPointF fisso) {
  intera_ = false;
  disposizione d = disponi(area_disegno(), vista_);
  const QPointF mondo = a_mondo(d, fisso);
  vista_.metri_larghezza /= fattore;
  limita_vista();
  d = disponi(area_disegno(), vista_);
  const QPointF c = d.pianta.center();
  vista_.centro = {mondo.x() - (fisso.x() - c.x()) / d.scala,
                   mondo.y() + (fisso.y() - c.y()) / d.scala};
  limita_vista();
}

void VistaLinea::zoom_diagramma(double fattore, double x_fisso) {
  intera_ = false;
  disposizione d = disponi(area_disegno(), vista_);
  const double riga = d.inizio + (x_fisso - d.diagramma.left()) * d.righe_per_pixel;
  vista_.righe /= fattore;
  limita_vista();
  d = disponi(area_disegno(), vista_);
  vista_.inizio = riga - (x_fisso - d.diagramma.left()) * d.righe_per_pixel;
  limita_vista();
}

void VistaLinea::ingrandisci(double fattore) {
  if (albero_.righe() == 0 || fattore <= 0) return;
  const disposizione d = disponi(area_disegno(), vista_);
  if (selezionata_ >= 0) {
    zoom_pianta(fattore, a_schermo(d, albero_.punto(selezionata_)));
    zoom_diagramma(fattore, x_riga(d, selezionata_ + 0.5));
  } else {
    zoom_pianta(fattore, d.pianta.center());
    zoom_diagramma(fattore, d.diagramma.center().x());
  }
  porta_in_vista(selezionata_);
  update();
}

void VistaLinea::porta_in_vista(int riga) {
  // With the whole line in view every section is already on screen; moving to
  // the first or last one (inside the margin below) would push the line aside.
  if (riga < 0 || riga >= albero_.righe() || intera_) return;
  const disposizione d = disponi(area_disegno(), vista_);
  const QPointF p = a_schermo(d, albero_.punto(riga));
  const double mx = d.pianta.width() * 0.08;
  const double my = d.pianta.height() * 0.08;
  if (!d.pianta.adjusted(mx, my, -mx, -my).contains(p)) {
    vista_.centro = albero_.punto(riga);
    intera_ = false;
  }
  const double x = x_riga(d, riga + 0.5);
  if (x < d.diagramma.left() || x > d.diagramma.right()) {
    vista_.inizio = riga + 0.5 - vista_.righe / 2;
    intera_ = false;
  }
  limita_vista();
}

void VistaLinea::seleziona(int riga) {
  selezionata_ = riga >= 0 && riga < albero_.righe() ? riga : -1;
  porta_in_vista(selezionata_);
  update();
}

// ---------------------------------------------------------------------------
// Picking

int VistaLinea::riga_piu_vicina_pianta(QPointF schermo) const {
  if (albero_.righe() == 0) return -1;
  const disposizione d = disponi(area_disegno(), vista_);
  const QPointF m = a_mondo(d, schermo);
  double migliore = raggio_scelta / d.scala;
  double migliore2 = migliore * migliore;
  int trovata = -1;
  std::vector<std::pair<std::size_t, int>> pila{{1, static_cast<int>(albero_.foglie())}};
  while (!pila.empty()) {
    const auto [n, quante] = pila.back();
    pila.pop_back();
    const albero_linea::scatola& s = albero_.scatola_nodo(n);
    const double dx = std::max({s.x0 - m.x(), 0.0, m.x() - s.x1});
    const double dy = std::max({s.y0 - m.y(), 0.0, m.y() - s.y1});
    if (dx * dx + dy * dy > migliore2) continue;
    if (quante == 1) {
      const auto r = n - albero_.foglie();
      const QPointF q = albero_.punto(static_cast<int>(r)) - m;
      const double d2 = q.x() * q.x() + q.y() * q.y();
      if (d2 <= migliore2) {
        migliore2 = d2;
        trovata = static_cast<int>(r);
      }
      continue;
    }
    pila.push_back({2 * n + 1, quante / 2});
    pila.push_back({2 * n, quante / 2});
  }
  return trovata;
}

int VistaLinea::riga_alla_x(double x) const {
  if (albero_.righe() == 0) return -1;
  const disposizione d = disponi(area_disegno(), vista_);
  const double r = std::floor(d.inizio + (x - d.diagramma.left()) * d.righe_per_pixel);
  return static_cast<int>(std::clamp(r, 0.0, double(albero_.righe() - 1)));
}

// ---------------------------------------------------------------------------
// Events

void VistaLinea::resizeEvent(QResizeEvent* evento) {
  QWidget::resizeEvent(evento);
  // The whole line stays whole in the new shape; a chosen view keeps its extent.
  if (intera_)
    adatta();
  else
    limita_vista();
}

void VistaLinea::mousePressEvent(QMouseEvent* evento) {
  if (evento->button() != Qt::LeftButton) return QWidget::mousePressEvent(evento);
  const disposizione d = disponi(area_disegno(), vista_);
  const QPointF p = evento->position();
  premuto_ = d.pianta.contains(p)             ? riquadro::pianta
             : d.diagramma_intero.contains(p) ? riquadro::diagramma
                                              : riquadro::nessuno;
  punto_premuto_ = p;
  vista_premuta_ = vista_;
  trascina_ = false;
}

void VistaLinea::mouseMoveEvent(QMouseEvent* evento) {
  if (premuto_ == riquadro::nessuno || !(evento->buttons() & Qt::LeftButton)) return;
  const QPointF spostamento = evento->position() - punto_premuto_;
  if (!trascina_ && std::hypot(spostamento.x(), spostamento.y()) < soglia_trascinamento) return;
  if (!trascina_) setCursor(Qt::ClosedHandCursor);
  trascina_ = true;
  intera_ = false;
  const disposizione d = disponi(area_disegno(), vista_premuta_);
  if (premuto_ == riquadro::pianta) {
    vista_.centro =
        vista_premuta_.centro - QPointF(spostamento.x() / d.scala, -spostamento.y() / d.scala);
  } else {
    vista_.inizio = vista_premuta_.inizio - spostamento.x() * d.righe_per_pixel;
  }
  limita_vista();
  update();
}

void VistaLinea::mouseReleaseEvent(QMouseEvent* evento) {
  if (evento->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(evento);
  const riquadro dove = premuto_;
  premuto_ = riquadro::nessuno;
  unsetCursor();
  if (trascina_ || dove == riquadro::nessuno) return;
  const int riga = dove == riquadro::pianta ? riga_piu_vicina_pianta(evento->position())
                                            : riga_alla_x(evento->position().x());
  if (riga < 0) return;
  selezionata_ = riga;
  update();
  emit riga_scelta(riga);
}

void VistaLinea::wheelEvent(QWheelEvent* evento) {
  const double scatti = evento->angleDelta().y() / 120.0;
  if (scatti == 0) return;
  const double fattore = std::pow(1.25, scatti);
  const disposizione d = disponi(area_disegno(), vista_);
  const QPointF p = evento->position();
  if (d.pianta.contains(p))
    zoom_pianta(fattore, p);
  else if (d.diagramma_intero.contains(p))
    zoom_diagramma(fattore, std::clamp(p.x(), d.diagramma.left(), d.diagramma.right()));
  update();
  evento->accept();
}

void VistaLinea::keyPressEvent(QKeyEvent* evento) {
  switch (evento->key()) {
    case Qt::Key_Home:
      adatta();
      break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      ingrandisci(1.5);
      break;
    case Qt::Key_Minus:
      ingrandisci(1 / 1.5);
      break;
    default:
      QWidget::keyPressEvent(evento);
  }
}

// ---------------------------------------------------------------------------
// Drawing

QColor VistaLinea::colore_tratto(int raggio, int classe) {
  const int k = std::clamp(classe, 0, classi - 1);
  return QColor(colori_chiave[raggio == 0 ? 0 : raggio > 0 ? 1 + k : 1 + classi + k]);
}

void VistaLinea::paintEvent(QPaintEvent*) {
  QPainter pittore(this);
  pittore.fillRect(rect(), palette().window());
  disegna(pittore, area_disegno(), vista_);
}

QImage VistaLinea::immagine(QSize dimensione) const {
  QImage img(dimensione, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::white);
  QPainter pittore(&img);
  disegna(pittore, QRectF(QPointF(0, 0), QSizeF(dimensione)), vista_);
  return img;
}

QString VistaLinea::salva_immagine(const QString& file, QSize dimensione) const {
  if (dimensione.isEmpty()) dimensione = size();
  QImageWriter scrittore(file, "png");
  if (scrittore.write(immagine(dimensione))) return {};
  const QFileInfo info(file);
  if (!info.absoluteDir().exists())
    return QStringLiteral("Impossibile salvare l'immagine: la cartella %1 non esiste.")
        .arg(info.absolutePath());
  return QStringLiteral(
             "Impossibile salvare l'immagine nel file %1: controllare che la cartella sia "
             "scrivibile e che il disco non sia pieno.")
      .arg(info.fileName());
}

std::vector<VistaLinea::voce> VistaLinea::voci_pianta() const {
  std::vector<voce> voci;
  voci.push_back({40, QStringLiteral("Rettilineo"), [](QPainter& p, QRectF r) {
                    p.setPen(QPen(QColor(colori_chiave[0]), 2));
                    p.drawLine(QPointF(r.left(), r.center().y()),
                               QPointF(r.right(), r.center().y()));
                  }});
  for (int lato : {1, -1}) {
    voci.push_back(
        {8.0 * classi, lato > 0 ? QStringLiteral("Curva SX") : QStringLiteral("Curva DX"),
         [lato](QPainter& p, QRectF r) {
           for (int k = 0; k < classi; ++k)
             p.fillRect(QRectF(r.left() + k * 8, r.center().y() - 4, 8, 8), colore_tratto(lato, k));
         }});
  }
  voci.push_back({40, QStringLiteral("Zona di bivio"), [](QPainter& p, QRectF r) {
                    QColor c(colore_bivio);
                    c.setAlpha(110);
                    p.fillRect(QRectF(r.left(), r.center().y() - 5, r.width(), 10), c);
                  }});
  voci.push_back({12, QStringLiteral("Errore"),
                  [](QPainter& p, QRectF r) { segni_errore(p, {r.center()}, 4); }});
  voci.push_back({12, QStringLiteral("Avviso"),
                  [](QPainter& p, QRectF r) { segni_avviso(p, {r.center()}, 5); }});
  voci.push_back({12, QStringLiteral("Tratto scelto"), [](QPainter& p, QRectF r) {
                    p.setPen(QPen(Qt::black, 2));
                    p.drawEllipse(r.center(), 5, 5);
                  }});
  return voci;
}

std::vector<VistaLinea::voce> VistaLinea::voci_diagramma() const {
  auto linea = [](QPen penna) {
    return [penna](QPainter& p, QRectF r) {
      p.setPen(penna);
      p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    };
  };
  std::vector<voce> voci;
  voci.push_back({28, QStringLiteral("Sopraelevazione (mm, + rotaia destra)"),
                  linea(QPen(QColor(colore_sopraelevazione), 2))});
  voci.push_back({28, QStringLiteral("± %1 mm").arg(massima_),
                  linea(QPen(QColor(colore_massima), 1.5, Qt::DashLine))});
  if (albero_.con_riferimenti()) {
    voci.push_back({28,
                    profilo_.tratti().size() > 1
                        ? QStringLiteral("Equilibrio alla velocità del profilo")
                        : QStringLiteral("Equilibrio a %1 km/h")
                              .arg(profilo_.tratti().front().velocita_massima),
                    linea(QPen(QColor(colore_equilibrio), 1.5, Qt::DashLine))});
    voci.push_back({28, QStringLiteral("Minima per l'insufficienza"),
                    linea(QPen(QColor(colore_minima), 1.5, Qt::DotLine))});
  }
  voci.push_back({28, QStringLiteral("Bivio"), [](QPainter& p, QRectF r) {
                    p.fillRect(QRectF(r.left(), r.center().y() - 3, r.width(), 6),
                               QColor(colore_bivio));
                  }});
  return voci;
}

QFont VistaLinea::carattere_piccolo() const {
  QFont carattere = font();
  carattere.setPointSizeF(std::max(7.0, carattere.pointSizeF() * 0.85));
  return carattere;
}

double VistaLinea::altezza_leggenda(const std::vector<voce>& voci, double larghezza) const {
  const QFontMetricsF fm(carattere_piccolo());
  const double riga = fm.height() + 4;
  double x = 0;
  int righe = 1;
  for (const voce& v : voci) {
    const double w = v.larghezza + 4 + fm.horizontalAdvance(v.testo) + 14;
    if (x > 0 && x + w > larghezza - 8) {
      ++righe;
      x = 0;
    }
    x += w;
  }
  return righe * riga + 4;
}

void VistaLinea::disegna_leggenda(QPainter& p, const QRectF& area,
                                  const std::vector<voce>& voci) const {
  const QFontMetricsF fm(p.font());
  const double riga = fm.height() + 4;
  p.fillRect(area, QColor(0xf4, 0xf4, 0xf4));
  p.setRenderHint(QPainter::Antialiasing, true);
  double x = area.left() + 6;
  double y = area.top() + 2;
  for (const voce& v : voci) {
    const double t = fm.horizontalAdvance(v.testo);
    const double w = v.larghezza + 4 + t + 14;
    if (x > area.left() + 6 && x + w > area.right() - 2) {
      x = area.left() + 6;
      y += riga;
    }
    p.save();
    v.simbolo(p, QRectF(x, y, v.larghezza, riga));
    p.restore();
    p.setPen(Qt::black);
    p.drawText(QRectF(x + v.larghezza + 4, y, t + 2, riga), Qt::AlignLeft | Qt::AlignVCenter,
               v.testo);
    x += w;
  }
  p.setRenderHint(QPainter::Antialiasing, false);
}

void VistaLinea::disegna(QPainter& pittore, const QRectF& area, const inquadratura& vista) const {
  const disposizione d = disponi(area, vista);
  pittore.setFont(carattere_piccolo());
  pittore.fillRect(d.pianta, Qt::white);
  pittore.fillRect(d.diagramma_intero, Qt::white);
  pittore.setPen(QColor(0xb0, 0xb0, 0xb0));
  pittore.drawRect(d.pianta.adjusted(0, 0, -1, -1));
  pittore.drawRect(d.diagramma_intero.adjusted(0, 0, -1, -1));
  if (albero_.righe() == 0) {
    pittore.setPen(Qt::darkGray);
    pittore.drawText(d.pianta, Qt::AlignCenter, QStringLiteral("Nessuna linea da mostrare"));
    return;
  }
  pittore.save();
  pittore.setClipRect(d.pianta);
  disegna_pianta(pittore, d);
  pittore.restore();
  pittore.save();
  pittore.setClipRect(d.diagramma_intero);
  disegna_diagramma(pittore, d);
  pittore.restore();
  disegna_leggenda(pittore, d.leggenda_pianta, voci_pianta());
  disegna_leggenda(pittore, d.leggenda_diagramma, voci_diagramma());
}

void VistaLinea::discendi(const disposizione& d, const scatola& visibile, std::size_t nodo, int da,
                          int quante) const {
  const albero_linea::scatola& s = albero_.scatola_nodo(nodo);
  if (s.x0 > visibile.x1 || s.x1 < visibile.x0 || s.y0 > visibile.y1 || s.y1 < visibile.y0) return;
  if (quante > 1 && std::max(s.x1 - s.x0, s.y1 - s.y0) * d.scala >= 1.5) {
    discendi(d, visibile, 2 * nodo, da, quante / 2);
    discendi(d, visibile, 2 * nodo + 1, da + quante / 2, quante / 2);
    return;
  }
  const auto fine = static_cast<std::size_t>(std::min(da + quante, albero_.righe() - 1));
  const QPointF a = a_schermo(d, albero_.punto(da));
  const QPointF b = a_schermo(d, albero_.punto(static_cast<int>(fine)));
  const bool ultimo = static_cast<int>(fine) == albero_.righe() - 1;
  tracciato_.aggiungi(chiave(albero_.bandiere(nodo)), da, static_cast<int>(fine), a, b, ultimo);
  if (albero_.bandiere(nodo) & bit_bivio)
    aloni_.aggiungi(0, da, static_cast<int>(fine), a, b, ultimo);
  // Marks stand above the track, at most one of a kind in 7 pixels along it.
  auto segna = [&](QVector<QPointF>& segni) {
    const QPointF c = a + QPointF(0, -9);
    if (!segni.isEmpty() &&
        std::abs(segni.back().x() - c.x()) + std::abs(segni.back().y() - c.y()) < 7)
      return;
    segni.append(c);
  };
  if (albero_.problemi(nodo) & bit_errore) segna(errori_);
  if (albero_.problemi(nodo) & bit_avviso) segna(avvisi_);
}

void VistaLinea::spezzate::aggiungi(int chiave, int da, int fine, QPointF a, QPointF b,
                                    bool ultimo) {
  if (!elenco.empty() && elenco.back().chiave == chiave && elenco.back().fine == da) {
    // Points closer than half a pixel to the last one add nothing.
    const QPointF& prima = punti.back();
    if (ultimo || std::abs(prima.x() - b.x()) + std::abs(prima.y() - b.y()) >= 0.5) {
      punti.append(b);
      ++elenco.back().quanti;
    }
    elenco.back().fine = fine;
    return;
  }
  elenco.push_back({chiave, punti.size(), 2, fine});
  punti.append(a);
  punti.append(b);
}

void VistaLinea::disegna_tracciato(QPainter& p) const {
  p.setRenderHint(QPainter::Antialiasing, true);
  QColor alone(colore_bivio);
  alone.setAlpha(110);
  p.setPen(QPen(alone, 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  for (const auto& s : aloni_.elenco)
    p.drawPolyline(aloni_.punti.constData() + s.primo, int(s.quanti));
  for (int k = 0; k < int(std::size(colori_chiave)); ++k) {
    p.setPen(
        QPen(QColor(colori_chiave[k]), k == 0 ? 2 : 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const auto& s : tracciato_.elenco)
      if (s.chiave == k) p.drawPolyline(tracciato_.punti.constData() + s.primo, int(s.quanti));
  }
}

void VistaLinea::disegna_pianta(QPainter& p, const disposizione& d) const {
  tracciato_.svuota();
  aloni_.svuota();
  errori_.clear();
  avvisi_.clear();
  const QPointF a = a_mondo(d, d.pianta.topLeft());
  const QPointF b = a_mondo(d, d.pianta.bottomRight());
  const double bordo = 10 / d.scala;
  const scatola visibile{std::min(a.x(), b.x()) - bordo, std::min(a.y(), b.y()) - bordo,
                         std::max(a.x(), b.x()) + bordo, std::max(a.y(), b.y()) + bordo};
  discendi(d, visibile, 1, 0, static_cast<int>(albero_.foglie()));

  if (p.device() == this) {
    // On screen the track's strokes are kept in an image until the view, the
    // size or the line changes: marks, the selection and the cant change far
    // more often than the track.
    const chiave_tracciato chiave{d.pianta, d.scala, d.centro, devicePixelRatioF(),
                                  versione_albero_};
    const QRect pixel = d.pianta.toAlignedRect();
    if (tracciato_disegnato_.isNull() || !(chiave == chiave_tracciato_)) {
      tracciato_disegnato_ = QImage(pixel.size() * chiave.dpr, QImage::Format_ARGB32_Premultiplied);
      tracciato_disegnato_.setDevicePixelRatio(chiave.dpr);
      tracciato_disegnato_.fill(Qt::white);
      QPainter q(&tracciato_disegnato_);
      q.translate(-pixel.topLeft());
      disegna_tracciato(q);
      chiave_tracciato_ = chiave;
    }
    p.drawImage(pixel.topLeft(), tracciato_disegnato_);
  } else {
    disegna_tracciato(p);
  }
  p.setRenderHint(QPainter::Antialiasing, true);
  timbra_segni(p, avvisi_, 5, false);
  timbra_segni(p, errori_, 4, true);
  if (selezionata_ >= 0) {
    const QPointF c = a_schermo(d, albero_.punto(selezionata_));
    p.setPen(QPen(Qt::white, 5));
    p.drawEllipse(c, 8, 8);
    p.setPen(QPen(Qt::black, 2.5));
    p.drawEllipse(c, 8, 8);
  }
  p.setRenderHint(QPainter::Antialiasing, false);

  // Scale bar, bottom left.
  const double metri = passo_tondo(100 / d.scala);
  const double lunghezza = metri * d.scala;
  const QPointF s0 = d.pianta.bottomLeft() + QPointF(12, -12);
  p.setPen(QPen(Qt::black, 2));
  p.drawLine(s0, s0 + QPointF(lunghezza, 0));
  p.drawLine(s0, s0 + QPointF(0, -5));
  p.drawLine(s0 + QPointF(lunghezza, 0), s0 + QPointF(lunghezza, -5));
  p.drawText(QRectF(s0.x(), s0.y() - 22, lunghezza + 80, 16), Qt::AlignLeft | Qt::AlignBottom,
             testo_metri(metri));
}

void VistaLinea::disegna_diagramma(QPainter& p, const disposizione& d) const {
  const std::vector<campata> campate = campate_diagramma(d);
  p.save();
  p.setClipRect(d.diagramma);
  disegna_fasce(p, d, campate);
  disegna_griglia(p, d);
  disegna_serie(p, d, campate);
  // The reference lines over the cant, so that they show where a column's
  // cant spans a range; ±c_max last.
  p.setPen(QPen(QColor(colore_massima), 1.5, Qt::DashLine));
  for (double s : {1.0, -1.0})
    p.drawLine(QPointF(d.diagramma.left(), y_mm(d, s * massima_)),
               QPointF(d.diagramma.right(), y_mm(d, s * massima_)));
  disegna_segni_diagramma(p, d, campate);
  disegna_cursore(p, d);
  p.restore();
  disegna_assi(p, d);
}

std::vector<VistaLinea::campata> VistaLinea::campate_diagramma(const disposizione& d) const {
  // One span per pixel column when a column holds a row or more, else one per visible row.
  const QRectF& g = d.diagramma;
  std::vector<campata> campate;
  campate.reserve(static_cast<std::size_t>(g.width()) + 2);
  if (d.righe_per_pixel >= 1) {
    const int colonne = static_cast<int>(std::ceil(g.width()));
    for (int c = 0; c < colonne; ++c) {
      const int da = static_cast<int>(std::floor(d.inizio + c * d.righe_per_pixel));
      int a = static_cast<int>(std::floor(d.inizio + (c + 1) * d.righe_per_pixel));
      if (da >= albero_.righe()) break;
      a = std::clamp(a, da + 1, albero_.righe());
      campate.push_back({g.left() + c, g.left() + c + 1, albero_.interroga(da, a)});
    }
  } else {
    const int da = std::max(0, static_cast<int>(std::floor(d.inizio)));
    const int a = std::min(albero_.righe(),
                           static_cast<int>(std::ceil(d.inizio + g.width() * d.righe_per_pixel)));
    for (int r = da; r < a; ++r) {
      const double x0 = std::max(g.left(), x_riga(d, r));
      const double x1 = std::min(g.right(), x_riga(d, r + 1));
      campate.push_back({x0, x1, albero_.interroga(r, r + 1)});
    }
  }
  return campate;
}

void VistaLinea::disegna_fasce(QPainter& p, const disposizione& d,
                               const std::vector<campata>& campate) const {
  // Background bands: the tightest curve class in a span, and a strip along
  // the bottom under junction zones.
  const QRectF& g = d.diagramma;
  const double alto_bivio = 6;
  for (std::size_t i = 0; i < campate.size();) {
    const int k = chiave(campate[i].a.bandiere & bit_curve);
    std::size_t j = i + 1;
    while (j < campate.size() && chiave(campate[j].a.bandiere & bit_curve) == k) ++j;
    if (k != 0)
      p.fillRect(QRectF(campate[i].x0, g.top(), campate[j - 1].x1 - campate[i].x0, g.height()),
                 tinta(colori_chiave[k], 0.35));
    i = j;
  }
  for (std::size_t i = 0; i < campate.size();) {
    const bool bivio = campate[i].a.bandiere & bit_bivio;
    std::size_t j = i + 1;
    while (j < campate.size() && bool(campate[j].a.bandiere & bit_bivio) == bivio) ++j;
    if (bivio)
      p.fillRect(QRectF(campate[i].x0, g.bottom() - alto_bivio, campate[j - 1].x1 - campate[i].x0,
                        alto_bivio),
                 QColor(colore_bivio));
    i = j;
  }
}

void VistaLinea::disegna_griglia(QPainter& p, const disposizione& d) const {
  const QRectF& g = d.diagramma;
  // Grid and zero.
  const double passo_mm = passo_griglia(d.mm_alto);
  for (double mm = -d.mm_alto; mm <= d.mm_alto; mm += passo_mm) {
    p.setPen(QPen(mm == 0 ? QColor(0x60, 0x60, 0x60) : QColor(0xe0, 0xe0, 0xe0), 1));
    p.drawLine(QPointF(g.left(), y_mm(d, mm)), QPointF(g.right(), y_mm(d, mm)));
  }
}

void VistaLinea::disegna_gradini(QPainter& p, const disposizione& d,
                                 const std::vector<campata>& campate, const estremi_campata& valori,
                                 bool raccorda) const {
  // A series as steps: a flat line over a span with one value, a vertical line
  // over a span with a range, and a vertical join where neighbours do not meet.
  if (d.righe_per_pixel >= 1) {
    // One pixel column per span: the column's range, stretched to meet the
    // column before when `raccorda`, filled; equal neighbouring columns in
    // one rectangle.
    const QColor colore = p.pen().color();
    const double spessore = std::max(1.0, std::round(p.pen().widthF()));
    double alto_prec = 0, basso_prec = 0;
    QRectF rettangolo;
    bool prima = true;
    for (const campata& c : campate) {
      const auto [minimo, massimo] = valori(c.a);
      if (minimo > massimo) continue;
      const double alto = std::round(y_mm(d, massimo));
      const double basso = std::round(y_mm(d, minimo));
      double da = alto, a = basso + spessore;
      if (!prima && raccorda)
        da = std::min(da, basso_prec + spessore - 1), a = std::max(a, alto_prec + 1);
      prima = false;
      alto_prec = alto;
      basso_prec = basso;
      if (rettangolo.isValid() && rettangolo.right() == c.x0 && rettangolo.top() == da &&
          rettangolo.bottom() == a) {
        rettangolo.setRight(c.x1);
        continue;
      }
      if (rettangolo.isValid()) p.fillRect(rettangolo, colore);
      rettangolo = QRectF(QPointF(c.x0, da), QPointF(c.x1, a));
    }
    if (rettangolo.isValid()) p.fillRect(rettangolo, colore);
    return;
  }
  // Rows wider than a pixel: a flat line over each row, vertical joins between.
  QVector<QLineF> linee;
  linee.reserve(static_cast<qsizetype>(campate.size() * 2));
  bool prima = true;
  double prec = 0;
  for (const campata& c : campate) {
    const auto [minimo, massimo] = valori(c.a);
    if (minimo > massimo) continue;
    const double y = y_mm(d, massimo);
    if (!prima && prec != y) linee.append(QLineF(c.x0, prec, c.x0, y));
    if (!prima && prec == y && linee.back().x2() == c.x0)
      linee.back().setP2(QPointF(c.x1, y));
    else
      linee.append(QLineF(c.x0, y, c.x1, y));
    prima = false;
    prec = y;
  }
  p.drawLines(linee);
}

void VistaLinea::disegna_serie(QPainter& p, const disposizione& d,
                               const std::vector<campata>& campate) const {
  const QRectF& g = d.diagramma;
  // Dashes only where a row is wide enough to show them: dashing thousands of
  // short lines would cost more than the rest of the frame.
  const bool tratteggio = d.righe_per_pixel <= 1.0 / 6;
  const auto gradini = [&](const estremi_campata& valori, bool raccorda = true) {
    disegna_gradini(p, d, campate, valori, raccorda);
  };
  // The cant: near black as steps, dark grey where a column spans a range.
  p.setPen(
      QPen(d.righe_per_pixel >= 1 ? QColor(0x55, 0x55, 0x55) : QColor(colore_sopraelevazione), 2));
  gradini([](const aggregato& a) { return std::pair{double(a.minimo), double(a.massimo)}; });
  if (albero_.con_riferimenti()) {
    using campo = std::int16_t aggregato::*;
    // A column with several values marks the highest and the lowest, without
    // joining columns, so that the cant between them stays in sight.
    auto contorni = [&](campo minimo, campo massimo) {
      const auto valori = [minimo, massimo](const aggregato& a) {
        return std::pair{double(a.*minimo), double(a.*massimo)};
      };
      if (d.righe_per_pixel < 1) return gradini(valori);
      gradini(
          [&](const aggregato& a) {
            const auto [lo, hi] = valori(a);
            return std::pair{hi, hi};
          },
          false);
      gradini(
          [&](const aggregato& a) {
            const auto [lo, hi] = valori(a);
            return std::pair{lo, lo};
          },
          false);
    };
    p.setPen(tratteggio ? QPen(QColor(colore_equilibrio), 1.5, Qt::DashLine)
                        : QPen(QColor(colore_equilibrio), 1));
    contorni(&aggregato::equilibrio_minimo, &aggregato::equilibrio_massimo);
    p.setPen(tratteggio ? QPen(QColor(colore_minima), 1.5, Qt::DotLine)
                        : QPen(QColor(colore_minima), 1));
    contorni(&aggregato::minima_minimo, &aggregato::minima_massimo);
    // The profile's stretches: a thin line where each starts, its speeds beside.
    if (!confini_.empty()) {
      p.setFont(carattere_piccolo());
      const QFontMetricsF fm(p.font());
      double libero = -1e9;  // the labels do not overlap: one skipped where no room
      for (const confine& c : confini_) {
        const double x = x_riga(d, c.riga);
        if (x < g.left() - 1 || x > g.right() + 1) continue;
        p.setPen(QPen(QColor(colore_equilibrio), 1, Qt::DotLine));
        p.drawLine(QPointF(x, g.top()), QPointF(x, g.bottom()));
        if (x < libero) continue;
        p.setPen(QColor(colore_equilibrio));
        p.drawText(QPointF(x + 3, g.bottom() - 4), c.testo);
        libero = x + fm.horizontalAdvance(c.testo) + 8;
      }
    }
  }
}

void VistaLinea::disegna_segni_diagramma(QPainter& p, const disposizione& d,
                                         const std::vector<campata>& campate) const {
  const QRectF& g = d.diagramma;
  // Problems: marks along the top edge, at most one of a kind in 7 pixels.
  QVector<QPointF> errori, avvisi;
  for (const campata& c : campate) {
    const double x = (c.x0 + c.x1) / 2;
    if ((c.a.problemi & bit_avviso) && (avvisi.isEmpty() || x - avvisi.back().x() >= 7))
      avvisi.append(QPointF(x, g.top() + 16));
    if ((c.a.problemi & bit_errore) && (errori.isEmpty() || x - errori.back().x() >= 7))
      errori.append(QPointF(x, g.top() + 6));
  }
  // Sections the design lowered: a short orange bar on the bottom edge.
  {
    double ultimo = -1e9;
    for (const campata& c : campate) {
      if (!(c.a.problemi & bit_abbassato) || c.x0 - ultimo < 3) continue;
      p.fillRect(QRectF(c.x0, g.bottom() - 6, std::max(2.0, c.x1 - c.x0), 6),
                 QColor(0xe0, 0x70, 0x00));
      ultimo = c.x0;
    }
  }
  p.setRenderHint(QPainter::Antialiasing, true);
  timbra_segni(p, avvisi, 4.5, false);
  timbra_segni(p, errori, 3.5, true);
  p.setRenderHint(QPainter::Antialiasing, false);
}

void VistaLinea::disegna_cursore(QPainter& p, const disposizione& d) const {
  const QRectF& g = d.diagramma;
  // The cursor on the selected section.
  if (selezionata_ >= 0) {
    const double x = x_riga(d, selezionata_ + 0.5);
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(x, g.top()), QPointF(x, g.bottom()));
    const int mm = albero_.sopraelevazione(selezionata_);
    const QString t = QStringLiteral("%1 m   %2 mm")
                          .arg(sopra::posizione_tratto(sopra::tratto_della_riga(selezionata_)))
                          .arg(mm);
    const QFontMetricsF fm(p.font());
    const double w = fm.horizontalAdvance(t) + 8;
    const double xt = x + 4 + w > g.right() ? x - 4 - w : x + 4;
    const QRectF r(xt, g.bottom() - fm.height() - 4, w, fm.height() + 2);
    p.fillRect(r, QColor(255, 255, 255, 220));
    p.drawText(r, Qt::AlignCenter, t);
  }
}

void VistaLinea::disegna_assi(QPainter& p, const disposizione& d) const {
  const QRectF& g = d.diagramma;
  // Axes: mm on the left, position along the line below.
  p.setPen(Qt::black);
  const QFontMetricsF fm(p.font());
  for (double mm = -d.mm_alto, passo_mm = passo_griglia(d.mm_alto); mm <= d.mm_alto;
       mm += passo_mm) {
    p.drawText(QRectF(d.diagramma_intero.left(), y_mm(d, mm) - fm.height() / 2,
                      margine_sinistro - 4, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QString::number(mm));
  }
  p.save();
  p.translate(d.diagramma_intero.left() + fm.height() / 2 + 1, g.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-60, -fm.height() / 2, 120, fm.height()), Qt::AlignCenter,
             QStringLiteral("mm"));
  p.restore();
  const double metri_per_pixel = d.righe_per_pixel * sopra::metri_tratto;
  const double passo = std::max(double(sopra::metri_tratto), passo_tondo(metri_per_pixel * 110));
  const double m0 = sopra::posizione_tratto(sopra::tratto_della_riga(0));
  const double inizio_m = m0 + d.inizio * sopra::metri_tratto;
  const double fine_m = inizio_m + g.width() * metri_per_pixel;
  for (double m = std::ceil(inizio_m / passo) * passo; m <= fine_m; m += passo) {
    const double x = x_riga(d, (m - m0) / sopra::metri_tratto);
    p.drawLine(QPointF(x, g.bottom()), QPointF(x, g.bottom() + 3));
    p.drawText(QRectF(x - 60, g.bottom() + 2, 120, margine_basso - 2),
               Qt::AlignHCenter | Qt::AlignTop, testo_metri(m));
  }
}
