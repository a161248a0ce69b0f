// The fix with its backup against the least work that removes the same entries: read each
// entry's values once into REGEDIT4 text, write the text to one file, delete the entries.
#include "bench/bench.h"

#include "engine/issue_model.h"
#include "platform/platform.h"
#include "repair/fix.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>

namespace mendrake::bench {

namespace {

const char* const kFixRoot = "Software\\MdkBenchFix";

// Half of the issues delete a key with two values, half delete one value of a key.
std::vector<TItem> PlantFixEntries(int count) {
    std::vector<TItem> issues;
    HKEY parent = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kFixRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &parent, nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create the fix benchmark's key");
    }
    for (int i = 0; i < count; ++i) {
        const std::string name = "Item" + std::to_string(i);
        HKEY key = nullptr;
        RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        const std::string text = "C:\\Program Files\\Gone\\app" + std::to_string(i) + ".exe";
        RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        const DWORD number = static_cast<DWORD>(i);
        RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                       sizeof number);
        RegCloseKey(key);
        const std::string path = std::string("\\") + kFixRoot + "\\" + name;
        const bool wholeKey = i % 2 == 0;
        TItem& item = issues.emplace_back();
        item.Category = wholeKey ? 6 : 10;
        item.Problem = wholeKey ? "Open with Issue" : "Run Issue";
        item.Data = text;
        item.KeyText = "HKCU" + path;
        item.RootKey = 0x80000001u;
        item.Key = path;
        item.Value = wholeKey ? "" : "Count";
        item.DeleteKey = wholeKey;
    }
    RegCloseKey(parent);
    return issues;
}

void RemoveFixRoot() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kFixRoot);
}

std::string Hex(const BYTE* data, DWORD size) {
    std::string text;
    char digits[4];
    for (DWORD i = 0; i < size; ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : ",%02X", data[i]);
        text += digits;
    }
    return text;
}

// Registry calls of the raw export and delete.
std::uint64_t rawCalls = 0;

// One key's block: its values (all, or the one named), each read once by enumeration, and the
// listing of its subkeys (none here, but an export cannot know that without asking).
void ExportRaw(HKEY key, const std::string& header, const char* only, std::string& out) {
    out += "[" + header + "]\r\n";
    char name[16384];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        ++rawCalls;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        if (only != nullptr && std::string(name, nameSize) != only) {
            continue;
        }
        if (nameSize == 0) {
            out += "@=";
        } else {
            out.append(1, '"').append(name, nameSize).append("\"=");
        }
        if (type == REG_SZ) {
            out.append(1, '"')
                .append(reinterpret_cast<char*>(data), dataSize ? dataSize - 1 : 0)
                .append("\"\r\n");
        } else {
            out += "hex(" + std::to_string(type) + "):" + Hex(data, dataSize) + "\r\n";
        }
    }
    out += "\r\n";
    DWORD size = sizeof name;
    ++rawCalls;
    RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
}

void RawExportAndDelete(const std::vector<TItem>& issues, const std::string& file) {
    std::string text = "REGEDIT4\r\n\r\n";
    for (const TItem& item : issues) {
        HKEY key = nullptr;
        rawCalls += 2; // the open and the close
        if (RegOpenKeyExA(HKEY_CURRENT_USER, item.Key.c_str() + 1, 0, KEY_ALL_ACCESS, &key) ==
            ERROR_SUCCESS) {
            ExportRaw(key, "HKEY_CURRENT_USER" + item.Key,
                      item.DeleteKey ? nullptr : item.Value.c_str(), text);
            RegCloseKey(key);
        }
    }
    HANDLE out = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    FlushFileBuffers(out);
    CloseHandle(out);
    for (const TItem& item : issues) {
        if (item.DeleteKey) {
            ++rawCalls;
            RegDeleteKeyA(HKEY_CURRENT_USER, item.Key.c_str() + 1);
            continue;
        }
        HKEY key = nullptr;
        rawCalls += 3; // open, delete, close
        if (RegOpenKeyExA(HKEY_CURRENT_USER, item.Key.c_str() + 1, 0, KEY_ALL_ACCESS, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(key, item.Value.c_str());
            RegCloseKey(key);
        }
    }
}

} // namespace

FixTimes FixBenchmark(int count, const std::string& folder) {
    FixTimes times;
    RemoveFixRoot();
    std::vector<TItem> issues = PlantFixEntries(count);
    {
        test::CountingPlatform counting(platform::Os());
        platform::ScopedOs installed(counting);
        const double start = NowMs();
        FixIssues(issues, folder + "fix_backup.reg", [](int) {});
        times.fixMs = NowMs() - start;
        times.fixCalls = counting.counts.Registry();
    }
    RemoveFixRoot();

    issues = PlantFixEntries(count);
    rawCalls = 0;
    const double start = NowMs();
    RawExportAndDelete(issues, folder + "raw_backup.reg");
    times.rawMs = NowMs() - start;
    times.rawCalls = rawCalls;
    RemoveFixRoot();
    return times;
}

} // namespace mendrake::bench
