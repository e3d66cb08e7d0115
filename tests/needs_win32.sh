#!/usr/bin/env bash
# Runs a test that needs the win32 preset's build (the .gau, panelhost.exe and the
# Windows test programs), or skips it (exit 77: ctest's "not run") where that build is
# not there, as in the inner loop, which builds the native preset only.
#   needs_win32.sh WIN32_BUILD_DIR COMMAND [ARGUMENTS...]
win32=$1
shift
for file in Tarvolen_Instr.gau host/panelhost.exe; do
  if [ ! -f "$win32/$file" ]; then
    echo "skipped: no $win32/$file (cmake --preset win32 && cmake --build --preset win32 -j2 makes it)"
    exit 77
  fi
done
exec "$@"
