#!/usr/bin/env bash
# What a user waits for, command by command, for one or two builds side by side (a
# build of main and this one, say, in the same run): render of the example panel,
# gauges over the .gau under Wine, and a big panel (2,800 placements: the example's
# three windows with their backgrounds, repeated) rendered (peak memory) and run for
# 1,000 frames with the trace written. Figures are for notes, never for pass or fail.
#
#   tests/bench/commands_bench.sh [LABEL=BUILD_DIR ...]
#
# BUILD_DIR is a build folder holding native/panelhost (and win32/ for the .gau);
# the default is this tree's build/. Each figure is the median of RUNS (default 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${RUNS:-5}
[ $# -gt 0 ] || set -- "this=$root/build"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The big panel: copies of the example's three windows, each with its background
# bitmap, until there are 2,800 placements (112 copies of 25); the same without the
# backgrounds; and a tenth of it, for the memory of a placement.
make_panel() {  # OUT COPIES BACKGROUNDS(0|1)
  local out=$1 copies=$2 backgrounds=$3 window=0
  : >"$out"
  for ((copy = 0; copy < copies; ++copy)); do
    awk -v base="$window" -v bg="$backgrounds" '
      /^\[Window0[0-9]\]/ { skip = 0; n = substr($0, 8, 2) + 0; printf "[Window%02d]\n", base + n; next }
      /^\[Window Titles\]/ { skip = 1; next }
      /^\[/ { skip = 0 }
      skip || /^ident=/ || /^\/\// { next }
      /^file=/ && !bg { next }
      /^visible=/ { print "visible=1"; next }
      { print }' "$root/examples/panel.cfg" >>"$out"
    window=$((window + 3))
  done
  cp "$root"/examples/*.bmp "$(dirname "$out")/"
}
make_panel "$work/big.cfg" 112 1
make_panel "$work/bare.cfg" 112 0
make_panel "$work/tenth.cfg" 11 0
printf 'panel big.cfg\nframe 1000\n' >"$work/big.scn"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
seconds() {  # the median wall time of a command, in seconds
  for ((i = 0; i < runs; ++i)); do
    /usr/bin/time -f %e "$@" 2>&1 >/dev/null | tail -1
  done | median
}
peak_mb() {  # the peak resident memory of a command, in MB
  /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.0f", $1 / 1024 }'
}

printf '%-8s %12s %12s %16s %14s %14s %16s\n' build "render ms" "gauges .gau" "render 2800 MB" "no bg, KB/pl" "run 1000 s" "trace MB"
for pair in "$@"; do
  label=${pair%%=*} dir=${pair#*=}
  ph=$dir/native/panelhost gau=$dir/win32/Tarvolen_Instr.gau
  export TARVOLEN_PANELHOST_EXE=$dir/win32/host/panelhost.exe TARVOLEN_WINE_DIR=$dir/wine
  render_ms=$(seconds "$ph" render "$root/examples/panel.cfg" -o "$work/p.png" | awk '{ printf "%.0f", $1 * 1000 }')
  gauges_s=-
  [ -f "$gau" ] && "$ph" gauges --module "$gau" >/dev/null 2>&1 && gauges_s=$(seconds "$ph" gauges --module "$gau")
  big_mb=$(peak_mb "$ph" render "$work/big.cfg" --windows all --scale 0.1 -o "$work/big.png")
  bare_kb=$(peak_mb "$ph" render "$work/bare.cfg" --windows all --scale 0.1 -o "$work/bare.png")
  tenth_kb=$(peak_mb "$ph" render "$work/tenth.cfg" --windows all --scale 0.1 -o "$work/tenth.png")
  per_placement=$(awk -v a="$bare_kb" -v b="$tenth_kb" 'BEGIN { printf "%.1f", (a - b) * 1024 / (2800 - 275) }')
  run_s=$(seconds sh -c "cd '$work' && '$ph' run big.scn >'$work/trace.jsonl'")
  trace_mb=$(awk -v b="$(stat -c %s "$work/trace.jsonl")" 'BEGIN { printf "%.0f", b / 1048576 }')
  printf '%-8s %12s %12s %16s %14s %14s %16s\n' "$label" "$render_ms" "$gauges_s" "$big_mb" "$per_placement" "$run_s" "$trace_mb"
  cp "$work/trace.jsonl" "$work/trace-$label.jsonl"
done
if [ $# -gt 1 ]; then
  first=${1%%=*}
  for pair in "${@:2}"; do
    label=${pair%%=*}
    cmp -s "$work/trace-$first.jsonl" "$work/trace-$label.jsonl" && echo "the big run's trace: $label's bytes are $first's" ||
      echo "the big run's trace: $label's DIFFERS from $first's"
  done
fi
