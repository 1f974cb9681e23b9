#!/usr/bin/env bash
# Makes the Windows zip (cpack -G ZIP) of the Windows build, unpacks it into a
# scratch folder and runs the batch companion from there under Wine, on a demo
# scenario, against the Linux one; its notes must have CRLF line ends.
#   tests/windows/prova_zip.sh LINUX_BUILD WINDOWS_BUILD
# WINEPREFIX and WINEDEBUG are taken from the environment when set.
set -euo pipefail

# shellcheck source=tests/windows/comune.sh
source "$(dirname "$0")/comune.sh" "$@"

lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
cpack -G ZIP --config "$windows_build/CPackConfig.cmake" -B "$lavoro/cpack" >"$lavoro/cpack.log" 2>&1 ||
  { cat "$lavoro/cpack.log"; exit 1; }
zip=$(ls "$lavoro"/cpack/sopraelevazione-*-windows-x64.zip)
unzip -q "$zip" -d "$lavoro/zip"
cartella=$(ls -d "$lavoro"/zip/sopraelevazione-*-windows-x64)
echo "$(basename "$zip"): $(stat -c %s "$zip") byte"
unzip -Z1 "$zip"

esito=0
# The window is one file too: Qt is linked in, no library travels beside it.
if [ -f "$windows_build/sopraelevazione.exe" ] && [ ! -f "$cartella/sopraelevazione.exe" ]; then
  echo "FAIL: the zip has no sopraelevazione.exe"
  esito=1
fi
if unzip -Z1 "$zip" | grep -qi '\.dll$'; then
  echo "FAIL: the zip carries libraries"
  esito=1
fi
for testo in LEGGIMI.txt MANUALE.txt; do
  # Every line ends with CR LF, the last one too.
  righe=$(wc -l <"$cartella/$testo")
  if [ "$righe" -eq 0 ] || [ "$(grep -c $'\r$' "$cartella/$testo")" != "$righe" ] ||
    [ -n "$(tail -c 1 "$cartella/$testo" | tr -d '\n')" ]; then
    echo "FAIL: $testo is missing or has lines without CRLF"
    esito=1
  fi
done
grep -q 'chcp 65001' "$cartella/LEGGIMI.txt" || { echo "FAIL: LEGGIMI.txt says nothing of chcp 65001"; esito=1; }
grep -q 'attrib -r' "$cartella/LEGGIMI.txt" || { echo "FAIL: LEGGIMI.txt says nothing of attrib -r"; esito=1; }

# The .exe from the unpacked zip, as a user runs it: --version, and elenco on
# a demo scenario gives what the Linux batch companion gives.
versione=$(wine "$cartella/sopraelevazione-batch.exe" --version)
[ "$versione" = "$("$linux_build/sopraelevazione-batch" --version)" ] ||
  { echo "FAIL: --version gave \"$versione\""; esito=1; }
"$linux_build/sopraelevazione-demo" "$lavoro/scenari" Valle_Andata Valle 3000
(cd "$lavoro/scenari" && wine "$cartella/sopraelevazione-batch.exe" elenco Valle_Andata.si3 >"$lavoro/windows.txt")
(cd "$lavoro/scenari" && "$linux_build/sopraelevazione-batch" elenco Valle_Andata.si3 >"$lavoro/linux.txt")
cmp -s "$lavoro/windows.txt" "$lavoro/linux.txt" && [ -s "$lavoro/linux.txt" ] ||
  { echo "FAIL: elenco from the zip differs from Linux"; esito=1; }
[ $esito -eq 0 ] && echo "The zip's batch companion runs under Wine: $versione"
exit $esito
