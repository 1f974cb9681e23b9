// The window's controls: built once, at their places of the first size, with
// their captions, fonts and keyboard order. What they do is in form1.cpp.

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

#include "analysis/curva.hpp"
#include "editing/csv.hpp"
#include "editing/messaggi.hpp"
#include "editing/testo_numero.hpp"
#include "progetto/progetta.hpp"
#include "progetto/relazione.hpp"
#include "scenario/file_scenario.hpp"
#include "scenario/nomi_file.hpp"
#include "ui/delegato_tratti.hpp"
#include "ui/form1.hpp"
#include "ui/form1_interno.hpp"
#include "ui/modello_tratti.hpp"
#include "ui/vista_linea.hpp"

namespace {

using namespace form1_interno;

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

// Where each control stands at the first size (left, top, width, height in
// twips within its container).
namespace posto {
constexpr posto_twip Label1{360, 240, 6375, 255};
constexpr posto_twip Label10{360, 480, 8655, 255};
constexpr posto_twip Frame1{360, 840, 5145, 7905};
constexpr posto_twip File1{240, 360, 4665, 6135};
constexpr posto_twip Label7{240, 6615, 4665, 285};
constexpr posto_twip Command4{240, 7080, 1695, 495};
constexpr posto_twip Command5{3210, 7080, 1695, 495};
constexpr posto_twip Label16{360, 8895, 3330, 315};
constexpr posto_twip Command7{3810, 8865, 1695, 375};
constexpr posto_twip Frame2{180, 120, 11355, altezza_frame2};
constexpr posto_twip Label3{180, 240, 1050, 555};
constexpr posto_twip Label8{1260, 240, 2250, 555};
constexpr posto_twip Label9{3600, 240, 1665, 555};
constexpr posto_twip List1{120, 840, 4935, altezza_list1};
constexpr posto_twip Command3{5640, 8760, 1695, 495};
constexpr posto_twip Command1{8160, 8760, 1695, 495};
constexpr posto_twip Command14{9960, 8760, 1275, 495};
constexpr posto_twip Label17{5640, 9300, 5595, 420};
constexpr posto_twip Frame3{5280, 180, 5955, 3795};
constexpr posto_twip Label2{120, 120, 5715, 2220};
constexpr posto_twip Label6{120, 2370, 2295, 690};
constexpr posto_twip Label4{120, 3090, 1455, 315};
constexpr posto_twip Label5{2520, 2370, 3315, 690};
constexpr posto_twip Text1{2520, 3090, 975, 315};
constexpr posto_twip Label15{3600, 3090, 2235, 645};
constexpr posto_twip Label18{3600, 3090, 2235, 315};
constexpr posto_twip Frame4{5280, 4080, 5955, 4395};
constexpr posto_twip Label13{240, 240, 2655, 630};
constexpr posto_twip Label14{3000, 240, 2835, 630};
constexpr posto_twip Command6{60, 3480, 5835, 615};
constexpr posto_twip Command8{90, 3540, 2280, 405};
constexpr posto_twip Command9{90, 3990, 2280, 405};
constexpr posto_twip Command15{90, 4440, 2280, 405};
constexpr posto_twip Command10{90, 4890, 2280, 405};
constexpr posto_twip Label20{90, 5340, 2280, 450};
constexpr posto_twip Command11{90, 5850, 1110, 405};
constexpr posto_twip Command12{1260, 5850, 1110, 405};
constexpr posto_twip Command13{90, 6330, 2280, 405};
// The rows of the class boxes, 300 twips apart, the first at 960.
constexpr posto_twip Label12{240, 960, 2655, 285};
constexpr posto_twip Text4{3000, 960, 1215, 285};
constexpr int passo_classi = 300;
// The rows of the design parameters, 450 twips apart, the first at 300.
constexpr posto_twip Label19{90, 300, 1560, 420};
constexpr posto_twip Text5{1710, 360, 660, 300};
constexpr int passo_parametri = 450;
constexpr posto_twip Frame5{11655, 120, 2460, altezza_frame2};
constexpr posto_twip Label21{90, alto_label21, 2280, 2130};
constexpr posto_twip Label24{90, altezza_frame2 - altezza_label24 - 60, 2280, altezza_label24};
}  // namespace posto

}  // namespace

void Form1::posa(QWidget* controllo, const form1_interno::posto_twip& posto) const {
  controllo->setGeometry(px(posto.sinistra), px(posto.alto), px(posto.larghezza),
                         px(posto.altezza));
}

void Form1::crea_schermata_scelta() {
  const QFont controlli = carattere(punti_controlli);
  const QFont normale = font();

  Label1 = etichetta(this, "Label1",
                     QStringLiteral("Programma per inserire l'inclinazione negli scenari."));
  posa(Label1, posto::Label1);
  Label10 = etichetta(this, "Label10",
                      QStringLiteral("E' necessario che il programma si trovi nella stessa "
                                     "cartella degli scenari da modificare."));
  posa(Label10, posto::Label10);
  Label1->setFont(controlli);
  Label10->setFont(controlli);

  Frame1 = riquadro(this, "Frame1", QStringLiteral("Scegliere lo scenario"));
  Frame1->setFont(controlli);
  posa(Frame1, posto::Frame1);
  Frame1->hide();

  File1 = new QListWidget(Frame1);
  File1->setObjectName(QStringLiteral("File1"));
  File1->setFont(normale);
  QPalette grigio = File1->palette();
  grigio.setColor(QPalette::Base, QColor(224, 224, 224));
  grigio.setColor(QPalette::Text, Qt::black);
  File1->setPalette(grigio);
  posa(File1, posto::File1);

  Label7 = etichetta(Frame1, "Label7", QString());
  Label7->setFont(normale);
  sfondo_bianco(Label7);
  posa(Label7, posto::Label7);

  Command4 = pulsante(Frame1, "Command4", QStringLiteral("OK"));
  Command4->setFont(normale);
  Command4->setEnabled(false);
  posa(Command4, posto::Command4);
  Command5 = pulsante(Frame1, "Command5", QStringLiteral("Uscita"));
  Command5->setFont(normale);
  posa(Command5, posto::Command5);

  // Under the frame: the folder listed, and the button that chooses another.
  Label16 = etichetta(this, "Label16", QString());
  Label16->setFont(normale);
  sfondo_bianco(Label16);
  posa(Label16, posto::Label16);
  Command7 = pulsante(this, "Command7", QStringLiteral("Cartella…"));
  Command7->setFont(normale);
  posa(Command7, posto::Command7);
}

void Form1::crea_schermata_modifica() {
  Frame2 = riquadro(this, "Frame2", QString());
  Frame2->setFont(carattere(punti_controlli));
  posa(Frame2, posto::Frame2);
  Frame2->hide();

  // Column headings over the list, each standing where its column starts.
  Label3 = etichetta(Frame2, "Label3", QStringLiteral("Posizione"), true);
  posa(Label3, posto::Label3);
  Label8 = etichetta(Frame2, "Label8", QStringLiteral("Rettilineo o curva con raggio"), true);
  posa(Label8, posto::Label8);
  Label9 = etichetta(Frame2, "Label9", QStringLiteral("Sopraelevazione in millimetri"), true);
  posa(Label9, posto::Label9);
  for (QLabel* l : {Label3, Label8, Label9}) l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);

  modello_ = new modello_tratti(this);
  delegato_ = new delegato_tratti(this);
  List1 = new lista_tratti(Frame2);
  List1->setObjectName(QStringLiteral("List1"));
  List1->setModel(modello_);
  List1->setItemDelegate(delegato_);
  List1->setUniformItemSizes(true);
  List1->setSelectionMode(QAbstractItemView::SingleSelection);
  List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  List1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  posa(List1, posto::List1);

  crea_frame3();
  crea_frame4();

  Command3 = pulsante(Frame2, "Command3", QStringLiteral("Salva"));
  posa(Command3, posto::Command3);
  Command1 = pulsante(Frame2, "Command1", QStringLiteral("Uscita"));
  posa(Command1, posto::Command1);

  // Beside them, once another program changed the scenario's files.
  Command14 = pulsante(Frame2, "Command14", QStringLiteral("Ricarica"));
  posa(Command14, posto::Command14);
  Command14->hide();

  // Under the buttons: when the file was saved, or that there are unsaved
  // changes, and what another program changed; two lines at most.
  Label17 = etichetta(Frame2, "Label17", QString(), true);
  Label17->setFont(font());
  Label17->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  posa(Label17, posto::Label17);
}

void Form1::crea_frame3() {
  Frame3 = riquadro(Frame2, "Frame3", QString());
  posa(Frame3, posto::Frame3);

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
  posa(Label2, posto::Label2);

  Label6 = etichetta(Frame3, "Label6", QStringLiteral("Posizione selezionata"), true);
  Label6->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  posa(Label6, posto::Label6);
  Label4 = etichetta(Frame3, "Label4", QString());
  sfondo_bianco(Label4);
  posa(Label4, posto::Label4);

  Label5 = etichetta(Frame3, "Label5",
                     QStringLiteral("Sopraelevazione in millimetri. Il segno - indica "
                                    "sopraelevazione della rotaia di sinistra."),
                     true);
  Label5->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  posa(Label5, posto::Label5);
  Text1 = new QLineEdit(QStringLiteral("0"), Frame3);
  Text1->setObjectName(QStringLiteral("Text1"));
  posa(Text1, posto::Text1);

  Label15 =
      etichetta(Frame3, "Label15", da_std(std::string(sopra::testo_tratto_senza_slot) + "."), true);
  Label15->setFont(font());
  QPalette rosso = Label15->palette();
  rosso.setColor(QPalette::WindowText, QColor(160, 0, 0));
  Label15->setPalette(rosso);
  Label15->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  posa(Label15, posto::Label15);
  Label15->hide();

  // In the same place (only one of the two applies at a time): the value that a
  // cant text which is not wholly a number gave.
  Label18 = etichetta(Frame3, "Label18", QString());
  Label18->setFont(font());
  QPalette blu = Label18->palette();
  blu.setColor(QPalette::WindowText, QColor(0, 60, 140));
  Label18->setPalette(blu);
  posa(Label18, posto::Label18);
  Label18->hide();
}

void Form1::crea_frame4() {
  const QFont normale = font();
  Frame4 = riquadro(Frame2, "Frame4", QString());
  posa(Frame4, posto::Frame4);

  Label13 = etichetta(Frame4, "Label13", QStringLiteral("Tipo di curva"), true);
  Label14 = etichetta(
      Frame4, "Label14",
      QStringLiteral("Sopraelevazione in millimetri. Si possono inserire valori fra 0 e 160"),
      true);
  for (QLabel* l : {Label13, Label14}) {
    l->setFont(normale);
    l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  }
  posa(Label13, posto::Label13);
  posa(Label14, posto::Label14);

  // Row k: the class's caption on the left, its box on the right, 300 twips apart.
  for (std::size_t k = 0; k < sopra::numero_classi; ++k) {
    const int alto = posto::passo_classi * static_cast<int>(k);
    const QString indice = QString::number(k);
    Label12[k] = etichetta(Frame4, QStringLiteral("Label12(%1)").arg(indice),
                           QString::fromLatin1(testi_label12[k]));
    Label12[k]->setFont(normale);
    posa(Label12[k], piu_in_basso(posto::Label12, alto));
    Text4[k] = new QLineEdit(QString::fromLatin1(sopra::testi_classi_iniziali[k].data(),
                                                 sopra::testi_classi_iniziali[k].size()),
                             Frame4);
    Text4[k]->setObjectName(QStringLiteral("Text4(%1)").arg(indice));
    posa(Text4[k], piu_in_basso(posto::Text4, alto));
  }

  Command6 = pulsante(Frame4, "Command6",
                      QStringLiteral("Imposta la sopraelevazione indicata per ogni tipo di curva"));
  posa(Command6, posto::Command6);
}

void Form1::crea_frame5() {
  const QFont normale = font();
  // Beside Frame2, in the room the window has at its first size.
  Frame5 = riquadro(this, "Frame5", QStringLiteral("Progetto"));
  Frame5->setFont(normale);
  posa(Frame5, posto::Frame5);
  Frame5->hide();

  const sopra::parametri_progetto iniziali;
  for (std::size_t k = 0; k < numero_parametri; ++k) {
    const int alto = posto::passo_parametri * static_cast<int>(k);
    const QString indice = QString::number(k);
    Label19[k] = etichetta(Frame5, QStringLiteral("Label19(%1)").arg(indice),
                           da_std(sopra::parametri_di_progetto[k].didascalia) + u' ' +
                               da_std(sopra::parametri_di_progetto[k].unita),
                           true);
    Label19[k]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    posa(Label19[k], piu_in_basso(posto::Label19, alto));
    Text5[k] =
        new QLineEdit(da_std(sopra::testo_numero(sopra::valore_parametro(iniziali, k))), Frame5);
    Text5[k]->setObjectName(QStringLiteral("Text5(%1)").arg(indice));
    posa(Text5[k], piu_in_basso(posto::Text5, alto));
  }

  Command8 = pulsante(Frame5, "Command8", QStringLiteral("Proponi"));
  posa(Command8, posto::Command8);
  Command9 = pulsante(Frame5, "Command9", QStringLiteral("Raccorda"));
  posa(Command9, posto::Command9);
  Command15 = pulsante(Frame5, "Command15", QStringLiteral("Progetta"));
  Command15->setToolTip(
      QStringLiteral("Progetta la sopraelevazione di tutta la linea con i parametri indicati"));
  posa(Command15, posto::Command15);
  Command10 = pulsante(Frame5, "Command10", QStringLiteral("Verifica"));
  posa(Command10, posto::Command10);
  // Two lines: the count of errors and warnings of a long line.
  Label20 = etichetta(Frame5, "Label20", QString(), true);
  Label20->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  posa(Label20, posto::Label20);

  Command11 = pulsante(Frame5, "Command11", QStringLiteral("Annulla"));
  Command11->setToolTip(QStringLiteral("Ctrl+Z"));
  posa(Command11, posto::Command11);
  Command12 = pulsante(Frame5, "Command12", QStringLiteral("Ripeti"));
  Command12->setToolTip(QStringLiteral("Ctrl+Y, Ctrl+Maiusc+Z"));
  posa(Command12, posto::Command12);
  Command11->setEnabled(false);
  Command12->setEnabled(false);

  Command13 = pulsante(Frame5, "Command13", QStringLiteral("Vista della linea"));
  posa(Command13, posto::Command13);

  // The summary of "Raccorda" and "Progetta" scrolls when it is longer than
  // the room left; its positions are links to their rows. A text browser lays
  // out only what changed and scrolls itself, where a label in a scroll area
  // would lay the whole text out several times over at every change.
  Label21 = new QTextBrowser(Frame5);
  Label21->setObjectName(QStringLiteral("Label21"));
  Label21->setFrameShape(QFrame::NoFrame);
  Label21->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Label21->setOpenLinks(false);
  Label21->viewport()->setAutoFillBackground(false);
  Label21->document()->setDocumentMargin(0);
  posa(Label21, posto::Label21);

  // At the foot of the panel: which scenario is open, and where.
  Label24 = etichetta(Frame5, "Label24", QString());
  Label24->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  posa(Label24, posto::Label24);
}

void Form1::crea_frame6() {
  // Right of Frame5, in the room a wider window gives: the picture, and under
  // it the tables (the proposal per class, the curve report, the speeds along
  // the line) and the problems of the check.
  Frame6 = riquadro(this, "Frame6", QStringLiteral("Linea"));
  Frame6->setFont(font());
  Frame6->hide();

  Vista1 = new VistaLinea(Frame6);
  Vista1->setObjectName(QStringLiteral("Vista1"));

  Tab1 = new QTabWidget;
  Tab1->setObjectName(QStringLiteral("Tab1"));
  Tab1->addTab(crea_proposta(), QStringLiteral("Proposta"));
  Tab1->addTab(crea_relazione(), QStringLiteral("Relazione"));
  Tab1->setTabToolTip(1, QStringLiteral("Relazione delle curve"));
  Tab1->addTab(crea_velocita(), QStringLiteral("Velocità"));
  Tab1->setTabToolTip(2, QStringLiteral("Velocità lungo la linea"));

  // On a narrow screen the tables and the problems share the width, each
  // scrolling what it cannot show; the user moves the splitters at will.
  QWidget* elenco = crea_elenco_problemi();
  Splitter2 = new QSplitter(Qt::Horizontal);
  Splitter2->setObjectName(QStringLiteral("Splitter2"));
  Splitter2->setChildrenCollapsible(false);
  Splitter2->addWidget(Tab1);
  Splitter2->addWidget(elenco);
  Splitter2->setStretchFactor(0, 1);
  Splitter2->setStretchFactor(1, 1);
  Splitter1 = new QSplitter(Qt::Vertical);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->setChildrenCollapsible(false);
  Splitter1->addWidget(Vista1);
  Splitter1->addWidget(Splitter2);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  auto* colonna = new QVBoxLayout(Frame6);
  colonna->addWidget(Splitter1);
}

QWidget* Form1::crea_proposta() {
  Label22 = etichetta(Frame6, "Label22", QStringLiteral("Proposta per tipo di curva"));
  Grid1 = new QTableWidget(static_cast<int>(sopra::numero_classi), 6, Frame6);
  Grid1->setObjectName(QStringLiteral("Grid1"));
  Grid1->setHorizontalHeaderLabels(
      {QStringLiteral("Raggio\nm"), QStringLiteral("Equilibrio\nmm"),
       QStringLiteral("Proposta\nmm"), QStringLiteral("Insufficienza\nmm"),
       QStringLiteral("Eccesso\nmm"), QStringLiteral("Velocità\nammessa\nkm/h")});
  Grid1->verticalHeader()->hide();
  Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid1->setSelectionMode(QAbstractItemView::NoSelection);
  Grid1->setFocusPolicy(Qt::NoFocus);
  Grid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  Grid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  Grid1->verticalHeader()->setDefaultSectionSize(Grid1->fontMetrics().height() + 4);
  Grid1->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  Grid1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);

  auto* proposta = new QWidget;
  auto* colonna_proposta = new QVBoxLayout(proposta);
  colonna_proposta->setContentsMargins(2, 2, 2, 2);
  colonna_proposta->addWidget(Label22);
  colonna_proposta->addWidget(Grid1, 1);
  return proposta;
}

QWidget* Form1::crea_relazione() {
  // The curve report: one row per curve, by position.
  QStringList intestazioni = {QStringLiteral("Inizio\nm"),  QStringLiteral("Fine\nm"),
                              QStringLiteral("Lato"),       QStringLiteral("Raggio\nm"),
                              QStringLiteral("V\nkm/h"),    QStringLiteral("Sopraelev.\nmm"),
                              QStringLiteral("Insuff.\nmm")};
  for (const double a : sopra::accelerazioni_categorie)
    intestazioni.append(QStringLiteral("Velocità\n%1 m/s²\nkm/h")
                            .arg(QLocale(QLocale::Italian).toString(a, 'f', 1)));
  Grid2 = new QTableWidget(0, static_cast<int>(intestazioni.size()));
  Grid2->setObjectName(QStringLiteral("Grid2"));
  Grid2->setHorizontalHeaderLabels(intestazioni);
  Grid2->verticalHeader()->hide();
  Grid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid2->setSelectionBehavior(QAbstractItemView::SelectRows);
  Grid2->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid2->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  Grid2->verticalHeader()->setDefaultSectionSize(Grid2->fontMetrics().height() + 4);
  Command16 = pulsante(Frame6, "Command16", QStringLiteral("Esporta relazione…"));
  attesa_relazione_ = new QTimer(this);
  attesa_relazione_->setSingleShot(true);
  attesa_relazione_->setInterval(300);

  auto* relazione = new QWidget;
  auto* colonna_relazione = new QVBoxLayout(relazione);
  colonna_relazione->setContentsMargins(2, 2, 2, 2);
  colonna_relazione->addWidget(Grid2, 1);
  colonna_relazione->addWidget(Command16, 0, Qt::AlignLeft);
  return relazione;
}

QWidget* Form1::crea_velocita() {
  // The speeds along the line, saved with "Salva" beside the scenario as
  // NAME.velocita.csv; without stretches, V and v of the boxes hold everywhere.
  Grid3 = new QTableWidget(0, 3);
  Grid3->setObjectName(QStringLiteral("Grid3"));
  Grid3->setHorizontalHeaderLabels(
      {QStringLiteral("Da\nm"), QStringLiteral("V\nkm/h"), QStringLiteral("v\nkm/h")});
  Grid3->verticalHeader()->hide();
  Grid3->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  Grid3->verticalHeader()->setDefaultSectionSize(Grid3->fontMetrics().height() + 6);
  Command17 = pulsante(Frame6, "Command17", QStringLiteral("Aggiungi tratto"));
  Command18 = pulsante(Frame6, "Command18", QStringLiteral("Togli tratto"));
  Label25 = etichetta(Frame6, "Label25", QString(), true);
  QPalette rosso = Label25->palette();
  rosso.setColor(QPalette::WindowText, QColor(200, 0, 0));
  Label25->setPalette(rosso);
  auto* velocita = new QWidget;
  auto* colonna_velocita = new QVBoxLayout(velocita);
  colonna_velocita->setContentsMargins(2, 2, 2, 2);
  colonna_velocita->addWidget(Grid3, 1);
  colonna_velocita->addWidget(Label25);
  auto* pulsanti_velocita = new QHBoxLayout;
  pulsanti_velocita->addWidget(Command17);
  pulsanti_velocita->addWidget(Command18);
  pulsanti_velocita->addStretch();
  colonna_velocita->addLayout(pulsanti_velocita);
  return velocita;
}

QWidget* Form1::crea_elenco_problemi() {
  Label23 = etichetta(Frame6, "Label23", QStringLiteral("Problemi"));
  problemi_ = new modello_problemi(this);
  // A table of one column, without headers or grid, reads as a list; unlike a
  // list view it is not laid out again row by row when problems come and go,
  // which on a long line are tens of thousands.
  List2 = new QTableView(Frame6);
  List2->setObjectName(QStringLiteral("List2"));
  List2->setModel(problemi_);
  List2->horizontalHeader()->hide();
  List2->horizontalHeader()->setStretchLastSection(true);
  List2->verticalHeader()->hide();
  List2->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  List2->verticalHeader()->setDefaultSectionSize(List2->fontMetrics().height() + 2);
  List2->setShowGrid(false);
  List2->setWordWrap(false);
  List2->setTextElideMode(Qt::ElideRight);
  List2->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List2->setSelectionMode(QAbstractItemView::SingleSelection);
  List2->setSelectionBehavior(QAbstractItemView::SelectRows);

  auto* elenco = new QWidget;
  auto* colonna_elenco = new QVBoxLayout(elenco);
  colonna_elenco->setContentsMargins(0, 0, 0, 0);
  colonna_elenco->addWidget(Label23);
  colonna_elenco->addWidget(List2, 1);
  List2->setMinimumWidth(fontMetrics().horizontalAdvance(u'0') * 24);
  return elenco;
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
  // Then the folder button, and after the class boxes the design tools and the picture.
  QList<QWidget*> ordine = {Command5, Command4,  File1, Command7, Command3, List1,
                            Command1, Command14, Text1, Text4[0], Command6};
  for (std::size_t k = 1; k < sopra::numero_classi; ++k) ordine.append(Text4[k]);
  for (QLineEdit* casella : Text5) ordine.append(casella);
  ordine.append(
      {Command8, Command9, Command15, Command10, Command11, Command12, Command13, Vista1, List2});
  for (qsizetype i = 1; i < ordine.size(); ++i) setTabOrder(ordine[i - 1], ordine[i]);
}
