// Bounded little-endian reading of shortcut-file bytes: every read checks that the bytes exist
// and throws ShortcutFormatError (with the reason) instead of reading past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mendrake::platform::lnk {

// The bytes are no shortcut the shell object would load.
class ShortcutFormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class ByteCursor {
  public:
    explicit ByteCursor(std::string_view bytes) : bytes_(bytes) {}

    std::size_t Position() const { return position_; }
    std::size_t Remaining() const { return bytes_.size() - position_; }

    // The bytes read since `start` (an earlier Position()).
    std::string_view Since(std::size_t start) const {
        return bytes_.substr(start, position_ - start);
    }

    // The next `count` bytes; `what` names them for the error message.
    std::string_view Take(std::size_t count, const char* what) {
        if (count > Remaining()) {
            throw ShortcutFormatError(std::string(what) + " runs past the end of the file");
        }
        const std::string_view taken = bytes_.substr(position_, count);
        position_ += count;
        return taken;
    }

    std::uint16_t U16(const char* what) { return static_cast<std::uint16_t>(Unsigned(2, what)); }
    std::uint32_t U32(const char* what) { return static_cast<std::uint32_t>(Unsigned(4, what)); }

  private:
    std::uint64_t Unsigned(std::size_t size, const char* what) {
        const std::string_view raw = Take(size, what);
        std::uint64_t value = 0;
        for (std::size_t i = size; i-- > 0;) {
            value = (value << 8) | static_cast<unsigned char>(raw[i]);
        }
        return value;
    }

    std::string_view bytes_;
    std::size_t position_ = 0;
};

// Little-endian unsigned value of `size` bytes at `offset` of `bytes`; the caller has checked
// that they exist.
inline std::uint32_t LittleEndianAt(std::string_view bytes, std::size_t offset, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    }
    return value;
}

} // namespace mendrake::platform::lnk
