#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test: the native unit tests, the
# same under AddressSanitizer/UBSan, the checks of the built .gau, the Wine runs of the
# real module, and the fuzz targets for a bounded time.
#
#   bash scripts/test.sh            everything, in the order below (what CI runs)
#   bash scripts/test.sh STAGE...   only those stages, in the order given:
#     setup    the machine's packages (scripts/setup.sh)
#     unit     native build, then the unit tests in parallel (ctest --preset fast)
#     native   win32 and native builds, then every native test: unit, artefacts, Wine,
#              browser, recordings, soak, bad input
#     asan     native-asan build, then its tests but Wine and the artefacts
#     fuzz     the fuzz targets (scripts/fuzz.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

stage_setup() { bash scripts/setup.sh test; }

stage_unit() {
  echo "== unit tests"
  build native
  ctest --preset fast -j "$jobs"
}

stage_native() {
  echo "== building (win32, native)"
  build win32
  build native
  echo "== native tests, checks of the .gau and Wine runs"
  ctest --preset native -j "$jobs"
}

stage_asan() {
  echo "== building (native-asan)"
  build native-asan
  echo "== tests under AddressSanitizer and UBSan"
  ctest --preset native-asan -j "$jobs" -LE 'wine|artefact'
}

stage_fuzz() {
  echo "== fuzzing"
  bash scripts/fuzz.sh
}

stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(setup native asan fuzz)
for stage in "${stages[@]}"; do
  case $stage in
    setup | unit | native | asan | fuzz) "stage_$stage" ;;
    *)
      echo "scripts/test.sh: no stage \"$stage\" (setup, unit, native, asan, fuzz)" >&2
      exit 2
      ;;
  esac
done
echo "== all tests passed (${stages[*]})"
