// OrrelShell.dll as an in-process server: registration rows, the class
// object, start-up and its retry, and the unload rule.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include <gtest/gtest.h>

#include "namespace_shell_fixture.h"

using namespace nstest;
using orrel::ComPtr;

namespace {

constexpr char kClsid[] = "{76AAD000-C21A-11D1-8115-00C04FB67EB7}";

struct Value {
    bool found = false;
    DWORD type = 0;
    std::string text;
    DWORD number = 0;
};

Value Read(HKEY root, const std::string& path, const char* name)
{
    Value v;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
    BYTE data[1024] = {};
    DWORD size = sizeof data - 1;
    if (RegQueryValueExA(key, name, nullptr, &v.type, data, &size) == ERROR_SUCCESS) {
        v.found = true;
        if (v.type == REG_DWORD && size == 4) std::memcpy(&v.number, data, 4);
        v.text.assign(reinterpret_cast<char*>(data), size && data[size - 1] == 0 ? size - 1 : size);
    }
    RegCloseKey(key);
    return v;
}

bool Exists(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The exact spelling of a subkey, as enumerated.
bool HasSubkeySpelled(HKEY root, const std::string& path, const std::string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    bool found = false;
    for (DWORD i = 0; !found; ++i) {
        char buffer[256];
        DWORD size = sizeof buffer;
        if (RegEnumKeyExA(key, i, buffer, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        found = name == buffer;
    }
    RegCloseKey(key);
    return found;
}

std::string ModulePath()
{
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(Dll().module, path, sizeof path);
    return path;
}

const std::string kClsidKey = std::string("CLSID\\") + kClsid;
const std::string kNameSpaceKey =
    std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\") + kClsid;
const char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const std::string kFolderClass = std::string(kClassesKey) + "\\Ombra::Folder";

void ExpectRegistered()
{
    struct StringRow {
        HKEY root;
        std::string key;
        const char* name;
        std::string data;
    } rows[] = {
        {HKEY_CLASSES_ROOT, kClsidKey, nullptr, "Orrel Explorer"},
        {HKEY_CLASSES_ROOT, kClsidKey + "\\InProcServer32", nullptr, ModulePath()},
        {HKEY_CLASSES_ROOT, kClsidKey + "\\InProcServer32", "ThreadingModel", "Apartment"},
        {HKEY_CLASSES_ROOT, kClsidKey + "\\DefaultIcon", nullptr, ModulePath() + ",0"},
        {HKEY_CLASSES_ROOT, kClsidKey + "\\shellex\\IconHandler", nullptr, kClsid},
        // Under Wine, HKCR is HKLM\Software\Classes.
        {HKEY_LOCAL_MACHINE, "Software\\Classes\\" + kClsidKey, nullptr, "Orrel Explorer"},
        {HKEY_LOCAL_MACHINE, kApprovedKey, kClsid, "Orrel Explorer"},
        {HKEY_LOCAL_MACHINE, kNameSpaceKey, nullptr, "Orrel Explorer"},
        {HKEY_CURRENT_USER, kFolderClass + "\\DropTargetHandlers\\{76AAD000-C21A-11d1-8115-00C04FB67EB7}",
         nullptr, "Orrel Explorer"},
        {HKEY_CURRENT_USER, kFolderClass + "\\ContextMenus\\{76AAD000-C21A-11d1-8115-00C04FB67EB7}",
         nullptr, "Orrel Explorer"},
        {HKEY_CURRENT_USER, kFolderClass + "\\IconHandler\\{0FEC1000-2900-11d3-8685-00A0C9D59E71}",
         nullptr, "Default Icon Handler"},
    };
    for (const StringRow& row : rows) {
        Value v = Read(row.root, row.key, row.name);
        EXPECT_TRUE(v.found && v.type == REG_SZ) << row.key << " " << (row.name ? row.name : "@");
        EXPECT_EQ(lstrcmpiA(v.text.c_str(), row.data.c_str()), 0)
            << row.key << ": " << v.text << " instead of " << row.data;
    }
    Value attributes = Read(HKEY_CLASSES_ROOT, kClsidKey + "\\ShellFolder", "Attributes");
    EXPECT_EQ(attributes.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(attributes.number, 0xA0000140u) << std::hex << attributes.number;

    const std::string keys[] = {
        kClsidKey + "\\shellex\\ContextMenuHandlers\\" + kClsid,
        std::string(kFoldersKey),
        std::string(kNamespaceKey) + "\\Trees",
        std::string(kClassesKey),
        kFolderClass,
    };
    for (const std::string& key : keys)
        EXPECT_TRUE(Exists(key.compare(0, 5, "CLSID") == 0 ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER, key))
            << key;
    // The class handler rows keep their lower-case "d".
    EXPECT_TRUE(HasSubkeySpelled(HKEY_CURRENT_USER, kFolderClass + "\\DropTargetHandlers",
                                 "{76AAD000-C21A-11d1-8115-00C04FB67EB7}"));
    EXPECT_TRUE(HasSubkeySpelled(HKEY_CURRENT_USER, kFolderClass + "\\ContextMenus",
                                 "{76AAD000-C21A-11d1-8115-00C04FB67EB7}"));
    EXPECT_TRUE(HasSubkeySpelled(HKEY_CURRENT_USER, kFolderClass + "\\IconHandler",
                                 "{0FEC1000-2900-11d3-8685-00A0C9D59E71}"));
}

class Server : public NamespaceTest {};

TEST_F(Server, RegistrationWritesEveryRowAndTwiceChangesNothing)
{
    ASSERT_EQ(Dll().registerServer(), S_OK);
    ExpectRegistered();
    ASSERT_EQ(Dll().registerServer(), S_OK);
    ExpectRegistered();
    EXPECT_EQ(Subkeys(kFolderClass + "\\DropTargetHandlers").size(), 1u);
}

TEST_F(Server, UnregistrationRemovesItsKeysAndKeepsTheApproval)
{
    ASSERT_EQ(Dll().unregisterServer(), S_OK);
    EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, kClsidKey));
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, kNameSpaceKey));
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, kNamespaceKey)) << "the user's trees and folders go";
    Value approval = Read(HKEY_LOCAL_MACHINE, kApprovedKey, kClsid);
    EXPECT_TRUE(approval.found);
    EXPECT_EQ(approval.text, "Orrel Explorer");
    // Unregistering again is harmless.
    EXPECT_EQ(Dll().unregisterServer(), S_OK);

    ASSERT_EQ(Dll().registerServer(), S_OK);
    ExpectRegistered();
}

TEST_F(Server, ClassObjectIsServedForTheNamespaceOnly)
{
    const CLSID* others[] = {&kIidRefresh, &CLSID_ShellDesktop};
    for (const CLSID* clsid : others) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(Dll().getClassObject(*clsid, IID_IClassFactory, &out),
                  CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(out, nullptr);
    }

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(Dll().getClassObject(kClsidShell, IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);

    IUnknown* outer = factory.Get();
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);

    ComPtr<IShellFolder> folder;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellFolder, folder.PutVoid()), S_OK);
    ComPtr<IPersistFolder> persist;
    ASSERT_EQ(folder->QueryInterface(IID_IPersistFolder, persist.PutVoid()), S_OK);
    CLSID clsid = {};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, kClsidShell));
    // Every interface the folder has, and references counted in pairs.
    const IID* iids[] = {&IID_IShellFolder, &IID_IPersistFolder, &IID_IShellExtInit,
                         &IID_IContextMenu, &IID_IDropTarget, &kIidRefresh};
    for (const IID* iid : iids) {
        ComPtr<IUnknown> part;
        EXPECT_EQ(folder->QueryInterface(*iid, part.PutVoid()), S_OK);
    }
    ULONG before = folder->AddRef();
    EXPECT_EQ(folder->Release(), before - 1);
    // Parsing names below the node is not offered.
    LPITEMIDLIST parsed = reinterpret_cast<LPITEMIDLIST>(1);
    wchar_t text[] = L"Projects";
    EXPECT_EQ(folder->ParseDisplayName(nullptr, nullptr, text, nullptr, &parsed, nullptr), E_NOTIMPL);
    EXPECT_EQ(parsed, nullptr);
}

TEST_F(Server, CanUnloadNowWaitsWhileAnythingIsHeld)
{
    ComPtr<IShellFolder> folder = BindRoot();
    ASSERT_TRUE(folder);
    EXPECT_EQ(Dll().canUnloadNow(), S_FALSE);
    EXPECT_EQ(Dll().canUnloadNow(), S_FALSE);
    folder.Reset();
    CoFreeUnusedLibraries();
    // With nothing held the wait of five minutes starts: not yet.
    EXPECT_EQ(Dll().canUnloadNow(), S_FALSE);
    EXPECT_EQ(Dll().canUnloadNow(), S_FALSE);
}

TEST_F(Server, StartupWithoutUsableClassHandlersIsRetriedAndWithoutAnyStartsEmpty)
{
    EXPECT_EQ(RunChild("startup"), 0u) << "the child process's checks failed";
}

// Runs only in a child process: a fresh DLL whose first start-up meets a
// "Classes" key with no class in it (retried), then none at all (a user for
// whom nothing was registered: the namespace starts with no classes).
TEST(ChildProcess, Startup)
{
    if (ChildTask() != "startup") GTEST_SKIP();
    DeleteTree(kClassesKey);
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kClassesKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    RegCloseKey(key);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(Dll().getClassObject(kClsidShell, IID_IClassFactory, &out), E_FAIL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Dll().getClassObject(kClsidShell, IID_IClassFactory, &out), E_FAIL) << "again";

    DeleteTree(kClassesKey);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(Dll().getClassObject(kClsidShell, IID_IClassFactory, factory.PutVoid()), S_OK);
    ComPtr<IShellFolder> folder;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellFolder, folder.PutVoid()), S_OK);
    ComPtr<IEnumIDList> items;
    EXPECT_EQ(folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()), S_OK)
        << "the root lists with an empty class table";
}

}  // namespace
