// The issue record, the global issue list and the category table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mendrake {

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

// True when the Levels row with Id `child` has ParentId `parent` (one level only).
bool is_child(std::int32_t parent, std::int32_t child);

// Whether the tree node of `level` lists `issue`: the root lists everything, a group its own
// and its direct children's issues, a leaf its own.
bool CategoryShows(const TLevel& level, const TItem& issue);

// The eleven-line block of the scan log for one issue (CR LF line ends, last line empty).
std::string IssueBlock(const TItem& issue);

} // namespace mendrake
