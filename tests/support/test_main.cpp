// The main of every test program: COM initialised once, as the programs do, and the platform
// of the build installed (the real one under Wine, a fresh memory platform on Linux).
#include "platform/memory/memory_platform.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#endif

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
    mendrake::platform::ComInitialization com;
    mendrake::platform::Win32Platform os;
#else
    mendrake::platform::MemoryPlatform os;
#endif
    mendrake::platform::ScopedOs installed(os);
    return RUN_ALL_TESTS();
}
