#!/usr/bin/env bash
# Draws the real c172ii (its panel.cfg beside three of its four gauge cabinets), where
# this machine has it: every gauge of the cabinets present is drawn, only those of the
# absent modules (172Things2, fs9gps) are placeholders, and the note names where they
# were looked for; --set airspeed= and a clicked XML switch work on it.
# Usage: real_aircraft.sh PANELHOST AIRCRAFT_DIR OUT_DIR. Exit 77 (skipped) without it.
set -u
panelhost=$1 cfg=$2/c172ii/panel.cfg out=$3
[ -f "$cfg" ] || { echo "no c172ii at $2: skipped"; exit 77; }
mkdir -p "$out"
failed=0
"$panelhost" render "$cfg" --layout screen --screen 1280x1024 --set airspeed=100 \
  --click '172things!MASTER@20,20' -o "$out/c172ii.png" >"$out/render.log" 2>&1 || failed=1
cat "$out/render.log"
grep -q 'note: 12 gauges of 2 other modules drawn as placeholders' "$out/render.log" || failed=1
grep -q 'module 172Things2 not found: looked for a folder 172Things2, 172Things2.cab and 172Things2.gau in' "$out/render.log" || failed=1
grep -q 'module fs9gps not found' "$out/render.log" || failed=1
[ -s "$out/c172ii.png" ] || failed=1
exit $failed
