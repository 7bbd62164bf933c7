#!/usr/bin/env bash
# Builds Zel32.exe and starts it in a fresh sandboxed Japanese Windows machine.
# With a display ($DISPLAY set) the program opens there for you to use; without
# one it runs the program's whole job on a virtual display (start, snapshot,
# test of an installer-like program, check, wash), prints the wash list and
# the wash's lines, saves screenshots and compares drive C: before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
scripts/setup.sh
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_BUILD_TESTS=ON >/dev/null
cmake --build build/win64 -j "$jobs" --target Zel32 zel_support_files zeldrv msgbox_probe zel_fixture_programs
python3 scripts/sandbox.py template build/win64 >/dev/null
exec python3 scripts/run.py "$@"
