// make_shortcut OUT.lnk TARGET: writes a shortcut with the shell's own object. Run under Wine
// to make the .lnk files of the scenario folders, so that their bytes are what the shell writes;
// each scenario's files.txt says which target each of its .lnk files names.
#include "platform/win32/win32_platform.h"
#include "tests/support/shell_link.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_shortcut OUT.lnk TARGET\n");
        return 2;
    }
    mendrake::platform::ComInitialization com;
    try {
        mendrake::test::MakeShortcut(argv[1], argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
