# shellcheck shell=bash disable=SC2034
# Sourced by the scripts of tests/windows, with their arguments LINUX_BUILD
# WINDOWS_BUILD: the two build folders as absolute paths, the Wine prefix and
# its messages (WINEPREFIX and WINEDEBUG taken from the environment when set),
# and a UTF-8 locale, by which Wine turns the Linux arguments and file names
# into Windows' UTF-16, whatever the caller's.
linux_build=$(realpath "$1")
windows_build=$(realpath "$2")
export WINEPREFIX="${WINEPREFIX:-$windows_build/wine}" WINEDEBUG="${WINEDEBUG:--all}"
export LC_ALL=C.UTF-8
