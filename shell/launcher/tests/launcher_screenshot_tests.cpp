// Screenshots: the BMP file reads back through the system's own loader with
// the same pixels, and a capture of a window shows what it painted.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "orrel/handles.h"
#include "screenshot.h"

using orrel::launcher::CaptureClientArea;
using orrel::launcher::Picture;
using orrel::launcher::WriteBmp;

namespace {

std::string TempFile(const char* name)
{
    char dir[MAX_PATH] = {};
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

// A picture whose every pixel differs from its neighbours.
Picture Pattern(int width, int height)
{
    Picture p;
    p.width = width;
    p.height = height;
    p.pixels.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
            p.pixels[at] = static_cast<std::uint8_t>(x * 37 + 1);      // blue
            p.pixels[at + 1] = static_cast<std::uint8_t>(y * 53 + 2);  // green
            p.pixels[at + 2] = static_cast<std::uint8_t>(x + y * 7);   // red
        }
    }
    return p;
}

// Loads a BMP with the system's loader and reads one pixel as 0xRRGGBB.
class LoadedBitmap {
public:
    explicit LoadedBitmap(const std::string& path)
        : bitmap_(static_cast<HBITMAP>(
              LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION))),
          dc_(CreateCompatibleDC(nullptr))
    {
        if (bitmap_) {
            GetObjectA(bitmap_.Get(), sizeof info_, &info_);
            old_ = SelectObject(dc_, bitmap_.Get());
        }
    }
    ~LoadedBitmap()
    {
        if (old_) SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    bool Valid() const { return bitmap_.Valid(); }
    int Width() const { return info_.bmWidth; }
    int Height() const { return info_.bmHeight; }
    int Bits() const { return info_.bmBitsPixel; }
    std::uint32_t At(int x, int y) const
    {
        COLORREF c = GetPixel(dc_, x, y);
        return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }

private:
    orrel::Bitmap bitmap_;
    HDC dc_;
    HGDIOBJ old_ = nullptr;
    BITMAP info_ = {};
};

TEST(Screenshot, BmpFilesOfEveryRowPaddingReadBackPixelForPixel)
{
    // Widths 1 to 5 cover every padding of a 24-bit row (3, 2, 1, 0 bytes).
    for (int width = 1; width <= 5; ++width) {
        const int height = 3;
        Picture picture = Pattern(width, height);
        std::string path = TempFile("orrel-launcher-test.bmp");
        std::string error;
        ASSERT_TRUE(WriteBmp(picture, path, &error)) << error;

        WIN32_FILE_ATTRIBUTE_DATA attributes = {};
        ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes));
        const DWORD stride = (width * 3 + 3) & ~3;
        EXPECT_EQ(54 + stride * height, attributes.nFileSizeLow) << "width " << width;

        LoadedBitmap loaded(path);
        ASSERT_TRUE(loaded.Valid()) << "width " << width << ": the system cannot load the file";
        EXPECT_EQ(width, loaded.Width());
        EXPECT_EQ(height, loaded.Height());
        EXPECT_EQ(24, loaded.Bits());
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                EXPECT_EQ(picture.At(x, y), loaded.At(x, y))
                    << "width " << width << " pixel " << x << "," << y << " reads 0x" << std::hex
                    << loaded.At(x, y);
            }
        }
        DeleteFileA(path.c_str());
    }
}

TEST(Screenshot, WritingAnEmptyPictureOrIntoAMissingFolderFails)
{
    std::string error;
    EXPECT_FALSE(WriteBmp(Picture(), TempFile("orrel-empty.bmp"), &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(WriteBmp(Pattern(2, 2), TempFile("no-such-folder\\x\\shot.bmp"), &error));
    EXPECT_NE(std::string::npos, error.find("cannot create")) << error;
}

// A window painted red on its left half and blue on its right half.
LRESULT CALLBACK TwoColourProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        RECT left = client, right = client;
        left.right = right.left = client.right / 2;
        orrel::Brush red(CreateSolidBrush(RGB(255, 0, 0)));
        orrel::Brush blue(CreateSolidBrush(RGB(0, 0, 255)));
        FillRect(dc, &left, red.Get());
        FillRect(dc, &right, blue.Get());
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Pump(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    } while (GetTickCount() - start < milliseconds);
}

TEST(Screenshot, ACaptureShowsWhatTheWindowPaintedWithoutItsFrame)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &TwoColourProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrrelTwoColourTest";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "capture", WS_OVERLAPPEDWINDOW,
                                  40, 60, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(window != nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    Pump(500);

    RECT client;
    GetClientRect(window, &client);
    Picture picture;
    std::string error;
    ASSERT_TRUE(CaptureClientArea(window, &picture, &error)) << error;
    EXPECT_EQ(client.right, picture.width);
    EXPECT_EQ(client.bottom, picture.height);
    EXPECT_EQ(0xFF0000u, picture.At(5, 5)) << std::hex << picture.At(5, 5);
    EXPECT_EQ(0xFF0000u, picture.At(picture.width / 2 - 3, picture.height - 3))
        << std::hex << picture.At(picture.width / 2 - 3, picture.height - 3);
    EXPECT_EQ(0x0000FFu, picture.At(picture.width / 2 + 3, 3)) << std::hex
                                                               << picture.At(picture.width / 2 + 3, 3);
    EXPECT_EQ(0x0000FFu, picture.At(picture.width - 1, picture.height - 1))
        << std::hex << picture.At(picture.width - 1, picture.height - 1);

    DestroyWindow(window);
    error.clear();
    EXPECT_FALSE(CaptureClientArea(window, &picture, &error));
    EXPECT_FALSE(error.empty());
}

TEST(Screenshot, AWindowOffTheScreenCannotBeCaptured)
{
    HWND window = CreateWindowExA(0, "STATIC", "off", WS_POPUP | WS_VISIBLE, -5000, -5000, 100, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window != nullptr);
    Picture picture;
    std::string error;
    EXPECT_FALSE(CaptureClientArea(window, &picture, &error));
    EXPECT_NE(std::string::npos, error.find("not on the screen")) << error;
    DestroyWindow(window);
}

}  // namespace
