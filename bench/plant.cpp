#include "bench/bench.h"

#include "platform/platform.h"
#include "tests/support/generated_machine.h"

#include <windows.h>

#include <set>
#include <stdexcept>

namespace mendrake::bench {

namespace {

void MakeFolders(const std::string& file, std::set<std::string>& made) {
    for (std::size_t at = file.find('\\', 3); at != std::string::npos;
         at = file.find('\\', at + 1)) {
        const std::string folder = file.substr(0, at);
        if (made.insert(folder).second) {
            CreateDirectoryA(folder.c_str(), nullptr); // an existing folder is fine
        }
    }
}

} // namespace

void PlantMachine(int classes, const std::string& base) {
    const test::GeneratedMachine machine = test::GenerateMachine(classes, "MdkBench", base);
    platform::Platform& os = platform::Os();
    // Consecutive changes mostly touch the same key: keep it open between them.
    platform::Hkey key = 0, keyRoot = 0;
    std::string keyPath;
    for (const platform::RegChange& change : machine.registry) {
        if (key == 0 || change.root != keyRoot || change.path != keyPath) {
            if (key != 0) {
                os.CloseKey(key);
            }
            key = 0;
            if (os.CreateKey(change.root, change.path, key) != platform::kSuccess) {
                throw std::runtime_error("cannot create key " + change.path);
            }
            keyRoot = change.root;
            keyPath = change.path;
        }
        if (change.kind == platform::RegChange::Kind::SetValue) {
            os.SetValue(key, change.name, change.type, change.data);
        }
    }
    if (key != 0) {
        os.CloseKey(key);
    }
    std::set<std::string> made;
    for (const std::string& file : machine.files) {
        MakeFolders(file, made);
        if (!os.WriteWholeFile(file, "").ok()) {
            throw std::runtime_error("cannot create file " + file);
        }
    }
}

} // namespace mendrake::bench
