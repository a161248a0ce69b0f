// Test fixtures: registry scripts and files planted on the current platform and removed again,
// and scenario folders (registry.reg, files.txt, expected.txt) run against the scanners.
#pragma once

#include "engine/issue_model.h"
#include "platform/memory/reg_text.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mendrake::test {

// Appends a ticked finding to Issues, as a run without exclusions would: for tests that need
// rows without scanning for them.
void AddIssue(std::int32_t category, std::int32_t kind, std::string problem, std::string data,
              std::string keyText, std::uint32_t rootKey, std::string key, std::string value,
              std::string valueData, bool deleteKey);

// A path of the machine that builds and runs the tests as the program under test sees it:
// unchanged on Linux, on Wine's drive Z: with backslashes.
std::string HostPath(const std::string& unixPath);
// The bytes of a file of the build machine (a fixture or a shared data file).
std::string ReadHostFile(const std::string& unixPath);
// <repository>/tests/scenarios and ../shared/data.
std::string ScenarioDir(const std::string& name);
std::string SharedData(const std::string& relative);

// Registry changes applied to the current platform, undone when the object goes: keys that
// did not exist are deleted, values are put back as they were or deleted.
class PlantedRegistry {
  public:
    PlantedRegistry() = default;
    explicit PlantedRegistry(const std::string& regText) { Apply(regText); }
    ~PlantedRegistry();
    PlantedRegistry(const PlantedRegistry&) = delete;
    PlantedRegistry& operator=(const PlantedRegistry&) = delete;
    void Apply(const std::string& regText);
    void Apply(const std::vector<platform::RegChange>& changes);

  private:
    struct CreatedKey {
        platform::Hkey root;
        std::string path;
    };
    struct OldValue {
        platform::Hkey root;
        std::string path, name;
        bool existed;
        platform::RegValue value;
    };
    std::vector<CreatedKey> createdKeys_;
    std::vector<OldValue> oldValues_;
};

// Files and folders planted on the current platform, removed when the object goes.
// A line of files.txt is a path (a folder when it ends in "\"), optionally followed by
// " <- " and a file whose bytes it gets: relative to the scenario folder, or below
// ../shared/data when written "shared:relative/path",
// and optionally by " +h", " +s" or " +hs" for hidden and system attributes.
class PlantedFiles {
  public:
    PlantedFiles() = default;
    PlantedFiles(const std::string& listText, const std::string& scenarioDir) {
        Apply(listText, scenarioDir);
    }
    ~PlantedFiles();
    PlantedFiles(const PlantedFiles&) = delete;
    PlantedFiles& operator=(const PlantedFiles&) = delete;
    void Apply(const std::string& listText, const std::string& scenarioDir);
    void AddFolder(const std::string& path);
    void AddFile(const std::string& path, const std::string& contents = {},
                 std::uint32_t attributes = 0);

  private:
    std::vector<std::string> folders_; // created, deepest last
    std::vector<std::string> files_;
};

// Runs the scanners of `categories` into a fresh Issues and returns them.
std::vector<TItem> Scan(const std::vector<std::int32_t>& categories);
// The issues of `after` that are not in `before` (as a multiset), in the order of `after`.
std::vector<TItem> Added(const std::vector<TItem>& before, const std::vector<TItem>& after);
// The issue blocks of a list, joined; "" for none.
std::string Blocks(const std::vector<TItem>& issues);
// Text with every line end turned into CR LF (fixtures are stored with LF).
std::string WithCrLf(const std::string& text);

// Runs a scenario folder: scans categories (from categories.txt) before and after planting
// registry.reg and files.txt, and returns the blocks of the issues the fixture added.
std::string RunScenario(const std::string& name, std::string* expected);

} // namespace mendrake::test
