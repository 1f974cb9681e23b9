#pragma once
// The rows of List1: a view onto the open scenario's section list, one text
// per listed section, read on demand (no item object per row).

#include <QAbstractListModel>
#include <cstddef>

namespace sopra {
class scenario_aperto;
}

class modello_tratti : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  // Shows the rows of `aperto` (nothing when null); the scenario outlives the model's use of it.
  void mostra(const sopra::scenario_aperto* aperto);
  // Row `riga` was rewritten by an edit.
  void riga_cambiata(std::size_t riga);
  // The class command may have rewritten any row.
  void righe_cambiate();

  int rowCount(const QModelIndex& genitore = {}) const override;
  QVariant data(const QModelIndex& indice, int ruolo = Qt::DisplayRole) const override;

 private:
  const sopra::scenario_aperto* aperto_ = nullptr;
};
