#include "tests/support/fixtures.h"

#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/registry_access.h"
#include "platform/memory/memory_platform.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

namespace mendrake::test {

using platform::Os;

std::string HostPath(const std::string& unixPath) {
#ifdef _WIN32
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
#else
    return unixPath;
#endif
}

std::string ReadHostFile(const std::string& unixPath) {
    std::ifstream in(HostPath(unixPath), std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + unixPath);
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string ScenarioDir(const std::string& name) {
    return std::string(MENDRAKE_SOURCE_DIR) + "/tests/scenarios/" + name;
}

std::string SharedData(const std::string& relative) {
    return std::string(MENDRAKE_SHARED_DATA) + "/" + relative;
}

// ---- registry ----

namespace {

bool KeyExists(platform::Hkey root, const std::string& path) {
    platform::Hkey key = 0;
    if (Os().OpenKey(root, path, platform::kKeyAllAccess, key) != platform::kSuccess) {
        return false;
    }
    Os().CloseKey(key);
    return true;
}

// Every prefix of a key path, shortest first ("A", "A\B", "A\B\C").
std::vector<std::string> Prefixes(const std::string& path) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at != std::string::npos) {
        at = path.find('\\', at + 1);
        std::string prefix = path.substr(0, at);
        if (!prefix.empty()) {
            out.push_back(prefix);
        }
    }
    return out;
}

} // namespace

void PlantedRegistry::Apply(const std::string& regText) {
    Apply(platform::ParseRegText(regText));
}

void PlantedRegistry::Apply(const std::vector<platform::RegChange>& changes) {
    using Kind = platform::RegChange::Kind;
    for (const auto& change : changes) {
        if (change.kind == Kind::CreateKey || change.kind == Kind::SetValue) {
            for (const std::string& prefix : Prefixes(change.path)) {
                if (!KeyExists(change.root, prefix)) {
                    createdKeys_.push_back({change.root, prefix});
                    platform::Hkey key = 0;
                    if (Os().CreateKey(change.root, prefix, key) != platform::kSuccess) {
                        throw std::runtime_error("cannot create key " + prefix);
                    }
                    Os().CloseKey(key);
                }
            }
        }
        if (change.kind == Kind::SetValue || change.kind == Kind::DeleteValue) {
            platform::Hkey key = 0;
            if (Os().OpenKey(change.root, change.path, platform::kKeyAllAccess, key) !=
                platform::kSuccess) {
                continue;
            }
            OldValue old{change.root, change.path, change.name, false, {}};
            old.existed = Os().QueryValue(key, change.name, old.value) == platform::kSuccess;
            oldValues_.push_back(old);
            if (change.kind == Kind::SetValue) {
                Os().SetValue(key, change.name, change.type, change.data);
            } else {
                Os().DeleteValue(key, change.name);
            }
            Os().CloseKey(key);
        }
        if (change.kind == Kind::DeleteKey) {
            throw std::runtime_error("fixtures do not delete keys: " + change.path);
        }
    }
}

PlantedRegistry::~PlantedRegistry() {
    for (auto it = oldValues_.rbegin(); it != oldValues_.rend(); ++it) {
        platform::Hkey key = 0;
        if (Os().OpenKey(it->root, it->path, platform::kKeyAllAccess, key) != platform::kSuccess) {
            continue;
        }
        if (it->existed) {
            Os().SetValue(key, it->name, it->value.type, it->value.data);
        } else {
            Os().DeleteValue(key, it->name);
        }
        Os().CloseKey(key);
    }
    for (auto it = createdKeys_.rbegin(); it != createdKeys_.rend(); ++it) {
        RegistryAccess reg;
        reg.SetRoot(static_cast<std::uint32_t>(it->root));
        reg.RemoveKey("\\" + it->path);
    }
}

// ---- files ----

void PlantedFiles::AddFolder(const std::string& path) {
    std::string folder = path;
    while (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    // Every missing level, outermost first.
    std::vector<std::string> levels;
    for (std::size_t at = folder.find('\\', 3);; at = folder.find('\\', at + 1)) {
        levels.push_back(folder.substr(0, at));
        if (at == std::string::npos) {
            break;
        }
    }
    for (const std::string& level : levels) {
        if (FolderFound(level)) {
            continue;
        }
#ifdef _WIN32
        if (!CreateDirectoryA(level.c_str(), nullptr)) {
            throw std::runtime_error("cannot create folder " + level);
        }
#else
        dynamic_cast<platform::MemoryPlatform&>(Os()).AddFolder(level);
#endif
        folders_.push_back(level);
    }
}

void PlantedFiles::AddFile(const std::string& path, const std::string& contents,
                           std::uint32_t attributes) {
    AddFolder(FolderPart(path));
    files_.push_back(path);
#ifdef _WIN32
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    const platform::FileWriteResult written = Os().WriteWholeFile(path, contents);
    if (!written.ok()) {
        throw std::runtime_error("cannot create file " + path + " (stage " +
                                 std::to_string(static_cast<int>(written.stage)) + ", error " +
                                 std::to_string(written.error) + ")");
    }
    if (attributes != 0) {
        SetFileAttributesA(path.c_str(), attributes);
    }
#else
    dynamic_cast<platform::MemoryPlatform&>(Os()).AddFile(
        path, contents, attributes == 0 ? platform::kAttrArchive : attributes);
#endif
}

void PlantedFiles::Apply(const std::string& listText, const std::string& scenarioDir) {
    std::istringstream lines(listText);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        line = Trim(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::uint32_t attributes = 0;
        const std::size_t plus = line.rfind(" +");
        if (plus != std::string::npos) {
            const std::string flags = line.substr(plus + 2);
            for (char f : flags) {
                attributes |= f == 'h'   ? platform::kAttrHidden
                              : f == 's' ? platform::kAttrSystem
                                         : 0u;
            }
            line = Trim(line.substr(0, plus));
        }
        std::string contents;
        const std::size_t arrow = line.find(" <- ");
        if (arrow != std::string::npos) {
            const std::string source = Trim(line.substr(arrow + 4));
            const std::string shared = "shared:";
            contents =
                ReadHostFile(source.starts_with(shared) ? SharedData(source.substr(shared.size()))
                                                        : scenarioDir + "/" + source);
            line = Trim(line.substr(0, arrow));
        }
        if (line.back() == '\\') {
            AddFolder(line);
        } else {
            AddFile(line, contents, attributes);
        }
    }
}

PlantedFiles::~PlantedFiles() {
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
#ifdef _WIN32
        SetFileAttributesA(it->c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
        Os().DeleteFileAt(*it);
    }
#ifdef _WIN32
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) {
        RemoveDirectoryA(it->c_str());
    }
#endif
}

// ---- scenarios ----

void AddIssue(std::int32_t category, std::int32_t kind, std::string problem, std::string data,
              std::string keyText, std::uint32_t rootKey, std::string key, std::string value,
              std::string valueData, bool deleteKey) {
    AnalysisRun run;
    AppendIssue(run, category, kind, std::move(problem), std::move(data), std::move(keyText),
                rootKey, std::move(key), std::move(value), std::move(valueData), deleteKey);
}

std::vector<TItem> Scan(const std::vector<std::int32_t>& categories) {
    Issues.clear();
    AnalysisRun run;
    for (std::int32_t category : categories) {
        RunScanner(category, run);
    }
    std::vector<TItem> found = std::move(Issues);
    Issues.clear();
    return found;
}

std::vector<TItem> Added(const std::vector<TItem>& before, const std::vector<TItem>& after) {
    std::vector<std::string> old;
    for (const TItem& item : before) {
        old.push_back(IssueBlock(item));
    }
    std::vector<TItem> added;
    for (const TItem& item : after) {
        auto it = std::find(old.begin(), old.end(), IssueBlock(item));
        if (it != old.end()) {
            old.erase(it);
        } else {
            added.push_back(item);
        }
    }
    return added;
}

std::string Blocks(const std::vector<TItem>& issues) {
    std::string text;
    for (const TItem& item : issues) {
        text += IssueBlock(item);
    }
    return text;
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            out += '\r';
        }
        out += text[i];
    }
    return out;
}

namespace {

std::string ReadOptional(const std::string& path) {
    try {
        return ReadHostFile(path);
    } catch (const std::runtime_error&) {
        return {};
    }
}

} // namespace

std::string RunScenario(const std::string& name, std::string* expected) {
    const std::string dir = ScenarioDir(name);
    std::vector<std::int32_t> categories;
    std::istringstream ids(ReadHostFile(dir + "/categories.txt"));
    for (std::int32_t id = 0; ids >> id;) {
        categories.push_back(id);
    }
    *expected = WithCrLf(ReadOptional(dir + "/expected.txt"));
    const std::vector<TItem> before = Scan(categories);
    std::vector<TItem> after;
    {
        PlantedFiles files(ReadOptional(dir + "/files.txt"), dir);
        PlantedRegistry registry(ReadOptional(dir + "/registry.reg"));
        after = Scan(categories);
    }
    return Blocks(Added(before, after));
}

} // namespace mendrake::test
