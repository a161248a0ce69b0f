// The icon of a classes key: its "DefaultIcon" subkey.
#pragma once

#include "engine/analysis_run.h"
#include "engine/classes_root.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"

#include <cstdint>

namespace mendrake {

// Reports `owner`'s "DefaultIcon" key (category, kind, "Missing Icon") when its default value
// names an icon file that is gone, as a program of `view` sees it; the fix deletes that key.
// `area` (when given) is the machine's list the owner was read from, for ViewArea::Holds.
// Returns whether it reported.
bool CheckDefaultIcon(AnalysisRun& run, RegistryAccess& reg, const ClassesKey& owner,
                      RegistryView view, std::int32_t category, std::int32_t kind,
                      const ViewArea* area = nullptr);

// The same for the "DefaultIcon" key `icon`, open in `reg` already.
bool CheckOpenDefaultIcon(AnalysisRun& run, RegistryAccess& reg, const ClassesKey& icon,
                          RegistryView view, std::int32_t category, std::int32_t kind,
                          const ViewArea* area = nullptr);

} // namespace mendrake
