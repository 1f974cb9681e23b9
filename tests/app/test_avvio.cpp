// The window's starting folder: its own folder when that holds scenarios, else
// the last folder a scenario was opened from, else the home folder.

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/cartella_iniziale.hpp"
#include "generatore_demo.hpp"
#include "ui/form1.hpp"

class TestAvvio : public QObject {
  Q_OBJECT

 private slots:
  // An installed program starts on the home folder, then on the folder a
  // scenario was last opened from (shown in the folder box and listed), and on
  // the home folder again once that folder is gone. A program put beside
  // scenarios lists them whatever the settings say.
  void cartella_iniziale() {
    QVERIFY(programma_.isValid() && scenari_.isValid() && accanto_.isValid());
    QSettings impostazioni(programma_.filePath(QStringLiteral("prova.conf")), QSettings::IniFormat);
    sopra::scrivi_scenario_demo(scenari_.path().toStdString(), "Valle_Andata", "Valle",
                                {3000, true, 1});
    sopra::scrivi_scenario_demo(accanto_.path().toStdString(), "Costa_Esteso", "Costa",
                                {3000, false, 2});
    QCOMPARE(sopra::cartella_iniziale(programma_.path(), impostazioni), QDir::homePath());
    {
      Form1 finestra(scenari_.path());
      finestra.avvisa = [](const QString&) {};  // what loading found odd in the demo files
      sopra::ricorda_cartella(finestra, impostazioni);
      finestra.show();
      finestra.findChild<QListWidget*>(QStringLiteral("File1"))->setCurrentRow(0);
      QTest::mouseClick(finestra.findChild<QPushButton*>(QStringLiteral("Command4")),
                        Qt::LeftButton);
    }
    const QString iniziale = sopra::cartella_iniziale(programma_.path(), impostazioni);
    QCOMPARE(iniziale, scenari_.path());
    {
      const Form1 finestra(iniziale);
      QCOMPARE(finestra.findChild<QLabel*>(QStringLiteral("Label16"))->toolTip(),
               QDir::toNativeSeparators(scenari_.path()));
      QCOMPARE(finestra.findChild<QListWidget*>(QStringLiteral("File1"))->count(), 1);
    }
    QCOMPARE(sopra::cartella_iniziale(accanto_.path(), impostazioni), accanto_.path());

    QVERIFY(scenari_.remove());
    QCOMPARE(sopra::cartella_iniziale(programma_.path(), impostazioni), QDir::homePath());
  }

 private:
  QTemporaryDir programma_;  // the folder the program sits in, without scenarios
  QTemporaryDir scenari_;
  QTemporaryDir accanto_;  // a folder of scenarios the program was copied into
};

QTEST_MAIN(TestAvvio)
#include "test_avvio.moc"
