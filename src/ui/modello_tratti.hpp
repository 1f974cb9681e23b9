#pragma once
// The rows of List1: a view onto the open scenario's section list, one text
// per listed section, read on demand (no item object per row); and the rows of
// the problem list, a view onto the check's findings.

#include <QAbstractListModel>
#include <QListView>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sopra {
class scenario_aperto;
struct problema;
struct voce_esito;
}  // namespace sopra

// The list of the section rows. Every row is as high as the first whatever its
// text, so a changed row needs repainting, not the whole list laid out again,
// which the plain list view does on any change of data: on 200,000 rows that
// is several milliseconds per keystroke.
class lista_tratti : public QListView {
  Q_OBJECT

 public:
  using QListView::QListView;

 protected:
  void dataChanged(const QModelIndex& primo, const QModelIndex& ultimo,
                   const QList<int>& ruoli = {}) override;
};

// What the check found at a row's section, for its mark in the list.
enum class segno_riga : std::uint8_t { nessuno, avviso, errore };

class modello_tratti : public QAbstractListModel {
  Q_OBJECT

 public:
  // The role under which a row gives its segno_riga, as an int.
  static constexpr int ruolo_segno = Qt::UserRole + 1;

  using QAbstractListModel::QAbstractListModel;

  // Shows the rows of `aperto` (nothing when null), without marks; the scenario
  // outlives the model's use of it.
  void mostra(const sopra::scenario_aperto* aperto);
  // Row `riga` was rewritten by an edit.
  void riga_cambiata(std::size_t riga);
  // A command may have rewritten any row.
  void righe_cambiate();
  // Marks every row by the worst of `problemi` at its section (positions in
  // metres; problems outside the list are passed over).
  void imposta_segni(const std::vector<sopra::problema>& problemi);

  int rowCount(const QModelIndex& genitore = {}) const override;
  QVariant data(const QModelIndex& indice, int ruolo = Qt::DisplayRole) const override;

 private:
  const sopra::scenario_aperto* aperto_ = nullptr;
  std::vector<segno_riga> segni_;  // by row; empty when nothing is marked
};

// The problems of the last check, one row each: position, error or warning,
// and the check's text; errors in dark red.
class modello_problemi : public QAbstractListModel {
  Q_OBJECT

 public:
  // The role under which a row gives its problem's position in metres.
  static constexpr int ruolo_posizione = Qt::UserRole + 1;

  explicit modello_problemi(QObject* genitore = nullptr);
  ~modello_problemi() override;

  // Replaces the problems shown.
  void imposta(std::vector<sopra::problema> problemi);
  const std::vector<sopra::problema>& problemi() const { return problemi_; }
  // Replaces the sections of the last "Raccorda" or "Progetta", listed after the problems.
  // Their texts are made only when a row is shown.
  void imposta_esito(std::vector<sopra::voce_esito> voci);

  int rowCount(const QModelIndex& genitore = {}) const override;
  QVariant data(const QModelIndex& indice, int ruolo = Qt::DisplayRole) const override;

 private:
  std::vector<sopra::problema> problemi_;
  std::vector<sopra::voce_esito> esito_;
};
