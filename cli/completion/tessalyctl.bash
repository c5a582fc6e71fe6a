# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for tessalyctl: commands, their commands and options, the values of closed sets
# (rates, formats), and ports as `tessalyctl ports` finds them. Plain bash: it needs nothing from
# the bash-completion package.

_tessalyctl_ports() {
  # The numbered names that lead somewhere, and the devices behind them.
  "${COMP_WORDS[0]}" ports 2>/dev/null | awk '/^COM/ && $2 != "-" { print $1; print $2 }'
}

_tessalyctl() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local rates="1200 2400 4800 9600 19200"
  # Options that take a value: the value is not a command.
  local valued="-p --port -b --baud -a --address --timeout-ms --rates --from --to --probe-ms
    --turnaround-ms --period --count --format --turns"
  COMPREPLY=()
  case $prev in
    -p | --port)
      mapfile -t COMPREPLY < <(compgen -W "$(_tessalyctl_ports)" -- "$cur")
      return ;;
    -b | --baud)
      mapfile -t COMPREPLY < <(compgen -W "$rates" -- "$cur")
      return ;;
    --format)
      mapfile -t COMPREPLY < <(compgen -W "text csv json" -- "$cur")
      return ;;
    --rates)
      # A comma-separated list: complete its last item.
      local done=""
      [[ $cur == *,* ]] && done=${cur%,*},
      mapfile -t COMPREPLY < <(compgen -P "$done" -W "$rates" -- "${cur##*,}")
      return ;;
    -a | --address | --timeout-ms | --from | --to | --probe-ms | --turnaround-ms | --period | \
      --count | --turns)
      return ;;
  esac

  local command="" sub="" i word
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ " $valued " == *" $word "* ]]; then
      ((i++))
    elif [[ $word != -* ]]; then
      if [[ -z $command ]]; then command=$word; elif [[ -z $sub ]]; then sub=$word; fi
    fi
  done

  local words="-p --port -b --baud -a --address --timeout-ms --trace --json -q --quiet -h --help"
  case "$command $sub" in
    " ") words+=" --version ports search read monitor set zero calibrate provision" ;;
    "search ") words+=" --rates --from --to --all --probe-ms --fast --turnaround-ms" ;;
    "read ") words+=" turns" ;;
    "monitor ") words+=" --period --count --format" ;;
    "set ") words+=" address baud turns" ;;
    "set baud") words+=" --verify $rates" ;;
    "set "*) words+=" --verify" ;;
    "provision ") words+=" --address --baud --turns --rates --from --to --turnaround-ms" ;;
  esac
  mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
}

complete -F _tessalyctl tessalyctl
