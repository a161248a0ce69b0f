// Random and mutated version resources, run under the address and undefined-behaviour
// sanitizers of the native build: the parse must end on every input, read only inside the
// bytes it is given, and answer either a value or "Key not found". Seeded, so a failure
// repeats; the round counts keep the run to a few seconds.
#include "settings/version_unit.h"

#include "engine/error.h"
#include "tests/native/version_blocks.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace mendrake {
namespace {

using namespace test;

// Parses `bytes` from a heap buffer of exactly their size, so that a read one past the end
// is seen by the address sanitizer, and looks up a few names.
void LookUp(const std::string& bytes) {
    if (bytes.empty()) {
        return;
    }
    std::unique_ptr<char[]> exact(new char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    TVersionInfo info(std::string_view(exact.get(), bytes.size()));
    for (const char* name : {"ProductName", "FileVersion", "ProductName"}) {
        try {
            info.StringValue(name);
        } catch (const Error& e) {
            ASSERT_STREQ(e.what(), "Key not found");
        }
    }
}

class Mutator {
  public:
    explicit Mutator(std::uint32_t seed) : random_(seed) {}

    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }

    std::string RandomBytes(std::size_t maxSize) {
        std::string out(Below(maxSize + 1), '\0');
        for (char& c : out) {
            c = static_cast<char>(Below(256));
        }
        return out;
    }

    // One to four edits of the kinds a damaged resource shows: a byte changed, a 16-bit field
    // set to an extreme or random value (lengths), the end cut off, bytes inserted or removed.
    std::string Mutate(std::string bytes) {
        const std::size_t edits = 1 + Below(4);
        for (std::size_t i = 0; i < edits && !bytes.empty(); ++i) {
            const std::size_t at = Below(bytes.size());
            switch (Below(5)) {
            case 0:
                bytes[at] = static_cast<char>(Below(256));
                break;
            case 1: {
                static const std::uint16_t extremes[] = {0, 1, 2, 6, 8, 0x7FFF, 0xFFFF};
                const std::uint16_t v =
                    Below(2) == 0 ? extremes[Below(7)] : static_cast<std::uint16_t>(Below(65536));
                const std::size_t even = at & ~std::size_t{1};
                if (even + 1 < bytes.size()) {
                    bytes[even] = static_cast<char>(v & 0xFF);
                    bytes[even + 1] = static_cast<char>(v >> 8);
                }
                break;
            }
            case 2:
                bytes.resize(at);
                break;
            case 3:
                bytes.insert(at, RandomBytes(8));
                break;
            default:
                bytes.erase(at, 1 + Below(8));
                break;
            }
        }
        return bytes;
    }

  private:
    std::mt19937 random_;
};

TEST(VersionFuzz, RandomBytesNeverReadOutsideTheResource) {
    Mutator m(20261210);
    for (int round = 0; round < 10000; ++round) {
        LookUp(m.RandomBytes(256));
    }
}

TEST(VersionFuzz, MutatedResourcesNeverReadOutsideTheResource) {
    const std::vector<std::string> seeds = {
        ProgramLikeResource(),
        Root({}, {StringFileInfo({Table(u"040904E4", {Entry(u"ProductName", u"Mendrake")}),
                                  Table(u"040704B0", {Block(u"Empty", {}, 0)})}),
                  VarFileInfo({0x04E40409, 0x04B00407})}),
    };
    Mutator m(4242);
    for (int round = 0; round < 30000; ++round) {
        std::string bytes = seeds[m.Below(seeds.size())];
        LookUp(m.Mutate(bytes));
    }
}

} // namespace
} // namespace mendrake
