// The window on the longest line: the list fills, an edit far down it lands in
// its row and in the problem list, and the design taken back gives every row
// back. The times of these steps are the window benchmark's
// (sopraelevazione-bench-finestra), not a test's.

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

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
    form.avvisa = [](const QString&) {};
    form.show();
    form.resize(form.size() + QSize(800, 200));  // the picture and the problems shown
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto pulsante = [&](const char* nome) {
      QTest::mouseClick(form.findChild<QPushButton*>(QString::fromLatin1(nome)), Qt::LeftButton);
      QCoreApplication::processEvents();
    };
    form.findChild<QListWidget*>(QStringLiteral("File1"))->setCurrentRow(0);
    pulsante("Command4");
    auto* list1 = form.findChild<QListView*>(QStringLiteral("List1"));
    auto* text1 = form.findChild<QLineEdit*>(QStringLiteral("Text1"));
    const QAbstractItemModel* righe = list1->model();
    QCOMPARE(righe->rowCount(), 200136);  // sections 2 .. 200137

    // The check live, then an edit of a straight far down the list, key by
    // key: the row shows it and the problem list gains its problem.
    form.findChild<QLineEdit*>(QStringLiteral("Text5(0)"))->setText(QStringLiteral("120"));
    pulsante("Command10");
    const QAbstractItemModel* problemi =
        form.findChild<QAbstractItemView*>(QStringLiteral("List2"))->model();
    const int problemi_prima = problemi->rowCount();
    // The last straight showing 0 that takes the edit: a section whose every
    // slot holds other objects takes none, and the note beside the box says so.
    const auto* senza_slot = form.findChild<QWidget*>(QStringLiteral("Label15"));
    QModelIndex rettilineo;
    for (int r = righe->rowCount() - 1; r > 0; --r) {
      if (!righe->index(r, 0).data().toString().endsWith(QStringLiteral("rettilineo \t\t\t0")))
        continue;
      rettilineo = righe->index(r, 0);
      list1->setCurrentIndex(rettilineo);
      text1->selectAll();
      QTest::keyClicks(text1, QStringLiteral("150"));
      QCoreApplication::processEvents();
      if (!senza_slot->isVisible()) break;
    }
    QVERIFY(rettilineo.isValid());
    QVERIFY(rettilineo.data().toString().endsWith(QStringLiteral("\t150")));
    QVERIFY(problemi->rowCount() > problemi_prima);  // the straight, the step after it

    // The design of the whole line, taken back: every row as it was.
    QStringList prima;
    for (int r = 0; r < righe->rowCount(); r += 997) prima << righe->index(r, 0).data().toString();
    pulsante("Command15");
    QStringList dopo;
    for (int r = 0; r < righe->rowCount(); r += 997) dopo << righe->index(r, 0).data().toString();
    QVERIFY(dopo != prima);
    pulsante("Command11");
    QStringList ripresi;
    for (int r = 0; r < righe->rowCount(); r += 997)
      ripresi << righe->index(r, 0).data().toString();
    QCOMPARE(ripresi, prima);
  }
};

QTEST_MAIN(TestForm1Grande)
#include "test_form1_grande.moc"
