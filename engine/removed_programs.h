// Entries that a program left behind when its files were deleted without its uninstaller: its
// Add/Remove Programs entry (category 9) and its own software keys (category 6).
#pragma once

#include "engine/registry_access.h"
#include "engine/registry_views.h"

#include <cstdint>
#include <string>

namespace mendrake {

// Uninstall entries of the machine (both views) and of the user whose program is gone.
void ScanUninstallEntries(AnalysisRun& run);

// Judges the software key `name`, open in `reg`, directly below the software area `area`, and
// the product keys below it: appends a category 6 finding of `kind` for each that belongs to a
// removed program. Windows' own keys are never judged.
void ScanRemovedProgramKeys(AnalysisRun& run, RegistryAccess& reg, const ViewArea& area,
                            const std::string& name, std::int32_t kind);

} // namespace mendrake
