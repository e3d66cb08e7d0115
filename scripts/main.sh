#!/usr/bin/env bash
# The main job: sets up the machine, builds Tarvolen_Instr.gau (win32 preset) and the
# Linux panelhost (native preset), makes the release zip dist/Tarvolen_Instr-<version>.zip
# and draws the example panel (day and night, before and after the example flight)
# into out/, the example flight as the moving picture the README shows (docs/flight.gif),
# and the panel once more from the .gau unpacked from the zip, which must match.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh main

# Only what this job uses is built: the module and panelhost of each preset (the tests,
# benchmarks and tools are the test command's to build, and its packages' to configure).
# The two builds run side by side: each waits on its single largest source at its end.
jobs=$(nproc)
# A build is quiet unless it fails; then its whole output is shown.
build() {
  local preset=$1 log
  shift
  log=$(mktemp)
  if ! { cmake --preset "$preset" "$@" && cmake --build --preset "$preset" -j "$jobs" --target tarvolen_instr panelhost; } \
    >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "main: the $preset build failed" >&2
    return 1
  fi
  rm -f "$log"
}
echo "== building the win32 and native presets"
build win32 &
win32_build=$!
build native -DBUILD_TESTING=OFF || { wait "$win32_build" || true; exit 1; }
wait "$win32_build"

panelhost=build/native/panelhost
gau=build/win32/Tarvolen_Instr.gau

draw_example() {
  mkdir -p out
  "$panelhost" render examples/panel.cfg -o out/panel-day.png
  "$panelhost" render examples/panel.cfg --night -o out/panel-night.png
  "$panelhost" render examples/panel.cfg --windows all -o out/panel-sheet.png
  "$panelhost" render examples/panel.cfg --windows all --layout screen -o out/panel-screen.png
  "$panelhost" run examples/flight.scn --out out --record docs/flight.gif >out/flight-trace.jsonl
  # The README's moving picture stays small enough for a web page.
  local size
  size=$(stat -c %s docs/flight.gif)
  [ "$size" -le $((2 * 1024 * 1024)) ] || { echo "main: docs/flight.gif is $size bytes (at most 2 MB)" >&2; exit 1; }
  echo "pictures of the example panel (examples/panel.cfg), as placed and along examples/flight.scn:"
  for f in panel-day panel-night panel-sheet panel-screen before-day before-night after-day after-night; do echo "  $PWD/out/$f.png"; done
  echo "trace of the example flight: $PWD/out/flight-trace.jsonl"
  echo "the example flight as a moving picture: $PWD/docs/flight.gif ($size bytes)"
}

# The example panel drawn again from the .gau as a user unpacks it from the release zip
# (run by panelhost.exe under Wine through the bridge), to be held against the Linux
# build's picture.
draw_from_release() {
  local unpacked version
  version=$(sed -n 's/^project(Tarvolen_Instr VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
  unpacked=$(mktemp -d)
  unzip -q "dist/Tarvolen_Instr-$version.zip" -d "$unpacked"
  "$panelhost" render --module "$unpacked/Tarvolen_Instr-$version/Tarvolen_Instr.gau" examples/panel.cfg \
    -o out/panel-day-gau.png
  rm -rf "$unpacked"
}

echo "== release"
bash scripts/release.sh "$panelhost" "$gau" dist
echo "== drawing the example panel"
# The .gau's picture (the longest wait: Wine makes its prefix on a first run) is drawn
# beside the Linux build's; its lines follow theirs.
mkdir -p out
from_release_log=$(mktemp)
draw_from_release >"$from_release_log" 2>&1 &
from_release=$!
# Should the Linux pictures fail, the job still ends only once the .gau's picture has.
trap 'wait "$from_release" 2>/dev/null || true' EXIT
draw_example
from_release_status=0
wait "$from_release" || from_release_status=$?
cat "$from_release_log"
rm -f "$from_release_log"
[ "$from_release_status" -eq 0 ] || { echo "main: drawing the panel from the release's .gau failed" >&2; exit 1; }
if ! cmp -s out/panel-day.png out/panel-day-gau.png; then
  echo "main: the panel drawn from the release's .gau differs from the Linux build's (out/panel-day-gau.png)" >&2
  exit 1
fi
echo "the release's Tarvolen_Instr.gau under Wine draws the same picture: $PWD/out/panel-day-gau.png"
