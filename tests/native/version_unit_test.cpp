// The version-resource reader on hand-built resources.
#include "settings/version_unit.h"

#include "engine/error.h"
#include "tests/native/error_of.h"
#include "platform/memory/memory_platform.h"
#include "tests/native/version_blocks.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using namespace test;

TEST(VersionInfo, AnswersLookupsInAnyLetterCaseAndKeepsTheTranslations) {
    const std::string bytes = ProgramLikeResource();
    TVersionInfo info(bytes);
    EXPECT_EQ(info.StringValue("ProductName"), "Mendrake");
    EXPECT_EQ(info.StringValue("productname"), "Mendrake");
    EXPECT_EQ(info.StringValue("FILEVERSION"), "2.0.0.0");
    EXPECT_EQ(info.Translations(), std::vector<std::uint32_t>{0x04E40409u});
    // A missing name leaves the object usable.
    EXPECT_EQ(ErrorOf([&] { info.StringValue("Comments"); }), "Key not found");
    EXPECT_EQ(info.StringValue("CompanyName"), "Kestrava");
}

TEST(VersionInfo, ConvertsUtf16NamesAndValuesToTheAnsiCodePage) {
    const std::string bytes =
        Root(FixedInfo(),
             {StringFileInfo({Table(u"040904E4", {Entry(u"Caf\u00E9", u"na\u00EFve \u03A9")})})});
    TVersionInfo info(bytes);
    EXPECT_EQ(info.StringValue("Caf\xE9"), "na\xEFve ?");
}

TEST(VersionInfo, TheLastStringTableWins) {
    const std::string bytes = Root(
        FixedInfo(),
        {StringFileInfo({Table(u"040904E4", {Entry(u"Only1", u"first"), Entry(u"Both", u"first")}),
                         Table(u"040704B0", {Entry(u"Both", u"second")})})});
    TVersionInfo info(bytes);
    EXPECT_EQ(info.StringValue("Both"), "second");
    EXPECT_EQ(ErrorOf([&] { info.StringValue("Only1"); }), "Key not found");
}

TEST(VersionInfo, AStringWithoutValueIsEmpty) {
    const std::string bytes = Root(
        FixedInfo(), {StringFileInfo({Table(u"040904E4", {Block(u"Comments", {}, 0),
                                                          Entry(u"ProductName", u"Mendrake")})})});
    TVersionInfo info(bytes);
    EXPECT_EQ(info.StringValue("Comments"), "");
    EXPECT_EQ(info.StringValue("ProductName"), "Mendrake");
}

// A string entry whose length field leaves out its header's alignment (here "Tag", 14 bytes
// of header padded to 16) has no value bytes; the walk goes on from the aligned header, and
// the strings after it are still found.
TEST(VersionInfo, AStringShorterThanItsAlignedHeaderIsEmptyAndTheWalkGoesOn) {
    std::string shortTag = Block(u"Tag", {}, 0);
    ASSERT_EQ(16u, shortTag.size());
    shortTag[0] = 14;
    const std::string bytes =
        Root(FixedInfo(),
             {StringFileInfo({Table(u"040904E4", {Entry(u"CompanyName", u"Kestrava"), shortTag,
                                                  Entry(u"FileVersion", u"2.0.0.0"),
                                                  Entry(u"ProductName", u"Mendrake")})}),
              VarFileInfo({0x04E40409})});
    TVersionInfo info(bytes);
    EXPECT_EQ(info.StringValue("ProductName"), "Mendrake");
    EXPECT_EQ(info.StringValue("Tag"), "");
    EXPECT_EQ(info.StringValue("FileVersion"), "2.0.0.0");
    EXPECT_EQ(info.Translations(), std::vector<std::uint32_t>{0x04E40409u});
}

TEST(VersionInfo, WithoutFixedInfoTheResourceIsStillRead) {
    const std::string bytes =
        Root({}, {StringFileInfo({Table(u"040904E4", {Entry(u"ProductName", u"Mendrake")})})});
    TVersionInfo info(bytes);
    EXPECT_EQ(info.StringValue("ProductName"), "Mendrake");
    EXPECT_EQ(info.StringValue("ProductName"), "Mendrake"); // parsed again, same answer
}

TEST(VersionInfo, ABadSignatureFailsEveryLookup) {
    const std::string bytes =
        Root(FixedInfo(0x12345678),
             {StringFileInfo({Table(u"040904E4", {Entry(u"ProductName", u"Mendrake")})})});
    TVersionInfo info(bytes);
    EXPECT_EQ(ErrorOf([&] { info.StringValue("ProductName"); }), "Key not found");
    EXPECT_EQ(ErrorOf([&] { info.StringValue("ProductName"); }), "Key not found");
}

TEST(VersionInfo, ANonHexadecimalTableKeyFailsTheParse) {
    const auto tables = StringFileInfo({Table(u"040904E4", {Entry(u"ProductName", u"Mendrake")}),
                                        Table(u"0409XYZ1", {Entry(u"ProductName", u"Other")})});
    // With a fixed-info value the parse counts as done: the first lookup fails, later ones
    // answer from the table read before the bad one.
    const std::string withFixed = Root(FixedInfo(), {tables});
    TVersionInfo info(withFixed);
    EXPECT_EQ(ErrorOf([&] { info.StringValue("ProductName"); }), "Key not found");
    EXPECT_EQ(info.StringValue("ProductName"), "Mendrake");
    // Without one every lookup parses again and fails again.
    const std::string withoutFixed = Root({}, {tables});
    TVersionInfo bare(withoutFixed);
    EXPECT_EQ(ErrorOf([&] { bare.StringValue("ProductName"); }), "Key not found");
    EXPECT_EQ(ErrorOf([&] { bare.StringValue("ProductName"); }), "Key not found");
    // A key too short to hold a code page is not a table key either.
    const std::string shortKey = Root({}, {StringFileInfo({Table(u"0409", {Entry(u"A", u"b")})})});
    TVersionInfo tooShort(shortKey);
    EXPECT_EQ(ErrorOf([&] { tooShort.StringValue("A"); }), "Key not found");
}

TEST(VersionInfo, AnUnknownChildEndsTheWalkKeepingWhatCameBefore) {
    const std::string bytes = Root(
        FixedInfo(), {StringFileInfo({Table(u"040904E4", {Entry(u"ProductName", u"Mendrake")})}),
                      Block(u"Mystery", {}, 0), VarFileInfo({0x04E40409})});
    TVersionInfo info(bytes);
    EXPECT_EQ(info.StringValue("ProductName"), "Mendrake");
    EXPECT_TRUE(info.Translations().empty());
    // Child names compare exactly, letter case included.
    const std::string lower = Root(
        FixedInfo(), {Block(u"stringfileinfo", {}, 0, {Table(u"040904E4", {Entry(u"A", u"b")})})});
    TVersionInfo lowerInfo(lower);
    EXPECT_EQ(ErrorOf([&] { lowerInfo.StringValue("A"); }), "Key not found");
}

TEST(VersionInfo, MissingResourceRaisesAtCreation) {
    EXPECT_EQ(ErrorOf([] { TVersionInfo info(std::string_view{}); }),
              "Unable to load version info resource");
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    EXPECT_EQ(ErrorOf([&] { TVersionInfo info(os.ProgramModule()); }),
              "Unable to load version info resource");
    os.versionResource = ProgramLikeResource();
    TVersionInfo info(os.ProgramModule());
    EXPECT_EQ(info.StringValue("ProductName"), "Mendrake");
    EXPECT_EQ(ErrorOf([&] { TVersionInfo other(os.ProgramModule() + 1); }),
              "Unable to load version info resource");
}

// Damaged resources: the parse fails (the first lookup raises "Key not found", even for the
// string read first) and never reads outside the bytes it was given; each case is copied into a
// buffer of exactly its size so that the address sanitizer sees any read past the end.
TEST(VersionInfo, DamagedResourcesFailTheParseInsideTheirBytes) {
    const std::string good = ProgramLikeResource();
    auto withLength = [](std::string bytes, std::size_t at, std::uint16_t length) {
        bytes[at] = static_cast<char>(length & 0xFF);
        bytes[at + 1] = static_cast<char>(length >> 8);
        return bytes;
    };
    // Offsets of the first child ("StringFileInfo") and of its first table.
    const std::size_t child = good.find(Utf16z(u"StringFileInfo")) - 6;
    const std::size_t table = good.find(Utf16z(u"040904E4")) - 6;
    const std::size_t entry = good.find(Utf16z(u"CompanyName")) - 6;
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"root length past the end", withLength(good, 0, 0xFFFF)},
        {"child length past the end", withLength(good, child, 0xFFF0)},
        {"table length past the end", withLength(good, table, 0xFFF0)},
        {"string length past the end", withLength(good, entry, 0xFFF0)},
        {"child shorter than its header", withLength(good, child, 4)},
        {"table shorter than its header", withLength(good, table, 2)},
        {"string shorter than its header", withLength(good, entry, 0)},
        {"truncated inside the fixed info", good.substr(0, 50)},
        {"truncated inside a table", good.substr(0, table + 20)},
        {"truncated inside the root header", good.substr(0, 3)},
        {"root key without its zero", Block(u"", {}, 0).substr(0, 6) + "V\0S\0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<char[]> exact(new char[c.bytes.size()]);
        std::copy(c.bytes.begin(), c.bytes.end(), exact.get());
        TVersionInfo info(std::string_view(exact.get(), c.bytes.size()));
        EXPECT_EQ(ErrorOf([&] { info.StringValue("CompanyName"); }), "Key not found");
    }
}

} // namespace
} // namespace mendrake
