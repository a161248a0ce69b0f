// Registry failures of the settings key and the language-text fallbacks, on a memory platform
// that fails the calls on request.
#include "settings/lang_unit.h"
#include "settings/reg_unit.h"

#include "engine/error.h"
#include "tests/native/error_of.h"
#include "platform/memory/memory_platform.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using test::ErrorOf;

constexpr const char* kKey = "SOFTWARE\\Kestrava\\Mendrake";

TEST(SettingsFailure, RegistryFailuresRaiseTheirMessages) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    os.failCreateKey = platform::kAccessDenied;
    EXPECT_EQ(ErrorOf([] { StoreLanguage(SettingsKey, 2); }),
              "Failed to create key \\SOFTWARE\\Kestrava\\Mendrake");
    EXPECT_FALSE(os.KeyExists(platform::kCurrentUser, kKey));
    os.failCreateKey = 0;

    os.PutText(platform::kCurrentUser, kKey, "language", "4");
    os.failSetValue = platform::kDiskFull;
    EXPECT_EQ(ErrorOf([] { WriteIntSetting(SettingsKey, "language", 5); }),
              "Failed to set data for 'language'");
    os.failSetValue = 0;

    os.failQueryValue = platform::kMoreData;
    EXPECT_EQ(ErrorOf([] { ReadIntSetting(SettingsKey, "language", 0); }),
              "Failed to get data for 'language'");
    os.failQueryValue = 0;
    EXPECT_EQ(ReadIntSetting(SettingsKey, "language", 0), 4);
}

TEST(SettingsFailure, AnUnopenableKeyReadsTheDefaultAndDeletesNothing) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    os.PutText(platform::kCurrentUser, kKey, "language", "0");
    os.DenyFullAccess(platform::kCurrentUser, kKey);
    EXPECT_EQ(ReadIntSetting(SettingsKey, "language", 8), 8);
    DeleteSetting(SettingsKey, "language");
    platform::Hkey key = 0;
    ASSERT_EQ(os.OpenKey(platform::kCurrentUser, kKey, 0x20019, key), platform::kSuccess);
    platform::RegValue value;
    EXPECT_EQ(os.QueryValue(key, "language", value), platform::kSuccess);
    os.CloseKey(key);
}

TEST(LangText, FallsBackToEnglishForMissingAndOutOfRangeIdentifiers) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    os.strings = {{0, "English"},     {1, "Version"},    {2, "&Analyse"},  {5, "Make &Backup"},
                  {6, "&Restore..."}, {1000, "Deutsch"}, {1001, "Fassung"}};
    struct Case {
        std::int32_t language, offset;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, "English"},          {0, 1, "Version"},
        {3, 1, "Version"},     // inside English's block: not a language, nor shifted texts
        {5, 1, "Version"},     // identifier 6 is an English text of its own
        {1000, 1, "Fassung"},  // a language of its own
        {1000, 2, "&Analyse"}, // a text the language lacks
        {10000, 1, "Version"}, // a block without texts
        {-3, 1, "Version"},    // below zero
        {65535, 1, "Version"}, // identifier 65536 does not exist
        {2147483647, 1, "Version"}, {-2147483647 - 1, 0, "English"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LangText(c.language, c.offset), c.text)
            << "language " << c.language << ", offset " << c.offset;
    }
}

} // namespace
} // namespace mendrake
