// The window on the longest line: the list fills and an edit far down it lands;
// the time of each step is printed, not judged.

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

#include "generatore_demo.hpp"
#include "ui/form1.hpp"

class TestForm1Grande : public QObject {
  Q_OBJECT

 private slots:
  void linea_di_diecimila_chilometri() {
    QTemporaryDir cartella;
    QVERIFY(cartella.isValid());
    sopra::scrivi_scenario_demo(QFile::encodeName(cartella.path()).toStdString(), "Grande_Linea",
                                "Grande", {.lunghezza_linea = 10000000});
    Form1 form(cartella.path());
    form.avvisa = [](const QString& testo) { qInfo("avviso: %s", qPrintable(testo)); };
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* file1 = form.findChild<QListWidget*>(QStringLiteral("File1"));
    auto* list1 = form.findChild<QListView*>(QStringLiteral("List1"));
    auto* text1 = form.findChild<QLineEdit*>(QStringLiteral("Text1"));
    file1->setCurrentRow(0);

    QElapsedTimer tempo;
    tempo.start();
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command4")), Qt::LeftButton);
    QCoreApplication::processEvents();
    const qint64 apertura = tempo.elapsed();
    QCOMPARE(list1->model()->rowCount(), 200136);  // sections 2 .. 200137
    qInfo("OK to filled list: %lld ms", apertura);

    // An edit far down the list, key by key.
    const QModelIndex ultima = list1->model()->index(200130, 0);
    list1->setCurrentIndex(ultima);
    list1->scrollTo(ultima);
    QCoreApplication::processEvents();
    text1->selectAll();
    tempo.restart();
    QTest::keyClicks(text1, QStringLiteral("123"));
    QCoreApplication::processEvents();
    const qint64 tasti = tempo.elapsed();
    QVERIFY(ultima.data().toString().endsWith(QStringLiteral("\t123")));
    qInfo("three keystrokes in Text1: %lld ms", tasti);

    tempo.restart();
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command6")), Qt::LeftButton);
    QCoreApplication::processEvents();
    const qint64 classi = tempo.elapsed();
    qInfo("class command: %lld ms", classi);

    // With the picture shown and the check asked for once, every change runs
    // the check again: the keystrokes, the ramps, undo and redo.
    tempo.restart();
    form.resize(form.size() + QSize(800, 200));
    QCoreApplication::processEvents();
    const qint64 vista = tempo.elapsed();
    qInfo("window made wide, picture built and drawn: %lld ms", vista);
    const auto clic = [&](const char* pulsante) {
      tempo.restart();
      QTest::mouseClick(form.findChild<QPushButton*>(QString::fromLatin1(pulsante)),
                        Qt::LeftButton);
      QCoreApplication::processEvents();
      return tempo.elapsed();
    };
    const qint64 verifica = clic("Command10");
    qInfo("check with the picture shown: %lld ms", verifica);
    text1->setFocus();
    text1->selectAll();
    tempo.restart();
    QTest::keyClicks(text1, QStringLiteral("45"));
    QCoreApplication::processEvents();
    const qint64 tasti_verificati = tempo.elapsed();
    qInfo("two keystrokes in Text1, each checked: %lld ms", tasti_verificati);
    const qint64 raccordi = clic("Command9");
    const qint64 annulla = clic("Command11");
    const qint64 ripeti = clic("Command12");
    qInfo("ramps %lld ms, undo %lld ms, redo %lld ms", raccordi, annulla, ripeti);

    // Each step from the event to the window repainted, the check live: the
    // figures the window must keep within a frame (16 ms) or a blink (50 ms).
    // Printed only: the machine may be busy with other work.
    const auto ridisegnata = [&](auto evento) {
      QElapsedTimer t;
      t.start();
      evento();
      QCoreApplication::processEvents();
      form.repaint();
      return t.nsecsElapsed() / 1e6;
    };
    text1->setFocus();
    text1->selectAll();
    const double tasto = ridisegnata([&] { QTest::keyClick(text1, Qt::Key_7); });
    const double classi_viste =
        ridisegnata([&] { form.findChild<QPushButton*>(QStringLiteral("Command6"))->click(); });
    auto* velocita = form.findChild<QLineEdit*>(QStringLiteral("Text5(0)"));
    velocita->setText(QStringLiteral("120"));
    const double progetta =
        ridisegnata([&] { form.findChild<QPushButton*>(QStringLiteral("Command15"))->click(); });
    const double annulla_progetto =
        ridisegnata([&] { form.findChild<QPushButton*>(QStringLiteral("Command11"))->click(); });
    const double ripeti_progetto =
        ridisegnata([&] { form.findChild<QPushButton*>(QStringLiteral("Command12"))->click(); });
    auto* vista1 = form.findChild<QWidget*>(QStringLiteral("Vista1"));
    const double quadro = ridisegnata([&] { vista1->repaint(); });
    qInfo(
        "to the repainted window: keystroke in Text1 with the check %.1f ms, class command "
        "%.1f ms, Progetta %.1f ms, its undo %.1f ms, redo %.1f ms; whole-line picture frame "
        "%.1f ms",
        tasto, classi_viste, progetta, annulla_progetto, ripeti_progetto, quadro);
  }
};

QTEST_MAIN(TestForm1Grande)
#include "test_form1_grande.moc"
