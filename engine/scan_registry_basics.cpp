// Shared DLL counters, empty file-extension keys and COM classes (categories 3, 4 and 5).
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/scanner_paths.h"

#include <unordered_set>

namespace mendrake {

namespace {

const std::string kSharedDllsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
const std::string kFileExtsKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

} // namespace

void ScanSharedDlls() {
    RegistryAccess reg;
    reg.SetRoot(kHklm);
    if (!reg.Open(kSharedDllsKey)) {
        return;
    }
    const bool installerCounts = reg.ValueKindOf("WindowsInstaller") == ValueKind::Number;
    for (const std::string& name : reg.ValueNames()) {
        if (FileFound(name)) {
            continue;
        }
        // A count that is not a 4-byte number has no reading: an empty text, as for another
        // kind, rather than an error that would end the whole scanner.
        std::string count;
        if (installerCounts && reg.ValueKindOf(name) == ValueKind::Number &&
            reg.ValueSize(name) == 4) {
            count = std::to_string(reg.ReadNumber(name));
        }
        AppendIssue(3, 0, "Missing Shared DLL", name, "HKLM" + kSharedDllsKey, kHklm,
                    kSharedDllsKey, name, count, false);
    }
}

void ScanFileExtensions() {
    {
        RegistryAccess reg;
        reg.SetRoot(kHkcr);
        if (reg.Open("")) {
            for (const std::string& name : reg.SubkeyNames()) {
                if (reg.Open("\\" + name) && reg.ValueCount() == 0 && reg.SubkeyCount() == 0) {
                    AppendIssue(4, 0, "Unused File Extension", name, "HKCR\\" + name, kHkcr,
                                "\\" + name, "", "", true);
                }
            }
        }
    }
    RegistryAccess reg;
    reg.SetRoot(kHkcu);
    if (!reg.Open(kFileExtsKey)) {
        return;
    }
    for (const std::string& name : reg.SubkeyNames()) {
        const std::string key = kFileExtsKey + "\\" + name;
        if (!reg.Open(key)) {
            continue;
        }
        std::string defaultText = "Default";
        const bool hasDefault = reg.HasValue("");
        if (hasDefault && IsTextKind(reg.ValueKindOf(""))) {
            defaultText = reg.ReadText("");
        }
        if (!Trim(defaultText).empty() && hasDefault) {
            continue; // a default value with text: the extension is in use
        }
        const std::uint32_t values = reg.ValueCount();
        const bool empty = values == 0 || (values == 1 && defaultText.empty());
        if (empty && reg.SubkeyCount() == 0) {
            AppendIssue(4, 1, "Unused File Extension", name, "HKCU" + key, kHkcu, key, "", "",
                        true);
        }
    }
}

void ScanClasses() {
    std::vector<std::string> classIds;
    bool haveClassList = false;
    {
        RegistryAccess reg;
        reg.SetRoot(kHkcr);
        if (reg.Open("\\CLSID")) {
            classIds = reg.SubkeyNames();
            haveClassList = true;
        }
    }
    {
        RegistryAccess reg;
        reg.SetRoot(kHkcr);
        for (const std::string& id : classIds) {
            if (!reg.Open("\\CLSID\\" + id + "\\InprocServer32") || !reg.HasValue("") ||
                !IsTextKind(reg.ValueKindOf(""))) {
                continue;
            }
            const std::string server = reg.ReadText("");
            if (!DrivePart(server).empty() && !FileFound(server)) {
                AppendIssue(5, 0, "COM Issue", server, "HKCR\\CLSID\\" + id, kHkcr,
                            "\\CLSID\\" + id, "", server, true);
            }
        }
    }
    // Without a class list every reference would look dangling: the check needs the list.
    if (!haveClassList) {
        return;
    }
    std::unordered_set<std::string> known;
    known.reserve(classIds.size() * 2);
    for (const std::string& id : classIds) {
        known.insert(UpperCase(id));
    }
    RegistryAccess reg;
    reg.SetRoot(kHkcr);
    if (!reg.Open("")) {
        return;
    }
    for (const std::string& name : reg.SubkeyNames()) {
        if (!reg.Open("\\" + name + "\\CLSID") || !reg.HasValue("") ||
            !IsTextKind(reg.ValueKindOf(""))) {
            continue;
        }
        const std::string text = reg.ReadText("");
        const std::string compared =
            text.find_first_of("{}") != std::string::npos ? text : "{" + text + "}";
        if (known.count(UpperCase(compared)) == 0) {
            AppendIssue(5, 1, "COM Issue", compared, "HKCR\\" + name + "\\CLSID", kHkcr,
                        "\\" + name + "\\CLSID", "", text, true);
        }
    }
}

} // namespace mendrake
