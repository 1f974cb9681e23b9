#include "ui/form1.hpp"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "analysis/curva.hpp"
#include "editing/messaggi.hpp"
#include "scenario/file_scenario.hpp"
#include "ui/delegato_tratti.hpp"
#include "ui/modello_tratti.hpp"

namespace {

constexpr qreal punti_controlli = 9.75;
constexpr qreal punti_attendere = 24;
constexpr int twip_per_pollice = 1440;

// The window's client area, in twips.
constexpr int larghezza_form = 14235;
constexpr int altezza_form = 10005;

// The captions of Label12(0) .. Label12(7), one per radius class, made from
// the classes' radii: "Curve con raggio 10000 m " .. "Curve con raggio 200 m ".
using didascalia = std::array<char, 32>;
constexpr didascalia didascalia_classe(int raggio) {
  didascalia testo{};
  std::size_t n = 0;
  for (char c : std::string_view("Curve con raggio ")) testo[n++] = c;
  const std::size_t cifre = n;
  for (; raggio > 0; raggio /= 10) testo[n++] = static_cast<char>('0' + raggio % 10);
  std::reverse(testo.begin() + cifre, testo.begin() + n);
  for (char c : std::string_view(" m ")) testo[n++] = c;
  return testo;
}
constexpr auto didascalie_classi = [] {
  std::array<didascalia, sopra::numero_classi> didascalie{};
  for (std::size_t k = 0; k < didascalie.size(); ++k)
    didascalie[k] = didascalia_classe(sopra::raggi_nominali[k]);
  return didascalie;
}();
static_assert(std::string_view(didascalie_classi[0].data()) == "Curve con raggio 10000 m ");
static_assert(std::string_view(didascalie_classi[4].data()) == "Curve con raggio 490 m ");
constexpr auto testi_label12 = [] {
  std::array<const char*, sopra::numero_classi> testi{};
  for (std::size_t k = 0; k < testi.size(); ++k) testi[k] = didascalie_classi[k].data();
  return testi;
}();

QString titolo_applicazione() {
  return QGuiApplication::applicationDisplayName();
}

QString da_std(const std::string& testo) {
  return QString::fromStdString(testo);
}

// A label on a white ground, as the fields that show a chosen value.
void sfondo_bianco(QLabel* etichetta) {
  etichetta->setAutoFillBackground(true);
  QPalette tavolozza = etichetta->palette();
  tavolozza.setColor(QPalette::Window, Qt::white);
  tavolozza.setColor(QPalette::WindowText, Qt::black);
  etichetta->setPalette(tavolozza);
  etichetta->setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

QLabel* etichetta(QWidget* genitore, const QString& nome, const QString& testo,
                  bool a_capo = false) {
  auto* l = new QLabel(testo, genitore);
  l->setObjectName(nome);
  l->setWordWrap(a_capo);
  return l;
}

QPushButton* pulsante(QWidget* genitore, const QString& nome, const QString& testo) {
  auto* p = new QPushButton(testo, genitore);
  p->setObjectName(nome);
  p->setAutoDefault(false);
  return p;
}

QGroupBox* riquadro(QWidget* genitore, const QString& nome, const QString& testo) {
  auto* g = new QGroupBox(testo, genitore);
  g->setObjectName(nome);
  // A frame paints its own ground: the editing frame lies over the choice screen.
  g->setAutoFillBackground(true);
  return g;
}

}  // namespace

Form1::Form1(const QString& cartella, QWidget* genitore)
    : QWidget(genitore),
      cartella_(cartella),
      pixel_per_twip_(static_cast<qreal>(logicalDpiX()) / twip_per_pollice) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Form1"));
  setFixedSize(px(larghezza_form), px(altezza_form));

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

  crea_schermata_scelta();
  crea_schermata_modifica();
  crea_attesa();
  imposta_ordine_tasti();
  collega_eventi();
  Form_Load();
  Command5->setFocus();  // the first of the keyboard order that can take the focus
}

Form1::~Form1() = default;

int Form1::px(int twip) const {
  return qRound(twip * pixel_per_twip_);
}

void Form1::posa(QWidget* controllo, int sinistra, int alto, int larghezza, int altezza) const {
  controllo->setGeometry(px(sinistra), px(alto), px(larghezza), px(altezza));
}

QFont Form1::carattere(qreal punti) const {
  QFont f(famiglia_);
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(punti);
  return f;
}

void Form1::crea_schermata_scelta() {
  const QFont controlli = carattere(punti_controlli);
  const QFont normale = font();

  Label1 = etichetta(this, "Label1",
                     QStringLiteral("Programma per inserire l'inclinazione negli scenari."));
  posa(Label1, 360, 240, 6375, 255);
  Label10 = etichetta(this, "Label10",
                      QStringLiteral("E' necessario che il programma si trovi nella stessa "
                                     "cartella degli scenari da modificare."));
  posa(Label10, 360, 480, 8655, 255);
  Label1->setFont(controlli);
  Label10->setFont(controlli);

  Frame1 = riquadro(this, "Frame1", QStringLiteral("Scegliere lo scenario"));
  Frame1->setFont(controlli);
  posa(Frame1, 360, 840, 5145, 7905);
  Frame1->hide();

  File1 = new QListWidget(Frame1);
  File1->setObjectName(QStringLiteral("File1"));
  File1->setFont(normale);
  QPalette grigio = File1->palette();
  grigio.setColor(QPalette::Base, QColor(224, 224, 224));
  grigio.setColor(QPalette::Text, Qt::black);
  File1->setPalette(grigio);
  posa(File1, 240, 360, 4665, 6135);

  Label7 = etichetta(Frame1, "Label7", QString());
  Label7->setFont(normale);
  sfondo_bianco(Label7);
  posa(Label7, 240, 6615, 4665, 285);

  Command4 = pulsante(Frame1, "Command4", QStringLiteral("OK"));
  Command4->setFont(normale);
  Command4->setEnabled(false);
  posa(Command4, 240, 7080, 1695, 495);
  Command5 = pulsante(Frame1, "Command5", QStringLiteral("Uscita"));
  Command5->setFont(normale);
  posa(Command5, 3210, 7080, 1695, 495);
}

void Form1::crea_schermata_modifica() {
  Frame2 = riquadro(this, "Frame2", QString());
  Frame2->setFont(carattere(punti_controlli));
  posa(Frame2, 180, 120, 11355, 9735);
  Frame2->hide();

  // Column headings over the list, each standing where its column starts.
  Label3 = etichetta(Frame2, "Label3", QStringLiteral("Posizione"), true);
  posa(Label3, 180, 240, 1050, 555);
  Label8 = etichetta(Frame2, "Label8", QStringLiteral("Rettilineo o curva con raggio"), true);
  posa(Label8, 1260, 240, 2250, 555);
  Label9 = etichetta(Frame2, "Label9", QStringLiteral("Sopraelevazione in millimetri"), true);
  posa(Label9, 3600, 240, 1665, 555);
  for (QLabel* l : {Label3, Label8, Label9}) l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);

  modello_ = new modello_tratti(this);
  delegato_ = new delegato_tratti(this);
  List1 = new QListView(Frame2);
  List1->setObjectName(QStringLiteral("List1"));
  List1->setModel(modello_);
  List1->setItemDelegate(delegato_);
  List1->setUniformItemSizes(true);
  List1->setSelectionMode(QAbstractItemView::SingleSelection);
  List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  List1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  posa(List1, 120, 840, 4935, 7980);

  crea_frame3();
  crea_frame4();

  Command3 = pulsante(Frame2, "Command3", QStringLiteral("Salva"));
  posa(Command3, 5640, 8760, 1695, 495);
  Command1 = pulsante(Frame2, "Command1", QStringLiteral("Uscita"));
  posa(Command1, 8160, 8760, 1695, 495);
}

void Form1::crea_frame3() {
  Frame3 = riquadro(Frame2, "Frame3", QString());
  posa(Frame3, 5280, 180, 5955, 3795);

  Label2 = etichetta(
      Frame3, "Label2",
      QStringLiteral(
          "Sono elencati tutti i tratti di 50 metri con l'indicazione di curva o rettilineo, in "
          "caso di curva si specifica se è a destra  o a sinistra ed il raggio. Il valore "
          "successivo è la sopraelevazione  in millimetri, un valore positivo indica "
          "sopraelevazione della rotaia di destra, un valore negativo indica sopraelevazione "
          "della rotaia di sinistra. Selezionando la riga si può cambiare il valore della "
          "sopraelevazione. Il valore massimo ammesso è 160 millimetri."),
      true);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  posa(Label2, 120, 120, 5715, 2220);

  Label6 = etichetta(Frame3, "Label6", QStringLiteral("Posizione selezionata"), true);
  Label6->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  posa(Label6, 120, 2370, 2295, 690);
  Label4 = etichetta(Frame3, "Label4", QString());
  sfondo_bianco(Label4);
  posa(Label4, 120, 3090, 1455, 315);

  Label5 = etichetta(Frame3, "Label5",
                     QStringLiteral("Sopraelevazione in millimetri. Il segno - indica "
                                    "sopraelevazione della rotaia di sinistra."),
                     true);
  Label5->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  posa(Label5, 2520, 2370, 3315, 690);
  Text1 = new QLineEdit(QStringLiteral("0"), Frame3);
  Text1->setObjectName(QStringLiteral("Text1"));
  posa(Text1, 2520, 3090, 975, 315);

  Label15 =
      etichetta(Frame3, "Label15", da_std(std::string(sopra::testo_tratto_senza_slot) + "."), true);
  Label15->setFont(font());
  QPalette rosso = Label15->palette();
  rosso.setColor(QPalette::WindowText, QColor(160, 0, 0));
  Label15->setPalette(rosso);
  Label15->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  posa(Label15, 3600, 3090, 2235, 645);
  Label15->hide();
}

void Form1::crea_frame4() {
  const QFont normale = font();
  Frame4 = riquadro(Frame2, "Frame4", QString());
  posa(Frame4, 5280, 4080, 5955, 4395);

  Label13 = etichetta(Frame4, "Label13", QStringLiteral("Tipo di curva"), true);
  Label14 = etichetta(
      Frame4, "Label14",
      QStringLiteral("Sopraelevazione in millimetri. Si possono inserire valori fra 0 e 160"),
      true);
  for (QLabel* l : {Label13, Label14}) {
    l->setFont(normale);
    l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  }
  posa(Label13, 240, 240, 2655, 630);
  posa(Label14, 3000, 240, 2835, 630);

  // Row k: the class's caption on the left, its box on the right, 300 twips apart.
  for (std::size_t k = 0; k < sopra::numero_classi; ++k) {
    const int alto = 960 + 300 * static_cast<int>(k);
    const QString indice = QString::number(k);
    Label12[k] = etichetta(Frame4, QStringLiteral("Label12(%1)").arg(indice),
                           QString::fromLatin1(testi_label12[k]));
    Label12[k]->setFont(normale);
    posa(Label12[k], 240, alto, 2655, 285);
    Text4[k] = new QLineEdit(QString::fromLatin1(sopra::testi_classi_iniziali[k].data(),
                                                 sopra::testi_classi_iniziali[k].size()),
                             Frame4);
    Text4[k]->setObjectName(QStringLiteral("Text4(%1)").arg(indice));
    posa(Text4[k], 3000, alto, 1215, 285);
  }

  Command6 = pulsante(Frame4, "Command6",
                      QStringLiteral("Imposta la sopraelevazione indicata per ogni tipo di curva"));
  posa(Command6, 60, 3480, 5835, 615);
}

void Form1::crea_attesa() {
  Picture1 = new QFrame(this);
  Picture1->setObjectName(QStringLiteral("Picture1"));
  Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Picture1->setAutoFillBackground(true);
  Label11 = etichetta(Picture1, "Label11", QStringLiteral("ATTENDERE"));
  Label11->setFont(carattere(punti_attendere));
  Label11->setAlignment(Qt::AlignCenter);
  Label11->resize(Label11->width(), Label11->sizeHint().height());
  Picture1->hide();
}

void Form1::imposta_ordine_tasti() {
  // Choice screen: "Uscita", "OK", the file list. Editing screen: "Salva", the
  // list, "Uscita", the cant box, the first class box, the class button, the
  // other class boxes. Hidden controls are passed over.
  QList<QWidget*> ordine = {Command5, Command4, File1,    Command3, List1,
                            Command1, Text1,    Text4[0], Command6};
  for (std::size_t k = 1; k < sopra::numero_classi; ++k) ordine.append(Text4[k]);
  for (qsizetype i = 1; i < ordine.size(); ++i) setTabOrder(ordine[i - 1], ordine[i]);
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
}

QString Form1::file_scelto() const {
  const QList<QListWidgetItem*> scelti = File1->selectedItems();
  return scelti.isEmpty() ? QString() : scelti.front()->text();
}

void Form1::Form_Load() {
  const QDir cartella(cartella_, QStringLiteral("*.si3"), QDir::Name | QDir::IgnoreCase,
                      QDir::Files);
  File1->addItems(cartella.entryList());
  Frame1->show();
  Label7->setText(file_scelto());
}

void Form1::File1_Click() {
  const QString nome = file_scelto();
  if (nome.isEmpty()) return;
  Label7->setText(nome);
  Command4->setEnabled(true);
}

void Form1::Command4_Click() {
  if (file_scelto().isEmpty() || !inclinazione()) return;
  if (modello_->rowCount() > 0) List1->setCurrentIndex(modello_->index(0));
  Command3->setFocus();
}

void Form1::Command5_Click() {
  close();
}

void Form1::Command1_Click() {
  close();
}

void Form1::closeEvent(QCloseEvent* evento) {
  if (aperto_ && aperto_->modificato() &&
      !chiedi(QStringLiteral("Le modifiche non salvate andranno perse. Uscire comunque?"))) {
    evento->ignore();
    return;
  }
  evento->accept();
}

void Form1::mostra_attesa() {
  Frame1->hide();
  Label1->hide();
  Frame2->show();
  Picture1->setGeometry(0, Frame2->y(), Frame2->width(), Frame2->height());
  Label11->setGeometry(0, (Picture1->height() - Label11->height()) / 2, Picture1->width(),
                       Label11->height());
  Picture1->show();
  Picture1->raise();
  // The work that follows keeps the event loop waiting: paint the panel now.
  // Widgets just shown claim their area through posted update events; deliver
  // those (no user input is among them) so that the repaint covers them too.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
  repaint();
}

bool Form1::inclinazione() {
  mostra_attesa();
  const QString testata = QDir(cartella_).filePath(file_scelto());
  sopra::scenario store;
  const std::optional<std::string> errore = sopra::carica_scenario(
      std::filesystem::path(QFile::encodeName(testata).toStdString()), store);
  if (!errore) {
    aperto_ = std::make_unique<sopra::scenario_aperto>(std::move(store));
    allinea_colonne();
    modello_->mostra(aperto_.get());
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
  const sopra::scenario_aperto::selezione scelta =
      aperto_->seleziona(static_cast<std::size_t>(riga));
  Label4->setText(da_std(scelta.posizione));
  // Showing the row's cant is not an edit: Text1_Change must not run.
  const QSignalBlocker silenzio(Text1);
  Text1->setText(da_std(scelta.sopraelevazione));
  Label15->hide();
}

void Form1::Text1_Change() {
  const int riga = List1->currentIndex().row();
  if (riga < 0) return;
  const QString testo = Text1->text();
  const sopra::scenario_aperto::esito_tratto esito =
      aperto_->modifica_tratto(static_cast<std::size_t>(riga), testo.toStdString());
  Label15->setVisible(esito.senza_slot);
  modello_->riga_cambiata(static_cast<std::size_t>(riga));
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
  Picture1->hide();
  // The selected row may have a new cant: the editor shows it, without writing.
  List1_Click();
  if (esito.curve_senza_slot > 0) avvisa(testo_curve_senza_slot(esito));
}

QString Form1::testo_curve_senza_slot(const sopra::scenario_aperto::esito_classi& esito) const {
  return da_std(sopra::testo_curve_senza_slot(esito.curve_senza_slot) + ".\n" +
                sopra::testo_posizioni(esito.posizioni_senza_slot, esito.curve_senza_slot));
}

void Form1::Command3_Click() {
  if (!aperto_) return;
  mostra_attesa();
  const std::optional<std::string> errore = aperto_->salva();
  Picture1->hide();
  if (errore) avvisa(da_std(*errore));
}
