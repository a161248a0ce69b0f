#include "engine/exclusion_list.h"

#include "engine/ansi_text.h"
#include "platform/platform.h"

#include <array>
#include <utility>

namespace mendrake {

namespace {

struct RootName {
    std::string_view full;
    std::string_view abbreviation;
};
constexpr std::array<RootName, 4> kRootNames = {{
    {"HKEY_CLASSES_ROOT", "HKCR"},
    {"HKEY_CURRENT_USER", "HKCU"},
    {"HKEY_LOCAL_MACHINE", "HKLM"},
    {"HKEY_USERS", "HKU"},
}};

// The registry editor's address bar puts this in front of every root.
constexpr std::string_view kComputerPrefix = "Computer\\";

// Letter case of the ASCII names above: plain text rules, no locale.
bool EqualAsciiIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

// Whether `entry` begins with the name `root` followed by a backslash or nothing.
bool StartsWithRoot(std::string_view entry, std::string_view root) {
    return entry.size() >= root.size() &&
           (entry.size() == root.size() || entry[root.size()] == '\\') &&
           EqualAsciiIgnoreCase(entry.substr(0, root.size()), root);
}

// "C:" or "C:\..." with a letter for the drive.
bool IsDrivePath(std::string_view entry) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return entry.size() >= 2 && letter(entry[0]) && entry[1] == ':' &&
           (entry.size() == 2 || entry[2] == '\\');
}

// "\\server\share..." with a server and a share name (not "\\?\" or "\\.\", which name
// devices and long paths no issue ever shows).
bool IsSharePath(std::string_view entry) {
    if (entry.size() < 5 || entry.substr(0, 2) != "\\\\") {
        return false;
    }
    const std::size_t serverEnd = FindCharacter(entry, "\\", 2);
    if (serverEnd == std::string_view::npos || serverEnd == 2) {
        return false;
    }
    const std::string_view server = entry.substr(2, serverEnd - 2);
    if (server == "?" || server == ".") {
        return false;
    }
    return serverEnd + 1 < entry.size() && entry[serverEnd + 1] != '\\';
}

// The place an issue names: its KeyText (folders of the file categories end in a backslash),
// followed by "\" and the value or file name when there is one.
std::string IssuePlace(std::string_view keyText, std::string_view value) {
    std::string place(WithoutTrailingBackslashes(keyText));
    if (!value.empty()) {
        place += '\\';
        place += value;
    }
    return place;
}

// Whether `upper` begins with `prefix` followed by a backslash or nothing.
bool StartsWithLevel(std::u16string_view upper, std::u16string_view prefix) {
    return upper.size() >= prefix.size() && upper.substr(0, prefix.size()) == prefix &&
           (upper.size() == prefix.size() || upper[prefix.size()] == u'\\');
}

// `upper` (an upper-cased location) in a user's hive below HKEY_USERS ("HKU\<SID>\X", or the
// user's classes "HKU\<SID>_CLASSES\X") as HKCU spells the same place for the running
// account, so that an entry written for HKCU applies to every user's matching location. Empty
// for any other location.
std::u16string UserPlaceAsCurrentUser(std::u16string_view upper) {
    constexpr std::u16string_view users = u"HKU\\";
    if (!StartsWithLevel(upper, u"HKU") || upper.size() <= users.size()) {
        return {};
    }
    const std::size_t end = std::min(upper.find(u'\\', users.size()), upper.size());
    const std::u16string_view hive = upper.substr(users.size(), end - users.size());
    constexpr std::u16string_view classes = u"_CLASSES";
    const bool isClasses =
        hive.size() > classes.size() && hive.substr(hive.size() - classes.size()) == classes;
    return std::u16string(isClasses ? u"HKCU\\SOFTWARE\\CLASSES" : u"HKCU") +
           std::u16string(upper.substr(end));
}

// `upper` (an upper-cased location) with a classes key's physical spelling turned into its
// HKCR one.
std::u16string ClassesSpelledAsMerged(std::u16string upper) {
    for (const std::u16string_view physical : {std::u16string_view(u"HKCU\\SOFTWARE\\CLASSES"),
                                               std::u16string_view(u"HKLM\\SOFTWARE\\CLASSES")}) {
        if (StartsWithLevel(upper, physical)) {
            upper.replace(0, physical.size(), u"HKCR");
            break;
        }
    }
    return upper;
}

// A location as the set compares it.
std::u16string ComparedLocation(std::string_view location) {
    return ClassesSpelledAsMerged(platform::Os().OrdinalUpperCase(location));
}

} // namespace

std::optional<std::string> ShortExclusionEntry(std::string_view entry) {
    entry = WithoutTrailingBackslashes(entry);
    if (entry.size() > kComputerPrefix.size() &&
        EqualAsciiIgnoreCase(entry.substr(0, kComputerPrefix.size()), kComputerPrefix)) {
        entry.remove_prefix(kComputerPrefix.size());
    }
    for (const RootName& root : kRootNames) {
        for (std::string_view name : {root.full, root.abbreviation}) {
            if (StartsWithRoot(entry, name)) {
                return std::string(root.abbreviation) + std::string(entry.substr(name.size()));
            }
        }
    }
    if (IsDrivePath(entry) || IsSharePath(entry)) {
        return std::string(entry);
    }
    return std::nullopt;
}

std::string RefusedEntryMessage(std::string_view entry) {
    return "Not a registry key, folder or file: \"" + std::string(entry) +
           "\" (a key begins with HKCR, HKCU, HKLM or HKU, a path with a drive letter or "
           "\\\\server\\share)";
}

std::string ExclusionLocation(std::string_view entry) {
    if (std::optional<std::string> shortForm = ShortExclusionEntry(entry)) {
        return std::move(*shortForm);
    }
    return std::string(WithoutTrailingBackslashes(entry));
}

std::u16string ExclusionKey(std::string_view entry) {
    return ComparedLocation(ExclusionLocation(entry));
}

ExclusionMatcher::ExclusionMatcher(const std::vector<std::string>& entries) {
    locations_.reserve(entries.size());
    for (const std::string& entry : entries) {
        Add(entry);
    }
}

bool ExclusionMatcher::Add(std::string_view entry) {
    std::u16string location = ExclusionKey(entry);
    if (location.empty()) {
        return false;
    }
    for (std::size_t cut = location.find(u'\\'); cut != std::u16string::npos;
         cut = location.find(u'\\', cut + 1)) {
        above_.insert(location.substr(0, cut));
    }
    return locations_.insert(std::move(location)).second;
}

bool ExclusionMatcher::HoldsBelow(std::string_view keyText) const {
    if (above_.empty()) {
        return false;
    }
    const std::u16string upper =
        platform::Os().OrdinalUpperCase(WithoutTrailingBackslashes(keyText));
    if (above_.find(ClassesSpelledAsMerged(upper)) != above_.end()) {
        return true;
    }
    const std::u16string asCurrentUser = UserPlaceAsCurrentUser(upper);
    return !asCurrentUser.empty() &&
           above_.find(ClassesSpelledAsMerged(asCurrentUser)) != above_.end();
}

bool ExclusionMatcher::Covers(std::string_view keyText, std::string_view value) const {
    if (locations_.empty()) {
        return false;
    }
    const std::u16string upper = platform::Os().OrdinalUpperCase(IssuePlace(keyText, value));
    if (CoversPlace(ClassesSpelledAsMerged(upper))) {
        return true;
    }
    const std::u16string asCurrentUser = UserPlaceAsCurrentUser(upper);
    return !asCurrentUser.empty() && CoversPlace(ClassesSpelledAsMerged(asCurrentUser));
}

bool ExclusionMatcher::CoversPlace(std::u16string_view whole) const {
    if (locations_.find(whole) != locations_.end()) {
        return true;
    }
    // Every key or folder above the place, nearest the root first.
    for (std::size_t cut = whole.find(u'\\'); cut != std::u16string_view::npos;
         cut = whole.find(u'\\', cut + 1)) {
        if (locations_.find(whole.substr(0, cut)) != locations_.end()) {
            return true;
        }
    }
    return false;
}

bool ExclusionCovers(std::string_view entry, std::string_view keyText, std::string_view value) {
    ExclusionMatcher matcher;
    matcher.Add(entry);
    return matcher.Covers(keyText, value);
}

bool IsExcluded(const std::vector<std::string>& entries, std::string_view keyText,
                std::string_view value) {
    return ExclusionMatcher(entries).Covers(keyText, value);
}

} // namespace mendrake
