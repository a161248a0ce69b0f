// A deterministic registry of the shape real Windows machines have, with the files its valid
// entries point at: many class ids sharing a few DLLs, thousands of extension and program-id
// keys with shell verbs and class references, shared DLLs, App Paths, uninstall and cache
// entries, run values, fonts, help entries and MUI-cache values, and a 32-bit view of a third of
// that size below Wow6432Node, a share of them stale. The benchmark plants it at full size in
// its own Wine prefix; tests plant it small.
#pragma once

#include "platform/memory/reg_text.h"

#include <string>
#include <vector>

namespace mendrake::test {

struct GeneratedMachine {
    // Keys (each before its values) and values to create.
    std::vector<platform::RegChange> registry;
    // The files that the valid entries name; every stale entry names a file not in this list.
    std::vector<std::string> files;
};

// `classes` class ids (a Windows 11 machine with Office has about 8,000) and everything else in
// proportion. Generated names carry `tag`, so that they never meet what the machine already
// holds; every file lies below `base`, a folder path ending in a backslash, but for the 32-bit
// system DLLs in C:\windows\SysWOW64.
GeneratedMachine GenerateMachine(int classes, const std::string& tag, const std::string& base);

} // namespace mendrake::test
