# Sourced by the Wine tests: a private, headless Wine set-up under build/wine.
#   source scripts/wine-env.sh   (creates the prefix on first use)
# Private WINEPREFIX and HOME, no debug output, the null graphics driver (windows can
# be created without X), and an ALSA null device so that DirectSound opens. Set
# TARVOLEN_AUDIO_CAPTURE=/path/file.raw before sourcing to capture what is played.
_tarvolen_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export TARVOLEN_WINE_DIR="${TARVOLEN_WINE_DIR:-$_tarvolen_root/build/wine}"
export WINEPREFIX="$TARVOLEN_WINE_DIR/prefix"
export HOME="$TARVOLEN_WINE_DIR/home"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME"
if [ -n "${TARVOLEN_AUDIO_CAPTURE:-}" ]; then
  printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' "$TARVOLEN_AUDIO_CAPTURE" >"$HOME/.asoundrc"
else
  printf 'pcm.!default { type null }\n' >"$HOME/.asoundrc"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -w
fi
unset _tarvolen_root
