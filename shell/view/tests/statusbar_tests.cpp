// The logo status bar on a window of our own: repainting on text changes and
// narrowing, where the logo is painted, what a double-click opens, and the
// text area without a logo.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "orrel/view/logostatusbar.h"

namespace {

using orrel::view::LogoStatusBar;

std::vector<std::string> g_opened;

void RecordOpen(const char* address)
{
    g_opened.push_back(address);
}

// A window class without CS_HREDRAW, so that only the bar decides what a
// narrower size repaints.
HWND MakeStatusWindow(int width)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ViewTestStatus";
        registered = RegisterClassA(&wc) != 0;
    }
    HWND frame = CreateWindowExA(WS_EX_TOPMOST, "ViewTestStatus", "", WS_POPUP | WS_VISIBLE, 20, 20,
                                 width + 100, 60, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return CreateWindowExA(0, "ViewTestStatus", "", WS_CHILD | WS_VISIBLE, 0, 20, width, 24, frame,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

void Flush(HWND window)
{
    UpdateWindow(window);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    UpdateWindow(window);
}

RECT UpdateRect(HWND window)
{
    RECT rect = {};
    if (!GetUpdateRect(window, &rect, FALSE)) SetRectEmpty(&rect);
    return rect;
}

class LogoStatusBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_opened.clear();
        LogoStatusBar::SetOpenHook(&RecordOpen);
        static HMODULE shell = LoadLibraryA("OrrelShell.dll");  // once: it is large
        shell_ = shell;
        window_ = MakeStatusWindow(400);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override
    {
        LogoStatusBar::SetOpenHook(nullptr);
        if (window_) DestroyWindow(GetParent(window_));
    }

    HMODULE shell_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(LogoStatusBarTest, TextChangeRepaintsTheWholeBarAndAnEqualTextNothing)
{
    LogoStatusBar bar(shell_);
    ASSERT_TRUE(bar.Subclass(window_));
    Flush(window_);
    SendMessageA(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("3 Objects"));
    RECT client;
    GetClientRect(window_, &client);
    const RECT dirty = UpdateRect(window_);
    EXPECT_TRUE(EqualRect(&dirty, &client)) << "update " << dirty.right << "x" << dirty.bottom;
    Flush(window_);
    EXPECT_EQ(SendMessageA(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("3 Objects")), TRUE);
    const RECT clean = UpdateRect(window_);
    EXPECT_TRUE(IsRectEmpty(&clean)) << "an equal text repaints nothing";
    char text[32] = {};
    GetWindowTextA(window_, text, sizeof text);
    EXPECT_STREQ(text, "3 Objects");
    EXPECT_TRUE(bar.HasFont());
    bar.Unsubclass();
}

TEST_F(LogoStatusBarTest, LogoIsPaintedAtTheRightBesideTheSizeGrip)
{
    LogoStatusBar bar(shell_);
    ASSERT_TRUE(bar.HasLogo()) << "bitmap 1010 of OrrelShell.dll";
    ASSERT_TRUE(bar.Subclass(window_));
    bar.SetText("text");
    InvalidateRect(window_, nullptr, TRUE);
    Flush(window_);
    RECT client;
    GetClientRect(window_, &client);
    const int edge = GetSystemMetrics(SM_CXEDGE);
    RECT inner = client;
    inner.top += edge;
    InflateRect(&inner, -edge, -edge);
    const SIZE size = bar.LogoSize();
    const RECT logo = bar.LogoRect();
    EXPECT_EQ(logo.left, inner.right - inner.bottom - size.cx);
    EXPECT_EQ(logo.top, inner.top);
    EXPECT_EQ(logo.right - logo.left, size.cx);
    EXPECT_EQ(logo.bottom - logo.top, size.cy);
    EXPECT_EQ(bar.TextRight(), logo.left - 4);

    // The pixels there are the bitmap's.
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(shell_, MAKEINTRESOURCEA(1010), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(bitmap, nullptr);
    HDC screen = GetDC(window_);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    int same = 0, total = 0;
    for (int y = 1; y < size.cy && logo.top + y < client.bottom; y += 3)
        for (int x = 1; x < size.cx; x += 7, ++total)
            if (GetPixel(screen, logo.left + x, logo.top + y) == GetPixel(memory, x, y)) ++same;
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(window_, screen);
    DeleteObject(bitmap);
    EXPECT_GE(same * 10, total * 9) << same << " of " << total << " pixels are the logo's";
    bar.Unsubclass();
}

TEST_F(LogoStatusBarTest, NarrowerBarRepaintsCompletelyAndWiderOnlyTheNewPart)
{
    LogoStatusBar bar(shell_);
    ASSERT_TRUE(bar.Subclass(window_));
    SetWindowPos(window_, nullptr, 0, 0, 380, 24, SWP_NOMOVE | SWP_NOZORDER);
    Flush(window_);
    SetWindowPos(window_, nullptr, 0, 0, 300, 24, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(window_, &client);
    RECT dirty = UpdateRect(window_);
    EXPECT_TRUE(EqualRect(&dirty, &client)) << "narrower: update from " << dirty.left;
    Flush(window_);
    SetWindowPos(window_, nullptr, 0, 0, 360, 24, SWP_NOMOVE | SWP_NOZORDER);
    dirty = UpdateRect(window_);
    EXPECT_GE(dirty.left, 300) << "wider: only what the system exposed";
    bar.Unsubclass();
}

TEST_F(LogoStatusBarTest, DoubleClickOnTheLogoOpensTheWebSiteOnTheTextNothing)
{
    LogoStatusBar bar(shell_);
    ASSERT_TRUE(bar.Subclass(window_));
    InvalidateRect(window_, nullptr, TRUE);
    Flush(window_);
    const RECT logo = bar.LogoRect();
    ASSERT_FALSE(IsRectEmpty(&logo));
    const LPARAM onLogo = MAKELPARAM((logo.left + logo.right) / 2, (logo.top + logo.bottom) / 2);
    const LPARAM onText = MAKELPARAM(10, 10);
    SendMessageA(window_, WM_LBUTTONDBLCLK, MK_LBUTTON, onText);
    EXPECT_TRUE(g_opened.empty());
    SendMessageA(window_, WM_LBUTTONDBLCLK, MK_LBUTTON, onLogo);
    SendMessageA(window_, WM_LBUTTONDBLCLK, MK_LBUTTON, onLogo);
    ASSERT_EQ(g_opened.size(), 2u) << "once per double-click";
    EXPECT_EQ(g_opened[0], orrel::view::kMakerWebSite);
    bar.Unsubclass();
}

TEST_F(LogoStatusBarTest, WithoutTheBitmapTheTextUsesTheWholeWidthAndNothingOpens)
{
    LogoStatusBar bar(GetModuleHandleA(nullptr));  // this program has no bitmap 1010
    EXPECT_FALSE(bar.HasLogo());
    ASSERT_TRUE(bar.Subclass(window_));
    bar.SetText("no logo");
    Flush(window_);
    RECT client;
    GetClientRect(window_, &client);
    const RECT logo = bar.LogoRect();
    EXPECT_TRUE(IsRectEmpty(&logo));
    EXPECT_EQ(bar.TextRight(), client.right - GetSystemMetrics(SM_CXEDGE));
    for (int x = 5; x < client.right; x += 40)
        SendMessageA(window_, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, 10));
    EXPECT_TRUE(g_opened.empty());
    bar.Unsubclass();
}

}  // namespace
