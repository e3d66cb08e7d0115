#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build the module and run every test.
# Idempotent and quiet: packages already present are skipped.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

for p in cmake g++ ninja-build pkg-config clang libclang-rt-14-dev libcli11-dev \
  libgtest-dev libgmock-dev libbenchmark-dev libcairo2-dev zlib1g-dev libcivetweb-dev \
  libavcodec-dev libavformat-dev libswscale-dev libswresample-dev libavutil-dev ffmpeg hyperfine fonts-liberation2 fontconfig \
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev \
  wine wine32:i386 zip unzip clang-format nlohmann-json3-dev jq python3 \
  chromium chromium-driver python3-selenium; do
  have "$p" || need+=("$p")
done

# The i386 libraries Wine needs must be the very versions of their amd64 twins. When the
# archive's security index for i386 could not be had (a mirror in mid-sync), apt finds
# no i386 twin for amd64 libraries at security versions and gives up; then each i386
# library it names, and its twin, are asked for at the version the i386 index holds.
twin_pins() {
  local pins=() out names
  for _ in 1 2 3 4 5 6 7 8; do
    out=$(apt-get install -s --no-install-recommends "$@" "${pins[@]}" 2>&1) && break
    names=$(grep -o '[a-z0-9][a-z0-9.+-]*:i386 \(([^)]*) \)\?but it is not going to be installed' <<<"$out" |
      awk '{print $1}' | sort -u)
    [ -n "$names" ] || break
    for name in $names; do
      local package=${name%:i386} version
      version=$(apt-cache policy "$name" | awk '/Candidate:/ {print $2}')
      [ -n "$version" ] && [ "$version" != "(none)" ] && pins+=("$package=$version" "$name=$version")
    done
  done
  echo "${pins[@]}"
}

if [ "${#need[@]}" -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # A mirror in mid-sync can fail an index or two: the update is tried again, and an
  # index that still fails is left to the install.
  for attempt in 1 2 3; do
    $SUDO apt-get update -qq >/dev/null && break
    echo "setup: apt-get update failed (attempt $attempt of 3)"
    sleep $((attempt * 10))
  done
  for attempt in 1 2 3; do
    $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null && break
    pins=$(twin_pins "${need[@]}")
    if [ -n "$pins" ]; then
      echo "setup: i386 libraries at their twins' versions: $pins"
      # shellcheck disable=SC2086
      $SUDO apt-get install -y -qq --no-install-recommends --allow-downgrades "${need[@]}" $pins >/dev/null && break
    fi
    (( attempt < 3 )) || { echo "setup: could not install ${need[*]}"; exit 1; }
    echo "setup: apt-get install failed (attempt $attempt of 3)"
    sleep $((attempt * 10))
    $SUDO apt-get update -qq >/dev/null || true
  done
fi

