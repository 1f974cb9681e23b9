#include "ui/modello_tratti.hpp"

#include <QBrush>
#include <QColor>
#include <algorithm>
#include <utility>

#include "editing/messaggi.hpp"
#include "editing/scenario_aperto.hpp"

void lista_tratti::dataChanged(const QModelIndex& primo, const QModelIndex& ultimo,
                               const QList<int>&) {
  if (primo == ultimo)
    update(primo);
  else
    viewport()->update();
}

void modello_tratti::mostra(const sopra::scenario_aperto* aperto) {
  beginResetModel();
  aperto_ = aperto;
  segni_.clear();
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

void modello_tratti::imposta_segni(const std::vector<sopra::problema>& problemi) {
  const std::size_t righe = static_cast<std::size_t>(rowCount());
  std::vector<segno_riga> segni(problemi.empty() ? 0 : righe, segno_riga::nessuno);
  for (const sopra::problema& p : problemi) {
    const std::optional<std::size_t> riga = sopra::riga_alla_posizione(p.posizione, righe);
    if (!riga) continue;
    const segno_riga segno = sopra::errore(p.codice) ? segno_riga::errore : segno_riga::avviso;
    segni[*riga] = std::max(segni[*riga], segno);
  }
  if (segni.empty() && segni_.empty()) return;
  segni_ = std::move(segni);
  if (righe > 0) emit dataChanged(index(0), index(static_cast<int>(righe) - 1), {ruolo_segno});
}

int modello_tratti::rowCount(const QModelIndex& genitore) const {
  if (genitore.isValid() || aperto_ == nullptr) return 0;
  return static_cast<int>(aperto_->quante_righe());
}

QVariant modello_tratti::data(const QModelIndex& indice, int ruolo) const {
  if (!indice.isValid() || aperto_ == nullptr) return {};
  const auto riga = static_cast<std::size_t>(indice.row());
  if (ruolo == Qt::DisplayRole) {
    const std::string_view testo = aperto_->riga(riga);
    return QString::fromUtf8(testo.data(), static_cast<qsizetype>(testo.size()));
  }
  if (ruolo == ruolo_segno)
    return static_cast<int>(riga < segni_.size() ? segni_[riga] : segno_riga::nessuno);
  return {};
}

modello_problemi::modello_problemi(QObject* genitore) : QAbstractListModel(genitore) {}

modello_problemi::~modello_problemi() = default;

void modello_problemi::imposta(std::vector<sopra::problema> problemi) {
  // A keystroke changes a few problems among tens of thousands: only the rows
  // between the common head and the common tail are announced, as changed,
  // inserted or removed, so that the list keeps its place and selection and
  // is not laid out again.
  const std::size_t prima =
      static_cast<std::size_t>(std::ranges::mismatch(problemi_, problemi).in1 - problemi_.begin());
  std::size_t coda = 0;
  const std::size_t piu_corta = std::min(problemi_.size(), problemi.size());
  while (coda < piu_corta - prima &&
         problemi_[problemi_.size() - 1 - coda] == problemi[problemi.size() - 1 - coda])
    ++coda;
  const std::size_t vecchie = problemi_.size() - coda - prima;
  const std::size_t nuove = problemi.size() - coda - prima;
  // The rows that come or go at the middle's end first, so that every other
  // row keeps its text through the insertion or removal; then the rest of
  // the middle is announced as changed.
  const auto riga = [](std::size_t r) { return static_cast<int>(r); };
  const auto a = [](auto& v, std::size_t r) { return v.begin() + static_cast<std::ptrdiff_t>(r); };
  if (nuove > vecchie) {
    beginInsertRows({}, riga(prima + vecchie), riga(prima + nuove - 1));
    problemi_.insert(a(problemi_, prima + vecchie), a(problemi, prima + vecchie),
                     a(problemi, prima + nuove));
    endInsertRows();
  } else if (nuove < vecchie) {
    beginRemoveRows({}, riga(prima + nuove), riga(prima + vecchie - 1));
    problemi_.erase(a(problemi_, prima + nuove), a(problemi_, prima + vecchie));
    endRemoveRows();
  }
  problemi_ = std::move(problemi);
  if (const std::size_t cambiate = std::min(vecchie, nuove); cambiate > 0)
    emit dataChanged(index(riga(prima)), index(riga(prima + cambiate - 1)));
}

void modello_problemi::imposta_esito(std::vector<sopra::voce_esito> voci) {
  // The entries stand after the problems: the old ones go and the new ones
  // come there, and the problems' rows keep their place and selection.
  const auto primo = static_cast<int>(problemi_.size());
  if (!esito_.empty()) {
    beginRemoveRows({}, primo, primo + static_cast<int>(esito_.size()) - 1);
    esito_.clear();
    endRemoveRows();
  }
  if (!voci.empty()) {
    beginInsertRows({}, primo, primo + static_cast<int>(voci.size()) - 1);
    esito_ = std::move(voci);
    endInsertRows();
  }
}

int modello_problemi::rowCount(const QModelIndex& genitore) const {
  return genitore.isValid() ? 0 : static_cast<int>(problemi_.size() + esito_.size());
}

QVariant modello_problemi::data(const QModelIndex& indice, int ruolo) const {
  if (!indice.isValid()) return {};
  if (static_cast<std::size_t>(indice.row()) >= problemi_.size()) {
    const sopra::voce_esito& v = esito_[static_cast<std::size_t>(indice.row()) - problemi_.size()];
    switch (ruolo) {
      case Qt::DisplayRole:
        return QStringLiteral("%1 m  %2")
            .arg(v.posizione)
            .arg(QString::fromStdString(sopra::testo_voce_esito(v)));
      case Qt::ToolTipRole:
        return QString::fromStdString(sopra::testo_voce_esito(v));
      case ruolo_posizione:
        return v.posizione;
      default:
        return {};
    }
  }
  const sopra::problema& p = problemi_[static_cast<std::size_t>(indice.row())];
  const bool errore = sopra::errore(p.codice);
  switch (ruolo) {
    case Qt::DisplayRole:
      return QStringLiteral("%1 m  %2  %3")
          .arg(p.posizione)
          .arg(errore ? QStringLiteral("Errore") : QStringLiteral("Avviso"),
               QString::fromStdString(sopra::testo_problema(p)));
    case Qt::ToolTipRole:
      return QString::fromStdString(sopra::testo_problema(p));
    case Qt::ForegroundRole:
      return errore ? QVariant(QBrush(QColor(170, 0, 0))) : QVariant();
    case ruolo_posizione:
      return p.posizione;
    default:
      return {};
  }
}
