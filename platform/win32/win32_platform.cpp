#include "platform/win32/win32_platform.h"

#include "platform/win32/handles.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace mendrake::platform {

void CoTaskMemTraits::close(void* p) {
    CoTaskMemFree(p);
}

namespace {

// The thread's error mode for the life of the object, restored after.
class ThreadErrorMode {
  public:
    explicit ThreadErrorMode(DWORD mode) { SetThreadErrorMode(mode, &previous_); }
    ~ThreadErrorMode() { SetThreadErrorMode(previous_, nullptr); }
    ThreadErrorMode(const ThreadErrorMode&) = delete;
    ThreadErrorMode& operator=(const ThreadErrorMode&) = delete;

  private:
    DWORD previous_ = 0;
};

HKEY AsHkey(Hkey key) {
    return reinterpret_cast<HKEY>(key);
}

constexpr DWORD kInvalidName = ERROR_INVALID_NAME;

// ANSI text in the program's code page as UTF-16, for the wide calls, converted strictly:
// false for bytes that are no text of the code page (a lead byte without its second byte, a
// broken UTF-8 sequence), which no call may be handed as a guess. The wide calls take paths
// longer than MAX_PATH where the system allows long paths (longPathAware in the manifest).
bool WideOf(std::string_view text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) {
        return true;
    }
    // Every ANSI code page of Windows keeps ASCII as it is; most names are nothing else, and
    // they are converted by hand without two calls into the code-page tables.
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        wide.assign(text.begin(), text.end());
        return true;
    }
    const int length = static_cast<int>(text.size());
    const int size =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (size <= 0) {
        return false;
    }
    wide.assign(static_cast<std::size_t>(size), L'\0');
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(),
                               size) == size;
}

// UTF-16 text in the ANSI code page. `lossy` tells whether a character had no place in it
// (written as the default character) or would only have been approximated by a "best fit"
// one: either way the text no longer names or says what the registry holds.
std::string AnsiOf(std::wstring_view wide, bool& lossy);

// AnsiOf into `text`, whose buffer is reused: names are read by the ten thousand.
void AnsiInto(std::wstring_view wide, bool& lossy, std::string& text) {
    if (std::all_of(wide.begin(), wide.end(), [](wchar_t c) { return c < 0x80; })) {
        lossy = false;
        text.resize(wide.size());
        std::transform(wide.begin(), wide.end(), text.begin(),
                       [](wchar_t c) { return static_cast<char>(c); });
        return;
    }
    text = AnsiOf(wide, lossy);
}

std::string AnsiOf(std::wstring_view wide, bool& lossy) {
    lossy = false;
    if (wide.empty()) {
        return {};
    }
    if (std::all_of(wide.begin(), wide.end(), [](wchar_t c) { return c < 0x80; })) {
        std::string text(wide.size(), '\0');
        std::transform(wide.begin(), wide.end(), text.begin(),
                       [](wchar_t c) { return static_cast<char>(c); });
        return text;
    }
    const int length = static_cast<int>(wide.size());
    // A UTF-8 code page holds every character but takes neither flag: only broken UTF-16
    // (a lone surrogate) is lost there.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    int size = WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr, used);
    if (size == 0) {
        // Only for showing: such a name or text is never used to reach anything.
        lossy = true;
        const DWORD shown = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
        size =
            WideCharToMultiByte(CP_ACP, shown, wide.data(), length, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
        WideCharToMultiByte(CP_ACP, shown, wide.data(), length, text.data(), size, nullptr,
                            nullptr);
        return text;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), length, text.data(), size, nullptr, used);
    lossy = usedDefault != FALSE;
    return text;
}

// A path the system gave in UTF-16, in the ANSI code page; empty when the code page cannot
// carry it exactly (nothing below it could be named).
std::string ExactAnsiPath(std::wstring_view wide) {
    bool lossy = false;
    std::string path = AnsiOf(wide, lossy);
    return lossy ? std::string() : path;
}

std::string SpecialFolder(int csidl) {
    // SHGetSpecialFolderLocation then SHGetPathFromIDListW, as the shell folders are asked for.
    Owned<void*, CoTaskMemTraits> idList;
    LPITEMIDLIST raw = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &raw)) || raw == nullptr) {
        return {};
    }
    *idList.put() = raw;
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListW(static_cast<LPCITEMIDLIST>(idList.get()), buffer)) {
        return {};
    }
    std::string path = ExactAnsiPath(buffer);
    while (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

// NtQueryKey from ntdll, which winternl.h does not declare: KeyNameInformation (3) gives the
// full name of the key object, after every link was followed at open time.
using NtQueryKeyFunction = LONG(NTAPI*)(HANDLE key, int informationClass, void* information,
                                        ULONG length, ULONG* resultLength);
constexpr int kKeyNameInformation = 3;

NtQueryKeyFunction NtQueryKeyEntry() {
    static const NtQueryKeyFunction entry = [] {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll == nullptr ? nullptr
                                : reinterpret_cast<NtQueryKeyFunction>(
                                      reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryKey")));
    }();
    return entry;
}

// ntdll's RtlUpcaseUnicodeChar: the upper-case table the registry's own name comparison and
// CompareStringOrdinal use, the same under every user locale.
using UpcaseFunction = WCHAR(NTAPI*)(WCHAR);

UpcaseFunction UpcaseEntry() {
    static const UpcaseFunction entry = [] {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll == nullptr ? nullptr
                                : reinterpret_cast<UpcaseFunction>(reinterpret_cast<void*>(
                                      GetProcAddress(ntdll, "RtlUpcaseUnicodeChar")));
    }();
    return entry;
}

} // namespace

long Win32Platform::OpenKey(Hkey parent, std::string_view subkey, std::uint32_t access,
                            Hkey& result) {
    HKEY key = nullptr;
    thread_local std::wstring wide; // reused: a scan opens keys by the ten thousand
    if (!WideOf(subkey, wide)) {
        return kInvalidName;
    }
    const LONG status = RegOpenKeyExW(AsHkey(parent), wide.c_str(), 0, access, &key);
    if (status == ERROR_SUCCESS) {
        result = reinterpret_cast<Hkey>(key);
    }
    return status;
}

long Win32Platform::CreateKey(Hkey parent, std::string_view subkey, Hkey& result) {
    HKEY key = nullptr;
    std::wstring wide;
    if (!WideOf(subkey, wide)) {
        return kInvalidName;
    }
    const LONG status = RegCreateKeyExW(AsHkey(parent), wide.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                        nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        result = reinterpret_cast<Hkey>(key);
    }
    return status;
}

long Win32Platform::CloseKey(Hkey key) {
    return RegCloseKey(AsHkey(key));
}

long Win32Platform::QueryInfoKey(Hkey key, std::uint32_t& subkeys, std::uint32_t& values) {
    DWORD s = 0, v = 0;
    const LONG status = RegQueryInfoKeyA(AsHkey(key), nullptr, nullptr, nullptr, &s, nullptr,
                                         nullptr, &v, nullptr, nullptr, nullptr, nullptr);
    subkeys = s;
    values = v;
    return status;
}

long Win32Platform::EnumKey(Hkey key, std::uint32_t index, std::string& name, bool& lossy) {
    // Key names are at most 255 characters.
    wchar_t buffer[256];
    DWORD size = 256;
    const LONG status =
        RegEnumKeyExW(AsHkey(key), index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
        AnsiInto(std::wstring_view(buffer, size), lossy, name);
    }
    return status;
}

namespace {

// A value's type and data as the wide calls give them, for the engine. Strings are stored as
// UTF-16: the engine gets them in the ANSI code page, as the ANSI function would give them, and
// learns whether that lost anything.
void FillValue(DWORD type, const BYTE* data, DWORD size, RegValue& value) {
    value.type = type;
    value.lossy = false;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        // The buffers the calls fill are aligned for UTF-16.
        const std::wstring_view wide(reinterpret_cast<const wchar_t*>(data),
                                     size / sizeof(wchar_t));
        AnsiInto(wide, value.lossy, value.data);
        value.lossy = value.lossy || size % sizeof(wchar_t) != 0;
    } else {
        value.data.assign(reinterpret_cast<const char*>(data), size);
    }
}

// Most names and data fit these; larger ones are asked for again with the size reported.
constexpr DWORD kSmallName = 512;
constexpr DWORD kSmallData = 1024;
// Value names are at most 16,383 characters.
constexpr DWORD kLongestValueName = 32768;

} // namespace

long Win32Platform::EnumValue(Hkey key, std::uint32_t index, std::string& name, bool& lossy,
                              RegValue* value) {
    wchar_t smallName[kSmallName];
    alignas(wchar_t) BYTE smallData[kSmallData];
    std::vector<wchar_t> largeName;
    std::vector<BYTE> largeData;
    wchar_t* nameBuffer = smallName;
    DWORD nameCapacity = kSmallName;
    BYTE* dataBuffer = value != nullptr ? smallData : nullptr;
    DWORD dataCapacity = value != nullptr ? kSmallData : 0;
    // The value may grow between the calls; a few tries with the sizes just reported are enough.
    for (int attempt = 0;; ++attempt) {
        DWORD nameSize = nameCapacity, dataSize = dataCapacity, type = 0;
        const LONG status = RegEnumValueW(AsHkey(key), index, nameBuffer, &nameSize, nullptr,
                                          value != nullptr ? &type : nullptr, dataBuffer,
                                          value != nullptr ? &dataSize : nullptr);
        if (status == ERROR_MORE_DATA && attempt < 4) {
            // Either the name or the data did not fit: the one reported larger grows.
            if (nameCapacity < kLongestValueName &&
                (value == nullptr || dataSize <= dataCapacity)) {
                largeName.resize(kLongestValueName);
                nameBuffer = largeName.data();
                nameCapacity = kLongestValueName;
            }
            if (value != nullptr && dataSize > dataCapacity) {
                largeData.resize(dataSize);
                dataBuffer = largeData.data();
                dataCapacity = dataSize;
            }
            continue;
        }
        if (status == ERROR_SUCCESS) {
            const std::wstring_view wide(nameBuffer, nameSize);
            AnsiInto(wide, lossy, name);
            // A NUL inside the name ends it for every call that takes a name: the name that
            // comes back would reach another value.
            lossy = lossy || wide.find(L'\0') != std::wstring_view::npos;
            if (value != nullptr) {
                FillValue(type, dataBuffer, dataSize, *value);
            }
        }
        return status;
    }
}

long Win32Platform::QueryValue(Hkey key, std::string_view name, RegValue& value) {
    thread_local std::wstring valueName; // reused, as for OpenKey
    if (!WideOf(name, valueName)) {
        return kFileNotFound; // no value has a name that is no text
    }
    // One call answers most values; a larger one is asked for again with its exact size.
    alignas(wchar_t) BYTE small[kSmallData];
    std::vector<BYTE> large;
    BYTE* data = small;
    DWORD type = 0;
    DWORD size = kSmallData;
    LONG status = RegQueryValueExW(AsHkey(key), valueName.c_str(), nullptr, &type, data, &size);
    // The value may grow between the calls; a few tries with the size just reported are enough.
    for (int attempt = 0; status == ERROR_MORE_DATA && attempt < 4; ++attempt) {
        large.resize(size);
        data = large.data();
        status = RegQueryValueExW(AsHkey(key), valueName.c_str(), nullptr, &type, data, &size);
    }
    if (status != ERROR_SUCCESS) {
        return status;
    }
    FillValue(type, data, size, value);
    return status;
}

long Win32Platform::SetValue(Hkey key, std::string_view name, std::uint32_t type,
                             std::string_view data) {
    std::wstring valueName;
    if (!WideOf(name, valueName)) {
        return kInvalidName;
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        // Strings are stored as UTF-16, converted here strictly, NULs inside and all.
        std::wstring text;
        if (!WideOf(data, text)) {
            return ERROR_INVALID_DATA;
        }
        return RegSetValueExW(AsHkey(key), valueName.c_str(), 0, type,
                              reinterpret_cast<const BYTE*>(text.data()),
                              static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    }
    return RegSetValueExW(AsHkey(key), valueName.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

long Win32Platform::DeleteKey(Hkey parent, std::string_view subkey) {
    std::wstring wide;
    if (!WideOf(subkey, wide)) {
        return kInvalidName;
    }
    return RegDeleteKeyW(AsHkey(parent), wide.c_str());
}

long Win32Platform::DeleteValue(Hkey key, std::string_view name) {
    std::wstring wide;
    if (!WideOf(name, wide)) {
        return kFileNotFound;
    }
    return RegDeleteValueW(AsHkey(key), wide.c_str());
}

std::string Win32Platform::KeyIdentity(Hkey key) {
    const NtQueryKeyFunction query = NtQueryKeyEntry();
    if (query == nullptr) {
        return {};
    }
    // KEY_NAME_INFORMATION: a byte length, then the UTF-16 name without a terminator. Names are
    // at most 255 characters a level and 512 levels; grow once to the size the call reports.
    std::vector<ULONG> buffer(256);
    ULONG needed = 0;
    LONG status = query(reinterpret_cast<HANDLE>(key), kKeyNameInformation, buffer.data(),
                        static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &needed);
    if (status < 0 && needed > buffer.size() * sizeof(ULONG)) {
        buffer.resize(needed / sizeof(ULONG) + 1);
        status = query(reinterpret_cast<HANDLE>(key), kKeyNameInformation, buffer.data(),
                       static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &needed);
    }
    if (status < 0) {
        return {};
    }
    const ULONG bytes = buffer[0];
    const auto* name = reinterpret_cast<const char16_t*>(buffer.data() + 1);
    // Upper-cased as Windows compares key names, so equal names mean one key.
    std::u16string upper(name, bytes / sizeof(char16_t));
    CharUpperBuffW(reinterpret_cast<wchar_t*>(upper.data()), static_cast<DWORD>(upper.size()));
    return AnsiFromUtf16(upper);
}

namespace {

// A found entry with its name in the ANSI code page. The wide search is used because the ANSI
// one holds a name in MAX_PATH bytes (a 255-character name takes up to 765 in UTF-8) and
// gives a best-fit guess for a name the code page lacks.
FindEntry EntryOf(const WIN32_FIND_DATAW& data) {
    FindEntry entry;
    entry.name = AnsiOf(data.cFileName, entry.lossy);
    entry.attributes = data.dwFileAttributes;
    return entry;
}

} // namespace

bool Win32Platform::FindFirst(std::string_view path, FindEntry& entry) {
    std::wstring wide;
    if (!WideOf(path, wide)) {
        return false;
    }
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW(wide.c_str(), &data));
    if (!find) {
        return false;
    }
    entry = EntryOf(data);
    return true;
}

std::uint32_t Win32Platform::FileAttributes(std::string_view path, std::uint32_t& error) {
    thread_local std::wstring wide; // reused, as for OpenKey
    if (!WideOf(path, wide)) {
        error = kInvalidName;
        return INVALID_FILE_ATTRIBUTES;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_SUCCESS;
    return attributes;
}

bool Win32Platform::VolumeReachable(std::string_view root) {
    // A removable drive without media would otherwise ask the user to insert a disk.
    ThreadErrorMode quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::wstring path;
    if (!WideOf(root, path)) {
        return false;
    }
    // A drive letter that names no volume needs no further question (and no wait).
    if (path.size() == 3 && path[1] == L':' && GetDriveTypeW(path.c_str()) == DRIVE_NO_ROOT_DIR) {
        return false;
    }
    // Reading the root's attributes touches the volume itself: an empty card reader answers
    // ERROR_NOT_READY, a share that does not answer ERROR_BAD_NETPATH. A root that exists but
    // refuses to be read still holds files that can be judged.
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

bool Win32Platform::DeleteFileAt(std::string_view path) {
    std::wstring wide;
    return WideOf(path, wide) && DeleteFileW(wide.c_str()) != 0;
}

std::vector<FindEntry> Win32Platform::ListFolder(std::string_view pattern) {
    std::vector<FindEntry> entries;
    std::wstring wide;
    if (!WideOf(pattern, wide)) {
        return entries;
    }
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW(wide.c_str(), &data));
    if (!find) {
        return entries;
    }
    do {
        entries.push_back(EntryOf(data));
    } while (FindNextFileW(find.get(), &data));
    return entries;
}

FileWriteResult Win32Platform::WriteWholeFile(std::string_view path, std::string_view data,
                                              bool replace) {
    // CREATE_NEW fails when the name is taken, in one step with the creation: no other writer
    // can come between a test for the name and the file.
    std::wstring wide;
    if (!WideOf(path, wide)) {
        return {FileWriteResult::Stage::Create, kInvalidName};
    }
    FileHandle file(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr,
                                replace ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file) {
        return {FileWriteResult::Stage::Create, GetLastError()};
    }
    std::size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file.get(), data.data() + done, chunk, &written, nullptr) || written == 0) {
            const DWORD error = GetLastError();
            return {FileWriteResult::Stage::Write, error != 0 ? error : ERROR_DISK_FULL};
        }
        done += written;
    }
    if (!FlushFileBuffers(file.get())) {
        // A character device (NUL, CON) refuses to be flushed, having nothing to flush; only a
        // disk file's failed flush means lost data.
        const DWORD error = GetLastError();
        if (GetFileType(file.get()) == FILE_TYPE_DISK) {
            return {FileWriteResult::Stage::Flush, error};
        }
    }
    HANDLE raw = file.release(); // closed by hand, so that a failed close is seen
    if (!CloseHandle(raw)) {
        return {FileWriteResult::Stage::Close, GetLastError()};
    }
    return {};
}

std::uint32_t Win32Platform::ReadWholeFile(std::string_view path, std::string& data) {
    std::wstring wide;
    if (!WideOf(path, wide)) {
        return kInvalidName;
    }
    FileHandle file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return GetLastError();
    }
    data.clear();
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) {
            return GetLastError();
        }
        if (read == 0) {
            return 0;
        }
        data.append(buffer, read);
    }
}

std::uint32_t Win32Platform::MoveFileTo(std::string_view from, std::string_view to) {
    // Without MOVEFILE_REPLACE_EXISTING a file already at `to` is never replaced.
    std::wstring source, target;
    if (!WideOf(from, source) || !WideOf(to, target)) {
        return kInvalidName;
    }
    if (!MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED)) {
        return GetLastError();
    }
    return 0;
}

std::uint32_t Win32Platform::CreateFolder(std::string_view path) {
    std::wstring wide;
    if (!WideOf(path, wide)) {
        return kInvalidName;
    }
    return CreateDirectoryW(wide.c_str(), nullptr) ? 0 : GetLastError();
}

std::uint32_t Win32Platform::RemoveFolder(std::string_view path) {
    std::wstring wide;
    if (!WideOf(path, wide)) {
        return kInvalidName;
    }
    return RemoveDirectoryW(wide.c_str()) ? 0 : GetLastError();
}

std::string Win32Platform::ErrorText(std::uint32_t code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text;
    if (length != 0 && buffer != nullptr) {
        text.assign(buffer, length);
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        text = "System error " + std::to_string(code) + ".";
    }
    return text;
}

std::string Win32Platform::ShortcutTarget(std::string_view path) {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.put())))) {
        return {};
    }
    ComPtr<IPersistFile> file;
    if (FAILED(
            link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())))) {
        return {};
    }
    std::wstring wide;
    if (!WideOf(path, wide) || FAILED(file.get()->Load(wide.c_str(), STGM_READ))) {
        return {};
    }
    if (GetACP() == CP_UTF8) {
        // A UTF-8 target takes up to three bytes a character, more than the ANSI call's
        // MAX_PATH bytes hold: the wide call answers in characters, converted strictly.
        ComPtr<IShellLinkW> wideLink;
        wchar_t target[MAX_PATH + 1] = {};
        WIN32_FIND_DATAW data{};
        if (FAILED(link.get()->QueryInterface(IID_IShellLinkW,
                                              reinterpret_cast<void**>(wideLink.put()))) ||
            wideLink.get()->GetPath(target, MAX_PATH, &data, SLGP_UNCPRIORITY) != S_OK) {
            return {};
        }
        return ExactAnsiPath(target);
    }
    // One byte more than offered: a 260-byte path comes back without a terminating zero
    // (measured under Wine), and the zeroed buffer is all an installer shortcut leaves.
    char target[MAX_PATH + 1] = {};
    WIN32_FIND_DATAA data{};
    if (link.get()->GetPath(target, MAX_PATH, &data, SLGP_UNCPRIORITY) != S_OK) {
        return {};
    }
    return target;
}

std::string Win32Platform::FontsFolder() {
    return SpecialFolder(CSIDL_FONTS);
}

std::string Win32Platform::DocumentsFolder() {
    return SpecialFolder(CSIDL_PERSONAL);
}

std::string Win32Platform::LocalAppDataFolder() {
    return SpecialFolder(CSIDL_LOCAL_APPDATA);
}

std::string Win32Platform::ProgramFolder() {
    // Sized from the call's answer: a long path takes more than MAX_PATH characters.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            std::wstring_view path(buffer.data(), length);
            return ExactAnsiPath(path.substr(0, path.find_last_of(L'\\') + 1));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string Win32Platform::ExpandEnvironment(std::string_view text) {
    std::wstring source;
    if (!WideOf(text, source)) {
        return {};
    }
    // The answer's size, terminator included; asked again while the environment grows. Text
    // that does not convert back exactly expands to nothing: it cannot be tested.
    std::wstring expanded(std::max<std::size_t>(source.size() + 1, MAX_PATH), L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD needed = ExpandEnvironmentStringsW(source.c_str(), expanded.data(),
                                                       static_cast<DWORD>(expanded.size()));
        if (needed == 0) {
            return {};
        }
        if (needed <= expanded.size()) {
            return ExactAnsiPath(std::wstring_view(expanded.data(), needed - 1));
        }
        expanded.assign(needed, L'\0');
    }
    return {};
}

std::string Win32Platform::WindowsFolder() {
    // The system's own Windows folder, also under Terminal Services (GetWindowsDirectory may give
    // a private one there); System32 and SysWOW64 are below it.
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = GetSystemWindowsDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length > MAX_PATH) {
        return {};
    }
    std::string path = ExactAnsiPath(std::wstring_view(buffer, length));
    while (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

std::string Win32Platform::ComputerName() {
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(buffer, &size)) {
        return {};
    }
    bool lossy = false;
    return AnsiOf(std::wstring_view(buffer, size), lossy);
}

bool Win32Platform::HasAdministratorRights() {
    // CheckTokenMembership sees the group only where it is enabled: an administrator's filtered
    // token (not elevated) holds it for denying only, as Windows' own IsUserAnAdmin tests.
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
        return false;
    }
    const std::unique_ptr<void, decltype(&FreeSid)> owner(administrators, &FreeSid);
    BOOL member = FALSE;
    return CheckTokenMembership(nullptr, administrators, &member) && member;
}

bool Win32Platform::EqualTextIgnoreCase(std::string_view a, std::string_view b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                          static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::string Win32Platform::IgnoreCaseKey(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int bytes = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE,
                                   text.data(), length, nullptr, 0);
    std::string key(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    if (bytes <= 0 || LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE,
                                   text.data(), length, key.data(), bytes) == 0) {
        // No key: the text stands for itself, marked so that no key of another text equals it.
        key.assign(1, '\1');
        key.append(text.data(), text.size());
    }
    return key;
}

std::u16string Win32Platform::OrdinalUpperCase(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int bytes = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, nullptr, 0);
    std::u16string upper(static_cast<std::size_t>(std::max(units, 0)), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, reinterpret_cast<wchar_t*>(upper.data()),
                        units);
    const UpcaseFunction upcase = UpcaseEntry();
    for (char16_t& unit : upper) {
        if (upcase != nullptr) {
            unit = static_cast<char16_t>(upcase(static_cast<WCHAR>(unit)));
        } else if (unit >= u'a' && unit <= u'z') {
            unit = static_cast<char16_t>(unit - (u'a' - u'A'));
        }
    }
    return upper;
}

// The local time and its offset come from one reading of the clock, so that a report written
// at the moment daylight saving time begins or ends names a time that existed.
LocalTime Win32Platform::Now() {
    SYSTEMTIME utc{};
    GetSystemTime(&utc);
    SYSTEMTIME t{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &t)) {
        GetLocalTime(&t);
        return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, 0};
    }
    FILETIME utcFile{}, localFile{};
    SystemTimeToFileTime(&utc, &utcFile);
    SystemTimeToFileTime(&t, &localFile);
    const auto ticks = [](const FILETIME& f) {
        return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) |
                                      f.dwLowDateTime);
    };
    constexpr long long kTicksPerMinute = 600000000; // 100-nanosecond units
    const long long offset = (ticks(localFile) - ticks(utcFile)) / kTicksPerMinute;
    return LocalTime{
        t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, static_cast<int>(offset)};
}

std::string Win32Platform::TimeSeparator() {
    char buffer[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, buffer, sizeof buffer) <= 1) {
        return ":";
    }
    return buffer;
}

Hmodule Win32Platform::ProgramModule() {
    return reinterpret_cast<Hmodule>(GetModuleHandleA(nullptr));
}

std::string_view Win32Platform::VersionResource(Hmodule module) {
    HMODULE handle = reinterpret_cast<HMODULE>(module);
    HRSRC info = FindResourceA(handle, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    if (info == nullptr) {
        return {};
    }
    // A loaded resource needs no release: it lives as long as its module.
    HGLOBAL loaded = LoadResource(handle, info);
    if (loaded == nullptr) {
        return {};
    }
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) {
        return {};
    }
    return {static_cast<const char*>(bytes), SizeofResource(handle, info)};
}

std::string Win32Platform::StringResource(std::uint32_t id) {
    char buffer[4096] = {};
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

std::string Win32Platform::Utf8FromAnsi(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int bytes = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, nullptr, 0);
    if (units <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, wide.data(), units);
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, out.data(), size, nullptr, nullptr);
    return out;
}

std::string Win32Platform::AnsiFromUtf16(std::u16string_view text) {
    if (text.empty()) {
        return {};
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int units = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, units, out.data(), size, nullptr, nullptr);
    return out;
}

bool Win32Platform::Utf16FromAnsiExactly(std::string_view text, std::u16string& out) {
    std::wstring wide;
    if (!WideOf(text, wide)) {
        return false;
    }
    out.assign(wide.begin(), wide.end());
    return true;
}

bool Win32Platform::AnsiFromUtf16Exactly(std::u16string_view text, std::string& out) {
    bool lossy = false;
    out = AnsiOf(std::wstring_view(reinterpret_cast<const wchar_t*>(text.data()), text.size()),
                 lossy);
    return !lossy;
}

bool Win32Platform::IsLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

ComInitialization::ComInitialization() {
    initialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

ComInitialization::~ComInitialization() {
    if (initialized_) {
        CoUninitialize();
    }
}

} // namespace mendrake::platform
