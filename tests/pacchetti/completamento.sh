#!/usr/bin/env bash
# The batch companion's bash completion, loaded as bash-completion loads it:
#   completamento.sh COMPLETION_FILE PROGRAM SCRATCH_FOLDER
# It completes commands, options and .si3 files, and every option it offers
# for a command is one the program takes for that command.
set -uo pipefail
completamento=$1 programma=$2 lavoro=$3
. /usr/share/bash-completion/bash_completion
. "$completamento"

falliti=0
sbagliato() { echo "FAIL: $*"; falliti=1; }

complete -p sopraelevazione-batch | grep -q -- '-F _sopraelevazione_batch' ||
  sbagliato "complete -p: $(complete -p sopraelevazione-batch 2>&1)"

# The words offered for the command line "$*", the last word being completed.
offerte() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _sopraelevazione_batch sopraelevazione-batch "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

[ "$(offerte sopraelevazione-batch pro)" = "progetta proposta " ] ||
  sbagliato "commands: $(offerte sopraelevazione-batch pro)"
[ "$(offerte sopraelevazione-batch tratto --prova --)" = "--elenco --mm --posizione " ] ||
  sbagliato "tratto: $(offerte sopraelevazione-batch tratto --prova --)"

rm -rf "$lavoro" && mkdir -p "$lavoro/Sotto" && cd "$lavoro" || exit 1
touch Valle_Andata.si3 Valle_Andata.da3 Costa_Esteso.SI3 appunti.txt
[ "$(offerte sopraelevazione-batch elenco '')" = "Costa_Esteso.SI3 Sotto Valle_Andata.si3 " ] ||
  sbagliato "files: $(offerte sopraelevazione-batch elenco '')"

for comando in elenco classi tratto proposta raccordi verifica progetta relazione; do
  for opzione in $(offerte sopraelevazione-batch "$comando" --); do
    errore=$("$programma" "$comando" "$opzione" 2>&1 >/dev/null)
    case $errore in
      *"opzione sconosciuta"* | *"non vale per"*) sbagliato "$comando $opzione: $errore" ;;
    esac
  done
done
exit $falliti
