#!/usr/bin/env bash
# The main job: sets up the machine, builds Tarvolen_Instr.gau (win32 preset) and the
# Linux panelhost (native preset), makes the release zip dist/Tarvolen_Instr-<version>.zip
# and draws the example panel (day and night, before and after the example flight)
# into out/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
build() {
  echo "== building the $1 preset"
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs" >/dev/null
}
build win32
build native

panelhost=build/native/panelhost
gau=build/win32/Tarvolen_Instr.gau

draw_example() {
  mkdir -p out
  "$panelhost" render examples/panel.cfg -o out/panel-day.png
  "$panelhost" render examples/panel.cfg --night -o out/panel-night.png
  "$panelhost" render examples/panel.cfg --windows all -o out/panel-sheet.png
  "$panelhost" render examples/panel.cfg --windows all --layout screen -o out/panel-screen.png
  "$panelhost" run examples/flight.scn --out out >out/flight-trace.jsonl
  echo "pictures of the example panel (examples/panel.cfg), as placed and along examples/flight.scn:"
  for f in panel-day panel-night panel-sheet panel-screen before-day before-night after-day after-night; do echo "  $PWD/out/$f.png"; done
  echo "trace of the example flight: $PWD/out/flight-trace.jsonl"
}

echo "== release"
bash scripts/release.sh "$panelhost" "$gau" dist
echo "== drawing the example panel"
draw_example
