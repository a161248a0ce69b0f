// What a registry script asks the registry to hold once it is written: the last word of the
// script on each key and value, in the order they first appear, and the keys it deletes. The
// restore decides against it what to write, what is already there and what has changed since
// the backup, and reads the registry back against it.
#pragma once

#include "platform/platform.h"
#include "repair/reg_script.h"

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace mendrake {

struct PlannedValue {
    std::string name;
    std::string label;    // how a failure names it: "HKEY_...\Key "name""
    std::string location; // how a conflict names it: "HKCU\Key\name"
    bool present = true;  // false for "name"=-
    platform::RegValue value;
    bool settled = false; // reported already, or left as it is: not read back
};

struct PlannedKey {
    std::uint32_t root = 0;
    std::string path; // below the root, no leading backslash
    std::string label, location;
    std::vector<PlannedValue> values;              // in the order of the script
    std::map<std::string, std::size_t> valueIndex; // upper-cased name -> position in values
    bool settled = false;
};

// A key the script deletes ([-KEY]) and does not write again afterwards as it stands.
struct PlannedDeletion {
    std::uint32_t root = 0;
    std::string path;
    std::string label, location;
    bool settled = false;
};

// "HKCU\Software\x" (the short root names the issue list uses), for conflict lines.
std::string KeyLocation(std::uint32_t root, const std::string& path);
// The key's location, "\" and the value's name; "(Default)" for the default value.
std::string ValueLocation(std::uint32_t root, const std::string& path, const std::string& name);

class RestorePlan {
  public:
    // Entries the script cannot carry exactly (names or text outside the ANSI code page, a
    // value line without data) are not planned; each adds one line to `failures`.
    RestorePlan(const RegScript& script, std::vector<std::string>& failures);

    // Keys and deletions that are still the script's last word, in the order of the script.
    std::vector<PlannedKey*> Keys();
    std::vector<PlannedDeletion*> Deletions();
    PlannedKey* FindKey(std::uint32_t root, const std::string& path);
    PlannedValue* FindValue(std::uint32_t root, const std::string& path, const std::string& name);
    // Whether the script writes the key at `path` or a key below it.
    bool WritesAtOrBelow(std::uint32_t root, const std::string& path) const;

  private:
    using KeyId = std::tuple<std::uint32_t, std::string>; // root, upper-cased path
    void Delete(const RegScriptKey& key);
    void Write(const RegScriptKey& key, std::vector<std::string>& failures);
    // Every planned key and deletion at or below `path` stops being the script's last word.
    void ForgetBelow(std::uint32_t root, const std::string& path);

    std::vector<PlannedKey> keys_;
    std::vector<PlannedDeletion> deletions_;
    std::vector<bool> liveKeys_, liveDeletions_;
    std::map<KeyId, std::size_t> keyIndex_, deletionIndex_; // live ones only
};

} // namespace mendrake
