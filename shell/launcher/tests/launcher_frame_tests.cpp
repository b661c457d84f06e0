// The launcher's frame hosting the shell's explorer browser: navigation, the
// fallback to the Desktop, the tree pane, resizing and teardown.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "browserframe.h"

using orrel::launcher::BrowserFrame;

namespace {

const char kMyComputer[] = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";

bool Pump(const BrowserFrame& frame, DWORD milliseconds, bool untilFilled)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (untilFilled && frame.Filled()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
    return untilFilled ? frame.Filled() : true;
}

bool Contains(const std::vector<std::string>& lines, const std::string& wanted)
{
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

std::string Join(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines) out += "[" + l + "]";
    return out;
}

class Frame : public ::testing::Test {
protected:
    void SetUp() override
    {
        HRESULT hr = frame_.Create(GetModuleHandleA(nullptr), "Orrel Explorer", 800, 560);
        ASSERT_EQ(S_OK, hr) << std::hex << hr;
        ShowWindow(frame_.Window(), SW_SHOWNORMAL);
    }
    BrowserFrame frame_;
};

TEST_F(Frame, AKnownFolderOpensWithTheTreePaneBesideIt)
{
    std::string report;
    HRESULT hr = frame_.Navigate(kMyComputer, &report);
    EXPECT_EQ(S_OK, hr) << std::hex << hr << " " << report;
    EXPECT_TRUE(report.empty()) << report;
    EXPECT_GE(frame_.Log().completed, 1);
    EXPECT_EQ(0, frame_.Log().failed);

    // A slow browser gets time; only one that never fills fails.
    ASSERT_TRUE(Pump(frame_, 60000, true)) << "the browser did not fill";
    std::vector<std::string> tree = frame_.TreeLines();
    EXPECT_TRUE(Contains(tree, "Desktop")) << Join(tree);
    EXPECT_TRUE(Contains(tree, "  My Computer")) << Join(tree);
    EXPECT_FALSE(frame_.ViewLines().empty()) << "My Computer lists nothing";
}

TEST_F(Frame, TheItemAskedForIsOpenedInTheTreePane)
{
    std::string report;
    ASSERT_EQ(S_OK, frame_.Navigate(kMyComputer, &report)) << report;
    ASSERT_TRUE(Pump(frame_, 60000, true)) << "the browser did not fill";
    EXPECT_TRUE(frame_.RevealTarget());
    Pump(frame_, 300, false);
    std::vector<std::string> tree = frame_.TreeLines();
    auto at = std::find(tree.begin(), tree.end(), "  My Computer");
    ASSERT_TRUE(at != tree.end()) << Join(tree);
    ASSERT_TRUE(at + 1 != tree.end()) << "nothing below My Computer: " << Join(tree);
    EXPECT_EQ(0u, (at + 1)->find("    ")) << "My Computer is not open: " << Join(tree);
    // Opening it again leaves it open.
    EXPECT_TRUE(frame_.RevealTarget());
    EXPECT_EQ(tree, frame_.TreeLines());
}

TEST_F(Frame, AnUnopenableNameFallsBackToTheDesktopAndSaysWhatFailed)
{
    const struct {
        const char* name;
        const char* reported;
    } cases[] = {
        // A class that is not registered: the Desktop parses it, the
        // browser cannot open it (as the namespace before its view exists).
        {"::{0F0E0D0C-1111-2222-3333-444455556666}", "binding its folder failed"},
        {"no such place at all", "does not know"},
    };
    for (const auto& c : cases) {
        std::string report;
        HRESULT hr = frame_.Navigate(c.name, &report);
        EXPECT_EQ(S_FALSE, hr) << c.name << ": " << std::hex << hr;
        EXPECT_NE(std::string::npos, report.find(c.reported)) << c.name << ": " << report;
        EXPECT_NE(std::string::npos, report.find(c.name)) << c.name << ": " << report;
        EXPECT_NE(std::string::npos, report.find("Desktop instead")) << c.name << ": " << report;
        ASSERT_TRUE(Pump(frame_, 60000, true)) << c.name << ": the browser did not fill";
        std::vector<std::string> view = frame_.ViewLines();
        EXPECT_TRUE(Contains(view, "My Computer")) << c.name << " shows " << Join(view);
    }
}

TEST_F(Frame, TheBrowserFollowsTheFramesSize)
{
    std::string report;
    ASSERT_TRUE(SUCCEEDED(frame_.Navigate(kMyComputer, &report))) << report;
    Pump(frame_, 500, false);
    const SIZE sizes[] = {{640, 480}, {1000, 700}, {420, 300}};
    for (const SIZE& size : sizes) {
        SetWindowPos(frame_.Window(), nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOMOVE);
        Pump(frame_, 300, false);
        RECT client;
        GetClientRect(frame_.Window(), &client);
        HWND browser = GetWindow(frame_.Window(), GW_CHILD);
        ASSERT_TRUE(browser != nullptr) << "the frame holds no browser window";
        RECT inner;
        GetWindowRect(browser, &inner);
        MapWindowPoints(nullptr, frame_.Window(), reinterpret_cast<POINT*>(&inner), 2);
        EXPECT_EQ(client.right, inner.right - inner.left) << "frame " << size.cx << "x" << size.cy;
        EXPECT_EQ(client.bottom, inner.bottom - inner.top) << "frame " << size.cx << "x" << size.cy;
        EXPECT_EQ(0, inner.left);
        EXPECT_EQ(0, inner.top);
    }
}

TEST_F(Frame, ClosingTheWindowReleasesTheBrowser)
{
    std::string report;
    ASSERT_TRUE(SUCCEEDED(frame_.Navigate(kMyComputer, &report))) << report;
    Pump(frame_, 500, false);
    HWND window = frame_.Window();
    HWND tree = frame_.FindDescendant("SysTreeView32");
    EXPECT_TRUE(tree != nullptr) << "no tree pane";
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(frame_.Window() == nullptr);
    EXPECT_TRUE(frame_.Browser() == nullptr);
    EXPECT_FALSE(tree && IsWindow(tree));
    EXPECT_FALSE(frame_.Filled());
    std::string after;
    EXPECT_EQ(E_UNEXPECTED, frame_.Navigate(kMyComputer, &after));
    frame_.Destroy();  // a second teardown does nothing
}

TEST(FrameLifetime, DestroyWithoutNavigationAndTwiceIsHarmless)
{
    BrowserFrame frame;
    ASSERT_EQ(S_OK, frame.Create(GetModuleHandleA(nullptr), "Orrel Explorer", 400, 300));
    HWND window = frame.Window();
    frame.Destroy();
    EXPECT_FALSE(IsWindow(window));
    frame.Destroy();
    EXPECT_TRUE(frame.Window() == nullptr);
    EXPECT_TRUE(frame.TreeLines().empty());
}

}  // namespace
