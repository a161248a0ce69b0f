#!/usr/bin/env bash
# Installs what is missing, builds the Windows programs and runs Mendrake under Wine in the
# build's own prefix: the window when there is a display, else a console scan printing the log.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Build quietly: the program's own output is what this command is for.
log="$(mktemp)"
if ! { cmake --preset windows && cmake --build --preset windows; } >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  exit 1
fi
rm -f "$log"
if [ -f build/windows/mendrake.exe ] && [ -n "${DISPLAY:-}" ]; then
  exec scripts/wine-run.sh build/windows/mendrake.exe "$@"
fi
if [ -f build/windows/mendrake.exe ]; then
  echo "No display: running the console scan instead of the window." >&2
fi
exec scripts/wine-run.sh build/windows/mendrake-cli.exe scan "$@"
