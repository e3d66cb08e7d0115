#!/usr/bin/env bash
# Runs sound_probe.exe under Wine: the click loads, plays and is given back, and the
# captured output holds it; with a missing resource the layer falls silent and nothing
# but silence comes out.
#   run_sound_probe.sh WIN32_BUILD_DIR
set -u
win32=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
probe="$win32/tests/e2e/sound_probe.exe"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Non-zero 16-bit samples in a raw capture.
loud_samples() { [ -f "$1" ] && od -An -v -td2 -w2 "$1" | awk '$1 != 0 { n++ } END { print n + 0 }' || echo 0; }

status=0
for mode in click missing; do
  export TARVOLEN_AUDIO_CAPTURE="$out/$mode.raw"
  # shellcheck source=/dev/null
  source "$root/scripts/wine-env.sh"
  if [ "$mode" = click ]; then wine "$probe" >"$out/$mode.txt" 2>&1; else wine "$probe" missing >"$out/$mode.txt" 2>&1; fi
  rc=$?
  tr -d '\r' <"$out/$mode.txt" | sed "s/^/$mode: /"
  [ "$rc" -eq 0 ] || { echo "$mode: probe failed ($rc)"; status=1; }
done
unset TARVOLEN_AUDIO_CAPTURE
source "$root/scripts/wine-env.sh"  # back to the plain null device for the other Wine tests

click=$(loud_samples "$out/click.raw")
missing=$(loud_samples "$out/missing.raw")
echo "captured non-zero samples: click $click, missing resource $missing"
[ "$click" -gt 1000 ] || { echo "the click was not heard"; status=1; }
[ "$missing" -eq 0 ] || { echo "a silenced layer made a sound"; status=1; }
exit "$status"
