// Locations the user never wants to see reported again, and the list one analysis run checks
// its findings against.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace mendrake {

// An entry in the short form the issue list and the log show, as it is stored: a leading
// "Computer\" (the registry editor's address bar) dropped, a full root name
// ("HKEY_LOCAL_MACHINE\...") abbreviated ("HKLM\..."), trailing backslashes dropped. Nothing
// when the entry is neither below one of the roots issues name (HKCR, HKCU, HKLM, HKU) nor a path
// on a drive ("C:\...") or a network share ("\\server\share..."): it could never match.
std::optional<std::string> ShortExclusionEntry(std::string_view entry);
// The message for an entry ShortExclusionEntry refuses.
std::string RefusedEntryMessage(std::string_view entry);

// An entry as the matching reads it: its short form, or for an entry stored before forms were
// checked, the text without trailing backslashes. Empty when nothing is left.
std::string ExclusionLocation(std::string_view entry);
// The location of an entry as it is compared: two entries name one location exactly when these
// are equal. The classes are compared by what they name: "HKCU\Software\Classes\X" and
// "HKLM\Software\Classes\X" are compared as "HKCR\X", the merged view that holds both, so
// that an entry written in any of the three spellings keeps every finding of that class.
// A location in a user's hive below HKEY_USERS ("HKU\<SID>\X") is covered by an entry of its
// own and by the entry that names the same place for the running account ("HKCU\X"): an
// exclusion written for HKCU applies to every user's matching location.
std::u16string ExclusionKey(std::string_view entry);

// The locations of a list of entries, kept upper-cased as the registry and the file system
// compare names (ordinally, whatever the user's locale), in a set: whether an issue is covered
// costs one look-up per level of its location, however long the list.
class ExclusionMatcher {
  public:
    ExclusionMatcher() = default;
    explicit ExclusionMatcher(const std::vector<std::string>& entries);

    // Adds an entry; false when the set holds its location already (or it is blank).
    bool Add(std::string_view entry);
    bool Empty() const { return locations_.empty(); }
    // True when an entry names the location (keyText, value): the key or folder
    // `keyText`, the value or file `keyText` + "\" + `value`, or a key or folder above either.
    bool Covers(std::string_view keyText, std::string_view value) const;
    // True when an entry names a key or folder below the key or folder `keyText`, which
    // deleting `keyText` would delete with it.
    bool HoldsBelow(std::string_view keyText) const;

  private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view text) const {
            return std::hash<std::u16string_view>{}(text);
        }
    };
    // Whether an entry names `whole` (a location as compared) or a key or folder above it.
    bool CoversPlace(std::u16string_view whole) const;
    std::unordered_set<std::u16string, Hash, std::equal_to<>> locations_;
    // Every key or folder above an entry's location.
    std::unordered_set<std::u16string, Hash, std::equal_to<>> above_;
};

// True when `entry` covers the issue location (keyText, value), as ExclusionMatcher::Covers.
bool ExclusionCovers(std::string_view entry, std::string_view keyText, std::string_view value);
// True when any entry of `entries` covers the location.
bool IsExcluded(const std::vector<std::string>& entries, std::string_view keyText,
                std::string_view value);

} // namespace mendrake
