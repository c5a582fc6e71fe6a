#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion of tessalyctl, sourced and asked, as bash asks, for the completions of
# partial words: after each command, every option and command its --help lists; closed sets of
# values; the ports `tessalyctl ports` finds (a simulator as COM7, every other COMn absent).
# Usage: bash_completion_test.sh COMPLETION TESSALYCTL TESSALY-SIM
set -u
source "$1"
PATH=$(dirname "$2"):$PATH
for n in 1 2 3 4 5 6 7 8 9 10; do export TESSALY_COM$n=/nonexistent/tessaly-com$n; done
coproc SIM { exec "$3"; }
read -r pty <&"${SIM[0]}"
export TESSALY_COM7=$pty

failed=0
# ask LINE: the completions of LINE's last word (empty after a trailing space), in COMPREPLY.
ask() {
  read -ra COMP_WORDS <<<"$1"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _tessalyctl
}
expect() {
  ask "$1"
  [[ "${COMPREPLY[*]}" == "$2" ]] || { echo "'$1': got '${COMPREPLY[*]}', expected '$2'"; failed=1; }
}
for command in "" search read monitor set "set address" "set baud" "set turns" zero calibrate \
  provision ports; do
  ask "tessalyctl $command "
  for word in $(tessalyctl $command --help | sed -n '/^\(Options\|Commands\):/,/^$/p' |
    grep -oE '^  [^ ]+' | tr , ' '); do
    [[ " ${COMPREPLY[*]} " == *" $word "* ]] || { echo "'$command': $word not offered"; failed=1; }
  done
done
expect "tessalyctl -b 19" "19200"
expect "tessalyctl -p COM" "COM7"
expect "tessalyctl search --rates 1200,4" "1200,4800"
expect "tessalyctl -a 3 monitor --format c" "csv"
expect "tessalyctl set baud 96" "9600"
kill "$SIM_PID"
exit $failed
