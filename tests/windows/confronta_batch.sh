#!/usr/bin/env bash
# Runs the Windows batch companion under Wine and the Linux one on the same demo
# scenarios, and fails at the first difference in standard output, standard
# error, exit code or the bytes of the scenario files afterwards.
#   tests/windows/confronta_batch.sh LINUX_BUILD WINDOWS_BUILD
# WINEPREFIX and WINEDEBUG are taken from the environment when set.
set -euo pipefail

# shellcheck source=tests/windows/comune.sh
source "$(dirname "$0")/comune.sh" "$@"
batch_linux="$linux_build/sopraelevazione-batch"
batch_windows="$windows_build/sopraelevazione-batch.exe"

lavoro=$(mktemp -d)
trap 'chmod -R u+w "$lavoro"; rm -rf "$lavoro"' EXIT
"$linux_build/sopraelevazione-demo" "$lavoro/linux" >/dev/null
# One scenario whose names are not ASCII, its line file found without regard
# to the case of its ASCII letters.
"$linux_build/sopraelevazione-demo" "$lavoro/linux" Città_Ωmega Città 4000 >/dev/null
mv "$lavoro/linux/Città_linea.da3" "$lavoro/linux/CITTà_linea.da3"
cp -a "$lavoro/linux" "$lavoro/windows"

# The two working folders as patterns for sed: /tmp/x/linux, and Z:\tmp\x\windows
# as Wine shows the Linux root.
come_modello() { printf '%s' "$1" | sed 's/[][\\/.*^$]/\\&/g'; }
cartella_linux=$(come_modello "$lavoro/linux")
cartella_windows=$(come_modello "Z:${lavoro//\//\\}\\windows")

confronti=0
differenze=0

# Runs one command line in each folder (scenario names relative to it, so that
# the messages name the same files) and compares everything it produced.
confronta() {
  local descrizione=$1
  shift
  local codice_linux=0 codice_windows=0
  (cd "$lavoro/linux" && "$batch_linux" "$@" >../out.linux 2>../err.linux) || codice_linux=$?
  (cd "$lavoro/windows" && wine "$batch_windows" "$@" >../out.windows 2>../err.windows) ||
    codice_windows=$?
  # A message that names a folder in full names it as each system writes it:
  # both become CARTELLA.
  sed -i "s/$cartella_linux/CARTELLA/g" "$lavoro/out.linux" "$lavoro/err.linux"
  sed -i "s/$cartella_windows/CARTELLA/g" "$lavoro/out.windows" "$lavoro/err.windows"
  local esito=ok
  if [ "$codice_linux" != "$codice_windows" ]; then
    echo "DIFFERENT exit code ($descrizione): Linux $codice_linux, Windows $codice_windows"
    esito=diverso
  fi
  for flusso in out err; do
    if ! cmp -s "$lavoro/$flusso.linux" "$lavoro/$flusso.windows"; then
      echo "DIFFERENT std$flusso ($descrizione):"
      diff "$lavoro/$flusso.linux" "$lavoro/$flusso.windows" | head -20 || true
      esito=diverso
    fi
  done
  if ! diff -r "$lavoro/linux" "$lavoro/windows" >/dev/null; then
    echo "DIFFERENT files after ($descrizione):"
    diff -rq "$lavoro/linux" "$lavoro/windows" | head -20 || true
    esito=diverso
  fi
  confronti=$((confronti + 1))
  if [ "$esito" = ok ]; then
    echo "same: $descrizione (exit $codice_linux, $(wc -c <"$lavoro/out.linux") bytes out)"
  else
    differenze=$((differenze + 1))
    # Start the next comparison from equal folders.
    rm -rf "$lavoro/windows" && cp -a "$lavoro/linux" "$lavoro/windows"
  fi
}

cd "$lavoro/linux"
scenari=(*.si3)
cd - >/dev/null
[ ${#scenari[@]} -gt 0 ] || { echo "no demo scenario"; exit 1; }

confronta "help" --help
confronta "usage error" classi --valori 1,2 "${scenari[0]}"
confronta "elenco" elenco "${scenari[@]}"
confronta "missing scenario" elenco Nessuno_Qui.si3 "${scenari[0]}"
confronta "classi --prova" classi --valori 0,20,40,70,100,120,140,160 --prova --elenco "${scenari[@]}"
confronta "classi" classi --valori 0,20,40,70,100,120,140,160 --elenco "${scenari[@]}"
confronta "classi again" classi --valori 5,25,45.5,75,105,125,145,165 "${scenari[@]}"
riga=$(cd "$lavoro/linux" && "$batch_linux" elenco "${scenari[0]}" | sed -n 40p)
posizione=${riga%%$'\t'*}
confronta "tratto" tratto --posizione "$posizione" --mm -85 --elenco "${scenari[0]}"
confronta "proposta" proposta --velocita 140
confronta "classi --velocita" classi --velocita 120 --massimo 150 --elenco "${scenari[@]}"
confronta "raccordi" raccordi --velocita 120 --elenco "${scenari[@]}"
confronta "verifica" verifica --velocita 120 "${scenari[@]}"
confronta "tratto at 300 mm" tratto --posizione "$posizione" --mm 300 "${scenari[0]}"
confronta "verifica finds problems" verifica --velocita 160 "${scenari[0]}"
confronta "progetta" progetta --velocita 120 --velocita-minima 60 --elenco "${scenari[@]}"
confronta "relazione" relazione --velocita 120 --velocita-minima 60 "${scenari[@]}"
confronta "elenco --csv" elenco --csv "${scenari[@]}"
# The first scenario's own speed profile, as a Windows spreadsheet saves it,
# and a wrong one given with --profilo.
for cartella in linux windows; do
  printf '\xef\xbb\xbf0;120;60\r\n2000 ; 90,5 ;\r\n' >"$lavoro/$cartella/${scenari[0]%.si3}.velocita.csv"
  printf '0;120\n2000;0\n' >"$lavoro/$cartella/sbagliato.csv"
done
confronta "progetta with the scenario's profile" progetta "${scenari[0]}"
confronta "verifica with the scenario's profile" verifica "${scenari[0]}"
confronta "wrong profile" progetta --profilo sbagliato.csv "${scenari[@]}"

# A read-only section file: neither build may replace or change it.
chmod a-w "$lavoro/linux/${scenari[0]%.si3}.da3" "$lavoro/windows/${scenari[0]%.si3}.da3"
confronta "read-only section file" classi --valori 10,10,10,10,10,10,10,10 "${scenari[0]}"

echo "$((confronti - differenze)) passed, $differenze failed"
[ "$differenze" -eq 0 ]
