#!/usr/bin/env bash
# Remakes the README's pictures in docs/ from the real window on the demo
# scenarios, drawn offscreen (no display needed): the choice screen, the
# editing screen at its first size, and the wider window with the picture of
# the line. Each file stays under 150 KB.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build --target sopraelevazione-immagini
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 build/sopraelevazione-immagini docs
