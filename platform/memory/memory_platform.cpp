#include "platform/memory/memory_platform.h"

#include "platform/memory/code_page_model.h"
#include "platform/memory/lnk_reader.h"
#include "platform/memory/reg_text.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace mendrake::platform {

namespace {

constexpr long kKeyDeleted = 1018;       // ERROR_KEY_DELETED
constexpr long kBadPathname = 161;       // ERROR_BAD_PATHNAME
constexpr long kBadDatabase = 1009;      // ERROR_BADDB: a hive file that is no hive
constexpr long kPrivilegeNotHeld = 1314; // ERROR_PRIVILEGE_NOT_HELD
constexpr long kInvalidParameter = 87;   // ERROR_INVALID_PARAMETER

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = UpperAscii(c);
    }
    return out;
}

// Splits a registry or file path at backslashes (and slashes for files); empty parts dropped.
// The second byte of a double-byte character is never a separator: Windows splits the path
// after turning it into UTF-16.
std::vector<std::string> SplitPath(std::string_view path, bool slashToo,
                                   CodePageModel page = CodePageModel::Latin1) {
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (IsLeadByteIn(page, static_cast<unsigned char>(c)) && i + 1 < path.size()) {
            part += c;
            part += path[++i];
            continue;
        }
        if (c == '\\' || (slashToo && c == '/')) {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

// Windows-1252 letters with a case partner, for the locale's case-insensitive comparison. In
// Turkish casing "i" pairs with the dotted capital and "I" with the dotless small letter.
unsigned char FoldAnsi(unsigned char c, bool turkish) {
    if (turkish && c == 'i') {
        return 0xDD;
    }
    if (turkish && c == 0xFD) {
        return 'I';
    }
    if (c >= 'a' && c <= 'z') {
        return static_cast<unsigned char>(c - 32);
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return static_cast<unsigned char>(c - 32);
    }
    switch (c) {
    case 0x9A:
        return 0x8A; // s caron
    case 0x9C:
        return 0x8C; // oe
    case 0x9E:
        return 0x8E; // z caron
    case 0xFF:
        return 0x9F; // y diaeresis
    default:
        return c;
    }
}

bool MatchPattern(std::string_view pattern, std::string_view name) {
    // Iterative glob match with `*` and `?`, case-insensitive (a to z).
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || UpperAscii(pattern[p]) == UpperAscii(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

} // namespace

// A value as the engine sees it: its ANSI name, and whether that name is not its real one.
struct StoredValue {
    std::string name;
    RegValue value;
    bool lossyName = false;
};

struct MemoryPlatform::Key {
    std::string name;
    bool lossyName = false; // never reached by its ANSI name (see PutWideValue)
    std::string fullName;   // "\\REGISTRY\\MACHINE\\SOFTWARE\\...", upper-cased as Windows compares
    // By upper-cased name: sorted order. A lossy name is filed under a private key that no
    // lookup produces.
    std::map<std::string, std::shared_ptr<Key>> children;
    std::vector<StoredValue> values; // creation order
    std::shared_ptr<Key> link;       // a link key: every path through it reaches this key instead
    bool deleted = false;
    bool denyFullAccess = false;
    bool denyWrites = false;
    bool denyAllAccess = false;
    long enumError = 0;
    long nameListingError = 0; // listing this key in its parent fails with this error

    StoredValue* FindValue(std::string_view valueName) {
        const std::string upper = UpperAscii(valueName);
        for (auto& v : values) {
            if (!v.lossyName && UpperAscii(v.name) == upper) {
                return &v;
            }
        }
        return nullptr;
    }
};

struct MemoryPlatform::Node {
    std::string name;
    std::uint32_t attributes = kAttrDirectory;
    std::string contents;
    std::map<std::string, std::unique_ptr<Node>> children; // by upper-cased name
    bool IsFolder() const { return (attributes & kAttrDirectory) != 0; }
};

MemoryPlatform::MemoryPlatform()
    : machine_(std::make_shared<Key>()), user_(std::make_shared<Key>()),
      users_(std::make_shared<Key>()), files_(std::make_unique<Node>()) {
    machine_->fullName = "\\REGISTRY\\MACHINE";
    user_->fullName = "\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000";
    users_->fullName = "\\REGISTRY\\USER";
    classes_ = Walk(machine_, "Software\\Classes", true);
    AddFolder("C:\\");
    AddFolder(fontsFolder);
}

MemoryPlatform::~MemoryPlatform() = default;

std::shared_ptr<MemoryPlatform::Key> MemoryPlatform::Resolve(Hkey handle) {
    switch (handle) {
    case kClassesRoot:
        return classes_;
    case kCurrentUser:
        return user_;
    case kLocalMachine:
        return machine_;
    case kUsers:
        return users_;
    default:
        break;
    }
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : it->second;
}

std::shared_ptr<MemoryPlatform::Key> MemoryPlatform::Walk(std::shared_ptr<Key> from,
                                                          std::string_view path, bool create) {
    for (const std::string& part : SplitPath(path, false, codePage)) {
        const std::string upper = UpperAscii(part);
        auto it = from->children.find(upper);
        if (it == from->children.end()) {
            if (!create) {
                return nullptr;
            }
            auto key = std::make_shared<Key>();
            key->name = part;
            key->fullName = from->fullName + "\\" + upper;
            it = from->children.emplace(upper, std::move(key)).first;
        }
        from = it->second;
        while (from->link) {
            from = from->link;
        }
    }
    return from;
}

// The key behind a handle, or the error Windows gives for a bad or deleted one.
long MemoryPlatform::Live(Hkey handle, std::shared_ptr<Key>& key) {
    key = Resolve(handle);
    if (!key) {
        return kInvalidHandle;
    }
    return key->deleted ? kKeyDeleted : kSuccess;
}

long MemoryPlatform::OpenKey(Hkey parent, std::string_view subkey, std::uint32_t access,
                             Hkey& result) {
    std::shared_ptr<Key> from;
    if (const long status = Live(parent, from); status != kSuccess) {
        return status;
    }
    if (!subkey.empty() && subkey.front() == '\\') {
        return kFileNotFound; // Windows takes no leading backslash in a subkey name
    }
    // HKEY_CLASSES_ROOT is Windows' merged view: a key of the user's classes hides the
    // machine's values of the same key, and the subkeys of both are listed.
    std::shared_ptr<Key> key;
    ClassesSides sides;
    const bool merged = ClassesSidesOf(parent, sides);
    if (merged) {
        sides.user = sides.user ? Walk(sides.user, subkey, false) : nullptr;
        sides.machine = sides.machine ? Walk(sides.machine, subkey, false) : nullptr;
        key = sides.user ? sides.user : sides.machine;
    } else {
        key = Walk(from, subkey, false);
    }
    if (!key) {
        return kFileNotFound;
    }
    if (key->denyAllAccess || (key->denyFullAccess && (access & 0xF0000) == 0xF0000)) {
        return kAccessDenied;
    }
    result = nextHandle_++;
    handles_[result] = key;
    if (merged && sides.user && sides.machine) {
        classesSides_[result] = sides;
    }
    return kSuccess;
}

bool MemoryPlatform::ClassesSidesOf(Hkey handle, ClassesSides& sides) {
    if (handle == kClassesRoot) {
        sides = {Walk(user_, "Software\\Classes", false), classes_};
        return true;
    }
    const auto it = classesSides_.find(handle);
    if (it == classesSides_.end()) {
        return false;
    }
    sides = it->second;
    return true;
}

const std::vector<std::shared_ptr<MemoryPlatform::Key>>&
MemoryPlatform::MergedSubkeys(Hkey handle, const ClassesSides& sides) {
    auto& [builtIn, listing] = mergedListings_[handle];
    if (builtIn == generation_ + 1) {
        return listing;
    }
    listing.clear();
    static const std::map<std::string, std::shared_ptr<Key>> kNone;
    const auto& user = sides.user ? sides.user->children : kNone;
    const auto& machine = sides.machine ? sides.machine->children : kNone;
    auto u = user.begin();
    auto m = machine.begin();
    while (u != user.end() || m != machine.end()) {
        if (m == machine.end() || (u != user.end() && u->first <= m->first)) {
            if (m != machine.end() && u->first == m->first) {
                ++m; // the user's key of that name is the one listed
            }
            listing.push_back((u++)->second);
        } else {
            listing.push_back((m++)->second);
        }
    }
    builtIn = generation_ + 1;
    return listing;
}

long MemoryPlatform::CreateKey(Hkey parent, std::string_view subkey, Hkey& result) {
    if (failCreateKey != 0) {
        return failCreateKey;
    }
    auto from = Resolve(parent);
    if (!from) {
        return kInvalidHandle;
    }
    if (!subkey.empty() && subkey.front() == '\\') {
        return kBadPathname; // Windows takes no leading backslash in a subkey name
    }
    // Creating or opening for writing is refused at the deepest key that already exists.
    std::shared_ptr<Key> deepest = from;
    for (const std::string& part : SplitPath(subkey, false, codePage)) {
        auto it = deepest->children.find(UpperAscii(part));
        if (it == deepest->children.end()) {
            break;
        }
        deepest = it->second;
        while (deepest->link) {
            deepest = deepest->link;
        }
    }
    if (deepest->denyWrites) {
        return kAccessDenied;
    }
    auto key = Walk(from, subkey, true);
    ++generation_;
    result = nextHandle_++;
    handles_[result] = key;
    return kSuccess;
}

long MemoryPlatform::CloseKey(Hkey key) {
    classesSides_.erase(key);
    mergedListings_.erase(key);
    return handles_.erase(key) == 1 ? kSuccess : kInvalidHandle;
}

long MemoryPlatform::QueryInfoKey(Hkey handle, std::uint32_t& subkeys, std::uint32_t& values) {
    std::shared_ptr<Key> key;
    if (const long status = Live(handle, key); status != kSuccess) {
        return status;
    }
    subkeys = static_cast<std::uint32_t>(key->children.size());
    values = static_cast<std::uint32_t>(key->values.size());
    if (ClassesSides sides; ClassesSidesOf(handle, sides)) {
        subkeys = static_cast<std::uint32_t>(MergedSubkeys(handle, sides).size());
    }
    return kSuccess;
}

long MemoryPlatform::EnumKey(Hkey handle, std::uint32_t index, std::string& name, bool& lossy) {
    std::shared_ptr<Key> key;
    if (const long status = Live(handle, key); status != kSuccess) {
        return status;
    }
    if (key->enumError != 0) {
        return key->enumError;
    }
    const Key* child = nullptr;
    if (ClassesSides sides; ClassesSidesOf(handle, sides)) {
        const std::vector<std::shared_ptr<Key>>& listing = MergedSubkeys(handle, sides);
        if (index >= listing.size()) {
            return kNoMoreItems;
        }
        child = listing[index].get();
    } else if (index >= key->children.size()) {
        return kNoMoreItems;
    } else {
        child = std::next(key->children.begin(), static_cast<std::ptrdiff_t>(index))->second.get();
    }
    if (child->nameListingError != 0) {
        return child->nameListingError;
    }
    name = child->name;
    lossy = child->lossyName;
    return kSuccess;
}

long MemoryPlatform::EnumValue(Hkey handle, std::uint32_t index, std::string& name, bool& lossy,
                               RegValue* value) {
    std::shared_ptr<Key> key;
    if (const long status = Live(handle, key); status != kSuccess) {
        return status;
    }
    if (key->enumError != 0) {
        return key->enumError;
    }
    if (index >= key->values.size()) {
        return kNoMoreItems;
    }
    if (value != nullptr && failQueryValue != 0) {
        return failQueryValue;
    }
    name = key->values[index].name;
    lossy = key->values[index].lossyName;
    if (value != nullptr) {
        *value = key->values[index].value;
    }
    return kSuccess;
}

long MemoryPlatform::QueryValue(Hkey handle, std::string_view name, RegValue& value) {
    if (failQueryValue != 0) {
        return failQueryValue;
    }
    std::shared_ptr<Key> key;
    if (const long status = Live(handle, key); status != kSuccess) {
        return status;
    }
    auto* found = key->FindValue(name);
    if (found == nullptr) {
        return kFileNotFound;
    }
    value = found->value;
    return kSuccess;
}

long MemoryPlatform::SetValue(Hkey handle, std::string_view name, std::uint32_t type,
                              std::string_view data) {
    if (failSetValue != 0) {
        return failSetValue;
    }
    std::shared_ptr<Key> key;
    if (const long status = Live(handle, key); status != kSuccess) {
        return status;
    }
    if (key->denyWrites) {
        return kAccessDenied;
    }
    RegValue value{type, std::string(data), false};
    if (auto* found = key->FindValue(name)) {
        found->value = std::move(value);
    } else {
        key->values.push_back({std::string(name), std::move(value), false});
    }
    return kSuccess;
}

long MemoryPlatform::DeleteKey(Hkey parent, std::string_view subkey) {
    auto from = Resolve(parent);
    if (!from) {
        return kInvalidHandle;
    }
    // Through the merged classes, the user's key of the path goes when there is one, else
    // the machine's.
    if (ClassesSides sides;
        ClassesSidesOf(parent, sides) && sides.user && Walk(sides.user, subkey, false)) {
        from = sides.user;
    } else if (sides.machine) {
        from = sides.machine;
    }
    return DeleteKeyBelow(from, subkey);
}

long MemoryPlatform::DeleteKeyBelow(const std::shared_ptr<Key>& from, std::string_view subkey) {
    auto parts = SplitPath(subkey, false, codePage);
    if (parts.empty()) {
        return kAccessDenied;
    }
    const std::string last = UpperAscii(parts.back());
    parts.pop_back();
    std::string parentPath;
    for (const auto& p : parts) {
        parentPath += p + "\\";
    }
    auto owner = Walk(from, parentPath, false);
    if (!owner) {
        return kFileNotFound;
    }
    auto it = owner->children.find(last);
    if (it == owner->children.end()) {
        return kFileNotFound;
    }
    if (!it->second->children.empty()) {
        return kAccessDenied; // RegDeleteKeyA refuses a key that still has subkeys
    }
    it->second->deleted = true;
    owner->children.erase(it);
    ++generation_;
    return kSuccess;
}

std::string MemoryPlatform::KeyIdentity(Hkey handle) {
    // Links lead to the key object itself, so its name is the physical key's.
    std::shared_ptr<Key> key;
    if (Live(handle, key) != kSuccess) {
        return {};
    }
    return key->fullName;
}

long MemoryPlatform::DeleteValue(Hkey handle, std::string_view name) {
    std::shared_ptr<Key> key;
    if (const long status = Live(handle, key); status != kSuccess) {
        return status;
    }
    auto* found = key->FindValue(name);
    if (found == nullptr) {
        return kFileNotFound;
    }
    key->values.erase(key->values.begin() + (found - key->values.data()));
    return kSuccess;
}

// ---- file system ----

namespace {

// The root of a path and its components: "C:" or "\\SERVER\SHARE" (upper-cased), then parts.
struct FilePath {
    std::string root;
    std::vector<std::string> parts;
    bool endsWithSeparator = false;
};

bool IsSep(char c) {
    return c == '\\' || c == '/';
}

// Whether the last character of `path` is a separator (not the second byte of a character).
bool EndsWithSeparator(std::string_view path, CodePageModel page) {
    bool separator = false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        separator = IsSep(path[i]);
        if (IsLeadByteIn(page, static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
            ++i;
            separator = false;
        }
    }
    return separator;
}

// The position of the last separator of `path` that is a character of its own, or npos: the
// cut between a file's folder and its name.
std::size_t LastSeparator(std::string_view path, CodePageModel page) {
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByteIn(page, static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
            ++i;
        } else if (IsSep(path[i])) {
            last = i;
        }
    }
    return last;
}

std::string_view WithoutTrailingSeparators(std::string_view path, CodePageModel page) {
    while (EndsWithSeparator(path, page)) {
        path.remove_suffix(1);
    }
    return path;
}

FilePath ParseFilePath(std::string_view path, CodePageModel page = CodePageModel::Latin1) {
    FilePath out;
    std::string_view rest = path;
    if (path.size() >= 2 && path[1] == ':') {
        out.root = UpperAscii(path.substr(0, 2));
        rest = path.substr(2);
    } else if (path.size() >= 2 && IsSep(path[0]) && IsSep(path[1])) {
        auto parts = SplitPath(path, true, page);
        if (parts.size() >= 2) {
            out.root = "\\\\" + UpperAscii(parts[0]) + "\\" + UpperAscii(parts[1]);
            std::size_t skip = 2;
            for (std::size_t i = 0; i < 2; ++i) {
                skip = path.find_first_of("\\/", skip);
                skip = (skip == std::string_view::npos) ? path.size() : skip + 1;
            }
            rest = path.substr(std::min(skip, path.size()));
        } else {
            out.root = "\\\\";
            rest = {};
        }
    } else {
        out.root = "C:";
    }
    out.parts = SplitPath(rest, true, page);
    out.endsWithSeparator = EndsWithSeparator(path, page);
    return out;
}

} // namespace

MemoryPlatform::Node* MemoryPlatform::FindNode(std::string_view path) {
    if (path.empty()) {
        return nullptr;
    }
    FilePath fp = ParseFilePath(path, codePage);
    auto it = files_->children.find(fp.root);
    if (it == files_->children.end() || offlineRoots_.count(fp.root) != 0) {
        return nullptr;
    }
    Node* node = it->second.get();
    for (const auto& part : fp.parts) {
        if (!node->IsFolder()) {
            return nullptr;
        }
        auto child = node->children.find(UpperAscii(part));
        if (child == node->children.end()) {
            return nullptr;
        }
        node = child->second.get();
    }
    if (fp.endsWithSeparator && !node->IsFolder()) {
        return nullptr;
    }
    return node;
}

MemoryPlatform::Node* MemoryPlatform::MakeFolders(std::string_view path) {
    FilePath fp = ParseFilePath(path, codePage);
    auto& rootSlot = files_->children[fp.root];
    if (!rootSlot) {
        rootSlot = std::make_unique<Node>();
        rootSlot->name = fp.root;
    }
    Node* node = rootSlot.get();
    for (const auto& part : fp.parts) {
        auto& slot = node->children[UpperAscii(part)];
        if (!slot) {
            slot = std::make_unique<Node>();
            slot->name = part;
        }
        node = slot.get();
    }
    return node;
}

void MemoryPlatform::AddFolder(std::string_view path, std::uint32_t attributes) {
    MakeFolders(path)->attributes = attributes | kAttrDirectory;
}

void MemoryPlatform::AddFile(std::string_view path, std::string_view contents,
                             std::uint32_t attributes) {
    Node* node = MakeFolders(path);
    node->attributes = attributes & ~kAttrDirectory;
    node->contents = std::string(contents);
    node->children.clear();
}

bool MemoryPlatform::FileExists(std::string_view path) {
    Node* node = FindNode(path);
    return node != nullptr && !node->IsFolder();
}

std::string MemoryPlatform::FileContents(std::string_view path) {
    Node* node = FindNode(path);
    return (node != nullptr && !node->IsFolder()) ? node->contents : std::string();
}

bool MemoryPlatform::FindFirst(std::string_view path, FindEntry& entry) {
    if (path.empty() || EndsWithSeparator(path, codePage)) {
        return false;
    }
    const std::size_t cut = LastSeparator(path, codePage);
    const std::string_view pattern = (cut == std::string_view::npos) ? path : path.substr(cut + 1);
    const std::string_view folder =
        (cut == std::string_view::npos) ? std::string_view("C:\\") : path.substr(0, cut + 1);
    if (pattern.empty() || (path.size() == 2 && path[1] == ':')) {
        return false;
    }
    if (pattern.find_first_of("*?") == std::string_view::npos) {
        Node* node = FindNode(path);
        if (node == nullptr) {
            return false;
        }
        entry = FindEntry{node->name, node->attributes};
        return true;
    }
    auto entries = ListFolder(std::string(folder) + std::string(pattern));
    if (entries.empty()) {
        return false;
    }
    entry = entries.front();
    return true;
}

std::uint32_t MemoryPlatform::FileAttributes(std::string_view path, std::uint32_t& error) {
    Node* node = FindNode(path);
    if (node == nullptr) {
        error = kFileNotFound;
        return kInvalidAttributes;
    }
    if (auto failure = attributeFailures_.find(UpperAscii(path));
        failure != attributeFailures_.end()) {
        error = failure->second;
        return kInvalidAttributes;
    }
    error = kSuccess;
    return node->attributes;
}

bool MemoryPlatform::VolumeReachable(std::string_view root) {
    const std::string volume = ParseFilePath(root, codePage).root;
    return files_->children.count(volume) != 0 && offlineRoots_.count(volume) == 0;
}

void MemoryPlatform::SetVolumeReachable(std::string_view root, bool reachable) {
    const std::string volume = ParseFilePath(root, codePage).root;
    if (reachable) {
        offlineRoots_.erase(volume);
        MakeFolders(std::string(root) + "\\");
    } else {
        offlineRoots_.insert(volume);
    }
}

void MemoryPlatform::FailAttributes(std::string_view path, std::uint32_t error) {
    attributeFailures_[UpperAscii(path)] = error;
}

bool MemoryPlatform::DeleteFileAt(std::string_view path) {
    FilePath fp = ParseFilePath(path, codePage);
    if (fp.parts.empty() || fp.endsWithSeparator) {
        return false;
    }
    const std::string last = fp.parts.back();
    Node* folder = FindNode(path.substr(0, LastSeparator(path, codePage) + 1));
    if (folder == nullptr || !folder->IsFolder()) {
        return false;
    }
    auto it = folder->children.find(UpperAscii(last));
    if (it == folder->children.end() || it->second->IsFolder()) {
        return false;
    }
    folder->children.erase(it);
    return true;
}

std::vector<FindEntry> MemoryPlatform::ListFolder(std::string_view pattern) {
    std::vector<FindEntry> out;
    const std::size_t cut = LastSeparator(pattern, codePage);
    if (cut == std::string_view::npos) {
        return out;
    }
    Node* folder = FindNode(pattern.substr(0, cut + 1));
    if (folder == nullptr || !folder->IsFolder()) {
        return out;
    }
    const std::string_view glob = pattern.substr(cut + 1);
    const bool isDriveRoot = ParseFilePath(pattern.substr(0, cut + 1), codePage).parts.empty();
    if (!isDriveRoot) {
        for (const char* dot : {".", ".."}) {
            if (MatchPattern(glob, dot)) {
                out.push_back(FindEntry{dot, kAttrDirectory});
            }
        }
    }
    for (const auto& [upper, child] : folder->children) {
        if (MatchPattern(glob, child->name)) {
            out.push_back(FindEntry{child->name, child->attributes});
        }
    }
    return out;
}

void MemoryPlatform::FailNextWrite(FileWriteResult::Stage stage, std::uint32_t error) {
    nextWriteFailure_ = FileWriteResult{stage, error};
}

FileWriteResult MemoryPlatform::WriteWholeFile(std::string_view path, std::string_view data,
                                               bool replace) {
    if (!replace && FindNode(path) != nullptr) {
        return FileWriteResult{FileWriteResult::Stage::Create, kFileExists};
    }
    FileWriteResult failure = nextWriteFailure_;
    nextWriteFailure_ = {};
    const std::size_t cut = LastSeparator(path, codePage);
    Node* folder = (cut == std::string_view::npos) ? nullptr : FindNode(path.substr(0, cut + 1));
    if (folder == nullptr || !folder->IsFolder()) {
        return FileWriteResult{FileWriteResult::Stage::Create, kPathNotFound};
    }
    if (failure.stage == FileWriteResult::Stage::Create) {
        return failure;
    }
    // Creating succeeded: an empty file now stands there whatever happens next.
    AddFile(path, {});
    if (failure.stage != FileWriteResult::Stage::Done) {
        if (failure.stage == FileWriteResult::Stage::Write) {
            AddFile(path, data.substr(0, data.size() / 2)); // a part reached the disk
        }
        return failure;
    }
    AddFile(path, data);
    return {};
}

std::uint32_t MemoryPlatform::ReadWholeFile(std::string_view path, std::string& data) {
    Node* node = FindNode(path);
    if (node == nullptr) {
        return static_cast<std::uint32_t>(kFileNotFound);
    }
    if (node->IsFolder()) {
        return static_cast<std::uint32_t>(kAccessDenied); // as CreateFileA on a folder
    }
    data = node->contents;
    return 0;
}

std::uint32_t MemoryPlatform::MoveFileTo(std::string_view from, std::string_view to) {
    const std::size_t fromCut = LastSeparator(from, codePage);
    const std::size_t toCut = LastSeparator(to, codePage);
    if (fromCut == std::string_view::npos || toCut == std::string_view::npos) {
        return static_cast<std::uint32_t>(kFileNotFound);
    }
    Node* source = FindNode(from.substr(0, fromCut + 1));
    Node* target = FindNode(to.substr(0, toCut + 1));
    const std::string sourceName = UpperAscii(from.substr(fromCut + 1));
    if (source == nullptr || !source->IsFolder() || source->children.count(sourceName) == 0 ||
        source->children[sourceName]->IsFolder()) {
        return static_cast<std::uint32_t>(kFileNotFound);
    }
    if (target == nullptr || !target->IsFolder()) {
        return static_cast<std::uint32_t>(kPathNotFound);
    }
    const std::string targetName(to.substr(toCut + 1));
    if (targetName.empty() || target->children.count(UpperAscii(targetName)) != 0) {
        return static_cast<std::uint32_t>(kAlreadyExists);
    }
    std::unique_ptr<Node> moved = std::move(source->children[sourceName]);
    source->children.erase(sourceName);
    moved->name = targetName;
    target->children[UpperAscii(targetName)] = std::move(moved);
    return 0;
}

std::uint32_t MemoryPlatform::CreateFolder(std::string_view path) {
    const std::string_view trimmed = WithoutTrailingSeparators(path, codePage);
    const std::size_t cut = LastSeparator(trimmed, codePage);
    if (cut == std::string_view::npos) {
        return static_cast<std::uint32_t>(kPathNotFound);
    }
    Node* parent = FindNode(trimmed.substr(0, cut + 1));
    if (parent == nullptr || !parent->IsFolder()) {
        return static_cast<std::uint32_t>(kPathNotFound);
    }
    if (FindNode(trimmed) != nullptr) {
        return static_cast<std::uint32_t>(kAlreadyExists);
    }
    AddFolder(trimmed);
    return 0;
}

std::uint32_t MemoryPlatform::RemoveFolder(std::string_view path) {
    const std::string_view trimmed = WithoutTrailingSeparators(path, codePage);
    const std::size_t cut = LastSeparator(trimmed, codePage);
    Node* parent = cut == std::string_view::npos ? nullptr : FindNode(trimmed.substr(0, cut + 1));
    Node* folder = FindNode(trimmed);
    if (parent == nullptr || folder == nullptr || !folder->IsFolder()) {
        return static_cast<std::uint32_t>(kFileNotFound);
    }
    if (!folder->children.empty()) {
        return 145; // ERROR_DIR_NOT_EMPTY
    }
    parent->children.erase(UpperAscii(trimmed.substr(cut + 1)));
    return 0;
}

std::string MemoryPlatform::ExpandEnvironment(std::string_view text) {
    std::string expanded;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('%', at);
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            break;
        }
        const auto found = environment.find(UpperAscii(text.substr(open + 1, close - open - 1)));
        expanded.append(text.substr(at, open - at));
        if (found == environment.end()) {
            // Left as written; its closing sign may open the next reference.
            expanded.append(text.substr(open, close - open));
            at = close;
        } else {
            expanded += found->second;
            at = close + 1;
        }
    }
    expanded.append(text.substr(std::min(at, text.size())));
    return expanded;
}

std::string MemoryPlatform::ErrorText(std::uint32_t code) {
    switch (code) {
    case 2:
        return "The system cannot find the file specified.";
    case 3:
        return "The system cannot find the path specified.";
    case 5:
        return "Access denied.";
    case 32:
        return "The process cannot access the file because it is being used by another process.";
    case 112:
        return "There is not enough space on the disk.";
    case 183:
        return "Cannot create a file when that file already exists.";
    default:
        return "Error " + std::to_string(code) + ".";
    }
}

std::string MemoryPlatform::ShortcutTarget(std::string_view path) {
    Node* node = FindNode(path);
    if (node == nullptr || node->IsFolder()) {
        return {};
    }
    return ReadShortcutTarget(node->contents);
}

std::string MemoryPlatform::IgnoreCaseKey(std::string_view text) {
    if (codePage != CodePageModel::Latin1) {
        return UpperAscii(text);
    }
    std::string key(text);
    for (char& c : key) {
        c = static_cast<char>(FoldAnsi(static_cast<unsigned char>(c), turkishCasing));
    }
    return key;
}

bool MemoryPlatform::EqualTextIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    if (codePage != CodePageModel::Latin1) {
        // Letters a to z only: the Windows-1252 letters above 0x7F are other bytes there.
        return UpperAscii(a) == UpperAscii(b);
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAnsi(static_cast<unsigned char>(a[i]), turkishCasing) !=
            FoldAnsi(static_cast<unsigned char>(b[i]), turkishCasing)) {
            return false;
        }
    }
    return true;
}

// The system's table knows no locale: Latin letters fold as everywhere, Turkish casing or not.
std::u16string MemoryPlatform::OrdinalUpperCase(std::string_view text) {
    std::u16string upper;
    if (codePage != CodePageModel::Latin1) {
        // Characters, not bytes: a second byte of a double-byte character is no backslash. The
        // registry's own table folds more letters than a to z; these are enough for the tests.
        std::u16string wide;
        Utf16FromAnsiExactly(text, wide);
        for (char16_t c : wide) {
            const bool latin = (c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
            const bool cyrillic = c >= 0x430 && c <= 0x44F;
            upper += latin      ? static_cast<char16_t>(c - 0x20)
                     : cyrillic ? static_cast<char16_t>(c - 0x20)
                                : c;
        }
        return upper;
    }
    upper.reserve(text.size());
    for (char c : text) {
        upper += static_cast<char16_t>(FoldAnsi(static_cast<unsigned char>(c), false));
    }
    return upper;
}

std::string_view MemoryPlatform::VersionResource(Hmodule module) {
    return module == ProgramModule() ? std::string_view(versionResource) : std::string_view();
}

std::string MemoryPlatform::StringResource(std::uint32_t id) {
    auto it = strings.find(id);
    return it == strings.end() ? std::string() : it->second;
}

std::string MemoryPlatform::AnsiFromUtf16(std::u16string_view text) {
    if (codePage != CodePageModel::Latin1) {
        std::string out;
        AnsiFromUtf16In(codePage, text, out);
        return out;
    }
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFFu);
        bytes += static_cast<char>(unit >> 8);
    }
    return Utf16ToAnsi(bytes);
}

std::string MemoryPlatform::Utf8FromAnsi(std::string_view text) {
    if (codePage != CodePageModel::Latin1) {
        std::u16string wide;
        Utf16FromAnsiIn(codePage, text, wide);
        bool broken = false;
        return Utf8Of(wide, broken);
    }
    return AnsiToUtf8(text);
}

bool MemoryPlatform::Utf16FromAnsiExactly(std::string_view text, std::u16string& out) {
    return Utf16FromAnsiIn(codePage, text, out);
}

bool MemoryPlatform::AnsiFromUtf16Exactly(std::u16string_view text, std::string& out) {
    return AnsiFromUtf16In(codePage, text, out);
}

bool MemoryPlatform::IsLeadByte(unsigned char byte) {
    return IsLeadByteIn(codePage, byte);
}

// ---- registry set-up ----

void MemoryPlatform::AddKey(Hkey root, std::string_view path) {
    Walk(Resolve(root), path, true);
}

void MemoryPlatform::PutValue(Hkey root, std::string_view path, std::string_view name,
                              std::uint32_t type, std::string_view data) {
    Hkey key = 0;
    CreateKey(root, path, key);
    SetValue(key, name, type, data);
    CloseKey(key);
}

// UTF-16 code units in the model's ANSI code page: a character that has no place in it
// becomes "?", as WideCharToMultiByte writes the default character.
std::string MemoryPlatform::AnsiOf(std::u16string_view wide, bool& lossy) const {
    std::string text;
    lossy = !AnsiFromUtf16In(codePage, wide, text) || lossy;
    return text;
}

void MemoryPlatform::PutWideValue(Hkey root, std::u16string_view path, std::u16string_view name,
                                  std::uint32_t type, std::string_view stored) {
    std::shared_ptr<Key> key = Resolve(root);
    std::size_t start = 0;
    while (start < path.size()) {
        const std::size_t end = std::min(path.find(u'\\', start), path.size());
        bool lossy = false;
        const std::u16string_view part = path.substr(start, end - start);
        const std::string ansi = AnsiOf(part, lossy);
        std::string filed = UpperAscii(ansi);
        if (lossy) {
            // Filed under the UTF-16 bytes: distinct real names stay distinct keys.
            filed.assign(1, '\x01');
            filed.append(reinterpret_cast<const char*>(part.data()),
                         part.size() * sizeof(char16_t));
        }
        auto& child = key->children[filed];
        if (!child) {
            child = std::make_shared<Key>();
            child->name = ansi;
            child->lossyName = lossy;
            child->fullName = key->fullName + "\\" + filed;
        }
        key = child;
        start = end + 1;
    }
    StoredValue value;
    value.name = AnsiOf(name, value.lossyName);
    value.lossyName = value.lossyName || name.find(u'\0') != std::u16string_view::npos;
    value.value.type = type;
    if (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz) {
        std::u16string wide(stored.size() / 2, u'\0');
        std::memcpy(wide.data(), stored.data(), wide.size() * 2);
        value.value.data = AnsiOf(wide, value.value.lossy);
        value.value.lossy = value.value.lossy || stored.size() % 2 != 0;
    } else {
        value.value.data = std::string(stored);
    }
    key->values.push_back(std::move(value));
}

void MemoryPlatform::PutText(Hkey root, std::string_view path, std::string_view name,
                             std::string_view text, std::uint32_t type) {
    std::string data(text);
    data.push_back('\0');
    PutValue(root, path, name, type, data);
}

void MemoryPlatform::PutNumber(Hkey root, std::string_view path, std::string_view name,
                               std::uint32_t number) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i) {
        data[static_cast<std::size_t>(i)] = static_cast<char>((number >> (8 * i)) & 0xFF);
    }
    PutValue(root, path, name, kRegDword, data);
}

bool MemoryPlatform::KeyExists(Hkey root, std::string_view path) {
    return Walk(Resolve(root), path, false) != nullptr;
}

void MemoryPlatform::DenyWrites(Hkey root, std::string_view path) {
    auto key = Walk(Resolve(root), path, true);
    key->denyWrites = true;
    key->denyFullAccess = true;
}

void MemoryPlatform::DenyAccess(Hkey root, std::string_view path) {
    Walk(Resolve(root), path, true)->denyAllAccess = true;
}

void MemoryPlatform::LinkKey(Hkey root, std::string_view path, std::string_view target) {
    std::shared_ptr<Key> targetKey = Walk(Resolve(root), target, true);
    const std::size_t cut = path.rfind('\\');
    std::shared_ptr<Key> parent =
        Walk(Resolve(root),
             cut == std::string_view::npos ? std::string_view() : path.substr(0, cut), true);
    auto link = std::make_shared<Key>();
    link->name = std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
    link->link = std::move(targetKey);
    parent->children[UpperAscii(link->name)] = std::move(link);
}

void MemoryPlatform::DenyFullAccess(Hkey root, std::string_view path) {
    Walk(Resolve(root), path, true)->denyFullAccess = true;
}

void MemoryPlatform::FailEnumeration(Hkey root, std::string_view path, long error) {
    Walk(Resolve(root), path, true)->enumError = error;
}

void MemoryPlatform::FailNameListing(Hkey root, std::string_view path, long error) {
    Walk(Resolve(root), path, true)->nameListingError = error;
}

void MemoryPlatform::LoadRegText(std::string_view text) {
    for (const RegChange& change : ParseRegText(text)) {
        switch (change.kind) {
        case RegChange::Kind::CreateKey:
            AddKey(change.root, change.path);
            break;
        case RegChange::Kind::SetValue:
            PutValue(change.root, change.path, change.name, change.type, change.data);
            break;
        case RegChange::Kind::DeleteValue: {
            Hkey key = 0;
            if (OpenKey(change.root, change.path, kKeyAllAccess, key) == kSuccess) {
                DeleteValue(key, change.name);
                CloseKey(key);
            }
            break;
        }
        case RegChange::Kind::DeleteKey: {
            auto parts = SplitPath(change.path, false);
            if (parts.empty()) {
                break;
            }
            auto owner = Walk(Resolve(change.root),
                              change.path.substr(0, change.path.rfind('\\') == std::string::npos
                                                        ? 0
                                                        : change.path.rfind('\\')),
                              false);
            if (owner) {
                auto it = owner->children.find(UpperAscii(parts.back()));
                if (it != owner->children.end()) {
                    it->second->deleted = true;
                    owner->children.erase(it);
                }
            }
            break;
        }
        }
    }
}

namespace {

// A copy of `key` and everything below it, named `fullName` and below.
template <typename Key> std::shared_ptr<Key> CopyTree(const Key& key, const std::string& fullName) {
    auto copy = std::make_shared<Key>();
    copy->name = key.name;
    copy->lossyName = key.lossyName;
    copy->fullName = fullName;
    copy->values = key.values;
    for (const auto& [upper, child] : key.children) {
        copy->children.emplace(upper, CopyTree(*child, fullName + "\\" + upper));
    }
    return copy;
}

// Every key of the tree, for the handles still open into a hive.
template <typename Key> void CollectTree(const Key* key, std::set<const Key*>& keys) {
    keys.insert(key);
    for (const auto& [upper, child] : key->children) {
        CollectTree(child.get(), keys);
    }
}

} // namespace

void MemoryPlatform::SaveHive(Hkey root, std::string_view path, std::string_view file) {
    const std::shared_ptr<Key> key = Walk(Resolve(root), path, false);
    if (!key) {
        throw std::invalid_argument("no key to save as a hive: " + std::string(path));
    }
    hiveFiles_[UpperAscii(file)] = CopyTree(*key, std::string());
    AddFile(file, "regf");
}

bool MemoryPlatform::HiveHeld(std::string_view file) {
    const std::string upper = UpperAscii(file);
    return std::any_of(loadedHives_.begin(), loadedHives_.end(),
                       [&](const auto& loaded) { return loaded.second == upper; });
}

long MemoryPlatform::LoadHive(std::string_view name, std::string_view file) {
    if (!hivePrivileges) {
        return kPrivilegeNotHeld;
    }
    if (!FileExists(file)) {
        return kFileNotFound;
    }
    if (HiveHeld(file)) {
        return kSharingViolation;
    }
    const std::string upperName = UpperAscii(name);
    if (users_->children.count(upperName) != 0) {
        return kAccessDenied;
    }
    const auto hive = hiveFiles_.find(UpperAscii(file));
    if (hive == hiveFiles_.end()) {
        return kBadDatabase;
    }
    // The loaded keys are the file's own: what is written into them is in the file once unloaded.
    std::shared_ptr<Key> loaded = CopyTree(*hive->second, users_->fullName + "\\" + upperName);
    loaded->name = std::string(name);
    hive->second = loaded;
    users_->children[upperName] = std::move(loaded);
    loadedHives_[upperName] = hive->first;
    ++generation_;
    return kSuccess;
}

long MemoryPlatform::UnloadHive(std::string_view name) {
    const std::string upperName = UpperAscii(name);
    const auto loaded = loadedHives_.find(upperName);
    if (loaded == loadedHives_.end()) {
        return kInvalidParameter;
    }
    // Windows refuses while a key of the hive is open.
    std::set<const Key*> keys;
    CollectTree(users_->children.at(upperName).get(), keys);
    for (const auto& [handle, key] : handles_) {
        if (keys.count(key.get()) != 0) {
            return kAccessDenied;
        }
    }
    users_->children.erase(upperName);
    loadedHives_.erase(loaded);
    ++generation_;
    return kSuccess;
}

std::string MemoryPlatform::AccountName(std::string_view sid) {
    const auto it = accounts.find(std::string(sid));
    return it == accounts.end() ? std::string() : it->second;
}

} // namespace mendrake::platform
