#include "repair/restore_plan.h"

#include "engine/common_unit.h"
#include "engine/registry_views.h"
#include "repair/regexport_unit.h"

namespace mendrake {

namespace {

std::string FailureLabel(const RegScriptKey& key, const std::string& name) {
    return ScriptKeyName(key) + (name.empty() ? " @" : " \"" + name + "\"");
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Whether `path` (upper-cased) is `top` or lies below it; everything lies below the root ("").
bool AtOrBelow(const std::string& path, const std::string& top) {
    return top.empty() || path == top ||
           (path.size() > top.size() && StartsWith(path, top) && path[top.size()] == '\\');
}

// The entries of `index` at or below `top`: they sort together with the names that merely
// begin with it ("TOP X", "TOPX"), from `top` on.
template <typename Index, typename Visit>
void ForEachAtOrBelow(Index& index, std::uint32_t root, const std::string& top, Visit visit) {
    for (auto it = index.lower_bound({root, top}); it != index.end() &&
                                                   std::get<0>(it->first) == root &&
                                                   StartsWith(std::get<1>(it->first), top);) {
        it = AtOrBelow(std::get<1>(it->first), top) ? visit(it) : std::next(it);
    }
}

} // namespace

std::string KeyLocation(std::uint32_t root, const std::string& path) {
    std::string name = RootAbbreviation(root);
    if (name.empty()) {
        name = RootKeyName(root);
    }
    return path.empty() ? name : name + "\\" + path;
}

std::string ValueLocation(std::uint32_t root, const std::string& path, const std::string& name) {
    return KeyLocation(root, path) + "\\" + (name.empty() ? "(Default)" : name);
}

RestorePlan::RestorePlan(const RegScript& script, std::vector<std::string>& failures) {
    for (const RegScriptKey& key : script.keys) {
        if (key.lossy) {
            failures.push_back("Line " + std::to_string(key.line) + ": " + ScriptKeyName(key) +
                               ": cannot be written exactly; not written");
        } else if (key.remove) {
            Delete(key);
        } else {
            Write(key, failures);
        }
    }
}

void RestorePlan::ForgetBelow(std::uint32_t root, const std::string& path) {
    const std::string top = UpperCase(path);
    auto forget = [&](std::map<KeyId, std::size_t>& index, std::vector<bool>& live) {
        ForEachAtOrBelow(index, root, top, [&](auto it) {
            live[it->second] = false;
            return index.erase(it);
        });
    };
    forget(keyIndex_, liveKeys_);
    forget(deletionIndex_, liveDeletions_);
}

void RestorePlan::Delete(const RegScriptKey& key) {
    ForgetBelow(key.root, key.path);
    deletionIndex_[{key.root, UpperCase(key.path)}] = deletions_.size();
    deletions_.push_back(
        {key.root, key.path, ScriptKeyName(key), KeyLocation(key.root, key.path), false});
    liveDeletions_.push_back(true);
}

void RestorePlan::Write(const RegScriptKey& key, std::vector<std::string>& failures) {
    const KeyId id{key.root, UpperCase(key.path)};
    auto [found, added] = keyIndex_.try_emplace(id, keys_.size());
    if (added) {
        keys_.push_back({key.root,
                         key.path,
                         ScriptKeyName(key),
                         KeyLocation(key.root, key.path),
                         {},
                         {},
                         false});
        liveKeys_.push_back(true);
    }
    PlannedKey& planned = keys_[found->second];
    for (const RegScriptValue& value : key.values) {
        const std::string label = FailureLabel(key, value.name);
        const std::string upper = UpperCase(value.name);
        const auto known = planned.valueIndex.find(upper);
        if (value.lossy || !value.hasData) {
            failures.push_back(value.lossy ? "Line " + std::to_string(value.line) + ": " + label +
                                                 ": cannot be written exactly; not written"
                                           : label + ": the backup holds no data for it; not "
                                                     "written");
            if (known != planned.valueIndex.end()) {
                planned.values[known->second].settled = true; // reported once, not read back
            }
            continue;
        }
        PlannedValue entry{value.name,
                           label,
                           ValueLocation(key.root, key.path, value.name),
                           !value.remove,
                           platform::RegValue{value.type, value.data, false},
                           false};
        if (known == planned.valueIndex.end()) {
            planned.valueIndex.emplace(upper, planned.values.size());
            planned.values.push_back(std::move(entry));
        } else {
            planned.values[known->second] = std::move(entry);
        }
    }
}

std::vector<PlannedKey*> RestorePlan::Keys() {
    std::vector<PlannedKey*> keys;
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (liveKeys_[i]) {
            keys.push_back(&keys_[i]);
        }
    }
    return keys;
}

std::vector<PlannedDeletion*> RestorePlan::Deletions() {
    std::vector<PlannedDeletion*> deletions;
    for (std::size_t i = 0; i < deletions_.size(); ++i) {
        if (liveDeletions_[i]) {
            deletions.push_back(&deletions_[i]);
        }
    }
    return deletions;
}

PlannedKey* RestorePlan::FindKey(std::uint32_t root, const std::string& path) {
    const auto found = keyIndex_.find({root, UpperCase(path)});
    return found == keyIndex_.end() ? nullptr : &keys_[found->second];
}

PlannedValue* RestorePlan::FindValue(std::uint32_t root, const std::string& path,
                                     const std::string& name) {
    PlannedKey* key = FindKey(root, path);
    if (key == nullptr) {
        return nullptr;
    }
    const auto found = key->valueIndex.find(UpperCase(name));
    return found == key->valueIndex.end() ? nullptr : &key->values[found->second];
}

bool RestorePlan::WritesAtOrBelow(std::uint32_t root, const std::string& path) const {
    bool any = false;
    ForEachAtOrBelow(keyIndex_, root, UpperCase(path), [&](auto) {
        any = true;
        return keyIndex_.end();
    });
    return any;
}

} // namespace mendrake
