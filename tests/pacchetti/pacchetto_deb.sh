#!/usr/bin/env bash
# The Debian package of a build folder, made and tried in a scratch folder:
#   pacchetto_deb.sh fai BUILD SCRATCH CPACK    cpack -G DEB into SCRATCH
#   pacchetto_deb.sh prova SCRATCH VERSION DEMO unpacks it and runs the
#       installed batch companion on a demo scenario written by DEMO
#   pacchetto_deb.sh lintian SCRATCH            lintian finds no error
set -euo pipefail
azione=$1
case $azione in
  fai)
    build=$2 lavoro=$3 cpack=$4
    rm -rf "$lavoro" && mkdir -p "$lavoro"
    "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$lavoro" >"$lavoro/cpack.log" 2>&1 ||
      { cat "$lavoro/cpack.log"; exit 1; }
    ls "$lavoro"/sopraelevazione_*.deb
    ;;
  prova)
    lavoro=$2 versione=$3 demo=$4
    deb=$(ls "$lavoro"/sopraelevazione_*.deb)
    radice=$lavoro/radice
    rm -rf "$radice" "$lavoro/scenari" && dpkg-deb -x "$deb" "$radice"
    esito=0
    for f in usr/bin/sopraelevazione usr/bin/sopraelevazione-batch \
      usr/share/applications/org.sopraelevazione.Sopraelevazione.desktop \
      usr/share/icons/hicolor/scalable/apps/org.sopraelevazione.Sopraelevazione.svg \
      usr/share/metainfo/org.sopraelevazione.Sopraelevazione.metainfo.xml \
      usr/share/man/man1/sopraelevazione-batch.1.gz usr/share/man/man1/sopraelevazione.1.gz \
      usr/share/bash-completion/completions/sopraelevazione-batch \
      usr/share/doc/sopraelevazione/copyright usr/share/doc/sopraelevazione/changelog.Debian.gz; do
      [ -f "$radice/$f" ] || { echo "FAIL: $f is not in the package"; esito=1; }
    done
    [ "$(dpkg-deb -f "$deb" Version)" = "$versione-1" ] || { echo "FAIL: Version"; esito=1; }
    dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 ||
      { echo "FAIL: Depends: $(dpkg-deb -f "$deb" Depends)"; esito=1; }
    batch=$radice/usr/bin/sopraelevazione-batch
    [ "$("$batch" --version)" = "sopraelevazione-batch $versione" ] ||
      { echo "FAIL: --version: $("$batch" --version)"; esito=1; }
    "$demo" "$lavoro/scenari" Valle_Andata Valle 3000
    righe=$("$batch" elenco "$lavoro/scenari/Valle_Andata.si3" | wc -l)
    [ "$righe" -gt 50 ] || { echo "FAIL: elenco gave $righe rows"; esito=1; }
    # Menu entry, icon and AppStream description together, as installed.
    appstreamcli validate-tree --no-net "$radice" || esito=1
    exit $esito
    ;;
  lintian)
    lavoro=$2
    lintian --fail-on error --tag-display-limit 0 "$lavoro"/sopraelevazione_*.deb
    ;;
esac
