// The issue record, the global issue list and the category table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mendrake {

// One thing a check tested for a finding, recorded by the check as it tested it: what was
// tested, the text as written (and as expanded, where it held environment references), and what
// the machine answered. `Tested` and `Answer` are stable words (kTested*, kAnswer*) that the
// report writes as they are and the window turns into the user's language.
struct TEvidence {
    std::string Tested;
    std::string Text;
    std::string Expanded; // empty when the text had nothing to expand
    std::string Answer;
};

inline constexpr const char* kTestedFile = "file";
inline constexpr const char* kTestedFolder = "folder";
inline constexpr const char* kTestedPath = "path"; // a file or a folder
inline constexpr const char* kTestedProgram = "program";
inline constexpr const char* kTestedRegistration = "registration";
inline constexpr const char* kTestedKey = "key";
inline constexpr const char* kTestedTwin = "twin";
inline constexpr const char* kTestedUninstallEntry = "uninstall entry";
inline constexpr const char* kTestedDependence = "depends on";

inline constexpr const char* kAnswerAbsent = "absent";
inline constexpr const char* kAnswerNotRegistered = "not registered anywhere";
inline constexpr const char* kAnswerEmpty = "holds nothing";
inline constexpr const char* kAnswerNoValues = "holds no values";
inline constexpr const char* kAnswerNoVerbs = "holds no verbs";
inline constexpr const char* kAnswerBeingRemoved = "reported for deletion";
inline constexpr const char* kAnswerDescriptionsOnly = "holds nothing but descriptions";
inline constexpr const char* kAnswerNoLivePath = "names nothing that exists";
inline constexpr const char* kAnswerRemovedOrMissing = "missing or removed too";
inline constexpr const char* kAnswerNotListed = "not listed";

// How sure the rule of a kind of finding is: `Direct` when the entry names a file, folder or
// registration that was tested and is gone; `Inferred` when the finding follows from other
// findings (a reference to a key being removed, a key the fix leaves empty) or from a judgement
// over several values (the keys and entries of programs judged removed).
enum class Certainty { Direct, Inferred };

// One finding of a scanner. Field order and meaning are fixed: the log prints them in this
// order and the fix relies on RootKey/Key/Value/DeleteKey.
struct TItem {
    std::int32_t Selected = 1; // non-zero = ticked; doubles as the row's state image (0 or 1)
    std::int32_t Category = 0; // Id of the category whose scanner found it
    std::int32_t Kind = 0;     // which check of that scanner
    std::string Problem;       // short fixed problem text
    std::string Data;          // the offending thing
    std::string KeyText;       // where, for people ("HKLM\...", or a folder)
    std::uint32_t RootKey = 0; // registry root handle value
    std::string Key;           // key path below RootKey, starting with "\" (or a folder)
    std::string Value;         // value name to delete (or the file name in Key)
    std::string ValueData;     // the data as read, for the log
    bool DeleteKey = false;    // true: the whole key goes
    // A dependent finding: the locations (as KeyText writes them) of the keys whose deletion
    // makes this entry dangle or empty. The fix deletes it only when each of them is deleted by
    // the same fix (engine/dependent_findings.h). Empty for every other finding.
    std::vector<std::string> DependsOn;
    // What the check tested to make the finding, in the order it tested it.
    std::vector<TEvidence> Evidence;
};

// The issue list of the last analysis. A run appends to it (engine/analysis_run.h); the analysis
// empties it.
extern std::vector<TItem> Issues;

// One category of the tree.
struct TLevel {
    std::int32_t Id;
    std::int32_t ParentId; // 0 = below the root; -1 only for RootLevel
    const char* Name;
    std::int32_t HasScanner; // 1 = a leaf with a scanner of its own, 0 = a group
    std::int32_t ImageIndex;
};

inline constexpr int kLevelCount = 16;
extern const TLevel Levels[kLevelCount];
extern const TLevel RootLevel;

// Category identifiers of the file issues: their Key is a folder and Value a file name.
inline constexpr std::int32_t kStartMenuCategory = 13;
inline constexpr std::int32_t kDesktopCategory = 14;
inline bool IsFileCategory(std::int32_t category) {
    return category == kStartMenuCategory || category == kDesktopCategory;
}

// Every kind of finding by its problem text, with how sure its rule is and whether it is ticked
// when found: inferred kinds that the categories' first rules did not have start unticked, so
// that the user decides on them.
struct TProblemKind {
    const char* Problem;
    mendrake::Certainty Sureness;
    bool TickedWhenFound;
};
extern const TProblemKind ProblemKinds[];
extern const std::size_t kProblemKindCount;
// The kind of `issue` by its problem text; nullptr for a text no scanner makes.
const TProblemKind* ProblemKindOf(const TItem& issue);
// Certainty::Direct for a text no scanner makes.
Certainty CertaintyOf(const TItem& issue);
// "direct" or "inferred", as the report writes it.
const char* CertaintyName(Certainty certainty);

// True when the Levels row with Id `child` has ParentId `parent` (one level only).
bool is_child(std::int32_t parent, std::int32_t child);

// Whether the tree node of `level` lists `issue`: the root lists everything, a group its own
// and its direct children's issues, a leaf its own.
bool CategoryShows(const TLevel& level, const TItem& issue);
bool CategoryShows(const TLevel& level, std::int32_t category);

// The eleven-line block of the scan log for one issue (CR LF line ends, last line empty).
std::string IssueBlock(const TItem& issue);

} // namespace mendrake
