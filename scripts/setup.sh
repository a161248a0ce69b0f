#!/usr/bin/env bash
# Installs the build and test tools from Debian's packages when any is missing.
# Idempotent: when everything is present it prints nothing and changes nothing.
#
# Wine is installed as a WoW64 pair (wine64 with wine32:i386) where the machine can run 32-bit
# programs, as a real 64-bit Windows has 32-bit programs beside the 64-bit ones: every prefix
# then holds a populated 32-bit registry view below Wow6432Node and the SysWOW64 folder. Some
# kernels (virtual machines built without 32-bit support) refuse every 32-bit program; there
# wine32 would break Wine altogether (its loader is the 32-bit one), so only wine64 is
# installed, and the tests plant the 32-bit view they need themselves.
set -euo pipefail

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

# Whether this kernel starts a 32-bit x86 program: a 93-byte static ELF that only exits.
can_run_32bit() {
  local probe
  probe="$(mktemp)"
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  local ok=1
  "$probe" >/dev/null 2>&1 && ok=0
  rm -f "$probe"
  return $ok
}

packages=(
  cmake make g++ ninja-build
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 fonts-wine
  xvfb x11-utils imagemagick fonts-wqy-microhei
  googletest xz-utils nlohmann-json3-dev ccache
  wixl msitools nsis zip unzip
  python3-yaml python3-jsonschema
)

wow64=0
if can_run_32bit; then
  wow64=1
  packages+=(wine32:i386)
fi

need_i386=0
if [ $wow64 -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  need_i386=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

export DEBIAN_FRONTEND=noninteractive
# A wine32 that cannot run (installed on a machine without 32-bit support) takes Wine down with
# it: the `wine` command would start the 32-bit loader for every program.
if [ $wow64 -eq 0 ] && dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  echo "setup: this machine cannot run 32-bit programs; removing wine32" >&2
  $SUDO apt-get remove -y -qq wine32:i386 >/dev/null
fi

[ ${#missing[@]} -eq 0 ] && [ $need_i386 -eq 0 ] && exit 0

if [ $need_i386 -eq 1 ]; then
  echo "setup: enabling the i386 architecture for wine32" >&2
  $SUDO dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}" >&2
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
