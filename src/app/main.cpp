#include <QApplication>
#include <QSettings>
#include <csignal>

#include "app/cartella_iniziale.hpp"
#include "scenario/memoria_grande.hpp"
#include "ui/form1.hpp"

int main(int argc, char** argv) {
  sopra::tieni_memoria_liberata();
#ifdef SIGXFSZ  // POSIX only: Windows has no file size limit signal
  // A write beyond the file size limit must fail with an error that saving
  // reports, not end the program with the edits unsaved.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  QApplication applicazione(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Sopraelevazione"));
  // The settings file: ~/.config/sopraelevazione/Sopraelevazione.conf on Linux.
  QApplication::setOrganizationName(QStringLiteral("sopraelevazione"));
  // Qt's own dialogs and buttons speak Italian, as the window does.
  installa_traduzioni_qt(applicazione);
  // The scenarios are those of the program's own folder; an installed program
  // starts on the last folder a scenario was opened from, or the home folder.
  QSettings impostazioni;
  Form1 finestra(sopra::cartella_iniziale(QApplication::applicationDirPath(), impostazioni));
  sopra::ricorda_cartella(finestra, impostazioni);
  QObject::connect(&finestra, &Form1::termina, &applicazione, &QCoreApplication::exit);
  finestra.show();
  return QApplication::exec();
}
