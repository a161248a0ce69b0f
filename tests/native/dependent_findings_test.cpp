// Findings that follow from other findings of the same analysis, the keys a fix leaves empty,
// the user's classes beside the machine's, and the checks of icons and interfaces.
#include "engine/algorithm_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "platform/memory/memory_platform.h"
#include "repair/fix.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <functional>

namespace mendrake {
namespace {

using platform::kClassesRoot;
using platform::kCurrentUser;
using Texts = std::vector<std::string>;

const std::vector<std::int32_t> kClassCategories = {4, 5, 6, 11, 15};
const char* const kGoneClass = "{6D6B0001-0000-4000-8000-000000000001}";
const char* const kLiveClass = "{6D6B0002-0000-4000-8000-000000000002}";
const char* const kUserClasses = "Software\\Classes\\";

class DependentFindings : public testing::Test {
  protected:
    DependentFindings() {
        os.AddFile("C:\\App\\live.dll");
        os.AddFile("C:\\App\\app.exe");
    }
    // "problem | key" of every finding of the class categories.
    static Texts Lines(const std::vector<TItem>& items) {
        Texts lines;
        for (const TItem& item : items) {
            lines.push_back(item.Problem + " | " + item.KeyText);
        }
        return lines;
    }
    Texts ScanLines() { return Lines(test::Scan(kClassCategories)); }
    // A class whose server file is gone, a program id naming it, a handler and an interface
    // proxy naming it: one analysis finds them all.
    void PlantDeadClassWithReferences() {
        os.PutText(kClassesRoot, std::string("CLSID\\") + kGoneClass + "\\InprocServer32", "",
                   "C:\\Gone\\gone.dll");
        os.PutText(kClassesRoot, std::string("CLSID\\") + kLiveClass + "\\InprocServer32", "",
                   "C:\\App\\live.dll");
        os.PutText(kClassesRoot, "Mdk.Doc\\CLSID", "", kGoneClass);
        os.PutText(kClassesRoot, "Mdk.Doc\\Shell\\open\\Command", "", "C:\\App\\app.exe \"%1\"");
        os.PutText(kClassesRoot, "Directory\\Background\\shellex\\ContextMenuHandlers\\Mdk", "",
                   kGoneClass);
        os.PutText(kClassesRoot,
                   "Interface\\{6D6B0003-0000-4000-8000-000000000003}\\ProxyStubClsid32", "",
                   kGoneClass);
        os.PutText(kClassesRoot,
                   "Interface\\{6D6B0004-0000-4000-8000-000000000004}\\ProxyStubClsid32", "",
                   kLiveClass);
    }

    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
};

TEST_F(DependentFindings, ReferencesToAClassBeingRemovedAreFoundInTheSameAnalysis) {
    PlantDeadClassWithReferences();
    EXPECT_EQ((Texts{
                  "COM Issue | HKCR\\CLSID\\{6D6B0001-0000-4000-8000-000000000001}",
                  "COM Issue (class being removed) | HKCR\\Mdk.Doc\\CLSID",
                  "Interface Issue (class being removed) | "
                  "HKCR\\Interface\\{6D6B0003-0000-4000-8000-000000000003}",
                  "Shell Extension Issue (class being removed) | "
                  "HKCR\\Directory\\Background\\shellex\\ContextMenuHandlers\\Mdk",
              }),
              ScanLines());
    const std::vector<TItem> found = test::Scan(kClassCategories);
    ASSERT_EQ(4u, found.size());
    EXPECT_EQ((Texts{"HKCR\\CLSID\\{6D6B0001-0000-4000-8000-000000000001}"}), found[1].DependsOn);
}

TEST_F(DependentFindings, AReferenceKeyWithSubkeysOfItsOwnStaysWhenItsClassGoes) {
    // Whether such a key holds more than the reference is asked only once its class goes; the
    // answer must still keep it, as the fix would delete what no check looked at.
    PlantDeadClassWithReferences();
    os.PutText(kClassesRoot, "Mdk.Doc\\CLSID\\Extra", "", "kept");
    os.PutText(kClassesRoot, "Directory\\Background\\shellex\\ContextMenuHandlers\\Mdk\\Extra", "",
               "kept");
    EXPECT_EQ((Texts{
                  "COM Issue | HKCR\\CLSID\\{6D6B0001-0000-4000-8000-000000000001}",
                  "Interface Issue (class being removed) | "
                  "HKCR\\Interface\\{6D6B0003-0000-4000-8000-000000000003}",
              }),
              ScanLines());
}

TEST_F(DependentFindings, OneFixOfEverythingLeavesNothingForTheNextAnalysis) {
    PlantDeadClassWithReferences();
    // A program id whose only verb is dead: its "Shell" key and the key itself go empty, and
    // the extension naming it loses that name (it keeps its other value); another extension
    // holding nothing but the name goes whole.
    os.PutText(kClassesRoot, "Mdk.Gone\\Shell\\open\\Command", "", "C:\\Gone\\app.exe \"%1\"");
    os.PutText(kClassesRoot, "Mdk.Gone\\Shell\\edit\\Command", "", "C:\\Gone\\app.exe /e");
    os.PutText(kClassesRoot, "Mdk.Gone", "", "Mendrake document");
    os.PutText(kClassesRoot, ".mdkgone", "", "Mdk.Gone");
    os.PutText(kClassesRoot, ".mdkgone", "Content Type", "application/x-mendrake");
    os.PutText(kClassesRoot, ".mdkonly", "", "Mdk.Gone");
    // A type library whose only version is gone, beside one in use.
    os.PutText(kClassesRoot, "TypeLib\\{6D6B0005-0000-4000-8000-000000000005}\\1.0\\0\\win64", "",
               "C:\\Gone\\lib.tlb");
    os.PutText(kClassesRoot, "TypeLib\\{6D6B0006-0000-4000-8000-000000000006}\\1.0\\0\\win64", "",
               "C:\\App\\live.dll");
    std::vector<TItem> found = test::Scan(kClassCategories);
    EXPECT_EQ(12u, found.size()) << test::Blocks(found);
    DeleteIssues(found);
    EXPECT_EQ(Texts{}, ScanLines());
    EXPECT_TRUE(os.KeyExists(kClassesRoot, ".mdkgone"));
    EXPECT_FALSE(os.KeyExists(kClassesRoot, ".mdkonly"));
    EXPECT_FALSE(os.KeyExists(kClassesRoot, "Mdk.Gone"));
    EXPECT_FALSE(os.KeyExists(kClassesRoot, "TypeLib\\{6D6B0005-0000-4000-8000-000000000005}"));
    EXPECT_TRUE(os.KeyExists(kClassesRoot, "Interface\\{6D6B0004-0000-4000-8000-000000000004}"));
}

TEST_F(DependentFindings, UntickingTheClassKeepsWhatRefersToIt) {
    PlantDeadClassWithReferences();
    std::vector<TItem> found = test::Scan(kClassCategories);
    ASSERT_FALSE(found.empty());
    found[0].Selected = 0; // the class itself
    EXPECT_EQ((std::vector<bool>{false, false, false, false}), IssuesToFix(found, {}));
    DeleteIssues(found);
    EXPECT_EQ(4u, test::Scan(kClassCategories).size());
    EXPECT_TRUE(os.KeyExists(kClassesRoot, "Mdk.Doc\\CLSID"));
}

TEST_F(DependentFindings, ADependentStaysWhenItsKeyCouldNotBeBackedUp) {
    PlantDeadClassWithReferences();
    std::vector<TItem> found = test::Scan(kClassCategories);
    ASSERT_EQ(4u, found.size());
    const std::vector<bool> fix = IssuesToFix(found, {NotFixed{0, "cannot be backed up: x"}});
    EXPECT_EQ((std::vector<bool>{false, false, false, false}), fix);
}

TEST_F(DependentFindings, ADependentStaysWhenTheFixCouldNotDeleteItsKey) {
    PlantDeadClassWithReferences();
    std::vector<TItem> found = test::Scan(kClassCategories);
    os.DenyFullAccess(kClassesRoot, std::string("CLSID\\") + kGoneClass);
    DeleteIssues(found);
    EXPECT_TRUE(os.KeyExists(kClassesRoot, "Mdk.Doc\\CLSID"));
    EXPECT_TRUE(
        os.KeyExists(kClassesRoot, "Directory\\Background\\shellex\\ContextMenuHandlers\\Mdk"));
}

// A ticked dependent that the fix keeps because its class stays is reported with the class's
// location, not as an entry the fix failed to delete.
TEST_F(DependentFindings, TheFixNamesTheKeyEachKeptDependentWaitedFor) {
    PlantDeadClassWithReferences();
    const std::string classKey = std::string("HKCR\\CLSID\\") + kGoneClass;
    const struct {
        const char* how;
        std::function<void(std::vector<TItem>&)> prepare;
        std::vector<NotFixed> leave;
        std::vector<std::size_t> kept; // positions in the list of four findings
    } cases[] = {
        {"class unticked", [](std::vector<TItem>& found) { found[0].Selected = 0; }, {}, {1, 2, 3}},
        {"class not backed up",
         [](std::vector<TItem>&) {},
         {{0, "cannot be backed up: x"}},
         {1, 2, 3}},
        {"one dependent unticked as well",
         [](std::vector<TItem>& found) { found[0].Selected = found[2].Selected = 0; },
         {},
         {1, 3}},
        {"class not deleted",
         [this](std::vector<TItem>&) {
             os.DenyFullAccess(kClassesRoot, std::string("CLSID\\") + kGoneClass);
         },
         {},
         {1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        std::vector<TItem> found = test::Scan(kClassCategories);
        ASSERT_EQ(4u, found.size()) << test::Blocks(found);
        c.prepare(found);
        const Deletions done = DeleteIssues(found, {}, {}, c.leave);
        std::vector<std::size_t> kept;
        for (const KeptDependent& k : done.kept) {
            kept.push_back(k.index);
            EXPECT_EQ(classKey, k.location);
            EXPECT_EQ(&k, KeptDependentAt(done.kept, k.index));
            EXPECT_TRUE(IssueEntryPresent(found[k.index])) << found[k.index].KeyText;
        }
        EXPECT_EQ(c.kept, kept);
        EXPECT_EQ(nullptr, KeptDependentAt(done.kept, 0));
        EXPECT_TRUE(IssueEntryPresent(found[0]));
    }
}

// A dependent whose class went but whose own key could not be deleted is a failure of its own,
// not a kept one.
TEST_F(DependentFindings, ADependentThatCouldNotBeDeletedIsNotKept) {
    PlantDeadClassWithReferences();
    std::vector<TItem> found = test::Scan(kClassCategories);
    ASSERT_EQ(4u, found.size()) << test::Blocks(found);
    os.DenyFullAccess(kClassesRoot, "Interface\\{6D6B0003-0000-4000-8000-000000000003}");
    const FixResult fixed = FixIssues(found, std::nullopt);
    EXPECT_TRUE(fixed.kept.empty()) << fixed.kept.front().index;
    EXPECT_EQ(4u, fixed.attempted);
    EXPECT_FALSE(IssueEntryPresent(found[0]));
    EXPECT_TRUE(IssueEntryPresent(found[2])) << found[2].KeyText;
}

TEST_F(DependentFindings, AClassOfTheUserAnswersAReferenceAndIsReportedWhereItLives) {
    os.PutText(kClassesRoot, "CLSID\\{6D6B000A-0000-4000-8000-00000000000A}", "", "machine");
    os.PutText(kCurrentUser,
               std::string(kUserClasses) + "CLSID\\" + kGoneClass + "\\InprocServer32", "",
               "C:\\Gone\\user.dll");
    os.PutText(kCurrentUser,
               std::string(kUserClasses) + "CLSID\\" + kLiveClass + "\\InprocServer32", "",
               "C:\\App\\live.dll");
    os.PutText(kClassesRoot, "Mdk.Machine\\CLSID", "", kLiveClass); // answered by the user's
    os.PutText(kCurrentUser, std::string(kUserClasses) + "Mdk.User\\CLSID", "", kGoneClass);
    os.PutText(kCurrentUser, std::string(kUserClasses) + "Mdk.User\\DefaultIcon", "",
               "\"C:\\Gone\\user.exe\",-101");
    os.PutText(kCurrentUser, std::string(kUserClasses) + "Mdk.User\\Shell\\open\\Command", "",
               "\"C:\\Gone\\user.exe\" \"%1\"");
    os.AddKey(kCurrentUser, std::string(kUserClasses) + ".mdkempty");
    EXPECT_EQ(
        (Texts{
            "Unused File Extension | HKCU\\Software\\Classes\\.mdkempty",
            "Missing Icon | HKCU\\Software\\Classes\\Mdk.User\\DefaultIcon",
            "COM Issue | HKCU\\Software\\Classes\\CLSID\\{6D6B0001-0000-4000-8000-000000000001}",
            "COM Issue (class being removed) | HKCU\\Software\\Classes\\Mdk.User\\CLSID",
            "Open with Issue | HKCU\\Software\\Classes\\Mdk.User\\Shell\\open\\Command",
            "Open with Issue (left empty by the fix) | HKCU\\Software\\Classes\\Mdk.User\\Shell",
            "Open with Issue (left empty by the fix) | HKCU\\Software\\Classes\\Mdk.User",
        }),
        ScanLines());
    std::vector<TItem> found = test::Scan(kClassCategories);
    DeleteIssues(found);
    EXPECT_EQ(Texts{}, ScanLines());
    EXPECT_FALSE(os.KeyExists(kCurrentUser, std::string(kUserClasses) + "Mdk.User"));
    EXPECT_TRUE(os.KeyExists(kClassesRoot, "Mdk.Machine\\CLSID"));
}

TEST_F(DependentFindings, AUserKeyHidesTheMachineKeyOfTheSamePath) {
    os.AddKey(kClassesRoot, ".mdkhidden"); // empty, but the user's key of that name is in use
    os.PutText(kCurrentUser, std::string(kUserClasses) + ".mdkhidden", "", "Mdk.Doc");
    os.PutText(kClassesRoot, "Mdk.Doc\\DefaultIcon", "", "C:\\Gone\\machine.ico");
    os.PutText(kCurrentUser, std::string(kUserClasses) + "Mdk.Doc\\DefaultIcon", "",
               "C:\\App\\app.exe,0");
    EXPECT_EQ(Texts{}, ScanLines());
}

TEST_F(DependentFindings, TheMemoryClassesRootOpensTheUsersKeyFirst) {
    os.PutText(kClassesRoot, "Mdk.Both", "", "machine");
    os.PutText(kClassesRoot, "Mdk.Machine", "", "machine");
    os.PutText(kCurrentUser, std::string(kUserClasses) + "Mdk.Both", "", "user");
    for (const auto& [path, text] :
         {std::pair{"\\Mdk.Both", "user"}, {"\\Mdk.Machine", "machine"}}) {
        RegistryAccess reg;
        reg.SetRoot(static_cast<std::uint32_t>(kClassesRoot));
        ASSERT_TRUE(reg.Open(path));
        EXPECT_EQ(text, reg.ReadText(""));
    }
}

TEST_F(DependentFindings, IconTextsThatNameNoFileAreNotJudged) {
    const std::pair<const char*, bool> cases[] = {
        {"C:\\Gone\\a.ico", true},
        {"C:\\Gone\\a.dll,3", true},
        {"\"C:\\Gone\\a b.exe\",-7", true},
        {"  C:\\Gone\\c.exe , 0 ", true},
        {"%1", false},
        {"@%SystemRoot%\\x.dll,-5", false},
        {"-101", false},
        {"%SystemRoot%\\gone.dll,1", true}, // expanded, then tested
        {"%MendrakeNotSet%\\gone.dll,1", false},
        {"C:\\App\\app.exe,1", false},
        {"", false},
    };
    for (const auto& [text, reported] : cases) {
        os.PutText(kClassesRoot, "Mdk.Icon\\DefaultIcon", "", text);
        EXPECT_EQ(reported, !test::Scan({4}).empty()) << text;
    }
}

TEST_F(DependentFindings, InterfacesWithoutAProxyClassOrTypeLibraryAreFound) {
    os.PutText(kClassesRoot, std::string("CLSID\\") + kLiveClass + "\\InprocServer32", "",
               "C:\\App\\live.dll");
    os.PutText(kClassesRoot, "TypeLib\\{6D6B0006-0000-4000-8000-000000000006}\\1.0\\0\\win64", "",
               "C:\\App\\live.dll");
    const std::string iface = "Interface\\{6D6B0007-0000-4000-8000-00000000000";
    os.PutText(kClassesRoot, iface + "1}\\ProxyStubClsid32", "", kGoneClass);
    os.PutText(kClassesRoot, iface + "2}\\ProxyStubClsid", "", kLiveClass);
    os.PutText(kClassesRoot, iface + "3}\\TypeLib", "", "{6D6B0006-0000-4000-8000-000000000006}");
    // A library that is gone matters only to an interface its type library marshals.
    const std::string goneLibrary = "{6D6B0008-0000-4000-8000-000000000008}";
    const std::string marshaller = "{00020424-0000-0000-C000-000000000046}";
    os.PutText(kClassesRoot, "CLSID\\" + marshaller + "\\InprocServer32", "", "C:\\App\\live.dll");
    os.PutText(kClassesRoot, iface + "4}\\TypeLib", "", goneLibrary);
    os.PutText(kClassesRoot, iface + "4}\\ProxyStubClsid32", "", marshaller);
    os.PutText(kClassesRoot, iface + "7}\\TypeLib", "", goneLibrary); // no proxy
    os.PutText(kClassesRoot, iface + "8}\\TypeLib", "", goneLibrary);
    os.PutText(kClassesRoot, iface + "8}\\ProxyStubClsid32", "", kLiveClass);
    os.PutText(kClassesRoot, iface + "5}\\ProxyStubClsid32", "", "not a class id");
    os.PutText(kClassesRoot, "Wow6432Node\\" + iface + "6}\\ProxyStubClsid32", "", kGoneClass);
    os.PutText(kClassesRoot, "Wow6432Node\\CLSID\\{6D6B0009-0000-4000-8000-000000000009}", "", "x");
    EXPECT_EQ((Texts{
                  "Interface Issue | HKCR\\Interface\\{6D6B0007-0000-4000-8000-000000000001}",
                  "Interface Issue | HKCR\\Interface\\{6D6B0007-0000-4000-8000-000000000004}",
                  "Interface Issue | "
                  "HKCR\\Wow6432Node\\Interface\\{6D6B0007-0000-4000-8000-000000000006}",
              }),
              Lines(test::Scan({5})));
}

} // namespace
} // namespace mendrake
