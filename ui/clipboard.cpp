#include "ui/clipboard.h"

#include "engine/error.h"
#include "platform/platform.h"
#include "ui/texts.h"

#include <cstring>

namespace mendrake {

namespace {

// Owns the clipboard while it is open.
class OpenClipboardScope {
  public:
    explicit OpenClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardScope() {
        if (open_) {
            CloseClipboard();
        }
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    bool open() const { return open_; }

  private:
    bool open_;
};

} // namespace

// The text goes on the clipboard as UTF-16 (CF_UNICODETEXT): the clipboard would turn CF_TEXT
// into Unicode by the system's code page, not by this process's UTF-8, and other programs
// would paste other characters. Windows makes CF_TEXT from it for those that ask.
void PutClipboardText(HWND owner, const std::string& text) {
    std::u16string wide;
    if (!platform::Os().Utf16FromAnsiExactly(text, wide)) {
        throw Error("Cannot copy to the clipboard: the text is not valid in this code page.");
    }
    OpenClipboardScope clipboard(owner);
    if (!clipboard.open() || !EmptyClipboard()) {
        throw Error(Text(IDS_CLIPBOARD_BUSY));
    }
    const std::size_t bytes = (wide.size() + 1) * sizeof(char16_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) {
        throw Error(Text(IDS_CLIPBOARD_MEMORY));
    }
    void* target = GlobalLock(memory);
    std::memcpy(target, wide.c_str(), bytes);
    GlobalUnlock(memory);
    // Once the clipboard has taken the memory it is the clipboard's to free.
    if (!SetClipboardData(CF_UNICODETEXT, memory)) {
        GlobalFree(memory);
        throw Error(Text(IDS_CLIPBOARD_FAILED));
    }
}

} // namespace mendrake
