#pragma once
// The program's one window: the choice of the scenario, the editing screen and
// the busy panel. Every event is handed to the open scenario; the window edits
// nothing itself.

#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "editing/scenario_aperto.hpp"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QPushButton;
class delegato_tratti;
class modello_tratti;

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // `cartella` is the folder whose scenarios the choice screen lists and opens:
  // the program's own.
  explicit Form1(const QString& cartella, QWidget* genitore = nullptr);
  ~Form1() override;

  // Every message box of the window goes through these two, so that a test can
  // answer them. `avvisa` shows a text with an OK button; `chiedi` asks a
  // question with Sì and No and tells whether the answer was Sì.
  std::function<void(const QString& testo)> avvisa;
  std::function<bool(const QString& domanda)> chiedi;

 signals:
  // The program must end now with exit code `codice` (the scenario could not be loaded).
  void termina(int codice);

 protected:
  void closeEvent(QCloseEvent* evento) override;

 private:
  int px(int twip) const;
  void posa(QWidget* controllo, int sinistra, int alto, int larghezza, int altezza) const;
  QFont carattere(qreal punti) const;
  void crea_schermata_scelta();
  void crea_schermata_modifica();
  void crea_frame3();
  void crea_frame4();
  void crea_attesa();
  void imposta_ordine_tasti();
  void collega_eventi();
  QString file_scelto() const;
  void allinea_colonne();
  QString testo_curve_senza_slot(const sopra::scenario_aperto::esito_classi& esito) const;

  void Form_Load();
  void File1_Click();
  void Command4_Click();
  void Command5_Click();
  void Command1_Click();
  void List1_Click();
  void Text1_Change();
  void Text4_Change(int indice);
  void Command6_Click();
  void Command3_Click();

  void mostra_attesa();
  bool inclinazione();

  QString cartella_;
  qreal pixel_per_twip_;
  QString famiglia_;
  std::unique_ptr<sopra::scenario_aperto> aperto_;
  modello_tratti* modello_ = nullptr;
  delegato_tratti* delegato_ = nullptr;

  // The controls, under their own names.
  QLabel* Label1 = nullptr;
  QLabel* Label10 = nullptr;
  QGroupBox* Frame1 = nullptr;
  QListWidget* File1 = nullptr;
  QLabel* Label7 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command5 = nullptr;
  QGroupBox* Frame2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QListView* List1 = nullptr;
  QGroupBox* Frame3 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLabel* Label15 = nullptr;  // says in place that the section has no free slot
  QGroupBox* Frame4 = nullptr;
  QLabel* Label13 = nullptr;
  QLabel* Label14 = nullptr;
  std::array<QLabel*, sopra::numero_classi> Label12{};
  std::array<QLineEdit*, sopra::numero_classi> Text4{};
  QPushButton* Command6 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command1 = nullptr;
  QFrame* Picture1 = nullptr;
  QLabel* Label11 = nullptr;
};
