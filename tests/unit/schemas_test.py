#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The JSON Schemas against Debian's python3-jsonschema, on the readers' own tables: each reader's
# test hands over every file of its table with the reader's verdict, and the schema must agree on
# each one, apart from the rows marked as rules only the reader can check.
# Usage: schemas_test.py SCHEMA_DIR SETTINGS_TEST BENCH_TEST
import json
import os
import subprocess
import sys
import tempfile

import jsonschema

schemas, settings_test, bench_test = sys.argv[1:4]
validators = {}
for prefix, name in (("settings", "settings.schema.json"), ("bench", "bench-run.schema.json")):
    with open(os.path.join(schemas, name), encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validators[prefix] = jsonschema.Draft202012Validator(schema)

faults, counts = [], {}
with tempfile.TemporaryDirectory() as rows:
    for test in (settings_test, bench_test):
        subprocess.run([test], env=dict(os.environ, VELMAR_SCHEMA_ROWS=rows), check=True,
                       stdout=subprocess.DEVNULL)
    for name in sorted(os.listdir(rows)):
        prefix, verdict = name.split("-", 1)[0], name.rsplit(".", 2)[1]
        counts[prefix, verdict] = counts.get((prefix, verdict), 0) + 1
        if verdict == "reader-only":
            continue
        try:
            with open(os.path.join(rows, name), encoding="utf-8") as f:
                errors = list(validators[prefix].iter_errors(json.load(f)))
        except ValueError as fault:  # not UTF-8, not JSON
            errors = [fault]
        if (verdict == "good") != (not errors):
            faults.append(f"{name}: the reader finds it {verdict}, the schema "
                          + ("refuses it: " + str(errors[0]).splitlines()[0] if errors
                             else "accepts it"))
for prefix in validators:
    for verdict in ("good", "bad", "reader-only"):
        if not counts.get((prefix, verdict)):
            faults.append(f"no {verdict} {prefix} file came from the readers' tables")
print("\n".join(faults) or "schemas and readers agree on "
      + ", ".join(f"{n} {v} {p}" for (p, v), n in sorted(counts.items())))
sys.exit(1 if faults else 0)
