// Shortcut files made with the shell's own shortcut object, for tests under Wine and for the
// tool that makes the scenario fixtures' .lnk files (COM must be initialised by the caller).
#pragma once

#include <string>

namespace mendrake::test {

// Writes a shortcut at `path` whose target is `target` (IShellLinkA::SetPath, then
// IPersistFile::Save). Throws std::runtime_error with the failing step and its HRESULT.
// Only under Windows; elsewhere it throws.
void MakeShortcut(const std::string& path, const std::string& target);

} // namespace mendrake::test
