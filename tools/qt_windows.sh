#!/usr/bin/env bash
# Builds, once, the Qt that the window for Windows links against: Debian's own
# source of qt6-base (the version of the Linux build), cross-compiled with the
# MinGW-w64 compiler (POSIX threads), static, with only what a Widgets program
# and its QtTest tests need. Debian ships no Qt for MinGW, but it ships this
# source and the host tools (moc, rcc, uic) of the same version, which the
# cross build uses.
#
# It installs into a cache outside the clone, named by Qt's version and the
# options below, and does nothing when that cache is there and complete. The
# cache's folder is printed on the last line, for callers.
#
#   tools/qt_windows.sh            build if missing, print the folder
#   tools/qt_windows.sh --cartella print the folder only
set -euo pipefail
cd "$(dirname "$0")/.."

versione_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)
if [ -z "$versione_qt" ]; then
  echo "qt6-base-dev is not installed: run ./test.sh once, or install it" >&2
  exit 1
fi
versione_sorgente=${versione_qt#*:}           # 6.4.2+dfsg-10
versione_sorgente=${versione_sorgente%-*}     # 6.4.2+dfsg
versione_base=${versione_sorgente%%+*}        # 6.4.2

# The options fix the build: a change in them makes another cache folder.
opzioni=(
  -xplatform win32-g++ -static -release -opensource -confirm-license
  -nomake examples -nomake tests
  -no-opengl -no-dbus -no-icu -no-glib -no-feature-sql -no-feature-network
  -no-feature-xml -no-feature-printsupport -no-feature-concurrent
  -no-feature-tabletevent -no-feature-vulkan -no-feature-sspi
  -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre -no-feature-openssl
)
impronta=$(printf '%s\n' "$versione_qt" "${opzioni[@]}" | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/sopraelevazione
cartella=$cache/qt-$versione_base-mingw-static-$impronta

if [ "${1:-}" = --cartella ]; then
  echo "$cartella"
  exit 0
fi
# A cache is complete only when the whole install step ended: its mark is
# written last.
if [ -f "$cartella/.completa" ]; then
  echo "$cartella"
  exit 0
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
misura() {
  local inizio=$SECONDS
  "$@"
  echo "  ($((SECONDS - inizio)) s)" >&2
}

lavoro=$cache/lavoro-$versione_base-$impronta
mkdir -p "$lavoro"

# 1. Debian's source, through apt (which checks signatures and sums), from a
# deb-src entry in a file of its own, removed again at the end.
sorgente=$lavoro/qt6-base-$versione_sorgente
if [ ! -f "$sorgente/configure" ]; then
  echo "Fetching Debian's source of qt6-base $versione_qt" >&2
  voce=/etc/apt/sources.list.d/sopraelevazione-sorgenti-qt.sources
  rimuovi_voce() {
    $sudo rm -f "$voce"
    $sudo apt-get update -qq || true
  }
  trap rimuovi_voce EXIT
  printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' \
    "Suites: $(. /etc/os-release && echo "$VERSION_CODENAME")" 'Components: main' \
    'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' | $sudo tee "$voce" >/dev/null
  misura $sudo apt-get update -qq
  (cd "$lavoro" && misura apt-get source -qq "qt6-base=$versione_qt")
  rimuovi_voce
  trap - EXIT
fi

# 2. The toolchain: Debian's MinGW-w64 with POSIX threads, which std::thread
# in the core needs too. Not the project's cmake/mingw-w64-x86_64.cmake: its
# static linking and its Wine emulator are for the project's programs and
# tests, and Qt's build must not run what it builds.
toolchain=$lavoro/mingw.cmake
cat >"$toolchain" <<'FINE'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
FINE

# 3. Configure and build out of the source tree; the host tools are Debian's.
costruzione=$lavoro/costruzione
mkdir -p "$costruzione"
echo "Configuring Qt $versione_base for Windows" >&2
configura() {
  (cd "$costruzione" && "$sorgente/configure" -prefix "$cartella" "${opzioni[@]}" \
    -qt-host-path /usr -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DQT_BUILD_EXAMPLES=OFF \
    -DQT_BUILD_TESTS=OFF >"$lavoro/configura.log" 2>&1)
}
misura configura || {
  tail -40 "$lavoro/configura.log" >&2
  exit 1
}
echo "Building Qt $versione_base for Windows (long: about 45 minutes on two cores)" >&2
misura cmake --build "$costruzione" --parallel
echo "Installing into $cartella" >&2
misura cmake --install "$costruzione"
touch "$cartella/.completa"
# The sources and objects are not needed any more once installed.
rm -rf "$lavoro"
echo "$cartella"
