// Captures a window as the user sees it and writes it as a 24-bit BMP.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orrel::launcher {

// A 24-bit picture, rows top first, each row width * 3 bytes (blue, green, red).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    // Colour of one pixel as 0x00RRGGBB; 0 outside the picture.
    std::uint32_t At(int x, int y) const;
};

// The window's client area as the screen shows it (child windows and all),
// clipped to the screen. The frame is left out: without a window manager
// (a virtual X display) nobody draws it. False with a message when nothing
// of the window is on the screen or the copy fails.
bool CaptureClientArea(HWND window, Picture* picture, std::string* error);

// The picture's bytes as a BMP file: BITMAPFILEHEADER, BITMAPINFOHEADER
// (24 bits, bottom-up, no compression), rows padded to 4 bytes.
std::vector<std::uint8_t> EncodeBmp(const Picture& picture);

// Writes EncodeBmp(picture) to a new file (replacing an old one). False with
// a message when the file cannot be written whole.
bool WriteBmp(const Picture& picture, const std::string& path, std::string* error);

}  // namespace orrel::launcher
