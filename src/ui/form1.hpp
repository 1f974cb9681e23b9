#pragma once
// The program's one window: the choice of the scenario, the editing screen and
// the busy panel, the design tools beside them and the picture of the line.
// Every event is handed to the open scenario; the window edits, checks and
// takes back nothing itself.

#include <QDateTime>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "editing/scenario_aperto.hpp"
#include "progetto/parametri.hpp"
#include "progetto/profilo.hpp"

class QCoreApplication;
class QFileSystemWatcher;
class QScrollArea;
class QSplitter;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
namespace form1_interno {
struct posto_twip;
}
class QTableView;
class QTextBrowser;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTimer;
class VistaLinea;
class delegato_tratti;
class modello_problemi;
class modello_tratti;

// Loads Qt's own Italian texts (the buttons of its dialogs and message boxes)
// from the system's Qt translations, or from those built into the program,
// into `applicazione`; false when there are neither.
bool installa_traduzioni_qt(QCoreApplication& applicazione);

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // How many design parameters the boxes Text5(0) .. Text5(6) hold: the fastest
  // and slowest speeds, the greatest cant, the deficiency and excess allowed,
  // the run-off gradient and the rate of change of cant.
  static constexpr std::size_t numero_parametri = sopra::numero_parametri;

  // `cartella` is the folder whose scenarios the choice screen lists first and
  // opens: the program's own, unless the user chooses another with "Cartella…".
  explicit Form1(const QString& cartella, QWidget* genitore = nullptr);
  ~Form1() override;

  // Every message box and file dialog of the window goes through these, so that
  // a test can answer them. `avvisa` shows a text with an OK button; `chiedi`
  // asks a question with Sì and No and tells whether the answer was Sì;
  // `scegli_cartella` asks for a folder of scenarios, starting from `attuale`;
  // `scegli_file_immagine` asks for the name of a PNG file to write, proposing
  // `proposto`. Both return an empty text when the user gives up.
  std::function<void(const QString& testo)> avvisa;
  std::function<bool(const QString& domanda)> chiedi;
  std::function<QString(const QString& attuale)> scegli_cartella;
  std::function<QString(const QString& proposto)> scegli_file_immagine;
  // `scegli_file_relazione` asks for the name of the curve report's CSV file
  // to write, proposing `proposto`; an empty text when the user gives up.
  std::function<QString(const QString& proposto)> scegli_file_relazione;
  // `scegli` shows a text with one button for each of `scelte` and returns the
  // index of the one pressed; -1, or the last, when the box is closed.
  std::function<int(const QString& testo, const QStringList& scelte)> scegli;

  // The window's size when it opens, below which it cannot be made smaller.
  QSize dimensione_iniziale() const;

 signals:
  // The program must end now with exit code `codice` (the scenario could not be loaded).
  void termina(int codice);
  // A scenario of folder `cartella` was opened: the folder the program starts
  // on next time, when it is not started from a folder of scenarios.
  void scenario_aperto_da(const QString& cartella);

 protected:
  void closeEvent(QCloseEvent* evento) override;
  void resizeEvent(QResizeEvent* evento) override;
  bool eventFilter(QObject* oggetto, QEvent* evento) override;

 private:
  int px(int twip) const;
  // Places `controllo` at `posto`, scaled from twips to pixels.
  void posa(QWidget* controllo, const form1_interno::posto_twip& posto) const;
  QFont carattere(qreal punti) const;
  void crea_schermata_scelta();
  void crea_schermata_modifica();
  void crea_frame3();
  void crea_frame4();
  void crea_frame5();
  void crea_frame6();
  // The pages of Frame6's tables and its problem list, each with its controls.
  QWidget* crea_proposta();
  QWidget* crea_relazione();
  QWidget* crea_velocita();
  QWidget* crea_elenco_problemi();
  void crea_attesa();
  void imposta_ordine_tasti();
  void collega_eventi();
  void disponi();
  // The width that shows every column of the proposal table, at most three fifths of the
  // picture's frame.
  int larghezza_tabelle() const;
  QString file_scelto() const;
  void elenca_scenari();
  void mostra_cartella();
  void allinea_colonne();
  QString testo_curve_senza_slot(const sopra::scenario_aperto::esito_classi& esito) const;

  // The events of the controls of the first size, by their controls' names.
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

  // The events of the controls added to them, by what they do.
  // "Cartella…": another folder of scenarios.
  void cambia_cartella();
  // A design parameter typed: judged at once, a wrong value red with its reason.
  void parametro_cambiato();
  void proponi_classi();
  void raccorda();
  void accendi_verifica();
  void annulla_passo();
  void ripeti_passo();
  void mostra_linea();
  void ricarica_da_disco();
  void progetta_linea_intera();
  void esporta_relazione();
  void aggiungi_tratto_velocita();
  void togli_tratto_velocita();
  // An edit of the speed profile's table: judged by the core, a wrong row red.
  void profilo_cambiato();
  void curva_scelta();
  // A position of the design panel's summary was clicked (`metri` as text).
  void posizione_scelta(const QString& metri);
  void problema_scelto();
  void sceglie_riga_nella_vista(int riga);
  void salva_immagine_vista();

  void mostra_attesa();
  // Steps 2 and 3 of the busy panel: over the whole of Frame2, "ATTENDERE" in its middle.
  void posa_attesa();
  bool inclinazione();
  // Shows the selected row's position and cant in the editor, without writing.
  void mostra_riga_scelta();
  // Selects row `riga` of List1 and brings it into view, as a click on it does.
  void scegli_riga(int riga);
  // After every change of the store: the picture, the check, the undo buttons
  // and the status line follow.
  void dopo_modifica();
  void dopo_passo(const sopra::scenario_aperto::esito_passo& passo);
  void aggiorna_stato();
  void aggiorna_pulsanti_passo();
  // The live check: the one call that judges the line after every change.
  std::vector<sopra::problema> problemi_attuali() const;
  void esegui_verifica();
  // The design parameters from the boxes Text5(0) .. Text5(6); a box whose
  // value the core refuses leaves its parameter at the default and, when
  // `motivi` is given, puts the reason (a sentence) at its place there.
  sopra::parametri_progetto parametri(
      std::array<QString, numero_parametri>* motivi = nullptr) const;
  // The value box Text5(k) reads: not a number (so refused) unless the whole
  // text is one number, as every box reads numbers.
  double valore_casella(std::size_t k) const;
  // The speeds along the line: the scenario's own NAME.velocita.csv when it
  // has one that reads, else V and v of the boxes.
  sopra::profilo_velocita profilo() const;
  // Reads the scenario's own NAME.velocita.csv into profilo_scenario_ and the
  // table Grid3 (none when there is no such file); the reason, naming the
  // file, when it does not read.
  std::optional<QString> leggi_profilo_scenario();
  // Where the scenario's profile is written: the file found, else NAME.velocita.csv.
  QString file_profilo() const;
  // Writes the table's profile to file_profilo() (removes the file for an
  // empty table); false, with the reason shown, when it cannot.
  bool salva_profilo();
  // Whether anything is unsaved: the store's edits or the profile's.
  bool modifiche_non_salvate() const;
  // Fills the proposal table from the parameters as the boxes give them now.
  void mostra_proposta();
  // The summary of "Raccorda" or "Progetta" in Label21, positions as links.
  void mostra_esito(const QString& testo);
  // The curve report of the line as it stands, in the table Grid2.
  void mostra_relazione();
  // Shows the open scenario's name and folder in Label24.
  void mostra_scenario();
  // Makes the window wide enough for the picture, when it is not.
  void fai_posto();
  // The picture, once it shows the open scenario (nullptr before).
  VistaLinea* vista() const;
  // Gives the picture the open scenario, its selection, parameters and problems.
  void collega_vista();
  // After a save took another program's changes into the store: the list, the
  // picture, the check and the status line show them.
  void dopo_unione();
  // Reads the open scenario's files again as they are now, dropping the edits
  // in memory; false, with the reason shown, when they cannot be read.
  bool ricarica();
  // Watches the open scenario's files (and their folder, which sees a file
  // renamed over them), or looks at them at intervals where watching fails.
  void osserva_file();
  // What another program changed in the files: said in the status line at
  // once, with "Ricarica" offered.
  void controlla_disco();

  QString cartella_;
  qreal pixel_per_twip_;
  QString famiglia_;
  std::unique_ptr<sopra::scenario_aperto> aperto_;
  modello_tratti* modello_ = nullptr;
  delegato_tratti* delegato_ = nullptr;
  modello_problemi* problemi_ = nullptr;
  // The check runs again after every change once the user asked for it.
  bool verifica_attiva_ = false;
  bool vista_collegata_ = false;
  // Whether "Proponi" filled the proposal table: its figures then follow the parameters.
  bool proposta_mostrata_ = false;
  // The speeds along the line of the scenario's own profile file, read at
  // opening; none without the file. Why the file did not read (empty when it did).
  std::optional<sopra::profilo_velocita> profilo_scenario_;
  // The parameters and speeds the open scenario's live check was set up with.
  mutable std::optional<std::pair<sopra::parametri_progetto, sopra::profilo_velocita>>
      verifica_viva_con_;
  QString errore_profilo_;
  // The table's profile differs from the file's.
  bool profilo_modificato_ = false;
  QDateTime salvato_alle_;
  // The merge of the last save, and what another program changed on disk,
  // each a sentence for the status line (empty when none).
  QString esito_salvataggio_;
  QString nota_disco_;
  QFileSystemWatcher* osservatore_ = nullptr;
  QTimer* controllo_periodico_ = nullptr;

  // The controls, under their own names.
  QLabel* Label1 = nullptr;
  QLabel* Label10 = nullptr;
  QGroupBox* Frame1 = nullptr;
  QListWidget* File1 = nullptr;
  QLabel* Label7 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command5 = nullptr;
  QLabel* Label16 = nullptr;        // the folder that the choice screen lists
  QPushButton* Command7 = nullptr;  // "Cartella…"
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
  QLabel* Label18 = nullptr;  // which value a cant text that is not wholly a number gave
  QGroupBox* Frame4 = nullptr;
  QLabel* Label13 = nullptr;
  QLabel* Label14 = nullptr;
  std::array<QLabel*, sopra::numero_classi> Label12{};
  std::array<QLineEdit*, sopra::numero_classi> Text4{};
  QPushButton* Command6 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command1 = nullptr;
  QLabel* Label17 = nullptr;         // status line: saved, or unsaved changes
  QPushButton* Command14 = nullptr;  // "Ricarica", once another program changed the files
  // The design tools, beside Frame2.
  QGroupBox* Frame5 = nullptr;
  std::array<QLabel*, numero_parametri> Label19{};
  std::array<QLineEdit*, numero_parametri> Text5{};
  QPushButton* Command8 = nullptr;   // "Proponi"
  QPushButton* Command9 = nullptr;   // "Raccorda"
  QPushButton* Command10 = nullptr;  // "Verifica"
  QLabel* Label20 = nullptr;         // how many errors and warnings the check found
  QPushButton* Command11 = nullptr;  // "Annulla"
  QPushButton* Command12 = nullptr;  // "Ripeti"
  QPushButton* Command13 = nullptr;  // "Vista della linea"
  QPushButton* Command15 = nullptr;  // "Progetta"
  QTextBrowser* Label21 = nullptr;   // what the ramps or the design did, positions as links
  QLabel* Label24 = nullptr;         // the open scenario's name and folder
  // The picture of the line, the proposal table and the problems, right of Frame5.
  QGroupBox* Frame6 = nullptr;
  VistaLinea* Vista1 = nullptr;
  QLabel* Label22 = nullptr;
  QTableWidget* Grid1 = nullptr;
  QLabel* Label23 = nullptr;
  QTableView* List2 = nullptr;
  QSplitter* Splitter1 = nullptr;    // the picture above, the table and the problems below
  QSplitter* Splitter2 = nullptr;    // the tables beside the problems
  QTabWidget* Tab1 = nullptr;        // the proposal, and the curve report
  QTableWidget* Grid2 = nullptr;     // the curve report, one row per curve
  QPushButton* Command16 = nullptr;  // "Esporta relazione…"
  QTableWidget* Grid3 = nullptr;     // the speed profile's stretches: from, V, v
  QPushButton* Command17 = nullptr;  // "Aggiungi tratto"
  QPushButton* Command18 = nullptr;  // "Togli tratto"
  QLabel* Label25 = nullptr;         // why a stretch of the table is wrong
  // The report follows the edits a moment after the last one, not per keystroke.
  QTimer* attesa_relazione_ = nullptr;
  std::vector<std::int32_t> inizi_curve_;  // Grid2's rows: where each curve starts, m
  QFrame* Picture1 = nullptr;
  QLabel* Label11 = nullptr;
};
