// The language setting and the exclusion list in the settings key: on the memory platform
// natively, on the real HKEY_CURRENT_USER under Wine, where the key is put back as it was after
// each test.
#include "settings/exclusion_unit.h"
#include "settings/lang_unit.h"
#include "settings/reg_unit.h"

#include "engine/error.h"
#include "platform/platform.h"
#include "tests/native/error_of.h"
#include "tests/support/kept_settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace mendrake {
namespace {

using platform::Os;

constexpr const char* kKey = test::kSettingsPath;

bool KeyExists(const char* path) {
    return test::UserKeyExists(path);
}

std::optional<platform::RegValue> Stored(const char* name) {
    return test::StoredSetting(name);
}

std::optional<platform::RegValue> Language() {
    return Stored("language");
}

void Put(const char* name, std::uint32_t type, const std::string& data) {
    test::PutSetting(name, type, data);
}

void PutLanguage(std::uint32_t type, const std::string& data) {
    Put("language", type, data);
}

// Each test starts without the values and without the (empty) keys, and leaves the registry
// as it found it.
class SettingsKeyTest : public testing::Test {
  protected:
    void SetUp() override {
        kept_.emplace();
        ASSERT_FALSE(KeyExists(kKey)) << "the settings key holds other data; not touching it";
    }
    void TearDown() override { kept_.reset(); }

  private:
    std::optional<test::KeptSettings> kept_;
};

// The calls of one activation of the main window.
std::int32_t Activate() {
    const std::int32_t language = ReadIntSetting(SettingsKey, "language", 0);
    StoreLanguage(SettingsKey, language);
    return language;
}

std::string Text(const std::string& text) {
    return text + std::string(1, '\0');
}

TEST_F(SettingsKeyTest, AFreshMachineReadsLanguageZeroAndCreatesNothing) {
    EXPECT_EQ(Activate(), 0);
    EXPECT_FALSE(KeyExists(kKey));
    DeleteSetting(SettingsKey, "language");
    EXPECT_FALSE(KeyExists(kKey));
    EXPECT_EQ(ReadIntSetting(SettingsKey, "language", 42), 42);
}

TEST_F(SettingsKeyTest, AnActivationRewritesOrDeletesTheStoredNumber) {
    struct Case {
        std::uint32_t type;
        std::string stored;
        std::int32_t read;
        std::optional<std::string> after; // the text stored afterwards; none = deleted
    };
    const std::vector<Case> cases = {
        {platform::kRegSz, Text("5"), 5, Text("5")},
        {platform::kRegSz, Text(" 7"), 7, Text("7")},
        {platform::kRegSz, Text("+4"), 4, Text("4")},
        {platform::kRegSz, Text("0012"), 12, Text("12")},
        {platform::kRegExpandSz, Text("9"), 9, Text("9")},
        {platform::kRegSz, "3", 3, Text("3")}, // stored without its terminating zero
        {platform::kRegSz, Text("2147483647"), 2147483647, Text("2147483647")},
        {platform::kRegSz, Text("abc"), 0, std::nullopt},
        {platform::kRegSz, Text("12abc"), 0, std::nullopt},
        {platform::kRegSz, Text("7 "), 0, std::nullopt},
        {platform::kRegSz, Text(""), 0, std::nullopt},
        {platform::kRegSz, Text("2147483648"), 0, std::nullopt},
        {platform::kRegSz, Text("0"), 0, std::nullopt},
        {platform::kRegSz, Text("-3"), -3, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("stored \"" + c.stored + "\"");
        PutLanguage(c.type, c.stored);
        EXPECT_EQ(Activate(), c.read);
        const auto after = Language();
        if (c.after) {
            ASSERT_TRUE(after.has_value());
            EXPECT_EQ(after->type, platform::kRegSz);
            EXPECT_EQ(after->data, *c.after);
        } else {
            EXPECT_FALSE(after.has_value()) << "still holds \"" << after->data << "\"";
            EXPECT_TRUE(KeyExists(kKey)); // the key itself stays
        }
    }
}

TEST_F(SettingsKeyTest, ANumberValueRaisesAndIsLeftUnchanged) {
    const std::string number("\x05\x00\x00\x00", 4);
    PutLanguage(platform::kRegDword, number);
    for (int activation = 0; activation < 2; ++activation) {
        try {
            Activate();
            ADD_FAILURE() << "no error raised";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Invalid data type for 'language'");
        }
        const auto after = Language();
        ASSERT_TRUE(after.has_value());
        EXPECT_EQ(after->type, platform::kRegDword);
        EXPECT_EQ(after->data, number);
    }
}

TEST_F(SettingsKeyTest, AKeyWithoutTheValueReadsTheDefaultAndWritesNothing) {
    platform::Hkey key = 0;
    ASSERT_EQ(Os().CreateKey(platform::kCurrentUser, kKey, key), platform::kSuccess);
    Os().CloseKey(key);
    EXPECT_EQ(Activate(), 0);
    EXPECT_FALSE(Language().has_value());
    EXPECT_TRUE(KeyExists(kKey));
}

TEST_F(SettingsKeyTest, WritingCreatesTheKeyWithEveryLevel) {
    for (std::int32_t value : {-12, -2147483647 - 1, 2147483647, 0}) {
        WriteIntSetting(SettingsKey, "language", value);
        const auto stored = Language();
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->type, platform::kRegSz);
        EXPECT_EQ(stored->data, Text(std::to_string(value)));
        EXPECT_EQ(ReadIntSetting(SettingsKey, "language", 99), value);
    }
    StoreLanguage(SettingsKey, 3);
    EXPECT_EQ(ReadIntSetting(SettingsKey, "language", 0), 3);
    StoreLanguage(SettingsKey, 0);
    EXPECT_FALSE(Language().has_value());
    EXPECT_TRUE(KeyExists(kKey));
}

// ---- the exclusion list ----

using Entries = std::vector<std::string>;

TEST_F(SettingsKeyTest, AFreshMachineHasNoExclusionsAndReadingOrRemovingCreatesNothing) {
    EXPECT_EQ(Entries{}, Exclusions());
    EXPECT_FALSE(RemoveExclusion("HKLM\\Software\\Vendor"));
    EXPECT_FALSE(KeyExists(kKey));
}

TEST_F(SettingsKeyTest, ExclusionsAreAddedOnceKeptInOrderAndRemoved) {
    const std::string vendor = "HKLM\\Software\\Vendor";
    const std::string shortcut = "C:\\Users\\Ann\\Desktop\\Caf\xE9.lnk";
    EXPECT_TRUE(AddExclusion(vendor));
    EXPECT_TRUE(AddExclusion(shortcut));
    // the same locations spelt another way
    EXPECT_FALSE(AddExclusion("hklm\\software\\VENDOR\\"));
    EXPECT_FALSE(AddExclusion("HKEY_LOCAL_MACHINE\\Software\\Vendor"));
    EXPECT_FALSE(AddExclusion("c:\\users\\ann\\desktop\\CAF\xC9.LNK"));
    // read afresh from the registry, as the next start of the program does
    EXPECT_EQ((Entries{vendor, shortcut}), Exclusions());
    const auto stored = Stored("exclude");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(platform::kRegMultiSz, stored->type);
    EXPECT_EQ(vendor + '\0' + shortcut + '\0' + '\0', stored->data);

    EXPECT_TRUE(RemoveExclusion("HKLM\\SOFTWARE\\Vendor\\"));
    EXPECT_FALSE(RemoveExclusion(vendor)) << "already gone";
    EXPECT_FALSE(RemoveExclusion("HKLM\\Software")) << "a key above an entry is not the entry";
    EXPECT_EQ(Entries{shortcut}, Exclusions());
    EXPECT_TRUE(RemoveExclusion(shortcut));
    EXPECT_FALSE(Stored("exclude").has_value()) << "no value is the empty list";
    EXPECT_TRUE(KeyExists(kKey));
    EXPECT_EQ(Entries{}, Exclusions());
}

TEST_F(SettingsKeyTest, BlankStringsAndRepeatsInTheStoredListReadCleanly) {
    using namespace std::string_literals;
    struct Case {
        std::string data;
        Entries entries;
    };
    const std::vector<Case> cases = {
        {"a\0b\0\0"s, {"a", "b"}},
        {"a\0b"s, {"a", "b"}},                  // no terminator at all
        {"\0\0a\0\0\0b\0\0\0"s, {"a", "b"}},    // empty strings before, between, after
        {"a\0   \0\\\0\t\0b\0\0"s, {"a", "b"}}, // blank and backslash-only strings
        {"a\0A\0a\\\0b\0HKLM\\x\0HKEY_LOCAL_MACHINE\\X\0\0"s, {"a", "b", "HKLM\\x"}},
        {"\0"s, {}},
        {""s, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.data));
        Put("exclude", platform::kRegMultiSz, c.data);
        EXPECT_EQ(c.entries, Exclusions());
    }
    // Adding writes the clean list back.
    Put("exclude", platform::kRegMultiSz, "\0a\0A\0\0"s);
    EXPECT_TRUE(AddExclusion("HKCU\\b"));
    EXPECT_EQ("a\0HKCU\\b\0\0"s, Stored("exclude")->data);
}

TEST_F(SettingsKeyTest, AnExclusionValueOfAnotherTypeIsReportedAndNeverReplaced) {
    using namespace std::string_literals;
    for (const auto& [type, data] : std::vector<std::pair<std::uint32_t, std::string>>{
             {platform::kRegSz, "HKLM\\Software\\Vendor\0"s},
             {platform::kRegDword, "\x01\0\0\0"s},
             {platform::kRegBinary, ""s}}) {
        SCOPED_TRACE("type " + std::to_string(type));
        Put("exclude", type, data);
        EXPECT_EQ("Invalid data type for 'exclude'", test::ErrorOf([] { Exclusions(); }));
        EXPECT_EQ("Invalid data type for 'exclude'",
                  test::ErrorOf([] { AddExclusion("HKLM\\x"); }));
        EXPECT_EQ("Invalid data type for 'exclude'", test::ErrorOf([] { RemoveExclusion("x"); }));
        const auto stored = Stored("exclude");
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(type, stored->type);
        EXPECT_EQ(data, stored->data);
    }
}

// Entries are stored in the short form the log shows; several go in with one write, and an
// entry of no known form is refused before anything is written.
TEST_F(SettingsKeyTest, PastedEntriesAreStoredShortAndUnknownFormsAreRefused) {
    using namespace std::string_literals;
    EXPECT_TRUE(AddExclusion("Computer\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\"));
    EXPECT_EQ(2u, AddExclusions({"HKEY_CURRENT_USER\\Software\\A", "hklm\\software\\vendor",
                                 "C:\\Users\\Ann\\Desktop\\Old.lnk", "HKCU\\SOFTWARE\\a"}));
    EXPECT_EQ((Entries{"HKLM\\SOFTWARE\\Vendor", "HKCU\\Software\\A",
                       "C:\\Users\\Ann\\Desktop\\Old.lnk"}),
              Exclusions());
    const std::string refused = test::ErrorOf([] { AddExclusions({"HKCU\\B", "Vendor"}); });
    EXPECT_NE(std::string::npos, refused.find("\"Vendor\"")) << refused;
    EXPECT_EQ(3u, Exclusions().size()) << "nothing of a refused batch is written";
    EXPECT_TRUE(RemoveExclusion("Computer\\HKEY_CURRENT_USER\\Software\\A"));
    EXPECT_EQ(2u, Exclusions().size());
}

TEST_F(SettingsKeyTest, ABlankEntryIsRefused) {
    for (const char* blank : {"", "  ", "\\\\"}) {
        EXPECT_EQ("An empty entry cannot be excluded", test::ErrorOf([&] { AddExclusion(blank); }));
    }
    EXPECT_FALSE(KeyExists(kKey));
}

} // namespace
} // namespace mendrake
