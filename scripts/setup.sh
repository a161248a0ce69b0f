#!/usr/bin/env bash
# Installs the build and test tools from Debian's packages when any is missing.
# Idempotent: when everything is present it prints nothing and changes nothing.
#
# Wine is installed as a WoW64 pair (wine64 with wine32:i386), as a real 64-bit Windows has
# 32-bit programs beside the 64-bit ones: every prefix then holds the 32-bit registry view
# below Wow6432Node and the SysWOW64 folder. wine32 needs a kernel that runs 32-bit programs;
# where it does not (a kernel built or booted without IA-32 emulation), wine32's loader fails
# with "Exec format error", and installed it would take the place of the plain `wine` command,
# so that no Wine program started at all: there Wine stays 64-bit only, and the prefixes have
# no 32-bit programs of their own.
set -euo pipefail

packages=(
  cmake make g++ ninja-build
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 libc6:i386 fonts-wine
  xvfb x11-utils imagemagick
  googletest xz-utils nlohmann-json3-dev ccache
)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
# The 32-bit loader of libc6:i386 runs only on a kernel that runs 32-bit programs.
runs_i386() { [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: enabling the i386 architecture for wine32" >&2
  $SUDO dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
updated=0
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  $SUDO apt-get update -qq >/dev/null
  updated=1
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if runs_i386; then
  if ! installed wine32:i386; then
    echo "setup: installing wine32:i386" >&2
    [ $updated -eq 1 ] || $SUDO apt-get update -qq >/dev/null
    $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
  fi
elif installed wine32:i386; then
  echo "setup: this kernel runs no 32-bit programs; removing wine32, whose loader would" \
    "replace the working 64-bit one (Wine prefixes stay 64-bit only)" >&2
  $SUDO apt-get remove -y -qq wine32:i386 >/dev/null
fi
