// Plain text on the clipboard.
#pragma once

#include <windows.h>

#include <string>

namespace mendrake {

// Replaces the clipboard's contents with `text` (ANSI, as CF_UNICODETEXT); throws Error when the
// clipboard cannot be had.
void PutClipboardText(HWND owner, const std::string& text);

} // namespace mendrake
