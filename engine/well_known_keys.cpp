#include "engine/well_known_keys.h"

#include <algorithm>
#include <string>
#include <vector>

namespace mendrake {

namespace {

// Keys directly below "Software" that Windows itself keeps (upper case). "AppDataLow" is the
// low-integrity programs' key of every user profile; Wine names its own "Wine".
constexpr std::string_view kWindowsSoftwareKeys[] = {"APPDATALOW",
                                                     "CLASSES",
                                                     "CLIENTS",
                                                     "DEFAULTUSERENVIRONMENT",
                                                     "MICROSOFT",
                                                     "ODBC",
                                                     "OEM",
                                                     "OPENSSH",
                                                     "PARTNER",
                                                     "POLICIES",
                                                     "REGISTEREDAPPLICATIONS",
                                                     "REGISTERED APPLICATIONS",
                                                     "SETUP",
                                                     "WINDOWS",
                                                     "WINE",
                                                     "WOW6432NODE",
                                                     "WOWAA32NODE"};

// The lists of a classes root that hold every program's registrations of one kind.
constexpr std::string_view kClassesLists[] = {"CLSID",
                                              "INTERFACE",
                                              "TYPELIB",
                                              "APPID",
                                              "APPLICATIONS",
                                              "SYSTEMFILEASSOCIATIONS",
                                              "COMPONENT CATEGORIES",
                                              "MIME",
                                              "MEDIA TYPE",
                                              "PROTOCOLS",
                                              "FILETYPE",
                                              "INSTALLER",
                                              "RECORD",
                                              "LICENSES",
                                              "LOCAL SETTINGS",
                                              "DIRECTSHOW",
                                              "ACTIVATABLECLASSES",
                                              "EXTENSIONS"};

// The shell's own objects: their verbs and handlers are every program's.
constexpr std::string_view kShellObjects[] = {
    "*",       "DIRECTORY", "FOLDER",   "DRIVE",        "ALLFILESYSTEMOBJECTS", "DESKTOPBACKGROUND",
    "UNKNOWN", "NETWORK",   "PRINTERS", "LIBRARYFOLDER"};

// Keys of a shell object that list the verbs and handlers programs add.
constexpr std::string_view kShellLists[] = {"SHELL",
                                            "SHELLEX",
                                            "BACKGROUND",
                                            "CONTEXTMENUHANDLERS",
                                            "PROPERTYSHEETHANDLERS",
                                            "DRAGDROPHANDLERS",
                                            "COPYHOOKHANDLERS",
                                            "COLUMNHANDLERS"};

template <std::size_t N> bool Listed(const std::string_view (&list)[N], std::string_view upper) {
    return std::find(std::begin(list), std::end(list), upper) != std::end(list);
}

// Letter case of ASCII only: the names above are ASCII, and a lead byte of a double-byte
// character never matches them.
std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    }
    return upper;
}

// The names of `path` between backslashes (empty names dropped). Only the ASCII names above
// are compared, so a 0x5C second byte that splits a double-byte name never forms one of them.
std::vector<std::string> Parts(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) {
            parts.push_back(AsciiUpper(path.substr(start, end - start)));
        }
        start = end + 1;
    }
    return parts;
}

bool StartsWith(const std::vector<std::string>& parts,
                std::initializer_list<std::string_view> head) {
    if (parts.size() < head.size()) {
        return false;
    }
    return std::equal(head.begin(), head.end(), parts.begin());
}

// Whether `parts`, a path below a classes root, names one of its containers.
bool IsClassesContainer(std::vector<std::string> parts) {
    if (!parts.empty() && parts.front() == "WOW6432NODE") {
        parts.erase(parts.begin());
    }
    if (parts.empty()) {
        return true; // the classes root itself, or its 32-bit view
    }
    std::size_t listsFrom = 1;
    if (parts.front() == "SYSTEMFILEASSOCIATIONS") {
        listsFrom = 2; // each type below it is the shell's, like the shell's objects
    } else if (Listed(kClassesLists, parts.front())) {
        return parts.size() == 1;
    } else if (!Listed(kShellObjects, parts.front())) {
        return false;
    }
    return std::all_of(
        parts.begin() + static_cast<std::ptrdiff_t>(std::min(listsFrom, parts.size())), parts.end(),
        [](const std::string& part) { return Listed(kShellLists, part); });
}

} // namespace

bool IsWindowsSoftwareKey(std::string_view name) {
    return Listed(kWindowsSoftwareKeys, AsciiUpper(name));
}

bool IsWellKnownContainer(std::string_view location) {
    std::vector<std::string> parts = Parts(location);
    if (parts.size() <= 1) {
        return true; // a root
    }
    const std::string root = parts.front();
    parts.erase(parts.begin());
    if (root == "HKCR") {
        return IsClassesContainer(std::move(parts));
    }
    if (root != "HKLM" && root != "HKCU") {
        return false;
    }
    if (parts.front() != "SOFTWARE") {
        return parts.size() == 1; // SYSTEM, HARDWARE, Environment ...
    }
    parts.erase(parts.begin());
    if (root == "HKLM" && !parts.empty() && parts.front() == "WOW6432NODE") {
        parts.erase(parts.begin());
    }
    if (StartsWith(parts, {"CLASSES"})) {
        parts.erase(parts.begin());
        return IsClassesContainer(std::move(parts));
    }
    return parts.empty() || (parts.size() == 1 && IsWindowsSoftwareKey(parts.front()));
}

} // namespace mendrake
