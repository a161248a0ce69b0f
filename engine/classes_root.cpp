#include "engine/classes_root.h"

#include "engine/ansi_text.h"
#include "engine/common_unit.h"
#include "engine/registry_views.h"
#include "engine/scanner_paths.h"

namespace mendrake {

namespace {

const std::string kMachineClasses = "\\Software\\Classes";

std::string Join(std::string_view parent, std::string_view name) {
    if (parent.empty()) {
        return std::string(name);
    }
    std::string path(parent);
    path += '\\';
    path += name;
    return path;
}

} // namespace

std::uint32_t ClassesKey::Root() const {
    return user != nullptr ? user->root : kHkcr;
}

std::string ClassesKey::Key() const {
    const std::string below = path.empty() ? std::string() : "\\" + path;
    return user != nullptr ? user->classes + below : below;
}

std::string ClassesKey::KeyText() const {
    return RootAbbreviation(Root()) + Key();
}

ClassesKey ClassesKey::Below(std::string_view name) const {
    return {Join(path, name), user};
}

TItem ClassesKey::KeyFinding(std::int32_t category, std::int32_t kind, std::string problem,
                             std::string data) const {
    return TItem{
        1,    category, kind, std::move(problem), std::move(data), KeyText(), Root(), Key(), "", "",
        true, {},       {}};
}

std::vector<ViewArea> UserClassesViews(AnalysisRun& run, std::string_view list) {
    std::vector<ViewArea> areas;
    const UserScope& user = run.User();
    RegistryAccess reg(run);
    reg.SetRoot(user.root);
    for (const RegistryView view : {RegistryView::Native, RegistryView::Wow64}) {
        const std::string key = user.classes +
                                (view == RegistryView::Wow64 ? "\\Wow6432Node\\" : "\\") +
                                std::string(list);
        if (reg.Open(key)) {
            areas.push_back({user.root, key, view, {}});
        }
    }
    return areas;
}

const ClassesRoot::Listing& ClassesRoot::UserListing(const std::string& upperPath) {
    auto it = userListings_.find(upperPath);
    if (it != userListings_.end()) {
        return it->second;
    }
    Listing listing;
    const UserScope& user = run_.User();
    RegistryAccess reg(run_);
    reg.SetRoot(user.root);
    if (reg.Open(upperPath.empty() ? user.classes : user.classes + "\\" + upperPath)) {
        listing.names = reg.SubkeyNames();
        listing.complete = reg.ListingComplete();
        for (const std::string& name : listing.names) {
            listing.upper.insert(UpperCase(name));
        }
    }
    return userListings_.emplace(upperPath, std::move(listing)).first->second;
}

bool ClassesRoot::UserHolds(std::string_view path) {
    const std::string upper = UpperCase(path);
    std::size_t start = 0;
    while (start <= upper.size()) {
        const std::size_t end = std::min(FindCharacter(upper, "\\", start), upper.size());
        const Listing& parent = UserListing(upper.substr(0, start == 0 ? 0 : start - 1));
        if (parent.upper.count(upper.substr(start, end - start)) == 0) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

ClassesKey ClassesRoot::Locate(std::string_view path) {
    return {std::string(path), !path.empty() && UserHolds(path) ? &run_.User() : nullptr};
}

std::vector<ClassesKey> ClassesRoot::Subkeys(std::string_view parent, bool& complete, bool machine,
                                             bool* machineListed,
                                             std::vector<std::string>* hidden) {
    std::vector<ClassesKey> keys;
    const std::string upperParent = UpperCase(parent);
    const bool userHasParent = parent.empty() || UserHolds(parent);
    const Listing* user = userHasParent ? &UserListing(upperParent) : nullptr;
    std::string machinePath;
    if (!parent.empty()) {
        machinePath.reserve(parent.size() + 1);
        machinePath.push_back('\\');
        machinePath.append(parent);
    }
    RegistryAccess reg(run_);
    reg.SetRoot(kHkcr);
    if (machine && reg.Open(machinePath)) {
        if (machineListed != nullptr) {
            *machineListed = true;
        }
        const std::vector<std::string> names = reg.SubkeyNames();
        complete = complete && reg.ListingComplete();
        keys.reserve(names.size());
        for (const std::string& name : names) {
            // On Windows HKCR lists the user's keys too: they come from the user's listing.
            if (user == nullptr || user->upper.count(UpperCase(name)) == 0) {
                keys.push_back({Join(parent, name), nullptr});
            } else if (hidden != nullptr) {
                const std::string path = kMachineClasses + "\\" + Join(parent, name);
                RegistryAccess machineKey(run_);
                machineKey.SetRoot(kHklm);
                machineKey.SetAccess(platform::kKeyRead);
                if (machineKey.Open(path)) {
                    hidden->push_back("HKLM" + path);
                }
            }
        }
    }
    if (user != nullptr) {
        complete = complete && user->complete;
        for (const std::string& name : user->names) {
            keys.push_back({Join(parent, name), &run_.User()});
        }
    }
    return keys;
}

} // namespace mendrake
