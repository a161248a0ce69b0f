// Software keys of removed programs (category 6, kinds 2 and 3): a vendor key directly below
// "Software", or a product key below a vendor, whose install-folder values all name folders
// that are gone. A key without such values of its own may name its folder one level down: the
// default value of an "InstallPath" subkey, install values in a version subkey ("3.9"), or a
// "Location" that is its only value beside "Version".
//
// Conservative by design: a key is reported only when it has install-folder values, each of
// them a plain path on a volume that answers with nothing there, and neither the key nor any
// key below it names a file or folder that exists (or one that cannot be judged: a drive that
// does not answer). Anything else, an install value of another kind, a list of folders, a
// subtree too large to read or a listing cut short, keeps the key. Windows' own keys are never
// judged, nor anything below them.
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/removed_programs.h"
#include "engine/scanner_paths.h"
#include "engine/well_known_keys.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace mendrake {

namespace {

constexpr std::string_view kProblem = "Software Key of Removed Program";
const std::string kUninstallKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Value names under which programs keep the folder they were installed in (upper case).
// A generic name such as "Path" is no evidence: programs keep any folder under it (a data
// folder, a last-used one).
constexpr std::array<std::string_view, 15> kInstallFolderNames = {
    "INSTALLDIR",      "INSTALL_DIR",      "INSTALLDIRECTORY",   "INSTALLLOCATION",
    "INSTALLPATH",     "INSTALL_PATH",     "INSTALLFOLDER",      "INSTALLROOT",
    "INSTALLATIONDIR", "INSTALLATIONPATH", "INSTALLATIONFOLDER", "APPPATH",
    "APPLICATIONPATH", "PROGRAMDIR",       "PROGRAMPATH"};

// Keys below a candidate that are read before it counts as doubtful: a removed program's
// settings are small, and a large tree is not worth the guess.
constexpr int kSubtreeKeyBudget = 256;
constexpr int kSubtreeDepth = 12;

template <std::size_t N>
bool Listed(const std::array<std::string_view, N>& list, std::string_view name) {
    const std::string upper = UpperCase(name);
    return std::find(list.begin(), list.end(), upper) != list.end();
}

std::string Unquoted(std::string_view text) {
    std::string trimmed = Trim(text);
    if (trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"') {
        return Trim(std::string_view(trimmed).substr(1, trimmed.size() - 2));
    }
    return trimmed;
}

// Whether a subkey's name reads as a version: "3.9", "3.9-32", "2024", "v2".
bool LooksLikeVersion(std::string_view name) {
    const std::size_t digit = !name.empty() && (name.front() == 'v' || name.front() == 'V') ? 1 : 0;
    return name.size() > digit && std::isdigit(static_cast<unsigned char>(name[digit])) != 0;
}

// Adds the folder that `text` names to `gone` when it is gone; false when it keeps the key
// (present, not judged, a reference to a variable that is not set, not a single plain path).
bool FolderGone(AnalysisRun& run, std::string_view text, RegistryView view,
                std::vector<std::string>& gone) {
    const std::string folder = Unquoted(text);
    const std::optional<std::string> expanded = ExpandedReferences(folder, view);
    if (!expanded || folder.find(';') != std::string::npos ||
        PathStateOf(run, *expanded, view) != PathState::Gone) {
        return false;
    }
    gone.push_back(folder);
    return true;
}

// The install-folder values of the key open in `reg`: those of an install-folder name, and a
// "Location" that is the key's only value beside "Version" (a generic name is evidence only
// there, where the key records nothing but the installed copy). Each one found sets `any`
// and must name a folder that is gone; false when one keeps the key or the listing fell short.
bool OwnFoldersGone(AnalysisRun& run, RegistryAccess& reg, RegistryView view,
                    std::vector<std::string>& gone, bool& any) {
    const std::vector<std::string> names = reg.ValueNames();
    if (!reg.ListingComplete()) {
        return false;
    }
    auto named = [&](std::string_view wanted) {
        return std::any_of(names.begin(), names.end(),
                           [&](const std::string& name) { return UpperCase(name) == wanted; });
    };
    const bool locationBesideVersion = names.size() == 2 && named("LOCATION") && named("VERSION");
    for (const std::string& name : names) {
        if (!Listed(kInstallFolderNames, name) &&
            !(locationBesideVersion && UpperCase(name) == "LOCATION")) {
            continue;
        }
        any = true;
        if (!IsTextKind(reg.ValueKindOf(name)) ||
            !FolderGone(run, reg.ReadText(name), view, gone)) {
            return false;
        }
    }
    return true;
}

// Install folders a key names one level down: the default value of a subkey named as an
// install value ("3.9\InstallPath" with @=folder, as Python registers itself), and below a
// version subkey its own install values and such subkeys. `subkeys` is the key's complete
// listing when the caller has it already. False when one keeps the key.
bool LowerFoldersGone(AnalysisRun& run, RegistryAccess& reg, RegistryView view,
                      std::vector<std::string>& gone, bool& any, bool versions,
                      const std::vector<std::string>* subkeys) {
    std::vector<std::string> listed;
    if (subkeys == nullptr) {
        listed = reg.SubkeyNames();
        if (!reg.ListingComplete()) {
            return false;
        }
        subkeys = &listed;
    }
    RegistryAccess below(run);
    for (const std::string& name : *subkeys) {
        const bool folderKey = Listed(kInstallFolderNames, name);
        if (!folderKey && !(versions && LooksLikeVersion(name))) {
            continue;
        }
        if (!below.OpenBelow(reg, name)) {
            return false;
        }
        if (!folderKey) {
            if (!OwnFoldersGone(run, below, view, gone, any) ||
                !LowerFoldersGone(run, below, view, gone, any, false, nullptr)) {
                return false;
            }
            continue;
        }
        if (!below.HasValue("")) {
            continue; // an install key without a default value names no folder
        }
        any = true;
        if (!IsTextKind(below.ValueKindOf("")) ||
            !FolderGone(run, below.ReadText(""), view, gone)) {
            return false;
        }
    }
    return true;
}

// A key directly below a software area, or a product key below a vendor.
enum class KeyLevel { Vendor, Product };

// The install folders of the key open in `reg`. `gone` gets the folders (unquoted) when every
// one the key names is gone: its own install values, or when it has none, those one level down
// (LowerFoldersGone). A vendor's version subkeys are judged as its products, each on its own,
// so that a vendor goes as one only when all of them go. The result is false when the key names
// none or any of them keeps it.
bool InstallFoldersGone(AnalysisRun& run, RegistryAccess& reg, RegistryView view, KeyLevel level,
                        std::vector<std::string>& gone, const std::vector<std::string>* subkeys) {
    bool any = false;
    if (!OwnFoldersGone(run, reg, view, gone, any)) {
        return false;
    }
    // Folders of its own: whatever lies below is judged by the walk of the whole key.
    if (any) {
        return true;
    }
    return LowerFoldersGone(run, reg, view, gone, any, level == KeyLevel::Product, subkeys) && any;
}

// Whether a value's text names something that exists, or something that cannot be judged: the
// text as a path, as a command, as an icon location, and each part of a list.
bool NamesLivePath(AnalysisRun& run, std::string_view written, RegistryView view) {
    // A reference to a variable that is not set names what cannot be tested.
    const std::optional<std::string> expanded = ExpandedReferences(written, view);
    if (!expanded) {
        return true;
    }
    const std::string_view text = *expanded;
    std::vector<std::string> candidates = {Unquoted(text), ExtractCommandPath(text),
                                           IconFilePath(text)};
    if (text.find(';') != std::string_view::npos) {
        for (std::size_t start = 0; start <= text.size();) {
            const std::size_t end = std::min(text.find(';', start), text.size());
            candidates.push_back(Unquoted(text.substr(start, end - start)));
            start = end + 1;
        }
    }
    return std::any_of(candidates.begin(), candidates.end(), [&](const std::string& path) {
        const PathState state = PathStateOf(run, path, view);
        return state == PathState::Present || state == PathState::Unreachable;
    });
}

// The strings of a REG_MULTI_SZ value's data, empty ones left out.
std::vector<std::string> ListedStrings(std::string_view data) {
    std::vector<std::string> strings;
    for (std::size_t start = 0; start < data.size();) {
        const std::size_t end = std::min(data.find('\0', start), data.size());
        if (end > start) {
            strings.emplace_back(data.substr(start, end - start));
        }
        start = end + 1;
    }
    return strings;
}

// Whether the key at `path` or any key below it names a path that exists or can't be judged,
// or is too large or unreadable to tell.
bool SubtreeHoldsLivePath(AnalysisRun& run, std::uint32_t root, const std::string& path,
                          RegistryView view, int depth, int& budget) {
    if (depth > kSubtreeDepth || --budget < 0) {
        return true;
    }
    RegistryAccess reg(run);
    reg.SetRoot(root);
    if (!reg.Open(path)) {
        return true;
    }
    for (const std::string& name : reg.ValueNames()) {
        const std::optional<platform::RegValue> value = reg.RawValue(name);
        if (!value) {
            continue;
        }
        const bool list = value->type == platform::kRegMultiSz;
        if (value->type != platform::kRegSz && value->type != platform::kRegExpandSz && !list) {
            continue;
        }
        // A text this program cannot read as it is stored (characters outside the code page)
        // may name a live path.
        if (value->lossy) {
            return true;
        }
        // Each string of a list names what a single text would.
        const std::vector<std::string> texts =
            list ? ListedStrings(value->data) : std::vector<std::string>{reg.ReadText(name)};
        for (const std::string& text : texts) {
            if (NamesLivePath(run, text, view)) {
                return true;
            }
        }
    }
    if (!reg.ListingComplete()) {
        return true;
    }
    const std::vector<std::string> subkeys = reg.SubkeyNames();
    if (!reg.ListingComplete()) {
        return true;
    }
    return std::any_of(subkeys.begin(), subkeys.end(), [&](const std::string& subkey) {
        return SubtreeHoldsLivePath(run, root, path + "\\" + subkey, view, depth + 1, budget);
    });
}

// A key whose install folders are all gone and that names nothing that lives: the folders.
// `level` and `subkeys` as for InstallFoldersGone.
std::vector<std::string> RemovedProgramFolders(AnalysisRun& run, RegistryAccess& reg,
                                               std::uint32_t root, const std::string& path,
                                               RegistryView view, KeyLevel level,
                                               const std::vector<std::string>* subkeys = nullptr) {
    std::vector<std::string> gone;
    int budget = kSubtreeKeyBudget;
    if (!InstallFoldersGone(run, reg, view, level, gone, subkeys) ||
        SubtreeHoldsLivePath(run, root, path, view, 0, budget)) {
        return {};
    }
    return gone;
}

// Whether the key at `subkey` (a vendor, or "vendor\product") below the software area `area` has a
// twin below another software area (the other view, the machine's or the user's) that is not
// itself a removed program's: the program is still registered there. Each twin looked at is
// noted in `evidence`.
bool HasLiveTwin(AnalysisRun& run, const ViewArea& area, const std::string& subkey,
                 std::vector<TEvidence>& evidence) {
    std::vector<ViewArea> areas = BothViews(kHklm, "\\Software");
    areas.push_back(UserArea(run.User(), "\\Software"));
    RegistryAccess twin(run);
    for (const ViewArea& other : areas) {
        if (other.root == area.root && UpperCase(other.key) == UpperCase(area.key)) {
            continue;
        }
        const std::string path = other.Subkey(subkey);
        twin.SetRoot(other.root);
        if (twin.Open(path) &&
            RemovedProgramFolders(run, twin, other.root, path, other.view,
                                  subkey.find('\\') == std::string::npos ? KeyLevel::Vendor
                                                                         : KeyLevel::Product)
                .empty()) {
            return true;
        }
        evidence.push_back(Tested(kTestedTwin, other.SubkeyText(subkey), kAnswerRemovedOrMissing));
    }
    return false;
}

// A removed program's key with what was judged: its install folders, its values and those of
// the keys below it, and what else could still speak for the program.
struct Judged {
    std::vector<std::string> folders; // gone
    std::vector<TEvidence> traces;    // twins and uninstall entries looked at
};

bool Report(AnalysisRun& run, const ViewArea& area, const std::string& subkey,
            const std::vector<const Judged*>& judged, std::int32_t kind) {
    std::vector<TEvidence> evidence;
    for (const Judged* one : judged) {
        for (const std::string& folder : one->folders) {
            evidence.push_back(Tested(kTestedFolder, folder, kAnswerAbsent));
        }
    }
    evidence.push_back(Tested(kTestedKey, area.SubkeyText(subkey), kAnswerNoLivePath));
    for (const Judged* one : judged) {
        evidence.insert(evidence.end(), one->traces.begin(), one->traces.end());
    }
    const std::string& folder = judged.front()->folders.front();
    const std::size_t before = run.Found();
    AppendIssue(run, 6, kind, std::string(kProblem), folder, area.SubkeyText(subkey), area.root,
                area.Subkey(subkey), "", folder, true, {}, std::move(evidence));
    return run.Found() != before;
}

} // namespace

bool ProgramTraces::UninstallEntryNames(std::string_view name) {
    RegistryAccess entry(run_);
    if (!read_) {
        read_ = true;
        std::vector<ViewArea> areas = BothViews(kHklm, kUninstallKey);
        areas.push_back(UserArea(run_.User(), kUninstallKey));
        RegistryAccess list(run_);
        for (const ViewArea& area : areas) {
            list.SetRoot(area.root);
            if (!list.Open(area.key)) {
                continue;
            }
            for (const std::string& key : list.SubkeyNames()) {
                Entry& listed = entries_.emplace_back();
                listed.root = area.root;
                listed.key = area.Subkey(key);
                listed.view = area.view;
                listed.names.push_back(UpperCase(key));
                if (entry.OpenBelow(list, key)) {
                    for (const char* value : {"DisplayName", "Publisher"}) {
                        if (std::string text = Trim(TextIfString(entry, value)); !text.empty()) {
                            listed.names.push_back(UpperCase(text));
                        }
                    }
                }
            }
        }
    }
    const std::string upper = UpperCase(Trim(name));
    if (upper.empty()) {
        return false;
    }
    RegistryAccess reg(run_);
    for (Entry& entry : entries_) {
        if (std::none_of(entry.names.begin(), entry.names.end(), [&](const std::string& text) {
                return text.find(upper) != std::string::npos;
            })) {
            continue;
        }
        // Judged only once it names a candidate: most entries never do.
        if (entry.removed < 0) {
            reg.SetRoot(entry.root);
            const std::string keyName = entry.key.substr(entry.key.rfind('\\') + 1);
            entry.removed = reg.Open(entry.key) &&
                                    UninstallEntryOfRemovedProgram(run_, reg, keyName, entry.view)
                                ? 1
                                : 0;
        }
        if (entry.removed == 0) {
            return true;
        }
    }
    return false;
}

void ScanRemovedProgramKeys(AnalysisRun& run, RegistryAccess& reg, const ViewArea& area,
                            const std::string& name, std::int32_t kind, ProgramTraces& traces) {
    if (IsWindowsSoftwareKey(name)) {
        return;
    }
    // A program that is registered elsewhere, or that Add/Remove Programs still lists, is not
    // removed, whatever its folders say.
    auto stillThere = [&](const std::string& subkey, const std::string& program, Judged& judged) {
        if (traces.UninstallEntryNames(program)) {
            return true;
        }
        judged.traces.push_back(Tested(kTestedUninstallEntry, program, kAnswerNotListed));
        return HasLiveTwin(run, area, subkey, judged.traces);
    };
    const std::string vendorKey = area.Subkey(name);
    // Asked only once a finding stands: for the 32-bit area it costs a call.
    auto holds = [&] { return reg.Open(vendorKey) && area.Holds(reg); };
    // The products are listed first: the vendor's own judgement looks at them too.
    const std::vector<std::string> products = reg.SubkeyNames();
    const bool allListed = reg.ListingComplete();
    Judged vendor{RemovedProgramFolders(run, reg, area.root, vendorKey, area.view, KeyLevel::Vendor,
                                        allListed ? &products : nullptr),
                  {}};
    if (!vendor.folders.empty()) {
        if (!stillThere(name, name, vendor) && holds()) {
            Report(run, area, name, {&vendor}, kind);
        }
        return;
    }
    const std::uint32_t vendorValues = reg.ValueCount();
    std::vector<std::pair<std::string, Judged>> removed; // product, what was judged
    for (const std::string& product : products) {
        const std::string productKey = vendorKey + "\\" + product;
        if (!reg.Open(productKey)) {
            continue;
        }
        Judged judged{
            RemovedProgramFolders(run, reg, area.root, productKey, area.view, KeyLevel::Product),
            {}};
        if (!judged.folders.empty() && !stillThere(name + "\\" + product, product, judged)) {
            removed.emplace_back(product, std::move(judged));
        }
    }
    if (removed.empty() || !holds()) {
        return;
    }
    // A vendor key that holds nothing but removed products would be left empty by their fix
    // and reported by the next analysis: it goes as one, with them, unless the vendor's name
    // is still listed or the whole key may not go (an exclusion below it).
    if (vendorValues == 0 && allListed && removed.size() == products.size() &&
        !stillThere(name, name, vendor)) {
        std::vector<const Judged*> all = {&vendor};
        for (const auto& [product, judged] : removed) {
            all.push_back(&judged);
        }
        // The vendor's own traces come last, after each product's.
        std::rotate(all.begin(), all.begin() + 1, all.end());
        if (Report(run, area, name, all, kind)) {
            return;
        }
    }
    for (const auto& [product, judged] : removed) {
        Report(run, area, name + "\\" + product, {&judged}, kind);
    }
}

} // namespace mendrake
