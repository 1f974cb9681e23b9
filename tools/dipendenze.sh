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

# The core, its tests and the batch companion for 64-bit Windows in
# build-windows/ (the Wine prefix in which they run is build-windows/wine).
compila_windows() {
  cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DSOPRA_CORE_ONLY=ON
  cmake --build build-windows
}
