#include "engine/scanner_paths.h"

#include "engine/common_unit.h"

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

bool CommandProgramMissing(std::string_view command, std::string_view shownPath,
                           RegistryView view) {
    if (DrivePart(shownPath).empty()) {
        return false; // environment references, bare names and relative paths are not judged
    }
    const std::string path = PathSeenBy(view, shownPath);
    if (FileFound(path)) {
        return false;
    }
    // Resolved the way CreateProcess starts it, quoted or not: ".exe" is appended to a name
    // without an extension, and an unquoted path may be followed by plain arguments that the
    // path rule keeps. A program on a drive or share that can't be reached is not known gone.
    const bool quoted = !command.empty() && command.front() == '"';
    return !CommandProgramFound(path, quoted) && VolumeReachable(path);
}

bool FileMissingWithDrive(std::string_view shownPath, RegistryView view) {
    if (DrivePart(shownPath).empty()) {
        return false;
    }
    const std::string path = PathSeenBy(view, shownPath);
    return !FileFound(path) && VolumeReachable(path);
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
    for (std::size_t i = 0; i < joined.size(); ++i) {
        path += joined[i];
        if (joined[i] == '\\' && i + 1 < joined.size() && joined[i + 1] == '\\') {
            ++i; // the second of the pair goes; the next pair starts after it
        }
    }
    return path;
}

} // namespace mendrake
