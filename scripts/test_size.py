#!/usr/bin/env python3
"""Prints the lines of src/, the lines of the tests and their ratio.

Counted as tests: the unit tests (tests/unit/**/*.cpp and *.h) and
everything the end-to-end tests are written in (tests/wine/*.py, *.cpp, *.h,
their Python helpers included). Not counted: the driver program that does
what a person does (tests/wine/driver/) and the programs the tests run
(tests/fixtures/).

    scripts/test_size.py          the totals
    scripts/test_size.py -v       also each test file, largest first
"""
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent


def lines(path):
    with open(path, "rb") as f:
        return f.read().count(b"\n")


def source_files():
    return [p for p in (ROOT / "src").rglob("*") if p.suffix in (".cpp", ".h")]


def test_files():
    found = [p for p in (ROOT / "tests/unit").rglob("*") if p.suffix in (".cpp", ".h")]
    return found + [p for p in (ROOT / "tests/wine").glob("*") if p.suffix in (".py", ".cpp", ".h")]


def main():
    src = sum(lines(p) for p in source_files())
    tests = {p.relative_to(ROOT).as_posix(): lines(p) for p in test_files()}
    total = sum(tests.values())
    if "-v" in sys.argv[1:]:
        for name, n in sorted(tests.items(), key=lambda t: -t[1]):
            print(f"{n:7}  {name}")
    print(f"src lines:   {src}")
    print(f"test lines:  {total}")
    print(f"ratio:       {total / src:.1%}")


if __name__ == "__main__":
    main()
