#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks every line of standard input ("RUN STATUS OBJECT": a run's number, exit status and one JSON
# object it printed) against a JSON Schema with an independent validator, and against the status: a
# run that succeeded printed no failure, one that failed (1, 3) at least one; a failure's cause is a
# code, not its error. Prints each line that fails and why; exits 1 if any did.
import json
import sys

from jsonschema import Draft202012Validator

schema = json.load(open(sys.argv[1], encoding="utf-8"))
Draft202012Validator.check_schema(schema)
validator = Draft202012Validator(schema)
faults = []
failures = {}  # run -> (status, whether it printed a failure)


def fault(number, line, message):
    faults.append(number)
    print(f"object {number}: {line.strip()}\n  {message}")


for number, line in enumerate(sys.stdin, 1):
    run, status, text = line.split(" ", 2)
    value = json.loads(text)
    for error in validator.iter_errors(value):
        fault(number, line, error.message)
        for sub in error.context or []:
            print(f"    {sub.message}")
    failed = value.get("ok") is False
    if failed and value.get("cause") == value.get("error"):
        fault(number, line, "its cause is its error")
    if failed and "command" in value and status == "0":
        fault(number, line, "a failure printed by a run that exited 0")
    failures[run] = (status, failures.get(run, (status, False))[1] or failed)
for run, (status, failed) in failures.items():
    if status in ("1", "3") and not failed:
        fault(run, f"run {run}", f"exited {status} and printed no failure")
sys.exit(1 if faults else 0)
