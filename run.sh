#!/usr/bin/env bash
# Installs what is missing, builds, writes the demo scenario folder build/demo,
# puts the program into it (the program lists the scenarios of its own folder)
# and starts it there.
set -euo pipefail
cd "$(dirname "$0")"
. tools/dipendenze.sh
installa_dipendenze

compila
demo=build/demo
build/sopraelevazione-demo "$demo"
cp build/sopraelevazione "$demo/"
echo "Demo scenarios in $demo"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: start it from a desktop session, or under xvfb-run." >&2
fi
cd "$demo"
exec ./sopraelevazione
