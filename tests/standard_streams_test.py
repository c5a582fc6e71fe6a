#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Started with standard output and error closed, as a careless service unit or cron line starts
# them, tessalyctl writes none of its messages onto the line: the port would otherwise take
# descriptor 1 or 2.
#   standard_streams_test.py TESSALYCTL
import os
import select
import subprocess
import sys
import time

ctl = sys.argv[1]
failures = []


def closing(streams, argv):
    return ["sh", "-c", 'exec "$@" ' + streams, "sh"] + argv


def drain(fd, seconds):
    got, end = b"", time.monotonic() + seconds
    while (left := end - time.monotonic()) > 0 and select.select([fd], [], [], left)[0]:
        try:
            chunk = os.read(fd, 4096)
        except OSError:  # the other side has closed
            break
        if not chunk:
            break
        got += chunk
    return got


# tessalyctl on a line where nobody answers: its failure, in text or JSON, stays off the line.
for streams, args in (("2>&-", ["read"]), (">&- 2>&-", ["--json", "read"])):
    master, slave = os.openpty()
    command = [ctl, "-p", os.ttyname(slave), "--timeout-ms", "100"] + args
    subprocess.run(closing(streams, command), stdin=subprocess.DEVNULL, timeout=30)
    line = drain(master, 0.3)
    if b"tessalyctl" in line or b'"command"' in line:
        failures.append(f"tessalyctl {' '.join(args)} {streams} wrote on the line: {line!r}")
    os.close(master)
    os.close(slave)

print("\n".join(failures) or "only frames on the line")
sys.exit(1 if failures else 0)
