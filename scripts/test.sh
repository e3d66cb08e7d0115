#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test: the native unit tests, the
# same under AddressSanitizer/UBSan, the checks of the built .gau, the Wine runs of the
# real module, and the fuzz targets for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh test

jobs=$(nproc)
build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

echo "== building (win32, native, native-asan)"
build win32
build native
build native-asan

echo "== native tests, checks of the .gau and Wine runs"
ctest --preset native -j "$jobs"

echo "== tests under AddressSanitizer and UBSan"
ctest --preset native-asan -j "$jobs" -LE 'wine|artefact'

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzzing"
  bash scripts/fuzz.sh
fi
echo "== all tests passed"
