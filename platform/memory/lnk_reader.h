// Reader of the shell-link (.lnk) file format: gives the target path that the shell's shortcut
// object reports for the same file (IShellLinkA::GetPath with SLGP_UNCPRIORITY).
#pragma once

#include <string>
#include <string_view>

namespace mendrake::platform {

// The target path stored in the shortcut bytes, in the ANSI code page; empty when the bytes are
// no shortcut or hold no file-system target.
std::string ReadShortcutTarget(std::string_view bytes);

} // namespace mendrake::platform
