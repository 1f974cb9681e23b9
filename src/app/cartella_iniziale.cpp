#include "app/cartella_iniziale.hpp"

#include <QDir>
#include <QFileInfo>

#include "ui/form1.hpp"

namespace sopra {

namespace {

// The settings' key of the last folder a scenario was opened from.
const QString chiave_ultima_cartella = QStringLiteral("scenari/ultima_cartella");

}  // namespace

QString cartella_iniziale(const QString& cartella_programma, const QSettings& impostazioni) {
  // The files the choice screen would list there.
  const QDir programma(cartella_programma, QStringLiteral("*.si3"), QDir::NoSort, QDir::Files);
  if (!programma.entryList().isEmpty()) return cartella_programma;
  const QString ultima = impostazioni.value(chiave_ultima_cartella).toString();
  if (!ultima.isEmpty() && QFileInfo(ultima).isDir()) return ultima;
  return QDir::homePath();
}

void ricorda_cartella(Form1& finestra, QSettings& impostazioni) {
  QObject::connect(
      &finestra, &Form1::scenario_aperto_da, &finestra, [&impostazioni](const QString& cartella) {
        impostazioni.setValue(chiave_ultima_cartella, QFileInfo(cartella).absoluteFilePath());
        impostazioni.sync();
      });
}

}  // namespace sopra
