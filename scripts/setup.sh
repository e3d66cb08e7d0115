#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, by need:
#   scripts/setup.sh main   the two builds (native and win32), Wine, FFmpeg's libraries and
#                           the fonts: what scripts/main.sh needs (the default)
#   scripts/setup.sh test   that, and the test tools: GoogleTest, Google Benchmark and
#                           nlohmann-json for the tests and benchmarks, the ffmpeg and
#                           ffprobe commands that read recordings back, clang with its
#                           sanitizer runtime for the fuzz and sanitizer builds, Chromium
#                           with its driver and selenium for the page's browser test,
#                           hyperfine, clang-format
# Idempotent and quiet: packages already present are skipped, and nothing is printed then.
set -euo pipefail

mode=${1:-main}
main_packages=(cmake g++ ninja-build pkg-config libcli11-dev
  libcairo2-dev libdeflate-dev libboost-dev libmspack-dev libpugixml-dev
  libavcodec-dev libavformat-dev libswscale-dev libswresample-dev libavutil-dev fonts-liberation2 fontconfig
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 zip unzip jq)
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev python3 ffmpeg
  clang libclang-rt-14-dev hyperfine clang-format chromium chromium-driver python3-selenium gcab)
case "$mode" in
  main) wanted=("${main_packages[@]}") ;;
  test) wanted=("${main_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: scripts/setup.sh [main|test]" >&2
    exit 2
    ;;
esac

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

for p in "${wanted[@]}"; do
  have "$p" || need+=("$p")
done

# The i386 libraries Wine needs must be the very versions of their amd64 twins, and a
# -dev package the very version of its library. When the archive's security index for
# i386 could not be had (a mirror in mid-sync), apt finds no i386 twin for libraries at
# security versions and gives up. Then what apt names is asked for at a version that
# pairs: an i386 library (and its twin) at the version the i386 index holds, a package
# that needs a library at exactly one version at the version the library will have.
pairing_pins() {
  local -A pin=()
  local out line package version
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    local asked=()
    for package in "${!pin[@]}"; do asked+=("$package=${pin[$package]}"); done
    out=$(apt-get install -s --no-install-recommends "$@" "${asked[@]}" 2>&1) && break
    local found=0
    while read -r line; do
      if [[ $line =~ ([a-z0-9][a-z0-9.+-]*):i386\ (\([^\)]*\)\ )?but\ it\ is\ not\ going\ to\ be\ installed ]]; then
        package=${BASH_REMATCH[1]}
        version=$(apt-cache policy "$package:i386" | awk '/Candidate:/ {print $2}')
        [ -n "$version" ] && [ "$version" != "(none)" ] || continue
        pin[$package]=$version
        pin[$package:i386]=$version
        found=1
      elif [[ $line =~ ^([a-z0-9][a-z0-9.+:-]*)\ :\ Depends:\ ([a-z0-9][a-z0-9.+:-]*)\ \(=\ ([^\)]*)\)\ but\ ([^ ]*)\ is\ to\ be\ installed ]]; then
        # Whichever of the two is not held yet follows the other.
        if [ -n "${pin[${BASH_REMATCH[1]}]:-}" ]; then
          pin[${BASH_REMATCH[2]}]=${BASH_REMATCH[3]}
        else
          pin[${BASH_REMATCH[1]}]=${BASH_REMATCH[4]}
        fi
        found=1
      fi
    done <<<"$out"
    (( found )) || break
  done
  for package in "${!pin[@]}"; do echo "$package=${pin[$package]}"; done
}

if [ "${#need[@]}" -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # dpkg unpacks without syncing each file to disk: a machine that loses power in the
  # middle of setting up is set up again anyway.
  unsafe_io=(-o Dpkg::Options::=--force-unsafe-io)
  # A mirror in mid-sync can fail an index or two: the update is tried again, and an
  # index that still fails is left to the install.
  for attempt in 1 2 3; do
    $SUDO apt-get update -qq >/dev/null && break
    echo "setup: apt-get update failed (attempt $attempt of 3)"
    sleep $((attempt * 10))
  done
  for attempt in 1 2 3; do
    $SUDO apt-get install -y -qq --no-install-recommends "${unsafe_io[@]}" "${need[@]}" >/dev/null && break
    pins=$(pairing_pins "${need[@]}" | tr '\n' ' ')
    if [ -n "$pins" ]; then
      echo "setup: at versions that pair: $pins"
      # shellcheck disable=SC2086
      $SUDO apt-get install -y -qq --no-install-recommends --allow-downgrades "${unsafe_io[@]}" "${need[@]}" $pins >/dev/null && break
    fi
    (( attempt < 3 )) || { echo "setup: could not install ${need[*]}"; exit 1; }
    echo "setup: apt-get install failed (attempt $attempt of 3)"
    sleep $((attempt * 10))
    $SUDO apt-get update -qq >/dev/null || true
  done
fi

