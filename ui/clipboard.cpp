#include "ui/clipboard.h"

#include "engine/error.h"
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

void PutClipboardText(HWND owner, const std::string& text) {
    OpenClipboardScope clipboard(owner);
    if (!clipboard.open() || !EmptyClipboard()) {
        throw Error(Text(IDS_CLIPBOARD_BUSY));
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) {
        throw Error(Text(IDS_CLIPBOARD_MEMORY));
    }
    void* bytes = GlobalLock(memory);
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    // Once the clipboard has taken the memory it is the clipboard's to free.
    if (!SetClipboardData(CF_TEXT, memory)) {
        GlobalFree(memory);
        throw Error(Text(IDS_CLIPBOARD_FAILED));
    }
}

} // namespace mendrake
