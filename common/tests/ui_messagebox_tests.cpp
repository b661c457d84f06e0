// Message boxes from the string table, captured as they open by a CBT hook
// that reads their text and answers them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "orrel/ui/messagebox.h"
#include "orrel/ui/window.h"
#include "ui_tests_res.h"

namespace {

using orrel::ui::MessageBoxFromStrings;

// Captures the next message box opened on this thread and presses a button.
class BoxCapture {
public:
    explicit BoxCapture(int answer) : hook_(SetWindowsHookExA(WH_CBT, &BoxCapture::Hook, nullptr, GetCurrentThreadId()))
    {
        current_ = this;
        answer_ = answer;
    }
    ~BoxCapture()
    {
        if (hook_) UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    bool Installed() const { return hook_ != nullptr; }
    std::string text;
    std::string caption;
    bool hasStopIcon = false;
    int boxes = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp)
    {
        if (code == HCBT_ACTIVATE && current_) {
            HWND box = reinterpret_cast<HWND>(wp);
            char name[16] = {};
            GetClassNameA(box, name, sizeof name);
            if (lstrcmpA(name, "#32770") == 0) {
                ++current_->boxes;
                current_->caption = orrel::ui::GetWindowTextString(box);
                current_->text = orrel::ui::GetWindowTextString(GetDlgItem(box, 0xFFFF));
                current_->hasStopIcon = false;
                EnumChildWindows(box, &BoxCapture::FindIcon, 0);
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(current_->answer_, BN_CLICKED), 0);
            }
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }
    // An icon is a visible static control showing one.
    static BOOL CALLBACK FindIcon(HWND child, LPARAM)
    {
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON && (style & WS_VISIBLE) &&
            SendMessageA(child, STM_GETICON, 0, 0) != 0)
            current_->hasStopIcon = true;
        return TRUE;
    }
    static BoxCapture* current_;
    HHOOK hook_;
    int answer_ = IDOK;
};
BoxCapture* BoxCapture::current_ = nullptr;

TEST(MessageBoxFromStrings, FormatsTheTableTextWithTheArgumentsUnderTheTableCaption)
{
    BoxCapture capture(IDYES);
    ASSERT_TRUE(capture.Installed());
    int answer = MessageBoxFromStrings(nullptr, IDS_UI_REMOVE, IDS_UI_CAPTION,
                                       MB_YESNO | MB_ICONSTOP, "Admin.Sales", 2, 5u);
    EXPECT_EQ(IDYES, answer) << "the box's answer comes back";
    EXPECT_EQ(1, capture.boxes);
    EXPECT_EQ("Do you wish to remove \"Admin.Sales\" (2 of 5)?", capture.text);
    EXPECT_EQ("Halvet Services", capture.caption);
    EXPECT_TRUE(capture.hasStopIcon);
}

TEST(MessageBoxFromStrings, TextLongerThanAnyFixedBufferIsShownWhole)
{
    BoxCapture capture(IDOK);
    EXPECT_EQ(IDOK, MessageBoxFromStrings(nullptr, IDS_UI_LONG, IDS_UI_CAPTION, MB_OK));
    EXPECT_GT(capture.text.size(), 500u);
    EXPECT_EQ("END", capture.text.substr(capture.text.size() - 3)) << capture.text;
    EXPECT_FALSE(capture.hasStopIcon) << "no icon was asked for";
}

struct UnfitCase {
    const char* why;
    UINT id;
    const char* shown;
};

TEST(MessageBoxFromStrings, TableTextThatDoesNotFitTheArgumentsIsShownUnformatted)
{
    const UnfitCase cases[] = {
        {"one argument for two conversions", IDS_UI_TOO_FEW, "From %s to %s"},
        {"%n in the table", IDS_UI_COUNT_WRITE, "Written %n bytes"},
    };
    for (const auto& c : cases) {
        BoxCapture capture(IDOK);
        MessageBoxFromStrings(nullptr, c.id, IDS_UI_CAPTION, MB_OK, "only");
        EXPECT_EQ(c.shown, capture.text) << c.why;
    }
    BoxCapture plain(IDOK);
    MessageBoxFromStrings(nullptr, IDS_UI_PLAIN, IDS_UI_CAPTION, MB_OK);
    EXPECT_EQ("Nothing to format: 100%", plain.text);
}

TEST(MessageBoxFromStrings, MissingStringsGiveAnEmptyTextAndNoCrash)
{
    BoxCapture capture(IDOK);
    EXPECT_EQ(IDOK, MessageBoxFromStrings(nullptr, 4242, 4243, MB_OK, 1));
    EXPECT_EQ("", capture.text);
    EXPECT_EQ("", orrel::ui::LoadModuleText(4242));
    EXPECT_EQ("Halvet Services", orrel::ui::LoadModuleText(IDS_UI_CAPTION));
}

}  // namespace
