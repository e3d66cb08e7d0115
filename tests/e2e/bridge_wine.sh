#!/usr/bin/env bash
# The Linux panelhost driving the real Tarvolen_Instr.gau through panelhost.exe under
# Wine, beside the same panelhost with the native module build:
#  - the example panel, day and night, as placed and along examples/flight.scn, gives
#    the same PNG bytes; every scenario gives the same trace (real numbers to their last
#    digits, see same_traces.py), sound plays included (of
#    the sound operations only the native back end reports the others; buffers are
#    compared by the order they are first played);
#  - check gives the same findings both ways;
#  - the .gau works from a folder of its own, as unpacked from the release zip;
#  - no wine, a PE file that is not a gauge module, a crash, a hang and a broken pipe of
#    the Wine side each end with a clear error, and nothing of ours is left running;
#  - a wineserver killed under serve is noticed: serve says so, exits 1 and leaves no
#    Wine process of the prefix behind.
#   bridge_wine.sh NATIVE_PANELHOST NATIVE_MODULE WIN32_BUILD_DIR
set -u
native=$1 module=$2 win32=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export TARVOLEN_PANELHOST_EXE="$win32/host/panelhost.exe"
export TARVOLEN_WINE_DIR="${TARVOLEN_WINE_DIR:-$root/build/wine}"
gau="$out/release/Tarvolen_Instr.gau"
mkdir -p "$out/release"
cp "$win32/Tarvolen_Instr.gau" "$gau"
status=0
# Traces match field for field, real numbers to their last digits (same_traces.py).
same_traces="$root/tests/e2e/same_traces.py"
fail() { echo "FAIL: $*"; status=1; }

# Our Wine processes: this build's panelhost.exe, and a wineserver serving our prefix (in
# /tmp/.wine-UID/server-DEV-INODE of the prefix folder).
leftovers() {
  local server dev ino pid
  dev=$(stat -c %d "$TARVOLEN_WINE_DIR/prefix") ino=$(stat -c %i "$TARVOLEN_WINE_DIR/prefix")
  server=$(printf 'server-%x-%x' "$dev" "$ino")
  pgrep -f "$win32/host/panelhost\.exe" && return 0
  for pid in $(pgrep wineserver); do
    [[ "$(readlink "/proc/$pid/cwd" 2>/dev/null)" == *"/$server" ]] && { echo "wineserver $pid"; return 0; }
  done
  return 1
}

# A trace with only the plays of the sound lines, their buffers numbered by first play.
plays_only() {
  awk '/^\{"op":"sound"/ {
         if ($0 !~ /"call":"play"/) next
         match($0, /"object":[0-9]+/); id = substr($0, RSTART + 9, RLENGTH - 9)
         if (!(id in number)) number[id] = ++buffers
         sub(/"object":[0-9]+/, "\"object\":" number[id])
       } { print }'
}

same_pictures() {  # LABEL ARGS...: render both ways, compare bytes
  local label=$1
  shift
  "$native" render "$@" --module "$module" -o "$out/$label-native.png" 2>"$out/err" || { fail "$label native"; cat "$out/err"; }
  "$native" render "$@" --module "$gau" -o "$out/$label-gau.png" 2>"$out/err" || { fail "$label .gau"; cat "$out/err"; }
  cmp -s "$out/$label-native.png" "$out/$label-gau.png" || fail "$label: the pictures differ"
}
same_pictures day "$root/examples/panel.cfg"
same_pictures night "$root/examples/panel.cfg" --night
same_pictures screen "$root/examples/panel.cfg" --windows all --layout screen
same_pictures clicked "$root/examples/panel.cfg" --set 23=0x2175 --click Old_COM1@20,105 --frames 3

mkdir -p "$out/flight-native" "$out/flight-gau"
"$native" run "$root/examples/flight.scn" --out "$out/flight-native" --module "$module" 2>"$out/err" \
  >"$out/flight-native.raw" || { fail "flight native"; cat "$out/err"; }
"$native" run "$root/examples/flight.scn" --out "$out/flight-gau" --module "$gau" 2>"$out/err" \
  >"$out/flight-gau.raw" || { fail "flight .gau"; cat "$out/err"; }
plays_only <"$out/flight-native.raw" >"$out/flight-native.jsonl"
plays_only <"$out/flight-gau.raw" >"$out/flight-gau.jsonl"
"$same_traces" "$out/flight-native.jsonl" "$out/flight-gau.jsonl" || fail "flight: the traces differ"
pictures=0
for picture in "$out"/flight-native/*.png; do
  pictures=$((pictures + 1))
  cmp -s "$picture" "$out/flight-gau/$(basename "$picture")" || fail "flight: $(basename "$picture") differs"
done
[ "$pictures" -ge 4 ] || fail "flight: only $pictures pictures"

total_plays=0
for scenario in "$root"/tests/e2e/scenarios/*.scn; do
  name=$(basename "$scenario")
  "$native" run "$scenario" --module "$module" 2>/dev/null | plays_only >"$out/a.jsonl"
  "$native" run "$scenario" --module "$gau" 2>"$out/err" >"$out/b.raw" || { fail "$name .gau"; cat "$out/err"; }
  plays_only <"$out/b.raw" >"$out/b.jsonl"
  [ -s "$out/a.jsonl" ] && "$same_traces" "$out/a.jsonl" "$out/b.jsonl" || fail "$name: the traces differ"
  plays=$(grep -c '"call":"play"' "$out/b.jsonl")
  echo "$name: traces match ($(wc -l <"$out/b.jsonl") lines, $plays sound plays)"
  total_plays=$((total_plays + plays))
done
[ "$total_plays" -gt 0 ] || fail "no sound play came back from the .gau"
# check: the same findings both ways, for the example panel (clean) and one with faults.
printf '[Window Titles]\nWindow00=Main\n[Window00]\nsize_mm=400,200\n%s\n%s\n%s\n' \
  'gauge00=Tarvolen_Instr!GPS_Toggle, 10, 10, 40' 'gauge01=Tarvolen_Instr!ATC_Toggle, 20, 20, 40' \
  'gauge02=Tarvolen_Instr!Old_C0M1, 380, 150, 250' >"$out/faulty.cfg"
for panel in "$root/examples/panel.cfg" "$out/faulty.cfg"; do
  "$native" check "$panel" --module "$module" >"$out/check-native.txt" 2>"$out/err"
  native_rc=$?
  "$native" check "$panel" --module "$gau" >"$out/check-gau.txt" 2>"$out/err"
  gau_rc=$?
  [ "$native_rc" = "$gau_rc" ] && cmp -s "$out/check-native.txt" "$out/check-gau.txt" \
    || { fail "check $(basename "$panel"): differs ($native_rc, $gau_rc)"; diff "$out/check-native.txt" "$out/check-gau.txt"; }
  echo "check $(basename "$panel"): exit $gau_rc, $(wc -l <"$out/check-gau.txt") findings, the same both ways"
done
grep -q "overlaps" "$out/check-gau.txt" || fail "check .gau: no click-area finding"
"$native" dump --module "$module" >"$out/a.json"
"$native" dump --module "$gau" >"$out/b.json" || fail "dump .gau"
cmp -s "$out/a.json" "$out/b.json" || fail "dump: the declarations differ"
leftovers && fail "left running after the good runs"

expect_error() {  # LABEL TEXT ENV... -- ARGS...: fails with TEXT in its message, leaves nothing
  local label=$1 text=$2 envs=()
  shift 2
  while [ "$1" != "--" ]; do envs+=("$1"); shift; done
  shift
  local started=$SECONDS
  if env "${envs[@]}" "$native" "$@" >/dev/null 2>"$out/err"; then fail "$label: succeeded"; fi
  grep -qF "$text" "$out/err" || { fail "$label: no \"$text\" in:"; cat "$out/err"; }
  [ $((SECONDS - started)) -lt 60 ] || fail "$label: took $((SECONDS - started)) s"
  leftovers && fail "$label: left running"
}
expect_error "no wine" "Wine is not installed" PATH=/nonexistent -- render "$root/examples/panel.cfg" --module "$gau" -o "$out/x.png"
expect_error "not a gauge" "not a gauge module (no Linkage export)" X=1 -- gauges --module "$TARVOLEN_PANELHOST_EXE"
expect_error "crash" "the module crashed panelhost.exe under Wine during frame (exception 0xC0000005); it was stopped" \
  TARVOLEN_BRIDGE_FAULT=crash -- render "$root/examples/panel.cfg" --module "$gau" -o "$out/x.png"
expect_error "hang" "panelhost.exe under Wine did not answer within 3 s (the module hangs?) during frame; it was stopped" \
  TARVOLEN_BRIDGE_FAULT=hang TARVOLEN_BRIDGE_TIMEOUT=3 -- run "$root/tests/e2e/scenarios/com.scn" --module "$gau"
expect_error "broken pipe" "panelhost.exe under Wine ended without answering (exit code 3) during frame; it was stopped" \
  TARVOLEN_BRIDGE_FAULT=exit -- render "$root/examples/panel.cfg" --module "$gau" -o "$out/x.png"
[ -e "$out/x.png" ] && fail "a picture was written by a failed run"

# Every Wine process of this user running in our prefix (the wineserver's services
# included), one "PID PROGRAM" a line.
prefix_processes() {
  local pid
  for pid in $(pgrep -u "$(id -u)" .); do
    tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$TARVOLEN_WINE_DIR/prefix" &&
      echo "$pid $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")"
  done
  return 0
}

# A wineserver killed under serve: serve says so at once (the page keeps its last
# pictures), exits 1 when stopped, and nothing of the prefix is left running (its
# services do not end with a killed server).
"$native" serve "$root/examples/panel.cfg" --module "$gau" --port 0 >"$out/serve.out" 2>"$out/serve.err" &
serve=$!
for _ in $(seq 600); do grep -q "serving" "$out/serve.out" && break; sleep 0.1; done
server=$(prefix_processes | awk '$2 ~ /wineserver/ { print $1; exit }')
[ -n "$server" ] && kill -9 "$server" || fail "killed wineserver: no wineserver of the prefix while serving"
for _ in $(seq 100); do grep -q "ended (was it killed?)" "$out/serve.err" && break; sleep 0.1; done
grep -q "Wine's wineserver for .* ended (was it killed?)" "$out/serve.err" ||
  { fail "killed wineserver: not said within 10 s"; cat "$out/serve.err"; }
kill -TERM "$serve"
wait "$serve"
serve_rc=$?
[ "$serve_rc" -eq 1 ] || fail "killed wineserver: serve exited $serve_rc"
left=$(prefix_processes)
[ -z "$left" ] || fail "killed wineserver: left running: $left"

[ "$status" -eq 0 ] && echo "same pictures and traces from the .gau under Wine; faults contained"
exit "$status"
