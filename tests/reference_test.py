#!/usr/bin/env python3
"""The generated API reference declares every name of the flat lists once, each
after a comment of its own: no entry carries the comment of the entry before
it, and no group comment is copied into an entry.
Usage: reference_test.py GENERATOR INCLUDE_DIR FLAT_NAMES_PROGRAM"""
import re
import subprocess
import sys
import tempfile
from pathlib import Path

generator, include, flat_names = sys.argv[1:4]
with tempfile.TemporaryDirectory() as tmp:
    out = Path(tmp) / "reference.h"
    subprocess.run([sys.executable, generator, include, out], check=True)
    text = out.read_text()
listed = [line.split()[-1] for line in subprocess.run([flat_names], check=True, capture_output=True,
                                                       text=True).stdout.splitlines() if line.strip()]

def words(doc):
    return " ".join(" ".join(line.strip().lstrip("*") for line in doc.splitlines()).split())


blocks = re.findall(r"/\*\*(.*?)\*/\n([^/\n][^\n]*;)?", text, re.S)
groups = [words(doc.split("\n", 1)[1]) for doc, _ in blocks if "@name" in doc and "\n" in doc]
entries = [(re.search(r"(\w+)\(", decl).group(1), words(doc)) for doc, decl in blocks if decl]
names = [name for name, _ in entries]
failures = []
if sorted(names) != sorted(listed):
    failures.append(f"declared but not listed: {sorted(set(names) - set(listed))}; listed but not "
                    f"declared: {sorted(set(listed) - set(names))}; or declared twice")
own = [(name, doc.split("@", 1)[0].strip()) for name, doc in entries]
for (before, mine), (name, theirs) in zip(own, own[1:]):
    if theirs and theirs == mine:
        failures.append(f"{name} carries the comment of {before}: {theirs}")
for name, doc in entries:
    if not doc or any(g and g in doc for g in groups):
        failures.append(f"{name} has no comment of its own, or a group's")
print("\n".join(failures) or f"{len(names)} names, each with its own comment")
sys.exit(1 if failures else 0)
