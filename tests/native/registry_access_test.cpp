// RegistryAccess on the memory platform: opening, reading values, enumerating, deleting.
#include "engine/analysis_run.h"
#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/registry_access.h"
#include "engine/scan_stats.h"
#include "platform/memory/memory_platform.h"
#include "tests/support/counting_platform.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using platform::kCurrentUser;
using platform::kLocalMachine;

class RegistryAccessTest : public testing::Test {
  protected:
    RegistryAccessTest() {
        os.LoadRegText("REGEDIT4\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Mdk]\r\n"
                       "@=\"default\"\r\n"
                       "\"Text\"=\"C:\\\\a.exe\"\r\n"
                       "\"Number\"=dword:0000000a\r\n"
                       "\"Bytes\"=hex:01,02\r\n"
                       "\"Multi\"=hex(7):61,00,00\r\n"
                       "\"Expand\"=hex(2):25,41,25,00,62,00\r\n"
                       "\"Long\"=hex(4):01,00,00,00,00\r\n"
                       "\"Empty\"=\"\"\r\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Mdk\\b]\r\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Mdk\\A]\r\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Mdk\\A\\Deep\\Deeper]\r\n");
    }
    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
};

TEST_F(RegistryAccessTest, OpensAbsoluteAndRelativePathsAndKeepsTheOldKeyOnFailure) {
    RegistryAccess reg;
    EXPECT_EQ(kCurrentUser, reg.Root());
    reg.SetRoot(kLocalMachine);
    ASSERT_TRUE(reg.Open("\\Software\\Mdk"));
    EXPECT_EQ("Software\\Mdk", reg.CurrentPath());
    EXPECT_FALSE(reg.Open("\\Software\\Missing"));
    EXPECT_EQ("Software\\Mdk", reg.CurrentPath());
    EXPECT_EQ("default", reg.ReadText("")); // the old key is still open and usable
    ASSERT_TRUE(reg.Open("A"));             // relative to the open key
    EXPECT_EQ("Software\\Mdk\\A", reg.CurrentPath());
    reg.Close();
    ASSERT_TRUE(reg.Open("")); // the empty path with no open key opens the root itself
    EXPECT_EQ(std::vector<std::string>{"Software"}, reg.SubkeyNames());
}

TEST_F(RegistryAccessTest, ListsSubkeysSortedAndValuesInCreationOrder) {
    RegistryAccess reg;
    reg.SetRoot(kLocalMachine);
    ASSERT_TRUE(reg.Open("\\Software\\Mdk"));
    EXPECT_EQ((std::vector<std::string>{"A", "b"}), reg.SubkeyNames());
    EXPECT_EQ((std::vector<std::string>{"", "Text", "Number", "Bytes", "Multi", "Expand", "Long",
                                        "Empty"}),
              reg.ValueNames());
    EXPECT_TRUE(reg.AnySubkeys());
    EXPECT_EQ(8u, reg.ValueCount());
}

TEST_F(RegistryAccessTest, ReadsValuesByKindAndRaisesTheKindErrors) {
    RegistryAccess reg;
    reg.SetRoot(kLocalMachine);
    ASSERT_TRUE(reg.Open("\\Software\\Mdk"));
    EXPECT_EQ(ValueKind::Text, reg.ValueKindOf("text")); // names ignore case
    EXPECT_EQ(ValueKind::Number, reg.ValueKindOf("Number"));
    EXPECT_EQ(ValueKind::Bytes, reg.ValueKindOf("Bytes"));
    EXPECT_EQ(ValueKind::ExpandText, reg.ValueKindOf("Expand"));
    EXPECT_EQ(ValueKind::Unknown, reg.ValueKindOf("Multi"));
    EXPECT_EQ(ValueKind::Unknown, reg.ValueKindOf("Missing"));
    EXPECT_EQ("%A%", reg.ReadText("Expand")); // up to the first NUL, never expanded
    EXPECT_EQ("", reg.ReadText("Missing"));
    EXPECT_EQ("", reg.ReadText("Empty"));
    EXPECT_EQ(10, reg.ReadNumber("Number"));
    EXPECT_EQ(2, reg.ValueSize("Bytes"));
    EXPECT_EQ(-1, reg.ValueSize("Missing"));

    const struct {
        const char* name;
        bool number;
        const char* message;
    } errors[] = {
        {"Number", false, "Invalid data type for 'Number'"},
        {"Bytes", false, "Invalid data type for 'Bytes'"},
        {"Text", true, "Invalid data type for 'Text'"},
        {"Missing", true, "Failed to get data for 'Missing'"},
        {"Long", true, "Failed to get data for 'Long'"},
    };
    for (const auto& e : errors) {
        try {
            e.number ? static_cast<void>(reg.ReadNumber(e.name))
                     : static_cast<void>(reg.ReadText(e.name));
            ADD_FAILURE() << "no error for " << e.name;
        } catch (const Error& error) {
            EXPECT_STREQ(e.message, error.what());
        }
    }
}

TEST_F(RegistryAccessTest, OneQueryAnswersHasValueKindAndText) {
    RegistryAccess reg;
    reg.SetRoot(kLocalMachine);
    ASSERT_TRUE(reg.Open("\\Software\\Mdk"));
    Stats = {};
    EXPECT_TRUE(reg.HasValue("Text"));
    EXPECT_EQ(ValueKind::Text, reg.ValueKindOf("Text"));
    EXPECT_EQ("C:\\a.exe", reg.ReadText("Text"));
    EXPECT_EQ(1u, Stats.valueQueries);
}

TEST_F(RegistryAccessTest, RemoveKeyDeletesTheWholeSubtreeAndRemoveValueOneValue) {
    RegistryAccess reg;
    reg.SetRoot(kLocalMachine);
    ASSERT_TRUE(reg.Open("\\Software\\Mdk"));
    EXPECT_TRUE(reg.RemoveValue("Text"));
    EXPECT_FALSE(reg.HasValue("Text"));
    EXPECT_FALSE(reg.RemoveValue("Text"));
    ASSERT_TRUE(reg.Open("A"));
    EXPECT_TRUE(reg.RemoveOpenKey()); // with its subtree, through the open handle
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_FALSE(os.KeyExists(kLocalMachine, "Software\\Mdk\\A"));
    EXPECT_TRUE(os.KeyExists(kLocalMachine, "Software\\Mdk\\b"));
    ASSERT_TRUE(reg.Open("\\"));
    EXPECT_FALSE(reg.RemoveOpenKey()); // never a root
    EXPECT_TRUE(reg.RemoveKey("\\Software\\Mdk"));
    EXPECT_FALSE(os.KeyExists(kLocalMachine, "Software\\Mdk"));
    EXPECT_TRUE(os.KeyExists(kLocalMachine, "Software"));
    EXPECT_FALSE(reg.RemoveKey("\\Software\\Mdk"));
}

TEST_F(RegistryAccessTest, FailedAccessAndFailingEnumerationsEndQuietly) {
    os.DenyFullAccess(kLocalMachine, "Software\\Mdk\\A");
    os.FailEnumeration(kLocalMachine, "Software\\Mdk\\b", 5);
    RegistryAccess reg;
    reg.SetRoot(kLocalMachine);
    EXPECT_FALSE(reg.Open("\\Software\\Mdk\\A"));
    ASSERT_TRUE(reg.Open("\\Software\\Mdk\\b"));
    EXPECT_TRUE(reg.SubkeyNames().empty()); // it claims no names: the first failure ends it
    EXPECT_FALSE(reg.ListingComplete());
    EXPECT_TRUE(reg.ValueNames().empty());
    EXPECT_FALSE(reg.ListingComplete());
}

// One name that cannot be listed hides no other: a failing index is passed over up to the count
// the key reports. A key that fails every index (Wine's Perflib) ends after as many tries as
// it claims names. Either listing is marked incomplete.
TEST_F(RegistryAccessTest, ListingsPassOverFailingIndicesUpToTheReportedCount) {
    os.AddKey(kLocalMachine, "Software\\Mdk\\c");
    os.FailNameListing(kLocalMachine, "Software\\Mdk\\A", platform::kMoreData);
    test::CountingPlatform counting(os);
    platform::ScopedOs counted(counting);
    RegistryAccess reg;
    reg.SetRoot(kLocalMachine);
    ASSERT_TRUE(reg.Open("\\Software\\Mdk"));
    EXPECT_EQ((std::vector<std::string>{"b", "c"}), reg.SubkeyNames());
    EXPECT_FALSE(reg.ListingComplete());
    EXPECT_EQ(8u, reg.ValueNames().size());
    EXPECT_TRUE(reg.ListingComplete());

    os.FailEnumeration(kLocalMachine, "Software\\Mdk", platform::kAccessDenied);
    counting.counts = {};
    EXPECT_TRUE(reg.SubkeyNames().empty());
    EXPECT_FALSE(reg.ListingComplete());
    EXPECT_EQ(3u, counting.counts.enumKey);
    EXPECT_TRUE(reg.ValueNames().empty());
    EXPECT_EQ(8u, counting.counts.enumValue);

    ASSERT_TRUE(reg.Open("b"));
    EXPECT_TRUE(reg.SubkeyNames().empty());
    EXPECT_TRUE(reg.ListingComplete()) << "an empty key lists completely";
}

TEST_F(RegistryAccessTest, CountsComeFromAListingOnlyWhenItRanToItsEnd) {
    RegistryAccess reg;
    reg.SetRoot(kLocalMachine);
    ASSERT_TRUE(reg.Open("\\Software\\Mdk"));
    os.FailEnumeration(kLocalMachine, "Software\\Mdk", 5);
    EXPECT_TRUE(reg.SubkeyNames().empty());
    EXPECT_TRUE(reg.ValueNames().empty());
    // A failed listing says nothing about the counts: taking it for "no subkeys" would report
    // a key that still holds entries.
    EXPECT_EQ(2u, reg.SubkeyCount());
    EXPECT_EQ(8u, reg.ValueCount());
    EXPECT_TRUE(reg.RemoveValue("Text"));
    EXPECT_EQ(7u, reg.ValueCount());
    ASSERT_TRUE(reg.Open("A"));
    EXPECT_EQ(std::vector<std::string>{"Deep"}, reg.SubkeyNames());
    EXPECT_EQ(1u, reg.SubkeyCount());
    EXPECT_EQ(0u, reg.ValueCount());
}

TEST_F(RegistryAccessTest, ARootIsListedOncePerAnalysisRun) {
    os.AddKey(platform::kClassesRoot, ".one");
    auto listRoot = [](RegistryAccess&& reg) {
        reg.SetRoot(platform::kClassesRoot);
        return reg.Open("") ? reg.SubkeyNames() : std::vector<std::string>();
    };
    {
        AnalysisRun run;
        EXPECT_EQ(std::vector<std::string>{".one"}, listRoot(RegistryAccess(run)));
        os.AddKey(platform::kClassesRoot, ".two");
        EXPECT_EQ(std::vector<std::string>{".one"}, listRoot(RegistryAccess(run)));
    }
    const std::vector<std::string> both = {".one", ".two"};
    EXPECT_EQ(both, listRoot(RegistryAccess())) << "an access outside a run lists afresh";
    AnalysisRun nextRun;
    EXPECT_EQ(both, listRoot(RegistryAccess(nextRun)));
}

TEST_F(RegistryAccessTest, ClassesRootIsTheMachineClassesKey) {
    os.PutText(platform::kClassesRoot, ".mdk", "", "mdkfile");
    RegistryAccess reg;
    reg.SetRoot(kLocalMachine);
    ASSERT_TRUE(reg.Open("\\Software\\Classes\\.MDK"));
    EXPECT_EQ("mdkfile", reg.ReadText(""));
}

} // namespace
} // namespace mendrake
