#include "namespace_shell_fixture.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>

namespace nstest {

const IID kIidRefresh = {0x76AAD001, 0xC21A, 0x11D1, {0x81, 0x15, 0x00, 0xC0, 0x4F, 0xB6, 0x7E, 0xB7}};
const CLSID kClsidShell = {0x76AAD000, 0xC21A, 0x11D1, {0x81, 0x15, 0x00, 0xC0, 0x4F, 0xB6, 0x7E, 0xB7}};
const wchar_t kParsingName[] = L"::{76AAD000-C21A-11D1-8115-00C04FB67EB7}";

namespace {

constexpr char kChildVariable[] = "ORREL_NAMESPACE_TEST_CHILD";

ShellDll g_dll;

template <class F>
void Resolve(F& out, const char* name)
{
    out = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(g_dll.module, name)));
}

// Registers the DLL and writes the fixture before any test runs; undoes the
// registration at the end. A child process only points at the image.
class NamespaceEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(UseTestImage()) << "the test directory image could not be copied";
        const bool child = !ChildTask().empty();
        if (!child) DeleteTree(kNamespaceKey);
        std::string path = BinDir() + "OrrelShell.dll";
        g_dll.module = LoadLibraryA(path.c_str());
        ASSERT_NE(g_dll.module, nullptr) << "cannot load " << path << ": " << GetLastError();
        Resolve(g_dll.getClassObject, "DllGetClassObject");
        Resolve(g_dll.canUnloadNow, "DllCanUnloadNow");
        Resolve(g_dll.registerServer, "DllRegisterServer");
        Resolve(g_dll.unregisterServer, "DllUnregisterServer");
        ASSERT_TRUE(g_dll.getClassObject && g_dll.canUnloadNow && g_dll.registerServer &&
                    g_dll.unregisterServer);
        if (child) return;
        ASSERT_EQ(g_dll.registerServer(), S_OK);
        WriteClassHandlers();
        WriteStandardConfiguration();
    }

    void TearDown() override
    {
        if (!ChildTask().empty() || !g_dll.unregisterServer) return;
        g_dll.unregisterServer();
    }
};

::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new NamespaceEnvironment);

}  // namespace

const ShellDll& Dll()
{
    return g_dll;
}

std::string LongFolderName()
{
    return std::string(80, 'L');
}

void WriteStandardConfiguration()
{
    DeleteTree(kFoldersKey);
    WriteItem(StoredTree());
    WriteItem(StoredFolder("Projects"));
    WriteItem(StoredFolder("Projects\\Sub"));
    WriteItem(StoredShortcut("Projects", "Sales.Org", "Organizational Unit", 0x101));
    WriteItem(StoredShortcut("", "Admin.Org", "User", 0));
    WriteItem(StoredFolder(LongFolderName()));
}

std::string ChildTask()
{
    char value[64] = {};
    DWORD n = GetEnvironmentVariableA(kChildVariable, value, sizeof value);
    return n && n < sizeof value ? std::string(value) : std::string();
}

DWORD RunChild(const char* task)
{
    char exe[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string command = std::string("\"") + exe + "\" --gtest_filter=ChildProcess.*";
    SetEnvironmentVariableA(kChildVariable, task);
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    ZeroMemory(&pi, sizeof pi);
    BOOL started = CreateProcessA(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &si, &pi);
    SetEnvironmentVariableA(kChildVariable, nullptr);
    if (!started) return 0xDEAD;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xDEAD;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

orrel::ComPtr<IShellFolder> Desktop()
{
    orrel::ComPtr<IShellFolder> desktop;
    SHGetDesktopFolder(desktop.Put());
    return desktop;
}

Pidl RootPidl()
{
    Pidl root;
    orrel::ComPtr<IShellFolder> desktop = Desktop();
    if (!desktop) return root;
    std::wstring name = kParsingName;
    ULONG eaten = 0;
    desktop->ParseDisplayName(nullptr, nullptr, &name[0], &eaten, root.Put(), nullptr);
    return root;
}

orrel::ComPtr<IShellFolder> BindRoot()
{
    orrel::ComPtr<IShellFolder> folder;
    Pidl root = RootPidl();
    orrel::ComPtr<IShellFolder> desktop = Desktop();
    if (root.Get() && desktop)
        desktop->BindToObject(root.Get(), nullptr, IID_IShellFolder, folder.PutVoid());
    return folder;
}

orrel::ComPtr<IShellFolder> Bind(IShellFolder* parent, LPCITEMIDLIST child)
{
    orrel::ComPtr<IShellFolder> folder;
    if (parent && child) parent->BindToObject(child, nullptr, IID_IShellFolder, folder.PutVoid());
    return folder;
}

std::vector<Pidl> Enumerate(IShellFolder* folder, SHCONTF flags)
{
    std::vector<Pidl> items;
    orrel::ComPtr<IEnumIDList> items_enum;
    if (!folder || folder->EnumObjects(nullptr, flags, items_enum.Put()) != S_OK || !items_enum)
        return items;
    for (int guard = 0; guard < 1000; ++guard) {
        LPITEMIDLIST list = nullptr;
        ULONG fetched = 0;
        if (items_enum->Next(1, &list, &fetched) != S_OK || fetched != 1) break;
        items.emplace_back(list);
    }
    return items;
}

std::string NameOf(IShellFolder* folder, LPCITEMIDLIST child, SHGDNF flags)
{
    STRRET name = {};
    if (!folder || folder->GetDisplayNameOf(child, flags, &name) != S_OK) return "<failed>";
    char text[MAX_PATH * 2] = {};
    StrRetToBufA(&name, child, text, sizeof text);
    return text;
}

Pidl FindChild(IShellFolder* folder, const std::string& name, SHCONTF flags)
{
    for (Pidl& item : Enumerate(folder, flags))
        if (NameOf(folder, item.Get(), SHGDN_INFOLDER) == name) return std::move(item);
    return Pidl();
}

std::vector<std::string> Names(IShellFolder* folder, SHCONTF flags)
{
    std::vector<std::string> names;
    for (const Pidl& item : Enumerate(folder, flags))
        names.push_back(NameOf(folder, item.Get(), SHGDN_INFOLDER));
    std::sort(names.begin(), names.end());
    return names;
}

HRESULT RefreshNamespace()
{
    orrel::ComPtr<IShellFolder> root = BindRoot();
    if (!root) return E_FAIL;
    orrel::ComPtr<IRefresh> refresh;
    HRESULT hr = root->QueryInterface(kIidRefresh, refresh.PutVoid());
    if (FAILED(hr)) return hr;
    return refresh->Refresh();
}

void NamespaceTest::SetUp()
{
    if (!ChildTask().empty()) GTEST_SKIP() << "child process";
    WriteClassHandlers();
    WriteStandardConfiguration();
    ASSERT_EQ(RefreshNamespace(), S_OK);
}

}  // namespace nstest
