#!/usr/bin/env bash
# Builds everything and runs every test: the host unit tests, then the Win32
# tests and the end-to-end tests under Wine in the sandboxed machine.
#   scripts/test.sh            all tests
#   scripts/test.sh -R REGEX   only the tests whose names match (both trees)
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
jobs=$(nproc)

scripts/setup.sh

echo "== host build and unit tests"
cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/host -j "$jobs"
ctest --test-dir build/host -j "$jobs" --output-on-failure "$@"

echo "== Windows build and the tests under Wine"
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_BUILD_TESTS=ON >/dev/null
cmake --build build/win64 -j "$jobs"
python3 scripts/sandbox.py template build/win64 >/dev/null

# One virtual display for every test, and the sandbox servers ended afterwards.
display=$(python3 - <<'PY'
import sys
sys.path.insert(0, "scripts")
import sandbox
d = sandbox.Display()
d.start()
print(d.number, d.proc.pid)
PY
)
read -r number xvfb <<<"$display"
cleanup() {
  python3 scripts/sandbox.py kill-all build/win64 || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export ZEL_TEST_DISPLAY=":$number"
ctest --test-dir build/win64 -j "$jobs" --output-on-failure "$@"
echo "== all tests passed; screenshots in $here/build/win64/test-artifacts"
