// The registry access object every scanner, the export and the fix use.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mendrake {

// The data kind of a registry value as the scanners see it. A string whose text the ANSI code
// page cannot carry is `Unknown`: what it says is not known, so nothing is judged by it.
enum class ValueKind { Unknown, Text, ExpandText, Number, Bytes };

// One listing of a key's subkeys or values, every name as the platform gave it.
struct KeyListing {
    struct Entry {
        std::string name;
        bool lossy = false; // not the entry's real name: it cannot be opened or queried by it
        // The value's type and data, in a listing of values with their data; empty where the
        // enumeration gave the name alone (the data is then to be queried by the name).
        std::optional<platform::RegValue> value;
    };
    std::vector<Entry> entries;
    long status = 0; // kNoMoreItems when it is complete, else the first failure
    bool Complete() const { return status == platform::kNoMoreItems; }
};

class AnalysisRun;

class RegistryAccess {
  public:
    RegistryAccess() = default;
    // An access for a scanner of `run`: every open and enumeration step honours a stop asked
    // of the run, and a root's listing is kept for the rest of the run.
    explicit RegistryAccess(AnalysisRun& run) : run_(&run) {}
    ~RegistryAccess();
    RegistryAccess(const RegistryAccess&) = delete;
    RegistryAccess& operator=(const RegistryAccess&) = delete;

    // Selects the root handle; closes the open key when the root changes.
    void SetRoot(std::uint32_t root);
    std::uint32_t Root() const { return root_; }

    // The access every Open asks for: full access unless a reader asks for less.
    void SetAccess(std::uint32_t access) { access_ = access; }

    // Opens with full access, never creates. A path beginning with "\" is taken from the root;
    // any other path from the open key if there is one, else from the root. On failure the
    // previously open key stays open.
    bool Open(std::string_view path);
    // Opens `path` below the key open in `parent` (same root, this object's access): a short
    // path from an open key costs the registry less than the whole path from the root, and
    // `parent` stays open for the next. False, with this object's key kept, as for Open.
    bool OpenBelow(const RegistryAccess& parent, std::string_view path);
    // The platform's answer to the last Open (kSuccess, kFileNotFound, kAccessDenied ...).
    long OpenStatus() const { return openStatus_; }
    void Close();
    bool IsOpen() const { return key_ != 0; }
    // The full name of the physical key that is open (see Platform::KeyIdentity); empty when
    // none is open or the platform cannot tell.
    std::string KeyIdentity();
    // The open key's path below the root, without a leading backslash.
    const std::string& CurrentPath() const { return path_; }

    // The names the scanners walk; a name that is not the entry's real one (see KeyListing) is
    // left out, so that no entry is judged or deleted by another's name. Listings pass over an
    // index that fails, up to the count the key reports, so that one name that cannot be read
    // does not hide the names after it.
    std::vector<std::string> SubkeyNames();
    std::vector<std::string> ValueNames(); // the default value is listed as ""
    // The name of the subkey whose upper-cased ASCII name is `upperName`, as the key holds it;
    // the listing stops there. Nothing when there is none or the listing fails first.
    std::optional<std::string> SubkeyNamed(std::string_view upperName);
    // SubkeyNames of a key that several checks of the run walk (the Uninstall lists): a
    // complete listing is kept for the rest of the run.
    std::vector<std::string> KeptSubkeyNames();
    // Reads every value of the open key in one listing (one call per value), for a check that
    // reads several of them: the reads that follow cost nothing.
    void ReadValues() { List(ListingKind::Values); }
    // Whether the last SubkeyNames or ValueNames holds every name of the key: it ran to
    // ERROR_NO_MORE_ITEMS, no index failed on the way and no name was left out. A check that
    // reports what is absent from a list must not trust an incomplete one.
    bool ListingComplete() const { return listingComplete_; }
    // Every name, lossy ones too, and whether the listing ran to its end: for a copy that must
    // know it holds everything.
    KeyListing SubkeyListing();
    KeyListing ValueListing();
    // The values with their type and data, each read in the same call that lists it: a copy of
    // a key costs one call per value. An index whose data cannot be read is listed by its name
    // alone, so that the caller's own query of it says why.
    KeyListing ValueListingWithData();
    bool AnySubkeys();
    // Counts of subkeys and values of the open key (one query); zeros when none is open.
    std::uint32_t SubkeyCount();
    std::uint32_t ValueCount();

    bool HasValue(std::string_view name);
    ValueKind ValueKindOf(std::string_view name);
    std::string ReadText(std::string_view name);
    std::int32_t ReadNumber(std::string_view name);
    long ValueSize(std::string_view name); // -1 when missing
    std::size_t ReadBytes(std::string_view name, char* buffer, std::size_t size);
    // Type and raw bytes of a value, or nothing when it is missing.
    std::optional<platform::RegValue> RawValue(std::string_view name);
    // The same, with the platform's answer (kFileNotFound when there is no such value), so that
    // a value that is missing can be told from one that cannot be read.
    std::optional<platform::RegValue> RawValue(std::string_view name, long& status);

    // Deletes a key (path as for Open) with everything below it; true when the key went.
    bool RemoveKey(std::string_view path);
    // Deletes the open key with everything below it, then closes it; true when the key went.
    bool RemoveOpenKey();
    bool RemoveValue(std::string_view name);

  private:
    const platform::RegValue* Query(std::string_view name);
    // Forgets what is known of the open key's values and counts (a new key, or a change).
    void ForgetValue() {
        cachedValid_ = false;
        subkeysKnown_ = valuesKnown_ = false;
        listed_.clear();
        listedWhole_ = false;
    }
    void QueryCounts();
    enum class ListingKind { Subkeys, Values, ValuesWithData };
    // Names by index from 0 (subkeys or values) until ERROR_NO_MORE_ITEMS; see the .cpp.
    KeyListing List(ListingKind kind);
    // The listed value answering `name` without a call, or nullptr when only a query can tell.
    const platform::RegValue* Listed(std::string_view name, bool& absent) const;
    // The listing's names without the lossy ones; sets listingComplete_.
    std::vector<std::string> UsableNames(const KeyListing& listing);
    bool RemoveTree(platform::Hkey parent, const std::string& subkey, int depth);
    void RemoveSubkeys(platform::Hkey key, int depth);

    AnalysisRun* run_ = nullptr; // the run this access scans for, if any
    std::uint32_t root_ = static_cast<std::uint32_t>(platform::kCurrentUser);
    std::uint32_t access_ = platform::kKeyAllAccess;
    long openStatus_ = platform::kSuccess;
    platform::Hkey key_ = 0;
    std::string path_;
    // The last value query of the open key: HasValue, ValueKindOf and ReadText on one name in a
    // row cost one server call.
    bool cachedValid_ = false;
    std::string cachedName_;
    long cachedStatus_ = 0;
    platform::RegValue cachedValue_;
    long lastStatus_ = 0; // the answer to the last value read, from a listing or a query
    // The open key's values as its last value listing read them, data and all (a listing costs
    // one call per value either way): the reads that follow a listing cost nothing. `listedWhole_`
    // when the listing holds every value under a name that compares as ASCII, so that a name
    // missing from it is known to be missing.
    std::vector<std::pair<std::string, platform::RegValue>> listed_;
    bool listedWhole_ = false;
    // The open key's counts, once a listing has run to its end or the key was queried: one
    // answer serves every count test of the key.
    bool subkeysKnown_ = false, valuesKnown_ = false;
    std::uint32_t subkeys_ = 0, values_ = 0;
    bool listingComplete_ = false;
};

} // namespace mendrake
