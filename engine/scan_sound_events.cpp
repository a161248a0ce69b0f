// Sound events whose sound file is gone (category 16).
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/scanner_paths.h"

namespace mendrake {

void ScanSoundEvents(AnalysisRun& run) {
    // Application, event, then scheme (".Current", ".Default", ".None" or a named scheme); the
    // scheme key's default value is the sound file.
    const UserScope& user = run.User();
    const std::string apps = user.Key("\\AppEvents\\Schemes\\Apps");
    RegistryAccess reg(run);
    reg.SetRoot(user.root);
    if (!reg.Open(apps)) {
        return;
    }
    for (const std::string& app : reg.SubkeyNames()) {
        const std::string appKey = apps + "\\" + app;
        if (!reg.Open(appKey)) {
            continue;
        }
        for (const std::string& event : reg.SubkeyNames()) {
            const std::string eventKey = appKey + "\\" + event;
            if (!reg.Open(eventKey)) {
                continue;
            }
            for (const std::string& scheme : reg.SubkeyNames()) {
                const std::string schemeKey = eventKey + "\\" + scheme;
                if (!reg.Open(schemeKey)) {
                    continue;
                }
                // Environment references have no drive part and are never expanded or tested.
                const std::string sound = TextIfString(reg, "");
                if (FileMissingWithDrive(run, sound)) {
                    // The fix deletes the default value only: the scheme key stays in place.
                    AppendIssue(run, 16, 0, "Sound Event Issue", sound,
                                RootAbbreviation(user.root) + schemeKey, user.root, schemeKey, "",
                                sound, false, {}, {Tested(kTestedFile, sound, kAnswerAbsent)});
                }
            }
        }
    }
}

} // namespace mendrake
