// A platform that forwards every call to another one and counts the registry and file-system
// calls by kind: the number of calls is what a scan costs under Wine, where each is a round
// trip to the wine server. Used by the benchmark and by the tests of the scan counters.
#pragma once

#include "platform/forwarding_platform.h"

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

class CountingPlatform final : public platform::ForwardingPlatform {
  public:
    explicit CountingPlatform(platform::Platform& inner) : ForwardingPlatform(inner) {}
    CallCounts counts;

    long OpenKey(platform::Hkey parent, std::string_view subkey, std::uint32_t access,
                 platform::Hkey& result) override {
        ++counts.openKey;
        return ForwardingPlatform::OpenKey(parent, subkey, access, result);
    }
    long CloseKey(platform::Hkey key) override {
        ++counts.closeKey;
        return ForwardingPlatform::CloseKey(key);
    }
    long QueryInfoKey(platform::Hkey key, std::uint32_t& subkeys, std::uint32_t& values) override {
        ++counts.queryInfoKey;
        return ForwardingPlatform::QueryInfoKey(key, subkeys, values);
    }
    using platform::Platform::EnumKey;
    using platform::Platform::EnumValue;
    long EnumKey(platform::Hkey key, std::uint32_t index, std::string& name, bool& lossy) override {
        ++counts.enumKey;
        return ForwardingPlatform::EnumKey(key, index, name, lossy);
    }
    long EnumValue(platform::Hkey key, std::uint32_t index, std::string& name, bool& lossy,
                   platform::RegValue* value) override {
        ++counts.enumValue;
        return ForwardingPlatform::EnumValue(key, index, name, lossy, value);
    }
    long QueryValue(platform::Hkey key, std::string_view name, platform::RegValue& value) override {
        ++counts.queryValue;
        return ForwardingPlatform::QueryValue(key, name, value);
    }
    long DeleteKey(platform::Hkey parent, std::string_view subkey) override {
        ++counts.deleteKey;
        return ForwardingPlatform::DeleteKey(parent, subkey);
    }
    long DeleteValue(platform::Hkey key, std::string_view name) override {
        ++counts.deleteValue;
        return ForwardingPlatform::DeleteValue(key, name);
    }
    std::string KeyIdentity(platform::Hkey key) override {
        ++counts.keyIdentity;
        return ForwardingPlatform::KeyIdentity(key);
    }
    bool FindFirst(std::string_view path, platform::FindEntry& entry) override {
        ++counts.findFirst;
        return ForwardingPlatform::FindFirst(path, entry);
    }
    std::uint32_t FileAttributes(std::string_view path, std::uint32_t& error) override {
        ++counts.fileAttributes;
        return ForwardingPlatform::FileAttributes(path, error);
    }
    bool VolumeReachable(std::string_view root) override {
        ++counts.volumeReachable;
        return ForwardingPlatform::VolumeReachable(root);
    }
    std::vector<platform::FindEntry> ListFolder(std::string_view pattern) override {
        ++counts.listFolder;
        return ForwardingPlatform::ListFolder(pattern);
    }
    std::string ShortcutTarget(std::string_view path) override {
        ++counts.shortcutTarget;
        return ForwardingPlatform::ShortcutTarget(path);
    }
};

} // namespace mendrake::test
