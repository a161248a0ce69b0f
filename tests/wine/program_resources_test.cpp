// The program's own resources, compiled into this test program as into both programs: the
// version resource read by the version reader, and the language texts of the string table.
#include "settings/lang_unit.h"
#include "settings/version_unit.h"

#include "engine/error.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

TEST(ProgramResources, TheVersionResourceAnswersByName) {
    TVersionInfo info(platform::Os().ProgramModule());
    EXPECT_EQ(info.StringValue("ProductName"), "Mendrake");
    EXPECT_EQ(info.StringValue("productname"), "Mendrake");
    EXPECT_EQ(info.StringValue("FileVersion"), "2.0.0.0");
    EXPECT_EQ(info.Translations(), std::vector<std::uint32_t>{0x04E40409u});
    try {
        info.StringValue("Comments");
        ADD_FAILURE() << "a missing name was found";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Key not found");
    }
    EXPECT_EQ(info.StringValue("CompanyName"), "Kestrava");
}

TEST(ProgramResources, LanguageTextsFallBackToEnglish) {
    struct Case {
        std::int32_t language, offset;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, "English"},
        {0, 1, "Version"},
        {3, 1, "Version"},
        {5, 1, "Version"},
        // The resource loader keeps only 16 bits of an identifier: 65536 must not be taken
        // for identifier 0, "English".
        {65535, 1, "Version"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LangText(c.language, c.offset), c.text)
            << "language " << c.language << ", offset " << c.offset;
    }
}

} // namespace
} // namespace mendrake
