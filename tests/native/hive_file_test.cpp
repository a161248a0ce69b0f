// The hive-file reader that plants real user hives: it must see every key and value the hive
// holds (the counts of ../shared/data/hive_stats.json), give names and data as stored, and
// refuse a file that does not hold together instead of reading past it.
#include "tests/support/fixtures.h"
#include "tests/support/hive_file.h"

#include <gtest/gtest.h>

namespace mendrake::test {
namespace {

struct HiveCount {
    const char* file;
    std::size_t keys, values;
};

TEST(HiveFile, ReadsEveryKeyAndValueOfRealHives) {
    const HiveCount hives[] = {
        {"reg-notatin/test_data/win7_ntuser.dat", 4841, 16545},
        {"reg-notatin/test_data/NTUSER.DAT", 2853, 5523},
        {"reg-EricZimmerman-Registry/Hives/NTUSER1.DAT", 595, 878},
    };
    for (const HiveCount& hive : hives) {
        const std::optional<std::vector<HiveKey>> keys =
            ReadHive(ReadHostFile(SharedData(hive.file)), u"");
        ASSERT_TRUE(keys.has_value()) << hive.file;
        std::size_t values = 0;
        for (const HiveKey& key : *keys) {
            values += key.values.size();
        }
        EXPECT_EQ(hive.keys, keys->size()) << hive.file;
        EXPECT_EQ(hive.values, values) << hive.file;
    }
}

TEST(HiveFile, GivesOneSubtreeWithNamesAndDataAsStored) {
    const std::optional<std::vector<HiveKey>> keys =
        ReadHive(ReadHostFile(SharedData("reg-notatin/test_data/win7_ntuser.dat")),
                 u"software\\microsoft\\windows\\currentversion\\run");
    ASSERT_TRUE(keys.has_value());
    ASSERT_EQ(1u, keys->size());
    EXPECT_TRUE(keys->front().path == u"Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    ASSERT_FALSE(keys->front().values.empty());
    const HiveValue& eraser = keys->front().values.front();
    EXPECT_TRUE(eraser.name == u"Eraser");
    EXPECT_EQ(1u, eraser.type);
    std::string expected;
    for (const char c : std::string("C:\\Program Files\\Eraser\\eraser.exe -hide") + '\0') {
        expected += c;
        expected += '\0';
    }
    EXPECT_EQ(expected, eraser.data);
}

TEST(HiveFile, RefusesWhatIsNoHiveOrIsCutShort) {
    const std::string whole =
        ReadHostFile(SharedData("reg-EricZimmerman-Registry/Hives/NTUSER1.DAT"));
    for (const std::size_t size : {std::size_t{0}, std::size_t{4095}, std::size_t{4096},
                                   std::size_t{8192}, whole.size() / 2}) {
        EXPECT_FALSE(ReadHive(std::string_view(whole).substr(0, size), u"").has_value()) << size;
    }
    EXPECT_FALSE(ReadHive(std::string(8192, 'x'), u"").has_value());
}

} // namespace
} // namespace mendrake::test
