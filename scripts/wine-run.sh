#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix, creating the prefix on first use.
# Used as CMake's cross-compiling emulator, so CTest starts every Windows test through it.
# The prefix lives in the build folder, and HOME points there as well so that Wine's profile
# folders never touch a real home.
set -euo pipefail
exe="$1"
build="${MENDRAKE_WINE_BUILD:-}"
if [ -z "$build" ]; then
  # The build folder is the nearest parent of the program that holds CMakeCache.txt.
  d="$(cd "$(dirname "$exe")" && pwd)"
  while [ "$d" != "/" ] && [ ! -f "$d/CMakeCache.txt" ]; do d="$(dirname "$d")"; done
  build="$d"
fi
export WINEPREFIX="$build/wineprefix"
export HOME="$build/winehome"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
mkdir -p "$HOME"

server_running() {
  [ -d "$WINEPREFIX" ] || return 1
  local dev ino
  dev=$(printf '%x' "$(stat -c %d "$WINEPREFIX")")
  ino=$(printf '%x' "$(stat -c %i "$WINEPREFIX")")
  # The server's socket sits in a folder named after the prefix's device and inode.
  compgen -G "/tmp/.wine-$(id -u)/server-$dev-$ino/socket" >/dev/null ||
    compgen -G "/tmp/wine-*/server-$dev-$ino/socket" >/dev/null
}

# The wine server and the prefix's service processes are started here, detached and with no
# inherited descriptors: started by the program itself they would hold its output pipe open
# and CTest would wait for them forever. They stay up for the whole test run, so each program
# starts in a fraction of a second; scripts/test.sh stops them at the end.
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    setsid wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    # Chinese and Japanese texts in the dialog fonts come from WenQuanYi Micro Hei
    # (fonts-wqy-microhei): a fresh prefix has no font with those glyphs linked to them.
    for face in "MS Sans Serif" "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" Tahoma; do
      setsid wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f \
        </dev/null >/dev/null 2>&1 9>&- || true
    done
    # The test display has no window manager: Wine would wait two seconds for one each time a
    # shown window is hidden or destroyed. Its windows are placed by Wine alone instead, as
    # they are drawn anyway (caption and frame included).
    setsid wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      </dev/null >/dev/null 2>&1 9>&- || true
    wineserver -w || true
  fi
  if ! server_running; then
    setsid wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
    setsid wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$build/.wineprefix.lock"
exec wine "$@"
