# Installs the Debian packages that building, testing and running need, when
# they are missing. Sourced by run.sh and test.sh.
pacchetti_necessari=(
  cmake ninja-build g++ pkg-config
  libgtest-dev
  qt6-base-dev qt6-translations-l10n fonts-dejavu-core
  locales
  # The packages and their checks: groff renders the manual pages, file and
  # dpkg-dev let cpack find the Debian package's dependencies, and the
  # validators of the menu entry, the AppStream file, the completion and the
  # package itself.
  groff-base file dpkg-dev
  desktop-file-utils appstream bash-completion lintian
)

# The Windows build (./test.sh windows): the MinGW-w64 cross compiler, the
# GoogleTest sources to build for that target, and Wine to run the tests.
pacchetti_windows=(
  g++-mingw-w64-x86-64-posix
  googletest
  wine wine64
  unzip
  # Qt for Windows from Debian's source (tools/qt_windows.sh) and the window's
  # run on its own platform under a virtual display.
  dpkg-dev xvfb
)

installa_dipendenze() {
  local mancanti=()
  for p in "${pacchetti_necessari[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || mancanti+=("$p")
  done
  [ ${#mancanti[@]} -eq 0 ] && return 0
  echo "Installing: ${mancanti[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${mancanti[@]}"
}

compila() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build
}

# The core, the window, their tests and the batch companion for 64-bit Windows
# in build-windows/ (the Wine prefix in which they run is build-windows/wine),
# against Qt built for Windows from Debian's own source: tools/qt_windows.sh
# builds it the first time (about 50 minutes on two cores) into ~/.cache and
# finds it there afterwards. With SOPRA_QT_WINDOWS=se_presente a machine
# without that Qt builds the core, its tests and the batch companion only.
compila_windows() {
  local toolchain="$PWD/cmake/mingw-w64-x86_64.cmake"
  local opzioni=(-DSOPRA_CORE_ONLY=ON)
  if [ "${SOPRA_QT_WINDOWS:-costruisci}" != se_presente ] ||
    [ -f "$(tools/qt_windows.sh --cartella)/.completa" ]; then
    local qt
    qt=$(tools/qt_windows.sh | tail -n 1)
    toolchain="$qt/lib/cmake/Qt6/qt.toolchain.cmake"
    opzioni=(-DSOPRA_CORE_ONLY=OFF -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake"
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
  else
    echo "Qt for Windows is not built on this machine (tools/qt_windows.sh, about 50" \
      "minutes on two cores): the window for Windows is left out" >&2
  fi
  # A folder configured with another toolchain (another Qt, or none) starts afresh.
  if [ -f build-windows/CMakeCache.txt ] &&
    ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" build-windows/CMakeCache.txt; then
    rm -rf build-windows
  fi
  cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${opzioni[@]}"
  cmake --build build-windows
}
