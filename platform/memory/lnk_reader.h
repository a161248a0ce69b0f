// Reader of the shell-link (.lnk) file format: gives the target path that the shell's shortcut
// object reports for the same file (IShellLinkA::GetPath with SLGP_UNCPRIORITY).
#pragma once

#include <string>
#include <string_view>

namespace mendrake::platform {

// The target path stored in the shortcut bytes, in the ANSI code page, at most 260 bytes: the
// link info's local base path, or else the relative path as stored (which has no drive part).
// Empty when the shell object would not load the bytes, when the shortcut is an advertised
// (installer) one, or when it holds neither path (network-only, packaged-app and
// environment-variable-only shortcuts among them).
std::string ReadShortcutTarget(std::string_view bytes);

} // namespace mendrake::platform
