// A platform that hands every call to another one: the base of platforms that change or watch
// a few calls and leave the rest as the inner platform answers them.
#pragma once

#include "platform/platform.h"

namespace mendrake::platform {

class ForwardingPlatform : public Platform {
  public:
    explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

    long OpenKey(Hkey parent, std::string_view subkey, std::uint32_t access,
                 Hkey& result) override {
        return inner_.OpenKey(parent, subkey, access, result);
    }
    long CreateKey(Hkey parent, std::string_view subkey, Hkey& result) override {
        return inner_.CreateKey(parent, subkey, result);
    }
    long CloseKey(Hkey key) override { return inner_.CloseKey(key); }
    long QueryInfoKey(Hkey key, std::uint32_t& subkeys, std::uint32_t& values) override {
        return inner_.QueryInfoKey(key, subkeys, values);
    }
    using Platform::EnumKey;
    using Platform::EnumValue;
    using Platform::WriteWholeFile;
    long EnumKey(Hkey key, std::uint32_t index, std::string& name, bool& lossy) override {
        return inner_.EnumKey(key, index, name, lossy);
    }
    long EnumValue(Hkey key, std::uint32_t index, std::string& name, bool& lossy,
                   RegValue* value) override {
        return inner_.EnumValue(key, index, name, lossy, value);
    }
    long QueryValue(Hkey key, std::string_view name, RegValue& value) override {
        return inner_.QueryValue(key, name, value);
    }
    long SetValue(Hkey key, std::string_view name, std::uint32_t type,
                  std::string_view data) override {
        return inner_.SetValue(key, name, type, data);
    }
    long DeleteKey(Hkey parent, std::string_view subkey) override {
        return inner_.DeleteKey(parent, subkey);
    }
    long DeleteValue(Hkey key, std::string_view name) override {
        return inner_.DeleteValue(key, name);
    }
    std::string KeyIdentity(Hkey key) override { return inner_.KeyIdentity(key); }
    bool FindFirst(std::string_view path, FindEntry& entry) override {
        return inner_.FindFirst(path, entry);
    }
    std::uint32_t FileAttributes(std::string_view path, std::uint32_t& error) override {
        return inner_.FileAttributes(path, error);
    }
    bool VolumeReachable(std::string_view root) override { return inner_.VolumeReachable(root); }
    bool DeleteFileAt(std::string_view path) override { return inner_.DeleteFileAt(path); }
    std::vector<FindEntry> ListFolder(std::string_view pattern) override {
        return inner_.ListFolder(pattern);
    }
    FileWriteResult WriteWholeFile(std::string_view path, std::string_view data,
                                   bool replace) override {
        return inner_.WriteWholeFile(path, data, replace);
    }
    std::uint32_t ReadWholeFile(std::string_view path, std::string& data) override {
        return inner_.ReadWholeFile(path, data);
    }
    std::uint32_t MoveFileTo(std::string_view from, std::string_view to) override {
        return inner_.MoveFileTo(from, to);
    }
    std::uint32_t CreateFolder(std::string_view path) override { return inner_.CreateFolder(path); }
    std::uint32_t RemoveFolder(std::string_view path) override { return inner_.RemoveFolder(path); }
    std::string ErrorText(std::uint32_t code) override { return inner_.ErrorText(code); }
    std::string ShortcutTarget(std::string_view path) override {
        return inner_.ShortcutTarget(path);
    }
    std::string FontsFolder() override { return inner_.FontsFolder(); }
    std::string DocumentsFolder() override { return inner_.DocumentsFolder(); }
    std::string ProgramFolder() override { return inner_.ProgramFolder(); }
    std::string WindowsFolder() override { return inner_.WindowsFolder(); }
    std::string ComputerName() override { return inner_.ComputerName(); }
    std::string ExpandEnvironment(std::string_view text) override {
        return inner_.ExpandEnvironment(text);
    }
    bool HasAdministratorRights() override { return inner_.HasAdministratorRights(); }
    std::string LocalAppDataFolder() override { return inner_.LocalAppDataFolder(); }
    long LoadHive(std::string_view name, std::string_view file) override {
        return inner_.LoadHive(name, file);
    }
    long UnloadHive(std::string_view name) override { return inner_.UnloadHive(name); }
    std::string AccountName(std::string_view sid) override { return inner_.AccountName(sid); }
    bool EqualTextIgnoreCase(std::string_view a, std::string_view b) override {
        return inner_.EqualTextIgnoreCase(a, b);
    }
    std::string IgnoreCaseKey(std::string_view text) override { return inner_.IgnoreCaseKey(text); }
    std::u16string OrdinalUpperCase(std::string_view text) override {
        return inner_.OrdinalUpperCase(text);
    }
    LocalTime Now() override { return inner_.Now(); }
    std::string TimeSeparator() override { return inner_.TimeSeparator(); }
    Hmodule ProgramModule() override { return inner_.ProgramModule(); }
    std::string_view VersionResource(Hmodule module) override {
        return inner_.VersionResource(module);
    }
    std::string StringResource(std::uint32_t id) override { return inner_.StringResource(id); }
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

  protected:
    Platform& Inner() { return inner_; }

  private:
    Platform& inner_;
};

} // namespace mendrake::platform
