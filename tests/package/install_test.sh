#!/usr/bin/env bash
# The release as a Windows user gets it: scripts/package.sh builds dist/, then the setup program
# installs silently into a fresh Wine prefix of its own. Checked: the files, the all-users
# Start-menu shortcut, the Uninstall entry in the 64-bit view with every value, the installed
# console program's version and a scan that reports nothing of Mendrake, where the installed
# copy keeps its backups, in-place upgrades and the refusal to replace a newer version. Then the
# silent uninstall: programs, shortcut and entry gone, the user's backups and settings kept,
# and a scan finds no leftovers.
#
# Usage: install_test.sh BUILD_FOLDER (the windows preset's, which holds the prefix).
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$source_dir/build/windows}" && pwd)"

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}
# Each step with the seconds taken so far, to see where the time goes.
step() { echo "== $1 (${SECONDS} s)"; }
expect_eq() { # expected actual what
  [ "$1" == "$2" ] || fail "$3: expected [$1], got [$2]"
}

bash "$source_dir/scripts/package.sh"
version="$(cat "$build/version.txt")"
setup="$source_dir/dist/Mendrake-$version-win64-setup.exe"
[ -f "$setup" ] || { echo "no setup program at $setup" >&2; exit 1; }

step "the release files"
dist="$source_dir/dist"
zip_file="$dist/Mendrake-$version-win64.zip"
expect_eq "LICENSE.txt README.txt mendrake-cli.exe mendrake.exe" \
  "$(unzip -Z1 "$zip_file" | sort | tr '\n' ' ' | sed 's/ $//')" "the zip's files"
for f in README.txt LICENSE.txt; do
  lines="$(unzip -p "$zip_file" "$f" | wc -l)"
  crlf="$(unzip -p "$zip_file" "$f" | grep -c $'\r$' || true)"
  { [ "$lines" -gt 0 ] && [ "$lines" -eq "$crlf" ]; } ||
    fail "$f: $crlf of $lines lines end in CR LF"
done
unzip -p "$zip_file" README.txt | grep -F "Version $version" >/dev/null ||
  fail "README.txt does not name version $version"
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the files"
for program in mendrake.exe mendrake-cli.exe; do
  symbols="$(unzip -p "$zip_file" "$program" >"$build/package-check.exe" &&
    x86_64-w64-mingw32-nm "$build/package-check.exe" 2>&1 | head -1)"
  case "$symbols" in *"no symbols"*) ;; *) fail "$program is not stripped: $symbols" ;; esac
done
rm -f "$build/package-check.exe"
# The setup program's own version resource carries the same version.
strings -a -el "$setup" | grep -A1 -x FileVersion | tail -1 | grep -x "$version" >/dev/null ||
  fail "the setup program's version resource does not say $version"

# A fresh prefix, never the one the other tests share: what the setup program leaves behind
# must be all there is of Mendrake. HOME points into the build folder (Wine links the
# profile's folders into it).
export WINEPREFIX="$build/package-prefix"
export HOME="$build/package-home"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX" "$HOME"
mkdir -p "$HOME" "$WINEPREFIX"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# One server for the steps up to the uninstall (which must be waited for, see there), so that
# each program starts at once.
wineserver -p
step "a fresh prefix"
wineboot -i >/dev/null 2>&1

drive_c="$WINEPREFIX/drive_c"
program_dir="$drive_c/Program Files/Mendrake"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Mendrake.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mendrake'
arp_cache_key='HKLM\Software\Microsoft\Windows\CurrentVersion\App Management\ARPCache\Mendrake'
installed_cli='C:\Program Files\Mendrake\mendrake-cli.exe'

# Wine's console programs end their lines with CR LF.
run() { wine "$@" 2>&1 | tr -d '\r'; }
# Every value of a key in the 64-bit view as `reg query` prints them ("name  REG_SZ  data"),
# with one start of Wine. In a WoW64 prefix `wine reg` is the 32-bit program: /reg:64 makes
# it read the 64-bit view.
key_values() { run reg query "$1" /reg:64; }
# The data of one value in such a listing, or nothing when it is missing.
value_of() { # listing name
  printf '%s\n' "$1" | awk -v name="$2" '
    { line = $0; sub(/^ +/, "", line) }
    index(line, name " ") == 1 { sub(/^[^ ]+ +REG_[A-Z_]+ +/, "", line); print line; exit }'
}
reg_value() { value_of "$(key_values "$1")" "$2"; } # key name
key_exists() { wine reg query "$1" /reg:64 >/dev/null 2>&1; }
# The issue blocks of a scan log that mention Mendrake or its maker (the log's own header
# names both).
own_findings() { sed -n '/^ITEMS:/,$p' "$1" | grep -i -e mendrake -e kestrava || true; }
# A scan of the whole prefix into a log: exit status 0 (nothing found) or 3 (the prefix's own
# issues found) both mean it ran to its end.
scan_into() { # program log
  local status=0
  run "$1" scan --no-exclusions --log "$2" >/dev/null || status=$?
  [ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "scan into $2 ended with exit status $status"
}

install() { # expected exit status, then the setup program's arguments
  local expected="$1" status=0
  shift
  wine "$setup" /S "$@" >/dev/null 2>&1 || status=$?
  expect_eq "$expected" "$status" "exit status of the setup program $*"
}

step "silent install"
install 0
for f in mendrake.exe mendrake-cli.exe README.txt LICENSE.txt uninstall.exe; do
  [ -f "$program_dir/$f" ] || fail "not installed: $f"
done
cmp -s "$program_dir/mendrake-cli.exe" "$source_dir/build/package/stage/mendrake-cli.exe" ||
  fail "the installed console program is not the packaged one"
[ -f "$shortcut" ] || fail "no all-users Start-menu shortcut at $shortcut"
{ strings -a "$shortcut"; strings -a -el "$shortcut"; } |
  grep -i 'Program Files\\Mendrake\\mendrake.exe' >/dev/null ||
  fail "the shortcut does not point at the installed mendrake.exe"

step "the Uninstall entry"
entry="$(key_values "$uninstall_key")"
while IFS='|' read -r name expected; do
  expect_eq "$expected" "$(value_of "$entry" "$name")" "$name"
done <<VALUES
DisplayName|Mendrake
DisplayVersion|$version
Publisher|Kestrava
HelpLink|https://kestrava.com/mendrake/help/
URLInfoAbout|https://kestrava.com/mendrake/
DisplayIcon|C:\\Program Files\\Mendrake\\mendrake.exe,0
InstallLocation|C:\\Program Files\\Mendrake
UninstallString|"C:\\Program Files\\Mendrake\\uninstall.exe"
QuietUninstallString|"C:\\Program Files\\Mendrake\\uninstall.exe" /S
NoModify|0x1
NoRepair|0x1
VALUES
size_kb=$(($(value_of "$entry" EstimatedSize)))
files_kb=$(($(du -k -c "$program_dir"/* | tail -1 | cut -f1)))
{ [ "$size_kb" -gt 1000 ] && [ "$size_kb" -le "$files_kb" ]; } ||
  fail "EstimatedSize ${size_kb} KB for ${files_kb} KB of files"
! key_exists 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Mendrake' ||
  fail "the Uninstall entry is in the 32-bit view"

step "the installed console program"
expect_eq "mendrake-cli $version" "$(run "$installed_cli" --version)" "--version"
scan_into "$installed_cli" 'C:\after-install.log'
[ -f "$drive_c/after-install.log" ] || fail "the scan after the install wrote no log"
own="$(own_findings "$drive_c/after-install.log")"
[ -z "$own" ] || fail "the scan after the install reports Mendrake itself: $own"

step "the installed copy keeps its backups in the user's folder"
run reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v PackageTestGone \
  /d 'C:\Gone\gone.exe' /f >/dev/null
fixed="$(run "$installed_cli" fix --category 10)"
backup="$(printf '%s\n' "$fixed" | sed -n 's/^Backup written to //p')"
case "$backup" in
  'C:\users\'*'\AppData\Local\Kestrava\Mendrake\Backups\'*_backup.reg) ;;
  *) fail "the fix's backup went to [$backup]: $fixed" ;;
esac
backup_file="$(compgen -G \
  "$drive_c/users/*/AppData/Local/Kestrava/Mendrake/Backups/*_backup.reg" || true)"
[ -n "$backup_file" ] || fail "no backup in the user's backup folder"
listed="$(run "$installed_cli" backups)"
printf '%s\n' "$listed" | grep -F "$backup" >/dev/null ||
  fail "backups does not list $backup: $listed"
ls "$program_dir" | grep _backup >/dev/null && fail "a backup was written into the program's folder"
# The user's settings, which the uninstall must keep.
run "$installed_cli" exclude add 'HKCU\Software\PackageTestVendor' >/dev/null

step "in-place upgrades, and a newer version kept"
wine reg add "$uninstall_key" /v DisplayVersion /d 1.0.0.0 /f /reg:64 >/dev/null 2>&1
echo "an older version's text" >"$program_dir/README.txt"
install 0
expect_eq "$version" "$(reg_value "$uninstall_key" DisplayVersion)" "version after an upgrade"
cmp -s "$program_dir/README.txt" "$source_dir/build/package/stage/README.txt" ||
  fail "the upgrade did not replace the installed files"
install 0 # the same version again
expect_eq 'C:\Program Files\Mendrake' "$(reg_value "$uninstall_key" InstallLocation)" \
  "InstallLocation after a reinstall"
wine reg add "$uninstall_key" /v DisplayVersion /d 99.0.0.0 /f /reg:64 >/dev/null 2>&1
install 2
expect_eq 99.0.0.0 "$(reg_value "$uninstall_key" DisplayVersion)" "a newer version is kept"
wine reg add "$uninstall_key" /v DisplayVersion /d "$version" /f /reg:64 >/dev/null 2>&1
# The Control Panel caches what it showed of an entry; the uninstall removes the cache too.
wine reg add "$arp_cache_key" /v SlowInfoCache /t REG_BINARY /d 00 /f /reg:64 >/dev/null 2>&1

step "silent uninstall"
# The uninstaller copies itself to the temporary folder and runs from there, so that it can
# delete its own file: the program started returns at once. Waiting for the server to end
# waits for that copy.
wineserver -k
wine "$program_dir/uninstall.exe" /S >/dev/null 2>&1
wineserver -w
[ ! -e "$program_dir" ] || fail "the program folder is still there: $(ls "$program_dir")"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there"
! key_exists "$uninstall_key" || fail "the Uninstall entry is still there"
! key_exists "$arp_cache_key" || fail "the uninstall-cache entry is still there"
[ -f "$backup_file" ] || fail "the uninstall took the user's backup"
run reg query 'HKCU\Software\Kestrava\Mendrake' /v exclude | grep PackageTestVendor >/dev/null ||
  fail "the uninstall took the user's settings"

step "no leftovers"
scan_into "$build/mendrake-cli.exe" 'C:\after-uninstall.log'
[ -f "$drive_c/after-uninstall.log" ] || fail "the scan after the uninstall wrote no log"
own="$(own_findings "$drive_c/after-uninstall.log")"
[ -z "$own" ] || fail "the scan after the uninstall finds leftovers: $own"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
# The prefix is made afresh by every run. package.msi_test goes on in it (a fresh prefix costs
# more than the rest of that test) and removes it when its checks pass.
wineserver -k >/dev/null 2>&1 || true
echo "all checks passed (${SECONDS} s)"
