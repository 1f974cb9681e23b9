// The picture of the line driven with the mouse and read back from its pixels,
// on scenarios built in memory, and its frame time on the longest line.

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>
#include <string>
#include <tuple>

#include "analysis/geometria_linea.hpp"
#include "analysis/sopraelevazione.hpp"
#include "editing/scenario_aperto.hpp"
#include "editing/scenario_di_prova.hpp"
#include "progetto/condizioni.hpp"
#include "progetto/profilo.hpp"
#include "progetto/progetto.hpp"
#include "progetto/verifica.hpp"
#include "ui/albero_linea.hpp"
#include "ui/vista_linea.hpp"

namespace {

using namespace sopra;

// 60 sections on a straight line with a left-hand 490 m curve on sections 20 .. 27,
// a right-hand 1000 m curve on sections 40 .. 45 and a junction at section 33.
scenario linea_di_prova() {
  scenario s = prova::scenario_rettilineo(60);
  for (std::int32_t t = 20; t <= 27; ++t) prova::metti_curva(s, t, 490);
  for (std::int32_t t = 40; t <= 45; ++t) prova::metti_curva(s, t, -1000);
  prova::metti_bivio(s, 33);
  return s;
}

int riga(std::int32_t tratto) {
  return static_cast<int>(riga_del_tratto(tratto));
}

// How far apart two colours are, channel by channel.
int distanza(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
         std::abs(a.blue() - b.blue());
}

bool dentro(const QRectF& area, QPointF p) {
  return area.adjusted(-0.5, -0.5, 0.5, 0.5).contains(p);
}

}  // namespace

class TestVistaLinea : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    aperto = std::make_unique<scenario_aperto>(linea_di_prova());
    vista = std::make_unique<VistaLinea>();
    vista->resize(800, 560);
    vista->show();
    QVERIFY(QTest::qWaitForWindowExposed(vista.get()));
    vista->mostra(aperto.get());
  }
  void cleanup() {
    vista.reset();
    aperto.reset();
  }

  // A click beside a section's point in the plan, or over its step in the
  // diagram, selects its row; a click away from the track or a drag selects nothing.
  void un_clic_sceglie_la_riga() {
    QSignalSpy scelte(vista.get(), &VistaLinea::riga_scelta);
    const int righe = static_cast<int>(aperto->righe().size());
    for (int r : {0, 5, riga(24), riga(33), righe - 1}) {
      QTest::mouseClick(vista.get(), Qt::LeftButton, {},
                        (vista->punto_pianta(r) + QPointF(2, 3)).toPoint());
      QCOMPARE(scelte.size(), 1);
      QCOMPARE(scelte.takeFirst().at(0).toInt(), r);
      QCOMPARE(vista->riga_selezionata(), r);
      const int q = (r + 7) % righe;
      QTest::mouseClick(
          vista.get(), Qt::LeftButton, {},
          QPoint(int(vista->punto_diagramma(q).x()), int(vista->area_diagramma().center().y())));
      QCOMPARE(scelte.size(), 1);
      QCOMPARE(scelte.takeFirst().at(0).toInt(), q);
    }
    const QPointF lontano = vista->punto_pianta(10) + QPointF(0, 60);
    QTest::mouseClick(vista.get(), Qt::LeftButton, {}, lontano.toPoint());
    QCOMPARE(scelte.size(), 0);

    const QPointF prima = vista->punto_pianta(10);
    QTest::mousePress(vista.get(), Qt::LeftButton, {}, prima.toPoint());
    QMouseEvent muovi(QEvent::MouseMove, prima + QPointF(40, 10), vista->mapToGlobal(prima),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vista.get(), &muovi);
    QTest::mouseRelease(vista.get(), Qt::LeftButton, {}, (prima + QPointF(40, 10)).toPoint());
    QCOMPARE(scelte.size(), 0);
    QVERIFY(std::abs(vista->punto_pianta(10).x() - prima.x() - 40) < 1);
  }

  // The wheel zooms about the pointer; zooming about the selection, choosing a
  // row out of sight and fitting the line all keep the selection in view.
  void lo_zoom_tiene_in_vista_la_scelta() {
    const QPointF sotto = vista->punto_pianta(riga(40));
    QWheelEvent rotella(sotto, vista->mapToGlobal(sotto), {}, QPoint(0, 240), Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(vista.get(), &rotella);
    QVERIFY(QLineF(vista->punto_pianta(riga(40)), sotto).length() < 1);

    const int r = riga(24);
    vista->seleziona(r);
    for (int volta = 0; volta < 8; ++volta) {
      vista->ingrandisci(2);
      QVERIFY(dentro(vista->area_pianta(), vista->punto_pianta(r)));
      QVERIFY(dentro(vista->area_diagramma(), vista->punto_diagramma(r)));
    }
    const int lontana = static_cast<int>(aperto->righe().size()) - 1;
    QVERIFY(!dentro(vista->area_diagramma(), vista->punto_diagramma(lontana)));
    vista->seleziona(lontana);
    QVERIFY(dentro(vista->area_pianta(), vista->punto_pianta(lontana)));
    QVERIFY(dentro(vista->area_diagramma(), vista->punto_diagramma(lontana)));
    vista->adatta();
    for (int q : {0, r, lontana}) {
      QVERIFY(dentro(vista->area_pianta(), vista->punto_pianta(q)));
      QVERIFY(dentro(vista->area_diagramma(), vista->punto_diagramma(q)));
    }
    // With the whole line in view, choosing its first or last row moves nothing.
    const QPointF intera = vista->punto_pianta(0);
    for (int q : {0, lontana}) {
      vista->seleziona(q);
      QVERIFY(QLineF(vista->punto_pianta(0), intera).length() < 1);
    }
  }

  // The plan shows each curve in its side's colour where it lies, and the
  // diagram follows every edit and the class command.
  void i_colori_e_i_gradini_seguono_lo_store() {
    const QImage schermo = vista->grab().toImage();
    // How near the colour `atteso` comes within a pixel of the middle of row r's stretch.
    auto scarto = [&](int r, QColor atteso) {
      const QPointF m = (vista->punto_pianta(r) + vista->punto_pianta(r + 1)) / 2;
      int migliore = 1000;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          migliore = std::min(
              migliore, distanza(schermo.pixelColor(int(m.x()) + dx, int(m.y()) + dy), atteso));
      return migliore;
    };
    QVERIFY(scarto(riga(24), VistaLinea::colore_tratto(+1, 4)) < 20);
    QVERIFY(scarto(riga(42), VistaLinea::colore_tratto(-1, 3)) < 20);
    QVERIFY(scarto(riga(10), VistaLinea::colore_tratto(0, 0)) < 20);
    QVERIFY(scarto(riga(10), VistaLinea::colore_tratto(+1, 4)) > 100);
    QVERIFY(distanza(VistaLinea::colore_tratto(+1, 4), VistaLinea::colore_tratto(-1, 4)) > 150);
    QVERIFY(VistaLinea::colore_tratto(+1, 7).lightness() <
            VistaLinea::colore_tratto(+1, 0).lightness());

    const double zero = vista->punto_diagramma(0).y();
    aperto->modifica_tratto(5, "120");
    vista->aggiorna_riga(5);
    const double y120 = vista->punto_diagramma(5).y();
    QVERIFY(y120 < zero - 20);
    // Every row's step stands at its section's cant, as the store holds it now.
    auto coerente = [&] {
      for (int r = 0; r < int(aperto->righe().size()); ++r) {
        const std::int32_t mm = millimetri_tratto(aperto->store(), tratto_della_riga(r));
        if (std::abs(vista->punto_diagramma(r).y() - (zero - (zero - y120) * mm / 120.0)) > 0.01)
          return false;
      }
      return true;
    };
    aperto->applica_classi({"10", "20", "30", "40", "50", "60", "70", "80"});
    vista->aggiorna();
    QVERIFY(coerente());
    const auto indietro = aperto->annulla();
    QVERIFY(indietro && !indietro->righe.empty());
    QVERIFY(!coerente());
    vista->aggiorna_righe(indietro->righe);
    QVERIFY(coerente());
    const auto avanti = aperto->ripeti();
    QVERIFY(avanti);
    vista->aggiorna_righe(avanti->righe);
    QVERIFY(coerente());
    QVERIFY(vista->punto_diagramma(riga(24)).y() < zero);  // left-hand: right rail raised
    QVERIFY(vista->punto_diagramma(riga(42)).y() > zero);
  }

  // Problems are marked at their section on the diagram's top edge, and go
  // when the check finds none.
  void i_problemi_sono_segnati_al_loro_tratto() {
    const int r = riga(30);
    const QPointF segno(vista->punto_diagramma(r).x(), vista->area_diagramma().top() + 6);
    const QColor prima = vista->grab().toImage().pixelColor(segno.toPoint());
    problema p;
    p.posizione = posizione_tratto(30);
    p.codice = codice_problema::bivio;
    vista->imposta_problemi({p});
    const QColor con = vista->grab().toImage().pixelColor(segno.toPoint());
    QVERIFY(con.red() > 150 && con.green() < 120 && con.blue() < 120);
    vista->imposta_problemi({});
    QCOMPARE(vista->grab().toImage().pixelColor(segno.toPoint()), prima);
  }

  // The image has the size asked for and shows more than a blank ground; it is
  // written as a PNG, and an impossible folder gives an Italian reason.
  // The diagram's equilibrium and least cant follow the speed of each row's
  // stretch: two stretches over one curve, each row at its own V, with the
  // sign of the bend; straights have none; the run over both spans both.
  void i_riferimenti_seguono_la_velocita_del_tratto() {
    parametri_progetto p;
    p.velocita_massima = 100;
    const std::int64_t confine = posizione_tratto(24);
    const profilo_velocita profilo({{0, 80, 0}, {confine, 140, 0}});
    const condizioni_linea condizioni = condizioni_righe(aperto->geometria(), p, profilo);
    albero_linea albero;
    albero.costruisci(aperto.get());
    albero.imposta_riferimenti(&condizioni, p.insufficienza_ammessa);
    for (const auto& [tratto, velocita, lato] :
         {std::tuple{22, 80.0, 1}, {26, 140.0, 1}, {42, 140.0, -1}}) {
      const int r = riga(tratto);
      const double raggio = std::abs(condizioni[static_cast<std::size_t>(r)].raggio);
      const auto q = albero.interroga(r, r + 1);
      QCOMPARE(q.equilibrio_minimo, static_cast<std::int16_t>(std::lround(
                                        lato * sopraelevazione_equilibrio(velocita, raggio))));
      QCOMPARE(q.minima_minimo,
               static_cast<std::int16_t>(std::lround(
                   lato * std::max(0.0, sopraelevazione_minima(velocita, p.insufficienza_ammessa,
                                                               raggio)))));
    }
    QCOMPARE(albero.interroga(riga(5), riga(6)).equilibrio_massimo, std::int16_t{0});
    const auto curva = albero.interroga(riga(20), riga(28));
    QVERIFY(curva.equilibrio_minimo < curva.equilibrio_massimo);
    QCOMPARE(curva.equilibrio_minimo, albero.interroga(riga(22), riga(23)).equilibrio_minimo);
  }

  void l_immagine_si_salva() {
    const QImage img = vista->immagine(QSize(700, 500));
    QCOMPARE(img.size(), QSize(700, 500));
    QSet<QRgb> colori;
    for (int y = 0; y < img.height(); y += 3)
      for (int x = 0; x < img.width(); x += 3) colori.insert(img.pixel(x, y));
    QVERIFY(colori.size() > 10);

    QTemporaryDir cartella;
    const QString file = cartella.filePath(QStringLiteral("linea.png"));
    QCOMPARE(vista->salva_immagine(file, QSize(640, 480)), QString());
    QCOMPARE(QImage(file).size(), QSize(640, 480));
    const QString errore = vista->salva_immagine(cartella.filePath(QStringLiteral("no/linea.png")));
    QVERIFY(errore.contains(QStringLiteral("cartella")));
  }

  // 200,000 sections: a single section's cant shows in its pixel column, and
  // one frame at several zooms is timed and printed.
  void tempo_di_un_fotogramma_sulla_linea_piu_lunga() {
    scenario s = prova::scenario_rettilineo(200140);
    for (std::int32_t t = 10; t < 200130; t += 37) {
      const double raggio = raggi_nominali[t % 8] * (t % 2 ? 1 : -1);
      for (std::int32_t u = t; u < t + 12; ++u) {
        prova::metti_curva(s, u, raggio);
        prova::metti_sopraelevazione(s, u, (t % 2 ? 1 : -1) * (20 + t % 140));
      }
      if (t % 5 == 0) prova::metti_bivio(s, t + 20);
    }
    QElapsedTimer tempo;
    tempo.start();
    auto grande = std::make_unique<scenario_aperto>(std::move(s));
    vista->mostra(grande.get());
    qInfo("open scenario and picture caches: %lld ms", tempo.elapsed());
    vista->resize(1400, 900);

    // With about 150 rows to a pixel column, one section's cant far above all
    // others still shows in its column.
    const int picco = 123457;
    grande->modifica_tratto(picco, "280");
    vista->aggiorna_riga(picco);
    const QImage schermo = vista->grab().toImage();
    const QPointF dove = vista->punto_diagramma(picco);
    bool visto = false;
    for (int dx = -1; dx <= 1; ++dx)
      visto |= schermo.pixelColor(int(dove.x()) + dx, int(dove.y()) + 1).lightness() < 120;
    QVERIFY(visto);
    QVERIFY(schermo.pixelColor(int(dove.x()) + 40, int(dove.y()) + 1).lightness() > 120);

    parametri_progetto parametri;
    parametri.velocita_massima = 120;
    vista->imposta_parametri(parametri);
    vista->imposta_problemi(grande->verifica(parametri));
    vista->seleziona(100000);
    // The median of five frames at each zoom, from the whole line to the closest,
    // in processor time of this thread (the machine may be busy with other work)
    // and in wall time.
    auto processore = [] {
      timespec t{};
      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
      return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    double peggiore = 0;
    for (int livello = 0; livello <= 8; ++livello) {
      std::vector<double> cpu, muro;
      for (int volta = 0; volta < 5; ++volta) {
        const double inizio = processore();
        tempo.restart();
        vista->repaint();
        muro.push_back(tempo.nsecsElapsed() / 1e6);
        cpu.push_back(processore() - inizio);
      }
      std::sort(cpu.begin(), cpu.end());
      std::sort(muro.begin(), muro.end());
      qInfo("frame with the line zoomed 4^%d: %.1f ms (wall %.1f ms)", livello, cpu[2], muro[2]);
      peggiore = std::max(peggiore, cpu[2]);
      vista->ingrandisci(4);
    }
    tempo.restart();
    grande->modifica_tratto(100000, "55");
    vista->aggiorna_riga(100000);
    vista->aggiorna();
    qInfo("re-reading every cant: %lld ms", tempo.elapsed());
    qInfo("worst frame: %.1f ms", peggiore);
    vista->mostra(nullptr);
  }

 private:
  std::unique_ptr<scenario_aperto> aperto;
  std::unique_ptr<VistaLinea> vista;
};

QTEST_MAIN(TestVistaLinea)
#include "test_vista_linea.moc"
