#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks every line of standard input (one JSON object each) against a JSON Schema with an
# independent validator; prints each line that fails and why, and exits 1 if any did.
import json
import sys

from jsonschema import Draft202012Validator

schema = json.load(open(sys.argv[1], encoding="utf-8"))
Draft202012Validator.check_schema(schema)
validator = Draft202012Validator(schema)
bad = 0
for number, line in enumerate(sys.stdin, 1):
    for error in validator.iter_errors(json.loads(line)):
        bad = 1
        print(f"object {number}: {line.strip()}\n  {error.message}")
        for sub in error.context or []:
            print(f"    {sub.message}")
sys.exit(bad)
