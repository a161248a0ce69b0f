// The language the window shows: the stored number, the UI language when there is none, the
// user's choice from the menu, and the placeholders of the texts; on the memory platform.
#include "settings/lang_unit.h"
#include "settings/reg_unit.h"

#include "platform/memory/memory_platform.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

constexpr const char* kKey = "SOFTWARE\\Kestrava\\Mendrake";

std::optional<std::string> Stored(platform::MemoryPlatform& os) {
    platform::Hkey key = 0;
    if (os.OpenKey(platform::kCurrentUser, kKey, platform::kKeyRead, key) != platform::kSuccess) {
        return std::nullopt;
    }
    platform::RegValue value;
    const long status = os.QueryValue(key, "language", value);
    os.CloseKey(key);
    if (status != platform::kSuccess) {
        return std::nullopt;
    }
    return value.data.substr(0, value.data.find('\0'));
}

TEST(LanguageSetting, FillInReplacesNumberedPlaceholdersInAnyOrder) {
    struct Case {
        const char* text;
        std::vector<std::string> values;
        const char* filled;
    };
    const Case cases[] = {
        {"%1 issues found", {"574"}, "574 issues found"},
        {"Восстановлено из %4: разделы (%1)",
         {"2", "3", "4", "C:\\b.reg"},
         "Восстановлено из C:\\b.reg: разделы (2)"},
        {"%2 before %1", {"a", "b"}, "b before a"},
        {"100% sure, %9 missing", {"x"}, "100% sure,  missing"},
        {"a value with %1 in it", {"%2"}, "a value with %2 in it"}, // values are not read again
        {"ends in %", {}, "ends in %"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.filled, FillIn(c.text, c.values)) << c.text;
    }
}

TEST(LanguageSetting, TheUiLanguageChoosesItsBlockOrEnglish) {
    struct Case {
        std::uint16_t langId;
        std::int32_t language;
    };
    const Case cases[] = {
        {0x0409, 0},    {0x0809, 0},    {0x0407, 1000}, {0x0807, 1000}, {0x0C07, 1000},
        {0x040C, 2000}, {0x0C0C, 2000}, {0x0C0A, 3000}, {0x080A, 3000}, {0x0410, 4000},
        {0x0416, 5000}, {0x0816, 5000}, {0x0415, 6000}, {0x0419, 7000}, {0x0411, 8000},
        {0x0804, 9000}, {0x1004, 9000}, {0x0404, 0},    {0x0C04, 0},    {0x041F, 0},
        {0x0000, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.language, LanguageOfUiLanguage(c.langId)) << std::hex << c.langId;
    }
}

TEST(LanguageSetting, TheStoredNumberRulesAndAMissingOneShowsTheUiLanguage) {
    struct Case {
        const char* stored; // nullptr: no value
        std::int32_t shown;
        const char* kept; // nullptr: no value afterwards
    };
    const Case cases[] = {
        {nullptr, 1000, nullptr},  {"0", 1000, nullptr},   {"abc", 1000, nullptr},
        {"-3", 1000, nullptr},     {"7000", 7000, "7000"}, {" 8000", 8000, "8000"},
        {"10000", 10000, "10000"},
    };
    for (const Case& c : cases) {
        platform::MemoryPlatform os;
        platform::ScopedOs installed(os);
        if (c.stored) {
            os.PutText(platform::kCurrentUser, kKey, "language", c.stored);
        }
        EXPECT_EQ(c.shown, ActivateLanguage(SettingsKey, 1000)) << (c.stored ? c.stored : "none");
        const auto kept = Stored(os);
        EXPECT_EQ(c.kept != nullptr, kept.has_value()) << (c.stored ? c.stored : "none");
        if (c.kept && kept) {
            EXPECT_EQ(c.kept, *kept);
        }
    }
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    ActivateLanguage(SettingsKey, 1000);
    EXPECT_FALSE(os.KeyExists(platform::kCurrentUser, kKey)) << "a fresh machine gets no key";
}

TEST(LanguageSetting, ChoosingEnglishOverAnotherUiLanguageIsKept) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    ChooseLanguage(SettingsKey, 2000, 0);
    EXPECT_EQ("2000", Stored(os).value_or("none"));
    ChooseLanguage(SettingsKey, 0, 0); // English where the UI is English: nothing stored
    EXPECT_FALSE(Stored(os));
    ChooseLanguage(SettingsKey, 0, 7000); // English where the UI is Russian
    EXPECT_EQ("10000", Stored(os).value_or("none"));
    EXPECT_EQ(kEnglishOverUiLanguage, ActivateLanguage(SettingsKey, 7000));
    os.strings = {{0, "English"}, {1, "Version"}, {7000, "Русский"}, {7001, "Версия"}};
    EXPECT_EQ("Version", LangText(ActivateLanguage(SettingsKey, 7000), 1));
    ChooseLanguage(SettingsKey, 7000, 7000);
    EXPECT_EQ("Версия", LangText(ActivateLanguage(SettingsKey, 7000), 1));
}

} // namespace
} // namespace mendrake
