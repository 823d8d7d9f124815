# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for velmar-esc-config: its commands, each command's options, files by their
# extension, and for --port the serial adapters under /dev.

# The ports to offer: the stable names udev keeps, then the USB and ACM adapters.
_velmar_esc_config_ports() {
  local dev=${VELMAR_ESC_CONFIG_DEV:-/dev} f
  for f in "$dev"/serial/by-id/* "$dev"/ttyUSB* "$dev"/ttyACM*; do
    [[ -e $f && $f == "$1"* ]] && COMPREPLY+=("$f")
  done
}

# Files ending in one of the extensions given (an extended pattern), and folders to go into.
_velmar_esc_config_files() {
  local f IFS=$'\n'
  compopt -o filenames 2>/dev/null
  for f in $(compgen -f -- "$2"); do
    if [[ -d $f ]]; then
      COMPREPLY+=("$f")
    elif [[ $f == *.@($1) ]]; then
      COMPREPLY+=("$f")
    fi
  done
}

_velmar_esc_config() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local command="" word i
  COMPREPLY=()
  shopt -s extglob
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      read | save | apply | bench | ports | fleet)
        command=$word
        break
        ;;
    esac
  done
  case $prev in
    --port) _velmar_esc_config_ports "$cur"; return ;;
    --record | --out | --compare) _velmar_esc_config_files csv "$cur"; return ;;
    --plot) _velmar_esc_config_files 'png|svg' "$cur"; return ;;
    --lang) mapfile -t COMPREPLY < <(compgen -W "en de zh_CN" -- "$cur"); return ;;
  esac
  local options
  case $command in
    "") options="--port --record --lang --version" ;;
    read) options="--port --json" ;;
    save) options="--port" ;;
    apply) options="--port --force --dry-run --json" ;;
    bench) options="--port --out --plot --compare --record --json" ;;
    ports) options="--port --json" ;;
    fleet) options="--port --lang" ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options --help" -- "$cur")
  elif [[ -z $command ]]; then
    mapfile -t COMPREPLY < <(compgen -W "read save apply bench ports fleet" -- "$cur")
  elif [[ $command == @(save|apply|bench) ]]; then
    _velmar_esc_config_files json "$cur"
  fi
}

complete -F _velmar_esc_config velmar-esc-config
