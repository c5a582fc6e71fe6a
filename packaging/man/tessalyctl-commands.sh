#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the COMMANDS section of the tessalyctl manual page, for help2man to include, from each
# command's own --help: its usage, arguments, options and notes, so the page cannot drift from
# the program. Usage: tessalyctl-commands.sh TESSALYCTL > commands.h2m
set -eu
ctl=$1
echo "[COMMANDS]"
for command in ports search read "read turns" monitor "set address" "set baud" "set turns" \
  zero calibrate provision; do
  # shellcheck disable=SC2086  # "set address" is a command and its command
  "$ctl" $command --help | awk -v command="$command" '
    function roff(text) {
      gsub(/\\/, "\\e", text); gsub(/-/, "\\-", text)
      sub(/^[.'\'']/, "\\\\&&", text)
      return text
    }
    NR == 1 { printf ".SS \"%s\"\n%s.\n", command, roff($0); next }
    /^Usage: / { sub(/^Usage: /, ""); printf ".PP\n.B %s\n", roff($0); next }
    # A command with commands lists them; each has its own entry, so the list is left out.
    /^(Arguments|Options|Commands):$/ { list = ($0 == "Commands:" ? 2 : 1); next }
    /^The global options/ { exit }
    /^  [^ ]/ && list == 2 { next }
    /^  [^ ]/ && list == 1 {
      # "  --rates R1,R2,...     rates to try": the option, then its description.
      line = $0; sub(/^  /, "", line)
      name = line; sub(/  +.*/, "", name)
      text = line; sub(/^[^ ]+( [^ ]+)?  +/, "", text)
      if (name == "-h,--help") next
      printf ".TP\n.B %s\n%s\n", roff(name), roff(text); next
    }
    /^$/ { if (list) printf ".PP\n"; list = 0; next }
    { if (!list) print roff($0) }
  '
done
