// Windows owned by objects: creation, routing, final message, subclassing of
// real controls, superclasses and reflected notifications.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <stdexcept>
#include <vector>

#include "orrel/ui/controls.h"
#include "orrel/module.h"
#include "orrel/ui/window.h"
#include "ui_test_support.h"

namespace {

using orrel::ui::Window;
using orrel::ui::WindowClass;

constexpr char kTestClass[] = "OrrelUiTestWindow";
constexpr char kListClass[] = "OrrelUiTestList";
constexpr UINT kAnswer = WM_APP + 1;
constexpr UINT kDestroySelf = WM_APP + 2;
constexpr UINT kThrow = WM_APP + 3;

const RECT kRect = {10, 10, 210, 110};

bool RegisterTestClasses()
{
    WindowClass plain;
    plain.name = kTestClass;
    plain.style = CS_DBLCLKS;
    plain.cursor = LoadCursor(nullptr, IDC_ARROW);
    WindowClass list;
    list.name = kListClass;
    list.baseClass = WC_LISTVIEWA;
    return Window::RegisterWindowClass(plain) && Window::RegisterWindowClass(list);
}

class Recorder : public Window {
public:
    std::vector<UINT> messages;
    UINT throwOn = 0;

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override
    {
        messages.push_back(msg);
        if (msg == throwOn) throw std::runtime_error("handler failed");
        if (msg == kAnswer) {
            result = 42 + static_cast<LRESULT>(wp);
            return true;
        }
        return false;
    }
};

bool Saw(const std::vector<UINT>& messages, UINT msg)
{
    for (UINT m : messages)
        if (m == msg) return true;
    return false;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(RegisterTestClasses()); }
};

TEST_F(WindowTest, CreatedWindowRoutesItsMessagesToItsObjectFromNcCreateOn)
{
    Recorder window;
    HWND hwnd = window.Create(kTestClass, nullptr, "Recorder", WS_OVERLAPPEDWINDOW, 0, kRect);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(hwnd, window.Handle());
    EXPECT_EQ(&window, Window::FromHandle(hwnd));
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(static_cast<UINT>(WM_NCCREATE), window.messages.front())
        << "first message seen by the object: 0x" << std::hex << window.messages.front();
    EXPECT_TRUE(Saw(window.messages, WM_CREATE));

    EXPECT_EQ(47, SendMessageA(hwnd, kAnswer, 5, 0)) << "a handled message answers with the handler's result";
    // Unhandled messages get DefWindowProc: the title is kept and read back.
    EXPECT_TRUE(SetWindowTextA(hwnd, "New title"));
    EXPECT_EQ("New title", orrel::ui::GetWindowTextString(hwnd));

    EXPECT_TRUE(window.Destroy());
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, window.Handle()) << "detached after WM_NCDESTROY";
    EXPECT_TRUE(Saw(window.messages, WM_DESTROY));
    EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), window.messages.back());
}

class SelfOwned : public Window {
public:
    static int deleted;
    static bool finalBeforeNcDestroyReturned;
    bool inHandler = false;

protected:
    ~SelfOwned() override { ++deleted; }
    bool HandleMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override
    {
        if (msg == kDestroySelf) {
            inHandler = true;
            int before = deleted;
            DestroyWindow(Handle());
            // The object must still be here: the final message waits for us.
            if (deleted != before) finalBeforeNcDestroyReturned = true;
            inHandler = false;
            result = 1;
            return true;
        }
        return false;
    }
    void OnFinalMessage(HWND) override
    {
        if (inHandler) finalBeforeNcDestroyReturned = true;
        delete this;
    }
};
int SelfOwned::deleted = 0;
bool SelfOwned::finalBeforeNcDestroyReturned = false;

TEST_F(WindowTest, SelfOwnedWindowIsDeletedOnceAfterTheOutermostMessageReturns)
{
    SelfOwned::deleted = 0;
    auto* first = new SelfOwned;
    HWND hwnd = first->Create(kTestClass, nullptr, "", WS_OVERLAPPED, 0, kRect);
    ASSERT_NE(nullptr, hwnd);
    DestroyWindow(hwnd);
    EXPECT_EQ(1, SelfOwned::deleted) << "deleted by its final message";

    // Destroyed from inside one of its own handlers.
    SelfOwned::finalBeforeNcDestroyReturned = false;
    auto* second = new SelfOwned;
    hwnd = second->Create(kTestClass, nullptr, "", WS_OVERLAPPED, 0, kRect);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(1, SendMessageA(hwnd, kDestroySelf, 0, 0));
    EXPECT_FALSE(SelfOwned::finalBeforeNcDestroyReturned) << "final message ran inside the handler";
    EXPECT_EQ(2, SelfOwned::deleted);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTest, DeletingTheObjectOfALiveWindowDetachesAndDestroysIt)
{
    auto* window = new Recorder;
    HWND hwnd = window->Create(kTestClass, nullptr, "", WS_OVERLAPPED, 0, kRect);
    ASSERT_NE(nullptr, hwnd);
    delete window;
    EXPECT_FALSE(IsWindow(hwnd)) << "the window made by the object goes with it";
    EXPECT_EQ(nullptr, Window::FromHandle(hwnd));
}

TEST_F(WindowTest, ExceptionInAHandlerFallsBackToDefaultProcessing)
{
    Recorder window;
    window.throwOn = WM_SETTEXT;
    HWND hwnd = window.Create(kTestClass, nullptr, "", WS_OVERLAPPED, 0, kRect);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_TRUE(SetWindowTextA(hwnd, "still set"));
    EXPECT_EQ("still set", orrel::ui::GetWindowTextString(hwnd));
    window.throwOn = kAnswer;
    EXPECT_EQ(0, SendMessageA(hwnd, kAnswer, 1, 0)) << "default answer of an unknown message";
    window.Destroy();
}

TEST_F(WindowTest, ExceptionDuringCreationFailsTheWindowAndLeavesTheObjectToItsCreator)
{
    Recorder window;
    window.throwOn = WM_CREATE;
    EXPECT_EQ(nullptr, window.Create(kTestClass, nullptr, "", WS_OVERLAPPED, 0, kRect));
    EXPECT_EQ(nullptr, window.Handle());
    window.throwOn = 0;
    HWND hwnd = window.Create(kTestClass, nullptr, "", WS_OVERLAPPED, 0, kRect);
    EXPECT_NE(nullptr, hwnd) << "the object can make its window again";
    window.Destroy();
}

// Swallows 'x' typed into the control it subclasses.
class NoX : public Window {
public:
    int seen = 0;

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override
    {
        ++seen;
        if (msg == WM_CHAR && wp == 'x') {
            result = 0;
            return true;
        }
        return false;
    }
};

HWND MakeEdit(HWND parent)
{
    return CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, parent,
                           reinterpret_cast<HMENU>(7), GetModuleHandleA(nullptr), nullptr);
}

void Type(HWND hwnd, const char* text)
{
    for (const char* p = text; *p; ++p) SendMessageA(hwnd, WM_CHAR, static_cast<WPARAM>(*p), 1);
}

TEST_F(WindowTest, SubclassInterceptsARealControlAndUnsubclassRestoresItsProcedure)
{
    Recorder parent;
    ASSERT_NE(nullptr, parent.Create(kTestClass, nullptr, "", WS_OVERLAPPED, 0, kRect));
    HWND edit = MakeEdit(parent.Handle());
    ASSERT_NE(nullptr, edit);
    LONG_PTR original = GetWindowLongPtrA(edit, GWLP_WNDPROC);

    NoX filter;
    ASSERT_TRUE(filter.Subclass(edit));
    EXPECT_TRUE(filter.IsSubclassing());
    EXPECT_NE(original, GetWindowLongPtrA(edit, GWLP_WNDPROC));
    EXPECT_EQ(&filter, Window::FromHandle(edit));
    Type(edit, "axb");
    EXPECT_EQ("ab", orrel::ui::GetWindowTextString(edit)) << "x was intercepted, the rest reached the edit";
    EXPECT_GT(filter.seen, 0);

    EXPECT_TRUE(filter.Unsubclass()) << "nothing was installed above us";
    EXPECT_EQ(original, GetWindowLongPtrA(edit, GWLP_WNDPROC)) << "the edit's own procedure is back";
    EXPECT_EQ(nullptr, Window::FromHandle(edit));
    int seen = filter.seen;
    Type(edit, "x");
    EXPECT_EQ("abx", orrel::ui::GetWindowTextString(edit));
    EXPECT_EQ(seen, filter.seen) << "no message reaches a detached object";
    parent.Destroy();
}

WNDPROC g_foreignPrevious = nullptr;
int g_foreignCalls = 0;
LRESULT CALLBACK ForeignProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    ++g_foreignCalls;
    return CallWindowProcA(g_foreignPrevious, hwnd, msg, wp, lp);
}

TEST_F(WindowTest, UnsubclassUnderAForeignSubclassLeavesAWorkingPassThrough)
{
    Recorder parent;
    ASSERT_NE(nullptr, parent.Create(kTestClass, nullptr, "", WS_OVERLAPPED, 0, kRect));
    HWND edit = MakeEdit(parent.Handle());
    ASSERT_NE(nullptr, edit);

    const LONG moduleCount = orrel::Module::LockCount();
    NoX filter;
    ASSERT_TRUE(filter.Subclass(edit));
    g_foreignCalls = 0;
    g_foreignPrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
    ASSERT_NE(nullptr, g_foreignPrevious);

    EXPECT_FALSE(filter.Unsubclass()) << "cannot take itself out from under another procedure";
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&ForeignProc), GetWindowLongPtrA(edit, GWLP_WNDPROC))
        << "the foreign procedure stays in place";
    EXPECT_EQ(moduleCount + 1, orrel::Module::LockCount())
        << "the module stays loaded while its procedure is in the chain";
    int seen = filter.seen;
    Type(edit, "xy");
    EXPECT_EQ("xy", orrel::ui::GetWindowTextString(edit)) << "the chain still reaches the edit";
    EXPECT_GT(g_foreignCalls, 0);
    EXPECT_EQ(seen, filter.seen);

    // The pass-through can be taken over again.
    NoX again;
    ASSERT_TRUE(again.Subclass(edit));
    Type(edit, "xz");
    EXPECT_EQ("xyz", orrel::ui::GetWindowTextString(edit));
    EXPECT_FALSE(again.Unsubclass());
    EXPECT_EQ(moduleCount + 1, orrel::Module::LockCount()) << "one count per window";
    parent.Destroy();  // destroys the edit with our pass-through in its chain
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(moduleCount, orrel::Module::LockCount()) << "released at WM_NCDESTROY";
}

TEST_F(WindowTest, ASecondObjectCannotSubclassTheSameWindow)
{
    Recorder parent;
    ASSERT_NE(nullptr, parent.Create(kTestClass, nullptr, "", WS_OVERLAPPED, 0, kRect));
    HWND edit = MakeEdit(parent.Handle());
    NoX first;
    NoX second;
    ASSERT_TRUE(first.Subclass(edit));
    EXPECT_FALSE(second.Subclass(edit));
    EXPECT_FALSE(second.Subclass(nullptr));
    EXPECT_EQ(&first, Window::FromHandle(edit));
    // The window dies while subclassed: the object is detached with it.
    parent.Destroy();
    EXPECT_EQ(nullptr, first.Handle());
    EXPECT_FALSE(first.Unsubclass());
}

TEST_F(WindowTest, CreateWithASystemClassAttachesBySubclassing)
{
    Recorder parent;
    ASSERT_NE(nullptr, parent.Create(kTestClass, nullptr, "", WS_OVERLAPPED, 0, kRect));
    Recorder button;
    RECT rect = {0, 0, 80, 20};
    HWND hwnd = button.Create("BUTTON", parent.Handle(), "Push", WS_CHILD | BS_PUSHBUTTON, 0, rect, 12);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(12, GetDlgCtrlID(hwnd));
    EXPECT_EQ(47, SendMessageA(hwnd, kAnswer, 5, 0));
    EXPECT_EQ("Push", orrel::ui::GetWindowTextString(hwnd)) << "the button's own procedure answers the rest";
    parent.Destroy();
}

// A list view superclass that takes its own notifications back from the
// parent.
class ReflectedList : public Window {
public:
    std::vector<UINT> codes;
    int changedItem = -1;

protected:
    bool HandleMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) override
    {
        if (msg != orrel::ui::kReflectedNotify) return false;
        auto* header = reinterpret_cast<NMHDR*>(lp);
        codes.push_back(header->code);
        if (header->code == LVN_ITEMCHANGED) changedItem = reinterpret_cast<NMLISTVIEW*>(lp)->iItem;
        result = 0;
        return true;
    }
};

class ReflectingParent : public Window {
public:
    int unreflected = 0;

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override
    {
        if (msg == WM_NOTIFY) {
            if (ReflectNotification(msg, wp, lp, result)) return true;
            ++unreflected;
        }
        return false;
    }
};

TEST_F(WindowTest, ParentReflectsChildNotificationsToTheChildObject)
{
    ReflectingParent parent;
    ASSERT_NE(nullptr, parent.Create(kTestClass, nullptr, "", WS_OVERLAPPEDWINDOW, 0, kRect));
    ReflectedList list;
    RECT rect = {0, 0, 200, 100};
    HWND hwnd = list.Create(kListClass, parent.Handle(), "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, rect, 666);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(&list, Window::FromHandle(hwnd));

    orrel::ui::ListViewCtrl view(hwnd);
    EXPECT_EQ(0, view.InsertColumn(0, "Name", 100));
    EXPECT_EQ(0, view.InsertItem(0, "one"));
    EXPECT_EQ(1, view.GetItemCount()) << "the superclass behaves as a list view";
    list.codes.clear();
    EXPECT_TRUE(view.SelectItem(0));
    ASSERT_FALSE(list.codes.empty()) << "no notification reached the list object";
    EXPECT_EQ(0, list.changedItem);

    // A notification of a window that is no object of ours stays with the parent.
    NMHDR foreign = {GetDesktopWindow(), 1, LVN_ITEMCHANGED};
    int before = parent.unreflected;
    SendMessageA(parent.Handle(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&foreign));
    EXPECT_EQ(before + 1, parent.unreflected);
    parent.Destroy();
}

TEST_F(WindowTest, ClassRegistrationIsOncePerNameAndCanBeUndone)
{
    WindowClass cls;
    cls.name = "OrrelUiTemporary";
    ASSERT_TRUE(Window::RegisterWindowClass(cls));
    EXPECT_TRUE(Window::RegisterWindowClass(cls)) << "a second registration is no failure";
    WindowClass unnamed;
    EXPECT_FALSE(Window::RegisterWindowClass(unnamed));
    WindowClass badBase;
    badBase.name = "OrrelUiBadBase";
    badBase.baseClass = "NoSuchClassAnywhere";
    EXPECT_FALSE(Window::RegisterWindowClass(badBase));

    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    EXPECT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), cls.name, &info));
    // A class that still has a window cannot go yet; it is unregistered by
    // the next call once its window is gone.
    Recorder window;
    ASSERT_NE(nullptr, window.Create(cls.name, nullptr, "", WS_OVERLAPPED, 0, kRect));
    Window::UnregisterClasses();
    EXPECT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), cls.name, &info));
    window.Destroy();
    Window::UnregisterClasses();
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), cls.name, &info));
    EXPECT_TRUE(RegisterTestClasses()) << "classes can be registered again afterwards";
}

}  // namespace
