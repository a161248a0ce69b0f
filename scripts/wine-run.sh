#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix, creating the prefix on first use.
# Used as CMake's cross-compiling emulator, so CTest starts every Windows test through it.
# The prefix lives in the build folder (next to the program), and HOME points there as well so
# that Wine's profile folders never touch a real home.
set -euo pipefail
exe="$1"
build="${MENDRAKE_WINE_BUILD:-}"
if [ -z "$build" ]; then
  # The build folder is the nearest parent of the executable that holds CMakeCache.txt.
  d="$(cd "$(dirname "$exe")" && pwd)"
  while [ "$d" != "/" ] && [ ! -f "$d/CMakeCache.txt" ]; do d="$(dirname "$d")"; done
  build="$d"
fi
export WINEPREFIX="$build/wineprefix"
export HOME="$build/winehome"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$HOME"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w
    fi
  ) 9>"$build/.wineprefix.lock"
fi
# One persistent server for a whole test run: each test starts in a fraction of the time.
wineserver -p 60 >/dev/null 2>&1 || true
exec wine "$@"
