#!/usr/bin/env bash
# The window for Windows on Windows' own platform plugin, under Wine and a
# virtual display (Xvfb): the choice screen on a demo folder, a scenario
# opened, a cant typed, "Salva" (tests/ui/fumo_finestra.cpp). The section file
# it saves must be, byte for byte, the one the Linux window saves for the same
# edit. The screen before saving is kept as WINDOWS_BUILD/fumo_finestra.png.
#   tests/windows/fumo_finestra.sh LINUX_BUILD WINDOWS_BUILD
# WINEPREFIX and WINEDEBUG are taken from the environment when set.
set -euo pipefail

# shellcheck source=tests/windows/comune.sh
source "$(dirname "$0")/comune.sh" "$@"

lavoro=$(mktemp -d)
schermo=""
trap '[ -n "$schermo" ] && kill "$schermo" 2>/dev/null; rm -rf "$lavoro"' EXIT
for parte in linux windows; do
  "$linux_build/sopraelevazione-demo" "$lavoro/$parte" Valle_Andata Valle 6000 >/dev/null
done
cp "$lavoro/linux/Valle_Andata.da3" "$lavoro/originale.da3"

# A display of its own, free at the time.
numero=90
while [ -e "/tmp/.X11-unix/X$numero" ] || [ -e "/tmp/.X$numero-lock" ]; do numero=$((numero + 1)); done
Xvfb ":$numero" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
schermo=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$numero" ] && break; sleep 0.1; done

# A Wine server already running for this prefix (the tests before) was started
# without a display, and so would be every window: it is stopped first.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

esito=0
DISPLAY=":$numero" wine "$windows_build/tests/ui/fumo_finestra.exe" -platform windows \
  "Z:$lavoro/windows" || esito=1
QT_QPA_PLATFORM=offscreen "$linux_build/tests/ui/fumo_finestra" "$lavoro/linux" || esito=1
[ -f "$lavoro/windows/fumo_finestra.png" ] && cp "$lavoro/windows/fumo_finestra.png" "$windows_build/"

if cmp -s "$lavoro/linux/Valle_Andata.da3" "$lavoro/originale.da3"; then
  echo "FAIL: the Linux window saved nothing"
  esito=1
elif ! cmp "$lavoro/windows/Valle_Andata.da3" "$lavoro/linux/Valle_Andata.da3"; then
  echo "FAIL: the Windows window saved other bytes than the Linux one"
  esito=1
fi
[ $esito -eq 0 ] && echo "The window for Windows saved the same bytes as the Linux one"
exit $esito
