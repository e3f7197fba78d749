#!/usr/bin/env python3
"""Writes the flat interface as plain C declarations with their comments, from
the lists in include/stoka/flat/*.h, so that Doxygen can document each flat
function (the lists themselves are macros, whose comments Doxygen cannot see).

A list is a macro of (TWIN, FLAT) or (ROW, TWIN) whose lines hold its
entries. In a list, /** ... */ documents the entry that follows it and
/* ... */ heads a group: it documents the entries up to the next group comment,
once, as a Doxygen member group. A row (stoka/flat/fit.h) says what each of
its arguments is; its words become the @param lines, and rows of kind CONVERT,
which have no flat function, are left out. The declarations are copied as the
lists write them.
Usage: flat_reference.py INCLUDE_DIR OUTPUT_HEADER"""
import re
import sys
from pathlib import Path

LIST = re.compile(r"^#define (STOKA_\w+)\((TWIN, FLAT|ROW, TWIN)\)[ \t]*\\$")
TOKEN = re.compile(r"/\*(\*?)(.*?)\*/|^[ \t]*(ROW|TWIN|FLAT)\(", re.S | re.M)
FIELDS = {"ML": "the most likely value", "MIN": "the minimum", "MAX": "the maximum",
          "ALPHA": "the shape alpha", "BETA": "the shape beta", "MEAN": "the mean",
          "SIGMA": "the standard deviation", "LOC": "the location"}
# LogNormal rows read MEAN and SIGMA in the kind's parameterisation.
LOGNORMAL = {"MEAN": "the mean-like parameter of the kind",
             "SIGMA": "the deviation-like parameter of the kind"}


def words_text(word, family):
    """What an argument is, from its word in the row."""
    fields = dict(FIELDS, **(LOGNORMAL if family == "lognormal" else {}))
    if word == "ITER":
        return "the iteration cap of the simplex (at least one iteration is made)"
    if word == "TOL":
        return "the simplex size at which the search stops"
    if word == "KIND":
        return "the LogNormal parameterisation (0 arithmetic, 1 logarithm, 2 geometric)"
    if re.fullmatch(r"X\d", word):
        return f"judged value {word[1]}"
    if re.fullmatch(r"P\d", word):
        return f"the exceedance percent of value {word[1]}"
    if word.endswith("_OUT"):
        return "receives " + fields[word[:-4]]
    return "fixed: " + fields[word]


def split_top(s):
    """The comma-separated items of s outside parentheses."""
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


def flat(text):
    return " ".join(text.split())


def lists(text):
    """The bodies of the list macros of a header, in order."""
    lines = text.splitlines()
    for i, line in enumerate(lines):
        if not LIST.match(line):
            continue
        body = []
        for l in lines[i + 1:]:
            body.append(l.rstrip().rstrip("\\"))
            if not l.rstrip().endswith("\\"):
                break
        yield "\n".join(body)


def groups(body):
    """[(group comment, [entry])] of a list; an entry is a dict."""
    out, pending = [("", [])], None
    pos = 0
    while m := TOKEN.search(body, pos):
        if m.group(3) is None:
            if pending is not None:
                raise SystemExit(f"entry comment without its entry: {pending}")
            if m.group(1):
                pending = flat(m.group(2))
            else:
                out.append((flat(m.group(2)), []))
            pos = m.end()
            continue
        depth, i = 1, m.end()
        while depth:
            depth += {"(": 1, ")": -1}.get(body[i], 0)
            i += 1
        parts = split_top(flat(body[m.end():i - 1]))
        kind = m.group(3)
        if kind == "ROW":
            _, family, row_kind, words, *parts = parts
            entry = dict(zip(("ret", "name", "params", "args", "fail"), parts))
            entry.update(form="TWIN", family=family, words=split_top(words[1:-1]))
            if row_kind == "CONVERT":
                entry = None
        else:
            entry = dict(zip(("ret", "name", "params", "args", "fail"), parts), form=kind)
        if entry is not None:
            entry["comment"] = pending or ""
            out[-1][1].append(entry)
        pending = None
        pos = i
    return [(c, e) for c, e in out if e]


def title(comment):
    """A group's title: its comment up to the first sentence end, colon or
    semicolon outside parentheses."""
    depth = 0
    for i, ch in enumerate(comment):
        depth += {"(": 1, ")": -1}.get(ch, 0)
        if depth == 0 and comment[i:i + 2] in (": ", "; ", ". ") and \
                not comment[:i].endswith(("e.g", "i.e")):
            return comment[:i]
    return comment.rstrip(".")


def entry_doc(e):
    lines = [e["comment"]] if e["comment"] else []
    if "words" in e:
        names = [re.findall(r"\w+", p)[-1] for p in split_top(e["params"][1:-1])]
        lines += [f"@param{'[out]' if w.endswith('_OUT') else ''} {n} {words_text(w, e['family'])}"
                  for n, w in zip(names, e["words"])]
    if e["form"] == "TWIN":
        fail = {"STOKA_NAN": "NaN", "STOKA_VOID": ""}.get(e["fail"], e["fail"])
        lines.append(f"@remark Flat twin of {e['name']}_ of the object interface"
                     + (f"; {fail} where that throws." if fail else "."))
    else:
        lines.append("@remark A function of the flat interface only.")
    return "/** " + "\n *  ".join(lines) + " */"


def main():
    include, out = Path(sys.argv[1]), Path(sys.argv[2])
    headers = sorted((include / "stoka" / "flat").glob("*.h"))
    text = ["/** @file stoka_flat_reference.h",
            " * The flat C interface of libstoka, one declaration per function, as",
            " * generated from the lists that stoka.h expands. Include stoka/stoka.h,",
            " * not this file."]
    for header in headers:
        lead = re.match(r"\s*/\*(.*?)\*/", header.read_text(), re.S)
        if lead:
            text += [" *", f" * @par {header.name}"] + [" * " + l.strip() for l in
                                                        lead.group(1).strip().splitlines()]
    text += [" */", "#include <stoka/stoka.h>", ""]
    for header in headers:
        for body in lists(header.read_text()):
            for comment, entries in groups(body):
                heading = title(comment) if comment else header.stem
                text.append(f"/** @name {heading}" + (f"\n *  {comment} */" if comment else " */"))
                text.append("/** @{ */")
                for e in entries:
                    text.append(entry_doc(e))
                    text.append(f"{e['ret']} {e['name']}{e['params']};")
                text.append("/** @} */\n")
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text("\n".join(text) + "\n")


if __name__ == "__main__":
    main()
