#include "ui/modello_tratti.hpp"

#include "editing/scenario_aperto.hpp"

void modello_tratti::mostra(const sopra::scenario_aperto* aperto) {
  beginResetModel();
  aperto_ = aperto;
  endResetModel();
}

void modello_tratti::riga_cambiata(std::size_t riga) {
  const QModelIndex i = index(static_cast<int>(riga));
  emit dataChanged(i, i, {Qt::DisplayRole});
}

void modello_tratti::righe_cambiate() {
  if (rowCount() == 0) return;
  emit dataChanged(index(0), index(rowCount() - 1), {Qt::DisplayRole});
}

int modello_tratti::rowCount(const QModelIndex& genitore) const {
  if (genitore.isValid() || aperto_ == nullptr) return 0;
  return static_cast<int>(aperto_->righe().size());
}

QVariant modello_tratti::data(const QModelIndex& indice, int ruolo) const {
  if (ruolo != Qt::DisplayRole || !indice.isValid() || aperto_ == nullptr) return {};
  return QString::fromStdString(aperto_->righe()[static_cast<std::size_t>(indice.row())]);
}
