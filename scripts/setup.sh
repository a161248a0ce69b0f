#!/usr/bin/env bash
# Installs the build and test tools from Debian's packages when any is missing.
# Idempotent: when everything is present it prints nothing and changes nothing.
#
# Wine is installed as a WoW64 pair (wine64 with wine32:i386), as a real 64-bit Windows has
# 32-bit programs beside the 64-bit ones: every prefix then holds the 32-bit registry view
# below Wow6432Node and the SysWOW64 folder.
set -euo pipefail

packages=(
  cmake make g++ ninja-build
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 fonts-wine
  xvfb x11-utils imagemagick
  googletest xz-utils nlohmann-json3-dev ccache
)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

need_i386=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  need_i386=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && [ $need_i386 -eq 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
if [ $need_i386 -eq 1 ]; then
  echo "setup: enabling the i386 architecture for wine32" >&2
  $SUDO dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}" >&2
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
