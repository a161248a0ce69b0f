// The registry-script reader: what the export writes reads back as the same types and bytes,
// files of the registry editor (version 5, UTF-16) read too, and a damaged file is refused
// with the line that shows the damage.
#include "repair/reg_script.h"

#include "engine/error.h"
#include "platform/memory/memory_platform.h"
#include "repair/fix.h"
#include "repair/regexport_unit.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using namespace std::string_literals;
using platform::kCurrentUser;
using platform::kLocalMachine;

class RegScriptTest : public testing::Test {
  protected:
    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
};

std::string Utf16File(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// Every type and awkward byte the export can meet, written by the export and read back.
TEST_F(RegScriptTest, ReadsBackWhatTheExportWrites) {
    struct Case {
        const char* name;
        std::uint32_t type;
        std::string data;
    };
    const std::vector<Case> cases = {
        {"", platform::kRegSz, "default \\ \"x\"\0"s},
        {"Text", platform::kRegSz, "C:\\dir\\a.exe \"q\" cr\r lf\n high\xE9\x80 ; end\\\0"s},
        {"Name \"q\" \\ b=", platform::kRegSz, "\0"s},
        {"Expand", platform::kRegExpandSz, "%SystemRoot%\\x\0"s},
        {"Multi", platform::kRegMultiSz, "one\0two\0\0"s},
        {"Dword", platform::kRegDword, "\x0A\0\0\x80"s},
        {"DwordOdd", platform::kRegDword, "\x01\x02\x03"},
        {"Qword", platform::kRegQword, "\xEF\xCD\xAB\x89\x67\x45\x23\x01"},
        {"Bin0", platform::kRegBinary, ""},
        {"Bin16", platform::kRegBinary, std::string(16, '\xF0')},
        {"Bin33", platform::kRegBinary, std::string(33, '\x07')},
        {"None", platform::kRegNone, ""},
        {"Type 0x12345", 0x12345, "\x01\x00"s},
    };
    for (const Case& c : cases) {
        os.PutValue(kCurrentUser, "Soft\\Kinds", c.name, c.type, c.data);
    }
    os.AddKey(kCurrentUser, "Soft\\Kinds\\Sub [x]\\Deep");
    const RegScript script =
        ReadRegScript(RegFileHeader() + ExportKeyText(0x80000001u, "\\Soft\\Kinds"));

    ASSERT_EQ(3u, script.keys.size());
    EXPECT_EQ("Soft\\Kinds\\Sub [x]\\Deep", script.keys[2].path);
    const RegScriptKey& key = script.keys[0];
    EXPECT_EQ(0x80000001u, key.root);
    EXPECT_EQ("Soft\\Kinds", key.path);
    ASSERT_EQ(cases.size(), key.values.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(cases[i].name, key.values[i].name);
        EXPECT_EQ(cases[i].type, key.values[i].type);
        EXPECT_EQ(cases[i].data, key.values[i].data);
        EXPECT_FALSE(key.values[i].lossy || key.values[i].remove || !key.values[i].hasData);
    }
}

// The forms of hand-made and editor-written files: comments, blank lines, indented
// continuation lines, lower-case digits, deletions, LF line ends.
TEST_F(RegScriptTest, ReadsTheRegistryEditorsForms) {
    const RegScript script = ReadRegScript("REGEDIT4\n"
                                           "; a comment\n"
                                           "\n"
                                           "[hkey_local_machine\\Soft\\A\\]\n"
                                           "  \"Bin\" = hex:01,ab,\\\n"
                                           "  ; between continuation lines\n"
                                           "    ff  \n"
                                           "\"Gone\"=-\n"
                                           "@=dword:0000ffff\n"
                                           "\"Empty\"=\n"
                                           "[-HKEY_CURRENT_USER\\Old]\n"
                                           "\"Ignored\"=\"below a deleted key\"\n"
                                           "[HKEY_CLASSES_ROOT]\n"
                                           "\"Stray\\q\"=\"a\\tb\" ; comment\n");
    ASSERT_EQ(3u, script.keys.size());
    const RegScriptKey& a = script.keys[0];
    EXPECT_EQ(kLocalMachine, a.root);
    EXPECT_EQ("Soft\\A", a.path);
    ASSERT_EQ(4u, a.values.size());
    EXPECT_EQ("\x01\xAB\xFF", a.values[0].data);
    EXPECT_EQ(5u, a.values[0].line);
    EXPECT_TRUE(a.values[1].remove);
    EXPECT_EQ("", a.values[2].name);
    EXPECT_EQ("\xFF\xFF\0\0"s, a.values[2].data);
    EXPECT_FALSE(a.values[3].hasData);
    EXPECT_TRUE(script.keys[1].remove);
    EXPECT_TRUE(script.keys[1].values.empty());
    ASSERT_EQ(1u, script.keys[2].values.size());
    EXPECT_EQ("Stray\\q", script.keys[2].values[0].name) << "an unknown escape is kept";
    EXPECT_EQ("a\\tb\0"s, script.keys[2].values[0].data);
}

// What the registry editor exports: UTF-16LE with a byte-order mark, version 5, strings of
// the hex(2) and hex(7) forms in UTF-16. Text outside the ANSI code page is marked, so that a
// restore reports it instead of writing question marks.
TEST_F(RegScriptTest, ReadsVersion5Utf16) {
    const RegScript script =
        ReadRegScript(Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                u"[HKEY_CURRENT_USER\\Soft\\Caf\u00e9]\r\n"
                                u"\"N\u00e4me\"=\"\u20ac 5\"\r\n"
                                u"\"Expand\"=hex(2):25,00,58,00,25,00,e9,00,00,00\r\n"
                                u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                                u"\"Wide\"=\"\u4e2d?\"\r\n"
                                u"\"\u4e2d\"=dword:00000001\r\n"
                                u"\"Bin\"=hex:00,01\r\n\r\n"
                                u"[HKEY_CURRENT_USER\\Soft\\\U0001F600]\r\n"));
    ASSERT_EQ(2u, script.keys.size());
    const RegScriptKey& key = script.keys[0];
    EXPECT_EQ("Soft\\Caf\xE9", key.path);
    EXPECT_FALSE(key.lossy);
    ASSERT_EQ(6u, key.values.size());
    EXPECT_EQ("N\xE4me", key.values[0].name);
    EXPECT_EQ("\x80 5\0"s, key.values[0].data) << "the euro sign of Windows-1252";
    EXPECT_EQ(platform::kRegExpandSz, key.values[1].type);
    EXPECT_EQ("%X%\xE9\0"s, key.values[1].data);
    EXPECT_EQ("a\0b\0\0"s, key.values[2].data);
    EXPECT_TRUE(key.values[3].lossy) << "a character the code page lacks";
    EXPECT_TRUE(key.values[4].lossy) << "in the name";
    EXPECT_FALSE(key.values[0].lossy || key.values[1].lossy || key.values[5].lossy);
    EXPECT_EQ("\x00\x01"s, key.values[5].data) << "binary data is not converted";
    EXPECT_TRUE(script.keys[1].lossy);
}

// Damage is refused before anything is returned, naming the line that shows it; a file cut
// off inside a line is caught however it ends.
TEST_F(RegScriptTest, NamesTheFirstLineItCannotRead) {
    const std::string good = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Soft]\r\n";
    struct Case {
        std::string text;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"", "Line 1: not a registry script"},
        {"REGEDIT5\r\n", "Line 1: not a registry script"},
        {"\r\nREGEDIT4\r\n", "Line 1: not a registry script"},
        {good.substr(0, good.size() - 4), "Line 3: the key line does not end with ]"},
        {good + "\"Name\"=\"cut", "Line 4: the text has no closing quotation mark"},
        {good + "\"Name", "Line 4: the value name has no closing quotation mark"},
        {good + "\"Name\"", "Line 4: the value name is not followed by ="},
        {good + "\"Name\"=\"x\" y", "Line 4: more text after the closing quotation mark"},
        {good + "\"Name\"=dword:0000", "Line 4: a dword needs exactly eight"},
        {good + "\"Name\"=dword:0000000g", "Line 4: a dword needs exactly eight"},
        {good + "\"Name\"=hex:01,0", "Line 4: the hexadecimal data is damaged"},
        {good + "\"Name\"=hex:01,02,", "Line 4: the hexadecimal data ends with a comma"},
        {good + "\"Name\"=hex:01,\\", "Line 4: the hexadecimal data goes on past the end"},
        {good + "\"Name\"=hex:01,\\\r\n  02,\\\r\n\r\n", "Line 4: the hexadecimal data ends with"},
        {good + "\"Name\"=hex:0102", "Line 4: the hexadecimal data is damaged"},
        {good + "\"Name\"=hex(:01", "Line 4: the type in hex(...)"},
        {good + "\"Name\"=hex(2)01", "Line 4: hex data needs a colon"},
        {good + "\"Name\"=str:x", "Line 4: cannot read the value's data"},
        {good + "garbage", "Line 4: not a [key] line"},
        {good + "\"Name\"=\"x\"", "Line 4: the last line has no line end"},
        {good + "\"Name\"=dword:00000001", "Line 4: the last line has no line end"},
        {"REGEDIT4\r\n\"Name\"=\"x\"\r\n", "Line 2: a value line before the first [key] line"},
        {"REGEDIT4\r\n[HKEY_NOWHERE\\x]\r\n", "Line 2: unknown root key \"HKEY_NOWHERE\""},
        {"REGEDIT4\r\n[HKEY_PERFORMANCE_DATA\\x]\r\n", "Line 2: unknown root key"},
        {"REGEDIT4\r\n[-HKEY_LOCAL_MACHINE]\r\n", "Line 2: a whole root key cannot be deleted"},
        {Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\x]")
             .substr(0, 89),
         "Line 3: the file ends in the middle of a character"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            ReadRegScript(c.text);
            ADD_FAILURE() << "read without complaint";
        } catch (const Error& e) {
            EXPECT_EQ(0u, std::string(e.what()).rfind(c.message, 0)) << e.what();
        }
    }
}

// A UTF-8 file is read strictly: an overlong form would otherwise turn "C1 9C" into a backslash
// and write a key one level deeper than the file shows. Every ill-formed sequence refuses the
// file with its line; a UTF-16 file's lone surrogate stays a text no code page holds (lossy).
TEST_F(RegScriptTest, RefusesIllFormedUtf8WithItsLine) {
    const std::string head = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n";
    const struct {
        std::string body;
        const char* message;
    } cases[] = {
        {"[HKEY_CURRENT_USER\\Soft\\a\xC1\x9C"
         "b]\r\n",
         "Line 3: the text is not valid UTF-8 (byte 26 of the line)"},
        {"[HKEY_CURRENT_USER\\Soft]\r\n\"\xED\xA0\x80\"=\"x\"\r\n",
         "Line 4: the text is not valid UTF-8 (byte 2 of the line)"},
        {"[HKEY_CURRENT_USER\\Soft]\r\n\"v\"=\"\xF4\x90\x80\x80\"\r\n",
         "Line 4: the text is not valid UTF-8 (byte 6 of the line)"},
        {"[HKEY_CURRENT_USER\\Soft]\r\n\r\n; \xE0\x81\x9C\r\n", "Line 5: the text is not valid"},
        {"[HKEY_CURRENT_USER\\Soft]\r\n\"v\"=\"\xE4\xB8\"\r\n", "Line 4: the text is not valid"},
    };
    for (const auto& c : cases) {
        try {
            ReadRegScript(head + c.body);
            ADD_FAILURE() << "read without complaint: " << c.body;
        } catch (const Error& e) {
            EXPECT_EQ(c.message, std::string(e.what()).substr(0, std::string(c.message).size()))
                << e.what();
        }
    }
    EXPECT_FALSE(os.KeyExists(kCurrentUser, "Soft\\a"));

    const RegScript wide = ReadRegScript(Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                                   u"[HKEY_CURRENT_USER\\Soft\\a\xD800"
                                                   u"b]\r\n"));
    ASSERT_EQ(1u, wide.keys.size());
    EXPECT_TRUE(wide.keys[0].lossy);
}

} // namespace
} // namespace mendrake
