#!/usr/bin/env python3
"""Checks that last-run.json is JSON and lists exactly the changes of the
journal it names. Usage: report_matches_journal.py TOOL_FOLDER [MODE]
Prints the changes as "kind<TAB>target<TAB>name", one a line."""
import json
import re
import sys

folder = sys.argv[1]
with open(f"{folder}/last-run.json", encoding="utf-8") as f:
    report = json.load(f)
if len(sys.argv) > 2 and report["mode"] != sys.argv[2]:
    sys.exit(f"mode is {report['mode']!r}, not {sys.argv[2]!r}")
for field in ("start", "end", "edition", "modules", "changes", "found"):
    if field not in report:
        sys.exit(f"no {field!r} in the report")


def unescape(field):
    return re.sub(r"%([0-9A-F]{2})", lambda m: chr(int(m.group(1), 16)), field)


journal = []
if report["journal"] is not None:
    with open(f"{folder}/backup/{report['journal']}/manifest.txt", encoding="utf-8") as f:
        for line in f:
            fields = [unescape(x) for x in line.rstrip("\n").split("\t")]
            if fields[0] == "change":
                kind, target, name, before, after, undoable = fields[1:]
                journal.append({"kind": kind, "target": target, "name": name,
                                "before": before, "after": after,
                                "undoable": undoable == "yes"})
# Beside the journal's own fields a change may say what its states hold
# ("beforeReadable", "afterReadable"); those are checked where they are made.
listed = [{key: change.get(key) for key in ("kind", "target", "name", "before", "after",
                                            "undoable")} for change in report["changes"]]
if journal != listed:
    sys.exit(f"report lists {len(report['changes'])} changes, the journal {len(journal)}:\n"
             f"{json.dumps(report['changes'], indent=1)}\n{json.dumps(journal, indent=1)}")
for change in journal:
    print(f"{change['kind']}\t{change['target']}\t{change['name']}")
