// Draws the README's pictures from the real window on the demo scenarios:
// the choice screen, the editing screen at its first size, and the window made
// wide with the picture of the line, a proposal, the ramps and the check, and
// the whole line designed with the curve report on a 1366 × 768 screen.
//
//   sopraelevazione-immagini FOLDER   writes scelta.png, modifica.png, linea.png
//                                     and progetto_1366.png
//
// Run it on the offscreen platform (tools/immagini_docs.sh does).

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "generatore_demo.hpp"
#include "ui/controllo_per_nome.hpp"
#include "ui/form1.hpp"

namespace {

// The largest file a picture may be.
constexpr qint64 byte_massimi = 150 * 1024;

void clicca(const Form1& form, const char* nome) {
  controllo<QPushButton>(form, nome)->click();
  QCoreApplication::processEvents();
}

void scrivi(const Form1& form, const char* nome, const QString& testo) {
  controllo<QLineEdit>(form, nome)->setText(testo);
  QCoreApplication::processEvents();
}

// Saves the widget as it is on screen, in fewer colours when that is what
// keeps the file within byte_massimi.
bool salva(QWidget& finestra, const QString& file) {
  QCoreApplication::processEvents();
  const QImage immagine = finestra.grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (const bool ridotta : {false, true}) {
    const QImage scritta =
        ridotta ? immagine.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither) : immagine;
    QByteArray byte;
    QBuffer buffer(&byte);
    buffer.open(QIODevice::WriteOnly);
    scritta.save(&buffer, "PNG", 0);
    if (byte.size() > byte_massimi && !ridotta) continue;
    QFile uscita(file);
    if (!uscita.open(QIODevice::WriteOnly) || uscita.write(byte) != byte.size()) {
      std::fprintf(stderr, "%s: cannot write\n", qPrintable(file));
      return false;
    }
    std::printf("%s: %dx%d, %lld bytes\n", qPrintable(file), scritta.width(), scritta.height(),
                static_cast<long long>(byte.size()));
    if (byte.size() > byte_massimi) {
      std::fprintf(stderr, "%s: larger than %lld bytes\n", qPrintable(file), byte_massimi);
      return false;
    }
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication applicazione(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: sopraelevazione-immagini FOLDER\n");
    return 2;
  }
  const QDir uscita(QString::fromLocal8Bit(argv[1]));
  QTemporaryDir demo;
  if (!demo.isValid() || !uscita.mkpath(QStringLiteral("."))) return 1;
  sopra::scrivi_cartella_demo(QFile::encodeName(demo.path()).toStdString());

  Form1 form(demo.path());
  form.avvisa = [](const QString& testo) { std::fprintf(stderr, "%s\n", qPrintable(testo)); };
  form.chiedi = [](const QString&) { return true; };
  // Leaving without saving: "Sì" of "Salva ed esci", "Sì", "No".
  form.scegli = [](const QString&, const QStringList&) { return 1; };
  form.show();
  QCoreApplication::processEvents();

  auto* file1 = controllo<QListWidget>(form, "File1");
  file1->setCurrentItem(file1->findItems(QStringLiteral("Valle_Andata.si3"), Qt::MatchExactly)[0]);
  bool ok = salva(form, uscita.filePath(QStringLiteral("scelta.png")));

  // A proposal for 60 km/h (slowest trains 40 km/h) applied to the classes, the ramps, then the
  // check.
  clicca(form, "Command4");
  scrivi(form, "Text5(0)", QStringLiteral("60"));
  scrivi(form, "Text5(1)", QStringLiteral("40"));
  clicca(form, "Command8");
  clicca(form, "Command6");
  clicca(form, "Command9");
  clicca(form, "Command10");
  form.resize(form.dimensione_iniziale());
  auto* list1 = controllo<QListView>(form, "List1");
  const QModelIndex riga = list1->model()->index(40, 0);
  list1->setCurrentIndex(riga);
  list1->scrollTo(riga);
  ok = salva(form, uscita.filePath(QStringLiteral("modifica.png"))) && ok;

  form.resize(form.dimensione_iniziale() + QSize(820, 240));
  ok = salva(form, uscita.filePath(QStringLiteral("linea.png"))) && ok;

  // The whole line designed at 100 km/h, with the curve report, in the room a
  // 1366 × 768 screen leaves under a title bar and a panel.
  scrivi(form, "Text5(0)", QStringLiteral("100"));
  clicca(form, "Command15");
  controllo<QTabWidget>(form, "Tab1")->setCurrentIndex(1);
  form.resize(1366, 768 - 64);
  ok = salva(form, uscita.filePath(QStringLiteral("progetto_1366.png"))) && ok;
  form.close();
  return ok ? 0 : 1;
}
