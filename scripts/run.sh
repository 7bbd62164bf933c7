#!/usr/bin/env bash
# Builds Zel32.exe and starts it in a fresh sandboxed Japanese Windows machine.
# With a display ($DISPLAY set) the program opens there for you to use; without
# one it runs on a virtual display, saves a screenshot of its window and says
# where.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
scripts/setup.sh
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_BUILD_TESTS=ON >/dev/null
cmake --build build/win64 -j "$jobs" --target Zel32 zeldrv
exec python3 scripts/run.py "$@"
