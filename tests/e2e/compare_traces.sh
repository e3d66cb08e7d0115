#!/usr/bin/env bash
# Runs one scenario in the native host with the native module and in panelhost.exe
# under Wine with the real Tarvolen_Instr.gau, and compares the two traces line by
# line (real numbers to their last digits: same_traces.py). Sound lines are left out:
# only the native sound back end reports them.
#   compare_traces.sh SCENARIO NATIVE_PANELHOST WIN32_BUILD_DIR [NATIVE_MODULE]
# NATIVE_MODULE is the native module build (default: the one beside NATIVE_PANELHOST).
set -u
scenario=$1 native=$2 win32=$3 native_module=${4:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$native" run "$scenario" ${native_module:+--module "$native_module"} >"$out/native.raw" 2>"$out/native.err"
native_rc=$?
# shellcheck source=/dev/null
source "$root/scripts/wine-env.sh"
wine "$win32/host/panelhost.exe" run "$(winepath -w "$scenario")" --module "$(winepath -w "$win32/Tarvolen_Instr.gau")" \
  >"$out/wine.raw" 2>"$out/wine.err"
wine_rc=$?

# Each line is read as JSON (a line that is not fails the run) and kept as written.
without_sound='select((fromjson).op != "sound")'
jq -R -r "$without_sound" "$out/native.raw" >"$out/native.jsonl" || { echo "native trace is not JSON lines"; exit 1; }
tr -d '\r' <"$out/wine.raw" | jq -R -r "$without_sound" >"$out/wine.jsonl" || { echo "Wine trace is not JSON lines"; exit 1; }

status=0
if [ "$native_rc" -ne 0 ]; then echo "native run failed ($native_rc):"; cat "$out/native.err"; status=1; fi
if [ "$wine_rc" -ne 0 ]; then echo "Wine run failed ($wine_rc):"; tr -d '\r' <"$out/wine.err"; status=1; fi
if [ ! -s "$out/native.jsonl" ]; then echo "native trace is empty"; status=1; fi
if ! "$root/tests/e2e/same_traces.py" "$out/native.jsonl" "$out/wine.jsonl"; then
  echo "traces differ"; status=1
fi
[ "$status" -eq 0 ] && echo "same trace: $(wc -l <"$out/native.jsonl") lines"
exit "$status"
