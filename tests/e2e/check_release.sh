#!/usr/bin/env bash
# The release zip as a simmer gets it: the .gau, README.txt and panel_cfg_snippet.txt,
# both text files with CRLF on every line, and a snippet whose lines, pasted into a
# window of a panel.cfg, pass `panelhost check` with a line for every gauge.
#   check_release.sh PANELHOST GAU WORKDIR
set -euo pipefail
panelhost=$1 gau=$2 work=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work" && mkdir -p "$work"
bash "$root/scripts/release.sh" "$panelhost" "$gau" "$work/dist" >/dev/null
zip=$(ls "$work"/dist/Tarvolen_Instr-*.zip)
fail() { echo "check_release: $*" >&2; exit 1; }

unzip -q "$zip" -d "$work/unzipped"
stage=$(ls -d "$work"/unzipped/Tarvolen_Instr-*)
for f in Tarvolen_Instr.gau README.txt panel_cfg_snippet.txt; do [ -f "$stage/$f" ] || fail "$f missing from $zip"; done
cmp -s "$gau" "$stage/Tarvolen_Instr.gau" || fail "the zip's .gau differs from $gau"
for f in README.txt panel_cfg_snippet.txt; do
  lines=$(wc -l <"$stage/$f")
  crlf=$(grep -c $'\r$' "$stage/$f" || true)
  [ "$lines" -gt 0 ] && [ "$lines" -eq "$crlf" ] || fail "$f: $crlf of $lines lines end in CRLF"
done

gauges=$("$panelhost" gauges | wc -l)
lines=$(grep -c '^gauge' "$stage/panel_cfg_snippet.txt")
[ "$lines" -eq "$gauges" ] || fail "the snippet has $lines gauge lines for $gauges gauges"
{
  printf '[Window Titles]\r\nwindow00=Snippet\r\n\r\n[Window00]\r\n'
  cat "$stage/panel_cfg_snippet.txt"
} >"$work/panel.cfg"
"$panelhost" check "$work/panel.cfg" || fail "the snippet's lines do not check clean (above)"
echo "check_release: $(basename "$zip"): CRLF text, $lines gauge lines, check clean"
