#!/usr/bin/env bash
# Builds the release files into dist/: the windows preset's programs (Release, linked
# statically) stripped of their symbols, then
#   Mendrake-VERSION-win64.zip        the programs, README.txt and LICENSE.txt (CR LF lines)
#   Mendrake-VERSION-win64-setup.exe  the setup program (NSIS, 64-bit)
#   SHA256SUMS                        the checksums of both
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

rm -f "$dist/$zip_name" "$dist/$setup_name" "$dist/SHA256SUMS"
(cd "$stage" && TZ=UTC zip -q -X -D "$dist/$zip_name" mendrake.exe mendrake-cli.exe README.txt \
  LICENSE.txt)
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" \
  -DOUTFILE="$dist/$setup_name" package/mendrake.nsi >"$log" 2>&1 || {
  cat "$log" >&2
  exit 1
}
(cd "$dist" && sha256sum "$zip_name" "$setup_name" >SHA256SUMS)

for f in "$zip_name" "$setup_name" SHA256SUMS; do
  printf '%s  %s bytes\n' "dist/$f" "$(stat -c %s "$dist/$f")"
done
