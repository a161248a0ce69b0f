#!/usr/bin/python3
"""The winget manifest scripts/package.sh writes into dist/winget/: each of its three files
is valid against the Windows Package Manager's own JSON schema of its type (read from
../shared/data/winget-schemas beside the repository), the three agree on the package and its
version, and each installer names the file of dist/ it stands for: its hash, and for the MSI
the ProductCode the package carries."""

import hashlib
import pathlib
import subprocess
import sys

import jsonschema
import yaml

REPO = pathlib.Path(__file__).resolve().parents[2]
SCHEMAS = REPO.parent / "shared" / "data" / "winget-schemas"
DIST = REPO / "dist"
MANIFESTS = DIST / "winget"
ID = "Kestrava.Mendrake"
MANIFEST_VERSION = "1.12.0"
DOWNLOAD = "https://kestrava.com/mendrake/download/"

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def load(name):
    text = (MANIFESTS / name).read_text(encoding="utf-8")
    return text, yaml.safe_load(text)


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest().upper()


def msi_property(path, name):
    table = subprocess.run(["msiinfo", "export", str(path), "Property"], check=True,
                           capture_output=True, text=True).stdout
    for line in table.splitlines():
        key, _, value = line.rstrip("\r").partition("\t")
        if key == name:
            return value
    return None


version = (REPO / "build" / "windows" / "version.txt").read_text().strip()
files = {
    "nullsoft": DIST / f"Mendrake-{version}-win64-setup.exe",
    "msi": DIST / f"Mendrake-{version}-win64.msi",
    "zip": DIST / f"Mendrake-{version}-win64.zip",
}

# Each file against its schema, and the header comment that names the schema for editors.
documents = {}
for name, kind, schema in [
    (f"{ID}.yaml", "version", "version"),
    (f"{ID}.locale.en-US.yaml", "defaultLocale", "defaultLocale"),
    (f"{ID}.installer.yaml", "installer", "installer"),
]:
    text, document = load(name)
    schema_file = SCHEMAS / f"manifest.{schema}.{MANIFEST_VERSION}.json"
    validator = jsonschema.Draft7Validator(yaml.safe_load(schema_file.read_text()))
    for error in validator.iter_errors(document):
        failures.append(f"{name}: {'/'.join(map(str, error.path))}: {error.message}")
    check(text.startswith("# yaml-language-server: $schema=https://aka.ms/winget-manifest."
                          f"{schema}.{MANIFEST_VERSION}.schema.json\n"),
          f"{name}: the first line does not name its schema")
    for field, expected in [("PackageIdentifier", ID), ("PackageVersion", version),
                            ("ManifestType", kind), ("ManifestVersion", MANIFEST_VERSION)]:
        check(document.get(field) == expected,
              f"{name}: {field} is {document.get(field)!r}, not {expected!r}")
    documents[kind] = document

check(documents["version"].get("DefaultLocale") == documents["defaultLocale"].get("PackageLocale"),
      "the version file's DefaultLocale is not the locale file's")
check(documents["defaultLocale"].get("Publisher") == "Kestrava", "the publisher is not Kestrava")

# One installer of each kind, each standing for its file of dist/.
installers = {entry.get("InstallerType"): entry for entry in documents["installer"]["Installers"]}
check(sorted(installers) == ["msi", "nullsoft", "zip"],
      f"the installers are {sorted(map(str, installers))}")
for kind, path in files.items():
    entry = installers.get(kind, {})
    check(entry.get("InstallerUrl") == DOWNLOAD + path.name,
          f"{kind}: InstallerUrl {entry.get('InstallerUrl')!r}")
    check(entry.get("InstallerSha256") == sha256(path),
          f"{kind}: InstallerSha256 is not the hash of {path.name}")
    check(entry.get("Architecture") == "x64", f"{kind}: Architecture {entry.get('Architecture')!r}")

setup = installers.get("nullsoft", {})
check(setup.get("Scope") == "machine", "the setup program is not for the machine")
check("InstallerSwitches" not in setup, "the setup program needs no switches beyond /S")

package = installers.get("msi", {})
product_code = msi_property(files["msi"], "ProductCode")
check(product_code is not None and package.get("ProductCode") == product_code,
      f"the MSI's ProductCode {package.get('ProductCode')!r} is not the package's {product_code!r}")
arp = (package.get("AppsAndFeaturesEntries") or [{}])[0]
check(arp.get("ProductCode") == product_code, "AppsAndFeaturesEntries names another product")
check(arp.get("UpgradeCode") == msi_property(files["msi"], "UpgradeCode"),
      "AppsAndFeaturesEntries names another UpgradeCode")
check(package.get("Scope") == "machine", "the MSI is not for the machine")

portable = installers.get("zip", {})
check(portable.get("NestedInstallerType") == "portable", "the zip's nested type is not portable")
check(portable.get("NestedInstallerFiles") ==
      [{"RelativeFilePath": "mendrake-cli.exe", "PortableCommandAlias": "mendrake-cli"}],
      f"the zip's nested files are {portable.get('NestedInstallerFiles')!r}")

# The checksums published beside the files cover the same three.
sums = dict(reversed(line.split("  ", 1)) for line in
            (DIST / "SHA256SUMS").read_text().splitlines())
for kind, path in files.items():
    check(sums.get(path.name, "").upper() == sha256(path), f"SHA256SUMS: {path.name}")

for failure in failures:
    print(f"FAILED: {failure}", file=sys.stderr)
if failures:
    sys.exit(1)
print(f"the winget manifest of {version} matches the schemas and dist/")
