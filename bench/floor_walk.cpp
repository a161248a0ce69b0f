// The floor: one raw walk over everything the fourteen checks read, making only the calls they
// cannot do without. Each key is opened once (the classes root is enumerated once for the
// three checks that walk it), each value is read once (value lists are enumerated with their
// data), and each distinct path is tested once with one attribute query, which answers both
// "is it a file" and "is it a folder". No issue is built and nothing is kept.
#include "bench/bench.h"
#include "bench/shares.h"

#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_views.h"
#include "engine/scanner_paths.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace mendrake::bench {

namespace {

const char* const kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

struct Value {
    std::string name;
    DWORD type = 0;
    std::string data;
    std::string Text() const {
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            return {};
        }
        return data.substr(0, data.find('\0'));
    }
};

class Floor {
  public:
    test::CallCounts calls;
    std::size_t findings = 0;
    std::vector<Share> shares;

    void Walk() {
        ClassesTree();
        TypeLibraries();
        ShellExtensionLists();
        ApplicationVerbs();
        MachineLists();
        {
            Section section(*this, 6);
            for (const Area& software : Areas(HKEY_LOCAL_MACHINE, "Software")) {
                SoftwareKeys(software.key, software.view);
            }
            if (HKEY software = Open(HKEY_CURRENT_USER, "Software")) {
                SoftwareKeys(software, RegistryView::Native);
            }
        }
        ValueLists();
        SoundEvents();
        ShellFolders();
    }

  private:
    // Puts the calls and the time of its life into the share of `category` (see shares.h).
    class Section {
      public:
        Section(Floor& floor, std::int32_t category)
            : floor_(floor), name_(ShareOf(category)), before_(floor.calls), began_(NowMs()) {}
        ~Section() {
            AddToShare(floor_.shares, name_, NowMs() - began_, CallsBetween(before_, floor_.calls));
        }
        Section(const Section&) = delete;
        Section& operator=(const Section&) = delete;

      private:
        Floor& floor_;
        std::string name_;
        test::CallCounts before_;
        double began_;
    };

    HKEY Open(HKEY parent, const std::string& path) {
        ++calls.openKey;
        HKEY key = nullptr;
        return RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS
                   ? key
                   : nullptr;
    }
    void Close(HKEY key) {
        ++calls.closeKey;
        RegCloseKey(key);
    }
    std::vector<std::string> Subkeys(HKEY key) {
        std::vector<std::string> names;
        char buffer[256];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof buffer;
            ++calls.enumKey;
            if (RegEnumKeyExA(key, i, buffer, &size, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                return names;
            }
            names.emplace_back(buffer, size);
        }
    }
    std::vector<Value> Values(HKEY key) {
        std::vector<Value> values;
        std::vector<char> name(16384);
        std::vector<BYTE> data(4096);
        for (DWORD i = 0;;) {
            DWORD nameSize = static_cast<DWORD>(name.size());
            DWORD dataSize = static_cast<DWORD>(data.size());
            DWORD type = 0;
            ++calls.enumValue;
            const LONG status = RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type,
                                              data.data(), &dataSize);
            if (status == ERROR_MORE_DATA && dataSize > data.size()) {
                data.resize(dataSize);
                continue;
            }
            if (status != ERROR_SUCCESS) {
                return values;
            }
            values.push_back({std::string(name.data(), nameSize), type,
                              std::string(reinterpret_cast<char*>(data.data()), dataSize)});
            ++i;
        }
    }
    // The default value's text when it is of a string kind; false otherwise.
    bool DefaultText(HKEY key, std::string& text) {
        char buffer[2048];
        DWORD size = sizeof buffer, type = 0;
        ++calls.queryValue;
        if (RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return false;
        }
        text.assign(buffer, strnlen(buffer, size));
        return true;
    }
    void Info(HKEY key, DWORD& subkeys, DWORD& values) {
        ++calls.queryInfoKey;
        subkeys = values = 0;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
    }

    // An open area key and the view whose programs registered what it holds.
    struct Area {
        HKEY key;
        RegistryView view;
    };
    std::string Identity(HKEY key) {
        ++calls.keyIdentity;
        return platform::Os().KeyIdentity(reinterpret_cast<platform::Hkey>(key));
    }
    // The area below a root of the machine, then its 32-bit twin when that is another key: the
    // names of both keys are what tells, as in the scan. The caller closes the keys.
    std::vector<Area> Areas(HKEY root, const std::string& path) {
        std::vector<Area> areas;
        HKEY native = Open(root, path);
        if (native != nullptr) {
            areas.push_back({native, RegistryView::Native});
        }
        const std::uint32_t rootValue =
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(root));
        const std::string twinPath = Wow64TwinKey(rootValue, "\\" + path);
        if (twinPath.empty()) {
            return areas;
        }
        if (HKEY twin = Open(root, twinPath.substr(1))) {
            if (native != nullptr && Identity(native) == Identity(twin)) {
                Close(twin);
            } else {
                areas.push_back({twin, RegistryView::Wow64});
            }
        }
        return areas;
    }

    DWORD Attributes(const std::string& path) {
        auto it = attributes_.find(path);
        if (it != attributes_.end()) {
            return it->second;
        }
        ++calls.fileAttributes;
        const DWORD found = GetFileAttributesA(path.c_str());
        attributes_.emplace(path, found);
        return found;
    }
    bool FileExists(const std::string& path) {
        if (path.empty()) {
            return false;
        }
        if (path.find_first_of("*?<>\"") != std::string::npos) {
            ++calls.findFirst;
            WIN32_FIND_DATAA data;
            HANDLE find = FindFirstFileA(path.c_str(), &data);
            if (find == INVALID_HANDLE_VALUE) {
                return false;
            }
            FindClose(find);
            return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        }
        const DWORD found = Attributes(path);
        return found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
    bool FolderExists(const std::string& path) {
        const DWORD found = Attributes(path);
        return found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    void Judge(bool missing) { findings += missing ? 1 : 0; }
    void JudgeFile(const std::string& path, RegistryView view = RegistryView::Native) {
        Judge(!DrivePart(path).empty() && !FileExists(PathSeenBy(view, path)));
    }
    // A command's program, tried the way Windows starts an unquoted command line.
    void JudgeCommand(const std::string& command, bool verb,
                      RegistryView view = RegistryView::Native) {
        std::string path = ExtractCommandPath(command);
        const std::size_t exe = verb ? UpperCase(path).find(".EXE ") : std::string::npos;
        if (exe != std::string::npos) {
            path.resize(exe + 4);
        }
        if (DrivePart(path).empty()) {
            return;
        }
        path = PathSeenBy(view, path);
        if (FileExists(path)) {
            return;
        }
        if (!command.empty() && command.front() == '"') {
            Judge(true);
            return;
        }
        auto tried = [this](const std::string& candidate) {
            return !candidate.empty() &&
                   (FileExists(candidate) ||
                    (ExtensionPart(candidate).empty() && FileExists(candidate + ".exe")));
        };
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (path[i] == ' ' && tried(path.substr(0, i))) {
                return;
            }
        }
        Judge(!tried(path));
    }

    // The verbs below an open "Shell" key; `subkeysOfOwner` answers the empty-Shell test.
    void Verbs(HKEY shell, DWORD subkeysOfOwner) {
        const std::vector<std::string> verbs = Subkeys(shell);
        if (verbs.empty()) {
            Judge(subkeysOfOwner == 1);
            return;
        }
        VerbCommands(shell, verbs);
    }

    void VerbCommands(HKEY shell, const std::vector<std::string>& verbs) {
        for (const std::string& verb : verbs) {
            if (HKEY command = Open(shell, verb + "\\Command")) {
                std::string text;
                if (DefaultText(command, text)) {
                    JudgeCommand(text, true);
                }
                Close(command);
            }
        }
    }

    bool Registered(const std::string& id) const {
        const std::string upper = UpperCase(id);
        return known_.count(upper) != 0;
    }

    // A handler key: the class its default value or its own name names, when registered.
    void JudgeHandler(HKEY parent, const std::string& name) {
        if (HKEY handler = Open(parent, name)) {
            std::string text;
            const std::string& id =
                DefaultText(handler, text) && LooksLikeClassId(text) ? text : name;
            Judge(LooksLikeClassId(id) && !Registered(id));
            Close(handler);
        }
    }

    // The classes of one class list: each server and icon file.
    void ClassList(HKEY list, RegistryView view) {
        for (const std::string& id : Subkeys(list)) {
            known_.emplace(UpperCase(id), true);
            if (HKEY server = Open(list, id + "\\InprocServer32")) {
                std::string path;
                if (DefaultText(server, path)) {
                    JudgeFile(path, view);
                }
                Close(server);
            }
            if (HKEY icon = Open(list, id + "\\DefaultIcon")) {
                JudgeIcon(icon, view);
                Close(icon);
            }
        }
    }
    void JudgeIcon(HKEY icon, RegistryView view = RegistryView::Native) {
        std::string text;
        if (DefaultText(icon, text)) {
            JudgeFile(IconFilePath(text), view);
        }
    }

    // The handlers below one "shellex" key.
    void Shellex(HKEY parent, const std::string& path) {
        HKEY shellex = Open(parent, path);
        if (shellex == nullptr) {
            return;
        }
        for (const char* list : {"ContextMenuHandlers", "PropertySheetHandlers", "DragDropHandlers",
                                 "CopyHookHandlers", "ColumnHandlers"}) {
            if (HKEY handlers = Open(shellex, list)) {
                for (const std::string& handler : Subkeys(handlers)) {
                    JudgeHandler(handlers, handler);
                }
                Close(handlers);
            }
        }
        for (const char* single : {"IconHandler", "DataHandler", "DropHandler"}) {
            JudgeHandler(shellex, single);
        }
        Close(shellex);
    }

    // Every key of one classes root once: its emptiness, the program id an extension names,
    // its icon, its class reference, its verbs, its shell extension handlers.
    void RootKeys(HKEY classes) {
        for (const std::string& name : Subkeys(classes)) {
            HKEY key = Open(classes, name);
            if (key == nullptr) {
                continue;
            }
            DWORD subkeys = 0, values = 0;
            Info(key, subkeys, values);
            Judge(subkeys == 0 && values == 0);
            std::string program;
            if (!name.empty() && name.front() == '.' && values != 0) {
                DefaultText(key, program);
            }
            const bool node = UpperCase(name) == "WOW6432NODE";
            if (HKEY icon = subkeys != 0 && !node ? Open(key, "DefaultIcon") : nullptr) {
                JudgeIcon(icon);
                Close(icon);
            }
            HKEY reference = node ? nullptr : Open(key, "CLSID");
            if (reference != nullptr) {
                std::string text;
                if (DefaultText(reference, text)) {
                    const std::string id =
                        text.find_first_of("{}") != std::string::npos ? text : "{" + text + "}";
                    Judge(known_.count(UpperCase(id)) == 0);
                }
                Close(reference);
            }
            if (HKEY shell = Open(key, "Shell")) {
                Verbs(shell, subkeys);
                Close(shell);
            }
            Shellex(key, "shellex");
            Close(key);
        }
        for (const char* name :
             {"Directory", "Folder", "Drive", "DesktopBackground", "AllFilesystemObjects", "*"}) {
            Shellex(classes, std::string(name) + "\\Background\\shellex");
        }
        if (HKEY types = Open(classes, "SystemFileAssociations")) {
            for (const std::string& type : Subkeys(types)) {
                Shellex(types, type + "\\shellex");
            }
            Close(types);
        }
    }

    // Interfaces: each one's proxy class and type library.
    void Interfaces(HKEY list) {
        for (const std::string& iid : Subkeys(list)) {
            HKEY key = Open(list, iid);
            if (key == nullptr) {
                continue;
            }
            for (const std::string& part : Subkeys(key)) {
                const std::string upper = UpperCase(part);
                if (upper != "PROXYSTUBCLSID32" && upper != "PROXYSTUBCLSID" &&
                    upper != "TYPELIB") {
                    continue;
                }
                if (HKEY named = Open(key, part)) {
                    std::string id;
                    if (DefaultText(named, id)) {
                        Judge(LooksLikeClassId(id) && !Registered(id));
                    }
                    Close(named);
                }
            }
            Close(key);
        }
    }

    // Class servers, then every root key once, the machine's and the user's, then interfaces.
    void ClassesTree() {
        Section section(*this, 5);
        // Both views' class lists answer references and handlers alike.
        for (const Area& clsid : Areas(HKEY_CLASSES_ROOT, "CLSID")) {
            ClassList(clsid.key, clsid.view);
            Close(clsid.key);
        }
        HKEY user = Open(HKEY_CURRENT_USER, "Software\\Classes");
        if (HKEY list = user != nullptr ? Open(user, "CLSID") : nullptr) {
            ClassList(list, RegistryView::Native);
            Close(list);
        }
        RootKeys(HKEY_CLASSES_ROOT);
        for (const Area& list : Areas(HKEY_CLASSES_ROOT, "Interface")) {
            Interfaces(list.key);
            Close(list.key);
        }
        if (user != nullptr) {
            RootKeys(user);
            Close(user);
        }
    }

    // Every platform file of every type library version; the version's data keys hold none.
    void TypeLibraries() {
        Section section(*this, 11);
        HKEY libraries = Open(HKEY_CLASSES_ROOT, "TypeLib");
        if (libraries == nullptr) {
            return;
        }
        for (const std::string& library : Subkeys(libraries)) {
            HKEY versions = Open(libraries, library);
            if (versions == nullptr) {
                continue;
            }
            for (const std::string& version : Subkeys(versions)) {
                HKEY key = Open(versions, version);
                if (key == nullptr) {
                    continue;
                }
                for (const std::string& lcid : Subkeys(key)) {
                    const std::string upper = UpperCase(lcid);
                    if (upper == "FLAGS" || upper == "HELPDIR") {
                        continue;
                    }
                    // Every platform's file counts (win16, arm64... as well as win32 and
                    // win64): a version is dead only when all of them are gone.
                    HKEY locale = Open(key, lcid);
                    if (locale == nullptr) {
                        continue;
                    }
                    for (const std::string& platform : Subkeys(locale)) {
                        if (HKEY file = Open(locale, platform)) {
                            std::string path;
                            if (DefaultText(file, path)) {
                                JudgeFile(path);
                            }
                            Close(file);
                        }
                    }
                    Close(locale);
                }
                Close(key);
            }
            Close(versions);
        }
        Close(libraries);
    }

    // The icon overlays and the approved list (the class list is known from the tree).
    void ShellExtensionLists() {
        Section section(*this, 15);
        const std::string cv = kCurrentVersion;
        if (HKEY overlays =
                Open(HKEY_LOCAL_MACHINE, cv + "\\Explorer\\ShellIconOverlayIdentifiers")) {
            for (const std::string& name : Subkeys(overlays)) {
                JudgeHandler(overlays, name);
            }
            Close(overlays);
        }
        if (HKEY approved = Open(HKEY_LOCAL_MACHINE, cv + "\\Shell Extensions\\Approved")) {
            for (const Value& value : Values(approved)) {
                Judge(LooksLikeClassId(value.name) && !Registered(value.name));
            }
            Close(approved);
        }
    }

    void SoundEvents() {
        Section section(*this, 16);
        HKEY apps = Open(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps");
        if (apps == nullptr) {
            return;
        }
        for (const std::string& app : Subkeys(apps)) {
            HKEY events = Open(apps, app);
            if (events == nullptr) {
                continue;
            }
            for (const std::string& event : Subkeys(events)) {
                HKEY schemes = Open(events, event);
                if (schemes == nullptr) {
                    continue;
                }
                for (const std::string& scheme : Subkeys(schemes)) {
                    if (HKEY key = Open(schemes, scheme)) {
                        std::string path;
                        if (DefaultText(key, path)) {
                            JudgeFile(path);
                        }
                        Close(key);
                    }
                }
                Close(schemes);
            }
            Close(events);
        }
        Close(apps);
    }

    void ApplicationVerbs() {
        Section section(*this, 6);
        HKEY applications = Open(HKEY_CLASSES_ROOT, "Applications");
        if (applications == nullptr) {
            return;
        }
        for (const std::string& app : Subkeys(applications)) {
            if (HKEY shell = Open(applications, app + "\\Shell")) {
                // The owner's subkey count is asked for only when the Shell key has no verbs.
                const std::vector<std::string> verbs = Subkeys(shell);
                DWORD subkeys = 0, values = 0;
                if (verbs.empty()) {
                    if (HKEY owner = Open(applications, app)) {
                        Info(owner, subkeys, values);
                        Close(owner);
                    }
                    Judge(subkeys == 1);
                } else {
                    VerbCommands(shell, verbs);
                }
                Close(shell);
            }
        }
        Close(applications);
    }

    void MachineLists() {
        const std::string cv = kCurrentVersion;
        std::optional<Section> section(std::in_place, *this, 6);
        for (const Area& paths : Areas(HKEY_LOCAL_MACHINE, cv + "\\App Paths")) {
            for (const std::string& name : Subkeys(paths.key)) {
                if (HKEY entry = Open(paths.key, name)) {
                    std::string path;
                    if (DefaultText(entry, path)) {
                        JudgeFile(path, paths.view);
                    }
                    Close(entry);
                }
            }
            Close(paths.key);
        }
        section.emplace(*this, 9);
        std::unordered_map<std::string, bool> installed;
        std::vector<Area> uninstall = Areas(HKEY_LOCAL_MACHINE, cv + "\\Uninstall");
        if (HKEY user = Open(HKEY_CURRENT_USER, cv + "\\Uninstall")) {
            uninstall.push_back({user, RegistryView::Native});
        }
        for (const Area& list : uninstall) {
            for (const std::string& name : Subkeys(list.key)) {
                installed.emplace(UpperCase(name), true);
                if (HKEY entry = Open(list.key, name)) {
                    UninstallEntry(Values(entry), list.view);
                    Close(entry);
                }
            }
            Close(list.key);
        }
        for (const Area& cache : Areas(HKEY_LOCAL_MACHINE, cv + "\\App Management\\ARPCache")) {
            for (const std::string& name : Subkeys(cache.key)) {
                Judge(installed.count(UpperCase(name)) == 0);
            }
            Close(cache.key);
        }
        for (const Area& folders : Areas(HKEY_LOCAL_MACHINE, cv + "\\Installer\\Folders")) {
            for (const Value& value : Values(folders.key)) {
                Judge(!DrivePart(value.name).empty() &&
                      !FolderExists(PathSeenBy(folders.view, value.name)));
            }
            Close(folders.key);
        }
        section.emplace(*this, 3);
        for (const Area& shared : Areas(HKEY_LOCAL_MACHINE, cv + "\\SharedDlls")) {
            for (const Value& value : Values(shared.key)) {
                Judge(!FileExists(PathSeenBy(shared.view, value.name)));
            }
            Close(shared.key);
        }
        section.emplace(*this, 10);
        for (const char* run : {"\\Run", "\\RunOnce", "\\RunOnceEx"}) {
            std::vector<Area> areas;
            if (HKEY user = Open(HKEY_CURRENT_USER, cv + run)) {
                areas.push_back({user, RegistryView::Native});
            }
            for (const Area& machine : Areas(HKEY_LOCAL_MACHINE, cv + run)) {
                areas.push_back(machine);
            }
            for (const Area& area : areas) {
                for (const Value& value : Values(area.key)) {
                    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
                        JudgeCommand(value.Text(), false, area.view);
                    }
                }
                Close(area.key);
            }
        }
        section.emplace(*this, 4);
        if (HKEY exts = Open(HKEY_CURRENT_USER, cv + "\\Explorer\\FileExts")) {
            for (const std::string& name : Subkeys(exts)) {
                if (HKEY key = Open(exts, name)) {
                    std::string text;
                    const bool hasText = DefaultText(key, text);
                    if (!hasText || Trim(text).empty()) {
                        DWORD subkeys = 0, values = 0;
                        Info(key, subkeys, values);
                        Judge(subkeys == 0 && values <= 1);
                    }
                    Close(key);
                }
            }
            Close(exts);
        }
    }

    // Every path an uninstall entry names: all gone, and at least one tested, is a finding.
    void UninstallEntry(const std::vector<Value>& values, RegistryView view) {
        bool keep = false, gone = false;
        for (const Value& value : values) {
            const std::string name = UpperCase(value.name);
            std::string path;
            if (name == "UNINSTALLSTRING" || name == "QUIETUNINSTALLSTRING") {
                path = ExtractCommandPath(value.Text());
            } else if (name == "DISPLAYICON") {
                path = IconFilePath(value.Text());
            } else if (name == "INSTALLLOCATION") {
                path = value.Text();
            }
            if (!DrivePart(path).empty()) {
                const bool present = Attributes(PathSeenBy(view, path)) != INVALID_FILE_ATTRIBUTES;
                keep = keep || present;
                gone = gone || !present;
            }
        }
        Judge(gone && !keep);
    }

    // Whether a key's values hold an install folder that is gone; values are read once.
    bool InstallFolderGone(const std::vector<Value>& values, RegistryView view) {
        for (const Value& value : values) {
            const std::string name = UpperCase(value.name);
            if ((name == "INSTALLDIR" || name == "INSTALLLOCATION" || name == "INSTALLPATH" ||
                 name == "INSTALL_DIR" || name == "PATH") &&
                !DrivePart(value.Text()).empty()) {
                return Attributes(PathSeenBy(view, value.Text())) == INVALID_FILE_ATTRIBUTES;
            }
        }
        return false;
    }

    // Empty keys below "Software", and the vendor and product keys of removed programs: each
    // vendor key's values, and each of its product keys with its values.
    void SoftwareKeys(HKEY software, RegistryView view) {
        for (const std::string& name : Subkeys(software)) {
            if (HKEY key = Open(software, name)) {
                DWORD subkeys = 0, values = 0;
                Info(key, subkeys, values);
                Judge(subkeys == 0 && values == 0);
                const std::string upper = UpperCase(name);
                if ((subkeys != 0 || values != 0) && upper != "MICROSOFT" && upper != "CLASSES" &&
                    upper != "WOW6432NODE" && upper != "WINE" && upper != "POLICIES") {
                    Judge(InstallFolderGone(Values(key), view));
                    for (const std::string& product : Subkeys(key)) {
                        if (HKEY productKey = Open(key, product)) {
                            Judge(InstallFolderGone(Values(productKey), view));
                            Close(productKey);
                        }
                    }
                }
                Close(key);
            }
        }
        Close(software);
    }

    void ValueLists() {
        std::optional<Section> section(std::in_place, *this, 7);
        const std::string fonts = FontsFolder();
        if (HKEY key = Open(HKEY_LOCAL_MACHINE,
                            "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts")) {
            for (const Value& value : Values(key)) {
                const std::string data = value.Text();
                if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
                    JudgeFile(DrivePart(data).empty() ? fonts + "\\" + data : data);
                }
            }
            Close(key);
        }
        section.emplace(*this, 8);
        for (const char* help : {"Help", "HTML Help"}) {
            for (const Area& area :
                 Areas(HKEY_LOCAL_MACHINE, std::string("Software\\Microsoft\\Windows\\") + help)) {
                for (const Value& value : Values(area.key)) {
                    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
                        JudgeFile(value.Text() + "\\" + value.name, area.view);
                    }
                }
                Close(area.key);
            }
        }
        section.emplace(*this, 12);
        if (HKEY key =
                Open(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\ShellNoRoam\\MuiCache")) {
            for (const Value& value : Values(key)) {
                JudgeFile(value.name);
            }
            Close(key);
        }
    }

    std::string ShortcutTarget(const std::string& path) {
        ++calls.shortcutTarget;
        return platform::Os().ShortcutTarget(path);
    }

    void ShortcutEntries(const std::string& folder) {
        ++calls.listFolder;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            return;
        }
        std::vector<WIN32_FIND_DATAA> entries;
        do {
            entries.push_back(data);
        } while (FindNextFileA(find, &data));
        FindClose(find);
        for (const WIN32_FIND_DATAA& entry : entries) {
            const std::string name = entry.cFileName;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                // Folder links are not followed, as in the scan.
                if (name != "." && name != ".." &&
                    (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                    ShortcutEntries(folder + name + "\\");
                }
                continue;
            }
            if (UpperCase(ExtensionPart(name)) != ".LNK") {
                continue;
            }
            const std::string target = ShortcutTarget(folder + name);
            Judge(!DrivePart(target).empty() && Attributes(target) == INVALID_FILE_ATTRIBUTES);
        }
    }

    void ShellFolders() {
        const char* const key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                "Shell Folders";
        const struct {
            HKEY root;
            const char* name;
            std::int32_t category;
        } folders[] = {
            {HKEY_CURRENT_USER, "Start Menu", kStartMenuCategory},
            {HKEY_LOCAL_MACHINE, "Common Start Menu", kStartMenuCategory},
            {HKEY_CURRENT_USER, "Desktop", kDesktopCategory},
            {HKEY_LOCAL_MACHINE, "Common Desktop", kDesktopCategory},
        };
        for (const auto& [root, name, category] : folders) {
            Section section(*this, category);
            if (HKEY shell = Open(root, key)) {
                char buffer[MAX_PATH * 2];
                DWORD size = sizeof buffer, type = 0;
                ++calls.queryValue;
                const bool found =
                    RegQueryValueExA(shell, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                                     &size) == ERROR_SUCCESS &&
                    (type == REG_SZ || type == REG_EXPAND_SZ);
                Close(shell);
                const std::string folder = found ? std::string(buffer, strnlen(buffer, size)) : "";
                if (!folder.empty()) {
                    ShortcutEntries(folder + "\\");
                }
            }
        }
    }

    std::unordered_map<std::string, DWORD> attributes_;
    // Upper-cased class ids of the 64-bit and of the 32-bit class list.
    std::unordered_map<std::string, bool> known_;
};

} // namespace

SplitRun FloorWalk() {
    Floor floor;
    const double start = NowMs();
    floor.Walk();
    SplitRun run;
    run.whole.ms = NowMs() - start;
    run.whole.calls = floor.calls;
    run.whole.issues = floor.findings;
    run.shares = std::move(floor.shares);
    return run;
}

} // namespace mendrake::bench
