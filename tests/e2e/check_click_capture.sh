#!/usr/bin/env bash
# Plays a scenario in panelhost.exe under Wine with the real .gau while ALSA captures
# the output, and checks that the capture holds one click for every switch change: as
# many separate bursts of sound as the native run of the same scenario plays clicks.
#   check_click_capture.sh SCENARIO NATIVE_PANELHOST NATIVE_MODULE WIN32_BUILD_DIR
set -u
scenario=$1 native=$2 module=$3 win32=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

expected=$("$native" run "$scenario" --module "$module" | jq -s '[.[] | select(.op == "sound" and .call == "play")] | length')

export TARVOLEN_AUDIO_CAPTURE="$out/capture.raw"
# shellcheck source=/dev/null
source "$root/scripts/wine-env.sh"
wine "$win32/host/panelhost.exe" run "$(winepath -w "$scenario")" --module "$(winepath -w "$win32/Tarvolen_Instr.gau")" \
  >/dev/null 2>"$out/wine.err" || { echo "Wine run failed:"; tr -d '\r' <"$out/wine.err"; exit 1; }
wineserver -w

# A burst is a run of loud samples; 0.1 s or more of quiet (counted in 16-bit values,
# stereo at up to 48 kHz) separates two bursts.
bursts=$(od -An -v -td2 -w2 "$out/capture.raw" 2>/dev/null | awk '
  { loud = ($1 > 512 || $1 < -512) }
  loud { if (!inside) { count++; inside = 1 } quiet = 0; next }
  { if (inside && ++quiet > 9600) inside = 0 }
  END { print count + 0 }')
echo "clicks played natively: $expected; bursts captured under Wine: $bursts"
[ "$expected" -gt 0 ] && [ "$bursts" -eq "$expected" ]
