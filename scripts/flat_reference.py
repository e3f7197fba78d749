#!/usr/bin/env python3
"""Writes the flat interface as plain C declarations with their comments, from
the lists in include/stoka/flat/*.h, so that Doxygen can document each flat
function (the lists themselves are macros, whose comments Doxygen cannot see).
Usage: flat_reference.py INCLUDE_DIR OUTPUT_HEADER"""
import re
import sys
from pathlib import Path

ENTRY = re.compile(r"^\s*(TWIN|FLAT)\(")


def entries(text):
    """(comment, kind, ret, name, params) for every list entry, in order."""
    lines = [l.rstrip().rstrip("\\").rstrip() for l in text.splitlines()]
    body, inside = [], False
    for l in lines:
        if l.startswith("#define STOKA_FLAT_") or l.startswith("#define STOKA_FIT_"):
            inside = True
            continue
        if inside:
            if not l.strip():
                inside = False
                continue
            body.append(l)
    joined = "\n".join(body)
    comment = ""
    pos = 0
    token = re.compile(r"/\*(.*?)\*/|(TWIN|FLAT)\(", re.S)
    while True:
        m = token.search(joined, pos)
        if not m:
            break
        if m.group(1) is not None:
            comment = " ".join(w for w in m.group(1).split())
            pos = m.end()
            continue
        depth, i = 1, m.end()
        while depth and i < len(joined):
            depth += {"(": 1, ")": -1}.get(joined[i], 0)
            i += 1
        inner = " ".join(joined[m.end():i - 1].split())
        parts = split_top(inner)
        if len(parts) >= 3 and re.match(r"^[A-Za-z_]\w*$", parts[1]):
            yield comment, m.group(2), parts[0], parts[1], parts[2]
        pos = i


def split_top(s):
    parts, depth, cur = [], 0, ""
    for ch in s:
        if ch == "," and depth == 0:
            parts.append(cur.strip())
            cur = ""
            continue
        depth += {"(": 1, ")": -1}.get(ch, 0)
        cur += ch
    parts.append(cur.strip())
    return parts


def main():
    include, out = Path(sys.argv[1]), Path(sys.argv[2])
    text = ["/** @file stoka_flat_reference.h",
            " * The flat C interface of libstoka, one declaration per function, as",
            " * generated from the lists that stoka.h expands. Include stoka/stoka.h,",
            " * not this file. */", "#include <stoka/stoka.h>", ""]
    for header in sorted((include / "stoka" / "flat").glob("*.h")):
        text.append(f"/** @name {header.stem} */\n/** @{{ */")
        for comment, kind, ret, name, params in entries(header.read_text()):
            twin = (f" Forwards to {name}_ of the object interface." if kind == "TWIN" else "")
            text.append(f"/** {comment}{twin} */")
            text.append(f"{ret} {name}{params};")
        text.append("/** @} */\n")
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text("\n".join(text) + "\n")


if __name__ == "__main__":
    main()
