#include "engine/scanner_paths.h"

#include "engine/ansi_text.h"
#include "engine/common_unit.h"

#include <algorithm>
#include <cctype>

namespace mendrake {

std::string TextIfString(RegistryAccess& reg, std::string_view name) {
    return IsTextKind(reg.ValueKindOf(name)) ? reg.ReadText(name) : std::string();
}

bool LooksLikeClassId(std::string_view text) {
    constexpr std::string_view shape = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    if (text.size() != shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const bool ok = shape[i] == 'x' ? std::isxdigit(static_cast<unsigned char>(text[i])) != 0
                                        : text[i] == shape[i];
        if (!ok) {
            return false;
        }
    }
    return true;
}

std::string VerbProgramPath(std::string_view command) {
    std::string path = ExtractCommandPath(command);
    const std::size_t exe = UpperCase(path).find(".EXE ");
    if (exe != std::string::npos) {
        path.resize(exe + 4); // keep ".exe", drop the blank and all after it
    }
    return path;
}

bool CommandProgramMissing(AnalysisRun& run, std::string_view command, std::string_view shownPath,
                           RegistryView view) {
    if (DrivePart(shownPath).empty()) {
        return false; // environment references, bare names and relative paths are not judged
    }
    const std::string path = PathSeenBy(view, shownPath);
    if (FileFound(run, path)) {
        return false;
    }
    // Resolved the way CreateProcess starts it, quoted or not: ".exe" is appended to a name
    // without an extension, and an unquoted path may be followed by plain arguments that the
    // path rule keeps. A program on a drive or share that can't be reached is not known gone.
    const bool quoted = !command.empty() && command.front() == '"';
    if (CommandProgramFound(run, path, quoted)) {
        return false;
    }
    // The normalised path joins the arguments of an unquoted command to the program's path
    // where they hold ".." ("C:\App\run.exe -f ..\x"): the path as written is tried too.
    const std::string written = PathSeenBy(view, shownPath, false);
    return (written == path || !CommandProgramFound(run, written, quoted)) &&
           VolumeReachable(run, path);
}

bool FileMissingWithDrive(AnalysisRun& run, std::string_view shownPath, RegistryView view) {
    if (DrivePart(shownPath).empty()) {
        return false;
    }
    const std::string path = PathSeenBy(view, shownPath);
    return !FileFound(run, path) && VolumeReachable(run, path);
}

PathState PathStateOf(AnalysisRun& run, std::string_view shownPath, RegistryView view) {
    if (DrivePart(shownPath).empty()) {
        return PathState::Untestable;
    }
    std::string path = PathSeenBy(view, shownPath);
    // "C:\App\" names the folder "C:\App"; a volume root keeps its backslash.
    path.resize(
        std::max(WithoutTrailingBackslashes(path).size(), std::min<std::size_t>(path.size(), 3)));
    if (FileFound(run, path) || FolderFound(run, path)) {
        return PathState::Present;
    }
    return VolumeReachable(run, path) ? PathState::Gone : PathState::Unreachable;
}

PathState CommandProgramState(AnalysisRun& run, std::string_view command, RegistryView view) {
    const std::string path = ExtractCommandPath(command);
    if (DrivePart(path).empty()) {
        return PathState::Untestable;
    }
    const std::string seen = PathSeenBy(view, path);
    const bool quoted = !command.empty() && command.front() == '"';
    if (FileFound(run, seen) || CommandProgramFound(run, seen, quoted)) {
        return PathState::Present;
    }
    return VolumeReachable(run, seen) ? PathState::Gone : PathState::Unreachable;
}

std::string IconFilePath(std::string_view text) {
    std::string path = Trim(text);
    if (!path.empty() && path.front() == '"') {
        const std::size_t close = path.find('"', 1);
        path = path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    } else if (const std::size_t comma = path.rfind(','); comma != std::string::npos) {
        const std::string index = Trim(path.substr(comma + 1));
        const std::size_t digits = !index.empty() && index.front() == '-' ? 1 : 0;
        if (index.size() > digits &&
            index.find_first_not_of("0123456789", digits) == std::string::npos) {
            path.resize(comma);
        }
    }
    path = Trim(path);
    return DrivePart(path).empty() ? std::string() : path;
}

std::string HelpFilePath(std::string_view folder, std::string_view name) {
    std::string joined;
    joined.reserve(folder.size() + 1 + name.size());
    joined.append(folder).append("\\").append(name);
    std::string path;
    path.reserve(joined.size());
    std::size_t i = 0;
    if (joined.size() > 2 && joined[0] == '\\' && joined[1] == '\\' && joined[2] != '\\') {
        path = "\\\\"; // a network folder: the share is looked up where it is
        i = 2;
    }
    for (; i < joined.size(); ++i) {
        path += joined[i];
        if (joined[i] == '\\' && i + 1 < joined.size() && joined[i + 1] == '\\' &&
            !IsSecondByte(joined, i)) {
            ++i; // the second of the pair goes; the next pair starts after it
        }
    }
    return path;
}

std::string ExpandedPath(std::string_view path, RegistryView view) {
    platform::Platform& os = platform::Os();
    std::string text(path);
    if (view == RegistryView::Wow64) {
        // WOW64 gives 32-bit processes these two variables with the (x86) folders as values.
        for (const std::string_view name : {"%PROGRAMFILES%", "%COMMONPROGRAMFILES%"}) {
            const std::string x86 = std::string(name.substr(0, name.size() - 1)) + "(X86)%";
            if (os.ExpandEnvironment(x86) == x86) {
                continue; // no such variable here
            }
            for (std::size_t at = UpperCase(text).find(name); at != std::string::npos;
                 at = UpperCase(text).find(name, at + x86.size())) {
                text.replace(at, name.size(), x86);
            }
        }
    }
    return os.ExpandEnvironment(text);
}

bool HasEnvironmentReference(std::string_view text) {
    for (std::size_t open = text.find('%'); open != std::string_view::npos;) {
        const std::size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) {
            return false;
        }
        const std::string_view name = text.substr(open + 1, close - open - 1);
        if (!name.empty() && name.find('\\') == std::string_view::npos) {
            return true;
        }
        open = close;
    }
    return false;
}

std::optional<std::string> ExpandedReferences(std::string_view text, RegistryView view) {
    if (!HasEnvironmentReference(text)) {
        return std::string(text);
    }
    std::string expanded = ExpandedPath(text, view);
    if (HasEnvironmentReference(expanded)) {
        return std::nullopt;
    }
    return expanded;
}

bool InInstallerCache(std::string_view path) {
    const std::string upper = UpperCase(path);
    if (upper.find("\\PACKAGE CACHE\\") != std::string::npos ||
        upper.find("\\INSTALLATION INFORMATION\\") != std::string::npos) {
        return true;
    }
    const std::string windowsInstaller =
        UpperCase(WithoutTrailingBackslashes(platform::Os().WindowsFolder())) + "\\INSTALLER\\";
    return upper.rfind(windowsInstaller, 0) == 0;
}

} // namespace mendrake
