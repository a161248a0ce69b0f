// The program's own resources, compiled into this test program as into both programs: the
// version resource read by the version reader, the language texts of the string table, and
// the icon, and the manifest's DPI awareness.
#include "settings/lang_unit.h"
#include "settings/version_unit.h"

#include "engine/error.h"
#include "platform/platform.h"

#include "ui/resource_ids.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>
#include <string>

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

// The icon group holds one image of each size Windows asks for (title bar and lists at 100%
// to 200%, Explorer's large and extra-large views), and each one makes an icon of its size.
TEST(ProgramResources, TheIconHoldsEverySizeWindowsAsksFor) {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC group = FindResourceA(self, MAKEINTRESOURCEA(IDI_MENDRAKE), RT_GROUP_ICON);
    ASSERT_NE(nullptr, group) << "no icon group " << IDI_MENDRAKE;
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(self, group)));
    ASSERT_NE(nullptr, directory);
    // The group's directory: three WORDs (0, type 1, count), then one 14-byte entry per image:
    // width and height (0 for 256), colours, reserved, planes, bit count, size, image id.
    auto word = [](const BYTE* at) {
        WORD value = 0;
        std::memcpy(&value, at, sizeof value);
        return value;
    };
    ASSERT_EQ(1, word(directory + 2));
    std::set<int> sizes;
    for (int i = 0; i < word(directory + 4); ++i) {
        const BYTE* entry = directory + 6 + 14 * i;
        const int width = entry[0] == 0 ? 256 : entry[0];
        const int height = entry[1] == 0 ? 256 : entry[1];
        EXPECT_EQ(width, height);
        sizes.insert(width);
        HRSRC image = FindResourceA(self, MAKEINTRESOURCEA(word(entry + 12)), RT_ICON);
        ASSERT_NE(nullptr, image) << "the " << width << "-pixel image is missing";
        auto* bytes = static_cast<BYTE*>(LockResource(LoadResource(self, image)));
        HICON icon = CreateIconFromResourceEx(bytes, SizeofResource(self, image), TRUE, 0x30000,
                                              width, height, LR_DEFAULTCOLOR);
        EXPECT_NE(nullptr, icon) << "the " << width << "-pixel image makes no icon";
        if (icon) {
            DestroyIcon(icon);
        }
    }
    EXPECT_EQ((std::set<int>{16, 20, 24, 32, 48, 256}), sizes);
}

// The text of `element` in the manifest's settings block of `schema` (each block names its
// schema, and Windows reads an element only in the schema of its version); empty when none.
std::string Setting(const std::string& manifest, const std::string& schema,
                    const std::string& element) {
    const std::size_t block =
        manifest.find("xmlns=\"http://schemas.microsoft.com/SMI/" + schema + "/WindowsSettings\">");
    if (block == std::string::npos) {
        return "";
    }
    const std::size_t blockEnd = manifest.find("</asmv3:windowsSettings>", block);
    const std::size_t start = manifest.find("<" + element + ">", block);
    if (start == std::string::npos || start > blockEnd) {
        return "";
    }
    const std::size_t text = start + element.size() + 2;
    return manifest.substr(text, manifest.find("</" + element + ">", text) - text);
}

// Per-monitor DPI awareness (version 2 where Windows has it, version 1 before), and the older
// setting of Windows 8.1 as its fallback; the process runs per-monitor aware.
TEST(ProgramResources, TheManifestDeclaresPerMonitorDpiAwareness) {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(nullptr, found) << "no manifest";
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(self, found))),
                               SizeofResource(self, found));
    EXPECT_EQ("PerMonitorV2, PerMonitor", Setting(manifest, "2016", "dpiAwareness")) << manifest;
    EXPECT_EQ("true/pm", Setting(manifest, "2005", "dpiAware")) << manifest;

    using GetContext = HANDLE(WINAPI*)();
    using AwarenessOf = int(WINAPI*)(HANDLE);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    const auto context = reinterpret_cast<GetContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    const auto awareness = reinterpret_cast<AwarenessOf>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    ASSERT_TRUE(context && awareness) << "user32 has no DPI awareness contexts";
    constexpr int kPerMonitorAware = 2; // DPI_AWARENESS_PER_MONITOR_AWARE
    EXPECT_EQ(kPerMonitorAware, awareness(context()));
}

} // namespace
} // namespace mendrake
