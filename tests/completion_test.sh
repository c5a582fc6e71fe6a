#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tessalyctl's bash completion as bash asks for it: the script it writes, sourced, its function
# called with the words broken at '=' as bash does; the answers (the sensor's five rates, the tool's
# commands and options) written out here. zsh and fish, where installed, must read their scripts,
# and fish offers the rates after set baud.   completion_test.sh TESSALYCTL
tessalyctl=$1 failed=0 rates='1200 2400 4800 9600 19200'
source <("$tessalyctl" completion bash) || exit 1
globals='-h --help -V --version -p --port -b --baud -a --address --timeout-ms --trace --json -q --quiet'
dir=$(mktemp -d) && touch "$dir/ttyUSB0" && trap 'rm -r "$dir"' EXIT

sorted() { printf '%s\n' $1 | sort | tr '\n' ' '; }
# row LINE EXPECTED [whole]: LINE's last word (empty after a trailing space) completes to the words
# EXPECTED, in any order; with whole, not broken at '=', as when COMP_WORDBREAKS lacks it.
row() {
  local words=${1//=/ = }
  [[ ${3-} == whole ]] && words=$1
  read -ra COMP_WORDS <<<"$words"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMPREPLY=()
  _tessalyctl
  [[ $(sorted "${COMPREPLY[*]}") == $(sorted "$2") ]] ||
    { echo "'$1': got '${COMPREPLY[*]}', expected '$2'" && failed=1; }
}
row 'tessalyctl se' 'search set'
commands='ports search read monitor set zero calibrate provision completion help'
row 'tessalyctl ' "$commands $globals"
row 'tessalyctl help ' "$commands"
row 'tessalyctl read ' "turns $globals"
row 'tessalyctl -a 3 set ' "address baud turns $globals"
row 'tessalyctl set baud ' "$rates"
row 'tessalyctl -p COM3 -b 4800 set baud 9' '9600'
row 'tessalyctl set baud 9600 --' '--verify --help --version --port --baud --address --timeout-ms
  --trace --json --quiet'
row 'tessalyctl set turns ' ''
row 'tessalyctl -b ' "$rates"
row 'tessalyctl --baud=' "$rates"
row 'tessalyctl --baud=9' '9600'
row 'tessalyctl --baud=9' '--baud=9600' whole
row 'tessalyctl search --rates 1200,' '1200,2400 1200,4800 1200,9600 1200,19200'
row 'tessalyctl provision --rates=4800,1200,' '4800,1200,2400 4800,1200,9600 4800,1200,19200'
row 'tessalyctl search --rates 1200,2400,4800,9600,19200,' ''
row 'tessalyctl search --from ' ''
row 'tessalyctl provision --' '--help --address --baud --turns --rates --from --to --turnaround-ms
  --version --port --timeout-ms --trace --json --quiet'
row 'tessalyctl monitor --format ' 'text csv json'
row 'tessalyctl -p COM1' 'COM1 COM10'
row "tessalyctl read -p $dir/tty" "$dir/ttyUSB0"
row 'tessalyctl completion ' 'bash zsh fish'

for shell in zsh fish; do
  command -v $shell >/dev/null || continue
  "$tessalyctl" completion $shell | $shell -n || { echo "$shell cannot read its script" && failed=1; }
done
if command -v fish >/dev/null; then
  got=$("$tessalyctl" completion fish | fish -c 'source; complete -C "tessalyctl set baud "')
  [[ $(sorted "$got") == $(sorted "$rates") ]] || { echo "fish set baud: got '$got'" && failed=1; }
fi
exit $failed
