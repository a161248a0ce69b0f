#!/usr/bin/env bash
# Builds the release files into dist/: the windows preset's programs (Release, linked
# statically) stripped of their symbols, then
#   Mendrake-VERSION-win64.zip        the programs, README.txt and LICENSE.txt (CR LF lines)
#   Mendrake-VERSION-win64-setup.exe  the setup program (NSIS, 64-bit)
#   Mendrake-VERSION-win64.msi        the Windows Installer package (wixl, 64-bit)
#   SHA256SUMS                        the checksums of the three
#   winget/                           the Windows Package Manager manifest of the three
#                                     (version, default locale and installer files)
# VERSION is project()'s version in CMakeLists.txt, the one the programs' resources carry.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
build=build/windows
# A build folder configured as the preset says is only brought up to date (the build step
# configures again itself when a CMake file changed); any other is configured first.
configure=(cmake --preset windows)
if grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$build/CMakeCache.txt" 2>/dev/null; then
  configure=(true)
fi
if ! { "${configure[@]}" && cmake --build --preset windows --target mendrake mendrake-cli; } \
  >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi

version="$(cat "$build/version.txt")"
stage="$PWD/build/package/stage"
dist="$PWD/dist"
zip_name="Mendrake-$version-win64.zip"
setup_name="Mendrake-$version-win64-setup.exe"
msi_name="Mendrake-$version-win64.msi"
# The pages the installed apps list links to, and where the release files are downloaded from
# (the winget manifest's addresses).
about_link="https://kestrava.com/mendrake/"
help_link="https://kestrava.com/mendrake/help/"
download="https://kestrava.com/mendrake/download/"
rm -rf "$stage"
mkdir -p "$stage" "$dist"

for program in mendrake mendrake-cli; do
  x86_64-w64-mingw32-strip --strip-all -o "$stage/$program.exe" "$build/$program.exe"
done
# Text files for Windows users: CR LF lines, the version filled in.
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' package/README.txt >"$stage/README.txt"
sed -e 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
# The same time on every file (the last commit's), so that a rebuild of one commit gives the
# same zip.
stamp="$(git log -1 --format=%ct 2>/dev/null || date +%s)"
touch -d "@$stamp" "$stage"/*

rm -rf "$dist/$zip_name" "$dist/$setup_name" "$dist/$msi_name" "$dist/SHA256SUMS" "$dist/winget"
(cd "$stage" && TZ=UTC zip -q -X -D "$dist/$zip_name" mendrake.exe mendrake-cli.exe README.txt \
  LICENSE.txt)
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" \
  -DOUTFILE="$dist/$setup_name" -DHELPLINK="$help_link" -DABOUTLINK="$about_link" \
  -DICON="$PWD/$build/generated/ui/mendrake.ico" \
  package/mendrake.nsi >"$log" 2>&1 || {
  cat "$log" >&2
  exit 1
}
product_code="$(bash scripts/build-msi.sh "$version" "$stage" "$dist/$msi_name" "$help_link" \
  "$about_link" 2>"$log")" || {
  cat "$log" >&2
  exit 1
}
(cd "$dist" && sha256sum "$zip_name" "$setup_name" "$msi_name" >SHA256SUMS)

# The winget manifest, in the three files of a multi-file manifest. Every installer is the
# 64-bit one for all users; the setup program is silent with /S, which winget passes to a
# nullsoft installer by itself, and the zip's console program becomes the command
# `mendrake-cli`. AppsAndFeaturesEntries name the Uninstall entry each installer writes, so that
# winget knows the copy it installed.
winget="$dist/winget"
mkdir -p "$winget"
id="Kestrava.Mendrake"
manifest_version="1.12.0"
sha() { sha256sum "$dist/$1" | cut -d' ' -f1 | tr a-f A-F; }
cat >"$winget/$id.yaml" <<YAML
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.version.$manifest_version.schema.json
PackageIdentifier: $id
PackageVersion: $version
DefaultLocale: en-US
ManifestType: version
ManifestVersion: $manifest_version
YAML
cat >"$winget/$id.locale.en-US.yaml" <<YAML
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.defaultLocale.$manifest_version.schema.json
PackageIdentifier: $id
PackageVersion: $version
PackageLocale: en-US
Publisher: Kestrava
PublisherUrl: https://kestrava.com/
PackageName: Mendrake
PackageUrl: $about_link
License: MIT
Moniker: mendrake
ShortDescription: Finds and removes registry entries that point at things no longer there.
Description: >-
  Mendrake inspects well-known areas of the Windows registry and the start-menu and desktop
  folders, lists every entry that points at something that no longer exists or has been left
  empty, and removes the entries the user ticks after writing a backup that can be restored.
Tags:
  - registry
  - cleaner
ManifestType: defaultLocale
ManifestVersion: $manifest_version
YAML
cat >"$winget/$id.installer.yaml" <<YAML
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.installer.$manifest_version.schema.json
PackageIdentifier: $id
PackageVersion: $version
MinimumOSVersion: 10.0.0.0
Platform:
  - Windows.Desktop
Installers:
  - Architecture: x64
    InstallerType: nullsoft
    Scope: machine
    InstallerUrl: $download$setup_name
    InstallerSha256: $(sha "$setup_name")
    ElevationRequirement: elevatesSelf
    ExpectedReturnCodes:
      - InstallerReturnCode: 2
        ReturnResponse: downgrade
      - InstallerReturnCode: 1638
        ReturnResponse: alreadyInstalled
    AppsAndFeaturesEntries:
      - DisplayName: Mendrake
        Publisher: Kestrava
        ProductCode: Mendrake
  - Architecture: x64
    InstallerType: msi
    Scope: machine
    InstallerUrl: $download$msi_name
    InstallerSha256: $(sha "$msi_name")
    ProductCode: '$product_code'
    AppsAndFeaturesEntries:
      - DisplayName: Mendrake
        Publisher: Kestrava
        ProductCode: '$product_code'
        UpgradeCode: '$(sed -n 's/.*UpgradeCode="\([0-9A-Fa-f-]\{36\}\)".*/{\1}/p' package/mendrake.wxs)'
  - Architecture: x64
    InstallerType: zip
    NestedInstallerType: portable
    NestedInstallerFiles:
      - RelativeFilePath: mendrake-cli.exe
        PortableCommandAlias: mendrake-cli
    InstallerUrl: $download$zip_name
    InstallerSha256: $(sha "$zip_name")
ManifestType: installer
ManifestVersion: $manifest_version
YAML

for f in "$zip_name" "$setup_name" "$msi_name" SHA256SUMS; do
  printf '%s  %s bytes\n' "dist/$f" "$(stat -c %s "$dist/$f")"
done
printf 'dist/winget/  %s\n' "$(cd "$winget" && echo *)"
printf 'ProductCode %s\n' "$product_code"
