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
grep -c '"name"' "$out/native.json" >/dev/null || { echo "native dump names no gauge"; exit 1; }
if ! diff <(tr ',' '\n' <"$out/native.json") <(tr ',' '\n' <"$out/wine.json") >"$out/diff"; then
  echo "declarations differ:"; head -30 "$out/diff"; exit 1
fi
echo "same declarations: $(grep -o '"name":"[^"]*","version"' "$out/native.json" | wc -l) gauges"
