#include "engine/common_unit.h"

#include "engine/ansi_text.h"
#include "engine/dependent_findings.h"
#include "engine/run_cache.h"
#include "engine/scan_stats.h"
#include "engine/stop_request.h"

#include <unordered_map>

namespace mendrake {

using platform::Os;

ScanStats Stats;

namespace {

// The attributes of each path tested in the current analysis run, when one is under way.
struct ExistenceCache {
    bool active = false;
    std::unordered_map<std::string, std::uint32_t> attributes; // exact path text -> attributes
    std::unordered_map<std::string, bool> patterns;            // wildcard searches -> file found
    std::unordered_map<std::uint32_t, std::vector<std::string>> rootListings; // root -> subkeys
    std::unordered_map<std::string, bool> volumes; // upper-cased volume root -> it answers
};

ExistenceCache& Cache() {
    static ExistenceCache cache;
    return cache;
}

bool HasWildcard(std::string_view path) {
    // FindFirstFileA also takes "<", ">" and '"' as DOS wildcards.
    return path.find_first_of("*?<>\"") != std::string_view::npos;
}

// The volume root of a path with a drive part, upper-cased, with its trailing backslash: the
// form GetFileAttributesA and GetDriveTypeA take for a root. Empty without a drive part.
std::string VolumeRoot(std::string_view path) {
    const std::string drive = DrivePart(path);
    return drive.empty() ? drive : UpperCase(drive) + "\\";
}

// Whether the run already knows that the volume of `path` does not answer: then nothing on it
// is asked for again (a share that does not answer may take seconds per question). A path on a
// network share is a question to a server that may be gone: its share is asked first, once per
// run, so that a dead share costs one timeout (the share's) instead of two (the file's, then
// the share's when the scanner asks whether the missing file can be judged).
bool KnownUnreachable(std::string_view path) {
    const ExistenceCache& cache = Cache();
    if (!cache.active) {
        return false;
    }
    if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
        return !VolumeReachable(path);
    }
    if (cache.volumes.empty()) {
        return false;
    }
    auto it = cache.volumes.find(VolumeRoot(path));
    return it != cache.volumes.end() && !it->second;
}

std::uint32_t Attributes(std::string_view path) {
    CheckStopRequest();
    ++Stats.pathsTested;
    ExistenceCache& cache = Cache();
    if (cache.active) {
        auto it = cache.attributes.find(std::string(path));
        if (it != cache.attributes.end()) {
            return it->second;
        }
        if (KnownUnreachable(path)) {
            return platform::kInvalidAttributes;
        }
    }
    ++Stats.distinctPaths;
    std::uint32_t error = 0;
    std::uint32_t attributes = Os().FileAttributes(path, error);
    // The paging and hibernation files refuse GetFileAttributesA with a sharing violation, and
    // a file pending deletion with access denied; a search still finds them and gives their
    // attributes. No other error is worth a second call.
    if (attributes == platform::kInvalidAttributes &&
        (error == platform::kSharingViolation || error == platform::kAccessDenied) &&
        !HasWildcard(path)) {
        ++Stats.distinctPaths;
        platform::FindEntry entry;
        if (Os().FindFirst(path, entry)) {
            attributes = entry.attributes;
        }
    }
    if (cache.active) {
        cache.attributes.emplace(std::string(path), attributes);
    }
    return attributes;
}

} // namespace

ExistenceCacheScope::ExistenceCacheScope() {
    Cache() = ExistenceCache{};
    Cache().active = true;
    detail::ResetDependentFindings(true);
}

ExistenceCacheScope::~ExistenceCacheScope() {
    Cache() = ExistenceCache{};
    detail::ResetDependentFindings(false);
}

namespace detail {

const std::vector<std::string>* RunListing(std::uint32_t root) {
    const ExistenceCache& cache = Cache();
    if (!cache.active) {
        return nullptr;
    }
    auto it = cache.rootListings.find(root);
    return it == cache.rootListings.end() ? nullptr : &it->second;
}

void KeepRunListing(std::uint32_t root, const std::vector<std::string>& names) {
    ExistenceCache& cache = Cache();
    if (cache.active) {
        cache.rootListings[root] = names;
    }
}

} // namespace detail

bool FileFound(std::string_view path) {
    if (path.empty()) {
        return false;
    }
    if (!HasWildcard(path)) {
        // Without wildcards a search finds exactly the named entry, so its attributes answer
        // the same question for a tenth of the cost under Wine.
        const std::uint32_t attributes = Attributes(path);
        return attributes != platform::kInvalidAttributes &&
               (attributes & platform::kAttrDirectory) == 0;
    }
    CheckStopRequest();
    ++Stats.pathsTested;
    ExistenceCache& cache = Cache();
    if (cache.active) {
        auto it = cache.patterns.find(std::string(path));
        if (it != cache.patterns.end()) {
            return it->second;
        }
    }
    if (KnownUnreachable(path)) {
        return false;
    }
    ++Stats.distinctPaths;
    platform::FindEntry entry;
    const bool found =
        Os().FindFirst(path, entry) && (entry.attributes & platform::kAttrDirectory) == 0;
    if (cache.active) {
        cache.patterns.emplace(std::string(path), found);
    }
    return found;
}

bool VolumeReachable(std::string_view path) {
    const std::string root = VolumeRoot(path);
    if (root.empty()) {
        return true;
    }
    ExistenceCache& cache = Cache();
    if (cache.active) {
        auto it = cache.volumes.find(root);
        if (it != cache.volumes.end()) {
            return it->second;
        }
    }
    const bool reachable = Os().VolumeReachable(root);
    if (cache.active) {
        cache.volumes.emplace(root, reachable);
    }
    return reachable;
}

bool FolderFound(std::string_view path) {
    const std::uint32_t attributes = Attributes(path);
    return attributes != platform::kInvalidAttributes &&
           (attributes & platform::kAttrDirectory) != 0;
}

std::string DrivePart(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':') {
        return std::string(path.substr(0, 2));
    }
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        const std::size_t serverEnd = FindCharacter(path, "\\", 2);
        if (serverEnd == std::string_view::npos) {
            return std::string(path);
        }
        const std::size_t shareEnd = FindCharacter(path, "\\", serverEnd + 1);
        return std::string(path.substr(0, shareEnd));
    }
    return {};
}

std::string NamePart(std::string_view path) {
    const std::size_t cut = FindLastCharacter(path, "\\:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string FolderPart(std::string_view path) {
    const std::size_t cut = FindLastCharacter(path, "\\:");
    return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

std::string ExtensionPart(std::string_view path) {
    const std::size_t dot = FindLastCharacter(path, ".");
    const std::size_t folder = FindLastCharacter(path, "\\:");
    if (dot == std::string_view::npos || (folder != std::string_view::npos && dot < folder)) {
        return {};
    }
    return std::string(path.substr(dot));
}

bool RemoveFile(std::string_view path) {
    return Os().DeleteFileAt(path);
}

std::vector<platform::FindEntry> ListFolder(std::string_view folder) {
    CheckStopRequest(); // the shortcut walk lists one folder after another
    return Os().ListFolder(std::string(folder) + "*");
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        char& c = out[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - ('a' - 'A'));
        } else if (static_cast<unsigned char>(c) >= 0x80 && i + 1 < out.size() &&
                   Os().IsLeadByte(static_cast<unsigned char>(c))) {
            ++i; // a second byte in a to z is part of a character, not a letter
        }
    }
    return out;
}

std::string Trim(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

// The text inside leading double quotes (or all after an unmatched one); otherwise the text
// before the first double quote, "/", "%", or "-" that follows a space. Trimmed either way. A
// program followed by plain arguments comes back whole, arguments included.
std::string ExtractCommandPath(std::string_view command) {
    if (command.empty()) {
        return {};
    }
    if (command.front() == '"') {
        const std::size_t close = command.find('"', 1);
        return Trim(close == std::string_view::npos ? command.substr(1)
                                                    : command.substr(1, close - 1));
    }
    std::size_t stop = command.size();
    for (std::size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        if (c == '"' || c == '/' || c == '%' || (c == '-' && i >= 1 && command[i - 1] == ' ')) {
            stop = i;
            break;
        }
    }
    return Trim(command.substr(0, stop));
}

bool CommandProgramFound(std::string_view path, bool quoted) {
    // "C:\Program" is never run as it stands: Windows asks for "C:\Program.exe".
    auto starts = [](std::string_view candidate) {
        if (candidate.empty()) {
            return false;
        }
        return ExtensionPart(candidate).empty() ? FileFound(std::string(candidate) + ".exe")
                                                : FileFound(candidate);
    };
    if (!quoted) {
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (path[i] == ' ' && starts(path.substr(0, i))) {
                return true;
            }
        }
    }
    return starts(path);
}

std::string FontsFolder() {
    return Os().FontsFolder();
}

std::string ComputerName() {
    return Os().ComputerName();
}

} // namespace mendrake
