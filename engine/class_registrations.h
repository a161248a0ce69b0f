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
std::vector<ClassEntry> ListInAllViews(ClassesRoot& classes, const std::string& list,
                                       std::vector<ViewArea>& areas, bool& usable);

struct ClassRegistrations {
    // False when the machine's 64-bit list cannot be read or a list was cut short: every
    // reference to a class left out would then look dangling, so none may be judged.
    bool usable = false;
    std::vector<ViewArea> machineLists; // the machine's class lists (BothViews of HKCR\CLSID)
    std::vector<ClassEntry> entries;    // every class key, machine's then user's, per list
    // Upper-cased class id -> KeyText of each of its class keys.
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
