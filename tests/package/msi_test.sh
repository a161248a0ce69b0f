#!/usr/bin/env bash
# The Windows Installer package as an administrator deploys it: Wine's own msiexec installs
# dist/Mendrake-VERSION-win64.msi silently. Checked: the files, the Start-menu shortcut's
# target, the product registered with its Uninstall entry in the 64-bit view (none in the
# 32-bit view), that the installed console program counts as installed (backups in the user's
# folder) and that its scan reports nothing of Mendrake; a major upgrade over an older version
# in place, a newer installed version kept, the refusals between the package and the setup
# program, and a silent uninstall that leaves no file, folder, shortcut or registry trace.
# Every msiexec exit status is compared with the one Windows Installer documents.
#
# It runs after package.install_test (a CTest fixture), in the prefix that test leaves and
# with the dist/ it built; run alone, it packages and makes a fresh prefix itself. The older
# and newer versions are built here from package/mendrake.wxs with stand-in files.
#
# Usage: msi_test.sh BUILD_FOLDER (the windows preset's).
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$source_dir/build/windows}" && pwd)"

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}
step() { echo "== $1 (${SECONDS} s)"; }
expect_eq() { # expected actual what
  [ "$1" == "$2" ] || fail "$3: expected [$1], got [$2]"
}

version="$(cat "$build/version.txt")"
dist="$source_dir/dist"
msi="$dist/Mendrake-$version-win64.msi"
setup="$dist/Mendrake-$version-win64-setup.exe"
[ -f "$msi" ] && [ -f "$setup" ] || bash "$source_dir/scripts/package.sh"
product_code="$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }')"
upgrade_code="$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "UpgradeCode" { print $2 }')"

step "older and newer packages"
packages="$build/msi-test-packages"
rm -rf "$packages"
mkdir -p "$packages/stage"
for f in mendrake.exe mendrake-cli.exe README.txt LICENSE.txt; do
  printf 'a stand-in\r\n' >"$packages/stage/$f"
done
# Built from the same source as the release: the same UpgradeCode and components.
build_msi() { # version
  bash "$source_dir/scripts/build-msi.sh" "$1" "$packages/stage" "$packages/$1.msi" \
    https://example.invalid/help https://example.invalid/ 2>/dev/null
}
older_code="$(build_msi 1.0.0.0)"
newer_code="$(build_msi 99.0.0.0)"
[ "$older_code" != "$product_code" ] && [ "$newer_code" != "$product_code" ] ||
  fail "versions share a ProductCode: $older_code $product_code $newer_code"

export WINEPREFIX="$build/package-prefix"
export HOME="$build/package-home"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wineserver -k >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# The prefix package.install_test left is used once: a run of this test that failed leaves
# its marker (and whatever it installed), and the next run starts from a fresh prefix.
used="$WINEPREFIX/msi-test-ran"
if [ ! -f "$WINEPREFIX/system.reg" ] || [ -e "$used" ]; then
  step "a fresh prefix (package.install_test left none to use)"
  rm -rf "$WINEPREFIX" "$HOME"
  mkdir -p "$HOME" "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
touch "$used"
wineserver -p

drive_c="$WINEPREFIX/drive_c"
program_dir="$drive_c/Program Files/Mendrake"
installed_cli='C:\Program Files\Mendrake\mendrake-cli.exe'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
package_key='HKLM\Software\Kestrava\Mendrake'
# Windows Installer puts the shortcut of ProgramMenuFolder into the all-users Start menu when
# ALLUSERS=1; Wine 8's msi puts it into the installing user's (measured). Either is accepted,
# and the test says which it found.
shortcuts=("$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Mendrake.lnk")
for user_dir in "$drive_c"/users/*/AppData/Roaming; do
  shortcuts+=("$user_dir/Microsoft/Windows/Start Menu/Programs/Mendrake.lnk")
done

run() { wine "$@" 2>&1 | tr -d '\r'; }
key_values() { run reg query "$1" /reg:64; }
value_of() { # listing name
  printf '%s\n' "$1" | awk -v name="$2" '
    { line = $0; sub(/^ +/, "", line) }
    index(line, name " ") == 1 { sub(/^[^ ]+ +REG_[A-Z_]+ +/, "", line); print line; exit }'
}
key_exists() { wine reg query "$1" /reg:64 >/dev/null 2>&1; }
# The Uninstall entries of Mendrake in the 64-bit view, one key name a line.
entries() { run reg query "$uninstall" /reg:64 | grep -i -e '\\Mendrake$' -e "$product_code" \
  -e "$older_code" -e "$newer_code" | sed 's/.*\\//' || true; }
own_findings() { sed -n '/^ITEMS:/,$p' "$1" | grep -i -e mendrake -e kestrava || true; }

# The exit status of a Windows command line in full: a Windows program's status reaches
# Linux cut to its low byte, so cmd prints it (start /wait waits for a windowed program too).
status_of() { # command line
  { wine cmd /v:on /c "start /wait $* & echo status=!ERRORLEVEL!" 2>/dev/null || true; } |
    tr -d '\r' | sed -n 's/^status=//p'
}
msiexec() { # expected status, then msiexec's arguments
  local expected="$1" status
  shift
  status="$(status_of msiexec "$@" /qn)"
  expect_eq "$expected" "$status" "exit status of msiexec $*"
  echo "   msiexec $* -> $status"
}
# Windows Installer files a product under its codes packed: each of the first three groups
# reversed, then each byte of the rest with its two digits swapped.
packed() {
  local g="${1//[\{\}-]/}" out="" i
  out="$(rev <<<"${g:0:8}")$(rev <<<"${g:8:4}")$(rev <<<"${g:12:4}")"
  for ((i = 16; i < 32; i += 2)); do out+="${g:i+1:1}${g:i:1}"; done
  printf '%s' "$out"
}
win_path() { printf 'Z:%s' "${1//\//\\}"; }

step "an older version, then this one over it"
msiexec 0 /i "$(win_path "$packages/1.0.0.0.msi")"
expect_eq "a stand-in" "$(tr -d '\r' <"$program_dir/README.txt")" "the older version's file"
msiexec 0 /i "$(win_path "$msi")"
expect_eq "$product_code" "$(entries)" "Uninstall entries after the upgrade"
for f in mendrake.exe mendrake-cli.exe README.txt LICENSE.txt; do
  cmp -s "$program_dir/$f" "$source_dir/build/package/stage/$f" || fail "not the packaged $f"
done
expect_eq "LICENSE.txt README.txt mendrake-cli.exe mendrake.exe" \
  "$(ls "$program_dir" | sort | tr '\n' ' ' | sed 's/ $//')" "the program folder after the upgrade"

step "the shortcut and the registration"
shortcut=""
for candidate in "${shortcuts[@]}"; do
  [ -f "$candidate" ] && shortcut="$candidate"
done
if [ -z "$shortcut" ]; then
  fail "no Start-menu shortcut Mendrake.lnk"
else
  echo "   shortcut: ${shortcut#"$drive_c/"}"
  { strings -a "$shortcut"; strings -a -el "$shortcut"; } |
    grep -i 'Program Files\\Mendrake\\mendrake.exe' >/dev/null ||
    fail "the shortcut does not point at the installed mendrake.exe"
fi
entry="$(key_values "$uninstall\\$product_code")"
while IFS='|' read -r name expected; do
  expect_eq "$expected" "$(value_of "$entry" "$name")" "Uninstall entry's $name"
done <<VALUES
DisplayName|Mendrake
DisplayVersion|$version
Publisher|Kestrava
HelpLink|https://kestrava.com/mendrake/help/
URLInfoAbout|https://kestrava.com/mendrake/
UninstallString|MsiExec.exe /X$product_code
WindowsInstaller|0x1
NoModify|0x1
VALUES
! key_exists "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code" ||
  fail "the Uninstall entry is in the 32-bit view"
key_exists "HKLM\\Software\\Classes\\Installer\\Products\\$(packed "$product_code")" ||
  fail "Windows Installer has not registered the product"
expect_eq 'C:\Program Files\Mendrake\' "$(value_of "$(key_values "$package_key")" InstallLocation)" \
  "the package's InstallLocation"

step "the installed console program"
status=0
run "$installed_cli" scan --no-exclusions --log 'C:\after-msi-install.log' >/dev/null || status=$?
{ [ "$status" -eq 0 ] || [ "$status" -eq 3 ]; } || fail "the scan ended with exit status $status"
own="$(own_findings "$drive_c/after-msi-install.log")"
[ -z "$own" ] || fail "the scan after the install reports Mendrake itself: $own"
run reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v MsiTestGone \
  /d 'C:\Gone\gone.exe' /f >/dev/null
backup="$(run "$installed_cli" fix --category 10 | sed -n 's/^Backup written to //p')"
case "$backup" in
  'C:\users\'*'\AppData\Local\Kestrava\Mendrake\Backups\'*_backup.reg) ;;
  *) fail "the package's copy wrote its backup to [$backup]" ;;
esac

step "the setup program refuses the package's copy"
status="$(status_of "$(win_path "$setup")" /S)"
expect_eq 1638 "$status" "exit status of the setup program over the package's copy"
echo "   setup /S over the package's copy -> $status"
! key_exists "$uninstall\\Mendrake" || fail "the setup program wrote its Uninstall entry"
[ ! -e "$program_dir/uninstall.exe" ] || fail "the setup program installed its uninstaller"

step "silent uninstall"
cached_before="$(ls "$drive_c/windows/Installer" 2>/dev/null | grep -c -i '\.msi$' || true)"
msiexec 0 /x "$product_code"
msiexec 1605 /x "$product_code" # ERROR_UNKNOWN_PRODUCT: nothing left to remove
[ ! -e "$program_dir" ] || fail "the program folder is still there: $(ls "$program_dir")"
for candidate in "${shortcuts[@]}"; do
  [ ! -e "$candidate" ] || fail "the shortcut is still there: $candidate"
done
expect_eq "" "$(entries)" "Uninstall entries after the uninstall"
cached_after="$(ls "$drive_c/windows/Installer" 2>/dev/null | grep -c -i '\.msi$' || true)"
[ "$cached_after" -lt "$cached_before" ] ||
  fail "the cached package stays in C:\\windows\\Installer ($cached_before, then $cached_after)"
# The registry as the server saves it when it ends: every trace of the product by any of
# its names. The user's settings key (HKCU, in user.reg) is the user's and stays.
wineserver -k
wineserver -w
for trace in "$product_code" "$(packed "$product_code")" "$(packed "$upgrade_code")" \
  'Software\\Kestrava\\Mendrake' 'Program Files\\Mendrake'; do
  found="$(grep -i -F -- "$trace" "$WINEPREFIX/system.reg" | head -3 || true)"
  [ -z "$found" ] || fail "the registry keeps $trace after the uninstall: $found"
done
wineserver -p

step "a newer version installed is kept"
msiexec 0 /i "$(win_path "$packages/99.0.0.0.msi")"
msiexec 1603 /i "$(win_path "$msi")"
expect_eq "$newer_code" "$(entries)" "Uninstall entries after the refused downgrade"
expect_eq "a stand-in" "$(tr -d '\r' <"$program_dir/README.txt")" "the newer version's file"
msiexec 0 /x "$newer_code"

step "the package refuses the setup program's copy"
status="$(status_of "$(win_path "$setup")" /S)"
expect_eq 0 "$status" "exit status of the setup program"
msiexec 1603 /i "$(win_path "$msi")"
expect_eq "Mendrake" "$(entries)" "Uninstall entries after the refused package"
[ -f "$program_dir/uninstall.exe" ] || fail "the refused package took the setup program's copy"
wineserver -k
wine "$program_dir/uninstall.exe" /S >/dev/null 2>&1
wineserver -w
[ ! -e "$program_dir" ] || fail "the setup program's uninstall left $(ls "$program_dir")"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX" "$HOME" "$packages"
echo "all checks passed (${SECONDS} s)"
