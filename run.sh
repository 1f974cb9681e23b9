#!/usr/bin/env bash
# Installs what is missing, builds, writes the demo scenario folder build/demo
# when it does not exist yet (so that what was saved there survives the next
# run), puts the program into it (the program lists the scenarios of its own
# folder) and starts it there.
set -euo pipefail
cd "$(dirname "$0")"
. tools/dipendenze.sh
installa_dipendenze

compila
demo=build/demo
if [ -d "$demo" ]; then
  echo "Demo scenarios kept in $demo (remove the folder to get fresh ones)"
else
  build/sopraelevazione-demo "$demo"
  echo "Demo scenarios written to $demo"
fi
cp build/sopraelevazione "$demo/"
# Qt ends the program with an abort when there is no display to open the window on.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: the window cannot open. Start ./run.sh from a desktop" >&2
  echo "session, or under a virtual display: xvfb-run ./run.sh" >&2
  exit 1
fi
cd "$demo"
stato=0
./sopraelevazione || stato=$?
if [ "$stato" -eq 134 ]; then
  echo "The window could not open on display '${DISPLAY:-${WAYLAND_DISPLAY:-}}' (see the lines" >&2
  echo "above). Start ./run.sh from a desktop session, or under xvfb-run." >&2
  exit 1
fi
exit "$stato"
