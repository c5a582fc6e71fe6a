#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# mbpoll (a standard Modbus RTU master) reads the simulated sensor's measurement word.
set -euo pipefail
mbpoll=$1 sim=$2
dir=$(mktemp -d)
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$dir"' EXIT
"$sim" --address 1 --current 12.3 --link "$dir/com" > "$dir/path" &
pid=$!
for _ in $(seq 50); do [ -e "$dir/com" ] && break; sleep 0.1; done
out=$("$mbpoll" -m rtu -a 1 -b 9600 -P none -t 3 -r 1 -c 1 -1 "$dir/com")
echo "$out"
grep -q '^\[1\]:[[:space:]]*123$' <<<"$out"
