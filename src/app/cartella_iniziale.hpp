#pragma once
// The folder the window's choice screen starts on, and the memory of the last
// folder a scenario was opened from, kept in the user's settings.

#include <QSettings>
#include <QString>

class Form1;

namespace sopra {

// The folder of scenarios to start on: `cartella_programma` (the program's own
// folder) when it holds a scenario, a .si3 file in any case, as a copy put
// beside the scenarios does; else the last folder a scenario was opened from,
// as `impostazioni` keep it, when it is still a folder; else the home folder
// (an installed program, started from /usr/bin, the first time).
QString cartella_iniziale(const QString& cartella_programma, const QSettings& impostazioni);

// Keeps in `impostazioni` the folder of every scenario `finestra` opens, for
// cartella_iniziale at the next start. `impostazioni` must outlive `finestra`.
void ricorda_cartella(Form1& finestra, QSettings& impostazioni);

}  // namespace sopra
