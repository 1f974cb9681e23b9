#pragma once
// The window on the offscreen platform, driven as a user drives it: mouse
// clicks and keystrokes, message boxes and file dialogs answered here.

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>

#include "analysis/caricamento.hpp"
#include "ui/form1.hpp"

namespace fs = std::filesystem;

namespace {

// Counts the paint events a widget receives.
class conta_pitture : public QObject {
 public:
  int pitture = 0;

 protected:
  bool eventFilter(QObject*, QEvent* evento) override {
    if (evento->type() == QEvent::Paint) ++pitture;
    return false;
  }
};

// A window over its own scenario folder, with its message boxes answered here.
class finestra {
 public:
  explicit finestra(const QString& cartella) : form(std::make_unique<Form1>(cartella)) {
    form->avvisa = [this](const QString& testo) {
      avvisi.append(testo);
      panello_durante_avviso = attesa()->isVisible();
    };
    form->chiedi = [this](const QString& domanda) {
      domande.append(domanda);
      return risposta;
    };
    form->scegli = [this](const QString& testo, const QStringList& scelte) {
      richieste_di_scelta.append(testo);
      scelte_mostrate = scelte;
      return scelta;
    };
    form->scegli_cartella = [this](const QString&) { return cartella_scelta; };
    form->scegli_file_immagine = [this](const QString& proposto) {
      immagine_proposta = proposto;
      return file_immagine;
    };
    form->scegli_file_relazione = [this](const QString&) { return file_relazione; };
    form->show();
    QApplication::setActiveWindow(form.get());
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
  }

  template <class T = QWidget>
  T* c(const QString& nome) const {
    T* w = form->findChild<T*>(nome);
    if (w == nullptr) qFatal("no control %s", qPrintable(nome));
    return w;
  }
  QListWidget* file1() const { return c<QListWidget>(QStringLiteral("File1")); }
  QListView* list1() const { return c<QListView>(QStringLiteral("List1")); }
  QLineEdit* text1() const { return c<QLineEdit>(QStringLiteral("Text1")); }
  QLineEdit* text4(int k) const { return c<QLineEdit>(QStringLiteral("Text4(%1)").arg(k)); }
  QWidget* attesa() const { return c(QStringLiteral("Picture1")); }
  QString testo_label(const QString& nome) const { return c<QLabel>(nome)->text(); }

  void clicca(const QString& pulsante) const {
    QTest::mouseClick(c<QPushButton>(pulsante), Qt::LeftButton);
  }
  void clicca_file(const QString& nome) const {
    const QList<QListWidgetItem*> trovati = file1()->findItems(nome, Qt::MatchExactly);
    QCOMPARE(trovati.size(), 1);
    QTest::mouseClick(file1()->viewport(), Qt::LeftButton, {},
                      file1()->visualItemRect(trovati.front()).center());
  }
  // Chooses a scenario and confirms it with "OK".
  void apri(const QString& nome) const {
    clicca_file(nome);
    clicca(QStringLiteral("Command4"));
  }
  void clicca_riga(int riga) const {
    const QModelIndex i = list1()->model()->index(riga, 0);
    list1()->scrollTo(i);
    QTest::mouseClick(list1()->viewport(), Qt::LeftButton, {}, list1()->visualRect(i).center());
  }
  QString riga(int r) const { return list1()->model()->index(r, 0).data().toString(); }
  int righe() const { return list1()->model()->rowCount(); }
  // Replaces a text box's text by typing, key by key.
  static void scrivi(QLineEdit* casella, const QString& testo) {
    casella->setFocus();
    casella->selectAll();
    QTest::keyClick(casella, Qt::Key_Backspace);
    QTest::keyClicks(casella, testo);
  }

  std::unique_ptr<Form1> form;
  QStringList avvisi;
  QStringList domande;
  bool risposta = false;
  QStringList richieste_di_scelta;  // the texts that `scegli` showed
  QStringList scelte_mostrate;      // the buttons it showed last
  int scelta = -1;                  // what it answers
  QString cartella_scelta;          // what the folder dialog answers
  QString file_immagine;            // what the picture's file dialog answers
  QString immagine_proposta;
  QString file_relazione;  // what the report's file dialog answers
  bool panello_durante_avviso = false;
};

QString cant_field(const QString& riga) {
  return riga.mid(riga.lastIndexOf(u'\t') + 1);
}

sopra::scenario carica(const fs::path& testata) {
  sopra::scenario store;
  const auto errore = sopra::carica_scenario(testata, store);
  if (errore) qFatal("%s", errore->c_str());
  return store;
}

}  // namespace
