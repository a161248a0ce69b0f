#include "engine/registry_access.h"

#include "engine/ansi_text.h"
#include "engine/error.h"
#include "engine/analysis_run.h"
#include "engine/scan_stats.h"

#include <algorithm>
#include <cstring>

namespace mendrake {

using platform::Hkey;
using platform::Os;

namespace {
// Deepest key nesting the recursive delete follows; the registry itself allows 512 levels.
constexpr int kMaxKeyDepth = 512;

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperCaseAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), AsciiUpper);
    return text;
}

bool IsAsciiText(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
} // namespace

RegistryAccess::~RegistryAccess() {
    Close();
}

void RegistryAccess::SetRoot(std::uint32_t root) {
    if (root != root_) {
        Close();
    }
    root_ = root;
}

bool RegistryAccess::Open(std::string_view path) {
    Hkey parent = root_;
    std::string newPath;
    if (!path.empty() && path.front() == '\\') {
        path.remove_prefix(1);
        newPath = std::string(path);
    } else if (key_ != 0) {
        parent = key_;
        newPath = path.empty()
                      ? path_
                      : (path_.empty() ? std::string(path) : path_ + "\\" + std::string(path));
    } else {
        newPath = std::string(path);
    }
    if (run_ != nullptr) {
        run_->CheckStop(); // every scanner opens keys all the time: the place to honour a stop
    }
    Hkey opened = 0;
    ++Stats.keysOpened;
    openStatus_ = Os().OpenKey(parent, path, access_, opened);
    if (openStatus_ != platform::kSuccess) {
        return false;
    }
    Close();
    key_ = opened;
    path_ = std::move(newPath);
    return true;
}

bool RegistryAccess::OpenBelow(const RegistryAccess& parent, std::string_view path) {
    if (parent.key_ == 0) {
        openStatus_ = platform::kInvalidHandle;
        return false;
    }
    if (run_ != nullptr) {
        run_->CheckStop();
    }
    Hkey opened = 0;
    ++Stats.keysOpened;
    openStatus_ = Os().OpenKey(parent.key_, path, access_, opened);
    if (openStatus_ != platform::kSuccess) {
        return false;
    }
    std::string newPath = parent.path_.empty() ? std::string() : parent.path_ + "\\";
    newPath += path;
    Close();
    root_ = parent.root_;
    key_ = opened;
    path_ = std::move(newPath);
    return true;
}

void RegistryAccess::Close() {
    if (key_ != 0) {
        Os().CloseKey(key_);
        key_ = 0;
    }
    path_.clear();
    ForgetValue();
}

std::string RegistryAccess::KeyIdentity() {
    return key_ == 0 ? std::string() : Os().KeyIdentity(key_);
}

KeyListing RegistryAccess::List(ListingKind kind) {
    const bool subkeys = kind == ListingKind::Subkeys;
    const bool withData = kind == ListingKind::ValuesWithData;
    KeyListing listing;
    listing.status = platform::kInvalidHandle;
    if (key_ == 0) {
        return listing;
    }
    std::string name;
    // The count is asked for only when an index fails: a listing without errors costs nothing
    // more. Up to that count a failing index (a name too long for the ANSI buffer in a
    // double-byte code page) is passed over; past it the listing ends, so that a key that fails
    // every index (Wine's Perflib) ends after as many tries as it claims names. The first
    // failure is the listing's status: it is not complete.
    std::optional<std::uint32_t> count;
    long firstFailure = platform::kSuccess;
    if (!subkeys) {
        listed_.clear();
        listedWhole_ = false;
    }
    bool allAscii = true;
    platform::RegValue value;
    for (std::uint32_t i = 0;; ++i) {
        bool lossy = false;
        // Every value listing reads the data as well: one call per value either way.
        long status = subkeys ? Os().EnumKey(key_, i, name, lossy)
                              : Os().EnumValue(key_, i, name, lossy, &value);
        const bool dataRead = !subkeys && status == platform::kSuccess;
        if (!subkeys && status == platform::kMoreData) {
            // The data may be what failed (it kept growing between the calls): the name alone
            // keeps the entry in the listing, and the caller's query says why.
            status = Os().EnumValue(key_, i, name, lossy);
        }
        if (status == platform::kSuccess) {
            KeyListing::Entry& entry = listing.entries.emplace_back();
            entry.name = name;
            entry.lossy = lossy;
            if (!subkeys) {
                allAscii = allAscii && dataRead && !lossy && IsAsciiText(name);
                if (dataRead && !lossy) {
                    listed_.emplace_back(name, value);
                }
                if (dataRead && withData) {
                    entry.value = std::move(value);
                }
                value = {};
            }
            // A classes root holds tens of thousands of names: a stop is honoured meanwhile.
            if (run_ != nullptr) {
                run_->CheckStop();
            }
            continue;
        }
        if (firstFailure == platform::kSuccess && status != platform::kNoMoreItems) {
            firstFailure = status;
        }
        if (status == platform::kNoMoreItems) {
            break;
        }
        if (!count) {
            std::uint32_t keyCount = 0, valueCount = 0;
            const bool known = Os().QueryInfoKey(key_, keyCount, valueCount) == platform::kSuccess;
            count = !known ? 0 : subkeys ? keyCount : valueCount;
        }
        if (i + 1 >= *count) {
            break;
        }
    }
    listing.status = firstFailure == platform::kSuccess ? platform::kNoMoreItems : firstFailure;
    if (!subkeys) {
        listedWhole_ = listing.Complete() && allAscii;
    }
    if (listing.Complete()) {
        // A listing that ran to its end has counted the entries as well.
        const auto entries = static_cast<std::uint32_t>(listing.entries.size());
        if (subkeys) {
            subkeysKnown_ = true;
            subkeys_ = entries;
        } else {
            valuesKnown_ = true;
            values_ = entries;
        }
    }
    return listing;
}

std::vector<std::string> RegistryAccess::UsableNames(const KeyListing& listing) {
    std::vector<std::string> names;
    names.reserve(listing.entries.size());
    bool anyLossy = false;
    for (const KeyListing::Entry& entry : listing.entries) {
        if (entry.lossy) {
            anyLossy = true;
        } else {
            names.push_back(entry.name);
        }
    }
    // A name left out is a name missing from the list: a check that reports what is absent
    // from it must not take it as whole.
    listingComplete_ = listing.Complete() && !anyLossy;
    return names;
}

KeyListing RegistryAccess::SubkeyListing() {
    return List(ListingKind::Subkeys);
}

KeyListing RegistryAccess::ValueListing() {
    return List(ListingKind::Values);
}

KeyListing RegistryAccess::ValueListingWithData() {
    return List(ListingKind::ValuesWithData);
}

std::vector<std::string> RegistryAccess::SubkeyNames() {
    if (key_ == 0) {
        listingComplete_ = false;
        return {};
    }
    // A root is listed by several scanners in one analysis run; the run keeps its listing.
    detail::RunMemory* memory = run_ != nullptr ? run_->Memory() : nullptr;
    const bool isRoot = path_.empty() && memory != nullptr;
    if (isRoot) {
        const auto& listings = memory->rootListings;
        if (auto listed = listings.find(root_); listed != listings.end()) {
            listingComplete_ = true;
            return listed->second;
        }
    }
    const KeyListing listing = List(ListingKind::Subkeys);
    std::vector<std::string> names = UsableNames(listing);
    if (isRoot && listing.Complete()) {
        memory->rootListings[root_] = names;
    }
    return names;
}

std::vector<std::string> RegistryAccess::KeptSubkeyNames() {
    detail::RunMemory* memory = run_ != nullptr ? run_->Memory() : nullptr;
    if (key_ == 0 || memory == nullptr) {
        return SubkeyNames();
    }
    // "X\" opens the same key as "X".
    const std::string_view path = WithoutTrailingBackslashes(path_);
    std::string id = std::to_string(root_) + "\\" + std::string(path);
    if (auto kept = memory->keptListings.find(id); kept != memory->keptListings.end()) {
        listingComplete_ = true;
        return kept->second;
    }
    std::vector<std::string> names = SubkeyNames();
    if (listingComplete_) {
        memory->keptListings.emplace(std::move(id), names);
    }
    return names;
}

std::optional<std::string> RegistryAccess::SubkeyNamed(std::string_view upperName) {
    std::string name;
    for (std::uint32_t i = 0; key_ != 0; ++i) {
        bool lossy = false;
        if (Os().EnumKey(key_, i, name, lossy) != platform::kSuccess) {
            break;
        }
        if (!lossy && UpperCaseAscii(name) == upperName) {
            return name;
        }
    }
    return std::nullopt;
}

std::vector<std::string> RegistryAccess::ValueNames() {
    if (key_ == 0) {
        listingComplete_ = false;
        return {};
    }
    return UsableNames(List(ListingKind::Values));
}

void RegistryAccess::QueryCounts() {
    std::uint32_t subkeys = 0, values = 0;
    if (Os().QueryInfoKey(key_, subkeys, values) != platform::kSuccess) {
        subkeys = values = 0;
    }
    subkeys_ = subkeys;
    values_ = values;
    subkeysKnown_ = valuesKnown_ = true;
}

std::uint32_t RegistryAccess::SubkeyCount() {
    if (key_ == 0) {
        return 0;
    }
    if (!subkeysKnown_) {
        QueryCounts();
    }
    return subkeys_;
}

std::uint32_t RegistryAccess::ValueCount() {
    if (key_ == 0) {
        return 0;
    }
    if (!valuesKnown_) {
        QueryCounts();
    }
    return values_;
}

bool RegistryAccess::AnySubkeys() {
    return SubkeyCount() > 0;
}

namespace {

// Value names compare without regard to case; for ASCII names that is plain ASCII folding.
bool SameAsciiName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiUpper(x) == AsciiUpper(y);
           });
}

} // namespace

const platform::RegValue* RegistryAccess::Listed(std::string_view name, bool& absent) const {
    absent = false;
    if (listed_.empty() && !listedWhole_) {
        return nullptr;
    }
    for (const auto& [listedName, value] : listed_) {
        if (listedName == name) {
            return &value;
        }
    }
    if (!IsAsciiText(name)) {
        return nullptr; // another letter case of a name outside ASCII: the registry decides
    }
    for (const auto& [listedName, value] : listed_) {
        if (SameAsciiName(listedName, name)) {
            return &value;
        }
    }
    absent = listedWhole_;
    return nullptr;
}

const platform::RegValue* RegistryAccess::Query(std::string_view name) {
    if (key_ == 0) {
        return nullptr;
    }
    bool absent = false;
    if (const platform::RegValue* listed = Listed(name, absent)) {
        lastStatus_ = platform::kSuccess;
        return listed;
    }
    if (absent) {
        lastStatus_ = platform::kFileNotFound;
        return nullptr;
    }
    if (!cachedValid_ || cachedName_ != name) {
        ++Stats.valueQueries;
        cachedValue_ = {};
        cachedStatus_ = Os().QueryValue(key_, name, cachedValue_);
        cachedName_ = std::string(name);
        cachedValid_ = true;
    }
    lastStatus_ = cachedStatus_;
    return cachedStatus_ == platform::kSuccess ? &cachedValue_ : nullptr;
}

bool RegistryAccess::HasValue(std::string_view name) {
    return Query(name) != nullptr;
}

ValueKind RegistryAccess::ValueKindOf(std::string_view name) {
    const platform::RegValue* value = Query(name);
    if (value == nullptr || value->lossy) {
        return ValueKind::Unknown;
    }
    switch (value->type) {
    case platform::kRegSz:
        return ValueKind::Text;
    case platform::kRegExpandSz:
        return ValueKind::ExpandText;
    case platform::kRegDword:
        return ValueKind::Number;
    case platform::kRegBinary:
        return ValueKind::Bytes;
    default:
        return ValueKind::Unknown;
    }
}

std::string RegistryAccess::ReadText(std::string_view name) {
    const platform::RegValue* value = Query(name);
    if (value == nullptr || value->data.empty()) {
        return {};
    }
    if (value->type != platform::kRegSz && value->type != platform::kRegExpandSz) {
        throw Error(FormatMessage1("Invalid data type for '%s'", std::string(name)));
    }
    const std::size_t end = value->data.find('\0');
    return value->data.substr(0, end);
}

std::int32_t RegistryAccess::ReadNumber(std::string_view name) {
    const platform::RegValue* value = Query(name);
    if (value == nullptr) {
        throw Error(FormatMessage1("Failed to get data for '%s'", std::string(name)));
    }
    if (value->type != platform::kRegDword) {
        throw Error(FormatMessage1("Invalid data type for '%s'", std::string(name)));
    }
    if (value->data.size() > 4) {
        throw Error(FormatMessage1("Failed to get data for '%s'", std::string(name)));
    }
    std::uint32_t number = 0;
    std::memcpy(&number, value->data.data(), value->data.size());
    return static_cast<std::int32_t>(number);
}

long RegistryAccess::ValueSize(std::string_view name) {
    const platform::RegValue* value = Query(name);
    return value == nullptr ? -1 : static_cast<long>(value->data.size());
}

std::size_t RegistryAccess::ReadBytes(std::string_view name, char* buffer, std::size_t size) {
    const platform::RegValue* value = Query(name);
    if (value == nullptr) {
        return 0;
    }
    const std::size_t count = std::min(size, value->data.size());
    std::memcpy(buffer, value->data.data(), count);
    return count;
}

std::optional<platform::RegValue> RegistryAccess::RawValue(std::string_view name) {
    const platform::RegValue* value = Query(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return *value;
}

std::optional<platform::RegValue> RegistryAccess::RawValue(std::string_view name, long& status) {
    std::optional<platform::RegValue> value = RawValue(name);
    status = key_ == 0 ? platform::kInvalidHandle : lastStatus_;
    return value;
}

void RegistryAccess::RemoveSubkeys(Hkey key, int depth) {
    std::uint32_t subkeys = 0, values = 0;
    if (Os().QueryInfoKey(key, subkeys, values) != platform::kSuccess) {
        return;
    }
    // From the highest index down, so that deleting does not shift the ones still to come;
    // stop at the first enumeration error.
    for (std::uint32_t i = subkeys; i-- > 0;) {
        std::string name;
        if (Os().EnumKey(key, i, name) != platform::kSuccess) {
            break;
        }
        RemoveTree(key, name, depth + 1);
    }
}

bool RegistryAccess::RemoveTree(Hkey parent, const std::string& subkey, int depth) {
    Hkey key = 0;
    if (depth < kMaxKeyDepth &&
        Os().OpenKey(parent, subkey, platform::kKeyAllAccess, key) == platform::kSuccess) {
        RemoveSubkeys(key, depth);
        Os().CloseKey(key);
    }
    return Os().DeleteKey(parent, subkey) == platform::kSuccess;
}

bool RegistryAccess::RemoveOpenKey() {
    if (key_ == 0 || path_.empty()) {
        return false; // a root is never deleted
    }
    // Most keys hold no subkeys and go in one call; the system refuses a key with subkeys, which
    // is emptied first. The open handle serves for the subtree: opening the key a second time
    // would cost a round trip and give the same access.
    if (Os().DeleteKey(root_, path_) == platform::kSuccess) {
        Close();
        return true;
    }
    RemoveSubkeys(key_, 0);
    const std::string path = path_;
    Close();
    return Os().DeleteKey(root_, path) == platform::kSuccess;
}

bool RegistryAccess::RemoveKey(std::string_view path) {
    ForgetValue();
    Hkey parent = root_;
    if (!path.empty() && path.front() == '\\') {
        path.remove_prefix(1);
    } else if (key_ != 0) {
        parent = key_;
    }
    if (path.empty()) {
        return false; // a key cannot delete itself through an empty name
    }
    return RemoveTree(parent, std::string(path), 0);
}

bool RegistryAccess::RemoveValue(std::string_view name) {
    ForgetValue();
    return key_ != 0 && Os().DeleteValue(key_, name) == platform::kSuccess;
}

} // namespace mendrake
