// The programs of the build started as processes of their own from a test under Wine, with
// their standard streams caught in files.
#pragma once

#include <string>

namespace mendrake::test {

// The bytes of a file, or "" when it can't be read.
std::string FileBytes(const std::string& path);

// What a program wrote and how it ended.
struct CliRun {
    unsigned long status = 0xFFFFFFFF;
    std::string out, err;
};

// Runs a program of the build folder with `arguments`, its standard output and error going
// into files, and gives its exit code and both streams. Only under Windows; elsewhere it
// reports a failure.
CliRun RunProgram(const std::string& name, const std::string& arguments);

} // namespace mendrake::test
