// Entries that a program left behind when its files were deleted without its uninstaller: its
// Add/Remove Programs entry (category 9) and its own software keys (category 6).
#pragma once

#include "engine/registry_access.h"
#include "engine/registry_views.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mendrake {

// Uninstall entries of the machine (both views) and of the user whose program is gone.
void ScanUninstallEntries(AnalysisRun& run);

// Whether the Add/Remove Programs entry `name`, open in `entry`, is one that ScanUninstallEntries
// reports: a program whose files are all gone (entries Windows hides are never).
bool UninstallEntryOfRemovedProgram(AnalysisRun& run, RegistryAccess& entry,
                                    const std::string& name, RegistryView view);

// Judges the software key `name`, open in `reg`, directly below the software area `area`, and
// the product keys below it: appends a category 6 finding of `kind` for each that belongs to a
// removed program. Windows' own keys are never judged.
// What still speaks for a program on the machine: the entries of Add/Remove Programs (both
// views, machine and user), read once, when a key first needs them. An entry that the same
// analysis reports as a removed program's (everything it names is gone) speaks for nothing: the
// fix removes it with the program's keys, and one fix is enough.
class ProgramTraces {
  public:
    explicit ProgramTraces(AnalysisRun& run) : run_(run) {}
    // Whether an entry whose key name, display name or publisher holds `name` (any letter
    // case) belongs to a program that is still there: one whose own files are gone is no
    // trace of it.
    bool UninstallEntryNames(std::string_view name);

  private:
    struct Entry {
        std::uint32_t root = 0;
        std::string key; // the entry's key below root
        RegistryView view = RegistryView::Native;
        std::vector<std::string> names; // upper-cased
        int removed = -1;               // judged once, when a name first matches: 0 or 1
    };
    AnalysisRun& run_;
    bool read_ = false;
    std::vector<Entry> entries_;
};

// A vendor's or product's key is kept when Add/Remove Programs names it (`traces`) or when its
// twin in another software area (the other view, the machine's or the user's) is no removed
// program's.
void ScanRemovedProgramKeys(AnalysisRun& run, RegistryAccess& reg, const ViewArea& area,
                            const std::string& name, std::int32_t kind, ProgramTraces& traces);

} // namespace mendrake
