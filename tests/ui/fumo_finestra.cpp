// A user's first minutes, on the platform the program runs on (the real
// `windows` platform under Wine and a display, or any other): the choice screen
// on a folder of scenarios, the first scenario opened, a cant typed into a row,
// "Salva". The section file saved is left in the folder, for the caller to
// compare with what another build of the window saved for the same edit, and
// the screen, just before saving, as fumo_finestra.png beside it.
//
//   fumo_finestra FOLDER

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "ui/controllo_per_nome.hpp"
#include "ui/form1.hpp"

int main(int argc, char** argv) {
  QApplication applicazione(argc, argv);
  if (argc != 2) {
    std::fputs("uso: fumo_finestra CARTELLA\n", stderr);
    return 2;
  }
  const QString cartella = QString::fromLocal8Bit(argv[1]);
  installa_traduzioni_qt(applicazione);
  Form1 form(cartella);
  QStringList avvisi;
  form.avvisa = [&](const QString& testo) { avvisi << testo; };
  form.chiedi = [&](const QString& domanda) {
    avvisi << domanda;
    return false;
  };
  form.show();
  // Under Wine the first window of a new display may take many seconds.
  if (!QTest::qWaitForWindowExposed(&form, 120'000)) {
    std::fputs("fumo_finestra: la finestra non compare\n", stderr);
    return 1;
  }

  auto* file1 = controllo<QListWidget>(form, "File1");
  if (file1->count() == 0) {
    std::fprintf(stderr, "fumo_finestra: nessuno scenario in %s\n", qPrintable(cartella));
    return 1;
  }
  file1->setCurrentRow(0);
  QTest::mouseClick(controllo<QPushButton>(form, "Command4"), Qt::LeftButton);
  auto* list1 = controllo<QListView>(form, "List1");
  if (!list1->isVisible() || list1->model()->rowCount() < 50 || !avvisi.isEmpty()) {
    std::fprintf(stderr, "fumo_finestra: lo scenario non si apre: %s\n",
                 qPrintable(avvisi.join(u'\n')));
    return 1;
  }

  // Row 40, a cant of 123 typed as a user types it.
  const QModelIndex riga = list1->model()->index(40, 0);
  list1->scrollTo(riga);
  QTest::mouseClick(list1->viewport(), Qt::LeftButton, {}, list1->visualRect(riga).center());
  auto* text1 = controllo<QLineEdit>(form, "Text1");
  QTest::mouseDClick(text1, Qt::LeftButton);
  text1->selectAll();
  QTest::keyClicks(text1, QStringLiteral("123"));
  QTest::qWait(200);
  if (QScreen* schermo = QGuiApplication::primaryScreen())
    schermo->grabWindow(0).save(cartella + QStringLiteral("/fumo_finestra.png"));

  QTest::mouseClick(controllo<QPushButton>(form, "Command3"), Qt::LeftButton);
  if (!avvisi.isEmpty()) {
    std::fprintf(stderr, "fumo_finestra: %s\n", qPrintable(avvisi.join(u'\n')));
    return 1;
  }
  std::printf("fumo_finestra: %s, riga 40: %s, salvato\n", qPrintable(file1->item(0)->text()),
              qPrintable(text1->text()));
  return 0;
}
