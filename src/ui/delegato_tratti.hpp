#pragma once
// Paints the rows of List1 with tab stops of its own, so that position, kind
// and cant stand in three columns under the list's headings, and with a mark
// at the end of every row where the check found a problem.

#include <QColor>
#include <QStyledItemDelegate>
#include <QTextOption>

class delegato_tratti : public QStyledItemDelegate {
  Q_OBJECT

 public:
  // Where a row's text starts inside the row, in pixels.
  static constexpr int margine = 3;
  // The marks of rows with an error or a warning from the check.
  static constexpr QColor colore_errore{200, 0, 0};
  static constexpr QColor colore_avviso{225, 150, 0};

  explicit delegato_tratti(QObject* genitore = nullptr);

  // The kind column starts at x `tipo`, the cant column at x `sopraelevazione`,
  // both measured from the start of the row's text, in `carattere`.
  void imposta_colonne(qreal tipo, qreal sopraelevazione, bool formato_compatto,
                       const QFont& carattere);

  // How a row's text is laid out from its start: alignment and tab stops.
  const QTextOption& opzioni() const { return opzioni_; }

  void paint(QPainter* pittore, const QStyleOptionViewItem& opzione,
             const QModelIndex& indice) const override;

 private:
  QTextOption opzioni_;
};
