#!/usr/bin/env python3
"""Checks that every #include "folder/file.h" in src/ goes down the folder
order written in docs/ARCHITECTURE.md (a folder includes only itself and the
folders listed before it), and that no folder listed before the Win32 line
includes <windows.h>. Prints each offending line; exit 1 when there is one."""

import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LINE = "-------- Win32 line"


def folder_order(doc):
    text = open(doc, encoding="utf-8").read()
    m = re.search(r"<!-- include-order -->\s*```\n(.*?)```", text, re.S)
    if not m:
        sys.exit("%s: no include-order block" % doc)
    return [l.strip() for l in m.group(1).splitlines() if l.strip()]


def folder_of(rel):
    """The longest listed folder a path of src/ lies in."""
    parts = rel.split("/")[:-1]
    return "/".join(parts)


def check(src, order):
    portable = set(order[:order.index(LINE)])
    rank = {f: i for i, f in enumerate(f for f in order if f != LINE)}
    faults = []
    for base, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(base, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            here = folder_of(rel)
            if here not in rank:
                faults.append("%s: folder %s is not in the order" % (rel, here))
                continue
            for n, line in enumerate(open(path, encoding="utf-8"), 1):
                m = re.match(r'\s*#\s*include\s*([<"])([^>"]+)[>"]', line)
                if not m:
                    continue
                if m.group(1) == "<":
                    if m.group(2).lower() == "windows.h" and here in portable:
                        faults.append("%s:%d: <windows.h> below the Win32 line" % (rel, n))
                    continue
                target = folder_of(m.group(2))
                if not target or target == here:
                    continue
                if target not in rank:
                    faults.append("%s:%d: %s names a folder not in the order" % (rel, n, m.group(2)))
                elif rank[target] > rank[here]:
                    faults.append("%s:%d: %s includes %s, which comes after it" % (rel, n, here, m.group(2)))
    return faults


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "src")
    doc = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "docs", "ARCHITECTURE.md")
    faults = check(src, folder_order(doc))
    for f in faults:
        print(f)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
