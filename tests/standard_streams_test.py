#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Started with stdout and stderr closed (a careless service unit, `>&- 2>&-`), tessalyctl writes
# none of its messages onto the line, which would otherwise take descriptor 1 or 2.
#   standard_streams_test.py TESSALYCTL
import os, select, subprocess, sys

failures = []
for streams, args in (("2>&-", ["read"]), (">&- 2>&-", ["--json", "read"])):
    master, slave = os.openpty()  # nobody answers there: the command fails, and says so
    command = [sys.argv[1], "-p", os.ttyname(slave), "--timeout-ms", "100"] + args
    subprocess.run(["sh", "-c", 'exec "$@" ' + streams, "sh"] + command, timeout=30)
    line = os.read(master, 4096) if select.select([master], [], [], 0.3)[0] else b""
    if b"tessalyctl" in line or b'"command"' in line:
        failures.append(f"tessalyctl {' '.join(args)} {streams} wrote on the line: {line!r}")
print("\n".join(failures) or "only frames on the line")
sys.exit(1 if failures else 0)
