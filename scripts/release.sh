#!/usr/bin/env bash
# Makes the release zip: the .gau, a panel.cfg snippet with a line for every gauge and a
# readme, both text files with CRLF line endings, as Notepad of the simulator's Windows
# generation needs them.
#   scripts/release.sh PANELHOST GAU DIST   writes DIST/Tarvolen_Instr-<version>.zip
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 3 ] || { echo "usage: scripts/release.sh PANELHOST GAU DIST" >&2; exit 2; }
panelhost=$1 gau=$2 dist=$3

# The version is written once, in the project() line of CMakeLists.txt.
version=$(sed -n 's/^project(Tarvolen_Instr VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release: no version in the project() line of CMakeLists.txt" >&2; exit 1; }

# name|width_mm of every gauge, in the module's table order, from the declarations.
gauge_sizes() {
  "$panelhost" dump | jq -r '.gauges[] | "\(.name)|\(.width_mm)"'
}

write_snippet() {
  echo "// Tarvolen_Instr $version: one line per gauge at its default width (size_mm units)."
  echo "// Copy the lines you want into a [WindowNN] section of your panel.cfg, renumber"
  echo "// them and set x, y. Toggles take commands as a sixth field, e.g."
  echo "//   gauge00=Tarvolen_Instr!Radios_Toggle, 20, 260, 19,, tRADIO_STACK_PANEL"
  local i=0 x=0 y=0 line name width
  while IFS='|' read -r name width; do
    printf 'gauge%02d=Tarvolen_Instr!%s, %d, %d, %d\n' "$i" "$name" "$x" "$y" "$width"
    i=$((i + 1))
    x=$((x + width + 10))
    if [ "$x" -gt 400 ]; then x=0; y=$((y + 110)); fi
  done < <(gauge_sizes)
}

write_readme() {
  local title="Tarvolen_Instr $version"
  echo "$title"
  echo "${title//?/=}"
  cat <<EOF

Vintage instruments and radios for the Microsoft Flight Simulator 2002 panel system:
one gauge file, Tarvolen_Instr.gau, with $(gauge_sizes | wc -l) gauges.

Installing
----------
1. Copy Tarvolen_Instr.gau into the Gauges folder of Flight Simulator 2002
   (for example C:\\Program Files\\Microsoft Games\\FS2002\\Gauges).
2. Open the panel.cfg of the aircraft (Aircraft\\<aircraft>\\panel\\panel.cfg) and add a
   line for each gauge you want to a [WindowNN] section, as in panel_cfg_snippet.txt:
       gaugeNN=Tarvolen_Instr!GAUGE_NAME, x, y, width[, height[, parameters]]
   Positions and sizes are in the units of the window's size_mm line.

Gauges and their default widths
-------------------------------
EOF
  local name width
  while IFS='|' read -r name width; do printf '  %-24s %3s\n' "$name" "$width"; done < <(gauge_sizes)
  cat <<'EOF'

Parameters
----------
The eleven toggles with a callback (Invisible_Toggle, Radios_Toggle, GPS_Toggle,
Throttle_Toggle, Compass_Toggle, Close_Subpanel, Left_Taxi_Toggle, Right_Taxi_Toggle,
Nav_Instruments_Toggle, Seat_Up_Toggle, Seat_Down_Toggle) read commands from the sixth
field of their line: oWINDOW opens, cWINDOW closes, tWINDOW toggles a panel window (a
number or MAIN_PANEL, RADIO_STACK_PANEL, COMPASS_PANEL, GPS_PANEL, THROTTLE_PANEL, ...);
aWINDOW closes a window once when the panel loads; bID gives the toggle the picture of
another (90, 100, ... 190); hNAME sets its tooltip (TOGGLE_RADIO_WINDOW, ...). Without
commands a click closes the toggle's own window. Text after /, # or ' is a comment.

Registration prints the aircraft's registration: tD-EFGH shows D-EFGH (_ for a
space), followed by r, g, b colour values (0-255) and f with a typeface name, for
example: tD-EFGH r255 g220 b120 fCourier New
EOF
}

# LF to CRLF, line by line.
crlf() { sed 's/$/\r/'; }

stage=$dist/Tarvolen_Instr-$version
rm -rf "$stage" "$stage.zip"
mkdir -p "$stage"
cp "$gau" "$stage/Tarvolen_Instr.gau"
write_snippet | crlf >"$stage/panel_cfg_snippet.txt"
write_readme | crlf >"$stage/README.txt"
(cd "$dist" && zip -qr "Tarvolen_Instr-$version.zip" "Tarvolen_Instr-$version")
echo "release: $(cd "$dist" && pwd)/Tarvolen_Instr-$version.zip"

