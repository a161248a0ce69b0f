#include "repair/kept_files.h"

#include "engine/ansi_text.h"
#include "engine/common_unit.h"
#include "engine/error.h"
#include "platform/platform.h"

#include <algorithm>

namespace mendrake {

std::string BackupFilesFolder(const std::string& backupPath) {
    constexpr std::string_view kScriptEnd = ".reg";
    std::string folder = backupPath;
    if (folder.size() >= kScriptEnd.size() &&
        UpperCase(folder.substr(folder.size() - kScriptEnd.size())) == ".REG") {
        folder.resize(folder.size() - kScriptEnd.size());
    }
    return folder + ".files\\";
}

std::string ManifestText(const std::vector<KeptFile>& files) {
    std::string text;
    for (const KeptFile& file : files) {
        text += file.originalPath;
        text += '\t';
        text += file.name;
        text += "\r\n";
    }
    return text;
}

std::vector<KeptFile> ParseManifest(const std::string& text) {
    std::vector<KeptFile> files;
    std::size_t start = 0;
    for (std::size_t number = 1; start < text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || tab + 1 == line.size() ||
            FindCharacter(line, "\\/:", tab + 1) != std::string::npos) {
            throw Error("Line " + std::to_string(number) + " of the file list " + kManifestName +
                        ": not an original path and a file name separated by a tab");
        }
        files.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return files;
}

std::vector<KeptFile> ReadKeptFiles(const std::string& backupPath) {
    platform::Platform& os = platform::Os();
    const std::string folder = BackupFilesFolder(backupPath);
    const std::uint32_t attributes = os.FileAttributes(folder.substr(0, folder.size() - 1));
    if (attributes == platform::kInvalidAttributes ||
        (attributes & platform::kAttrDirectory) == 0) {
        return {};
    }
    std::string text;
    if (const std::uint32_t error = os.ReadWholeFile(folder + kManifestName, text); error != 0) {
        throw Error("Cannot read file \"" + folder + kManifestName + "\". " + os.ErrorText(error));
    }
    return ParseManifest(text);
}

namespace {

// A name Windows takes as it is written: not empty, not "." or "..", no trailing dot or blank
// (Windows drops them), no stream or device syntax and no wildcard.
bool PlainName(std::string_view name) {
    return !name.empty() && name.back() != '.' && name.back() != ' ' &&
           FindCharacter(name, ":*?\"<>|") == std::string_view::npos &&
           std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 32; });
}

} // namespace

std::string PutBackRefusal(const std::string& originalPath,
                           const std::vector<std::string>& shellFolders) {
    const std::string refused = "not a shortcut inside the Start Menu or Desktop folders; not put "
                                "back";
    if (UpperCase(ExtensionPart(originalPath)) != ".LNK" ||
        originalPath.find('/') != std::string::npos) {
        return refused;
    }
    for (const std::string& shellFolder : shellFolders) {
        const std::string_view folder = WithoutTrailingSeparators(shellFolder);
        if (folder.empty() || originalPath.size() <= folder.size() + 1 ||
            UpperCase(originalPath.substr(0, folder.size())) != UpperCase(folder) ||
            originalPath[folder.size()] != '\\') {
            continue;
        }
        // Every name below the shell folder is plain, and every folder on the way that is
        // there already is a real folder, not a link that leads elsewhere.
        std::size_t start = folder.size() + 1;
        while (true) {
            const std::size_t end = FindCharacter(originalPath, "\\", start);
            const std::string_view name =
                std::string_view(originalPath)
                    .substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!PlainName(name)) {
                return refused;
            }
            if (end == std::string::npos) {
                return {};
            }
            const std::uint32_t attributes =
                platform::Os().FileAttributes(originalPath.substr(0, end));
            if (attributes != platform::kInvalidAttributes &&
                (attributes & (platform::kAttrReparsePoint | platform::kAttrDirectory)) !=
                    platform::kAttrDirectory) {
                return "leads through a folder link or a file; not put back";
            }
            start = end + 1;
        }
    }
    return refused;
}

// The file's own name, or "name (2).ext" and on while the folder already holds that name
// (a shortcut of the same name in the desktop and in the start menu).
std::string FileKeeper::UnusedName(const std::string& fileName) const {
    auto taken = [this](const std::string& name) {
        const std::string upper = UpperCase(name);
        return upper == UpperCase(kManifestName) ||
               std::any_of(kept_.begin(), kept_.end(),
                           [&](const KeptFile& file) { return UpperCase(file.name) == upper; });
    };
    if (!taken(fileName)) {
        return fileName;
    }
    const std::size_t dot = fileName.rfind('.');
    const std::string stem = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : fileName.substr(dot);
    for (std::size_t n = 2;; ++n) {
        const std::string name = stem + " (" + std::to_string(n) + ")" + extension;
        if (!taken(name)) {
            return name;
        }
    }
}

bool FileKeeper::WriteManifest() const {
    return platform::Os().WriteWholeFile(folder_ + kManifestName, ManifestText(kept_)).ok();
}

bool FileKeeper::Keep(const std::string& path) {
    platform::Platform& os = platform::Os();
    if (!folderReady_) {
        const std::uint32_t made = os.CreateFolder(folder_.substr(0, folder_.size() - 1));
        if (made != 0 && made != static_cast<std::uint32_t>(platform::kAlreadyExists)) {
            return false;
        }
        folderReady_ = true;
    }
    const std::size_t cut = FindLastCharacter(path, "\\/");
    kept_.push_back({path, UnusedName(cut == std::string::npos ? path : path.substr(cut + 1))});
    if (!WriteManifest()) {
        kept_.pop_back();
        if (kept_.empty()) {
            // A folder without its list would make every later restore of this backup
            // doubt its files; nothing is in it yet.
            os.RemoveFolder(folder_.substr(0, folder_.size() - 1));
            folderReady_ = false;
        }
        return false;
    }
    if (os.MoveFileTo(path, folder_ + kept_.back().name) != 0) {
        kept_.pop_back();
        WriteManifest(); // a failure leaves a line whose file is missing: reported by a restore
        return false;
    }
    return true;
}

} // namespace mendrake
