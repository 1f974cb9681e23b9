// The window driven as a user drives it: mouse clicks and keystrokes on the
// offscreen platform, message boxes answered through the window's seam.

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <filesystem>
#include <memory>

#include "analysis/sopraelevazione.hpp"
#include "editing/elenco.hpp"
#include "editing/scenario_aperto.hpp"
#include "file_di_prova.hpp"
#include "generatore_demo.hpp"
#include "scenario/file_scenario.hpp"
#include "test_form1_finestra.hpp"
#include "ui/delegato_tratti.hpp"
#include "ui/form1.hpp"

class TestForm1 : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> cartella_;
  fs::path percorso(const QString& nome) const {
    return fs::path(QFile::encodeName(cartella_->filePath(nome)).toStdString());
  }
  // The demo scenario Valle_Andata, as the test folder holds it.
  sopra::scenario_aperto valle() const {
    return sopra::scenario_aperto(carica(percorso(QStringLiteral("Valle_Andata.si3"))));
  }

 private slots:
  void init() {
    cartella_ = std::make_unique<QTemporaryDir>();
    QVERIFY(cartella_->isValid());
    sopra::scrivi_cartella_demo(percorso({}));
  }
  void cleanup() { cartella_.reset(); }

  void schermata_di_scelta() {
    // Header files in every case, and what the list must leave out.
    for (const char* nome : {"altro.SI3", "Misto.Si3", "vecchio.sim", "nota.txt"}) {
      QFile f(cartella_->filePath(QString::fromLatin1(nome)));
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(cartella_->path()).mkdir(QStringLiteral("cartella.si3")));

    finestra f(cartella_->path());
    QStringList elencati;
    for (int i = 0; i < f.file1()->count(); ++i) elencati.append(f.file1()->item(i)->text());
    QCOMPARE(elencati,
             (QStringList{"altro.SI3", "Costa_Est_Esteso.si3", "Misto.Si3",
                          "Monti_Nord_Inverno.si3", "Valle_Andata.si3", "Valle_Ritorno.si3"}));
    QCOMPARE(f.form->windowTitle(), QStringLiteral("Form1"));
    QCOMPARE(f.testo_label(QStringLiteral("Label7")), QString());
    QVERIFY(!f.c(QStringLiteral("Command4"))->isEnabled());
    QVERIFY(f.c(QStringLiteral("Frame1"))->isVisible());
    QVERIFY(!f.c(QStringLiteral("Frame2"))->isVisible());
    QVERIFY(!f.attesa()->isVisible());
    QCOMPARE(f.c<QGroupBox>(QStringLiteral("Frame1"))->title(),
             QStringLiteral("Scegliere lo scenario"));
    QCOMPARE(f.file1()->palette().color(QPalette::Base), QColor(224, 224, 224));

    // The texts that carry double or trailing spaces, and the editor's initial texts.
    QVERIFY(f.testo_label(QStringLiteral("Label2"))
                .contains(QStringLiteral("se è a destra  o a sinistra")));
    QVERIFY(f.testo_label(QStringLiteral("Label2"))
                .contains(QStringLiteral("la sopraelevazione  in millimetri")));
    QCOMPARE(f.testo_label(QStringLiteral("Label12(0)")),
             QStringLiteral("Curve con raggio 10000 m "));
    QCOMPARE(f.testo_label(QStringLiteral("Label12(7)")),
             QStringLiteral("Curve con raggio 200 m "));
    QCOMPARE(f.text1()->text(), QStringLiteral("0"));
    const QStringList iniziali = {"0", "20", "40", "70", "100", "100", "100", "100"};
    for (int k = 0; k < 8; ++k) QCOMPARE(f.text4(k)->text(), iniziali[k]);
    QCOMPARE(f.c(QStringLiteral("Label11"))->font().pointSizeF(), 24.0);
    QCOMPARE(f.c(QStringLiteral("Command3"))->font().pointSizeF(), 9.75);
    QCOMPARE(f.file1()->font().pointSizeF(), QApplication::font().pointSizeF());
  }

  void ok_carica_il_file_scelto_per_ultimo() {
    finestra f(cartella_->path());
    f.clicca_file(QStringLiteral("Costa_Est_Esteso.si3"));
    QCOMPARE(f.testo_label(QStringLiteral("Label7")), QStringLiteral("Costa_Est_Esteso.si3"));
    QVERIFY(f.c(QStringLiteral("Command4"))->isEnabled());
    f.apri(QStringLiteral("Valle_Andata.si3"));

    QVERIFY(!f.c(QStringLiteral("Frame1"))->isVisible());
    QVERIFY(!f.c(QStringLiteral("Label1"))->isVisible());
    QVERIFY(f.c(QStringLiteral("Frame2"))->isVisible());
    QVERIFY(!f.attesa()->isVisible());
    QVERIFY(f.avvisi.isEmpty());

    const sopra::scenario_aperto atteso = valle();
    QCOMPARE(static_cast<std::size_t>(f.righe()), atteso.righe().size());
    for (int r = 0; r < f.righe(); ++r)
      QCOMPARE(f.riga(r),
               QString::fromStdString(std::string(atteso.righe()[static_cast<std::size_t>(r)])));
    QCOMPARE(f.list1()->currentIndex().row(), 0);
    QVERIFY(f.list1()->selectionModel()->isRowSelected(0));
    QCOMPARE(f.testo_label(QStringLiteral("Label4")), QStringLiteral("100"));
    QCOMPARE(f.text1()->text(), cant_field(f.riga(0)));
    QCOMPARE(f.form->focusWidget(), f.c(QStringLiteral("Command3")));
  }

  void selezionare_una_riga_non_scrive() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    for (int r = 0; r < f.righe(); r += 7) f.clicca_riga(r);
    const int ultima = f.righe() - 1;
    f.clicca_riga(ultima);
    QCOMPARE(f.testo_label(QStringLiteral("Label4")),
             QString::number(50 * (ultima + sopra::primo_tratto_elencato)));
    QCOMPARE(f.text1()->text(), cant_field(f.riga(ultima)));
    f.clicca(QStringLiteral("Command1"));
    QVERIFY(f.domande.isEmpty());
    QVERIFY(!f.form->isVisible());
  }

  void digitare_in_text1_riscrive_riga_e_tratto() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    const int riga = 10;
    const std::size_t tratto = riga + sopra::primo_tratto_elencato;
    const QString altre_prima = f.riga(riga + 1);
    f.clicca_riga(riga);
    QSignalSpy cambi(f.list1()->model(), &QAbstractItemModel::dataChanged);

    QLineEdit* t = f.text1();
    t->selectAll();
    QTest::keyClick(t, Qt::Key_Backspace);  // emptied: "0"
    QCOMPARE(t->text(), QStringLiteral("0"));
    t->selectAll();
    // Key by key, each step saved and read back from the section file.
    const struct {
      char tasto;
      const char* testo;
      std::int16_t dato1;
      std::int16_t dato2;
    } passi[] = {
        {'-', "-", 0, 0}, {'4', "-4", 15, -1}, {'5', "-45", 171, -1}, {'0', "-300", 1153, -1}};
    for (const auto& p : passi) {
      QTest::keyClicks(t, QString(QChar::fromLatin1(p.tasto)));
      QCOMPARE(t->text(), QString::fromLatin1(p.testo));
      QCOMPARE(cant_field(f.riga(riga)), QString::fromLatin1(p.testo));
      QVERIFY(f.form->findChild<QLabel*>(QStringLiteral("Label15"))->isHidden());
      f.clicca(QStringLiteral("Command3"));
      QVERIFY(f.avvisi.isEmpty());
      const sopra::scenario salvato = carica(percorso(QStringLiteral("Valle_Andata.si3")));
      const auto slot =
          sopra::ogg_tipo(salvato, static_cast<std::int32_t>(tratto), sopra::tipo_sopraelevazione);
      QVERIFY(slot);
      const sopra::oggetto& o = salvato.tratti[tratto].oggetti[static_cast<std::size_t>(*slot)];
      QCOMPARE(o.dato1, p.dato1);
      QCOMPARE(o.dato2, p.dato2);
      QVERIFY(!f.attesa()->isVisible());
    }
    QCOMPARE(f.riga(riga + 1), altre_prima);
    // Only the edited row was announced as changed, never the whole list.
    QVERIFY(!cambi.isEmpty());
    for (const QList<QVariant>& cambio : cambi) {
      QCOMPARE(cambio[0].toModelIndex().row(), riga);
      QCOMPARE(cambio[1].toModelIndex().row(), riga);
    }
  }

  void tratto_senza_slot_lo_dice_sul_posto() {
    const sopra::scenario_aperto aperto = valle();
    const sopra::scenario& store = aperto.store();
    // A listed section whose slots are all taken by other objects.
    int piena = -1;
    for (int r = 0; r < static_cast<int>(aperto.righe().size()) && piena < 0; ++r) {
      const auto s = r + sopra::primo_tratto_elencato;
      if (!sopra::ogg_tipo(store, s, sopra::tipo_vuoto) &&
          !sopra::ogg_tipo(store, s, sopra::tipo_sopraelevazione))
        piena = r;
    }
    QVERIFY2(piena >= 0, "the demo scenario must keep a full section for this test");

    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    auto* nota = f.c<QLabel>(QStringLiteral("Label15"));
    const QString prima = f.riga(piena);
    f.clicca_riga(piena);
    finestra::scrivi(f.text1(), QStringLiteral("25"));
    QVERIFY(nota->isVisible());
    QCOMPARE(f.riga(piena), prima);
    QVERIFY(f.avvisi.isEmpty());
    f.clicca_riga(piena == 0 ? 1 : 0);
    QVERIFY(!nota->isVisible());
  }

  void casella_di_classe_toglie_il_segno() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    QLineEdit* t = f.text4(3);
    t->setFocus();
    t->selectAll();
    QTest::keyClicks(t, QStringLiteral("-"));
    QCOMPARE(t->text(), QStringLiteral("-"));
    QTest::keyClicks(t, QStringLiteral("7"));
    QCOMPARE(t->text(), QStringLiteral("7"));
    QTest::keyClicks(t, QStringLiteral("5"));
    QCOMPARE(t->text(), QStringLiteral("75"));
  }

  void command6_applica_le_classi() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    finestra::scrivi(f.text4(0), QStringLiteral("500"));
    finestra::scrivi(f.text4(1), QStringLiteral("abc"));
    finestra::scrivi(f.text4(4), QStringLiteral("150x"));
    std::array<std::string, 8> testi;
    for (int k = 0; k < 8; ++k) testi[k] = f.text4(k)->text().toStdString();

    conta_pitture pitture;
    f.attesa()->installEventFilter(&pitture);
    QSignalSpy cambi(f.list1()->model(), &QAbstractItemModel::dataChanged);
    f.clicca(QStringLiteral("Command6"));

    sopra::scenario_aperto atteso = valle();
    const auto esito = atteso.applica_classi(testi);
    QCOMPARE(f.text4(0)->text(), QStringLiteral("200"));
    QCOMPARE(f.text4(1)->text(), QStringLiteral("0"));
    QCOMPARE(f.text4(4)->text(), QStringLiteral("150x"));
    for (int r = 0; r < f.righe(); ++r)
      QCOMPARE(f.riga(r),
               QString::fromStdString(std::string(atteso.righe()[static_cast<std::size_t>(r)])));
    QCOMPARE(f.text1()->text(), cant_field(f.riga(f.list1()->currentIndex().row())));
    // One change over all rows, and the panel was painted before the work and hidden after.
    QCOMPARE(cambi.size(), 1);
    QCOMPARE(cambi[0][0].toModelIndex().row(), 0);
    QCOMPARE(cambi[0][1].toModelIndex().row(), f.righe() - 1);
    QVERIFY(pitture.pitture > 0);
    QVERIFY(!f.attesa()->isVisible());
    if (esito.curve_senza_slot > 0) {
      QCOMPARE(f.avvisi.size(), 1);
      QVERIFY(f.avvisi[0].contains(QString::number(esito.posizioni_senza_slot.front())));
      QVERIFY(!f.panello_durante_avviso);
    } else {
      QVERIFY(f.avvisi.isEmpty());
    }

    // Saved, the file holds what the command left in memory.
    f.clicca(QStringLiteral("Command3"));
    QVERIFY(carica(percorso(QStringLiteral("Valle_Andata.si3"))).tratti == atteso.store().tratti);
  }

  void ordine_dei_tasti() {
    finestra f(cartella_->path());
    const auto giro = [&](int passi) {
      QStringList nomi;
      for (int i = 0; i < passi; ++i) {
        nomi.append(QApplication::focusWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      }
      return nomi;
    };
    // "OK" takes no focus while it is disabled; the folder button comes last.
    QCOMPARE(giro(4), (QStringList{"Command5", "File1", "Command7", "Command5"}));
    f.clicca_file(QStringLiteral("Valle_Andata.si3"));
    f.c(QStringLiteral("Command5"))->setFocus();
    QCOMPARE(giro(5), (QStringList{"Command5", "Command4", "File1", "Command7", "Command5"}));

    // The design tools follow the class boxes.
    f.clicca(QStringLiteral("Command4"));
    QCOMPARE(giro(15), (QStringList{"Command3", "List1", "Command1", "Text1", "Text4(0)",
                                    "Command6", "Text4(1)", "Text4(2)", "Text4(3)", "Text4(4)",
                                    "Text4(5)", "Text4(6)", "Text4(7)", "Text5(0)", "Text5(1)"}));
  }

  void uscita_chiede_solo_con_modifiche_non_salvate() {
    {
      finestra f(cartella_->path());
      f.clicca(QStringLiteral("Command5"));
      QVERIFY(!f.form->isVisible());
      QVERIFY(f.richieste_di_scelta.isEmpty());
    }
    const QString domanda =
        QStringLiteral("Le modifiche non salvate andranno perse. Uscire comunque?");
    const QStringList scelte = {"Salva ed esci", "Sì", "No"};
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    finestra::scrivi(f.text1(), QStringLiteral("33"));

    f.scelta = 2;
    f.clicca(QStringLiteral("Command1"));
    QCOMPARE(f.richieste_di_scelta, QStringList{domanda});
    QCOMPARE(f.scelte_mostrate, scelte);
    QVERIFY(f.form->isVisible());
    f.scelta = -1;    // the box closed: stays too
    f.form->close();  // the title bar's close asks the same
    QCOMPARE(f.richieste_di_scelta.size(), 2);
    QVERIFY(f.form->isVisible());

    f.clicca(QStringLiteral("Command3"));
    f.clicca(QStringLiteral("Command1"));
    QCOMPARE(f.richieste_di_scelta.size(), 2);
    QVERIFY(!f.form->isVisible());

    finestra g(cartella_->path());
    g.apri(QStringLiteral("Valle_Andata.si3"));
    finestra::scrivi(g.text1(), QStringLiteral("34"));
    g.scelta = 1;
    g.form->close();
    QCOMPARE(g.richieste_di_scelta.size(), 1);
    QVERIFY(!g.form->isVisible());

    // "Salva ed esci" writes the edit, then leaves.
    finestra h(cartella_->path());
    h.apri(QStringLiteral("Valle_Andata.si3"));
    finestra::scrivi(h.text1(), QStringLiteral("35"));
    h.scelta = 0;
    h.form->close();
    QVERIFY(!h.form->isVisible());
    QCOMPARE(sopra::millimetri_tratto(carica(percorso(QStringLiteral("Valle_Andata.si3"))),
                                      sopra::tratto_della_riga(0)),
             35);
  }

  void errore_di_caricamento_termina() {
    // A scenario whose name has no underscore has no line file.
    QVERIFY(QFile::copy(cartella_->filePath(QStringLiteral("Valle_Andata.si3")),
                        cartella_->filePath(QStringLiteral("Senzalinea.si3"))));
    const QStringList prima = QDir(cartella_->path()).entryList(QDir::Files);
    finestra f(cartella_->path());
    QSignalSpy termina(f.form.get(), &Form1::termina);
    f.apri(QStringLiteral("Senzalinea.si3"));
    QCOMPARE(f.avvisi.size(), 1);
    QVERIFY(!f.avvisi[0].isEmpty());
    QVERIFY(!f.panello_durante_avviso);
    QCOMPARE(termina.size(), 1);
    QCOMPARE(termina[0][0].toInt(), 1);
    QCOMPARE(QDir(cartella_->path()).entryList(QDir::Files), prima);
  }

  void errore_di_salvataggio_lascia_tutto_in_memoria() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    f.clicca_riga(3);
    finestra::scrivi(f.text1(), QStringLiteral("42"));
    const QString file_tratti = cartella_->filePath(QStringLiteral("Valle_Andata.da3"));
    QFile originale(file_tratti);
    QVERIFY(originale.open(QIODevice::ReadOnly));
    const QByteArray byte = originale.readAll();
    originale.close();
    // The section file's place is taken by a folder: the write must fail.
    QVERIFY(QFile::remove(file_tratti));
    QVERIFY(QDir(cartella_->path()).mkdir(QStringLiteral("Valle_Andata.da3")));

    f.clicca(QStringLiteral("Command3"));
    QCOMPARE(f.avvisi.size(), 1);
    QVERIFY(!f.panello_durante_avviso);
    QVERIFY(!f.attesa()->isVisible());
    QVERIFY(f.c(QStringLiteral("Frame2"))->isVisible());
    QCOMPARE(cant_field(f.riga(3)), QStringLiteral("42"));
    QCOMPARE(f.text1()->text(), QStringLiteral("42"));

    // Once the place is free again, "Salva" writes the edit.
    QVERIFY(QDir(cartella_->path()).rmdir(QStringLiteral("Valle_Andata.da3")));
    QFile rimesso(file_tratti);
    QVERIFY(rimesso.open(QIODevice::WriteOnly));
    rimesso.write(byte);
    rimesso.close();
    f.clicca(QStringLiteral("Command3"));
    QCOMPARE(f.avvisi.size(), 1);
    const sopra::scenario salvato = carica(percorso(QStringLiteral("Valle_Andata.si3")));
    const auto slot = sopra::ogg_tipo(salvato, 5, sopra::tipo_sopraelevazione);
    QVERIFY(slot);
    QCOMPARE(salvato.tratti[5].oggetti[static_cast<std::size_t>(*slot)].dato1, 160);
    f.clicca(QStringLiteral("Command1"));
    QVERIFY(f.domande.isEmpty());
  }

  // Another program sets a cant of 77 mm at `metri` and saves, as the batch
  // companion does (a new file renamed over the old one).
  void altro_programma(int metri, const char* mm) const {
    sopra::scenario_aperto altro = valle();
    const auto riga = sopra::riga_alla_posizione(metri, altro.quante_righe());
    QVERIFY(riga);
    QVERIFY(!altro.modifica_tratto(*riga, mm).senza_slot);
    QCOMPARE(altro.salva(), std::nullopt);
  }
  int mm_salvati(std::int32_t metri) const {
    return sopra::millimetri_tratto(carica(percorso(QStringLiteral("Valle_Andata.si3"))),
                                    metri / sopra::metri_tratto);
  }

  void le_modifiche_di_un_altro_programma_si_uniscono() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    altro_programma(1200, "77");
    // Told at once, by the watch on the file, with a reload offered.
    QTRY_COMPARE(f.testo_label(QStringLiteral("Label17")),
                 QStringLiteral("Valle_Andata.da3 è stato modificato da un altro programma."));
    QVERIFY(f.c(QStringLiteral("Command14"))->isVisible());

    f.clicca_riga(1500 / 50 - sopra::primo_tratto_elencato);
    finestra::scrivi(f.text1(), QStringLiteral("33"));
    f.clicca(QStringLiteral("Command3"));
    QVERIFY(f.avvisi.isEmpty());
    QVERIFY(f.richieste_di_scelta.isEmpty());
    QCOMPARE(f.testo_label(QStringLiteral("Label17")),
             QStringLiteral("Il file Valle_Andata.da3 era stato modificato da un altro programma: "
                            "le modifiche sono state unite (1 tratto)."));
    QCOMPARE(mm_salvati(1200), 77);
    QCOMPARE(mm_salvati(1500), 33);
    QCOMPARE(cant_field(f.riga(1200 / 50 - sopra::primo_tratto_elencato)), QStringLiteral("77"));
    QVERIFY(!f.c(QStringLiteral("Command14"))->isVisible());

    // With nothing unsaved, "Ricarica" reads the file again without asking.
    altro_programma(1200, "66");
    QTRY_VERIFY(f.c(QStringLiteral("Command14"))->isVisible());
    f.clicca(QStringLiteral("Command14"));
    QCOMPARE(cant_field(f.riga(1200 / 50 - sopra::primo_tratto_elencato)), QStringLiteral("66"));
    QVERIFY(!f.c(QStringLiteral("Command14"))->isVisible());
    f.clicca(QStringLiteral("Command1"));
    QVERIFY(f.domande.isEmpty());
  }

  void una_linea_cambiata_si_dice_e_il_salvataggio_chiede() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    const fs::path linea = percorso(QStringLiteral("Valle_linea.da3"));
    fs::last_write_time(linea, fs::last_write_time(linea) + std::chrono::hours(1));
    QTRY_VERIFY(f.testo_label(QStringLiteral("Label17"))
                    .startsWith(QStringLiteral("Valle_linea.da3 è stato modificato da un altro "
                                               "programma")));
    QVERIFY(f.c(QStringLiteral("Command14"))->isVisible());

    const auto prima = sopra::prova::leggi_file(percorso(QStringLiteral("Valle_Andata.da3")));
    finestra::scrivi(f.text1(), QStringLiteral("21"));
    f.risposta = false;
    f.clicca(QStringLiteral("Command3"));
    QCOMPARE(f.domande.size(), 1);
    QVERIFY(f.domande[0].endsWith(QStringLiteral("Salvare comunque le sopraelevazioni?")));
    QCOMPARE(sopra::prova::leggi_file(percorso(QStringLiteral("Valle_Andata.da3"))), prima);
    f.risposta = true;
    f.clicca(QStringLiteral("Command3"));
    QCOMPARE(f.domande.size(), 2);
    QVERIFY(sopra::prova::leggi_file(percorso(QStringLiteral("Valle_Andata.da3"))) != prima);
  }

  void un_conflitto_offre_tre_scelte() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    const int riga = 1200 / 50 - sopra::primo_tratto_elencato;
    f.clicca_riga(riga);
    finestra::scrivi(f.text1(), QStringLiteral("33"));
    altro_programma(1200, "77");

    // "Annulla": nothing written, the edit stays in memory.
    f.scelta = 2;
    f.clicca(QStringLiteral("Command3"));
    QCOMPARE(f.richieste_di_scelta.size(), 1);
    QVERIFY(f.richieste_di_scelta[0].contains(QStringLiteral("Posizioni in metri: 1200.")));
    QCOMPARE(f.scelte_mostrate, (QStringList{"Sovrascrivi", "Ricarica", "Annulla"}));
    QCOMPARE(mm_salvati(1200), 77);
    QCOMPARE(cant_field(f.riga(riga)), QStringLiteral("33"));
    QVERIFY(f.testo_label(QStringLiteral("Label17")).contains(QStringLiteral("non salvate")));

    // "Sovrascrivi": this window's cant wins.
    f.scelta = 0;
    f.clicca(QStringLiteral("Command3"));
    QCOMPARE(f.richieste_di_scelta.size(), 2);
    QCOMPARE(mm_salvati(1200), 33);

    // "Ricarica": the edit goes, the file is read as it is.
    finestra::scrivi(f.text1(), QStringLiteral("44"));
    altro_programma(1200, "88");
    f.scelta = 1;
    f.clicca(QStringLiteral("Command3"));
    QCOMPARE(f.richieste_di_scelta.size(), 3);
    QCOMPARE(mm_salvati(1200), 88);
    QCOMPARE(cant_field(f.riga(riga)), QStringLiteral("88"));
    QCOMPARE(f.text1()->text(), QStringLiteral("88"));
    f.clicca(QStringLiteral("Command1"));
    QVERIFY(f.domande.isEmpty());  // nothing unsaved
    QVERIFY(f.avvisi.isEmpty());
  }

  void colonne_allineate_sotto_le_intestazioni() {
    // Both layouts: the extended one writes a single TAB after a 10000 m curve.
    for (const char* nome : {"Valle_Andata.si3", "Costa_Est_Esteso.si3"}) {
      finestra f(cartella_->path());
      f.apri(QString::fromLatin1(nome));
      auto* delegato = qobject_cast<delegato_tratti*>(f.list1()->itemDelegate());
      QVERIFY(delegato);
      const QWidget* frame2 = f.c(QStringLiteral("Frame2"));
      const int origine =
          f.list1()->viewport()->mapTo(frame2, QPoint(delegato_tratti::margine, 0)).x();
      const int tipo = f.c(QStringLiteral("Label8"))->x() - origine;
      const int cant = f.c(QStringLiteral("Label9"))->x() - origine;
      for (int r = 0; r < f.righe(); ++r) {
        const QString testo = f.riga(r);
        QTextLayout disposizione(testo, f.list1()->font());
        disposizione.setTextOption(delegato->opzioni());
        disposizione.beginLayout();
        const QTextLine linea = disposizione.createLine();
        disposizione.endLayout();
        QCOMPARE(qRound(linea.cursorToX(testo.indexOf(u'\t') + 1)), tipo);
        QCOMPARE(qRound(linea.cursorToX(testo.lastIndexOf(u'\t') + 1)), cant);
      }
    }
  }
};

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
