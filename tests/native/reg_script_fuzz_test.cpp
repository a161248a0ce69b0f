// Random and mutated registry scripts, run under the address and undefined-behaviour
// sanitizers of the native build: the reader must end on every input, read only inside the
// bytes it is given, and either return a script or throw Error naming a line. Seeded, so a
// failure repeats; the round counts keep the run to a few seconds.
#include "repair/reg_script.h"

#include "engine/error.h"
#include "platform/memory/memory_platform.h"
#include "repair/regexport_unit.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace mendrake {
namespace {

// Reads `bytes` from a heap buffer of exactly their size, so that a read one past the end is
// seen by the address sanitizer.
void Read(const std::string& bytes) {
    std::unique_ptr<char[]> exact(new char[bytes.size() + (bytes.empty() ? 1 : 0)]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    try {
        const RegScript script = ReadRegScript(std::string_view(exact.get(), bytes.size()));
        for (const RegScriptKey& key : script.keys) {
            ASSERT_NE(0u, key.root);
            ASSERT_TRUE(!key.remove || !key.path.empty()) << "a root is never deleted";
        }
    } catch (const Error& e) {
        ASSERT_EQ(0u, std::string(e.what()).rfind("Line ", 0)) << e.what();
    }
}

class Mutator {
  public:
    explicit Mutator(std::uint32_t seed) : random_(seed) {}

    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }

    // One to six edits: a byte changed, a piece of the syntax put in, the end cut off, bytes
    // removed. The pieces are what steers a parser into its rarer paths.
    std::string Mutate(std::string bytes) {
        static const std::string pieces[] = {"\\",         "\\\r\n",
                                             "\"",         "[",
                                             "]",          "[-",
                                             "=",          "=-",
                                             "hex(",       "hex:",
                                             ")",          "dword:",
                                             ",",          ";",
                                             "@=",         "\r\n",
                                             "\n",         std::string(1, '\0'),
                                             "\xFF\xFE",   "\xEF\xBB\xBF",
                                             "\xC3",       "\xF0\x9F",
                                             "ffffffffff", "hex(7):61,00,00,00,00,00",
                                             "\"\\"};
        const std::size_t edits = 1 + Below(6);
        for (std::size_t i = 0; i < edits; ++i) {
            const std::size_t at = bytes.empty() ? 0 : Below(bytes.size() + 1);
            switch (Below(4)) {
            case 0:
                if (at < bytes.size()) {
                    bytes[at] = static_cast<char>(Below(256));
                }
                break;
            case 1: {
                const std::size_t piece = Below(std::size(pieces));
                bytes.insert(at, pieces[piece]);
                break;
            }
            case 2:
                bytes.resize(at);
                break;
            default:
                bytes.erase(std::min(at, bytes.size()), 1 + Below(8));
                break;
            }
        }
        return bytes;
    }

  private:
    std::mt19937 random_;
};

std::string Utf16(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

TEST(RegScriptFuzz, MutatedScriptsAreReadOrRefusedByLine) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    os.PutText(platform::kCurrentUser, "Soft\\A", "Text", "a \"quoted\" \\ text\r\n");
    os.PutValue(platform::kCurrentUser, "Soft\\A", "", platform::kRegBinary,
                std::string(40, '\x5A'));
    os.PutValue(platform::kCurrentUser, "Soft\\A\\B", "Multi", platform::kRegMultiSz,
                std::string("x\0y\0\0", 5));
    os.PutNumber(platform::kCurrentUser, "Soft\\A\\B", "Number", 0xDEADBEEF);
    const std::string exported = RegFileHeader() + ExportKeyText(0x80000001u, "\\Soft\\A");
    const std::string version5 = "Windows Registry Editor Version 5.00\r\n\r\n"
                                 "[HKEY_LOCAL_MACHINE\\Soft]\r\n"
                                 "\"S\"=\"t\"\r\n\"E\"=hex(2):41,00,00,00\r\n"
                                 "\"Q\"=hex(b):01,02,03,04,05,06,07,08\r\n"
                                 "[-HKEY_LOCAL_MACHINE\\Soft\\Old]\r\n\"D\"=-\r\n";
    const std::vector<std::string> seeds = {exported, version5, Utf16(version5)};
    for (const std::string& seed : seeds) {
        ASSERT_NO_THROW(ReadRegScript(seed)) << seed;
    }
    Mutator m(20261210);
    for (int round = 0; round < 30000; ++round) {
        Read(m.Mutate(seeds[m.Below(seeds.size())]));
    }
    for (int round = 0; round < 5000; ++round) {
        std::string random(m.Below(200), '\0');
        for (char& c : random) {
            c = static_cast<char>(m.Below(256));
        }
        Read((m.Below(2) == 0 ? "REGEDIT4\r\n" : "") + random);
    }
}

} // namespace
} // namespace mendrake
