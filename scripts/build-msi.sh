#!/usr/bin/env bash
# Builds the Windows Installer package from package/mendrake.wxs with wixl.
# Usage: build-msi.sh VERSION STAGE OUTFILE HELPLINK ABOUTLINK
#   VERSION  four numbers, e.g. 2.0.0.0
#   STAGE    the folder holding mendrake.exe, mendrake-cli.exe, README.txt and LICENSE.txt
#   HELPLINK, ABOUTLINK  the pages the installed apps list links to
# Prints the package's ProductCode.
#
# The ProductCode is a name-based UUID (version 5, SHA-1) of the version's first three numbers
# in the namespace of the package's UpgradeCode: each version is a new product, as a major
# upgrade needs, and a rebuild of one version gives the same code, so the code in the winget
# manifest, in a deployment's detection rule and in the installed apps list follows from the
# version alone. Windows Installer compares only those three numbers (2.0.0.1 is the same
# version as 2.0.0.0 to it); versions that differ in the fourth alone share one code, so that a
# second build of them is refused as "already installed" instead of going in beside the first.
set -euo pipefail
version=$1 stage=$2 out=$3 help_link=$4 about_link=$5
here="$(cd "$(dirname "$0")/.." && pwd)"
wxs="$here/package/mendrake.wxs"

upgrade_code="$(sed -n 's/.*UpgradeCode="\([0-9A-Fa-f-]\{36\}\)".*/\1/p' "$wxs")"
[ -n "$upgrade_code" ] || { echo "build-msi: no UpgradeCode in $wxs" >&2; exit 1; }
# SHA-1 of the namespace's 16 bytes followed by the name; the first 16 bytes of the digest
# with the version (5) and the variant (10xx) set, as RFC 4122 says.
hash="$({
  printf "$(printf '%s' "${upgrade_code//-/}" | sed 's/../\\x&/g')"
  printf '%s' "$(printf '%s' "$version" | cut -d. -f1-3)"
} | sha1sum | cut -c1-32)"
variant="$(printf '%x' $(((0x${hash:16:1} & 0x3) | 0x8)))"
hex="${hash:0:12}5${hash:13:3}${variant}${hash:17:15}"
product_code="$(printf '%s-%s-%s-%s-%s' "${hex:0:8}" "${hex:8:4}" "${hex:12:4}" \
  "${hex:16:4}" "${hex:20:12}" | tr a-f A-F)"

out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
# wixl reads each File's Source relative to the folder it runs in.
cd "$stage"
wixl -a x64 -D Version="$version" -D ProductCode="$product_code" \
  -D HelpLink="$help_link" -D AboutLink="$about_link" \
  -o "$out" "$wxs"
echo "{$product_code}"
