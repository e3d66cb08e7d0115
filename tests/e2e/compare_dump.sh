#!/usr/bin/env bash
# The declarations of the real Tarvolen_Instr.gau, read by panelhost.exe under Wine
# through the 32-bit record layout, are the same as those of the native build: every
# header, element, calibration table, failure list and mouse rectangle.
#   compare_dump.sh NATIVE_PANELHOST NATIVE_MODULE WIN32_BUILD_DIR
set -u
native=$1 module=$2 win32=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$native" dump --module "$module" >"$out/native.json" || { echo "native dump failed"; exit 1; }
# shellcheck source=/dev/null
source "$root/scripts/wine-env.sh"
wine "$win32/host/panelhost.exe" dump --module "$(winepath -w "$win32/Tarvolen_Instr.gau")" 2>"$out/wine.err" \
  | tr -d '\r' >"$out/wine.json"
[ -s "$out/wine.json" ] || { echo "Wine dump is empty:"; tr -d '\r' <"$out/wine.err"; exit 1; }
gauges=$(jq '.gauges | length' "$out/native.json") || { echo "native dump is not JSON"; exit 1; }
[ "$gauges" -gt 0 ] || { echo "native dump names no gauge"; exit 1; }
jq -e .gauges "$out/wine.json" >/dev/null || { echo "Wine dump is not JSON:"; head -c 400 "$out/wine.json"; exit 1; }
# The text must be the same byte for byte; where it is not, show the fields that differ.
if ! cmp -s "$out/native.json" "$out/wine.json"; then
  echo "declarations differ:"
  diff <(jq -c '.gauges[] | .elements[], .mouse_rects[], del(.elements, .mouse_rects)' "$out/native.json") \
    <(jq -c '.gauges[] | .elements[], .mouse_rects[], del(.elements, .mouse_rects)' "$out/wine.json") | head -30
  exit 1
fi
echo "same declarations: $gauges gauges"
