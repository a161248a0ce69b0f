#include "ui/texts.h"

#include "settings/lang_unit.h"

#include <atomic>
#include <iterator>

namespace mendrake {

namespace {

// Read by the window's thread only; atomic so that a test's second window may ask as well.
std::atomic<std::int32_t> windowLanguage{0};

// The scanners' problem texts (the log's English) and the list's texts in the string table.
struct ProblemId {
    const char* problem;
    int id;
};
constexpr ProblemId kProblems[] = {
    {"Missing Shared DLL", IDS_PROBLEM_SHARED_DLL},
    {"Unused File Extension", IDS_PROBLEM_FILE_EXTENSION},
    {"COM Issue", IDS_PROBLEM_COM},
    {"Open with Issue", IDS_PROBLEM_OPEN_WITH},
    {"Application Path Issue", IDS_PROBLEM_APPLICATION_PATH},
    {"Obsolete Software Key", IDS_PROBLEM_SOFTWARE_KEY},
    {"Font Issue", IDS_PROBLEM_FONT},
    {"Help File Issue", IDS_PROBLEM_HELP_FILE},
    {"Installer Reference Issue", IDS_PROBLEM_INSTALLER},
    {"Uninstaller Reference Issue", IDS_PROBLEM_UNINSTALLER},
    {"Run Issue", IDS_PROBLEM_RUN},
    {"Type Library Issue", IDS_PROBLEM_TYPE_LIBRARY},
    {"Missing MUI Reference", IDS_PROBLEM_MUI},
    {"Shell Extension Issue", IDS_PROBLEM_SHELL_EXTENSION},
    {"Sound Event Issue", IDS_PROBLEM_SOUND_EVENT},
    {"Start Menu Issue", IDS_PROBLEM_START_MENU},
    {"Desktop Issue", IDS_PROBLEM_DESKTOP},
    {"Missing Icon", IDS_PROBLEM_MISSING_ICON},
    {"Interface Issue", IDS_PROBLEM_INTERFACE},
    {"Uninstall Entry of Removed Program", IDS_PROBLEM_REMOVED_UNINSTALL},
    {"Software Key of Removed Program", IDS_PROBLEM_REMOVED_SOFTWARE},
    // What a dependent finding hangs on, after its problem text.
    {"(class being removed)", IDS_BECAUSE_CLASS},
    {"(type library being removed)", IDS_BECAUSE_TYPE_LIBRARY},
    {"(program id being removed)", IDS_BECAUSE_PROGRAM_ID},
    {"(left empty by the fix)", IDS_BECAUSE_LEFT_EMPTY},
    {"(uninstall entry being removed)", IDS_BECAUSE_UNINSTALL_ENTRY},
};

} // namespace

std::int32_t WindowLanguage() {
    return windowLanguage.load();
}

void SetWindowLanguage(std::int32_t language) {
    windowLanguage = language;
}

std::string Text(int id, const std::vector<std::string>& values) {
    return FillIn(LangText(WindowLanguage(), id), values);
}

std::string WithoutAccessKey(const std::string& text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            shown.push_back(text[i]);
        } else if (i + 1 < text.size() && text[i + 1] == '&') {
            shown.push_back('&'); // "&&" shows one ampersand
            ++i;
        }
    }
    return shown;
}

std::string CategoryText(const TLevel& level) {
    return Text(IDS_CATEGORY + level.Id);
}

std::string ProblemText(const std::string& problem) {
    // Sorting and finding rows ask for every shown issue: the texts of the current language
    // are loaded once. Asked on the window's thread only.
    static std::int32_t cachedLanguage = -1;
    static std::vector<std::string> cached;
    if (cachedLanguage != WindowLanguage()) {
        cached.clear();
        for (const ProblemId& known : kProblems) {
            cached.push_back(Text(known.id));
        }
        cachedLanguage = WindowLanguage();
    }
    auto known = [&](std::string_view text) -> const std::string* {
        for (std::size_t i = 0; i < std::size(kProblems); ++i) {
            if (text == kProblems[i].problem) {
                return &cached[i];
            }
        }
        return nullptr;
    };
    if (const std::string* text = known(problem)) {
        return *text;
    }
    // "COM Issue (class being removed)": the problem and what it hangs on, each translated.
    const std::size_t open = problem.rfind(" (");
    if (open != std::string::npos && problem.back() == ')') {
        const std::string* base = known(std::string_view(problem).substr(0, open));
        const std::string* because = known(std::string_view(problem).substr(open + 1));
        if (base != nullptr && because != nullptr) {
            return *base + " " + *because;
        }
    }
    return problem;
}

namespace {

// The evidence's stable words and their texts, in the order of their identifiers.
constexpr const char* kTestedWords[] = {
    kTestedFile, kTestedFolder, kTestedPath,           kTestedProgram,    kTestedRegistration,
    kTestedKey,  kTestedTwin,   kTestedUninstallEntry, kTestedDependence,
};
constexpr const char* kAnswerWords[] = {
    kAnswerAbsent,           kAnswerNotRegistered, kAnswerEmpty,
    kAnswerNoValues,         kAnswerNoVerbs,       kAnswerBeingRemoved,
    kAnswerDescriptionsOnly, kAnswerNoLivePath,    kAnswerRemovedOrMissing,
    kAnswerNotListed,
};

template <std::size_t N>
std::string WordText(const char* const (&words)[N], int first, const std::string& word) {
    for (std::size_t i = 0; i < N; ++i) {
        if (word == words[i]) {
            return Text(first + static_cast<int>(i));
        }
    }
    return word;
}

} // namespace

std::string EvidenceText(const TItem& issue) {
    std::string text = Text(CertaintyOf(issue) == Certainty::Direct ? IDS_CERTAINTY_DIRECT
                                                                    : IDS_CERTAINTY_INFERRED);
    for (const TEvidence& tested : issue.Evidence) {
        const std::string what = WordText(kTestedWords, IDS_TESTED_FIRST, tested.Tested);
        const std::string answer = WordText(kAnswerWords, IDS_ANSWER_FIRST, tested.Answer);
        text += "\r\n";
        text += tested.Expanded.empty()
                    ? Text(IDS_EVIDENCE_LINE, {what, tested.Text, answer})
                    : Text(IDS_EVIDENCE_EXPANDED, {what, tested.Text, tested.Expanded, answer});
    }
    return text;
}

} // namespace mendrake
