// The real platform: the Windows functions, with an owner for every handle. Registry names
// and strings are read with the wide functions and converted here, so that text the ANSI code
// page cannot carry is known as such.
#pragma once

#include "platform/platform.h"

namespace mendrake::platform {

class Win32Platform final : public Platform {
  public:
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
    std::string FontsFolder() override;
    std::string DocumentsFolder() override;
    std::string LocalAppDataFolder() override;
    std::string ProgramFolder() override;
    std::string WindowsFolder() override;
    std::string ExpandEnvironment(std::string_view text) override;
    std::string ComputerName() override;
    bool HasAdministratorRights() override;
    long LoadHive(std::string_view name, std::string_view file) override;
    long UnloadHive(std::string_view name) override;
    std::string AccountName(std::string_view sid) override;

    bool EqualTextIgnoreCase(std::string_view a, std::string_view b) override;
    std::string IgnoreCaseKey(std::string_view text) override;
    std::u16string OrdinalUpperCase(std::string_view text) override;
    LocalTime Now() override;
    std::string TimeSeparator() override;

    Hmodule ProgramModule() override;
    std::string_view VersionResource(Hmodule module) override;
    std::string StringResource(std::uint32_t id) override;
    std::string AnsiFromUtf16(std::u16string_view text) override;
    std::string Utf8FromAnsi(std::string_view text) override;
    bool Utf16FromAnsiExactly(std::string_view text, std::u16string& out) override;
    bool AnsiFromUtf16Exactly(std::u16string_view text, std::string& out) override;
    bool IsLeadByte(unsigned char byte) override;
};

// COM for the thread, initialised for the life of the object (apartment-threaded, as the
// shell's shortcut object expects on the user-interface thread).
class ComInitialization {
  public:
    ComInitialization();
    ~ComInitialization();
    ComInitialization(const ComInitialization&) = delete;
    ComInitialization& operator=(const ComInitialization&) = delete;

  private:
    bool initialized_ = false;
};

} // namespace mendrake::platform
