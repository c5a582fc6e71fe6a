#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# mbpoll (a standard Modbus RTU master) reads the simulated sensor's measurement word.
# Usage: mbpoll_reads_sim.sh MBPOLL TESSALY-SIM
set -euo pipefail
dir=$(mktemp -d)
"$2" --address 1 --current 12.3 --link "$dir/com" >/dev/null &
trap 'kill $! 2>/dev/null; wait; rm -rf "$dir"' EXIT
for _ in $(seq 50); do [ -e "$dir/com" ] && break; sleep 0.1; done
"$1" -m rtu -a 1 -b 9600 -P none -t 3 -r 1 -c 1 -1 "$dir/com" | tee /dev/stderr | grep '^\[1\]:[[:space:]]*123$'
