#!/usr/bin/env bash
# Runs the soak test (tests/soak) in Windows under Wine with the real Tarvolen_Instr.gau:
# cycles of the whole example panel, watching the Wine process's memory and handles.
#   run_wine_soak.sh WIN32_BUILD_DIR CYCLES
set -u
win32=$1 cycles=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=/dev/null
source "$root/scripts/wine-env.sh"
wine "$win32/tests/e2e/soak.exe" --cycles "$cycles" \
  --panel "$(winepath -w "$root/examples/panel.cfg")" --module "$(winepath -w "$win32/Tarvolen_Instr.gau")" 2>&1 | tr -d '\r'
status=${PIPESTATUS[0]}
wineserver -w
exit "$status"
