#include "engine/class_registrations.h"

#include "engine/ansi_text.h"
#include "engine/analysis_run.h"
#include "engine/ansi_text.h"
#include "engine/common_unit.h"
#include "engine/scanner_paths.h"

#include <memory>

namespace mendrake {

namespace {

std::string LastPart(const std::string& path) {
    const std::size_t cut = FindLastCharacter(path, "\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace

std::vector<ClassEntry> ListInAllViews(ClassesRoot& classes, const std::string& list,
                                       std::vector<ViewArea>& areas, bool& usable,
                                       std::vector<std::pair<std::string, std::string>>* hidden) {
    areas = BothViews(kHkcr, "\\" + list);
    std::vector<ClassEntry> entries;
    bool complete = true;
    bool nativeListed = false;
    for (const RegistryView view : {RegistryView::Native, RegistryView::Wow64}) {
        const std::string path = view == RegistryView::Native ? list : "Wow6432Node\\" + list;
        const ViewArea* area = nullptr;
        for (const ViewArea& candidate : areas) {
            area = candidate.view == view ? &candidate : area;
        }
        // A 32-bit twin that is the 64-bit key itself is read once, as the 64-bit list; the
        // user's 32-bit list is a key of its own.
        bool listed = false;
        std::vector<std::string> hiddenKeys;
        const std::vector<ClassesKey> keys = classes.Subkeys(
            path, complete, area != nullptr, &listed, hidden != nullptr ? &hiddenKeys : nullptr);
        for (std::string& location : hiddenKeys) {
            hidden->emplace_back(LastPart(location), std::move(location));
        }
        nativeListed = nativeListed || (view == RegistryView::Native && listed);
        for (const ClassesKey& key : keys) {
            entries.push_back({key, LastPart(key.path), view, key.PerUser() ? nullptr : area});
        }
    }
    usable = complete && nativeListed;
    return entries;
}

bool EntryHolds(const ClassEntry& entry, RegistryAccess& reg) {
    return entry.machineArea == nullptr || entry.machineArea->Holds(reg);
}

bool ClassLists::Open(RegistryAccess& reg, const ClassEntry& entry, const char* below) {
    const std::string key = entry.key.Key();
    const std::string_view listKey(key.data(), key.size() - entry.id.size() - 1);
    if (entry.key.Root() != root_ || listKey != listKey_) {
        root_ = entry.key.Root();
        listKey_ = std::string(listKey);
        list_.SetRoot(root_);
        listOpen_ = list_.Open(listKey_);
    }
    const std::string rest = below == nullptr ? std::string() : std::string("\\") + below;
    if (listOpen_) {
        return reg.OpenBelow(list_, entry.id + rest);
    }
    reg.SetRoot(entry.key.Root());
    return reg.Open(key + rest);
}

const std::vector<std::string>* ClassRegistrations::PlacesOf(std::string_view id) const {
    auto it = places.find(UpperCase(id));
    return it == places.end() ? nullptr : &it->second;
}

const ClassRegistrations& ReadRegistrations(ClassesRoot& classes, const std::string& list) {
    AnalysisRun& run = classes.Run();
    if (const ClassRegistrations* kept = run.KeptRegistrations(list)) {
        return *kept;
    }
    // Kept where it is built: each entry points at the machine's list it came from.
    auto found = std::make_unique<ClassRegistrations>();
    std::vector<std::pair<std::string, std::string>> hidden;
    found->entries = ListInAllViews(classes, list, found->machineLists, found->usable, &hidden);
    found->places.reserve(found->entries.size());
    for (const ClassEntry& entry : found->entries) {
        found->places[UpperCase(entry.id)].push_back(entry.key.KeyText());
    }
    for (auto& [id, location] : hidden) {
        found->places[UpperCase(id)].push_back(std::move(location));
    }
    return run.KeepRegistrations(list, std::move(found));
}

} // namespace mendrake
