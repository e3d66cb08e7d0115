#!/usr/bin/env bash
# Tries panelhost on a folder of real panels (one folder per aircraft, each with its
# panel.cfg), as a new user would: a Tarvolen gauge line is added to the first window
# of a copy of each panel.cfg, then every panel is drawn on the sheet and the screen
# layout, and with --windows all. Prints a table; fails when a panel with 2D windows
# does not draw, or one without any is not refused with its message.
# Usage: real_panels.sh PANELHOST CASES_DIR [OUT_DIR]. Exit 77 (skipped) without CASES_DIR.
set -u
panelhost=$1 cases=$2
[ -d "$cases" ] || { echo "no real panels at $cases: skipped"; exit 77; }
out=${3:-$(mktemp -d)}
mkdir -p "$out"
line='gauge99=Tarvolen_Instr!Old_COM1, 10, 10, 100'
failed=0
printf '%-20s %5s %6s %4s %7s %7s %s\n' case sheet screen all windows placeh notes
for dir in "$cases"/*/; do
  name=$(basename "$dir")
  work=$out/$name
  rm -rf "$work" && mkdir -p "$work" && cp -r "$dir". "$work"/ && chmod -R u+w "$work"
  cfg=$(find "$work" -maxdepth 1 -iname panel.cfg | head -n1)
  # The line goes right under the first [WindowNN] header, with the file's line ending.
  awk -v add="$line" '{ print } !done && tolower($0) ~ /^[ \t]*\[window[0-9]+\]/ {
      cr = ($0 ~ /\r$/) ? "\r" : ""; print add cr; done = 1 }' "$cfg" >"$cfg.new" && mv "$cfg.new" "$cfg"
  has_windows=0
  grep -qi '^[[:space:]]*\[window[0-9]' "$cfg" && has_windows=1
  "$panelhost" render "$cfg" -o "$work/sheet.png" >"$work/sheet.log" 2>&1; sheet=$?
  "$panelhost" render "$cfg" --layout screen --screen 1024x768 -o "$work/screen.png" >"$work/screen.log" 2>&1; screen=$?
  "$panelhost" render "$cfg" --windows all --layout screen -o "$work/all.png" >"$work/all.log" 2>&1; all=$?
  "$panelhost" render "$cfg" --windows all -o "$work/all-sheet.png" >"$work/all-sheet.log" 2>&1
  windows=$(sed -n 's/.* pixels, \([0-9]*\) windows\{0,1\}.*/\1/p' "$work/all.log")
  placeholders=$(sed -n 's/.*: note: \([0-9]*\) gauges\{0,1\} of .*/\1/p' "$work/sheet.log")
  note=$(grep -c 'note:' "$work/sheet.log")
  printf '%-20s %5s %6s %4s %7s %7s %s\n' "$name" "$sheet" "$screen" "$all" "${windows:--}" "${placeholders:-0}" "$note"
  if [ $has_windows = 1 ]; then
    for r in $sheet $screen $all; do [ "$r" = 0 ] || failed=1; done
    for p in sheet screen all; do [ -s "$work/$p.png" ] || failed=1; done
  else
    [ $sheet = 1 ] && grep -q 'no 2D panel window' "$work/sheet.log" || failed=1
  fi
done
echo "pictures and logs: $out"
exit $failed
