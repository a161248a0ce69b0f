// A platform that forwards every call to another one and counts the registry and file-system
// calls by kind: the number of calls is what a scan costs under Wine, where each is a round
// trip to the wine server. Used by the benchmark and by the tests of the scan counters.
#pragma once

#include "platform/platform.h"

#include <cstdint>

namespace mendrake::test {

struct CallCounts {
    std::uint64_t openKey = 0, closeKey = 0, queryInfoKey = 0, enumKey = 0, enumValue = 0,
                  queryValue = 0, deleteKey = 0, deleteValue = 0, keyIdentity = 0, findFirst = 0,
                  fileAttributes = 0, listFolder = 0, shortcutTarget = 0, volumeReachable = 0;
    std::uint64_t Registry() const {
        return openKey + closeKey + queryInfoKey + enumKey + enumValue + queryValue + deleteKey +
               deleteValue + keyIdentity;
    }
    std::uint64_t Files() const {
        return findFirst + fileAttributes + listFolder + shortcutTarget + volumeReachable;
    }
};

class CountingPlatform final : public platform::Platform {
  public:
    explicit CountingPlatform(platform::Platform& inner) : inner_(inner) {}
    CallCounts counts;

    long OpenKey(platform::Hkey parent, std::string_view subkey, std::uint32_t access,
                 platform::Hkey& result) override {
        ++counts.openKey;
        return inner_.OpenKey(parent, subkey, access, result);
    }
    long CreateKey(platform::Hkey parent, std::string_view subkey,
                   platform::Hkey& result) override {
        return inner_.CreateKey(parent, subkey, result);
    }
    long CloseKey(platform::Hkey key) override {
        ++counts.closeKey;
        return inner_.CloseKey(key);
    }
    long QueryInfoKey(platform::Hkey key, std::uint32_t& subkeys, std::uint32_t& values) override {
        ++counts.queryInfoKey;
        return inner_.QueryInfoKey(key, subkeys, values);
    }
    using platform::Platform::EnumKey;
    using platform::Platform::EnumValue;
    using platform::Platform::WriteWholeFile;
    long EnumKey(platform::Hkey key, std::uint32_t index, std::string& name, bool& lossy) override {
        ++counts.enumKey;
        return inner_.EnumKey(key, index, name, lossy);
    }
    long EnumValue(platform::Hkey key, std::uint32_t index, std::string& name, bool& lossy,
                   platform::RegValue* value) override {
        ++counts.enumValue;
        return inner_.EnumValue(key, index, name, lossy, value);
    }
    long QueryValue(platform::Hkey key, std::string_view name, platform::RegValue& value) override {
        ++counts.queryValue;
        return inner_.QueryValue(key, name, value);
    }
    long SetValue(platform::Hkey key, std::string_view name, std::uint32_t type,
                  std::string_view data) override {
        return inner_.SetValue(key, name, type, data);
    }
    long DeleteKey(platform::Hkey parent, std::string_view subkey) override {
        ++counts.deleteKey;
        return inner_.DeleteKey(parent, subkey);
    }
    long DeleteValue(platform::Hkey key, std::string_view name) override {
        ++counts.deleteValue;
        return inner_.DeleteValue(key, name);
    }
    std::string KeyIdentity(platform::Hkey key) override {
        ++counts.keyIdentity;
        return inner_.KeyIdentity(key);
    }
    bool FindFirst(std::string_view path, platform::FindEntry& entry) override {
        ++counts.findFirst;
        return inner_.FindFirst(path, entry);
    }
    std::uint32_t FileAttributes(std::string_view path, std::uint32_t& error) override {
        ++counts.fileAttributes;
        return inner_.FileAttributes(path, error);
    }
    bool VolumeReachable(std::string_view root) override {
        ++counts.volumeReachable;
        return inner_.VolumeReachable(root);
    }
    bool DeleteFileAt(std::string_view path) override { return inner_.DeleteFileAt(path); }
    std::vector<platform::FindEntry> ListFolder(std::string_view pattern) override {
        ++counts.listFolder;
        return inner_.ListFolder(pattern);
    }
    std::uint32_t ReadWholeFile(std::string_view path, std::string& data) override {
        return inner_.ReadWholeFile(path, data);
    }
    std::uint32_t MoveFileTo(std::string_view from, std::string_view to) override {
        return inner_.MoveFileTo(from, to);
    }
    std::uint32_t CreateFolder(std::string_view path) override { return inner_.CreateFolder(path); }
    std::uint32_t RemoveFolder(std::string_view path) override { return inner_.RemoveFolder(path); }
    platform::FileWriteResult WriteWholeFile(std::string_view path, std::string_view data,
                                             bool replace) override {
        return inner_.WriteWholeFile(path, data, replace);
    }
    std::string ErrorText(std::uint32_t code) override { return inner_.ErrorText(code); }
    std::string ShortcutTarget(std::string_view path) override {
        ++counts.shortcutTarget;
        return inner_.ShortcutTarget(path);
    }
    std::string FontsFolder() override { return inner_.FontsFolder(); }
    std::string DocumentsFolder() override { return inner_.DocumentsFolder(); }
    std::string LocalAppDataFolder() override { return inner_.LocalAppDataFolder(); }
    std::string ProgramFolder() override { return inner_.ProgramFolder(); }
    std::string WindowsFolder() override { return inner_.WindowsFolder(); }
    std::string ExpandEnvironment(std::string_view text) override {
        return inner_.ExpandEnvironment(text);
    }
    std::string ComputerName() override { return inner_.ComputerName(); }
    bool HasAdministratorRights() override { return inner_.HasAdministratorRights(); }
    bool EqualTextIgnoreCase(std::string_view a, std::string_view b) override {
        return inner_.EqualTextIgnoreCase(a, b);
    }
    std::string IgnoreCaseKey(std::string_view text) override { return inner_.IgnoreCaseKey(text); }
    std::u16string OrdinalUpperCase(std::string_view text) override {
        return inner_.OrdinalUpperCase(text);
    }
    std::string AnsiFromUtf16(std::u16string_view text) override {
        return inner_.AnsiFromUtf16(text);
    }
    std::string Utf8FromAnsi(std::string_view text) override { return inner_.Utf8FromAnsi(text); }
    bool Utf16FromAnsiExactly(std::string_view text, std::u16string& out) override {
        return inner_.Utf16FromAnsiExactly(text, out);
    }
    bool AnsiFromUtf16Exactly(std::u16string_view text, std::string& out) override {
        return inner_.AnsiFromUtf16Exactly(text, out);
    }
    bool IsLeadByte(unsigned char byte) override { return inner_.IsLeadByte(byte); }
    platform::LocalTime Now() override { return inner_.Now(); }
    std::string TimeSeparator() override { return inner_.TimeSeparator(); }
    platform::Hmodule ProgramModule() override { return inner_.ProgramModule(); }
    std::string_view VersionResource(platform::Hmodule module) override {
        return inner_.VersionResource(module);
    }
    std::string StringResource(std::uint32_t id) override { return inner_.StringResource(id); }

  private:
    platform::Platform& inner_;
};

} // namespace mendrake::test
