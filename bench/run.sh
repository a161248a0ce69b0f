#!/usr/bin/env bash
# Builds the benchmark, plants the generated machine in the benchmark's own Wine prefix (once
# per size; the prefix is made afresh for a new size), then times the scan against its floor
# and a peer, the fix, and the issue list's filter, with the wine server and every program
# pinned to one CPU. Timings vary with the machine's load; the call counts do not.
#   BENCH_CLASSES  class ids of the generated machine (8000)
#   BENCH_CPU      the CPU to pin to (0)
#   BENCH_REPEAT   interleaved repetitions of scan, floor and peer (5)
#   BENCH_DETAIL   set: the per-category table split by category, with every kind of call
#   BENCH_WOW64    snapshot: lay the pristine WoW64 prefix of ../shared over the benchmark's
#                  prefix before planting, for a machine whose kernel cannot run 32-bit programs
#                  (where wine32 is installed the prefix is a WoW64 prefix already)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target mendrake-bench

build="$PWD/build/windows"
exe="$build/bench/mendrake-bench.exe"
classes="${BENCH_CLASSES:-8000}"
cpu="${BENCH_CPU:-0}"
repeat="${BENCH_REPEAT:-5}"
export WINEPREFIX="$build/bench-prefix"
export HOME="$build/bench-home"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
mkdir -p "$HOME"

wineserver -k 2>/dev/null || true
# The planted machine depends on the size, on the generator's code and on the kind of prefix.
generator="$(md5sum tests/support/generated_machine.cpp | cut -c1-12)"
kind=wine64
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  kind=wow64
elif [ "${BENCH_WOW64:-}" = snapshot ]; then
  kind=wow64-snapshot
fi
marker="$WINEPREFIX/mendrake-bench-$classes-$generator-$kind"
if [ -d "$WINEPREFIX" ] && [ ! -f "$marker" ]; then
  rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "bench: creating the Wine prefix" >&2
  wineboot -i </dev/null >/dev/null 2>&1 || true
  wineserver -w
  if [ "$kind" = wow64-snapshot ]; then
    echo "bench: laying the pristine WoW64 prefix over it" >&2
    bash ../shared/tools/wow64-snapshot.sh "$WINEPREFIX"
  fi
fi
echo "== prefix: $kind ($(wine --version 2>/dev/null))"

# The server and the prefix's service processes start pinned and detached, so that they
# neither hold this script's output open nor run on another CPU.
setsid taskset -c "$cpu" wineserver -p </dev/null >/dev/null 2>&1
setsid taskset -c "$cpu" wine cmd /c exit </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k 2>/dev/null || true' EXIT
run() { taskset -c "$cpu" wine "$exe" "$@"; }

if [ ! -f "$marker" ]; then
  echo "bench: planting a machine of $classes class ids" >&2
  run plant "$classes" 'C:\MendrakeBench\'
  touch "$marker"
fi
echo "== full analysis, floor and peer (reg query /s), $repeat interleaved repetitions"
run measure "$repeat"
echo "== fix"
run fix 10000 'C:\MendrakeBench\'
echo "== issue list filter"
run filter 100000
echo "== the window during a full analysis"
if [ -z "${DISPLAY:-}" ]; then
  # The window needs a display; a virtual one on the first free number.
  for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      trap 'wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true' EXIT
      export DISPLAY=":$n"
      sleep 1
      break
    fi
  done
fi
run window
