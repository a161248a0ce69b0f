#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the native tests on Linux,
# then the Windows tests under Wine (with a virtual X display for the window tests).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

cmake --preset windows >/dev/null
cmake --build --preset windows

prefix="$PWD/build/windows/wineprefix"
xvfb_pid=""
cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
}
trap cleanup EXIT
# A wine server left running from an earlier run may have started its desktop without the
# display below; start from a clean server so every window test sees the same display.
cleanup
# A virtual display on the first free number.
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    break
  fi
done
ctest --preset windows
