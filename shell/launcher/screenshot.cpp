#include "screenshot.h"

#include <algorithm>
#include <cstring>

#include "orrel/handles.h"

namespace orrel::launcher {

namespace {

class ScreenDC {
public:
    ScreenDC() noexcept : dc_(GetDC(nullptr)) {}
    ~ScreenDC()
    {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
};

class MemoryDC {
public:
    explicit MemoryDC(HDC like) noexcept : dc_(CreateCompatibleDC(like)) {}
    ~MemoryDC()
    {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
};

std::size_t RowStride(int width)
{
    return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t value)
{
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::uint32_t Picture::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    if (at + 3 > pixels.size()) return 0;
    return (static_cast<std::uint32_t>(pixels[at + 2]) << 16) |
           (static_cast<std::uint32_t>(pixels[at + 1]) << 8) | pixels[at];
}

bool CaptureClientArea(HWND window, Picture* picture, std::string* error)
{
    RECT rect;
    if (!IsWindow(window) || !GetClientRect(window, &rect)) {
        *error = "no window to capture";
        return false;
    }
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT visible;
    if (!IntersectRect(&visible, &rect, &screen)) {
        *error = "the window is not on the screen";
        return false;
    }
    const int width = visible.right - visible.left;
    const int height = visible.bottom - visible.top;

    ScreenDC screenDc;
    if (!screenDc.Get()) {
        *error = "no screen device context";
        return false;
    }
    MemoryDC memoryDc(screenDc.Get());
    Bitmap bitmap(CreateCompatibleBitmap(screenDc.Get(), width, height));
    if (!memoryDc.Get() || !bitmap) {
        *error = "cannot make a bitmap of " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    {
        SelectObjectScope select(memoryDc.Get(), bitmap.Get());
        if (!BitBlt(memoryDc.Get(), 0, 0, width, height, screenDc.Get(), visible.left,
                    visible.top, SRCCOPY)) {
            *error = "cannot copy the screen (error " + std::to_string(GetLastError()) + ")";
            return false;
        }
    }

    // Read back as 24-bit top-down rows.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const std::size_t stride = RowStride(width);
    std::vector<std::uint8_t> rows(stride * height);
    if (GetDIBits(memoryDc.Get(), bitmap.Get(), 0, height, rows.data(), &info, DIB_RGB_COLORS) !=
        height) {
        *error = "cannot read the captured bitmap";
        return false;
    }
    Picture result;
    result.width = width;
    result.height = height;
    result.pixels.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        std::memcpy(&result.pixels[static_cast<std::size_t>(y) * width * 3], &rows[y * stride],
                    static_cast<std::size_t>(width) * 3);
    }
    *picture = std::move(result);
    return true;
}

std::vector<std::uint8_t> EncodeBmp(const Picture& picture)
{
    const std::size_t stride = RowStride(picture.width);
    const std::size_t imageSize = stride * picture.height;
    const std::size_t headers = 14 + 40;
    std::vector<std::uint8_t> out(headers + imageSize, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<std::uint32_t>(out.size()));
    Put32(out, 10, static_cast<std::uint32_t>(headers));
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<std::uint32_t>(picture.width));
    Put32(out, 22, static_cast<std::uint32_t>(picture.height));  // bottom-up
    Put16(out, 26, 1);
    Put16(out, 28, 24);
    Put32(out, 30, BI_RGB);
    Put32(out, 34, static_cast<std::uint32_t>(imageSize));
    Put32(out, 38, 2835);  // 72 dpi
    Put32(out, 42, 2835);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y) {
        std::size_t from = static_cast<std::size_t>(y) * rowBytes;
        if (from + rowBytes > picture.pixels.size()) break;
        std::size_t to = headers + static_cast<std::size_t>(picture.height - 1 - y) * stride;
        std::memcpy(&out[to], &picture.pixels[from], rowBytes);
    }
    return out;
}

bool WriteBmp(const Picture& picture, const std::string& path, std::string* error)
{
    if (picture.width <= 0 || picture.height <= 0) {
        *error = "nothing to write";
        return false;
    }
    std::vector<std::uint8_t> bytes = EncodeBmp(picture);
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        *error = "cannot create " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        *error = "cannot write " + path + " (error " + std::to_string(GetLastError()) + ")";
        file.Reset();
        DeleteFileA(path.c_str());
        return false;
    }
    return true;
}

}  // namespace orrel::launcher
