# Bash completion of sopraelevazione-batch: its commands, the options each
# command takes (as its usage says), the .si3 files of scenarios, and any file
# after --profilo. Installed as bash-completion's completions/sopraelevazione-batch.

_sopraelevazione_batch() {
  local cur prev words cword
  _init_completion || return

  if ((cword == 1)); then
    COMPREPLY=($(compgen -W 'elenco classi tratto proposta raccordi verifica progetta
      relazione -h --help --version' -- "$cur"))
    return
  fi

  case $prev in
    --profilo)
      _filedir
      return
      ;;
    --valori | --posizione | --mm | --velocita | --velocita-minima | --massimo | \
      --insufficienza | --eccesso | --pendenza | --variazione)
      return # a value, typed by the user
      ;;
  esac

  local parametri='--velocita --velocita-minima --massimo --insufficienza --eccesso
    --pendenza --variazione'
  local opzioni
  case ${words[1]} in
    elenco) opzioni='--csv' ;;
    classi) opzioni="--valori --prova --elenco $parametri" ;;
    tratto) opzioni='--posizione --mm --prova --elenco' ;;
    proposta | verifica | relazione) opzioni="--profilo $parametri" ;;
    raccordi | progetta) opzioni="--profilo --prova --elenco $parametri" ;;
    *) return ;;
  esac

  # After "--" only file names follow; an option is given once.
  local i
  for ((i = 2; i < cword; i++)); do
    [[ ${words[i]} == -- ]] && opzioni=''
    opzioni=" $opzioni "
    opzioni=${opzioni// ${words[i]} / }
  done

  if [[ $cur == -* && -n $opzioni ]]; then
    COMPREPLY=($(compgen -W "$opzioni" -- "$cur"))
  elif [[ ${words[1]} != proposta ]]; then
    _filedir si3
  fi
} &&
  complete -F _sopraelevazione_batch sopraelevazione-batch
