#include "cli/console_text.h"

#include "platform/platform.h"
#include "platform/utf8_text.h"

#include <algorithm>
#include <cstdarg>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace mendrake::cli {

namespace {

// Writes UTF-16 text to the console behind `stream`; false when the stream is no console
// (redirected to a file or a pipe), which WriteConsoleW refuses.
bool WriteToConsole(std::FILE* stream, const std::u16string& wide) {
#ifdef _WIN32
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
        return false;
    }
    std::fflush(stream); // what the C runtime holds comes first
    for (std::size_t done = 0; done < wide.size();) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
        if (!WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0) {
            return true; // a console that stops taking text has nothing better to take
        }
        done += written;
    }
    return true;
#else
    (void)stream;
    (void)wide;
    return false;
#endif
}

bool IsConsole(std::FILE* stream) {
#ifdef _WIN32
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
#else
    (void)stream;
    return false;
#endif
}

} // namespace

void WriteText(std::FILE* stream, std::string_view text) {
    platform::Platform& os = platform::Os();
    if (IsConsole(stream)) {
        std::u16string wide;
        if (os.Utf16FromAnsiExactly(text, wide) && WriteToConsole(stream, wide)) {
            return;
        }
    }
    const std::string utf8 = os.Utf8FromAnsi(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

void WriteUtf8Text(std::FILE* stream, std::string_view text) {
    bool broken = false; // shown as U+FFFD, the console's mark for what it cannot read
    if (IsConsole(stream) && WriteToConsole(stream, platform::Utf16FromUtf8(text, broken))) {
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
}

void PrintText(std::FILE* stream, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int size = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::vector<char> text(static_cast<std::size_t>(size > 0 ? size : 0) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    WriteText(stream, std::string_view(text.data(), text.size() - 1));
}

} // namespace mendrake::cli
