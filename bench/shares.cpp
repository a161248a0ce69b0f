#include "bench/shares.h"

#include "engine/issue_model.h"

#include <cstdio>

namespace mendrake::bench {

std::string ShareOf(std::int32_t category) {
    switch (category) {
    case 4:  // empty extension keys
    case 5:  // class servers and references
    case 6:  // verbs, App Paths, software keys
    case 15: // shell extension handlers
        return "Classes root (4, 5, 6, 15)";
    default:
        break;
    }
    for (const TLevel& level : Levels) {
        if (level.Id == category) {
            return level.Name;
        }
    }
    return "Other";
}

test::CallCounts CallsBetween(const test::CallCounts& before, const test::CallCounts& after) {
    test::CallCounts d;
    d.openKey = after.openKey - before.openKey;
    d.closeKey = after.closeKey - before.closeKey;
    d.queryInfoKey = after.queryInfoKey - before.queryInfoKey;
    d.enumKey = after.enumKey - before.enumKey;
    d.enumValue = after.enumValue - before.enumValue;
    d.queryValue = after.queryValue - before.queryValue;
    d.deleteKey = after.deleteKey - before.deleteKey;
    d.deleteValue = after.deleteValue - before.deleteValue;
    d.keyIdentity = after.keyIdentity - before.keyIdentity;
    d.findFirst = after.findFirst - before.findFirst;
    d.fileAttributes = after.fileAttributes - before.fileAttributes;
    d.listFolder = after.listFolder - before.listFolder;
    d.shortcutTarget = after.shortcutTarget - before.shortcutTarget;
    d.volumeReachable = after.volumeReachable - before.volumeReachable;
    return d;
}

void AddToShare(std::vector<Share>& shares, const std::string& name, double ms,
                const test::CallCounts& calls) {
    Share* share = nullptr;
    for (Share& s : shares) {
        if (s.name == name) {
            share = &s;
        }
    }
    if (share == nullptr) {
        shares.push_back({name, 0, {}});
        share = &shares.back();
    }
    share->ms += ms;
    test::CallCounts& c = share->calls;
    c.openKey += calls.openKey;
    c.closeKey += calls.closeKey;
    c.queryInfoKey += calls.queryInfoKey;
    c.enumKey += calls.enumKey;
    c.enumValue += calls.enumValue;
    c.queryValue += calls.queryValue;
    c.deleteKey += calls.deleteKey;
    c.deleteValue += calls.deleteValue;
    c.keyIdentity += calls.keyIdentity;
    c.findFirst += calls.findFirst;
    c.fileAttributes += calls.fileAttributes;
    c.listFolder += calls.listFolder;
    c.shortcutTarget += calls.shortcutTarget;
    c.volumeReachable += calls.volumeReachable;
}

void PrintShares(const SplitRun& scan, const SplitRun& floor) {
    auto n = [](std::uint64_t count) { return static_cast<unsigned long long>(count); };
    std::printf("per category (last repetition): scan ms, registry calls (key enums, key names),"
                " file calls | floor the same\n");
    for (const Share& s : scan.shares) {
        const Share* f = nullptr;
        for (const Share& candidate : floor.shares) {
            if (candidate.name == s.name) {
                f = &candidate;
            }
        }
        const Share none{s.name, 0, {}};
        const Share& fl = f != nullptr ? *f : none;
        std::printf("  %-28s %8.1f %7llu (%6llu, %4llu) %6llu | %8.1f %7llu (%6llu, %4llu) %6llu"
                    "  x%.2f\n",
                    s.name.c_str(), s.ms, n(s.calls.Registry()), n(s.calls.enumKey),
                    n(s.calls.keyIdentity), n(s.calls.Files()), fl.ms, n(fl.calls.Registry()),
                    n(fl.calls.enumKey), n(fl.calls.keyIdentity), n(fl.calls.Files()),
                    fl.ms > 0 ? s.ms / fl.ms : 0.0);
    }
}

} // namespace mendrake::bench
