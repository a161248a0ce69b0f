// The seam between Mendrake and the operating system.
//
// Everything the engine, the export, the fix and the settings need from Windows goes through
// the abstract `Platform` below. Two implementations exist: platform/win32 calls the
// Windows functions directly; platform/memory keeps a registry and a file system in memory with
// the Windows semantics the scanners can observe, so the logic can be tested on Linux.
//
// The registry half mirrors the advapi32 functions: handles are opaque numbers, the predefined
// roots keep their Windows values, and every call returns a Win32 error code (0 =
// ERROR_SUCCESS). Text is byte text in the ANSI code page throughout (UTF-8 where the system
// honours the programs' manifests); where the registry holds names or strings that the code page
// cannot carry, the listing and the value query say so (`lossy`), so that nothing is judged or
// deleted by a name or a text that is not its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mendrake::platform {

// Module handle (HMODULE) as an opaque number.
using Hmodule = std::uintptr_t;

// Registry key handle: either a predefined root or a handle returned by OpenKey/CreateKey.
using Hkey = std::uintptr_t;

inline constexpr Hkey kClassesRoot = 0x80000000u;
inline constexpr Hkey kCurrentUser = 0x80000001u;
inline constexpr Hkey kLocalMachine = 0x80000002u;
inline constexpr Hkey kUsers = 0x80000003u;

// Win32 error codes the engine looks at.
inline constexpr long kSuccess = 0;           // ERROR_SUCCESS
inline constexpr long kFileNotFound = 2;      // ERROR_FILE_NOT_FOUND
inline constexpr long kPathNotFound = 3;      // ERROR_PATH_NOT_FOUND
inline constexpr long kAccessDenied = 5;      // ERROR_ACCESS_DENIED
inline constexpr long kInvalidHandle = 6;     // ERROR_INVALID_HANDLE
inline constexpr long kSharingViolation = 32; // ERROR_SHARING_VIOLATION
inline constexpr long kFileExists = 80;       // ERROR_FILE_EXISTS
inline constexpr long kDiskFull = 112;        // ERROR_DISK_FULL
inline constexpr long kMoreData = 234;        // ERROR_MORE_DATA
inline constexpr long kNoMoreItems = 259;     // ERROR_NO_MORE_ITEMS
// ERROR_ALREADY_EXISTS: a folder made again, or a move onto a file that is there.
inline constexpr long kAlreadyExists = 183;

// Registry value types (winnt.h REG_*).
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// Access mask asked for by every open of the engine (KEY_ALL_ACCESS).
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
// KEY_READ: all that reading a key for a copy needs.
inline constexpr std::uint32_t kKeyRead = 0x20019;

// File attributes (winnt.h FILE_ATTRIBUTE_*).
inline constexpr std::uint32_t kAttrReadOnly = 0x1;
inline constexpr std::uint32_t kAttrHidden = 0x2;
inline constexpr std::uint32_t kAttrSystem = 0x4;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrReparsePoint = 0x400; // junction or symbolic link
inline constexpr std::uint32_t kAttrNormal = 0x80;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// One registry value as RegQueryValueExA returns it.
struct RegValue {
    std::uint32_t type = kRegNone;
    std::string data; // raw bytes, exactly as stored (ANSI for string types, terminator included)
    // For string types: `data` does not give back what the registry holds (characters outside
    // the ANSI code page became "?", or the stored UTF-16 has an odd number of bytes).
    bool lossy = false;
};

// One entry of a folder listing or a FindFirstFile search.
struct FindEntry {
    std::string name; // file name only, no folder
    std::uint32_t attributes = 0;
    // `name` is not the entry's real name (characters the ANSI code page lacks became "?"):
    // nothing can be reached by it.
    bool lossy = false;
};

// Local wall-clock time, as GetLocalTime gives it, and how far it is ahead of UTC.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int utcOffsetMinutes = 0; // local time minus UTC: 60 for UTC+01:00, -300 for UTC-05:00
};

// Where writing a whole file stopped, for the caller's error message.
struct FileWriteResult {
    enum class Stage { Done, Create, Write, Flush, Close };
    Stage stage = Stage::Done;
    std::uint32_t error = 0; // the system error code of the failed step
    bool ok() const { return stage == Stage::Done; }
};

class Platform {
  public:
    virtual ~Platform() = default;

    // ---- registry (advapi32, ANSI) ----
    // RegOpenKeyExA: opens `subkey` below `parent`; the empty subkey opens `parent` itself
    // (a new handle). Never creates anything.
    virtual long OpenKey(Hkey parent, std::string_view subkey, std::uint32_t access,
                         Hkey& result) = 0;
    // RegCreateKeyExA: opens or creates `subkey` with every missing level.
    virtual long CreateKey(Hkey parent, std::string_view subkey, Hkey& result) = 0;
    virtual long CloseKey(Hkey key) = 0;
    // RegQueryInfoKeyA: counts of subkeys and values.
    virtual long QueryInfoKey(Hkey key, std::uint32_t& subkeys, std::uint32_t& values) = 0;
    // RegEnumKeyExW / RegEnumValueW by index; kNoMoreItems past the end. `lossy` is set when
    // `name` is not the entry's real name: characters outside the ANSI code page became "?",
    // or the name holds a NUL that no ANSI call can pass. Such a name reaches another entry or
    // none when it is handed back.
    // With `value` given, the value's type and data come in the same call, as QueryValue
    // gives them: a listing of a key's values and their data costs one call per value.
    virtual long EnumKey(Hkey key, std::uint32_t index, std::string& name, bool& lossy) = 0;
    virtual long EnumValue(Hkey key, std::uint32_t index, std::string& name, bool& lossy,
                           RegValue* value) = 0;
    long EnumKey(Hkey key, std::uint32_t index, std::string& name) {
        bool lossy = false;
        return EnumKey(key, index, name, lossy);
    }
    long EnumValue(Hkey key, std::uint32_t index, std::string& name, bool& lossy) {
        return EnumValue(key, index, name, lossy, nullptr);
    }
    long EnumValue(Hkey key, std::uint32_t index, std::string& name) {
        bool lossy = false;
        return EnumValue(key, index, name, lossy, nullptr);
    }
    // RegQueryValueExA: type and raw data; kFileNotFound when there is no such value.
    // The empty name means the default value.
    virtual long QueryValue(Hkey key, std::string_view name, RegValue& value) = 0;
    // RegSetValueExA.
    virtual long SetValue(Hkey key, std::string_view name, std::uint32_t type,
                          std::string_view data) = 0;
    // RegDeleteKeyA: deletes `subkey` of `parent`, which must have no subkeys of its own.
    virtual long DeleteKey(Hkey parent, std::string_view subkey) = 0;
    virtual long DeleteValue(Hkey key, std::string_view name) = 0;
    // The full name of the physical key behind an open handle (NtQueryKey with
    // KeyNameInformation on Windows: "\REGISTRY\MACHINE\SOFTWARE\..."), the same for every path
    // that leads to it, through the links of keys that both registry views share; empty when it
    // cannot be asked. Two paths name one key exactly when their names are equal ignoring case.
    virtual std::string KeyIdentity(Hkey key) = 0;

    // ---- file system (kernel32, ANSI) ----
    // FindFirstFileA: the first entry that matches `path` (`*` and `?` in the last component).
    virtual bool FindFirst(std::string_view path, FindEntry& entry) = 0;
    // GetFileAttributesA; kInvalidAttributes when it fails, with the system's error code
    // (GetLastError) in `error`.
    virtual std::uint32_t FileAttributes(std::string_view path, std::uint32_t& error) = 0;
    // The same where the reason of a failure does not matter.
    std::uint32_t FileAttributes(std::string_view path) {
        std::uint32_t error = 0;
        return FileAttributes(path, error);
    }
    // Whether the volume root `root` ("Q:\" or "\\server\share\") answers at all: false for
    // a drive letter that is not mapped, a removable drive without media, or a share that
    // cannot be reached. Nothing on such a volume can be judged present or gone.
    virtual bool VolumeReachable(std::string_view root) = 0;
    virtual bool DeleteFileAt(std::string_view path) = 0;
    // FindFirstFileA/FindNextFileA over `pattern` (a folder followed by "*"), every attribute,
    // "." and ".." included where the file system reports them, in file-system order.
    virtual std::vector<FindEntry> ListFolder(std::string_view pattern) = 0;
    // Creates `path`, writes `data`, flushes and closes, checking every step. An existing file
    // is replaced, unless `replace` is false: then creating fails with kFileExists, so that
    // two writers can never take the same name.
    virtual FileWriteResult WriteWholeFile(std::string_view path, std::string_view data,
                                           bool replace) = 0;
    FileWriteResult WriteWholeFile(std::string_view path, std::string_view data) {
        return WriteWholeFile(path, data, true);
    }
    // Reads the whole file at `path` into `data`: 0, or the system error code.
    virtual std::uint32_t ReadWholeFile(std::string_view path, std::string& data) = 0;
    // MoveFileExA with MOVEFILE_COPY_ALLOWED: moves a file, to another volume too, and never
    // replaces one already at `to` (kAlreadyExists). 0, or the system error code.
    virtual std::uint32_t MoveFileTo(std::string_view from, std::string_view to) = 0;
    // CreateDirectoryA, one level: 0, kAlreadyExists when it is there, or the error code.
    virtual std::uint32_t CreateFolder(std::string_view path) = 0;
    // RemoveDirectoryA of an empty folder: 0, or the system error code.
    virtual std::uint32_t RemoveFolder(std::string_view path) = 0;
    // FormatMessageA of a system error code, without a trailing line end.
    virtual std::string ErrorText(std::uint32_t code) = 0;

    // ---- shell ----
    // The target that the shell's shortcut object reports for a .lnk file
    // (IShellLinkA::GetPath with SLGP_UNCPRIORITY); empty when it cannot be read.
    virtual std::string ShortcutTarget(std::string_view path) = 0;
    virtual std::string FontsFolder() = 0;     // CSIDL_FONTS, no trailing backslash
    virtual std::string DocumentsFolder() = 0; // CSIDL_PERSONAL, no trailing backslash
    virtual std::string ProgramFolder() = 0;   // folder of the running executable, ending in "\"
    virtual std::string WindowsFolder() = 0;   // GetSystemWindowsDirectoryA, no trailing backslash
    virtual std::string ComputerName() = 0;    // GetComputerNameA, empty on failure
    // ExpandEnvironmentStringsA with this process's environment: each %NAME% of a defined
    // variable replaced by its value, the others left as written; empty when it fails.
    virtual std::string ExpandEnvironment(std::string_view text) = 0;
    // Whether the process holds administrator rights: the Administrators group is enabled in
    // its token (an elevated process, or an administrator where elevation is off). Without
    // them, every full-access open below HKEY_LOCAL_MACHINE is refused.
    virtual bool HasAdministratorRights() = 0;
    // CSIDL_LOCAL_APPDATA, no trailing backslash; empty when it cannot be found.
    virtual std::string LocalAppDataFolder() = 0;

    // ---- other users' hives ----
    // RegLoadKeyW below HKEY_USERS: the hive file `file` becomes the key `name` until it is
    // unloaded, and stays open (held) as long. Windows demands the backup and restore
    // privileges for it: they are enabled in the process's token for the call. 0, or the error
    // code (ERROR_SHARING_VIOLATION for a hive in use, ERROR_PRIVILEGE_NOT_HELD without rights,
    // ERROR_BADDB for a damaged file).
    virtual long LoadHive(std::string_view name, std::string_view file) = 0;
    // RegUnLoadKeyW of the key `name` below HKEY_USERS: the hive is written back to its file,
    // and the file is released. Fails while a handle to a key of the hive is open.
    virtual long UnloadHive(std::string_view name) = 0;
    // The account a SID ("S-1-5-21-...") belongs to, as LookupAccountSidA names it
    // ("DOMAIN\name"); empty when the system does not know it.
    virtual std::string AccountName(std::string_view sid) = 0;

    // ---- locale and time ----
    // CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, ...) == CSTR_EQUAL.
    virtual bool EqualTextIgnoreCase(std::string_view a, std::string_view b) = 0;
    // A key for the text by that comparison: two texts are EqualTextIgnoreCase exactly when
    // their keys are equal (LCMapString's sort key with NORM_IGNORECASE), so that long lists
    // compare through a hash table instead of pair by pair.
    virtual std::string IgnoreCaseKey(std::string_view text) = 0;
    // The text in UTF-16, each unit upper-cased as the registry and the file system compare
    // names: ordinally, by the system's own upper-case table, never by the user's locale (under
    // Turkish casing "i" and "I" still pair). Two names are one exactly when these are equal.
    virtual std::u16string OrdinalUpperCase(std::string_view text) = 0;
    virtual LocalTime Now() = 0;
    virtual std::string TimeSeparator() = 0; // the user's time separator, ":" in most settings

    // ---- resources of a loaded module ----
    // The module handle of the running program (GetModuleHandleA(nullptr)).
    virtual Hmodule ProgramModule() = 0;
    // The bytes of the version resource (type 16, integer name 1) of `module`, as LockResource
    // gives them; empty when it cannot be found, loaded or locked. The bytes stay valid for the
    // life of the module (the platform keeps them for the memory platform).
    virtual std::string_view VersionResource(Hmodule module) = 0;
    // LoadStringA from the program's module; empty when the identifier is missing.
    virtual std::string StringResource(std::uint32_t id) = 0;
    // WideCharToMultiByte(CP_ACP): UTF-16 text (the version resource's names and values) in
    // the ANSI code page, characters it cannot hold as "?".
    virtual std::string AnsiFromUtf16(std::u16string_view text) = 0;
    // MultiByteToWideChar(CP_ACP) and WideCharToMultiByte(CP_UTF8): ANSI text as UTF-8, for
    // the machine-readable report.
    virtual std::string Utf8FromAnsi(std::string_view text) = 0;

    // ---- the ANSI code page ----
    // With the program's manifest, Windows 10 1903 and later (and Wine 8) make it UTF-8, where
    // every name and text has an exact form; older systems keep the user's legacy code page.
    // Strict conversions (no best-fit letter, no default character): false, and nothing
    // promised about `out`, when the text has no exact form on the other side.
    virtual bool Utf16FromAnsiExactly(std::string_view text, std::u16string& out) = 0;
    virtual bool AnsiFromUtf16Exactly(std::u16string_view text, std::string& out) = 0;
    // IsDBCSLeadByte: whether `byte` starts a two-byte character of a double-byte code page,
    // whose second byte may be any of 0x40 to 0xFE, a backslash (0x5C) included. Never true
    // in UTF-8 or a single-byte code page.
    virtual bool IsLeadByte(unsigned char byte) = 0;
};

// The platform the program runs on. The programs install the real one at start-up; tests
// install a memory platform or use the real one under Wine.
Platform& Os();
void SetOs(Platform* platform);

// Installs a platform for the lifetime of the object and restores the previous one after.
class ScopedOs {
  public:
    explicit ScopedOs(Platform& platform);
    ~ScopedOs();
    ScopedOs(const ScopedOs&) = delete;
    ScopedOs& operator=(const ScopedOs&) = delete;

  private:
    Platform* previous_;
};

} // namespace mendrake::platform
