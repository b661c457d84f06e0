// Dropping onto personal folders and the namespace root (the folder object's
// drop target) and onto the container list, with data objects the namespace
// makes; and one real OLE drag from one view into a folder of another.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "orrel/handles.h"
#include "orrel/ui/window.h"
#include "view_support.h"

namespace vtest {
namespace {

using orrel::ComPtr;

constexpr DWORD kAll = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

DWORD StoredFlags(const std::string& relative)
{
    DWORD flags = 0, size = sizeof flags;
    if (RegGetValueA(HKEY_CURRENT_USER, FolderKey(relative).c_str(), "Flags", RRF_RT_REG_DWORD,
                     nullptr, &flags, &size) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    return flags;
}

std::string StoredDn(const std::string& relative)
{
    char data[256] = {};
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_CURRENT_USER, FolderKey(relative).c_str(), "DN", RRF_RT_REG_BINARY, nullptr,
                     data, &size) != ERROR_SUCCESS || size == 0)
        return "<none>";
    return std::string(data, size - 1);
}

// Label-counted form of a "\"-separated folder path.
std::string Labels(const std::string& text)
{
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\\', start);
        if (end == std::string::npos) end = text.size();
        out += static_cast<char>(end - start) + text.substr(start, end - start);
        start = end + 1;
    }
    return out;
}

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    for (const std::string& n : names)
        if (n == name) return true;
    return false;
}

// A UI object of children of a namespace folder, by display name.
template <class T>
ComPtr<T> UIObjectOf(const std::vector<std::string>& path, const std::vector<std::string>& names,
                     REFIID riid)
{
    ComPtr<T> out;
    ComPtr<IShellFolder> folder = BindPath(path);
    if (!folder) return out;
    std::vector<Pidl> lists;
    std::vector<LPCITEMIDLIST> raw;
    for (const std::string& name : names) {
        lists.push_back(ChildPidl(folder.Get(), name));
        if (!lists.back().Get()) return out;
        raw.push_back(lists.back().Get());
    }
    folder->GetUIObjectOf(nullptr, static_cast<UINT>(raw.size()), raw.data(), riid, nullptr,
                          out.PutVoid());
    return out;
}

ComPtr<IDataObject> DataOf(const std::vector<std::string>& path,
                           const std::vector<std::string>& names)
{
    return UIObjectOf<IDataObject>(path, names, IID_IDataObject);
}

ComPtr<IDropTarget> TargetOf(const std::vector<std::string>& path, const std::string& name)
{
    return UIObjectOf<IDropTarget>(path, {name}, IID_IDropTarget);
}

// A data object from outside the namespace: a file system folder's.
ComPtr<IDataObject> ForeignData()
{
    ComPtr<IDataObject> data;
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Put()))) return data;
    Pidl absolute;
    wchar_t path[] = L"C:\\windows";
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, path, nullptr, absolute.Put(), nullptr)))
        return data;
    ComPtr<IShellFolder> parent;
    LPCITEMIDLIST child = nullptr;
    if (FAILED(SHBindToParent(absolute.Get(), IID_IShellFolder, parent.PutVoid(), &child)))
        return data;
    parent->GetUIObjectOf(nullptr, 1, &child, IID_IDataObject, nullptr, data.PutVoid());
    return data;
}

struct DropOutcome {
    HRESULT enter;
    DWORD entered;
    HRESULT drop;
    DWORD dropped;
};

DropOutcome DropOnto(IDropTarget* target, IDataObject* data, DWORD keys = 0)
{
    DropOutcome outcome{};
    POINTL point = {0, 0};
    DWORD effect = kAll;
    outcome.enter = target->DragEnter(data, keys, point, &effect);
    outcome.entered = effect;
    effect = kAll;
    outcome.drop = target->Drop(data, keys, point, &effect);
    outcome.dropped = effect;
    return outcome;
}

class FolderDrop : public ::testing::Test {
protected:
    void SetUp() override { ResetConfiguration(); }
    void TearDown() override { ResetConfiguration(); }
};

TEST_F(FolderDrop, DirectoryObjectsBecomeShortcutsOfTheFolder)
{
    ComPtr<IDataObject> data = DataOf({kTree, "Org"}, {"Admin", "Sales"});
    ComPtr<IDropTarget> sub = TargetOf({"Projects"}, "Sub");
    ASSERT_TRUE(data && sub);
    const DropOutcome outcome = DropOnto(sub.Get(), data.Get());
    EXPECT_EQ(outcome.enter, S_OK);
    EXPECT_EQ(outcome.entered, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(outcome.drop, S_OK);
    EXPECT_EQ(outcome.dropped, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(StoredFlags("Projects\\Sub\\VIEWTREE-Admin.Org"), 0x100u);
    EXPECT_EQ(StoredFlags("Projects\\Sub\\VIEWTREE-Sales.Org"), 0x101u);
    const std::vector<std::string> inSub = ChildNames({"Projects", "Sub"});
    EXPECT_TRUE(Has(inSub, "Admin") && Has(inSub, "Sales")) << Join(inSub);
    // The source is left as it was.
    EXPECT_TRUE(Has(ChildNames({kTree, "Org"}), "Admin"));

    // A shortcut of one folder dropped onto another is copied; dropped onto
    // the folder that has it already, it is not added twice.
    ComPtr<IDataObject> shortcut = DataOf({"Projects"}, {"Admin"});
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(DropOnto(TargetOf({}, "Empty").Get(), shortcut.Get()).dropped,
              static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(StoredFlags("Empty\\VIEWTREE-Admin.Org"), 0x100u);
    DropOnto(TargetOf({}, "Projects").Get(), shortcut.Get());
    EXPECT_EQ(ChildNames({"Projects"}).size(), 4u) << Join(ChildNames({"Projects"}));
}

TEST_F(FolderDrop, PersonalFolderMovesWithEverythingItHolds)
{
    WriteFolder("Projects\\Other\\Deep");
    WriteShortcut("Projects\\Other", "Zed.Org", "User", 0x100);
    WriteShortcut("Projects\\Other\\Deep", "Staff.Org", "Group", 0x100);
    ASSERT_EQ(RefreshNamespace(), S_OK);

    ComPtr<IDataObject> other = DataOf({"Projects"}, {"Other"});
    ComPtr<IDropTarget> sub = TargetOf({"Projects"}, "Sub");
    ASSERT_TRUE(other && sub);
    const DropOutcome outcome = DropOnto(sub.Get(), other.Get());
    EXPECT_EQ(outcome.entered, static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(outcome.drop, S_OK);
    EXPECT_EQ(outcome.dropped, static_cast<DWORD>(DROPEFFECT_MOVE));

    EXPECT_FALSE(KeyExists(FolderKey("Projects\\Other")));
    EXPECT_EQ(StoredDn("Projects\\Sub\\Other"), Labels("Projects\\Sub\\Other"));
    EXPECT_EQ(StoredDn("Projects\\Sub\\Other\\Deep"), Labels("Projects\\Sub\\Other\\Deep"));
    EXPECT_EQ(StoredFlags("Projects\\Sub\\Other\\VIEWTREE-Zed.Org"), 0x100u);
    EXPECT_EQ(StoredFlags("Projects\\Sub\\Other\\Deep\\VIEWTREE-Staff.Org"), 0x100u);
    EXPECT_FALSE(Has(ChildNames({"Projects"}), "Other"));
    EXPECT_EQ(Join(ChildNames({"Projects", "Sub", "Other", "Deep"})), "Staff");

    // Out again, to the top: the root's own drop target.
    ComPtr<IShellFolder> root = BindPath({});
    ComPtr<IDropTarget> top;
    ASSERT_TRUE(root && SUCCEEDED(root->QueryInterface(IID_IDropTarget, top.PutVoid())));
    EXPECT_EQ(DropOnto(top.Get(), DataOf({"Projects", "Sub"}, {"Other"}).Get()).dropped,
              static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(StoredDn("Other\\Deep"), Labels("Other\\Deep"));
    EXPECT_TRUE(Has(ChildNames({}), "Other"));
    EXPECT_FALSE(KeyExists(FolderKey("Projects\\Sub\\Other")));
}

TEST_F(FolderDrop, RefusedOntoItselfInsideItselfWhereItIsAndWithoutOurData)
{
    struct Case {
        const char* what;
        std::vector<std::string> sourcePath;
        std::string source;
        std::vector<std::string> targetPath;
        std::string target;
    } cases[] = {
        {"onto itself", {}, "Projects", {}, "Projects"},
        {"into a folder inside it", {}, "Projects", {"Projects"}, "Sub"},
        {"where it is", {"Projects"}, "Sub", {}, "Projects"},
        {"onto a folder holding one of its name", {"Locked"}, "Inner", {}, "Empty"},
    };
    WriteFolder("Empty\\Inner");
    ASSERT_EQ(RefreshNamespace(), S_OK);
    for (const Case& c : cases) {
        ComPtr<IDataObject> data = DataOf(c.sourcePath, {c.source});
        ComPtr<IDropTarget> target = TargetOf(c.targetPath, c.target);
        ASSERT_TRUE(data && target) << c.what;
        const DropOutcome outcome = DropOnto(target.Get(), data.Get());
        EXPECT_EQ(outcome.entered, static_cast<DWORD>(DROPEFFECT_NONE)) << c.what;
        EXPECT_EQ(outcome.drop, S_OK) << c.what;
        EXPECT_EQ(outcome.dropped, static_cast<DWORD>(DROPEFFECT_NONE)) << c.what;
    }
    EXPECT_TRUE(KeyExists(FolderKey("Projects\\Sub")));
    EXPECT_TRUE(KeyExists(FolderKey("Locked\\Inner")));
    EXPECT_FALSE(KeyExists(FolderKey("Projects\\Sub\\Projects")));
    EXPECT_EQ(ChildNames({"Projects"}).size(), 4u);

    ComPtr<IDataObject> foreign = ForeignData();
    ASSERT_TRUE(foreign);
    const DropOutcome outcome = DropOnto(TargetOf({}, "Empty").Get(), foreign.Get());
    EXPECT_EQ(outcome.enter, E_INVALIDARG);
    EXPECT_EQ(outcome.entered, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(outcome.drop, E_INVALIDARG);
    EXPECT_EQ(Join(ChildNames({"Empty"})), "Inner");
}

// The list's registered drop target.
IDropTarget* ListTarget(HWND list)
{
    return static_cast<IDropTarget*>(GetPropA(list, "OleDropTargetInterface"));
}

POINTL ScreenPoint(HWND list, POINT client)
{
    ClientToScreen(list, &client);
    return POINTL{client.x, client.y};
}

POINTL OnItem(HWND list, const std::string& name)
{
    return ScreenPoint(list, ItemPoint(list, ItemIndex(list, name)));
}

class ListDrop : public FolderDrop {};

TEST_F(ListDrop, PassesEachDragToTheItemUnderTheCursor)
{
    ViewHost host;
    ASSERT_TRUE(host.Open({}));
    HWND list = host.List();
    IDropTarget* target = ListTarget(list);
    ASSERT_TRUE(target) << "the list registered no drop target";
    ComPtr<IDataObject> admin = DataOf({kTree, "Org"}, {"Admin"});
    ASSERT_TRUE(admin);
    RECT client;
    GetClientRect(list, &client);
    const POINTL background = ScreenPoint(list, POINT{client.right - 5, client.bottom - 5});

    // Entering: move, or copy with the Control key; the background keeps it.
    DWORD effect = kAll;
    EXPECT_EQ(target->DragEnter(admin.Get(), MK_CONTROL, background, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    target->DragLeave();
    effect = kAll;
    target->DragEnter(admin.Get(), 0, background, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
    effect = kAll;
    target->DragOver(0, background, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));

    // Over the tree (no drop-target handler for its class): nothing, no error.
    effect = kAll;
    EXPECT_EQ(target->DragOver(0, OnItem(list, kTree), &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = kAll;
    EXPECT_EQ(target->Drop(admin.Get(), 0, OnItem(list, kTree), &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));

    // On the background nothing is dropped.
    effect = kAll;
    target->DragEnter(admin.Get(), 0, background, &effect);
    effect = kAll;
    EXPECT_EQ(target->Drop(admin.Get(), 0, background, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));

    // Over a personal folder: the folder's answer, whatever the list's.
    effect = kAll;
    target->DragEnter(admin.Get(), 0, background, &effect);
    effect = kAll;
    target->DragOver(0, OnItem(list, "Empty"), &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = kAll;
    EXPECT_EQ(target->Drop(admin.Get(), 0, OnItem(list, "Empty"), &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(StoredFlags("Empty\\VIEWTREE-Admin.Org"), 0x100u);
    EXPECT_EQ(Join(ChildNames({"Empty"})), "Admin");

    // A folder dragged onto itself in the list shows no effect.
    ComPtr<IDataObject> projects = DataOf({}, {"Projects"});
    Pump(50);  // the drop refilled the list
    effect = kAll;
    target->DragEnter(projects.Get(), 0, background, &effect);
    effect = kAll;
    target->DragOver(0, OnItem(list, "Projects"), &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    target->DragLeave();

    // A drag from outside shows no effect anywhere.
    ComPtr<IDataObject> foreign = ForeignData();
    ASSERT_TRUE(foreign);
    for (const POINTL& point : {background, OnItem(list, "Projects"), OnItem(list, "Sorting")}) {
        effect = kAll;
        target->DragEnter(foreign.Get(), 0, point, &effect);
        EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
        effect = kAll;
        target->DragOver(0, point, &effect);
        EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
        effect = kAll;
        target->Drop(foreign.Get(), 0, point, &effect);
        EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    }
}


TEST_F(ListDrop, ScrollsNearItsEdges)
{
    ViewHost host;
    ASSERT_TRUE(host.Open({"Sorting"}));
    HWND list = host.List();
    // Room for about two items below the header.
    SetWindowPos(host.Window(), nullptr, 0, 0, 300, 70, SWP_NOMOVE | SWP_NOZORDER);
    Pump(20);
    IDropTarget* target = ListTarget(list);
    ComPtr<IDataObject> admin = DataOf({kTree, "Org"}, {"Admin"});
    ASSERT_TRUE(target && admin);
    RECT client;
    GetClientRect(list, &client);
    DWORD effect = kAll;
    target->DragEnter(admin.Get(), 0, ScreenPoint(list, POINT{20, client.bottom / 2}), &effect);
    effect = kAll;
    target->DragOver(0, ScreenPoint(list, POINT{20, client.bottom - 2}), &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE | DROPEFFECT_SCROLL));
    EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 1);
    effect = kAll;
    target->DragOver(0, ScreenPoint(list, POINT{20, client.bottom / 2}), &effect);
    EXPECT_EQ(effect & DROPEFFECT_SCROLL, 0u);
    EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 1);
    target->DragLeave();
}

// A shown top-level window of the test, at a place of the screen.
HWND ShowAt(HWND window, int x, int y)
{
    SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    UpdateWindow(window);
    return window;
}

void MouseButton(DWORD flag)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    SendInput(1, &input, sizeof input);
}

// Lets the left button go once the drag is under way (its tracking window
// exists), so that the drop happens where the cursor is; Escape cancels a
// drag that never started.
DWORD WINAPI ReleaseDuringDrag(void*)
{
    const DWORD start = GetTickCount();
    while (!FindWindowA("WineDragDropTracker32", nullptr) && GetTickCount() - start < 5000) Sleep(20);
    Sleep(500);
    MouseButton(MOUSEEVENTF_LEFTUP);
    return 0;
}

TEST_F(ListDrop, RealDragFromOneViewOntoAFolderOfAnother)
{
    ViewHost source, target;
    ASSERT_TRUE(source.Open({kTree, "Org"}));
    ASSERT_TRUE(target.Open({}));
    ShowAt(source.Browser().Frame(), 0, 0);
    ShowAt(target.Browser().Frame(), 720, 0);
    // Where the button goes down: a window that does nothing with it.
    HWND pad = CreateWindowExA(WS_EX_TOOLWINDOW, "Static", "", WS_POPUP | WS_VISIBLE, 100, 700, 80,
                               80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(pad);
    Pump(100);

    const int admin = ItemIndex(source.List(), "Admin");
    ASSERT_GE(admin, 0);
    SelectOnly(source.List(), {admin});
    SetCursorPos(140, 740);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE([&] {
        for (int i = 0; i < 100 && GetKeyState(VK_LBUTTON) >= 0; ++i) Pump(10);
        return GetKeyState(VK_LBUTTON) < 0;
    }()) << "the button never went down";
    POINT over = ItemPoint(target.List(), ItemIndex(target.List(), "Empty"));
    ClientToScreen(target.List(), &over);
    SetCursorPos(over.x, over.y);
    Pump(50);

    // The list starts the drag as the control asks it to; the drag runs
    // until the button is let go over the folder.
    orrel::KernelHandle releaser(CreateThread(nullptr, 0, &ReleaseDuringDrag, nullptr, 0, nullptr));
    ASSERT_TRUE(releaser);
    NMLISTVIEW begin = {};
    begin.hdr.hwndFrom = source.List();
    begin.hdr.idFrom = 666;
    begin.hdr.code = LVN_BEGINDRAG;
    begin.iItem = admin;
    SendMessageA(source.List(), orrel::ui::kReflectedNotify, 0, reinterpret_cast<LPARAM>(&begin));
    Pump(100);  // the drag runs inside this
    WaitForSingleObject(releaser.Get(), 10000);
    Pump(200);
    DestroyWindow(pad);

    EXPECT_EQ(StoredFlags("Empty\\VIEWTREE-Admin.Org"), 0x100u);
    EXPECT_EQ(Column(target.List(), 0).size(), 6u);
    EXPECT_EQ(Join(ChildNames({"Empty"})), "Admin");
    EXPECT_GE(ItemIndex(source.List(), "Admin"), 0) << "copied, not moved: the source keeps it";
}

}  // namespace
}  // namespace vtest
