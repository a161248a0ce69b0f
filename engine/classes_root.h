// The classes as Windows merges them into HKEY_CLASSES_ROOT.
//
// On Windows HKCR is a view: the per-user classes (HKCU\Software\Classes, where per-user
// installers register) over the machine's (HKLM\Software\Classes), a key present per user
// hiding the machine's key of the same path. Wine does not merge them (its HKCR is the
// machine's key only), so the scanners read the per-user classes where they live, beside HKCR,
// and judge the merged result: a key that exists per user is read there (and reported there,
// so that the fix and the backup act on it on both systems); the machine's key of the same
// path is hidden and passed over; a key only the machine has keeps its HKCR form.
#pragma once

#include "engine/analysis_run.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace mendrake {

// One key of the merged classes: its path below the classes root (no leading backslash) and
// where it physically lives.
struct ClassesKey {
    std::string path;
    // The user whose classes hold the key (the run's), or null for the machine's.
    const UserScope* user = nullptr;

    bool PerUser() const { return user != nullptr; }
    std::uint32_t Root() const;
    // The key below Root(), beginning with a backslash ("\X", "\Software\Classes\X" or
    // "\<SID>_Classes\X").
    std::string Key() const;
    // "HKCR\X", "HKCU\Software\Classes\X" or "HKU\<SID>_Classes\X", for people and for the
    // dependent findings.
    std::string KeyText() const;
    // The same place, `name` deeper.
    ClassesKey Below(std::string_view name) const;
    // A ticked finding that deletes this key.
    TItem KeyFinding(std::int32_t category, std::int32_t kind, std::string problem,
                     std::string data) const;
};

// The user's areas of a list below the classes root ("TypeLib"), for checks that judge each
// key on its own: the run's user's classes (HKCU\Software\Classes)\<list> and its 32-bit twin
// below Wow6432Node, those that exist.
std::vector<ViewArea> UserClassesViews(AnalysisRun& run, std::string_view list);

// The merged view of the classes for one scanner: the per-user listings are read once each,
// on demand (the per-user classes are small beside the machine's).
class ClassesRoot {
  public:
    // The classes as `run` reads them: its stop request and its listing of the classes root.
    explicit ClassesRoot(AnalysisRun& run) : run_(run) {}
    ClassesRoot(const ClassesRoot&) = delete;
    ClassesRoot& operator=(const ClassesRoot&) = delete;

    AnalysisRun& Run() { return run_; }

    // Whether the user's classes hold <path>.
    bool UserHolds(std::string_view path);
    // Where the merged view takes the key at `path` from: per user when the user's classes
    // hold it, else the machine's.
    ClassesKey Locate(std::string_view path);
    // The subkeys of `parent` in the merged view, each where it lives: the machine's (through
    // HKCR) that the user's classes do not hide, then the user's. `complete` turns false when
    // a listing was cut short.
    // With `machine` false only the user's are listed; `machineListed` (when given) tells
    // whether the machine's key could be listed.
    // `hidden` (when given) receives the machine's keys that the user's hide, as their
    // physical locations ("HKLM\Software\Classes\CLSID\{...}"): they still register what they
    // name once the user's key goes. Each is asked of the machine's classes key, as the merged
    // listing of Windows names the user's keys too.
    std::vector<ClassesKey> Subkeys(std::string_view parent, bool& complete, bool machine = true,
                                    bool* machineListed = nullptr,
                                    std::vector<std::string>* hidden = nullptr);
    std::vector<ClassesKey> Subkeys(std::string_view parent) {
        bool complete = true;
        return Subkeys(parent, complete);
    }

  private:
    struct Listing {
        std::vector<std::string> names; // as listed
        std::unordered_set<std::string> upper;
        bool complete = true;
    };
    const Listing& UserListing(const std::string& upperPath);
    AnalysisRun& run_;
    std::unordered_map<std::string, Listing> userListings_; // by upper-cased path
};

} // namespace mendrake
