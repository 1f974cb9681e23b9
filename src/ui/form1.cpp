#include "ui/form1.hpp"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStringList>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "analysis/caricamento.hpp"
#include "analysis/curva.hpp"
#include "editing/csv.hpp"
#include "editing/messaggi.hpp"
#include "editing/testo_numero.hpp"
#include "progetto/progetta.hpp"
#include "progetto/relazione.hpp"
#include "scenario/nomi_file.hpp"
#include "ui/delegato_tratti.hpp"
#include "ui/form1_interno.hpp"
#include "ui/modello_tratti.hpp"
#include "ui/vista_linea.hpp"

namespace {

using namespace form1_interno;

QString titolo_applicazione() {
  return QGuiApplication::applicationDisplayName();
}

// A shared sentence as a label or a box shows it: first letter capital, full stop.
QString frase(const std::string& testo) {
  QString f = da_std(testo);
  if (!f.isEmpty()) f[0] = f[0].toUpper();
  return f + u'.';
}

// A file's path as Qt names it.
QString da_percorso(const std::filesystem::path& percorso) {
#ifdef _WIN32
  return QString::fromStdWString(percorso.wstring());
#else
  return QFile::decodeName(percorso.c_str());
#endif
}

// Writes `testo` as the whole of `file`, through a temporary file that takes
// the file's place only when all of it is written; false when it could not be.
bool scrivi_file_intero(const QString& file, const std::string& testo) {
  QSaveFile uscita(file);
  return uscita.open(QIODevice::WriteOnly) &&
         uscita.write(testo.data(), static_cast<qint64>(testo.size())) ==
             static_cast<qint64>(testo.size()) &&
         uscita.commit();
}

// How often the files are looked at where they cannot be watched, in milliseconds.
constexpr int intervallo_controllo_ms = 2000;

// Whether the key event is one of the window's commands that a text box would
// otherwise take for its own undo and redo.
enum class comando_tasti { nessuno, annulla, ripeti, salva };
comando_tasti comando_di(const QKeyEvent* tasto) {
  const Qt::KeyboardModifiers mod =
      tasto->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
  if (tasto->key() == Qt::Key_Z && mod == Qt::ControlModifier) return comando_tasti::annulla;
  if (tasto->key() == Qt::Key_Z && mod == (Qt::ControlModifier | Qt::ShiftModifier))
    return comando_tasti::ripeti;
  if (tasto->key() == Qt::Key_Y && mod == Qt::ControlModifier) return comando_tasti::ripeti;
  if (tasto->key() == Qt::Key_S && mod == Qt::ControlModifier) return comando_tasti::salva;
  return comando_tasti::nessuno;
}

// The summary's positions as links: in a line of positions ("Posizioni in
// metri: 650, 1200 (82 mm, 104 km/h) e altre 3"), each number that a comma or
// the colon comes before and that is not a figure in brackets, the last before
// the sentence's full stop too.
QString con_collegamenti(const QString& testo) {
  static const QRegularExpression posizione(QStringLiteral(R"((?<=: |, )(\d+)(?=,| \(| e |\.?$))"));
  QStringList righe = testo.split(u'\n');
  for (QString& riga : righe) {
    QString html = riga.toHtmlEscaped();
    if (riga.startsWith(QStringLiteral("Posizioni in metri")))
      html.replace(posizione, QStringLiteral(R"(<a href="\1">\1</a>)"));
    riga = html;
  }
  return righe.join(QStringLiteral("<br>"));
}

}  // namespace

bool installa_traduzioni_qt(QCoreApplication& applicazione) {
  auto* traduzione = new QTranslator(&applicazione);
  // The system's, else those built into the program (the Windows build).
  for (const QString& cartella :
       {QLibraryInfo::path(QLibraryInfo::TranslationsPath), QStringLiteral(":/traduzioni")}) {
    if (traduzione->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
                         QStringLiteral("_"), cartella))
      return QCoreApplication::installTranslator(traduzione);
  }
  delete traduzione;
  return false;
}

Form1::Form1(const QString& cartella, QWidget* genitore)
    : QWidget(genitore),
      cartella_(cartella),
      pixel_per_twip_(static_cast<qreal>(logicalDpiX()) / twip_per_pollice) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Form1"));
  setMinimumSize(dimensione_iniziale());
  resize(dimensione_iniziale());

  const QStringList famiglie = QFontDatabase::families();
  famiglia_ = famiglie.contains(QStringLiteral("MS Sans Serif"))
                  ? QStringLiteral("MS Sans Serif")
                  : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
  setFont(carattere(font().pointSizeF()));

  avvisa = [this](const QString& testo) {
    QMessageBox::warning(this, titolo_applicazione(), testo);
  };
  chiedi = [this](const QString& domanda) {
    QMessageBox scatola(QMessageBox::Question, titolo_applicazione(), domanda,
                        QMessageBox::Yes | QMessageBox::No, this);
    scatola.button(QMessageBox::Yes)->setText(QStringLiteral("Sì"));
    scatola.button(QMessageBox::No)->setText(QStringLiteral("No"));
    scatola.setDefaultButton(QMessageBox::No);
    return scatola.exec() == QMessageBox::Yes;
  };
  scegli_cartella = [this](const QString& attuale) {
    return QFileDialog::getExistingDirectory(this, QStringLiteral("Cartella degli scenari"),
                                             attuale);
  };
  scegli = [this](const QString& testo, const QStringList& scelte) {
    QMessageBox scatola(QMessageBox::Warning, titolo_applicazione(), testo, QMessageBox::NoButton,
                        this);
    QList<QAbstractButton*> pulsanti;
    for (const QString& scelta : scelte)
      pulsanti.append(scatola.addButton(scelta, QMessageBox::ActionRole));
    if (!pulsanti.isEmpty()) {
      // The last choice is the one that does nothing: the default and Esc.
      scatola.setDefaultButton(static_cast<QPushButton*>(pulsanti.back()));
      scatola.setEscapeButton(pulsanti.back());
    }
    scatola.exec();
    return static_cast<int>(pulsanti.indexOf(scatola.clickedButton()));
  };
  scegli_file_immagine = [this](const QString& proposto) {
    return QFileDialog::getSaveFileName(this, QStringLiteral("Salva immagine"), proposto,
                                        QStringLiteral("Immagini PNG (*.png)"));
  };
  scegli_file_relazione = [this](const QString& proposto) {
    return QFileDialog::getSaveFileName(this, QStringLiteral("Esporta relazione"), proposto,
                                        QStringLiteral("File CSV (*.csv)"));
  };

  crea_schermata_scelta();
  crea_schermata_modifica();
  crea_frame5();
  crea_frame6();
  crea_attesa();
  imposta_ordine_tasti();
  collega_eventi();
  Form_Load();
  Command5->setFocus();  // the first of the keyboard order that can take the focus
}

Form1::~Form1() = default;

QSize Form1::dimensione_iniziale() const {
  return {px(larghezza_form), px(altezza_form)};
}

int Form1::px(int twip) const {
  return qRound(twip * pixel_per_twip_);
}

QFont Form1::carattere(qreal punti) const {
  QFont f(famiglia_);
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(punti);
  return f;
}

void Form1::collega_eventi() {
  connect(File1, &QListWidget::itemSelectionChanged, this, &Form1::File1_Click);
  connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
  connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(List1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &Form1::List1_Click);
  connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
  for (std::size_t k = 0; k < sopra::numero_classi; ++k) {
    connect(Text4[k], &QLineEdit::textChanged, this,
            [this, k] { Text4_Change(static_cast<int>(k)); });
  }
  connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
  connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
  connect(Command7, &QPushButton::clicked, this, &Form1::cambia_cartella);
  for (QLineEdit* casella : Text5)
    connect(casella, &QLineEdit::textChanged, this, &Form1::parametro_cambiato);
  connect(Command8, &QPushButton::clicked, this, &Form1::proponi_classi);
  connect(Command9, &QPushButton::clicked, this, &Form1::raccorda);
  connect(Command10, &QPushButton::clicked, this, &Form1::accendi_verifica);
  connect(Command11, &QPushButton::clicked, this, &Form1::annulla_passo);
  connect(Command12, &QPushButton::clicked, this, &Form1::ripeti_passo);
  connect(Command13, &QPushButton::clicked, this, &Form1::mostra_linea);
  connect(Command14, &QPushButton::clicked, this, &Form1::ricarica_da_disco);
  connect(Command15, &QPushButton::clicked, this, &Form1::progetta_linea_intera);
  connect(Command16, &QPushButton::clicked, this, &Form1::esporta_relazione);
  connect(Grid2, &QTableWidget::cellClicked, this, &Form1::curva_scelta);
  connect(Grid3, &QTableWidget::itemChanged, this, &Form1::profilo_cambiato);
  connect(Command17, &QPushButton::clicked, this, &Form1::aggiungi_tratto_velocita);
  connect(Command18, &QPushButton::clicked, this, &Form1::togli_tratto_velocita);
  connect(Tab1, &QTabWidget::currentChanged, this, [this] {
    if (Tab1->currentIndex() == 1) mostra_relazione();
  });
  connect(attesa_relazione_, &QTimer::timeout, this, &Form1::mostra_relazione);
  connect(Label21, &QTextBrowser::anchorClicked, this,
          [this](const QUrl& metri) { posizione_scelta(metri.toString()); });
  connect(List2->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &Form1::problema_scelto);
  connect(Vista1, &VistaLinea::riga_scelta, this, &Form1::sceglie_riga_nella_vista);
  connect(Vista1, &VistaLinea::immagine_richiesta, this, &Form1::salva_immagine_vista);

  // Undo, redo and save from the keyboard, wherever the focus is; the text
  // boxes would take Ctrl+Z and Ctrl+Y for their own undo, so their keys are
  // looked at first (eventFilter).
  const auto scorciatoia = [this](QKeySequence tasti, void (Form1::*azione)()) {
    connect(new QShortcut(tasti, this), &QShortcut::activated, this, azione);
  };
  scorciatoia(QKeySequence(Qt::CTRL | Qt::Key_Z), &Form1::annulla_passo);
  scorciatoia(QKeySequence(Qt::CTRL | Qt::Key_Y), &Form1::ripeti_passo);
  scorciatoia(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &Form1::ripeti_passo);
  scorciatoia(QKeySequence(Qt::CTRL | Qt::Key_S), &Form1::Command3_Click);
  Text1->installEventFilter(this);
  for (QLineEdit* casella : Text4) casella->installEventFilter(this);
  for (QLineEdit* casella : Text5) casella->installEventFilter(this);
}

bool Form1::eventFilter(QObject* oggetto, QEvent* evento) {
  if (evento->type() != QEvent::ShortcutOverride && evento->type() != QEvent::KeyPress)
    return QWidget::eventFilter(oggetto, evento);
  const comando_tasti comando = comando_di(static_cast<QKeyEvent*>(evento));
  if (comando == comando_tasti::nessuno) return QWidget::eventFilter(oggetto, evento);
  // A class or parameter box with typing of its own to take back or do again
  // does so first; the scenario's undo then acts from the next press. The cant
  // box's typing is the scenario's step itself: the scenario's undo takes it back.
  if (const auto* casella = qobject_cast<QLineEdit*>(oggetto); casella && casella != Text1) {
    if ((comando == comando_tasti::annulla && casella->isUndoAvailable()) ||
        (comando == comando_tasti::ripeti && casella->isRedoAvailable())) {
      if (evento->type() == QEvent::ShortcutOverride) evento->accept();
      return false;
    }
  }
  // Claimed as the box's own key, it comes back as a key press and runs here.
  if (evento->type() == QEvent::ShortcutOverride) {
    evento->accept();
    return true;
  }
  switch (comando) {
    case comando_tasti::annulla:
      annulla_passo();
      break;
    case comando_tasti::ripeti:
      ripeti_passo();
      break;
    default:
      Command3_Click();
      break;
  }
  return true;
}

void Form1::resizeEvent(QResizeEvent* evento) {
  QWidget::resizeEvent(evento);
  disponi();
}

void Form1::disponi() {
  // What the window gains in height goes to Frame2, List1 and the design tools;
  // what it gains in width, to the picture. At the first size nothing moves.
  const int in_piu = std::max(0, height() - px(altezza_form));
  Frame2->resize(Frame2->width(), px(altezza_frame2) + in_piu);
  if (List1->height() != px(altezza_list1) + in_piu) {
    List1->resize(List1->width(), px(altezza_list1) + in_piu);
    // A shorter list keeps the selected row in sight.
    if (List1->currentIndex().isValid()) List1->scrollTo(List1->currentIndex());
  }
  Frame5->resize(Frame5->width(), px(altezza_frame2) + in_piu);
  Label24->move(Label24->x(), Frame5->height() - px(altezza_label24 + 60));
  Label21->resize(Label21->width(), Label24->y() - Label21->y() - px(60));
  if (aperto_) mostra_scenario();
  const int sinistra = px(larghezza_form);
  Frame6->setGeometry(sinistra, Frame5->y(), width() - sinistra - px(120), Frame5->height());
  // Narrow (a laptop's screen), the problems go under the tables, each as wide
  // as the frame; wide, beside them.
  const Qt::Orientation verso =
      Frame6->width() >= px(larghezza_affiancata) ? Qt::Horizontal : Qt::Vertical;
  if (Splitter2->orientation() != verso || !Frame6->isVisibleTo(this)) {
    // The picture takes a little over half the height, the rest shared out.
    Splitter2->setOrientation(verso);
    const int alto = Frame5->height();
    Splitter1->setSizes({alto * (verso == Qt::Vertical ? 11 : 13) / 20,
                         alto * (verso == Qt::Vertical ? 9 : 7) / 20});
    // Stacked, three fifths to the tables; side by side, the tables as wide as
    // they want and the rest to the problems.
    const int sotto = alto * 9 / 20;
    const int tabelle = larghezza_tabelle();
    if (verso == Qt::Vertical)
      Splitter2->setSizes({sotto * 3 / 5, sotto * 2 / 5});
    else
      Splitter2->setSizes({tabelle, Frame6->width() - tabelle});
  }
  const bool era_visibile = Frame6->isVisibleTo(this);
  Frame6->setVisible(Frame5->isVisibleTo(this) && Frame6->width() >= px(larghezza_minima_linea));
  // Shown for the first time at this size: the whole line in view.
  if (Frame6->isVisibleTo(this) && !era_visibile) {
    Frame6->layout()->activate();
    if (vista() != nullptr) {
      Vista1->adatta();
    } else if (aperto_) {
      collega_vista();
    }
  }
  // Side by side, every column of the tables stays in sight.
  if (Frame6->isVisibleTo(this))
    Tab1->setMinimumWidth(Splitter2->orientation() == Qt::Vertical ? 0 : larghezza_tabelle());
  if (Picture1->isVisible()) posa_attesa();
}

int Form1::larghezza_tabelle() const {
  // The headings are the widest texts of the proposal's columns.
  int voluta = 2 * Grid1->frameWidth() + Grid1->verticalScrollBar()->sizeHint().width() + px(240);
  for (int c = 0; c < Grid1->columnCount(); ++c)
    voluta += std::max(Grid1->horizontalHeader()->sectionSize(c),
                       Grid1->horizontalHeader()->sectionSizeHint(c));
  return std::min(voluta, Frame6->width() * 3 / 5);
}

QString Form1::file_scelto() const {
  const QList<QListWidgetItem*> scelti = File1->selectedItems();
  return scelti.isEmpty() ? QString() : scelti.front()->text();
}

void Form1::Form_Load() {
  elenca_scenari();
  mostra_cartella();
  Frame1->show();
  Label7->setText(file_scelto());
}

void Form1::elenca_scenari() {
  const QDir cartella(cartella_, QStringLiteral("*.si3"), QDir::Name | QDir::IgnoreCase,
                      QDir::Files);
  File1->addItems(cartella.entryList());
}

void Form1::mostra_cartella() {
  const QString cartella = QDir::toNativeSeparators(cartella_);
  const int spazio = Label16->contentsRect().width() - 2 * Label16->margin() - 4;
  Label16->setText(Label16->fontMetrics().elidedText(cartella, Qt::ElideMiddle, spazio));
  Label16->setToolTip(cartella);
}

void Form1::File1_Click() {
  const QString nome = file_scelto();
  if (nome.isEmpty()) return;
  Label7->setText(nome);
  Command4->setEnabled(true);
}

void Form1::cambia_cartella() {
  const QString scelta = scegli_cartella(cartella_);
  if (scelta.isEmpty()) return;
  // Another folder: its scenarios, none chosen yet.
  cartella_ = scelta;
  File1->clear();
  elenca_scenari();
  Label7->clear();
  Command4->setEnabled(false);
  mostra_cartella();
}

void Form1::Command4_Click() {
  if (file_scelto().isEmpty() || !inclinazione()) return;
  if (modello_->rowCount() > 0) List1->setCurrentIndex(modello_->index(0));
  Command3->setFocus();
  // What loading found odd in the files, and a speed profile that does not
  // read, once.
  QStringList testi;
  for (const std::string& a : aperto_->store().avvisi) testi.append(da_std(a));
  if (!errore_profilo_.isEmpty()) testi.append(errore_profilo_);
  if (!testi.isEmpty()) avvisa(testi.join(u'\n'));
}

void Form1::Command5_Click() {
  close();
}

void Form1::Command1_Click() {
  close();
}

void Form1::closeEvent(QCloseEvent* evento) {
  if (modifiche_non_salvate()) {
    const int scelta =
        scegli(QStringLiteral("Le modifiche non salvate andranno perse. Uscire comunque?"),
               {QStringLiteral("Salva ed esci"), QStringLiteral("Sì"), QStringLiteral("No")});
    // Saving may end in a question the user turns down: then the window stays.
    if (scelta == 0) Command3_Click();
    if ((scelta == 0 && modifiche_non_salvate()) || (scelta != 0 && scelta != 1)) {
      evento->ignore();
      return;
    }
  }
  evento->accept();
}

void Form1::mostra_attesa() {
  Frame1->hide();
  Label1->hide();
  Frame2->show();
  posa_attesa();
  Picture1->show();
  Picture1->raise();
  // The work that follows keeps the event loop waiting: paint the panel now.
  // Widgets just shown claim their area through posted update events; deliver
  // those (no user input is among them) so that the repaint covers them too.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
  repaint();
}

void Form1::posa_attesa() {
  Picture1->setGeometry(0, Frame2->y(), Frame2->width(), Frame2->height());
  Label11->setGeometry(0, (Picture1->height() - Label11->height()) / 2, Picture1->width(),
                       Label11->height());
}

bool Form1::inclinazione() {
  mostra_attesa();
  const QString testata = QDir(cartella_).filePath(file_scelto());
#ifdef _WIN32
  // Windows names are UTF-16, as QString holds them.
  const std::filesystem::path file_testata(testata.toStdWString());
#else
  const std::filesystem::path file_testata(QFile::encodeName(testata).toStdString());
#endif
  sopra::scenario_caricato caricato = sopra::apri_scenario(file_testata);
  const std::optional<std::string>& errore = caricato.errore;
  if (!errore) {
    aperto_ = std::move(caricato.aperto);
    allinea_colonne();
    modello_->mostra(aperto_.get());
    // The picture takes the scenario when it first shows (collega_vista).
    vista_collegata_ = false;
    errore_profilo_ = leggi_profilo_scenario().value_or(QString());
    Frame5->show();
    disponi();
    mostra_scenario();
    osserva_file();
    emit scenario_aperto_da(cartella_);
  }
  Picture1->hide();
  if (errore) {
    avvisa(da_std(*errore));
    emit termina(1);
    return false;
  }
  return true;
}

void Form1::allinea_colonne() {
  // The row text starts at the list's inner edge plus the delegate's margin;
  // the kind and cant columns start under Label8 and Label9.
  const int origine = List1->x() + List1->frameWidth() + delegato_tratti::margine;
  delegato_->imposta_colonne(Label8->x() - origine, Label9->x() - origine,
                             aperto_->store().formato_compatto, List1->font());
}

void Form1::List1_Click() {
  const int riga = List1->currentIndex().row();
  if (riga < 0) return;
  // Typing on another row is another step.
  aperto_->termina_modifica_tratto();
  mostra_riga_scelta();
  if (VistaLinea* v = vista()) v->seleziona(riga);
}

void Form1::mostra_riga_scelta() {
  // The notes beside the cant box speak of the last text typed, not of this one.
  Label15->hide();
  Label18->hide();
  const int riga = List1->currentIndex().row();
  if (riga < 0) return;
  const sopra::scenario_aperto::selezione scelta =
      aperto_->seleziona(static_cast<std::size_t>(riga));
  Label4->setText(da_std(scelta.posizione));
  // Showing the row's cant is not an edit: Text1_Change must not run.
  const QSignalBlocker silenzio(Text1);
  Text1->setText(da_std(scelta.sopraelevazione));
}

void Form1::scegli_riga(int riga) {
  if (!aperto_ || riga < 0 || riga >= modello_->rowCount()) return;
  const QModelIndex indice = modello_->index(riga);
  List1->setCurrentIndex(indice);
  List1->scrollTo(indice);
}

void Form1::Text1_Change() {
  const int riga = List1->currentIndex().row();
  if (riga < 0) return;
  const QString testo = Text1->text();
  const sopra::scenario_aperto::esito_tratto esito =
      aperto_->modifica_tratto(static_cast<std::size_t>(riga), testo.toStdString());
  Label15->setVisible(esito.senza_slot);
  // A text that is not wholly a number still gives a value: say which.
  const bool nota = !esito.senza_slot && !sopra::tutto_numero(esito.testo);
  if (nota) {
    Label18->setText(QStringLiteral("Letto come %1 mm")
                         .arg(da_std(sopra::testo_numero(sopra::valore_numerico(esito.testo)))));
  }
  Label18->setVisible(nota);
  modello_->riga_cambiata(static_cast<std::size_t>(riga));
  if (VistaLinea* v = vista()) v->aggiorna_riga(riga);
  dopo_modifica();
  const QString voluto = da_std(esito.testo);
  // The limit or "0" replaces the typed text; the nested change applies it again,
  // harmlessly. Selected, it gives way to the user's next keystroke.
  if (voluto != testo) {
    Text1->setText(voluto);
    Text1->selectAll();
  }
}

void Form1::Text4_Change(int indice) {
  QLineEdit* casella = Text4[static_cast<std::size_t>(indice)];
  const QString testo = casella->text();
  const QString voluto = da_std(sopra::normalizza_classe(testo.toStdString()));
  if (voluto != testo) casella->setText(voluto);
}

void Form1::Command6_Click() {
  if (!aperto_) return;
  mostra_attesa();
  std::array<std::string, sopra::numero_classi> testi;
  for (std::size_t k = 0; k < sopra::numero_classi; ++k) testi[k] = Text4[k]->text().toStdString();
  const sopra::scenario_aperto::esito_classi esito = aperto_->applica_classi(testi);
  for (std::size_t k = 0; k < sopra::numero_classi; ++k) {
    const QString voluto = da_std(esito.testi[k]);
    if (Text4[k]->text() != voluto) Text4[k]->setText(voluto);
  }
  modello_->righe_cambiate();
  if (VistaLinea* v = vista()) v->aggiorna();
  dopo_modifica();
  Picture1->hide();
  // The selected row may have a new cant: the editor shows it, without writing.
  mostra_riga_scelta();
  if (esito.curve_senza_slot > 0) avvisa(testo_curve_senza_slot(esito));
}

QString Form1::testo_curve_senza_slot(const sopra::scenario_aperto::esito_classi& esito) const {
  return da_std(sopra::testo_curve_senza_slot(esito.curve_senza_slot) + ".\n" +
                sopra::testo_posizioni(esito.posizioni_senza_slot, esito.curve_senza_slot));
}

void Form1::Command3_Click() {
  if (!aperto_) return;
  // Typing after the save is a step of its own, so that undo can come back to
  // what was saved.
  aperto_->termina_modifica_tratto();
  using stato = sopra::scenario_aperto::stato_salvataggio;
  sopra::scenario_aperto::permessi_salvataggio permessi;
  // Each answer of the user lets the next try go further.
  for (;;) {
    mostra_attesa();
    const sopra::scenario_aperto::esito_salvataggio esito = aperto_->salva(permessi);
    Picture1->hide();
    if (esito.unito) dopo_unione();
    const QString testo = da_std(sopra::testo_salvataggio(esito));
    const QString domanda = da_std(sopra::domanda_salvataggio(esito));
    switch (esito.stato) {
      case stato::salvato:
        if (profilo_modificato_) salva_profilo();
        salvato_alle_ = QDateTime::currentDateTime();
        esito_salvataggio_ = esito.unito ? frase(sopra::testo_unione(esito)) : QString();
        controlla_disco();
        return;
      case stato::errore:
        aggiorna_stato();
        avvisa(testo);
        return;
      case stato::conflitto: {
        const int scelta = scegli(
            testo + u'\n' + domanda,
            {QStringLiteral("Sovrascrivi"), QStringLiteral("Ricarica"), QStringLiteral("Annulla")});
        if (scelta == 0) {
          permessi.sovrascrivi = true;
          continue;
        }
        if (scelta == 1) ricarica();
        controlla_disco();
        return;
      }
      case stato::sparito:
      case stato::linea_cambiata:
        if (!chiedi(testo + u'\n' + domanda)) {
          controlla_disco();
          return;
        }
        (esito.stato == stato::sparito ? permessi.ricrea : permessi.linea_cambiata) = true;
        continue;
    }
  }
}

void Form1::dopo_unione() {
  modello_->righe_cambiate();
  // The junction zones may have changed with the other program's objects.
  if (vista_collegata_) collega_vista();
  mostra_riga_scelta();
  dopo_modifica();
}

bool Form1::ricarica() {
  mostra_attesa();
  sopra::scenario store;
  const std::optional<std::string> errore =
      sopra::carica_scenario(aperto_->store().file_testata, store);
  Picture1->hide();
  if (errore) {
    avvisa(da_std(*errore));
    return false;
  }
  const int riga = List1->currentIndex().row();
  auto nuovo = std::make_unique<sopra::scenario_aperto>(std::move(store));
  modello_->mostra(nuovo.get());
  aperto_ = std::move(nuovo);
  errore_profilo_ = leggi_profilo_scenario().value_or(QString());
  allinea_colonne();
  if (vista_collegata_) collega_vista();
  salvato_alle_ = {};
  esito_salvataggio_.clear();
  Label21->clear();
  problemi_->imposta_esito({});
  if (riga >= 0) scegli_riga(std::min(riga, modello_->rowCount() - 1));
  mostra_riga_scelta();
  dopo_modifica();
  // What the files hold now is what was read: nothing to say about them.
  controlla_disco();
  // What loading found odd in the files, as at the first load.
  QStringList testi;
  for (const std::string& a : aperto_->store().avvisi) testi.append(da_std(a));
  if (!errore_profilo_.isEmpty()) testi.append(errore_profilo_);
  if (!testi.isEmpty()) avvisa(testi.join(u'\n'));
  return true;
}

void Form1::ricarica_da_disco() {
  if (!aperto_) return;
  if (modifiche_non_salvate() &&
      !chiedi(QStringLiteral("Le modifiche non salvate andranno perse. Ricaricare comunque?")))
    return;
  ricarica();
}

void Form1::osserva_file() {
  if (osservatore_ == nullptr) {
    osservatore_ = new QFileSystemWatcher(this);
    connect(osservatore_, &QFileSystemWatcher::fileChanged, this, &Form1::controlla_disco);
    connect(osservatore_, &QFileSystemWatcher::directoryChanged, this, &Form1::controlla_disco);
    controllo_periodico_ = new QTimer(this);
    controllo_periodico_->setInterval(intervallo_controllo_ms);
    connect(controllo_periodico_, &QTimer::timeout, this, &Form1::controlla_disco);
  }
  const sopra::scenario& store = aperto_->store();
  QStringList file, cartelle;
  for (const auto* percorso : {&store.file_testata, &store.file_tratti, &store.file_linea}) {
    file.append(da_percorso(*percorso));
    cartelle.append(da_percorso(percorso->parent_path()));
  }
  cartelle.removeDuplicates();
  // The files are watched anew each time: a watch may still be on a file that
  // another file was renamed over.
  if (!osservatore_->files().isEmpty()) osservatore_->removePaths(osservatore_->files());
  for (const QString& cartella : osservatore_->directories())
    if (!cartelle.contains(cartella)) osservatore_->removePath(cartella);
  for (const QString& p : file + cartelle) {
    if (!osservatore_->files().contains(p) && !osservatore_->directories().contains(p) &&
        QFileInfo::exists(p))
      osservatore_->addPath(p);
  }
  // Where the system watches nothing, a look at intervals.
  if (osservatore_->files().isEmpty() && osservatore_->directories().isEmpty())
    controllo_periodico_->start();
  else
    controllo_periodico_->stop();
}

void Form1::controlla_disco() {
  if (!aperto_) return;
  // A file renamed over or made again has left the watch: watched again.
  osserva_file();
  const sopra::scenario_aperto::cambi_su_disco cambi = aperto_->controlla_disco();
  const std::string nome = sopra::testo_utf8(aperto_->store().file_tratti.filename());
  nota_disco_ = cambi == sopra::scenario_aperto::cambi_su_disco{}
                    ? QString()
                    : frase(sopra::testo_cambi_su_disco(cambi, nome));
  Command14->setVisible(!nota_disco_.isEmpty());
  aggiorna_stato();
}

double Form1::valore_casella(std::size_t k) const {
  const std::string testo = Text5[k]->text().toStdString();
  return sopra::tutto_numero(testo) ? sopra::valore_numerico(testo)
                                    : std::numeric_limits<double>::quiet_NaN();
}

sopra::parametri_progetto Form1::parametri(std::array<QString, numero_parametri>* motivi) const {
  sopra::parametri_progetto p;
  for (std::size_t k = 0; k < numero_parametri; ++k) {
    const std::optional<std::string> motivo = sopra::imposta_parametro(p, k, valore_casella(k));
    if (motivo && motivi) (*motivi)[k] = frase(*motivo);
  }
  // A value refused together with another goes back to its default.
  if (const auto rifiuto = sopra::controlla_parametri(p)) {
    static_cast<void>(sopra::imposta_parametro(
        p, rifiuto->indice, sopra::valore_parametro(sopra::parametri_progetto{}, rifiuto->indice)));
    if (motivi) (*motivi)[rifiuto->indice] = frase(rifiuto->motivo);
  }
  return p;
}

sopra::profilo_velocita Form1::profilo() const {
  if (profilo_scenario_) return *profilo_scenario_;
  return sopra::profilo_velocita::da_parametri(parametri());
}

std::optional<QString> Form1::leggi_profilo_scenario() {
  profilo_scenario_.reset();
  profilo_modificato_ = false;
  const QSignalBlocker silenzio(Grid3);
  Grid3->setRowCount(0);
  Label25->clear();
  const auto file = sopra::trova_profilo(aperto_->store().file_testata);
  if (!file) return std::nullopt;
  auto letto = sopra::leggi_profilo(*file);
  if (auto* errore = std::get_if<std::string>(&letto)) return da_std(*errore);
  profilo_scenario_ = std::move(std::get<sopra::profilo_velocita>(letto));
  const auto numero = [](double v) { return da_std(sopra::testo_numero(v)); };
  for (const sopra::tratto_velocita& t : profilo_scenario_->tratti()) {
    const int r = Grid3->rowCount();
    Grid3->insertRow(r);
    Grid3->setItem(r, 0, new QTableWidgetItem(QString::number(t.da_metri)));
    Grid3->setItem(r, 1, new QTableWidgetItem(numero(t.velocita_massima)));
    Grid3->setItem(
        r, 2, new QTableWidgetItem(t.velocita_minima > 0 ? numero(t.velocita_minima) : QString()));
  }
  return std::nullopt;
}

void Form1::profilo_cambiato() {
  if (!aperto_) return;
  // The rows as the file's lines; the core judges them, and the first row
  // whose lines no longer read is the wrong one.
  const auto cella = [&](int r, int c) {
    const QTableWidgetItem* i = Grid3->item(r, c);
    return i ? i->text().trimmed() : QString();
  };
  const std::string nome = QFileInfo(file_profilo()).fileName().toStdString();
  std::string testo;
  std::optional<sopra::profilo_velocita> letto;
  int sbagliata = -1;
  QString motivo;
  for (int r = 0; r < Grid3->rowCount(); ++r) {
    QString riga = cella(r, 0) + u';' + cella(r, 1);
    if (!cella(r, 2).isEmpty()) riga += u';' + cella(r, 2);
    testo += riga.toStdString() + '\n';
    auto esito = sopra::leggi_profilo_testo(testo, nome);
    if (auto* errore = std::get_if<std::string>(&esito)) {
      sbagliata = r;
      motivo = da_std(*errore);
      break;
    }
    letto = std::move(std::get<sopra::profilo_velocita>(esito));
  }
  const QSignalBlocker silenzio(Grid3);
  for (int r = 0; r < Grid3->rowCount(); ++r) {
    for (int c = 0; c < Grid3->columnCount(); ++c) {
      QTableWidgetItem* i = Grid3->item(r, c);
      if (i == nullptr) Grid3->setItem(r, c, i = new QTableWidgetItem);
      i->setForeground(r == sbagliata ? QColor(200, 0, 0) : palette().color(QPalette::Text));
      i->setToolTip(r == sbagliata ? motivo : QString());
    }
  }
  Label25->setText(motivo);
  Label25->setToolTip(motivo);
  // A wrong table leaves the speeds of the boxes, as a refused parameter does.
  if (sbagliata >= 0 || Grid3->rowCount() == 0)
    profilo_scenario_.reset();
  else
    profilo_scenario_ = std::move(letto);
  profilo_modificato_ = true;
  if (proposta_mostrata_) mostra_proposta();
  if (VistaLinea* v = vista()) v->imposta_parametri(parametri(), profilo());
  if (verifica_attiva_) esegui_verifica();
  aggiorna_stato();
}

void Form1::aggiungi_tratto_velocita() {
  if (!aperto_) return;
  // A new stretch from the selected row's position, at the speeds of the boxes.
  const int riga = std::max(List1->currentIndex().row(), 0);
  const sopra::parametri_progetto p = parametri();
  const int r = Grid3->rowCount();
  {
    const QSignalBlocker silenzio(Grid3);
    Grid3->insertRow(r);
    Grid3->setItem(r, 0,
                   new QTableWidgetItem(QString::number(
                       r == 0 ? 0 : sopra::posizione_tratto(sopra::tratto_della_riga(riga)))));
    Grid3->setItem(r, 1, new QTableWidgetItem(da_std(sopra::testo_numero(p.velocita_massima))));
    Grid3->setItem(
        r, 2,
        new QTableWidgetItem(p.velocita_minima > 0 ? da_std(sopra::testo_numero(p.velocita_minima))
                                                   : QString()));
  }
  profilo_cambiato();
  Grid3->setCurrentCell(r, 1);
}

void Form1::togli_tratto_velocita() {
  const int r = Grid3->currentRow();
  if (!aperto_ || r < 0) return;
  Grid3->removeRow(r);
  profilo_cambiato();
}

QString Form1::file_profilo() const {
  if (const auto file = sopra::trova_profilo(aperto_->store().file_testata))
    return da_percorso(*file);
  const QFileInfo testata(da_percorso(aperto_->store().file_testata));
  return testata.dir().filePath(testata.completeBaseName() + QStringLiteral(".velocita.csv"));
}

bool Form1::salva_profilo() {
  const QString file = file_profilo();
  if (Grid3->rowCount() == 0) {
    if (QFileInfo::exists(file) && !QFile::remove(file)) {
      avvisa(QStringLiteral("Impossibile togliere il file %1: controllare che la cartella sia "
                            "scrivibile.")
                 .arg(QDir::toNativeSeparators(file)));
      return false;
    }
    profilo_modificato_ = false;
    return true;
  }
  if (!profilo_scenario_) {
    avvisa(QStringLiteral("Le velocità lungo la linea non sono state salvate: %1 Correggere il "
                          "tratto segnato in rosso e salvare di nuovo.")
               .arg(Label25->text()));
    return false;
  }
  const std::string testo = sopra::testo_profilo(*profilo_scenario_);
  if (!scrivi_file_intero(file, testo)) {
    avvisa(QStringLiteral("Impossibile scrivere le velocità lungo la linea nel file %1: "
                          "controllare che la cartella sia scrivibile e che il disco non sia "
                          "pieno.")
               .arg(QDir::toNativeSeparators(file)));
    return false;
  }
  profilo_modificato_ = false;
  return true;
}

bool Form1::modifiche_non_salvate() const {
  return aperto_ && (aperto_->modificato() || profilo_modificato_);
}

void Form1::parametro_cambiato() {
  // A box whose value the core refuses shows it in red, and why in its tooltip.
  std::array<QString, numero_parametri> motivi;
  const sopra::parametri_progetto valori = parametri(&motivi);
  for (std::size_t k = 0; k < numero_parametri; ++k) {
    QPalette tavolozza = Text5[k]->palette();
    tavolozza.setColor(QPalette::Text,
                       motivi[k].isEmpty() ? palette().color(QPalette::Text) : QColor(200, 0, 0));
    Text5[k]->setPalette(tavolozza);
    Text5[k]->setToolTip(motivi[k]);
  }
  if (!aperto_) return;
  // The proposal's figures follow the parameters, as the picture does.
  if (proposta_mostrata_) mostra_proposta();
  if (VistaLinea* v = vista()) v->imposta_parametri(valori, profilo());
  if (verifica_attiva_) esegui_verifica();
}

void Form1::proponi_classi() {
  if (!aperto_) return;
  const auto proposta = sopra::proposta_classi(parametri());
  if (!proposta) {
    avvisa(da_std(sopra::testo_senza_velocita));
    return;
  }
  // As if typed: Text4_Change runs.
  for (std::size_t k = 0; k < sopra::numero_classi; ++k)
    Text4[k]->setText(da_std(sopra::testo_numero((*proposta)[k].proposta)));
  proposta_mostrata_ = true;
  mostra_proposta();
  fai_posto();
}

void Form1::mostra_proposta() {
  const sopra::parametri_progetto parametri_usati = parametri();
  const auto proposta = sopra::proposta_classi(parametri_usati);
  Grid1->clearContents();
  // Without a speed there are no figures: an empty table, not stale ones.
  if (!proposta) return;
  for (std::size_t k = 0; k < sopra::numero_classi; ++k) {
    const sopra::proposta_classe& p = (*proposta)[k];

    const auto decimale = [](double v) { return QString::number(v, 'f', 1); };
    const QStringList colonne = {QString::number(p.raggio),
                                 decimale(p.equilibrio),
                                 QString::number(p.proposta),
                                 decimale(p.insufficienza),
                                 p.eccesso ? decimale(*p.eccesso) : QStringLiteral("-"),
                                 QString::number(p.velocita_con_proposta)};
    const QString motivo = frase(sopra::nota_proposta(p, parametri_usati));
    for (int c = 0; c < colonne.size(); ++c) {
      auto* cella = new QTableWidgetItem(colonne[c]);
      cella->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (p.segnalata()) {
        cella->setBackground(QColor(255, 205, 170));
        cella->setToolTip(motivo);
      }
      Grid1->setItem(static_cast<int>(k), c, cella);
    }
  }
}

void Form1::raccorda() {
  if (!aperto_) return;
  const sopra::esito_raccordi esito = aperto_->applica_raccordi(parametri(), profilo());
  modello_->righe_cambiate();
  if (VistaLinea* v = vista()) v->aggiorna();
  mostra_riga_scelta();
  dopo_modifica();
  mostra_esito(QStringLiteral("Raccordi: ") + frase(sopra::testo_esito_raccordi(esito, ".\n")));
  // Every section named, in the problem list too.
  problemi_->imposta_esito(sopra::voci_esito(esito));
  fai_posto();
}

void Form1::progetta_linea_intera() {
  if (!aperto_) return;
  if (profilo().vuoto()) {
    avvisa(da_std(sopra::testo_senza_velocita));
    return;
  }
  // A design of the longest line takes a few hundredths of a second: the
  // pointer says so, a panel shown and hidden again would only flash, and
  // hiding it would repaint the whole window a second time.
  const sopra::scenario_aperto::esito_progettazione esito = [&] {
    struct puntatore_attesa {
      puntatore_attesa() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
      ~puntatore_attesa() { QGuiApplication::restoreOverrideCursor(); }
    } attesa;
    return aperto_->progetta(parametri(), profilo());
  }();
  modello_->righe_cambiate();
  if (VistaLinea* v = vista()) v->aggiorna();
  mostra_riga_scelta();
  dopo_modifica();
  mostra_esito(QStringLiteral("Progetto: ") + frase(sopra::testo_esito_progetto(esito, ".\n")));
  problemi_->imposta_esito(sopra::voci_esito(esito));
  std::vector<std::int32_t> abbassati;
  for (const sopra::tratto_abbassato& a : esito.abbassati) abbassati.push_back(a.posizione);
  Vista1->imposta_abbassati(abbassati);
  fai_posto();
}

void Form1::mostra_relazione() {
  attesa_relazione_->stop();
  if (!aperto_) return;
  const std::vector<sopra::curva_relazione> curve =
      sopra::relazione_curve(aperto_->store(), aperto_->geometria(), parametri(), profilo());
  const QSignalBlocker silenzio(Grid2);
  Grid2->setUpdatesEnabled(false);
  Grid2->setRowCount(0);
  Grid2->setRowCount(static_cast<int>(curve.size()));
  inizi_curve_.clear();
  const auto cella = [&](int riga, int colonna, const QString& testo) {
    auto* c = new QTableWidgetItem(testo);
    c->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Grid2->setItem(riga, colonna, c);
  };
  const auto decimale = [](const std::optional<double>& v) {
    return v ? QString::number(*v, 'f', 1) : QStringLiteral("-");
  };
  for (std::size_t i = 0; i < curve.size(); ++i) {
    const sopra::curva_relazione& c = curve[i];
    const int r = static_cast<int>(i);
    inizi_curve_.push_back(c.inizio);
    cella(r, 0, QString::number(c.inizio));
    cella(r, 1, QString::number(c.fine));
    cella(r, 2, c.lato > 0 ? QStringLiteral("SX") : QStringLiteral("DX"));
    cella(r, 3, QString::number(c.raggio_minimo, 'f', 0));
    cella(r, 4, c.velocita_massima > 0 ? QString::number(c.velocita_massima) : QStringLiteral("-"));
    cella(r, 5, QString::number(c.sopraelevazione));
    cella(r, 6, decimale(c.insufficienza));
    for (std::size_t k = 0; k < c.velocita_categorie.size(); ++k)
      cella(r, 7 + static_cast<int>(k), QString::number(c.velocita_categorie[k]));
  }
  Grid2->setUpdatesEnabled(true);
}

void Form1::curva_scelta() {
  const int r = Grid2->currentRow();
  if (!aperto_ || r < 0 || static_cast<std::size_t>(r) >= inizi_curve_.size()) return;
  const std::optional<std::size_t> riga = sopra::riga_alla_posizione(
      inizi_curve_[static_cast<std::size_t>(r)], aperto_->quante_righe());
  if (riga) scegli_riga(static_cast<int>(*riga));
}

void Form1::esporta_relazione() {
  if (!aperto_) return;
  const QString proposto =
      QDir(QFileInfo(da_percorso(aperto_->store().file_testata)).absolutePath())
          .filePath(QFileInfo(file_scelto()).completeBaseName() + QStringLiteral(".relazione.csv"));
  const QString file = scegli_file_relazione(proposto);
  if (file.isEmpty()) return;
  // The same bytes as the batch companion's "relazione" prints.
  const std::string testo = sopra::testo_csv_relazione(
      sopra::relazione_curve(aperto_->store(), aperto_->geometria(), parametri(), profilo()));
  if (!scrivi_file_intero(file, testo)) {
    avvisa(QStringLiteral("Impossibile scrivere la relazione nel file %1: controllare che la "
                          "cartella esista e sia scrivibile e che il disco non sia pieno.")
               .arg(QDir::toNativeSeparators(file)));
  }
}

void Form1::mostra_esito(const QString& testo) {
  Label21->setHtml(con_collegamenti(testo));
}

void Form1::posizione_scelta(const QString& metri) {
  if (!aperto_) return;
  const std::optional<std::size_t> riga =
      sopra::riga_alla_posizione(metri.toLongLong(), aperto_->quante_righe());
  if (riga) scegli_riga(static_cast<int>(*riga));
}

void Form1::mostra_scenario() {
  const QFileInfo testata(da_percorso(aperto_->store().file_testata));
  const QString nome = testata.fileName();
  const QString cartella = QDir::toNativeSeparators(testata.absolutePath());
  const QFontMetrics metrica = Label24->fontMetrics();
  const int spazio = Label24->contentsRect().width() - 2;
  Label24->setText(metrica.elidedText(nome, Qt::ElideMiddle, spazio) + u'\n' +
                   metrica.elidedText(cartella, Qt::ElideMiddle, spazio));
  Label24->setToolTip(nome + u'\n' + cartella);
}

void Form1::accendi_verifica() {
  if (!aperto_) return;
  verifica_attiva_ = true;
  esegui_verifica();
  fai_posto();
}

std::vector<sopra::problema> Form1::problemi_attuali() const {
  // The open scenario keeps the check up to date as it changes; it is set up
  // again only when the parameters or the speeds it judges with change.
  sopra::parametri_progetto p = parametri();
  sopra::profilo_velocita velocita = profilo();
  if (!aperto_->verifica_viva_accesa() || !verifica_viva_con_ || verifica_viva_con_->first != p ||
      verifica_viva_con_->second != velocita) {
    aperto_->imposta_verifica_viva(p, velocita);
    verifica_viva_con_.emplace(std::move(p), std::move(velocita));
  }
  return aperto_->problemi_vivi();
}

void Form1::esegui_verifica() {
  std::vector<sopra::problema> problemi = problemi_attuali();
  const auto errori = static_cast<std::size_t>(std::ranges::count_if(
      problemi, [](const sopra::problema& p) { return sopra::errore(p.codice); }));
  const std::size_t avvisi = problemi.size() - errori;
  Label20->setText(frase(sopra::testo_problemi(errori, avvisi)));
  Label20->setToolTip(Label20->text());
  modello_->imposta_segni(problemi);
  if (VistaLinea* v = vista()) v->imposta_problemi(problemi);
  problemi_->imposta(std::move(problemi));
}

void Form1::problema_scelto() {
  const QModelIndex indice = List2->currentIndex();
  if (!indice.isValid()) return;
  const std::optional<std::size_t> riga = sopra::riga_alla_posizione(
      indice.data(modello_problemi::ruolo_posizione).toLongLong(), aperto_->quante_righe());
  if (riga) scegli_riga(static_cast<int>(*riga));
}

void Form1::sceglie_riga_nella_vista(int riga) {
  scegli_riga(riga);
}

void Form1::salva_immagine_vista() {
  if (!aperto_) return;
  const QString proposto = QDir(cartella_).filePath(QFileInfo(file_scelto()).completeBaseName() +
                                                    QStringLiteral(".png"));
  const QString file = scegli_file_immagine(proposto);
  if (file.isEmpty()) return;
  const QString errore = Vista1->salva_immagine(file);
  if (!errore.isEmpty()) avvisa(errore);
}

void Form1::annulla_passo() {
  if (!aperto_) return;
  aperto_->termina_modifica_tratto();
  if (const auto passo = aperto_->annulla()) dopo_passo(*passo);
}

void Form1::ripeti_passo() {
  if (!aperto_) return;
  aperto_->termina_modifica_tratto();
  if (const auto passo = aperto_->ripeti()) dopo_passo(*passo);
}

void Form1::dopo_passo(const sopra::scenario_aperto::esito_passo& passo) {
  if (passo.righe.size() == 1)
    modello_->riga_cambiata(passo.righe.front());
  else
    modello_->righe_cambiate();
  if (VistaLinea* v = vista()) v->aggiorna_righe(passo.righe);
  if (passo.testi_classi) {
    for (std::size_t k = 0; k < sopra::numero_classi; ++k) {
      const QSignalBlocker silenzio(Text4[k]);
      Text4[k]->setText(da_std((*passo.testi_classi)[k]));
    }
  }
  // What the ramps or the design said no longer holds once they are taken back
  // or done again.
  if (passo.genere == sopra::scenario_aperto::genere_passo::raccordi ||
      passo.genere == sopra::scenario_aperto::genere_passo::progetto) {
    Label21->clear();
    problemi_->imposta_esito({});
    Vista1->imposta_abbassati({});
  }
  mostra_riga_scelta();
  // The step taken back or done again comes into view: a single row is
  // selected, as a click on it does; of many, the first is scrolled to.
  const int attuale = List1->currentIndex().row();
  if (!passo.righe.empty() &&
      !std::ranges::binary_search(passo.righe, static_cast<std::size_t>(std::max(attuale, 0)))) {
    const int prima = static_cast<int>(passo.righe.front());
    if (passo.righe.size() == 1)
      scegli_riga(prima);
    else if (prima < modello_->rowCount())
      List1->scrollTo(modello_->index(prima));
  }
  dopo_modifica();
}

void Form1::dopo_modifica() {
  if (verifica_attiva_) esegui_verifica();
  if (Tab1->currentIndex() == 1) attesa_relazione_->start();
  aggiorna_pulsanti_passo();
  aggiorna_stato();
}

void Form1::aggiorna_pulsanti_passo() {
  Command11->setEnabled(aperto_ && aperto_->puo_annullare());
  Command12->setEnabled(aperto_ && aperto_->puo_ripetere());
}

void Form1::aggiorna_stato() {
  if (!aperto_) return;
  QString testo;
  if (modifiche_non_salvate()) {
    testo = QStringLiteral("Modifiche non salvate");
  } else if (!esito_salvataggio_.isEmpty()) {
    testo = esito_salvataggio_;
  } else if (salvato_alle_.isValid()) {
    const QString nome = da_percorso(aperto_->store().file_tratti.filename());
    testo = QStringLiteral("Salvato: %1 alle %2")
                .arg(nome, salvato_alle_.toString(QStringLiteral("HH:mm:ss")));
  }
  // What another program changed comes first: it needs the user's attention.
  if (!nota_disco_.isEmpty()) testo = testo.isEmpty() ? nota_disco_ : nota_disco_ + u' ' + testo;
  Label17->setText(testo);
  Label17->setToolTip(testo);
}

VistaLinea* Form1::vista() const {
  return vista_collegata_ ? Vista1 : nullptr;
}

void Form1::collega_vista() {
  // Built here rather than at "OK": the window may never be made wide enough.
  Vista1->mostra(aperto_.get());
  Vista1->imposta_parametri(parametri(), profilo());
  if (verifica_attiva_) Vista1->imposta_problemi(problemi_->problemi());
  Vista1->seleziona(List1->currentIndex().row());
  vista_collegata_ = true;
}

void Form1::mostra_linea() {
  fai_posto();
  if (Frame6->isVisible()) Vista1->setFocus();
}

void Form1::fai_posto() {
  if (Frame6->isVisibleTo(this) || isMaximized() || isFullScreen()) return;
  // As wide as the picture wants and a third taller than the first size, for
  // the picture and more rows, within the screen and kept on it.
  QSize voluta(px(larghezza_form + larghezza_per_linea),
               std::max(height(), px(altezza_form) * 4 / 3));
  if (const QScreen* schermo = screen()) {
    const QRect libero = schermo->availableGeometry();
    const QSize bordi = frameGeometry().size() - size();
    voluta = voluta.boundedTo(libero.size() - bordi).expandedTo(size());
    const int sinistra = std::min(pos().x(), libero.right() + 1 - voluta.width() - bordi.width());
    const int alto = std::min(pos().y(), libero.bottom() + 1 - voluta.height() - bordi.height());
    move(std::max(sinistra, libero.left()), std::max(alto, libero.top()));
  }
  resize(voluta);
}
