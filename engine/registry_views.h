// The two registry views of a 64-bit Windows, and the file-system view of 32-bit programs.
//
// A 64-bit Windows keeps what 32-bit programs register in redirected areas apart: what a
// 32-bit program writes below HKLM\Software\X lands in HKLM\Software\Wow6432Node\X, and below
// HKCR\CLSID in HKCR\Wow6432Node\CLSID. A 64-bit program such as this one sees those twins as
// plain keys at their physical paths. Other areas (program identifiers, extensions and verbs in
// HKCR, HKCU\Software, and a list of shared keys below HKLM\Software such as App Paths and
// Fonts) are kept once for both views; there Windows and Wine may still answer the twin path
// with the very key of the 64-bit view, which the key's full name tells.
#pragma once

#include "engine/registry_access.h"
#include "engine/user_scope.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mendrake {

enum class RegistryView {
    Native, // the 64-bit view: what 64-bit programs registered
    Wow64,  // the 32-bit view below Wow6432Node: what 32-bit programs registered
};

// One registry area a scanner reads, in one view: issues found there name `key` below `root`,
// the physical key a 64-bit program sees.
struct ViewArea {
    std::uint32_t root = 0;
    std::string key; // below root, beginning with a backslash
    RegistryView view = RegistryView::Native;
    std::string identity; // the area key's full name; empty when unknown or missing

    // "HKLM\Software\..." for people.
    std::string KeyText() const;
    // `KeyText()` and `key` of a subkey of the area ("" for the area key itself).
    std::string SubkeyText(std::string_view name) const;
    std::string Subkey(std::string_view name) const;
    // Whether the key open in `reg` is physically a part of this area, not a key that both
    // views share and that a link below a 32-bit area leads to (the 64-bit pass reads that
    // one). Asks the platform only for a 32-bit area: call it once a finding stands.
    bool Holds(RegistryAccess& reg) const;
    // Whether Holds looks at the key at all: a caller that has moved on from the key need not
    // open it again when it does not.
    bool AsksKeyName() const { return view != RegistryView::Native && !identity.empty(); }
};

// The area `below` (beginning with a backslash) of the user's hive: one key for both views.
ViewArea UserArea(const UserScope& user, std::string_view below);

// "HKLM", "HKCU", "HKCR", "HKU", or empty for any other root.
std::string RootAbbreviation(std::uint32_t root);

// The path of the 32-bit twin of `key` below `root` as a 64-bit program sees it:
// "\Software\X" below HKLM becomes "\Software\Wow6432Node\X"; "\X" below HKCR becomes
// "\Wow6432Node\X". Empty where Windows keeps no twin (HKCU, other roots, HKLM outside
// Software).
std::string Wow64TwinKey(std::uint32_t root, std::string_view key);

// The area in the 64-bit view, followed by its 32-bit twin when the twin exists and is a
// different physical key. The twin is looked for even when the 64-bit area is missing.
std::vector<ViewArea> BothViews(std::uint32_t root, std::string_view key);

// A path as a program of `view` has it resolved by the file system. For the 32-bit view the
// path is normalised first (NormalisedPath) and the System32 folder of the Windows folder (any
// letter case) is SysWOW64, apart from the subfolders Windows exempts from redirection (catroot,
// catroot2, driverstore, drivers\etc, logfiles, spool), and the Sysnative alias is the real
// System32. Other paths are unchanged. `normalise` false maps the path as it is written, for a
// command whose plain arguments may hold "." and ".." segments of their own.
std::string PathSeenBy(RegistryView view, std::string_view path, bool normalise = true);

} // namespace mendrake
