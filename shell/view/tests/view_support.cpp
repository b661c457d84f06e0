#include "view_support.h"

#include <cstdio>
#include <cstring>

#include "orrel/core/orrelrefresh.h"
#include "servers/view_test_handlers.h"

namespace vtest {

namespace {

// The directory image of the executable (a test executable may name its own).
#ifndef VIEW_TEST_IMAGE
#define VIEW_TEST_IMAGE "view-directory.json"
#endif

constexpr char kNamespaceKey[] = "Software\\Halvet\\Orrel Namespace";
constexpr char kClassesKey[] = "Software\\Halvet\\Orrel Namespace\\Classes";
constexpr char kIconHandler[] = "{0FEC1000-2900-11D3-8685-00A0C9D59E71}";
constexpr char kFindClsid[] = "{8AB75040-93A6-11D3-B59A-00C04F79CAC7}";
const wchar_t kRootParsingName[] = L"::{76AAD000-C21A-11D1-8115-00C04FB67EB7}";

std::string BinDir()
{
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

void SetValue(HKEY root, const std::string& path, const char* name, DWORD type, const void* data,
              DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (data) RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetText(HKEY root, const std::string& path, const char* name, const std::string& text,
             DWORD type = REG_SZ)
{
    SetValue(root, path, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string Labels(const std::string& dotted)
{
    std::string out;
    std::size_t start = 0;
    while (start <= dotted.size()) {
        std::size_t end = dotted.find_first_of(".\\", start);
        if (end == std::string::npos) end = dotted.size();
        const std::string label = dotted.substr(start, end - start);
        if (!label.empty()) out += static_cast<char>(label.size()) + label;
        start = end + 1;
    }
    return out;
}

void WriteItem(const std::string& key, DWORD flags, const std::string& name,
               const std::string& className, const std::string& path, const std::string& tree,
               const std::string& server)
{
    const std::string full = std::string(kFoldersKey) + "\\" + key;
    SetText(HKEY_CURRENT_USER, full, "DN", path, REG_BINARY);
    SetValue(HKEY_CURRENT_USER, full, "Flags", REG_DWORD, &flags, sizeof flags);
    SetText(HKEY_CURRENT_USER, full, "DisplayName", name, REG_BINARY);
    SetText(HKEY_CURRENT_USER, full, "Tree", tree, REG_BINARY);
    SetText(HKEY_CURRENT_USER, full, "Server", server, REG_BINARY);
    SetText(HKEY_CURRENT_USER, full, "Class", className, REG_BINARY);
}

void ClassHandler(const std::string& className, const char* kind, const std::string& clsid)
{
    SetText(HKEY_CURRENT_USER, std::string(kClassesKey) + "\\" + className + "\\" + kind + "\\" + clsid,
            nullptr, "view test");
}

std::string ClsidText(REFCLSID clsid)
{
    char text[39];
    orrel::GuidToString(clsid, text);
    return text;
}

using ServerEntry = HRESULT(STDAPICALLTYPE*)();

HRESULT CallExport(HMODULE module, const char* name)
{
    auto entry = reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return entry ? entry() : E_NOTIMPL;
}

// The DLLs, the image and the registry of the tests, made once per run.
class ViewEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string source =
            std::string("Z:") + ORREL_SOURCE_DIR + "/shell/view/tests/data/" + VIEW_TEST_IMAGE;
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        char image[MAX_PATH * 2];
        std::snprintf(image, sizeof image, "%sview-directory-%lu.json", temp,
                      static_cast<unsigned long>(GetCurrentProcessId()));
        ASSERT_TRUE(CopyFileA(source.c_str(), image, FALSE)) << "cannot copy " << source;
        image_ = image;
        SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", image);

        RegDeleteTreeA(HKEY_CURRENT_USER, kNamespaceKey);
        shell_ = LoadLibraryA((BinDir() + "OrrelShell.dll").c_str());
        icons_ = LoadLibraryA((BinDir() + "OrrelIcons.dll").c_str());
        handlers_ = LoadLibraryA((BinDir() + "view_test_handlers.dll").c_str());
        ASSERT_TRUE(shell_ && icons_ && handlers_) << "a DLL of the tests does not load";
        ASSERT_EQ(CallExport(shell_, "DllRegisterServer"), S_OK);
        ASSERT_EQ(CallExport(icons_, "DllRegisterServer"), S_OK);

        // The test handlers, and the search extension's class pointed at
        // the stand-in (what was there is put back afterwards).
        const std::string path = BinDir() + "view_test_handlers.dll";
        char previous[MAX_PATH * 2] = {};
        LONG size = sizeof previous;
        const std::string findServer = std::string("CLSID\\") + kFindClsid + "\\InprocServer32";
        if (RegQueryValueA(HKEY_CLASSES_ROOT, findServer.c_str(), previous, &size) == ERROR_SUCCESS)
            previousFind_ = previous;
        for (const std::string& clsid : {ClsidText(kClsidTestMenu), ClsidText(kClsidTestDefaultMenu),
                                         std::string(kFindClsid)}) {
            const std::string key = "Software\\Classes\\CLSID\\" + clsid + "\\InprocServer32";
            SetText(HKEY_LOCAL_MACHINE, key, nullptr, path);
            SetText(HKEY_LOCAL_MACHINE, key, "ThreadingModel", "Apartment");
        }

        for (const char* name : {"Organization", "Organizational Unit", "User", "Group", "Printer",
                                 "Tree Root", "Z", "A", "group", "Same"})
            ClassHandler(name, "IconHandler", kIconHandler);
        ClassHandler("User", "ContextMenuHandlers", ClsidText(kClsidTestMenu));
        ClassHandler("Printer", "ContextMenuHandlers", ClsidText(kClsidTestDefaultMenu));
        ResetConfiguration();
    }

    void TearDown() override
    {
        if (shell_) CallExport(shell_, "DllUnregisterServer");
        if (icons_) CallExport(icons_, "DllUnregisterServer");
        for (const std::string& clsid : {ClsidText(kClsidTestMenu), ClsidText(kClsidTestDefaultMenu),
                                         std::string(kFindClsid)})
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\CLSID\\" + clsid).c_str());
        if (!previousFind_.empty())
            SetText(HKEY_LOCAL_MACHINE,
                    std::string("Software\\Classes\\CLSID\\") + kFindClsid + "\\InprocServer32",
                    nullptr, previousFind_);
        if (!image_.empty()) DeleteFileA(image_.c_str());
    }

private:
    HMODULE shell_ = nullptr, icons_ = nullptr, handlers_ = nullptr;
    std::string image_, previousFind_;
};

::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ViewEnvironment);

}  // namespace

// ---------------------------------------------------------------------------
// Registry

void WriteFolder(const std::string& keyPath, DWORD extraFlags)
{
    const std::size_t slash = keyPath.find_last_of('\\');
    const std::string name = slash == std::string::npos ? keyPath : keyPath.substr(slash + 1);
    WriteItem(keyPath, 0x81 | extraFlags, name, "Ombra::Folder", Labels(keyPath), "", "");
}

void WriteShortcut(const std::string& folderKey, const std::string& dotted,
                   const std::string& className, DWORD flags)
{
    const std::string name = dotted.substr(0, dotted.find('.'));
    WriteItem(folderKey + "\\" + kTree + "-" + dotted, flags, name, className, Labels(dotted),
              kTree, "VIEW-FS1");
}

// At the top: the tree, the folders Projects (Sub, Other, two shortcuts),
// Sorting (shortcuts of made-up classes), Empty, One (one shortcut) and
// Locked (not editable, with a folder inside).
void ResetConfiguration()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kFoldersKey);
    WriteItem(std::string(kTree) + "-" + kTree, 0x301, kTree, "Tree Root", "", kTree, "VIEW-FS1");
    WriteFolder("Projects");
    WriteFolder("Projects\\Sub");
    WriteFolder("Projects\\Other");
    WriteShortcut("Projects", "Sales.Org", "Organizational Unit", 0x101);
    WriteShortcut("Projects", "Admin.Org", "User", 0x100);
    WriteFolder("Sorting");
    WriteShortcut("Sorting", "b.Z1", "Z", 0x101);
    WriteShortcut("Sorting", "a.A1", "A", 0x100);
    WriteShortcut("Sorting", "u.U1", "User", 0x100);
    WriteShortcut("Sorting", "g.G1", "group", 0x100);
    WriteShortcut("Sorting", "m2.S1", "Same", 0x100);
    WriteShortcut("Sorting", "M1.S2", "Same", 0x100);
    WriteFolder("Empty");
    WriteFolder("One");
    WriteShortcut("One", "Printer1.Org", "Printer", 0x100);
    WriteFolder("Locked", 0x1000);
    WriteFolder("Locked\\Inner");
    RefreshNamespace();
}

bool KeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string HandlerLog()
{
    HMODULE module = GetModuleHandleA("view_test_handlers.dll");
    auto log = module ? reinterpret_cast<LogFunction>(reinterpret_cast<void*>(
                            GetProcAddress(module, "ViewTestLog")))
                      : nullptr;
    if (!log) return "<no log>";
    std::string text(static_cast<std::size_t>(log(nullptr, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(log(&text[0], static_cast<int>(text.size()))));
    return text;
}

void ResetHandlerLog()
{
    HMODULE module = GetModuleHandleA("view_test_handlers.dll");
    auto reset = module ? reinterpret_cast<ResetFunction>(reinterpret_cast<void*>(
                              GetProcAddress(module, "ViewTestReset")))
                        : nullptr;
    if (reset) reset();
}

// ---------------------------------------------------------------------------
// Shell

Pidl RootPidl()
{
    Pidl pidl;
    orrel::ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Put()))) return pidl;
    wchar_t name[64];
    lstrcpynW(name, kRootParsingName, 64);
    desktop->ParseDisplayName(nullptr, nullptr, name, nullptr, pidl.Put(), nullptr);
    return pidl;
}

Pidl ChildPidl(IShellFolder* folder, const std::string& name)
{
    Pidl found;
    orrel::ComPtr<IEnumIDList> items;
    if (FAILED(folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put())) ||
        !items)
        return found;
    LPITEMIDLIST child = nullptr;
    while (items->Next(1, &child, nullptr) == S_OK) {
        Pidl item(child);
        if (NameOf(folder, item.Get()) == name) return Pidl(item.Detach());
    }
    return found;
}

orrel::ComPtr<IShellFolder> BindPath(const std::vector<std::string>& names)
{
    orrel::ComPtr<IShellFolder> desktop, folder;
    Pidl root = RootPidl();
    if (!root.Get() || FAILED(SHGetDesktopFolder(desktop.Put()))) return folder;
    if (FAILED(desktop->BindToObject(root.Get(), nullptr, IID_IShellFolder, folder.PutVoid())))
        return orrel::ComPtr<IShellFolder>();
    for (const std::string& name : names) {
        Pidl child = ChildPidl(folder.Get(), name);
        orrel::ComPtr<IShellFolder> next;
        if (!child.Get() ||
            FAILED(folder->BindToObject(child.Get(), nullptr, IID_IShellFolder, next.PutVoid())))
            return orrel::ComPtr<IShellFolder>();
        folder = next;
    }
    return folder;
}

std::string NameOf(IShellFolder* folder, LPCITEMIDLIST child)
{
    STRRET name = {};
    char text[MAX_PATH] = {};
    if (FAILED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER, &name))) return std::string();
    if (name.uType == STRRET_CSTR) return name.cStr;
    if (name.uType == STRRET_WSTR && name.pOleStr) {
        WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, text, sizeof text, nullptr, nullptr);
        CoTaskMemFree(name.pOleStr);
    }
    return text;
}

std::vector<std::string> ChildNames(const std::vector<std::string>& path)
{
    std::vector<std::string> names;
    orrel::ComPtr<IShellFolder> folder = BindPath(path);
    orrel::ComPtr<IEnumIDList> items;
    if (!folder || FAILED(folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS,
                                              items.Put())) || !items)
        return names;
    LPITEMIDLIST child = nullptr;
    while (items->Next(1, &child, nullptr) == S_OK) {
        Pidl item(child);
        names.push_back(NameOf(folder.Get(), item.Get()));
    }
    return names;
}

std::string FolderKey(const std::string& relative)
{
    return std::string(kFoldersKey) + "\\" + relative;
}

HRESULT RefreshNamespace()
{
    orrel::ComPtr<IShellFolder> root = BindPath({});
    orrel::ComPtr<IOrrelRefresh> refresh;
    if (!root || FAILED(root->QueryInterface(IID_IOrrelRefresh, refresh.PutVoid()))) return E_FAIL;
    return refresh->Refresh();
}

void Pump(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

// ---------------------------------------------------------------------------
// The list

std::vector<std::string> Column(HWND list, int subItem)
{
    std::vector<std::string> texts;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[300] = {};
        LVITEMA item = {};
        item.iSubItem = subItem;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        texts.push_back(text);
    }
    return texts;
}

std::vector<int> Images(HWND list)
{
    std::vector<int> images;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        images.push_back(item.iImage);
    }
    return images;
}

int ItemIndex(HWND list, const std::string& name)
{
    const std::vector<std::string> names = Column(list, 0);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(i);
    return -1;
}

void SelectOnly(HWND list, const std::vector<int>& indices)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    for (int index : indices) {
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
}

POINT ItemPoint(HWND list, int index)
{
    RECT rect = {};
    rect.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
    return POINT{rect.left + 4, (rect.top + rect.bottom) / 2};
}

void RightClick(HWND list, POINT client)
{
    const LPARAM where = MAKELPARAM(client.x, client.y);
    // The list waits for the button to come up before it reports the click.
    PostMessageA(list, WM_RBUTTONUP, 0, where);
    SendMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, where);
    Pump(20);
}

std::string Join(const std::vector<std::string>& texts)
{
    std::string out;
    for (const std::string& text : texts) out += (out.empty() ? "" : ", ") + text;
    return out;
}

// ---------------------------------------------------------------------------
// Pop-up menus and message boxes

std::vector<MenuItem> ReadMenu(HMENU menu)
{
    std::vector<MenuItem> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[300] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text - 1;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        const bool separator = (info.fType & MFT_SEPARATOR) != 0;
        items.push_back({info.wID, separator ? "-" : text, (info.fState & MFS_GRAYED) != 0,
                         (info.fState & MFS_CHECKED) != 0, (info.fState & MFS_DEFAULT) != 0});
    }
    return items;
}

std::string Describe(const std::vector<MenuItem>& items)
{
    std::string out;
    for (const MenuItem& item : items) {
        if (!out.empty()) out += " | ";
        out += item.text;
        if (item.text != "-") out += "(" + std::to_string(item.id) + ")";
    }
    return out;
}

namespace {

struct MenuState {
    UINT choose = 0;
    int shown = 0;
    HWND handled = nullptr;
    std::vector<MenuItem> items;
} g_menu;

struct BoxState {
    int answer = IDOK;
    int count = 0;
    std::string text, caption;
    HWND owner = nullptr;
    HICON icon = nullptr;
} g_box;

HWND FindThreadWindow(const char* className)
{
    struct Search {
        const char* className;
        HWND found;
    } search{className, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            char name[64] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (std::strcmp(name, s->className) == 0 && IsWindowVisible(hwnd)) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CALLBACK MenuTick(HWND, UINT, UINT_PTR, DWORD)
{
    HWND popup = FindThreadWindow("#32768");
    if (!popup || popup == g_menu.handled) return;
    g_menu.handled = popup;
    ++g_menu.shown;
    auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    g_menu.items = ReadMenu(menu);
    int presses = 0;
    bool found = false;
    for (const MenuItem& item : g_menu.items) {
        if (item.text != "-") ++presses;
        if (g_menu.choose != 0 && item.id == g_menu.choose && item.text != "-") {
            found = true;
            break;
        }
    }
    if (!found) {
        PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        return;
    }
    for (int i = 0; i < presses; ++i) PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
}

void CALLBACK BoxTick(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = FindThreadWindow("#32770");
    if (!box || !GetDlgItem(box, 0xFFFF)) return;
    char text[1024] = {}, caption[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    GetWindowTextA(box, caption, sizeof caption);
    ++g_box.count;
    g_box.text = text;
    g_box.caption = caption;
    g_box.owner = GetWindow(box, GW_OWNER);
    g_box.icon = reinterpret_cast<HICON>(SendDlgItemMessageA(box, 0x0440, STM_GETICON, 0, 0));
    for (int button : {g_box.answer, IDOK, IDCANCEL, IDNO}) {
        if (HWND control = GetDlgItem(box, button)) {
            SendMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(control));
            return;
        }
    }
}

}  // namespace

MenuDriver::MenuDriver(UINT choose) : timer_(SetTimer(nullptr, 0, 30, &MenuTick))
{
    g_menu = MenuState();
    g_menu.choose = choose;
}

MenuDriver::~MenuDriver()
{
    KillTimer(nullptr, timer_);
}

int MenuDriver::Shown() const
{
    return g_menu.shown;
}

const std::vector<MenuItem>& MenuDriver::Items() const
{
    return g_menu.items;
}

MessageBoxCatcher::MessageBoxCatcher(int answer) : timer_(SetTimer(nullptr, 0, 30, &BoxTick))
{
    g_box = BoxState();
    g_box.answer = answer;
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    KillTimer(nullptr, timer_);
}

int MessageBoxCatcher::Count() const { return g_box.count; }
std::string MessageBoxCatcher::Text() const { return g_box.text; }
std::string MessageBoxCatcher::Caption() const { return g_box.caption; }
HWND MessageBoxCatcher::Owner() const { return g_box.owner; }
HICON MessageBoxCatcher::Icon() const { return g_box.icon; }

}  // namespace vtest
