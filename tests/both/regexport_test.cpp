// Golden texts of the REGEDIT4 export, on a private key made before and removed after each test:
// the memory platform on Linux, the real registry under Wine. Values of one key are created in
// name order, since Wine lists values sorted by name and the memory platform in creation order.
#include "repair/regexport_unit.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

namespace mendrake::test {
namespace {

using platform::RegChange;

const std::string kBase = "Software\\MendrakeTests\\Export";
const std::string kSection = "[HKEY_CURRENT_USER\\" + kBase;

RegChange Key(const std::string& path) {
    return {RegChange::Kind::CreateKey, platform::kCurrentUser, kBase + path, {}, 0, {}};
}

RegChange Value(const std::string& path, const std::string& name, std::uint32_t type,
                const std::string& data) {
    return {RegChange::Kind::SetValue, platform::kCurrentUser, kBase + path, name, type, data};
}

std::string Counting(int from, int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        bytes += static_cast<char>(from + i);
    }
    return bytes;
}

std::string KeyText(const std::string& path) {
    return ExportKeyText(platform::kCurrentUser, "\\" + kBase + path);
}

// One key holding a value of every kind the backup must bring back.
TEST(RegExport, WritesEveryKindOfValue) {
    using namespace std::string_literals;
    PlantedRegistry planted;
    planted.Apply({
        Value("\\Kinds", "", platform::kRegSz, "default\0"s),
        Value("\\Kinds", "Bin0", platform::kRegBinary, ""),
        Value("\\Kinds", "Bin16", platform::kRegBinary, Counting(0, 16)),
        Value("\\Kinds", "Bin17", platform::kRegBinary, Counting(0, 17)),
        Value("\\Kinds", "Bin3", platform::kRegBinary, "\x01\xAB\xFF"),
        Value("\\Kinds", "Bin32", platform::kRegBinary, Counting(0, 32)),
        Value("\\Kinds", "Dword10", platform::kRegDword, "\x0A\0\0\0"s),
        Value("\\Kinds", "DwordAllBits", platform::kRegDword, "\xFF\xFF\xFF\xFF"),
        Value("\\Kinds", "DwordOdd", platform::kRegDword, "\x01\x02\x03"),
        Value("\\Kinds", "Expand", platform::kRegExpandSz, "%SystemRoot%\\x\0"s),
        Value("\\Kinds", "Multi", platform::kRegMultiSz, "a\0b\0\0"s),
        Value("\\Kinds", "Name \"q\" \\ b", platform::kRegSz, "v\0"s),
        Value("\\Kinds", "None", platform::kRegNone, ""),
        Value("\\Kinds", "Qword", platform::kRegQword, "\xEF\xCD\xAB\x89\x67\x45\x23\x01"),
        Value("\\Kinds", "Requirements", 10, "\x03"),
        Value("\\Kinds", "Resource", 8, "\x01\x02"),
        Value("\\Kinds", "Text", platform::kRegSz, "back\\slash \"q\" cr\r lf\n high\xE9\0"s),
    });
    const std::string expected =
        kSection + "\\Kinds]\r\n"
                   "@=\"default\"\r\n"
                   "\"Bin0\"=hex:\r\n"
                   "\"Bin16\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F\r\n"
                   "\"Bin17\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,\\\r\n"
                   "10\r\n"
                   "\"Bin3\"=hex:01,AB,FF\r\n"
                   "\"Bin32\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,\\\r\n"
                   "10,11,12,13,14,15,16,17,18,19,1A,1B,1C,1D,1E,1F\r\n"
                   "\"Dword10\"=dword:0000000A\r\n"
                   "\"DwordAllBits\"=dword:FFFFFFFF\r\n"
                   "\"DwordOdd\"=hex(4):01,02,03\r\n"
                   "\"Expand\"=hex(2):25,53,79,73,74,65,6D,52,6F,6F,74,25,5C,78,00\r\n"
                   "\"Multi\"=hex(7):61,00,62,00,00\r\n"
                   "\"Name \\\"q\\\" \\\\ b\"=\"v\"\r\n"
                   "\"None\"=hex(0):\r\n"
                   "\"Qword\"=hex(b):EF,CD,AB,89,67,45,23,01\r\n"
                   "\"Requirements\"=hex(a):03\r\n"
                   "\"Resource\"=hex(8):01,02\r\n"
                   "\"Text\"=\"back\\\\slash \\\"q\\\" cr\\r lf\\n high\xE9\"\r\n"
                   "\r\n";
    EXPECT_EQ(expected, KeyText("\\Kinds"));
    EXPECT_EQ(kSection + "\\Kinds]\r\n\"Name \\\"q\\\" \\\\ b\"=\"v\"\r\n\r\n",
              ExportValueText(platform::kCurrentUser, "\\" + kBase + "\\Kinds", "Name \"q\" \\ b"));
    EXPECT_EQ(kSection + "\\Kinds]\r\n@=\"default\"\r\n\r\n",
              ExportValueText(platform::kCurrentUser, "\\" + kBase + "\\Kinds", ""));
}

// Subkeys listed A, B, C are written C, B (with its subtree, again last-listed first), A; the
// value export writes every key's section and the value only where it is found.
TEST(RegExport, WalksSubkeysLastListedFirst) {
    using namespace std::string_literals;
    PlantedRegistry planted;
    planted.Apply({Key("\\Tree\\A"), Key("\\Tree\\B\\B1"), Key("\\Tree\\B\\B2"), Key("\\Tree\\C"),
                   Value("\\Tree", "V", platform::kRegSz, "top\0"s),
                   Value("\\Tree\\B", "V", platform::kRegSz, "in b\0"s),
                   Value("\\Tree\\B", "W", platform::kRegSz, "other\0"s)});
    const std::string s = kSection + "\\Tree";
    EXPECT_EQ(s + "]\r\n\"V\"=\"top\"\r\n\r\n" + s + "\\C]\r\n\r\n" + s +
                  "\\B]\r\n\"V\"=\"in b\"\r\n\"W\"=\"other\"\r\n\r\n" + s + "\\B\\B2]\r\n\r\n" + s +
                  "\\B\\B1]\r\n\r\n" + s + "\\A]\r\n\r\n",
              KeyText("\\Tree"));
    EXPECT_EQ(s + "]\r\n\"V\"=\"top\"\r\n\r\n" + s + "\\C]\r\n\r\n" + s +
                  "\\B]\r\n\"V\"=\"in b\"\r\n\r\n" + s + "\\B\\B2]\r\n\r\n" + s +
                  "\\B\\B1]\r\n\r\n" + s + "\\A]\r\n\r\n",
              ExportValueText(platform::kCurrentUser, "\\" + kBase + "\\Tree", "V"));
    // In the key itself the name reaches the value a deletion by it would remove, in any case
    // of its letters, and the value is written under that name; below it a value of the same
    // name is matched exactly, so another case selects nothing there but the sections.
    EXPECT_EQ(s + "]\r\n\"v\"=\"top\"\r\n\r\n" + s + "\\C]\r\n\r\n" + s + "\\B]\r\n\r\n" + s +
                  "\\B\\B2]\r\n\r\n" + s + "\\B\\B1]\r\n\r\n" + s + "\\A]\r\n\r\n",
              ExportValueText(platform::kCurrentUser, "\\" + kBase + "\\Tree", "v"));
}

TEST(RegExport, MissingKeyGivesEmptyText) {
    EXPECT_EQ("", KeyText("\\NoSuchKey"));
    EXPECT_EQ("", ExportValueText(platform::kCurrentUser, "\\" + kBase + "\\NoSuchKey", "V"));
    EXPECT_EQ("REGEDIT4\r\n\r\n", RegFileHeader());
}

} // namespace
} // namespace mendrake::test
