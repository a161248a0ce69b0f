// What the window knows of the analysis under way, made when Analyse is clicked and dropped
// when the run ends: the engine's run (what it remembers of the machine, the exclusion list, the
// stop flag and the findings of the category being scanned), where in the tree the run stands,
// and whether the user asked it to stop.
#pragma once

#include "engine/analysis_run.h"
#include "engine/issue_model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mendrake {

struct WindowRun {
    explicit WindowRun(const std::vector<std::string>& exclusions) : scan(found, exclusions) {}
    WindowRun(const WindowRun&) = delete;
    WindowRun& operator=(const WindowRun&) = delete;

    // The findings of the category being scanned: written by the worker, taken into Issues by
    // the window once the category's job has ended.
    std::vector<TItem> found;
    AnalysisRun scan;
    int node = 0; // flat tree index of the category being scanned, then the next to look at
    const TLevel* category = nullptr; // the category being scanned, then the last one scanned
    bool nothingRan = true;
    bool stopAsked = false;
};

} // namespace mendrake
