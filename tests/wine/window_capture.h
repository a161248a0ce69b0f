// A picture of a window as the screen shows it, written as a PNG (stored deflate blocks, so no
// compression library is needed), for a person to look at after the tests.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace mendrake::test {

namespace png {

inline std::uint32_t Crc(const std::string& bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

inline void Put32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
}

inline void Chunk(std::string& out, const char* type, const std::string& data) {
    Put32(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    Put32(out, Crc(body));
}

// zlib stream of stored (uncompressed) deflate blocks.
inline std::string Stored(const std::string& raw) {
    std::string out("\x78\x01", 2);
    std::size_t at = 0;
    do {
        const std::size_t len = std::min<std::size_t>(65535, raw.size() - at);
        const bool last = at + len == raw.size();
        out.push_back(static_cast<char>(last ? 1 : 0));
        out.push_back(static_cast<char>(len & 0xFF));
        out.push_back(static_cast<char>(len >> 8));
        out.push_back(static_cast<char>(~len & 0xFF));
        out.push_back(static_cast<char>((~len >> 8) & 0xFF));
        out.append(raw, at, len);
        at += len;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(out, (b << 16) | a);
    return out;
}

} // namespace png

// Captures the window's client area from the screen (the window must be on top): what the
// user sees, every control drawn by itself. The frame is left out: without a window manager
// on the virtual display nobody draws it.
inline bool WriteWindowPng(HWND hwnd, const std::string& path) {
    RECT client{};
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    const int width = client.right;
    const int height = client.bottom;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (static_cast<std::size_t>(width) * 3 + 1));
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0'); // filter: none
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = pixels + (static_cast<std::size_t>(y) * width + x) * 4;
            raw.push_back(static_cast<char>(p[2]));
            raw.push_back(static_cast<char>(p[1]));
            raw.push_back(static_cast<char>(p[0]));
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    std::string file("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    png::Put32(header, static_cast<std::uint32_t>(width));
    png::Put32(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    png::Chunk(file, "IHDR", header);
    png::Chunk(file, "IDAT", png::Stored(raw));
    png::Chunk(file, "IEND", "");
    std::ofstream out(path, std::ios::binary);
    out << file;
    return static_cast<bool>(out);
}

} // namespace mendrake::test
