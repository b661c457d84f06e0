#include "find_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "orrel/core/searchsite.h"
#include "screenshot.h"

namespace findtest {

namespace {

const char kTestsRoot[] = "Software\\OrrelFindTests";

struct FindData {
    const char* title;
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM lp)
{
    auto* data = reinterpret_cast<FindData*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (lstrcmpA(cls, "#32770") != 0) return TRUE;
    char title[256] = "";
    GetWindowTextA(hwnd, title, sizeof(title));
    if (lstrcmpA(title, data->title) != 0) return TRUE;
    data->found = hwnd;
    return FALSE;
}

BOOL CALLBACK CollectTitles(HWND hwnd, LPARAM lp)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
    char title[256] = "";
    GetWindowTextA(hwnd, title, sizeof(title));
    auto* out = reinterpret_cast<std::string*>(lp);
    *out += " [" + std::string(title) + "]";
    return TRUE;
}

BOOL CALLBACK CollectStatic(HWND hwnd, LPARAM lp)
{
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (lstrcmpiA(cls, "Static") != 0) return TRUE;
    char text[1024] = "";
    GetWindowTextA(hwnd, text, sizeof(text));
    if (!text[0]) return TRUE;
    auto* out = reinterpret_cast<std::string*>(lp);
    if (!out->empty()) *out += "|";
    *out += text;
    return TRUE;
}

std::string ListText(HWND list, int item, int sub)
{
    char buffer[1024] = "";
    LVITEMA data{};
    data.iSubItem = sub;
    data.pszText = buffer;
    data.cchTextMax = sizeof(buffer);
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&data));
    return buffer;
}

}  // namespace

std::string BinPath(const char* file)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path.resize(path.find_last_of("\\/") + 1);
    return path + file;
}

std::string ScreenFolder()
{
    std::string folder = BinPath("..\\find-screens");
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool SaveScreenshot(HWND window, const std::string& path, std::string* error)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    orrel::launcher::Picture picture;
    if (!orrel::launcher::CaptureClientArea(window, &picture, error)) return false;
    return orrel::launcher::WriteBmp(picture, path, error);
}

// ---- PrivateUser ---------------------------------------------------------

PrivateUser::PrivateUser()
{
    static LONG serial = 0;
    char name[64];
    std::snprintf(name, sizeof(name), "%s\\%lu-%ld", kTestsRoot, GetCurrentProcessId(),
                  InterlockedIncrement(&serial));
    path_ = name;
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create " << path_;
        key_ = nullptr;
        return;
    }
    EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, key_));
    for (const char* cls : {"User", "Volume", "Printer", "Queue", "Group"}) {
        HKEY k = nullptr;
        std::string path = std::string("Software\\Halvet\\Orrel Namespace\\Classes\\") + cls;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr) == ERROR_SUCCESS)
            RegCloseKey(k);
    }
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", BinPath("find-test-directory.json").c_str());
}

PrivateUser::~PrivateUser()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (key_) RegCloseKey(key_);
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", nullptr);
}

// ---- Registry ------------------------------------------------------------

std::string RegString(const std::string& path, const char* name, bool* found)
{
    std::vector<unsigned char> data = RegBinary(path, name);
    if (found) *found = !data.empty();
    std::string text(data.begin(), data.end());
    return text.substr(0, text.find('\0'));
}

DWORD RegDword(const std::string& path, const char* name, DWORD missing)
{
    DWORD value = 0, size = sizeof(value), type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_DWORD, &type, &value, &size) !=
        ERROR_SUCCESS)
        return missing;
    return value;
}

std::vector<unsigned char> RegBinary(const std::string& path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    DWORD size = 0, type = 0;
    std::vector<unsigned char> data;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size);
        if (RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) data.clear();
        data.resize(size);
    }
    RegCloseKey(key);
    return data;
}

bool RegKeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::string> RegSubkeys(const std::string& path)
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[512];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

// ---- The DLL -------------------------------------------------------------

HMODULE FindModule()
{
    static HMODULE module =
        LoadLibraryExA(BinPath("OrrelFind.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module;
}

HRESULT FindClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    using GetClassObjectFunc = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObjectFunc>(
        reinterpret_cast<void*>(GetProcAddress(FindModule(), "DllGetClassObject")));
    if (!get) return E_FAIL;
    return get(clsid, riid, ppv);
}

STDMETHODIMP RecordingHost::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOrrelRefresh)) {
        *ppv = static_cast<IOrrelRefresh*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP RecordingHost::Refresh()
{
    thread_ = GetCurrentThreadId();
    InterlockedIncrement(&calls_);
    return S_OK;
}

// ---- Windows of other threads --------------------------------------------

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (GetTickCount64() >= end) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

HWND WaitForDialog(const char* title, DWORD timeoutMs)
{
    FindData data{title, nullptr};
    WaitUntil([&] {
        data.found = nullptr;
        EnumWindows(&FindDialogProc, reinterpret_cast<LPARAM>(&data));
        return data.found != nullptr;
    }, timeoutMs);
    return data.found;
}

std::string StaticTexts(HWND dialog)
{
    std::string text;
    EnumChildWindows(dialog, &CollectStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

void PostClick(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string ControlText(HWND dialog, int id)
{
    char text[2048] = "";
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

void SetControlText(HWND dialog, int id, const char* text)
{
    SetDlgItemTextA(dialog, id, text);
}

std::vector<std::string> ComboEntries(HWND combo)
{
    std::vector<std::string> entries;
    LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[1024] = "";
        if (SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < static_cast<LRESULT>(sizeof(text)))
            SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

std::vector<std::string> ListColumns(HWND list)
{
    std::vector<std::string> columns;
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    int count = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = sizeof(text);
        SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
        columns.push_back(text);
    }
    return columns;
}

std::vector<std::vector<std::string>> ListRows(HWND list)
{
    std::vector<std::vector<std::string>> rows;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::size_t columns = ListColumns(list).size();
    if (columns == 0) columns = 1;
    for (int i = 0; i < count; ++i) {
        std::vector<std::string> row;
        for (std::size_t c = 0; c < columns; ++c) row.push_back(ListText(list, i, static_cast<int>(c)));
        rows.push_back(row);
    }
    return rows;
}

std::string AnswerMessageBox(const char* caption, int button, DWORD timeoutMs)
{
    HWND box = WaitForDialog(caption, timeoutMs);
    if (!box) {
        std::string titles;
        EnumWindows(&CollectTitles, reinterpret_cast<LPARAM>(&titles));
        return "<no message box \"" + std::string(caption) + "\"; windows:" + titles + ">";
    }
    std::string text = StaticTexts(box);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(box); }, 5000);
    return text;
}

// ---- The search window ---------------------------------------------------

SearchWindowUnderTest::SearchWindowUnderTest(IOrrelRefresh* host, bool answerNoServer)
{
    if (WaitForDialog("Search For Objects", 0)) {
        ADD_FAILURE() << "a search window of an earlier test is still open";
        return;
    }
    orrel::ComPtr<IClassFactory> factory;
    if (FAILED(FindClassObject(CLSID_OrrelFind, IID_IClassFactory, factory.PutVoid()))) {
        ADD_FAILURE() << "OrrelFind.dll serves no class object";
        return;
    }
    if (FAILED(factory->CreateInstance(nullptr, IID_IContextMenu, menu_.PutVoid()))) {
        ADD_FAILURE() << "no search extension";
        return;
    }
    orrel::ComPtr<ISearchSite> site;
    if (SUCCEEDED(menu_.As(IID_ISearchSite, site))) site->SetNamespaceHost(host);
    HMENU menu = CreatePopupMenu();
    menu_->QueryContextMenu(menu, 0, 100, 200, 0);
    DestroyMenu(menu);
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(0);
    info.nShow = SW_SHOWNORMAL;
    EXPECT_EQ(S_OK, menu_->InvokeCommand(&info));
    hwnd_ = WaitForDialog("Search For Objects");
    if (!hwnd_) {
        ADD_FAILURE() << "the search window did not open";
        return;
    }
    if (answerNoServer) {
        std::string text = AnswerMessageBox("No Server Configured", IDNO);
        EXPECT_NE(std::string::npos, text.find("would you like to search for a server now?")) << text;
    }
}

SearchWindowUnderTest::~SearchWindowUnderTest()
{
    if (hwnd_ && IsWindow(hwnd_)) {
        if (!Idle()) PostClick(hwnd_, 4002);  // stop a search still running
        WaitUntil([&] { return Idle(); }, 10000);
        Close();
    }
}

void SearchWindowUnderTest::TypeServer(const char* server)
{
    SetControlText(hwnd_, 4003, server);
}

void SearchWindowUnderTest::SelectClass(const char* className)
{
    HWND box = Item(4018);
    LRESULT index = SendMessageA(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(className));
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(4018, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

void SearchWindowUnderTest::AddCriterion(const char* field, const char* value)
{
    int before = static_cast<int>(SendMessageA(Item(4001), LVM_GETITEMCOUNT, 0, 0));
    PostClick(hwnd_, 4007);
    HWND dialog = WaitForDialog("Add Search Criteria");
    ASSERT_TRUE(dialog) << "no criteria dialog";
    HWND fields = GetDlgItem(dialog, 4010);
    LRESULT index = SendMessageA(fields, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(field));
    ASSERT_GE(index, 0) << "no field " << field << " among " << ComboEntries(fields).size();
    SendMessageA(fields, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SetControlText(dialog, 4011, value);
    PostClick(dialog, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(Item(4001), LVM_GETITEMCOUNT, 0, 0) == before + 1; }));
}

bool SearchWindowUnderTest::Idle() const
{
    return ControlText(hwnd_, 4002) == "&Search" && IsWindowEnabled(GetDlgItem(hwnd_, IDOK));
}

bool SearchWindowUnderTest::Search(DWORD timeoutMs)
{
    SetControlText(hwnd_, 4014, "");
    PostClick(hwnd_, 4002);
    return WaitUntil([&] { return !Status().empty() && Idle(); }, timeoutMs);
}

std::string SearchWindowUnderTest::Status() const
{
    if (!IsWindowVisible(GetDlgItem(hwnd_, 4014))) return std::string();
    return ControlText(hwnd_, 4014);
}

std::vector<std::vector<std::string>> SearchWindowUnderTest::Results() const
{
    return ListRows(Item(4000));
}

bool SearchWindowUnderTest::Close()
{
    PostClick(hwnd_, IDCANCEL);
    return WaitClosed();
}

bool SearchWindowUnderTest::WaitClosed(DWORD timeoutMs)
{
    bool closed = WaitUntil([&] { return !IsWindow(hwnd_); }, timeoutMs);
    // The window's thread saves the settings as the window goes; give it the
    // moment to end.
    Sleep(50);
    return closed;
}

}  // namespace findtest
