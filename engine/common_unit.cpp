#include "engine/common_unit.h"

#include "engine/ansi_text.h"
#include "engine/analysis_run.h"
#include "engine/scan_stats.h"

namespace mendrake {

using platform::Os;

ScanStats Stats;

namespace {

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

// The memory of `run`, or nullptr outside a run; honours a stop asked of the run.
detail::RunMemory* MemoryOf(AnalysisRun* run) {
    if (run == nullptr) {
        return nullptr;
    }
    run->CheckStop();
    return run->Memory();
}

bool VolumeReachableIn(AnalysisRun* run, std::string_view path) {
    const std::string root = VolumeRoot(path);
    if (root.empty()) {
        return true;
    }
    detail::RunMemory* memory = run != nullptr ? run->Memory() : nullptr;
    if (memory != nullptr) {
        auto it = memory->volumes.find(root);
        if (it != memory->volumes.end()) {
            return it->second;
        }
    }
    const bool reachable = Os().VolumeReachable(root);
    if (memory != nullptr) {
        memory->volumes.emplace(root, reachable);
    }
    return reachable;
}

// Whether the run already knows that the volume of `path` does not answer: then nothing on it
// is asked for again (a share that does not answer may take seconds per question). A path on a
// network share is a question to a server that may be gone: its share is asked first, once per
// run, so that a dead share costs one timeout (the share's) instead of two (the file's, then
// the share's when the scanner asks whether the missing file can be judged).
bool KnownUnreachable(AnalysisRun& run, std::string_view path) {
    if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
        return !VolumeReachableIn(&run, path);
    }
    const detail::RunMemory& memory = *run.Memory();
    if (memory.volumes.empty()) {
        return false;
    }
    auto it = memory.volumes.find(VolumeRoot(path));
    return it != memory.volumes.end() && !it->second;
}

std::uint32_t Attributes(AnalysisRun* run, std::string_view path) {
    detail::RunMemory* memory = MemoryOf(run);
    ++Stats.pathsTested;
    if (memory != nullptr) {
        auto it = memory->attributes.find(std::string(path));
        if (it != memory->attributes.end()) {
            return it->second;
        }
        if (KnownUnreachable(*run, path)) {
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
    if (memory != nullptr) {
        memory->attributes.emplace(std::string(path), attributes);
    }
    return attributes;
}

bool FileFoundIn(AnalysisRun* run, std::string_view path) {
    if (path.empty()) {
        return false;
    }
    if (!HasWildcard(path)) {
        // Without wildcards a search finds exactly the named entry, so its attributes answer
        // the same question for a tenth of the cost under Wine.
        const std::uint32_t attributes = Attributes(run, path);
        return attributes != platform::kInvalidAttributes &&
               (attributes & platform::kAttrDirectory) == 0;
    }
    detail::RunMemory* memory = MemoryOf(run);
    ++Stats.pathsTested;
    if (memory != nullptr) {
        auto it = memory->patterns.find(std::string(path));
        if (it != memory->patterns.end()) {
            return it->second;
        }
        if (KnownUnreachable(*run, path)) {
            return false;
        }
    }
    ++Stats.distinctPaths;
    platform::FindEntry entry;
    const bool found =
        Os().FindFirst(path, entry) && (entry.attributes & platform::kAttrDirectory) == 0;
    if (memory != nullptr) {
        memory->patterns.emplace(std::string(path), found);
    }
    return found;
}

bool FolderFoundIn(AnalysisRun* run, std::string_view path) {
    const std::uint32_t attributes = Attributes(run, path);
    return attributes != platform::kInvalidAttributes &&
           (attributes & platform::kAttrDirectory) != 0;
}

} // namespace

bool FileFound(AnalysisRun& run, std::string_view path) {
    return FileFoundIn(&run, path);
}

bool FileFound(std::string_view path) {
    return FileFoundIn(nullptr, path);
}

bool FolderFound(AnalysisRun& run, std::string_view path) {
    return FolderFoundIn(&run, path);
}

bool FolderFound(std::string_view path) {
    return FolderFoundIn(nullptr, path);
}

bool VolumeReachable(AnalysisRun& run, std::string_view path) {
    return VolumeReachableIn(&run, path);
}

bool VolumeReachable(std::string_view path) {
    return VolumeReachableIn(nullptr, path);
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

std::vector<platform::FindEntry> ListFolder(AnalysisRun& run, std::string_view folder) {
    run.CheckStop(); // the shortcut walk lists one folder after another
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

bool CommandProgramFound(AnalysisRun& run, std::string_view path, bool quoted) {
    // "C:\Program" is never run as it stands: Windows asks for "C:\Program.exe".
    auto starts = [&run](std::string_view candidate) {
        if (candidate.empty()) {
            return false;
        }
        return ExtensionPart(candidate).empty() ? FileFound(run, std::string(candidate) + ".exe")
                                                : FileFound(run, candidate);
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
