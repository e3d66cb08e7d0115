#!/usr/bin/env bash
# Records a scenario with panelhost and decodes the file with FFmpeg's tools: it holds
# one picture for every scenario frame (at 18 pictures a second; at another rate, one
# per 1/FPS s of scenario time), and, for formats with sound, one click burst on the
# sound track within one frame of every play in the trace, and none elsewhere.
#   check_recording.sh PANELHOST MODULE SCENARIO EXT [FPS]
set -euo pipefail
panelhost=$1 module=$2 scenario=$3 ext=$4 fps=${5:-18}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
file="$out/recording.$ext"

"$panelhost" run "$scenario" --module "$module" --record "$file" --fps "$fps" >"$out/trace.jsonl"

# The scenario's frames, from its frame lines; the pictures they stand for at fps.
frames=$(awk '$1 == "frame" { n += (NF > 1 ? $2 : 1) } END { print n + 0 }' "$scenario")
expected=$(( (frames * fps + 17) / 18 ))
pictures=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$file")
echo "scenario frames: $frames; pictures expected at $fps a second: $expected; decoded: $pictures"
[ "$pictures" -eq "$expected" ]

streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$file" | sort | tr '\n' ' ')
case $ext in
  webm|mp4) [ "$streams" = "audio video " ] || { echo "streams: $streams"; exit 1; } ;;
  *) [ "$streams" = "video " ] || { echo "streams: $streams"; exit 1; }; exit 0 ;;
esac

# Each play's time: the frames run before it (the updates of the first gauge placed).
jq -r 'select(.op == "update" and .id == 1), select(.op == "sound" and .call == "play") | .op' \
  "$out/trace.jsonl" | awk '$1 == "update" { n++ } $1 == "sound" { printf "%.4f\n", n / 18 }' >"$out/plays"

# Burst onsets on the sound track: a loud sample after 0.1 s or more of quiet.
ffmpeg -v error -i "$file" -map 0:a -ac 1 -ar 48000 -f s16le - | od -An -v -td2 -w2 | awk '
  { loud = ($1 > 1024 || $1 < -1024) }
  loud { if (!inside) printf "%.4f\n", (NR - 1) / 48000; inside = 1; quiet = 0; next }
  { if (inside && ++quiet > 4800) inside = 0 }' >"$out/bursts"
echo "plays (s): $(tr '\n' ' ' <"$out/plays")"
echo "bursts (s): $(tr '\n' ' ' <"$out/bursts")"
[ -s "$out/plays" ] || { echo "the scenario plays no click"; exit 1; }

# Within one frame: every play has a burst, every burst a play.
near() { awk 'BEGIN { frame = 1 / 18 }
  FILENAME == ARGV[1] { want[FNR] = $1; next }
  { for (i in want) if ($1 - want[i] <= frame && want[i] - $1 <= frame) next; bad++; print "no match for " $1 }
  END { exit bad > 0 }' "$1" "$2"; }
near "$out/bursts" "$out/plays"
near "$out/plays" "$out/bursts"
