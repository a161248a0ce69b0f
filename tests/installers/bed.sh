#!/usr/bin/env bash
# The test bed of real installers: builds the packages with the installer engines of the host
# (wixl for Windows Installer, makensis for NSIS), gives them a prefix of their own, and runs
# the bed's test program in it. Usage: bed.sh BUILD_DIR TEST_PROGRAM
#
# The prefix is a copy of the build's test prefix, made fresh for every run: the installers
# change it. The large files of the Windows folder (DLLs, never written in place) are hard
# links, everything else (the registry files above all) a real copy, so a copy costs a second
# or two, not a new `wineboot`. Where the kernel cannot run 32-bit programs, the 32-bit
# package is not installed (the program says why) and the prefix gets the registry and folders
# of a pristine WoW64 prefix, so that the 32-bit view is the real one.
set -euo pipefail
build=$(cd "$1" && pwd)
program=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
bed=$build/installer-bed
prefix=$bed/prefix

can_run_32bit() {
  local probe ok=1
  probe=$(mktemp)
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" >/dev/null 2>&1 && ok=0
  rm -f "$probe"
  return $ok
}

for tool in wixl makensis; do
  command -v "$tool" >/dev/null || { echo "installer bed: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

[ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
rm -rf "$bed"
mkdir -p "$bed/packages" "$bed/home"

# The packages. The payload only has to exist: nothing of the programs is ever started.
packages=$bed/packages
printf 'MZ' >"$packages/payload.exe"
for nsi in machine user; do
  makensis -V1 -DOUT="$packages/$nsi.exe" -DPAYLOAD="$packages/payload.exe" "$here/$nsi.nsi" >/dev/null
done
msi() { # ARCH BITS PROGRAMFILES WIN64
  local code=4D454E44-4245-4400-0000-00000000$2
  (cd "$packages" && wixl -a "$1" -D Bits="$2" -D ProductCode="${code}01" -D UpgradeCode="${code}FF" \
    -D ComponentCode="${code}10" -D ProgramFiles="$3" -D Win64="$4" -D Payload=payload.exe \
    -o "msi$2.msi" "$here/product.wxs" 2>/dev/null)
}
msi x64 64 ProgramFiles64Folder yes
if can_run_32bit; then
  msi x86 32 ProgramFilesFolder no
  export MENDRAKE_BED_32BIT=yes
else
  export MENDRAKE_BED_32BIT="this machine cannot run 32-bit programs"
fi

# The prefix: the build's test prefix, made first when no test has run yet.
MENDRAKE_WINE_BUILD=$build bash "$source_dir/scripts/wine-run.sh" cmd /c exit
main=$build/wineprefix
mkdir -p "$prefix"
(cd "$main" && find . -mindepth 1 \( -type d -o -type l -o ! -path './drive_c/windows/*' -o -size -1024k \) -print0) |
  tar -C "$main" --null --no-recursion -T - -cf - | tar -C "$prefix" -xf -
(cd "$main" && find ./drive_c/windows -type f -size +1023k -print0 | xargs -0 -r cp -l --parents -t "$prefix")
# Profile folders that Wine links into a home folder become folders of this prefix.
find "$prefix/drive_c/users" -maxdepth 3 -type l -print0 | while IFS= read -r -d '' link; do
  rm -f "$link" && mkdir -p "$link"
done
if [ "$MENDRAKE_BED_32BIT" != yes ]; then
  bash "$source_dir/../shared/tools/wow64-snapshot.sh" "$prefix"
fi

export WINEPREFIX=$prefix HOME=$bed/home WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export MENDRAKE_BED_PACKAGES=$packages
status=0
wine "$program" || status=$?
wineserver -k >/dev/null 2>&1 || true
[ $status -eq 0 ] && rm -rf "$prefix"
exit $status
