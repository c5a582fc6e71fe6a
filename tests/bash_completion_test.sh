#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion of tessalyctl, sourced as bash sources it and asked, as bash asks, for the
# completions of partial words: commands, options, closed sets of values, and the ports that
# `tessalyctl ports` finds (a simulator's pseudo-terminal as COM7, every other COMn absent).
# Usage: bash_completion_test.sh COMPLETION TESSALYCTL TESSALY-SIM
set -u
source "$1"
PATH=$(dirname "$2"):$PATH
for n in 1 2 3 4 5 6 7 8 9 10; do export TESSALY_COM$n=/nonexistent/tessaly-com$n; done
coproc SIM { exec "$3"; }
read -r pty <&"${SIM[0]}"
export TESSALY_COM7=$pty

failed=0
# expect LINE EXPECTED: the completions of LINE's last word (empty after a trailing space).
expect() {
  local line=$1 expected=$2
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _tessalyctl
  [[ "${COMPREPLY[*]}" == "$expected" ]] ||
    { echo "'$line': got '${COMPREPLY[*]}', expected '$expected'"; failed=1; }
}
expect "tessalyctl pro" "provision"
expect "tessalyctl --js" "--json"
expect "tessalyctl -b 19" "19200"
expect "tessalyctl -p COM" "COM7"
expect "tessalyctl -p /dev/pts/" "$pty"
expect "tessalyctl read t" "turns"
expect "tessalyctl search --f" "--from --fast"
expect "tessalyctl search --rates 1200,4" "1200,4800"
expect "tessalyctl -a 3 monitor --format c" "csv"
expect "tessalyctl set b" "baud"
expect "tessalyctl set baud 96" "9600"
expect "tessalyctl set turns --v" "--verify"
expect "tessalyctl provision --tu" "--turns --turnaround-ms"
expect "tessalyctl provision --baud 4" "4800"
kill "$SIM_PID"
exit $failed
