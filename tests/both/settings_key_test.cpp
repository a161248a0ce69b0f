// The language setting in the settings key: on the memory platform natively, on the real
// HKEY_CURRENT_USER under Wine, where the key is put back as it was after each test.
#include "settings/lang_unit.h"
#include "settings/reg_unit.h"

#include "engine/error.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <optional>

namespace mendrake {
namespace {

using platform::Os;

constexpr const char* kParent = "SOFTWARE\\Kestrava";
constexpr const char* kKey = "SOFTWARE\\Kestrava\\Mendrake";

bool KeyExists(const char* path) {
    platform::Hkey key = 0;
    if (Os().OpenKey(platform::kCurrentUser, path, platform::kKeyAllAccess, key) !=
        platform::kSuccess) {
        return false;
    }
    Os().CloseKey(key);
    return true;
}

std::optional<platform::RegValue> Language() {
    platform::Hkey key = 0;
    if (Os().OpenKey(platform::kCurrentUser, kKey, platform::kKeyAllAccess, key) !=
        platform::kSuccess) {
        return std::nullopt;
    }
    platform::RegValue value;
    const long status = Os().QueryValue(key, "language", value);
    Os().CloseKey(key);
    if (status != platform::kSuccess) {
        return std::nullopt;
    }
    return value;
}

void PutLanguage(std::uint32_t type, const std::string& data) {
    platform::Hkey key = 0;
    ASSERT_EQ(Os().CreateKey(platform::kCurrentUser, kKey, key), platform::kSuccess);
    EXPECT_EQ(Os().SetValue(key, "language", type, data), platform::kSuccess);
    Os().CloseKey(key);
}

// Removes the value and then the two keys where they are left empty.
void RemoveLanguageAndEmptyKeys() {
    platform::Hkey key = 0;
    if (Os().OpenKey(platform::kCurrentUser, kKey, platform::kKeyAllAccess, key) ==
        platform::kSuccess) {
        Os().DeleteValue(key, "language");
        Os().CloseKey(key);
    }
    for (const char* path : {kKey, kParent}) {
        platform::Hkey k = 0;
        if (Os().OpenKey(platform::kCurrentUser, path, platform::kKeyAllAccess, k) !=
            platform::kSuccess) {
            continue;
        }
        std::uint32_t subkeys = 0, values = 0;
        const long status = Os().QueryInfoKey(k, subkeys, values);
        Os().CloseKey(k);
        if (status == platform::kSuccess && subkeys == 0 && values == 0) {
            Os().DeleteKey(platform::kCurrentUser, path);
        }
    }
}

// Each test starts without the value and without the (empty) keys, and leaves the registry
// as it found it.
class SettingsKeyTest : public testing::Test {
  protected:
    void SetUp() override {
        hadParent_ = KeyExists(kParent);
        hadKey_ = KeyExists(kKey);
        oldValue_ = Language();
        RemoveLanguageAndEmptyKeys();
        ASSERT_FALSE(KeyExists(kKey)) << "the settings key holds other data; not touching it";
    }
    void TearDown() override {
        RemoveLanguageAndEmptyKeys();
        platform::Hkey key = 0;
        if (hadKey_ || hadParent_) {
            Os().CreateKey(platform::kCurrentUser, hadKey_ ? kKey : kParent, key);
            if (oldValue_) {
                Os().SetValue(key, "language", oldValue_->type, oldValue_->data);
            }
            Os().CloseKey(key);
        }
    }

  private:
    bool hadParent_ = false, hadKey_ = false;
    std::optional<platform::RegValue> oldValue_;
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

} // namespace
} // namespace mendrake
