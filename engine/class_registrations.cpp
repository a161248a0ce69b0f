#include "engine/class_registrations.h"

#include "engine/ansi_text.h"
#include "engine/analysis_run.h"
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
                                       std::vector<ViewArea>& areas, bool& usable) {
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
        const std::vector<ClassesKey> keys =
            classes.Subkeys(path, complete, area != nullptr, &listed);
        nativeListed = nativeListed || (view == RegistryView::Native && listed);
        for (const ClassesKey& key : keys) {
            entries.push_back({key, LastPart(key.path), view, key.perUser ? nullptr : area});
        }
    }
    usable = complete && nativeListed;
    return entries;
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
    found->entries = ListInAllViews(classes, list, found->machineLists, found->usable);
    found->places.reserve(found->entries.size());
    for (const ClassEntry& entry : found->entries) {
        found->places[UpperCase(entry.id)].push_back(entry.key.KeyText());
    }
    return run.KeepRegistrations(list, std::move(found));
}

} // namespace mendrake
