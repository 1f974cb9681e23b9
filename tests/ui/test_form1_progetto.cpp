// The window's second part: a window that grows, the picture of the line, the
// design tools, undo and redo, and what the user is told.

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>
#include <algorithm>
#include <map>
#include <tuple>

#include "editing/csv.hpp"
#include "editing/elenco.hpp"
#include "editing/scenario_aperto.hpp"
#include "generatore_demo.hpp"
#include "progetto/relazione.hpp"
#include "test_form1_finestra.hpp"
#include "ui/modello_tratti.hpp"
#include "ui/vista_linea.hpp"

namespace {

// The controls that stand where the window's first layout puts them.
QStringList controlli_originali() {
  QStringList nomi = {"Label1",   "Label10", "Frame1",  "File1",    "Label7",   "Command4",
                      "Command5", "Frame2",  "Label3",  "Label8",   "Label9",   "List1",
                      "Frame3",   "Label2",  "Label6",  "Label4",   "Label5",   "Text1",
                      "Frame4",   "Label13", "Label14", "Command6", "Command3", "Command1"};
  for (int k = 0; k < 8; ++k)
    nomi << QStringLiteral("Label12(%1)").arg(k) << QStringLiteral("Text4(%1)").arg(k);
  return nomi;
}

QRect nella_finestra(const QWidget* w) {
  return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

QByteArray leggi(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestForm1Progetto : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> cartella_;
  QStringList righe(const finestra& f) const {
    QStringList r;
    for (int i = 0; i < f.righe(); ++i) r.append(f.riga(i));
    return r;
  }
  sopra::scenario_aperto valle() const {
    return sopra::scenario_aperto(carica(
        QFile::encodeName(cartella_->filePath(QStringLiteral("Valle_Andata.si3"))).toStdString()));
  }
  static void allarga(const finestra& f) {
    f.form->resize(f.form->dimensione_iniziale() + QSize(800, 200));
    QCoreApplication::processEvents();
  }

 private slots:
  void init() {
    cartella_ = std::make_unique<QTemporaryDir>();
    QVERIFY(cartella_->isValid());
    sopra::scrivi_cartella_demo(QFile::encodeName(cartella_->path()).toStdString());
  }
  void cleanup() { cartella_.reset(); }

  void prima_dimensione_e_finestra_che_cresce() {
    finestra f(cartella_->path());
    const auto px = [&](int twip) { return qRound(twip * f.form->logicalDpiX() / 1440.0); };
    QCOMPARE(f.form->size(), QSize(px(14235), px(10005)));
    QCOMPARE(f.form->minimumSize(), f.form->size());

    // Nothing added covers a control of the first layout, on either screen.
    const QStringList originali = controlli_originali();
    const auto nessuna_sovrapposizione = [&](const QStringList& aggiunti) {
      for (const QString& a : aggiunti) {
        const QWidget* nuovo = f.c(a);
        QVERIFY2(nuovo->isVisible(), qPrintable(a));
        for (const QString& o : originali) {
          const QWidget* vecchio = f.c(o);
          if (!vecchio->isVisible() || vecchio->isAncestorOf(nuovo)) continue;
          QVERIFY2(!nella_finestra(nuovo).intersects(nella_finestra(vecchio)),
                   qPrintable(a + QStringLiteral(" covers ") + o));
        }
      }
    };
    nessuna_sovrapposizione({"Label16", "Command7"});
    f.apri(QStringLiteral("Valle_Andata.si3"));
    nessuna_sovrapposizione({"Frame5", "Label17"});
    QVERIFY(!f.c(QStringLiteral("Frame6"))->isVisible());

    const struct {
      const char* nome;
      int sinistra, alto, larghezza, altezza;
    } posti[] = {{"Frame2", 180, 120, 11355, 9735},   {"List1", 120, 840, 4935, 7980},
                 {"Frame3", 5280, 180, 5955, 3795},   {"Frame4", 5280, 4080, 5955, 4395},
                 {"Command3", 5640, 8760, 1695, 495}, {"Command1", 8160, 8760, 1695, 495}};
    for (const auto& p : posti) {
      QCOMPARE(f.c(QString::fromLatin1(p.nome))->geometry(),
               QRect(px(p.sinistra), px(p.alto), px(p.larghezza), px(p.altezza)));
    }
    std::map<QString, QRect> prima;
    for (const QString& o : originali) prima[o] = f.c(o)->geometry();

    // Larger: more rows show and the picture appears; never below the first size.
    allarga(f);
    QCOMPARE(f.list1()->height(), prima["List1"].height() + 200);
    QVERIFY(f.c(QStringLiteral("Frame6"))->isVisible());
    QVERIFY(f.c(QStringLiteral("Vista1"))->height() > 200);
    f.form->resize(100, 100);
    QCOMPARE(f.form->size(), f.form->dimensione_iniziale());
    for (const QString& o : originali) QCOMPARE(f.c(o)->geometry(), prima[o]);
    QVERIFY(!f.c(QStringLiteral("Frame6"))->isVisible());
  }

  void la_vista_e_la_lista_si_seguono() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    allarga(f);
    auto* vista = f.c<VistaLinea>(QStringLiteral("Vista1"));
    const auto posizione = [](int riga) {
      return QString::number(sopra::posizione_tratto(sopra::tratto_della_riga(riga)));
    };
    for (const int riga : {57, 3}) {
      QTest::mouseClick(vista, Qt::LeftButton, {}, vista->punto_pianta(riga).toPoint());
      QCOMPARE(f.list1()->currentIndex().row(), riga);
      QCOMPARE(f.testo_label(QStringLiteral("Label4")), posizione(riga));
    }
    QTest::mouseClick(vista, Qt::LeftButton, {}, vista->punto_diagramma(20).toPoint());
    QCOMPARE(f.list1()->currentIndex().row(), 20);
    f.clicca_riga(90);
    QCOMPARE(vista->riga_selezionata(), 90);
    QCOMPARE(f.testo_label(QStringLiteral("Label17")), QString());  // selecting wrote nothing

    // "Salva immagine…" asks for the file through the window and writes it there.
    f.file_immagine = cartella_->filePath(QStringLiteral("linea.png"));
    const QList<QPushButton*> pulsanti = vista->findChildren<QPushButton*>();
    const auto salva = std::ranges::find_if(
        pulsanti, [](const QPushButton* p) { return p->text().startsWith("Salva immagine"); });
    QVERIFY(salva != pulsanti.end());
    (*salva)->click();
    QVERIFY(f.immagine_proposta.endsWith(QStringLiteral("Valle_Andata.png")));
    QVERIFY(!QImage(f.file_immagine).isNull());
    QVERIFY(f.avvisi.isEmpty());
  }

  void annulla_e_ripeti_ogni_passo() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    const QString file_tratti = cartella_->filePath(QStringLiteral("Valle_Andata.da3"));
    const QByteArray byte_iniziali = leggi(file_tratti);
    auto* annulla = f.c<QPushButton>(QStringLiteral("Command11"));
    auto* ripeti = f.c<QPushButton>(QStringLiteral("Command12"));
    const QStringList iniziali = righe(f);
    QVERIFY(!annulla->isEnabled() && !ripeti->isEnabled());

    // A burst of typing on one row is one step; the box's own undo keys are the window's.
    f.clicca_riga(10);
    const QString cant_iniziale = f.text1()->text();
    finestra::scrivi(f.text1(), QStringLiteral("45"));
    const QStringList dopo_tratto = righe(f);
    QTest::keyClick(f.text1(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(righe(f), iniziali);
    QCOMPARE(f.text1()->text(), cant_iniziale);
    QVERIFY(!annulla->isEnabled() && ripeti->isEnabled());
    QCOMPARE(f.testo_label(QStringLiteral("Label17")), QString());
    QTest::keyClick(f.text1(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(righe(f), dopo_tratto);
    QCOMPARE(f.text1()->text(), QStringLiteral("45"));
    QCOMPARE(f.testo_label(QStringLiteral("Label17")), QStringLiteral("Modifiche non salvate"));

    // The class command: the boxes go back to the texts it was given.
    finestra::scrivi(f.text4(0), QStringLiteral("500"));
    f.clicca(QStringLiteral("Command6"));
    QCOMPARE(f.text4(0)->text(), QStringLiteral("200"));
    const QStringList dopo_classi = righe(f);
    f.clicca(QStringLiteral("Command11"));
    QCOMPARE(righe(f), dopo_tratto);
    QCOMPARE(f.text4(0)->text(), QStringLiteral("500"));
    f.clicca(QStringLiteral("Command12"));
    QCOMPARE(righe(f), dopo_classi);
    QCOMPARE(f.text4(0)->text(), QStringLiteral("200"));

    // The ramps, with the keys on the list.
    f.clicca(QStringLiteral("Command9"));
    const QStringList dopo_raccordi = righe(f);
    QVERIFY(dopo_raccordi != dopo_classi);
    f.list1()->setFocus();
    QTest::keyClick(f.list1(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(righe(f), dopo_classi);
    QTest::keyClick(f.list1(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(righe(f), dopo_raccordi);

    // Saved, then taken back to the loaded state: unsaved again; saved once
    // more, the file holds its first bytes and leaving asks nothing.
    QTest::keyClick(f.list1(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(f.testo_label(QStringLiteral("Label17"))
                .startsWith(QStringLiteral("Salvato: Valle_Andata.da3 alle ")));
    QVERIFY(leggi(file_tratti) != byte_iniziali);
    for (int passo = 0; passo < 3; ++passo) f.clicca(QStringLiteral("Command11"));
    QCOMPARE(righe(f), iniziali);
    QVERIFY(!annulla->isEnabled());
    QCOMPARE(f.testo_label(QStringLiteral("Label17")), QStringLiteral("Modifiche non salvate"));
    QTest::keyClick(f.list1(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(leggi(file_tratti), byte_iniziali);
    f.clicca(QStringLiteral("Command12"));
    f.clicca(QStringLiteral("Command11"));

    // Typing that a save interrupts is two steps: undo comes back to what was saved.
    f.clicca_riga(12);
    f.text1()->selectAll();
    QTest::keyClicks(f.text1(), QStringLiteral("3"));
    QTest::keyClick(f.text1(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClicks(f.text1(), QStringLiteral("7"));
    QTest::keyClick(f.text1(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(cant_field(f.riga(12)), QStringLiteral("3"));
    QVERIFY(f.testo_label(QStringLiteral("Label17")).startsWith(QStringLiteral("Salvato: ")));
    f.clicca(QStringLiteral("Command1"));
    QVERIFY(f.domande.isEmpty());
    QVERIFY(!f.form->isVisible());
  }

  void proponi_riempie_le_caselle() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    allarga(f);
    // Without the fastest speed there is nothing to propose.
    f.clicca(QStringLiteral("Command8"));
    QCOMPARE(f.avvisi, QStringList{QString::fromUtf8(sopra::testo_senza_velocita.data())});
    QCOMPARE(f.text4(7)->text(), QStringLiteral("100"));

    finestra::scrivi(f.c<QLineEdit>(QStringLiteral("Text5(0)")), QStringLiteral("120"));
    f.clicca(QStringLiteral("Command8"));
    const QStringList attese = {"15", "25", "50", "115", "160", "160", "160", "160"};
    auto* tabella = f.c<QTableWidget>(QStringLiteral("Grid1"));
    for (int k = 0; k < 8; ++k) {
      QCOMPARE(f.text4(k)->text(), attese[k]);
      QCOMPARE(tabella->item(k, 2)->text(), attese[k]);
      // The classes from 490 m down cannot serve 120 km/h: highlighted.
      QCOMPARE(tabella->item(k, 0)->background() != QBrush(), k >= 4);
    }
    QCOMPARE(f.avvisi.size(), 1);

    // The greatest cant limits the proposal; a value the core refuses (beyond what
    // a section holds, or not whole mm) is not used, and the box says why.
    auto* massima = f.c<QLineEdit>(QStringLiteral("Text5(2)"));
    for (const auto& [testo, attesa, motivo] :
         {std::tuple{"100", "100", ""}, std::tuple{"400", "160", "Non può superare 300 mm."},
          std::tuple{"100.5", "160", "Vuole un numero intero di millimetri."}}) {
      finestra::scrivi(massima, QString::fromLatin1(testo));
      f.clicca(QStringLiteral("Command8"));
      QCOMPARE(f.text4(7)->text(), QString::fromLatin1(attesa));
      QCOMPARE(massima->toolTip(), QString::fromUtf8(motivo));
    }
  }

  void verifica_segna_righe_e_problemi() {
    const sopra::scenario_aperto aperto = valle();
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    allarga(f);
    f.clicca(QStringLiteral("Command10"));
    auto* problemi = f.c<QAbstractItemView>(QStringLiteral("List2"));
    const int trovati = problemi->model()->rowCount();
    const std::vector<sopra::problema> gia = aperto.verifica({});
    QCOMPARE(static_cast<std::size_t>(trovati), gia.size());
    QVERIFY(trovati > 0);
    const auto errori =
        std::ranges::count_if(gia, [](const auto& p) { return sopra::errore(p.codice); });
    QVERIFY(f.testo_label(QStringLiteral("Label20"))
                .startsWith(QStringLiteral("%1 error").arg(errori)));

    // A click on a problem selects its row, which carries a mark.
    const QModelIndex ultimo = problemi->model()->index(trovati - 1, 0);
    problemi->scrollTo(ultimo);
    QTest::mouseClick(problemi->viewport(), Qt::LeftButton, {},
                      problemi->visualRect(ultimo).center());
    const int riga = static_cast<int>(sopra::riga_del_tratto(
        *sopra::tratto_alla_posizione(ultimo.data(modello_problemi::ruolo_posizione).toInt())));
    QCOMPARE(f.list1()->currentIndex().row(), riga);
    QCOMPARE(f.c<VistaLinea>(QStringLiteral("Vista1"))->riga_selezionata(), riga);
    QVERIFY(f.list1()->model()->index(riga, 0).data(modello_tratti::ruolo_segno).toInt() != 0);

    // Cant on the inner rail of a left-hand bend: an error, found without asking.
    int curva = -1;
    for (std::size_t r = 0; r < aperto.righe().size() && curva < 0; ++r) {
      const auto metri = sopra::posizione_tratto(sopra::tratto_della_riga(r));
      if (aperto.geometria().curva(r) && aperto.geometria().raggio(r) > 0 &&
          std::ranges::none_of(gia, [&](const auto& p) { return p.posizione == metri; }))
        curva = static_cast<int>(r);
    }
    QVERIFY(curva >= 0);
    f.clicca_riga(curva);
    finestra::scrivi(f.text1(), QStringLiteral("-20"));
    QVERIFY(problemi->model()->rowCount() > trovati);
    QCOMPARE(f.list1()->model()->index(curva, 0).data(modello_tratti::ruolo_segno).toInt(),
             static_cast<int>(segno_riga::errore));
  }

  void la_tabella_della_proposta_segue_i_parametri() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    allarga(f);
    auto* velocita = f.c<QLineEdit>(QStringLiteral("Text5(0)"));
    auto* tabella = f.c<QTableWidget>(QStringLiteral("Grid1"));
    finestra::scrivi(velocita, QStringLiteral("120"));
    f.clicca(QStringLiteral("Command8"));
    const QString a_120 = tabella->item(7, 1)->text();
    // A new V: the equilibrium of the tightest class follows without "Proponi".
    finestra::scrivi(velocita, QStringLiteral("80"));
    QVERIFY(tabella->item(7, 1) != nullptr);
    QVERIFY(tabella->item(7, 1)->text() != a_120);
    QCOMPARE(tabella->item(7, 1)->text(),
             QStringLiteral("%1").arg(11.8 * 80 * 80 / 200, 0, 'f', 1));
    // No speed: no figures rather than stale ones.
    finestra::scrivi(velocita, QStringLiteral("0"));
    QVERIFY(tabella->item(7, 1) == nullptr);
  }

  void le_caselle_dei_parametri_rifiutano_cio_che_il_nucleo_rifiuta() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    const auto casella = [&](int k) { return f.c<QLineEdit>(QStringLiteral("Text5(%1)").arg(k)); };
    const auto rossa = [&](int k) {
      return casella(k)->palette().color(QPalette::Text) == QColor(200, 0, 0);
    };
    for (const auto& [k, testo, motivo] :
         {std::tuple{0, "abc", "Vuole un numero."}, std::tuple{0, "", "Vuole un numero."},
          std::tuple{5, "0", "Deve essere maggiore di 0."},
          std::tuple{6, "0", "Deve essere maggiore di 0."}}) {
      const QString prima = casella(k)->text();
      finestra::scrivi(casella(k), QString::fromLatin1(testo));
      QCOMPARE(casella(k)->toolTip(), QString::fromUtf8(motivo));
      QVERIFY(rossa(k));
      finestra::scrivi(casella(k), prima);
      QVERIFY(!rossa(k));
    }
    // v above V: the slowest speed is the one refused, and is back once V rises.
    finestra::scrivi(casella(0), QStringLiteral("120"));
    finestra::scrivi(casella(1), QStringLiteral("130"));
    QCOMPARE(casella(1)->toolTip(), QStringLiteral("Non può superare la velocità massima."));
    QVERIFY(rossa(1) && !rossa(0));
    finestra::scrivi(casella(0), QStringLiteral("140"));
    QVERIFY(!rossa(1));
  }

  void ctrl_z_in_una_casella_annulla_prima_la_casella() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    f.clicca_riga(10);
    finestra::scrivi(f.text1(), QStringLiteral("45"));
    const QStringList dopo_tratto = righe(f);
    const QString classe = f.text4(0)->text();
    for (QLineEdit* casella : {f.text4(0), f.c<QLineEdit>(QStringLiteral("Text5(3)"))}) {
      const QString prima = casella->text();
      finestra::scrivi(casella, QStringLiteral("77"));
      QTest::keyClick(casella, Qt::Key_Z, Qt::ControlModifier);
      QCOMPARE(casella->text(), prima);
      QCOMPARE(righe(f), dopo_tratto);
    }
    QCOMPARE(f.text4(0)->text(), classe);

    // The scenario's undo brings its step into view: the row edited, far from
    // the one selected now.
    const int lontana = f.righe() - 1;
    f.clicca_riga(lontana);
    f.list1()->setFocus();
    QTest::keyClick(f.list1(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(righe(f) != dopo_tratto);
    QCOMPARE(f.list1()->currentIndex().row(), 10);
    QVERIFY(f.list1()->viewport()->rect().intersects(
        f.list1()->visualRect(f.list1()->model()->index(10, 0))));
  }

  void schermo_piccolo_nome_dello_scenario_e_traduzioni() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    // Which scenario is open, and where.
    auto* nome = f.c<QLabel>(QStringLiteral("Label24"));
    QVERIFY(nome->text().startsWith(QStringLiteral("Valle_Andata.si3")));
    QVERIFY(
        nome->toolTip().contains(QDir::toNativeSeparators(QDir(cartella_->path()).absolutePath())));

    // A 1366 × 768 screen: the problems keep a readable width and every column
    // of the proposal can be reached.
    f.form->resize(1366 - 8, 768 - 60);
    QCoreApplication::processEvents();
    QVERIFY(f.c(QStringLiteral("Frame6"))->isVisible());
    auto* problemi = f.c<QAbstractItemView>(QStringLiteral("List2"));
    QVERIFY2(problemi->width() >= 180, qPrintable(QString::number(problemi->width())));
    auto* tabella = f.c<QTableWidget>(QStringLiteral("Grid1"));
    QVERIFY(tabella->horizontalHeader()->length() <= tabella->viewport()->width() ||
            tabella->horizontalScrollBar()->maximum() > 0);

    // Qt's own buttons in Italian.
    QVERIFY(installa_traduzioni_qt(*QCoreApplication::instance()));
    QMessageBox scatola(QMessageBox::Question, QString(), QString(),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(scatola.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Sì"));
    QCOMPARE(scatola.button(QMessageBox::No)->text().remove(u'&'), QStringLiteral("No"));
    QCOMPARE(scatola.button(QMessageBox::Cancel)->text().remove(u'&'), QStringLiteral("Annulla"));
  }

  void progetta_e_annulla_ridanno_gli_stessi_byte() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    const QString file_tratti = cartella_->filePath(QStringLiteral("Valle_Andata.da3"));
    const QByteArray byte_iniziali = leggi(file_tratti);
    const QStringList iniziali = righe(f);
    finestra::scrivi(f.c<QLineEdit>(QStringLiteral("Text5(0)")), QStringLiteral("160"));
    f.clicca(QStringLiteral("Command15"));
    QVERIFY(f.avvisi.isEmpty());
    QVERIFY(righe(f) != iniziali);
    auto* esito = f.c<QTextBrowser>(QStringLiteral("Label21"));
    QVERIFY(esito->toPlainText().startsWith(QStringLiteral("Progetto: ")));
    // Every section the design lowered or pinned is in the problem list, and
    // a position of the summary selects its row.
    auto* problemi = f.c<QAbstractItemView>(QStringLiteral("List2"));
    const int voci = problemi->model()->rowCount();
    const QRegularExpression collegamento(QStringLiteral(R"x(href="(\d+)")x"));
    const QRegularExpressionMatch primo = collegamento.match(esito->toHtml());
    if (primo.hasMatch()) {
      QVERIFY(voci > 0);
      emit esito->anchorClicked(QUrl(primo.captured(1)));
      const auto riga = sopra::riga_alla_posizione(primo.captured(1).toLongLong(), f.righe());
      QCOMPARE(f.list1()->currentIndex().row(), static_cast<int>(*riga));
    }
    f.list1()->setFocus();
    QTest::keyClick(f.list1(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(righe(f), iniziali);
    QCOMPARE(esito->toPlainText(), QString());
    QCOMPARE(problemi->model()->rowCount(), 0);
    f.clicca(QStringLiteral("Command3"));
    QCOMPARE(leggi(file_tratti), byte_iniziali);
  }

  void relazione_delle_curve_in_tabella_e_su_file() {
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    allarga(f);
    finestra::scrivi(f.c<QLineEdit>(QStringLiteral("Text5(0)")), QStringLiteral("100"));
    f.c<QTabWidget>(QStringLiteral("Tab1"))->setCurrentIndex(1);
    auto* tabella = f.c<QTableWidget>(QStringLiteral("Grid2"));
    sopra::parametri_progetto p;
    p.velocita_massima = 100;
    sopra::scenario_aperto aperto = valle();
    const auto curve = sopra::relazione_curve(aperto.store(), aperto.geometria(), p,
                                              sopra::profilo_velocita::da_parametri(p));
    QCOMPARE(tabella->rowCount(), static_cast<int>(curve.size()));
    QVERIFY(curve.size() > 2);
    // A click on a curve selects its first row.
    const int scelta = static_cast<int>(curve.size()) - 2;
    tabella->scrollToItem(tabella->item(scelta, 0));
    QTest::mouseClick(tabella->viewport(), Qt::LeftButton, {},
                      tabella->visualRect(tabella->model()->index(scelta, 0)).center());
    QCOMPARE(f.list1()->currentIndex().row(),
             static_cast<int>(*sopra::riga_alla_posizione(curve[scelta].inizio, f.righe())));
    // The table follows an edit a moment after it.
    for (int k = 0; k < 8; ++k) finestra::scrivi(f.text4(k), QStringLiteral("77"));
    f.clicca(QStringLiteral("Command6"));
    QTRY_COMPARE(tabella->item(scelta, 5)->text(), QStringLiteral("77"));
    f.avvisi.clear();  // the class command's note on the curves without a free slot

    // "Esporta relazione…" writes what the batch companion prints.
    f.file_relazione = cartella_->filePath(QStringLiteral("relazione.csv"));
    f.clicca(QStringLiteral("Command16"));
    sopra::scenario_aperto uguale = valle();
    std::array<std::string, sopra::numero_classi> settantasette;
    settantasette.fill("77");
    uguale.applica_classi(settantasette);
    const std::string atteso = sopra::testo_csv_relazione(sopra::relazione_curve(
        uguale.store(), uguale.geometria(), p, sopra::profilo_velocita::da_parametri(p)));
    QVERIFY(f.avvisi.isEmpty());
    QCOMPARE(leggi(f.file_relazione), QByteArray::fromStdString(atteso));
    f.file_relazione = cartella_->filePath(QStringLiteral("manca/relazione.csv"));
    f.clicca(QStringLiteral("Command16"));
    QCOMPARE(f.avvisi.size(), 1);
    QVERIFY(f.avvisi[0].contains(QStringLiteral("relazione.csv")));
  }

  void velocita_lungo_la_linea_dal_file_al_file() {
    const QString file = cartella_->filePath(QStringLiteral("Valle_Andata.velocita.csv"));
    {
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("# posizione;V;v\n0;120;60\n4000;90\n");
    }
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    auto* tabella = f.c<QTableWidget>(QStringLiteral("Grid3"));
    QCOMPARE(tabella->rowCount(), 2);
    QCOMPARE(tabella->item(1, 0)->text(), QStringLiteral("4000"));
    QCOMPARE(tabella->item(1, 2)->text(), QString());

    // A stretch that does not rise in position is red, with the core's reason.
    tabella->item(1, 0)->setText(QStringLiteral("0"));
    QCOMPARE(tabella->item(1, 0)->foreground().color(), QColor(200, 0, 0));
    QVERIFY(tabella->item(0, 0)->foreground().color() != QColor(200, 0, 0));
    QVERIFY(tabella->item(1, 0)->toolTip().contains(QStringLiteral("Valle_Andata.velocita.csv")));
    QCOMPARE(f.testo_label(QStringLiteral("Label17")), QStringLiteral("Modifiche non salvate"));
    tabella->item(1, 0)->setText(QStringLiteral("5000"));
    tabella->item(1, 1)->setText(QStringLiteral("80.5"));
    QVERIFY(f.testo_label(QStringLiteral("Label25")).isEmpty());
    // A new stretch starts at the selected row, at the speeds of the boxes.
    finestra::scrivi(f.c<QLineEdit>(QStringLiteral("Text5(0)")), QStringLiteral("100"));
    f.clicca_riga(150);
    f.clicca(QStringLiteral("Command17"));
    QCOMPARE(tabella->rowCount(), 3);
    QVERIFY(f.testo_label(QStringLiteral("Label25")).isEmpty());

    // "Salva" writes the table as the core writes a profile; opened again, the same table.
    f.clicca(QStringLiteral("Command3"));
    const std::int64_t da = sopra::posizione_tratto(sopra::tratto_della_riga(150));
    const sopra::profilo_velocita atteso({{0, 120, 60}, {5000, 80.5, 0}, {da, 100, 0}});
    QCOMPARE(leggi(file), QByteArray::fromStdString(sopra::testo_profilo(atteso)));
    QVERIFY(!f.testo_label(QStringLiteral("Label17")).startsWith(QStringLiteral("Modifiche")));
    finestra g(cartella_->path());
    g.apri(QStringLiteral("Valle_Andata.si3"));
    auto* di_nuovo = g.c<QTableWidget>(QStringLiteral("Grid3"));
    QCOMPARE(di_nuovo->rowCount(), 3);
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c)
        QCOMPARE(di_nuovo->item(r, c)->text(), tabella->item(r, c)->text());
  }

  void nota_sul_testo_e_cartella_scelta() {
    finestra f(cartella_->path());
    // Giving up the folder dialog changes nothing.
    f.clicca(QStringLiteral("Command7"));
    QCOMPARE(f.file1()->count(), 4);

    QTemporaryDir altra;
    QVERIFY(altra.isValid());
    for (const char* nome : {"Valle_Andata.si3", "Valle_Andata.da3", "Valle_linea.da3"})
      QVERIFY(QFile::copy(cartella_->filePath(QString::fromLatin1(nome)),
                          altra.filePath(QString::fromLatin1(nome))));
    f.clicca_file(QStringLiteral("Valle_Ritorno.si3"));
    f.cartella_scelta = altra.path();
    f.clicca(QStringLiteral("Command7"));
    QCOMPARE(f.file1()->count(), 1);
    QCOMPARE(f.c(QStringLiteral("Label16"))->toolTip(), QDir::toNativeSeparators(altra.path()));
    QVERIFY(!f.c(QStringLiteral("Command4"))->isEnabled());
    QCOMPARE(f.testo_label(QStringLiteral("Label7")), QString());
    f.apri(QStringLiteral("Valle_Andata.si3"));

    // A text that is not wholly a number: the row keeps it, the note tells the value.
    auto* nota = f.c<QLabel>(QStringLiteral("Label18"));
    f.clicca_riga(5);
    const struct {
      const char* testo;
      const char* nota;
    } casi[] = {{"12,5", "Letto come 12 mm"}, {"abc", "Letto come 0 mm"}, {"12", nullptr}};
    for (const auto& c : casi) {
      finestra::scrivi(f.text1(), QString::fromLatin1(c.testo));
      QCOMPARE(cant_field(f.riga(5)), QString::fromLatin1(c.testo));
      QCOMPARE(nota->isVisible(), c.nota != nullptr);
      if (c.nota != nullptr) QCOMPARE(nota->text(), QString::fromLatin1(c.nota));
    }

    // Saved where it was read.
    const QByteArray qui = leggi(cartella_->filePath(QStringLiteral("Valle_Andata.da3")));
    f.clicca(QStringLiteral("Command3"));
    QVERIFY(leggi(altra.filePath(QStringLiteral("Valle_Andata.da3"))) != qui);
    QCOMPARE(leggi(cartella_->filePath(QStringLiteral("Valle_Andata.da3"))), qui);
  }

  void avvisi_di_caricamento_una_volta() {
    // A section file with a partial record at its end: loading goes on and says so.
    QFile tratti(cartella_->filePath(QStringLiteral("Valle_Andata.da3")));
    QVERIFY(tratti.open(QIODevice::Append));
    QVERIFY(tratti.write("xyz", 3) == 3);
    tratti.close();
    finestra f(cartella_->path());
    f.apri(QStringLiteral("Valle_Andata.si3"));
    QCOMPARE(f.avvisi.size(), 1);
    QVERIFY(f.avvisi[0].contains(QStringLiteral("Valle_Andata.da3")));
    QVERIFY(!f.panello_durante_avviso);
    QVERIFY(f.righe() > 0);
  }
};

QTEST_MAIN(TestForm1Progetto)
#include "test_form1_progetto.moc"
