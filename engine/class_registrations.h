// Where each class id is registered: the class lists of both registry views, the machine's and
// the user's. A class reference is answered by a registration of any of them; it dangles once
// every one of them is deleted.
#pragma once

#include "engine/classes_root.h"
#include "engine/registry_views.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace mendrake {

// One class key of a class list, and the programs that load what it names.
struct ClassEntry {
    ClassesKey key; // "CLSID\{id}" or "Wow6432Node\CLSID\{id}", where it lives
    std::string id; // as listed
    RegistryView view = RegistryView::Native;
    const ViewArea* machineArea = nullptr; // the machine's list it came from, for Holds
};

// Every key of a list below the classes root ("CLSID", "Interface", "TypeLib") in both views,
// the machine's and the user's; `areas` receives the machine's lists (BothViews). `usable`
// turns false when the machine's 64-bit list cannot be read or a listing was cut short.
// `hidden` (when given) receives the id and physical location of each machine's key that a key
// of the user's hides.
std::vector<ClassEntry>
ListInAllViews(ClassesRoot& classes, const std::string& list, std::vector<ViewArea>& areas,
               bool& usable, std::vector<std::pair<std::string, std::string>>* hidden = nullptr);

// Whether the key open in `reg` belongs to the entry's list (see ViewArea::Holds).
bool EntryHolds(const ClassEntry& entry, RegistryAccess& reg);

// The lists entries come from, each opened once: an entry's key and its subkeys are opened
// below its list, a shorter path for the registry than the whole one from the root.
class ClassLists {
  public:
    explicit ClassLists(AnalysisRun& run) : list_(run) { list_.SetAccess(platform::kKeyRead); }

    // Opens `below` ("InprocServer32") of the entry's key in `reg`, or the key itself when
    // `below` is null.
    bool Open(RegistryAccess& reg, const ClassEntry& entry, const char* below = nullptr);

  private:
    RegistryAccess list_;
    std::uint32_t root_ = 0;
    std::string listKey_;
    bool listOpen_ = false;
};

struct ClassRegistrations {
    // False when the machine's 64-bit list cannot be read or a list was cut short: every
    // reference to a class left out would then look dangling, so none may be judged.
    bool usable = false;
    std::vector<ViewArea> machineLists; // the machine's class lists (BothViews of HKCR\CLSID)
    std::vector<ClassEntry> entries;    // every class key, machine's then user's, per list
    // Upper-cased class id -> KeyText of each of its class keys, the machine's keys that the
    // user's hide included: a reference dangles only once every one of them is gone.
    std::unordered_map<std::string, std::vector<std::string>> places;

    // The class keys of `id` (any letter case), or nullptr when it is registered nowhere.
    const std::vector<std::string>* PlacesOf(std::string_view id) const;
};

// The class lists ("CLSID"), or the type library lists ("TypeLib") of every view, read once per
// analysis run for every check that judges by them. The answer lives as long as the run, or
// until the next reading of the same list in a run that remembers nothing.
const ClassRegistrations& ReadRegistrations(ClassesRoot& classes,
                                            const std::string& list = "CLSID");

} // namespace mendrake
