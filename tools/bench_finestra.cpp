// Timings of the window on the longest line the format states, offscreen: each
// step from the event to the repainted window, with the check live and the
// picture shown. A keystroke and a picture frame must fit in one frame (16 ms);
// the class command, the design and their undo and redo in a blink (50 ms).
//
//   sopraelevazione-bench-finestra [--metri N] [--prove N] [FOLDER]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "generatore_demo.hpp"
#include "scenario/memoria_grande.hpp"
#include "ui/controllo_per_nome.hpp"
#include "ui/form1.hpp"
#include "ui/vista_linea.hpp"

namespace {

constexpr const char* uso =
    "uso: sopraelevazione-bench-finestra [--metri N] [--prove N] [CARTELLA]\n"
    "  misura la finestra (fuori schermo) su una linea di N metri (10000000)\n";

double mediana(std::vector<double> valori) {
  std::ranges::sort(valori);
  return valori[valori.size() / 2];
}

// One row of the table: the median, the worst run and the goal it is held to.
void riga(const char* nome, const std::vector<double>& ms, double obiettivo) {
  const double m = mediana(ms);
  std::printf("  %-46s %8.1f ms (peggiore %6.1f)  obiettivo %2.0f ms%s\n", nome, m,
              *std::ranges::max_element(ms), obiettivo, m <= obiettivo ? "" : "  SUPERATO");
}

}  // namespace

int main(int argc, char** argv) {
  sopra::tieni_memoria_liberata();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication applicazione(argc, argv);
  long long metri = 10'000'000;
  int prove = 5;
  QString base = QDir::tempPath();
  const QStringList argomenti = QApplication::arguments();
  for (qsizetype i = 1; i < argomenti.size(); ++i) {
    bool letto = true;
    if (argomenti[i] == QStringLiteral("--metri") && i + 1 < argomenti.size())
      metri = argomenti[++i].toLongLong(&letto);
    else if (argomenti[i] == QStringLiteral("--prove") && i + 1 < argomenti.size())
      prove = argomenti[++i].toInt(&letto);
    else if (!argomenti[i].startsWith(u'-'))
      base = argomenti[i];
    else
      letto = false;
    if (!letto || metri < 1000 || metri > 10'000'000 || prove < 1) {
      std::fputs(uso, stderr);
      return 2;
    }
  }
  QTemporaryDir cartella(QDir(base).filePath(QStringLiteral("sopra-bench-finestra-XXXXXX")));
  if (!cartella.isValid()) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(base), qPrintable(cartella.errorString()));
    return 1;
  }
  sopra::scrivi_scenario_demo(QFile::encodeName(cartella.path()).toStdString(), "Grande_Linea",
                              "Grande", {.lunghezza_linea = static_cast<std::int32_t>(metri)});

  Form1 form(cartella.path());
  form.avvisa = [](const QString&) {};
  form.show();
  form.resize(form.size() + QSize(800, 200));
  QCoreApplication::processEvents();
  controllo<QListWidget>(form, "File1")->setCurrentRow(0);
  QElapsedTimer tempo;
  tempo.start();
  controllo<QPushButton>(form, "Command4")->click();
  QCoreApplication::processEvents();
  form.repaint();
  const double apertura = tempo.nsecsElapsed() / 1e6;
  auto* list1 = controllo<QListView>(form, "List1");
  auto* text1 = controllo<QLineEdit>(form, "Text1");
  const int righe = list1->model()->rowCount();
  std::printf("sopraelevazione-bench-finestra: %lld m, %d righe, mediana di %d prove\n", metri,
              righe, prove);
  std::printf("  %-46s %8.1f ms\n", "OK fino alla lista piena e ridisegnata", apertura);

  // From the event to the window repainted.
  const auto ridisegnata = [&](auto evento) {
    QElapsedTimer t;
    t.start();
    evento();
    QCoreApplication::processEvents();
    form.repaint();
    return t.nsecsElapsed() / 1e6;
  };
  controllo<QPushButton>(form, "Command13")->click();  // the picture beside the list
  controllo<QLineEdit>(form, "Text5(0)")->setText(QStringLiteral("120"));
  controllo<QPushButton>(form, "Command10")->click();  // the check, live from now on
  QCoreApplication::processEvents();
  const QModelIndex in_fondo = list1->model()->index(righe - 5, 0);
  list1->setCurrentIndex(in_fondo);
  list1->scrollTo(in_fondo);
  QCoreApplication::processEvents();

  std::vector<double> tasto, classi, annulla_classi, ripeti_classi, progetta, annulla_progetto,
      ripeti_progetto, quadro, quadro_nuovo;
  auto* command6 = controllo<QPushButton>(form, "Command6");
  auto* command11 = controllo<QPushButton>(form, "Command11");
  auto* command12 = controllo<QPushButton>(form, "Command12");
  auto* command15 = controllo<QPushButton>(form, "Command15");
  auto* vista1 = controllo<VistaLinea>(form, "Vista1");
  for (int p = 0; p < prove; ++p) {
    text1->setFocus();
    text1->selectAll();
    tasto.push_back(ridisegnata([&] { QTest::keyClick(text1, Qt::Key_1 + p % 9); }));
    classi.push_back(ridisegnata([&] { command6->click(); }));
    annulla_classi.push_back(ridisegnata([&] { command11->click(); }));
    ripeti_classi.push_back(ridisegnata([&] { command12->click(); }));
    progetta.push_back(ridisegnata([&] { command15->click(); }));
    annulla_progetto.push_back(ridisegnata([&] { command11->click(); }));
    ripeti_progetto.push_back(ridisegnata([&] { command12->click(); }));
    quadro.push_back(ridisegnata([&] { vista1->repaint(); }));
    // Zoomed out a little, the whole line still in view: the track is stroked anew.
    quadro_nuovo.push_back(ridisegnata([&] {
      vista1->ingrandisci(0.99);
      vista1->repaint();
    }));
    vista1->adatta();
  }
  riga("tasto in Text1, verifica viva", tasto, 16);
  riga("comando delle classi", classi, 50);
  riga("annulla le classi", annulla_classi, 50);
  riga("ripeti le classi", ripeti_classi, 50);
  riga("Progetta", progetta, 50);
  riga("annulla il progetto", annulla_progetto, 50);
  riga("ripeti il progetto", ripeti_progetto, 50);
  riga("quadro della linea intera", quadro, 16);
  riga("quadro della linea intera, vista cambiata", quadro_nuovo, 16);
  return 0;
}
