// The problem list announces only the rows that changed: a view that follows
// its signals must always show what the model holds, whatever the problems
// before and after.

#include <QAbstractItemModelTester>
#include <QTest>
#include <random>
#include <vector>

#include "editing/messaggi.hpp"
#include "progetto/verifica.hpp"
#include "scenario/caso.hpp"
#include "ui/modello_tratti.hpp"

namespace {

using namespace sopra;

// Every row's text, kept up to date only through the model's signals, as a view is.
class specchio : public QObject {
 public:
  explicit specchio(const QAbstractItemModel& m) : m_(m) {
    connect(&m, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int primo, int ultimo) {
              for (int r = primo; r <= ultimo; ++r) righe.insert(r, testo(r));
            });
    connect(&m, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int primo, int ultimo) {
              righe.remove(primo, ultimo - primo + 1);
            });
    connect(&m, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& a, const QModelIndex& b) {
              for (int r = a.row(); r <= b.row(); ++r) righe[r] = testo(r);
            });
    connect(&m, &QAbstractItemModel::modelReset, this, [this] { rileggi(); });
    rileggi();
  }
  QStringList righe;
  QStringList attuali() const {
    QStringList t;
    for (int r = 0; r < m_.rowCount(); ++r) t << testo(r);
    return t;
  }

 private:
  QString testo(int r) const { return m_.index(r, 0).data().toString(); }
  void rileggi() { righe = attuali(); }
  const QAbstractItemModel& m_;
};

}  // namespace

class TestModelli : public QObject {
  Q_OBJECT

 private slots:
  // Problems that come, go and change a few at a time, as keystrokes make
  // them, and now and then all at once, with the entries of a design after them.
  void problemi_seguiti_dai_segnali() {
    modello_problemi modello;
    QAbstractItemModelTester verifica_modello(
        &modello, QAbstractItemModelTester::FailureReportingMode::QtTest);
    specchio vista(modello);
    sopra::generatore_casuale caso(7);
    const auto uno = [&](int n) { return static_cast<int>(caso() % static_cast<unsigned>(n)); };
    std::vector<problema> problemi;
    for (int passo = 0; passo < 2000; ++passo) {
      if (uno(50) == 0) {
        problemi.clear();
        for (int k = uno(40); k > 0; --k)
          problemi.push_back(
              {uno(1000) * 50, codice_problema::massimo, {double(uno(300)), 160, 0}});
      } else {
        for (int k = uno(3) + 1; k > 0; --k) {
          const int dove = uno(static_cast<int>(problemi.size()) + 1);
          const auto it = problemi.begin() + dove;
          switch (uno(3)) {
            case 0:
              problemi.insert(it, {uno(1000) * 50, codice_problema::pendenza, {1, 2, 0}});
              break;
            case 1:
              if (it != problemi.end()) problemi.erase(it);
              break;
            default:
              if (it != problemi.end()) it->cifre[0] += 1;
          }
        }
      }
      std::ranges::stable_sort(problemi, {}, &problema::posizione);
      modello.imposta(problemi);
      if (uno(100) == 0) {
        modello.imposta_esito(
            {{uno(1000) * 50, voce_esito::genere::bivio_progetto, {}},
             {uno(1000) * 50 + 50000, voce_esito::genere::conflitto_raccordi, {}}});
      }
      QCOMPARE(vista.righe, vista.attuali());
      QVERIFY(modello.problemi() == problemi);
    }
  }

  // The entries of the ramps and of the design by position, and at one
  // position in their kinds' order, each with its sentence.
  void voci_del_progetto_in_ordine() {
    scenario_aperto::esito_progettazione esito;
    esito.abbassati = {{1200, 82, 95, 104}, {300, 40, 50, 90}};
    esito.bloccati_bivio = {1200, 50};
    esito.bloccati_senza_slot = {300};
    std::ranges::sort(esito.abbassati, {}, &tratto_abbassato::posizione);
    const std::vector<voce_esito> voci = voci_esito(esito);
    QCOMPARE(voci.size(), std::size_t{5});
    const std::vector<std::int32_t> posizioni = {50, 300, 300, 1200, 1200};
    for (std::size_t k = 0; k < voci.size(); ++k) QCOMPARE(voci[k].posizione, posizioni[k]);
    QVERIFY(voci[1].tipo == voce_esito::genere::abbassato);
    QVERIFY(voci[2].tipo == voce_esito::genere::senza_slot_progetto);
    QCOMPARE(
        QString::fromStdString(testo_voce_esito(voci[3])),
        QStringLiteral("Progetto: abbassato a 82 mm (proposta 95 mm), velocità ammessa 104 km/h"));
    QCOMPARE(QString::fromStdString(testo_voce_esito(voci[4])),
             QStringLiteral("Progetto: curva in zona di bivio, senza sopraelevazione"));
  }
};

QTEST_MAIN(TestModelli)
#include "test_modelli.moc"
