#include "platform/memory/memory_platform.h"

#include "platform/memory/lnk_reader.h"
#include "platform/memory/reg_text.h"

#include <algorithm>
#include <stdexcept>

namespace mendrake::platform {

namespace {

constexpr long kKeyDeleted = 1018; // ERROR_KEY_DELETED
constexpr long kBadPathname = 161; // ERROR_BAD_PATHNAME

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
std::vector<std::string> SplitPath(std::string_view path, bool slashToo) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
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

// Windows-1252 letters with a case partner, for the locale's case-insensitive comparison.
unsigned char FoldAnsi(unsigned char c) {
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

struct MemoryPlatform::Key {
    std::string name;
    std::string fullName; // "\\REGISTRY\\MACHINE\\SOFTWARE\\...", upper-cased as Windows compares
    std::map<std::string, std::shared_ptr<Key>> children; // by upper-cased name: sorted order
    std::vector<std::pair<std::string, RegValue>> values; // creation order
    std::shared_ptr<Key> link; // a link key: every path through it reaches this key instead
    bool deleted = false;
    bool denyFullAccess = false;
    long enumError = 0;

    std::pair<std::string, RegValue>* FindValue(std::string_view valueName) {
        const std::string upper = UpperAscii(valueName);
        for (auto& v : values) {
            if (UpperAscii(v.first) == upper) {
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
    for (const std::string& part : SplitPath(path, false)) {
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
    auto key = Walk(from, subkey, false);
    if (!key) {
        return kFileNotFound;
    }
    if (key->denyFullAccess && (access & 0xF0000) == 0xF0000) {
        return kAccessDenied;
    }
    result = nextHandle_++;
    handles_[result] = key;
    return kSuccess;
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
    auto key = Walk(from, subkey, true);
    result = nextHandle_++;
    handles_[result] = key;
    return kSuccess;
}

long MemoryPlatform::CloseKey(Hkey key) {
    return handles_.erase(key) == 1 ? kSuccess : kInvalidHandle;
}

long MemoryPlatform::QueryInfoKey(Hkey handle, std::uint32_t& subkeys, std::uint32_t& values) {
    std::shared_ptr<Key> key;
    if (const long status = Live(handle, key); status != kSuccess) {
        return status;
    }
    subkeys = static_cast<std::uint32_t>(key->children.size());
    values = static_cast<std::uint32_t>(key->values.size());
    return kSuccess;
}

long MemoryPlatform::EnumKey(Hkey handle, std::uint32_t index, std::string& name) {
    std::shared_ptr<Key> key;
    if (const long status = Live(handle, key); status != kSuccess) {
        return status;
    }
    if (key->enumError != 0) {
        return key->enumError;
    }
    if (index >= key->children.size()) {
        return kNoMoreItems;
    }
    name = std::next(key->children.begin(), static_cast<std::ptrdiff_t>(index))->second->name;
    return kSuccess;
}

long MemoryPlatform::EnumValue(Hkey handle, std::uint32_t index, std::string& name) {
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
    name = key->values[index].first;
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
    value = found->second;
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
    RegValue value{type, std::string(data)};
    if (auto* found = key->FindValue(name)) {
        found->second = std::move(value);
    } else {
        key->values.emplace_back(std::string(name), std::move(value));
    }
    return kSuccess;
}

long MemoryPlatform::DeleteKey(Hkey parent, std::string_view subkey) {
    auto from = Resolve(parent);
    if (!from) {
        return kInvalidHandle;
    }
    auto parts = SplitPath(subkey, false);
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

FilePath ParseFilePath(std::string_view path) {
    FilePath out;
    std::string_view rest = path;
    if (path.size() >= 2 && path[1] == ':') {
        out.root = UpperAscii(path.substr(0, 2));
        rest = path.substr(2);
    } else if (path.size() >= 2 && IsSep(path[0]) && IsSep(path[1])) {
        auto parts = SplitPath(path, true);
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
    out.parts = SplitPath(rest, true);
    out.endsWithSeparator = !path.empty() && IsSep(path.back());
    return out;
}

} // namespace

MemoryPlatform::Node* MemoryPlatform::FindNode(std::string_view path) {
    if (path.empty()) {
        return nullptr;
    }
    FilePath fp = ParseFilePath(path);
    auto it = files_->children.find(fp.root);
    if (it == files_->children.end()) {
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
    FilePath fp = ParseFilePath(path);
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
    if (path.empty() || IsSep(path.back())) {
        return false;
    }
    const std::size_t cut = path.find_last_of("\\/");
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

std::uint32_t MemoryPlatform::FileAttributes(std::string_view path) {
    Node* node = FindNode(path);
    return node == nullptr ? kInvalidAttributes : node->attributes;
}

bool MemoryPlatform::DeleteFileAt(std::string_view path) {
    FilePath fp = ParseFilePath(path);
    if (fp.parts.empty() || fp.endsWithSeparator) {
        return false;
    }
    const std::string last = fp.parts.back();
    Node* folder = FindNode(path.substr(0, path.find_last_of("\\/") + 1));
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
    const std::size_t cut = pattern.find_last_of("\\/");
    if (cut == std::string_view::npos) {
        return out;
    }
    Node* folder = FindNode(pattern.substr(0, cut + 1));
    if (folder == nullptr || !folder->IsFolder()) {
        return out;
    }
    const std::string_view glob = pattern.substr(cut + 1);
    const bool isDriveRoot = ParseFilePath(pattern.substr(0, cut + 1)).parts.empty();
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

FileWriteResult MemoryPlatform::WriteWholeFile(std::string_view path, std::string_view data) {
    FileWriteResult failure = nextWriteFailure_;
    nextWriteFailure_ = {};
    const std::size_t cut = path.find_last_of("\\/");
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
    default:
        return "Error " + std::to_string(code) + ".";
    }
}

std::string MemoryPlatform::FolderIdentity(std::string_view path) {
    // The memory file system has no links: a folder's node is its identity.
    Node* node = FindNode(path);
    if (node == nullptr || !node->IsFolder()) {
        return {};
    }
    return std::to_string(reinterpret_cast<std::uintptr_t>(node));
}

std::string MemoryPlatform::ShortcutTarget(std::string_view path) {
    Node* node = FindNode(path);
    if (node == nullptr || node->IsFolder()) {
        return {};
    }
    return ReadShortcutTarget(node->contents);
}

bool MemoryPlatform::EqualTextIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAnsi(static_cast<unsigned char>(a[i])) !=
            FoldAnsi(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string_view MemoryPlatform::VersionResource(Hmodule module) {
    return module == ProgramModule() ? std::string_view(versionResource) : std::string_view();
}

std::string MemoryPlatform::StringResource(std::uint32_t id) {
    auto it = strings.find(id);
    return it == strings.end() ? std::string() : it->second;
}

std::string MemoryPlatform::AnsiFromUtf16(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFFu);
        bytes += static_cast<char>(unit >> 8);
    }
    return Utf16ToAnsi(bytes);
}

std::string MemoryPlatform::Utf8FromAnsi(std::string_view text) {
    return AnsiToUtf8(text);
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

} // namespace mendrake::platform
