#include "engine/algorithm_unit.h"

#include "engine/dependent_findings.h"

#include <array>

namespace mendrake {

namespace {

// Scanner of each category identifier from 3 to 16.
using Scanner = void (*)(AnalysisRun&);
constexpr std::int32_t kFirstScanned = 3;
const std::array<Scanner, 14> kScanners = {
    ScanSharedDlls,      // 3
    ScanFileExtensions,  // 4
    ScanClasses,         // 5
    ScanApplications,    // 6
    ScanFonts,           // 7
    ScanHelpFiles,       // 8
    ScanInstall,         // 9
    ScanRun,             // 10
    ScanTypeLibraries,   // 11
    ScanMuiCache,        // 12
    ScanStartMenu,       // 13
    ScanDesktop,         // 14
    ScanShellExtensions, // 15
    ScanSoundEvents,     // 16
};

} // namespace

void RunScanner(std::int32_t category, AnalysisRun& run) {
    const std::int32_t slot = category - kFirstScanned;
    if (slot < 0 || slot >= static_cast<std::int32_t>(kScanners.size())) {
        return;
    }
    Scanner scanner = kScanners[static_cast<std::size_t>(slot)];
    if (scanner != nullptr) {
        scanner(run);
        // What this category reported may be what another category's references lead to.
        AppendDependentFindings(run);
    }
}

} // namespace mendrake
