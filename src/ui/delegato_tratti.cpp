#include "ui/delegato_tratti.hpp"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <initializer_list>

#include "ui/modello_tratti.hpp"

delegato_tratti::delegato_tratti(QObject* genitore) : QStyledItemDelegate(genitore) {
  opzioni_.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  opzioni_.setWrapMode(QTextOption::NoWrap);
}

void delegato_tratti::imposta_colonne(qreal tipo, qreal sopraelevazione, bool formato_compatto,
                                      const QFont& carattere) {
  const QFontMetricsF metrica(carattere);
  const auto larghezze = [&](std::initializer_list<const char*> testi) {
    QList<qreal> l;
    for (const char* t : testi) l.append(metrica.horizontalAdvance(QString::fromLatin1(t)));
    return l;
  };
  const auto massimo = [](const QList<qreal>& l) { return *std::ranges::max_element(l); };
  const auto minimo = [](const QList<qreal>& l) { return *std::ranges::min_element(l); };

  // After the position's TAB a row holds its kind and then the TABs that lead
  // to the cant: three after "rettilineo " or "bivio ", two after a curve, and
  // one after a 10000 m curve in the extended layout (two in the compact one).
  // The two stops between the columns sit between those kind widths, so that
  // every count of TABs ends on the cant column.
  const qreal parola = massimo(larghezze({"rettilineo ", "bivio "}));
  const qreal curva_breve = minimo(larghezze({"curva SX raggio 200", "curva DX raggio 200"}));
  const QList<qreal> curve_5000 = larghezze({"curva SX raggio 5000", "curva DX raggio 5000"});
  const QList<qreal> curve_10000 = larghezze({"curva SX raggio 10000", "curva DX raggio 10000"});
  const qreal dopo_curve =
      formato_compatto ? massimo(curve_10000) + 1 : (massimo(curve_5000) + minimo(curve_10000)) / 2;
  opzioni_.setTabs({QTextOption::Tab(tipo, QTextOption::LeftTab),
                    QTextOption::Tab(tipo + (parola + curva_breve) / 2, QTextOption::LeftTab),
                    QTextOption::Tab(tipo + dopo_curve, QTextOption::LeftTab),
                    QTextOption::Tab(sopraelevazione, QTextOption::LeftTab)});
}

void delegato_tratti::paint(QPainter* pittore, const QStyleOptionViewItem& opzione,
                            const QModelIndex& indice) const {
  QStyleOptionViewItem o = opzione;
  initStyleOption(&o, indice);
  const QString testo = o.text;
  o.text.clear();
  const QStyle* stile = o.widget != nullptr ? o.widget->style() : QApplication::style();
  // Background, selection and focus as the style draws them; the text is ours.
  stile->drawControl(QStyle::CE_ItemViewItem, &o, pittore, o.widget);

  const QPalette::ColorGroup gruppo = !(o.state & QStyle::State_Enabled) ? QPalette::Disabled
                                      : (o.state & QStyle::State_Active) ? QPalette::Active
                                                                         : QPalette::Inactive;
  const QPalette::ColorRole ruolo =
      (o.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
  pittore->save();
  pittore->setFont(o.font);
  pittore->setPen(o.palette.color(gruppo, ruolo));
  pittore->drawText(QRectF(o.rect).adjusted(margine, 0, -margine, 0), testo, opzioni_);

  // A problem at the row's section: a mark at the row's right end, a red disc
  // for an error, an amber triangle for a warning (told apart by shape too).
  const auto segno = static_cast<segno_riga>(indice.data(modello_tratti::ruolo_segno).toInt());
  if (segno != segno_riga::nessuno) {
    const qreal lato = std::min<qreal>(o.rect.height() - 4, 9);
    const QRectF box(o.rect.right() - margine - lato, o.rect.center().y() - lato / 2, lato, lato);
    pittore->setRenderHint(QPainter::Antialiasing);
    pittore->setPen(Qt::NoPen);
    if (segno == segno_riga::errore) {
      pittore->setBrush(colore_errore);
      pittore->drawEllipse(box);
    } else {
      pittore->setBrush(colore_avviso);
      pittore->drawPolygon(
          QPolygonF({QPointF(box.center().x(), box.top()), box.bottomRight(), box.bottomLeft()}));
    }
  }
  pittore->restore();
}
