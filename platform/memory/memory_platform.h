// An in-memory Windows: registry and file system with the semantics the scanners can observe.
//
// - Key and value names compare without regard to case (letters a to z); subkeys enumerate in
//   case-insensitive sorted order, values in creation order.
// - HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes, as Wine stores it, merged as
//   Windows merges it when a key is opened: a key that HKEY_CURRENT_USER\Software\Classes holds
//   at the same path is opened instead of the machine's. Listings and created keys are the
//   machine's.
// - Paths: drive letters ("C:\...") and network shares ("\\server\share\..."); a rooted path
//   without a drive ("\x") is on drive C:. "/" separates like "\".
// - FindFirst matches `*` and `?` in the last component; listings hold "." and ".." for every
//   folder but a drive's root, as Windows reports them.
// - Shortcut files are read with the shortcut-format reader (lnk_reader.h).
// - Names and strings that the ANSI code page cannot carry are planted with PutWideValue.
// - HKEY_USERS holds what tests plant there (a logged-on user's hive) and the hive files that
//   LoadHive attaches below it; a hive file (SaveHive) is held while it is loaded, UnloadHive
//   refuses while a key of the hive is open, and what was written into the loaded hive is in
//   the file once it is unloaded, as on Windows.
#pragma once

#include "platform/memory/code_page_model.h"
#include "platform/platform.h"

#include <map>
#include <memory>
#include <set>

namespace mendrake::platform {

class MemoryPlatform final : public Platform {
  public:
    MemoryPlatform();
    ~MemoryPlatform() override;
    MemoryPlatform(const MemoryPlatform&) = delete;
    MemoryPlatform& operator=(const MemoryPlatform&) = delete;

    // ---- Platform ----
    long OpenKey(Hkey parent, std::string_view subkey, std::uint32_t access, Hkey& result) override;
    long CreateKey(Hkey parent, std::string_view subkey, Hkey& result) override;
    long CloseKey(Hkey key) override;
    long QueryInfoKey(Hkey key, std::uint32_t& subkeys, std::uint32_t& values) override;
    using Platform::EnumKey;
    using Platform::EnumValue;
    using Platform::WriteWholeFile;
    long EnumKey(Hkey key, std::uint32_t index, std::string& name, bool& lossy) override;
    long EnumValue(Hkey key, std::uint32_t index, std::string& name, bool& lossy,
                   RegValue* value) override;
    long QueryValue(Hkey key, std::string_view name, RegValue& value) override;
    long SetValue(Hkey key, std::string_view name, std::uint32_t type,
                  std::string_view data) override;
    long DeleteKey(Hkey parent, std::string_view subkey) override;
    long DeleteValue(Hkey key, std::string_view name) override;
    std::string KeyIdentity(Hkey key) override;

    bool FindFirst(std::string_view path, FindEntry& entry) override;
    std::uint32_t FileAttributes(std::string_view path, std::uint32_t& error) override;
    bool VolumeReachable(std::string_view root) override;
    bool DeleteFileAt(std::string_view path) override;
    std::vector<FindEntry> ListFolder(std::string_view pattern) override;
    FileWriteResult WriteWholeFile(std::string_view path, std::string_view data,
                                   bool replace) override;
    std::uint32_t ReadWholeFile(std::string_view path, std::string& data) override;
    std::uint32_t MoveFileTo(std::string_view from, std::string_view to) override;
    std::uint32_t CreateFolder(std::string_view path) override;
    std::uint32_t RemoveFolder(std::string_view path) override;
    std::string ErrorText(std::uint32_t code) override;

    std::string ShortcutTarget(std::string_view path) override;
    std::string FontsFolder() override { return fontsFolder; }
    std::string DocumentsFolder() override { return documentsFolder; }
    std::string LocalAppDataFolder() override { return localAppDataFolder; }
    std::string ProgramFolder() override { return programFolder; }
    std::string WindowsFolder() override { return windowsFolder; }
    std::string ExpandEnvironment(std::string_view text) override;
    std::string ComputerName() override { return computerName; }
    bool HasAdministratorRights() override { return administrator; }
    long LoadHive(std::string_view name, std::string_view file) override;
    long UnloadHive(std::string_view name) override;
    std::string AccountName(std::string_view sid) override;

    bool EqualTextIgnoreCase(std::string_view a, std::string_view b) override;
    std::string IgnoreCaseKey(std::string_view text) override;
    std::u16string OrdinalUpperCase(std::string_view text) override;
    LocalTime Now() override { return now; }
    std::string TimeSeparator() override { return timeSeparator; }

    Hmodule ProgramModule() override { return 1; }
    std::string_view VersionResource(Hmodule module) override;
    std::string StringResource(std::uint32_t id) override;
    std::string AnsiFromUtf16(std::u16string_view text) override; // Windows-1252
    std::string Utf8FromAnsi(std::string_view text) override;     // Windows-1252
    bool Utf16FromAnsiExactly(std::string_view text, std::u16string& out) override;
    bool AnsiFromUtf16Exactly(std::u16string_view text, std::string& out) override;
    bool IsLeadByte(unsigned char byte) override;

    // ---- set-up for tests ----
    // Registry: `path` below `root`, components separated by backslashes.
    void AddKey(Hkey root, std::string_view path);
    void PutValue(Hkey root, std::string_view path, std::string_view name, std::uint32_t type,
                  std::string_view data);
    void PutText(Hkey root, std::string_view path, std::string_view name, std::string_view text,
                 std::uint32_t type = kRegSz); // stores the terminating zero
    void PutNumber(Hkey root, std::string_view path, std::string_view name, std::uint32_t number);
    // What a program using the wide functions can store: key names of `path`, the value's name
    // and, for string types, its `stored` bytes are UTF-16 as the hive holds them. A character
    // the model's ANSI code page (`codePage`) lacks reaches the engine as "?" with the
    // lossy flag set, as from the Windows platform; so do a NUL inside a value name and string
    // data of an odd byte count. A key or value so named is never reached by its ANSI name.
    void PutWideValue(Hkey root, std::u16string_view path, std::u16string_view name,
                      std::uint32_t type, std::string_view stored);
    bool KeyExists(Hkey root, std::string_view path);
    // Makes `path` a link to the key `target` (both below `root`), as Windows and Wine link the
    // keys both registry views share: opening either path reaches the one key. The link keeps
    // its own name in its parent's listing.
    void LinkKey(Hkey root, std::string_view path, std::string_view target);
    // Every open of the key with full access is refused (ERROR_ACCESS_DENIED).
    void DenyFullAccess(Hkey root, std::string_view path);
    // The key is read-only for this user: opens with full access, creating it or a key below
    // it, and setting its values are refused (ERROR_ACCESS_DENIED); reading works.
    void DenyWrites(Hkey root, std::string_view path);
    // Every open of the key is refused, for reading too.
    void DenyAccess(Hkey root, std::string_view path);
    // Every enumeration index of the key fails with `error`, as Wine's Perflib key does.
    void FailEnumeration(Hkey root, std::string_view path, long error);
    // Listing the key's parent fails with `error` at this key's index only, as a 255-character
    // name fails with ERROR_MORE_DATA in a double-byte code page's ANSI buffer.
    void FailNameListing(Hkey root, std::string_view path, long error);
    // Loads REGEDIT4 or version-5 .reg text.
    void LoadRegText(std::string_view text);
    // Hive files, as RegSaveKey writes them: a copy of the key `path` below `root` (with
    // everything below it) becomes the hive file `file`, which is made in the file system.
    // LoadHive of a file that exists without a hive behind it fails as for a damaged hive.
    void SaveHive(Hkey root, std::string_view path, std::string_view file);
    // Whether LoadHive holds the file open (until UnloadHive).
    bool HiveHeld(std::string_view file);

    // File system: folders are made with every missing level.
    void AddFolder(std::string_view path, std::uint32_t attributes = kAttrDirectory);
    void AddFile(std::string_view path, std::string_view contents = {},
                 std::uint32_t attributes = kAttrArchive);
    bool FileExists(std::string_view path); // a file (not a folder) at exactly this path
    std::string FileContents(std::string_view path);
    // A volume root ("E:", "\\server\share", with or without the trailing backslash) that does
    // not answer: no such drive, a drive without media, a share offline. Its files stay planted
    // but cannot be seen until it is reachable again. Every other root that holds anything is
    // reachable; roots never planted are not.
    void SetVolumeReachable(std::string_view root, bool reachable);
    // GetFileAttributesA of exactly this path fails with `error` although a search finds the
    // entry, as for a paging file (sharing violation) or a file pending deletion (access denied).
    void FailAttributes(std::string_view path, std::uint32_t error);
    // The next WriteWholeFile fails at this stage with this error.
    void FailNextWrite(FileWriteResult::Stage stage, std::uint32_t error);

    std::string fontsFolder = "C:\\windows\\Fonts"; // as Wine reports it
    std::string documentsFolder = "C:\\users\\tester\\Documents";
    std::string localAppDataFolder = "C:\\users\\tester\\AppData\\Local";
    std::string programFolder = "C:\\Program Files\\Mendrake\\";
    std::string windowsFolder = "C:\\windows"; // as Wine reports it
    // The process environment, by upper-cased name, as a 64-bit program under Wine has it.
    std::map<std::string, std::string> environment = {
        {"SYSTEMROOT", "C:\\windows"},
        {"WINDIR", "C:\\windows"},
        {"PROGRAMFILES", "C:\\Program Files"},
        {"PROGRAMFILES(X86)", "C:\\Program Files (x86)"},
        {"COMMONPROGRAMFILES", "C:\\Program Files\\Common Files"},
        {"COMMONPROGRAMFILES(X86)", "C:\\Program Files (x86)\\Common Files"}};
    std::string computerName = "TESTPC";
    bool administrator = true;
    // Whether the process's token holds the backup and restore privileges that loading a hive
    // needs (an administrator's does); without them LoadHive fails with
    // ERROR_PRIVILEGE_NOT_HELD.
    bool hivePrivileges = true;
    // The accounts AccountName knows, by SID.
    std::map<std::string, std::string> accounts;
    // The user's locale compares case as Turkish does: dotted and dotless i are distinct
    // letters, so "I" and "i" are no case pair (Windows-1254: "I" pairs with 0xFD, "i" with 0xDD).
    bool turkishCasing = false;
    std::string timeSeparator = ":";
    // The process's ANSI code page: Latin-1 (as Windows-1252 on an older Windows), UTF-8 (the
    // programs' manifest honoured) or the double-byte model. Set before planting anything.
    CodePageModel codePage = CodePageModel::Latin1;
    LocalTime now{2026, 12, 10, 14, 25, 30, 60};
    std::string versionResource;                  // bytes of the version resource
    std::map<std::uint32_t, std::string> strings; // the string table
    // When not 0, every CreateKey, QueryValue or SetValue fails with this error.
    long failCreateKey = 0, failQueryValue = 0, failSetValue = 0;

  private:
    std::string AnsiOf(std::u16string_view wide, bool& lossy) const;
    struct Key;
    struct Node;
    std::shared_ptr<Key> Resolve(Hkey handle);
    long Live(Hkey handle, std::shared_ptr<Key>& key);
    std::shared_ptr<Key> Walk(std::shared_ptr<Key> from, std::string_view path, bool create);
    Node* FindNode(std::string_view path);
    Node* MakeFolders(std::string_view path);

    // A key of HKEY_CLASSES_ROOT that both the user's and the machine's classes hold: Windows
    // merges them, the values from the user's key, the subkeys from both.
    struct ClassesSides {
        std::shared_ptr<Key> user, machine;
    };
    bool ClassesSidesOf(Hkey handle, ClassesSides& sides);
    // The subkeys of a merged key, in the order the registry lists them.
    const std::vector<std::shared_ptr<Key>>& MergedSubkeys(Hkey handle, const ClassesSides& sides);
    long DeleteKeyBelow(const std::shared_ptr<Key>& from, std::string_view subkey);

    std::shared_ptr<Key> machine_, user_, users_, classes_;
    std::map<Hkey, std::shared_ptr<Key>> handles_;
    std::map<Hkey, ClassesSides> classesSides_; // handles of merged keys
    // Merged listings as last built, with the registry's generation they were built in.
    std::map<Hkey, std::pair<std::uint64_t, std::vector<std::shared_ptr<Key>>>> mergedListings_;
    std::uint64_t generation_ = 0; // counts the keys created and deleted
    Hkey nextHandle_ = 0x1000;
    std::unique_ptr<Node> files_; // the nameless top: drives and shares below it
    FileWriteResult nextWriteFailure_{};
    std::set<std::string> offlineRoots_;                     // upper-cased roots
    std::map<std::string, std::uint32_t> attributeFailures_; // upper-cased path -> error
    std::map<std::string, std::shared_ptr<Key>> hiveFiles_;  // upper-cased file -> its keys
    std::map<std::string, std::string> loadedHives_;         // upper-cased name -> its file
};

} // namespace mendrake::platform
