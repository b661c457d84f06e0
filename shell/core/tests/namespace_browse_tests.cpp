// The namespace as Wine's shell reaches it: parsed and bound from the
// desktop, enumerated, named, compared, and asked for attributes and UI
// objects at every depth.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "namespace_shell_fixture.h"

using namespace nstest;
using orrel::ComPtr;

namespace {

// The directory objects of the test tree, as the namespace must list them.
const std::string kOrg = Labels("Org");

Bytes AdminInOrg()
{
    return Entry(0, "Admin", "User", Labels("Admin.Org"), kTree);
}

class Browse : public NamespaceTest {};

TEST_F(Browse, DesktopParsesTheNodeAndNamesItAsRegistered)
{
    Pidl root = RootPidl();
    ASSERT_NE(root.Get(), nullptr);
    Bytes bytes = ListBytes(root.Get());
    ASSERT_EQ(bytes.size(), 20u) << Hex(bytes);
    EXPECT_EQ(bytes[2], 0x1F) << Hex(bytes);
    EXPECT_EQ(std::memcmp(bytes.data() + 4, kClsidBytes, 16), 0) << Hex(bytes);

    ComPtr<IShellFolder> desktop = Desktop();
    std::string parsing = NameOf(desktop.Get(), root.Get(), SHGDN_FORPARSING);
    EXPECT_EQ(lstrcmpiA(parsing.c_str(), "::{76AAD000-C21A-11D1-8115-00C04FB67EB7}"), 0) << parsing;
    EXPECT_EQ(NameOf(desktop.Get(), root.Get(), SHGDN_NORMAL), "Orrel Explorer");

    SFGAOF attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
    LPCITEMIDLIST lists[] = {root.Get()};
    ASSERT_EQ(desktop->GetAttributesOf(1, lists, &attributes), S_OK);
    EXPECT_EQ(attributes, static_cast<SFGAOF>(SFGAO_FOLDER | SFGAO_HASSUBFOLDER))
        << std::hex << attributes;
}

TEST_F(Browse, DesktopListsTheNodeAmongItsFolders)
{
    ComPtr<IShellFolder> desktop = Desktop();
    const Bytes root = ListBytes(RootPidl().Get());
    bool found = false;
    for (const Pidl& item : Enumerate(desktop.Get(), SHCONTF_FOLDERS))
        if (ListBytes(item.Get()) == root) found = true;
    EXPECT_TRUE(found);
}

TEST_F(Browse, RootListsTheConfiguredItemsByFlags)
{
    ComPtr<IShellFolder> root = BindRoot();
    ASSERT_TRUE(root);
    struct Case {
        SHCONTF flags;
        std::vector<std::string> names;
    } cases[] = {
        {SHCONTF_FOLDERS, {LongFolderName(), "Projects", kTree}},
        {SHCONTF_NONFOLDERS, {"Admin"}},
        {SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, {"Admin", LongFolderName(), "Projects", kTree}},
    };
    for (Case& c : cases) {
        std::sort(c.names.begin(), c.names.end());
        EXPECT_EQ(Names(root.Get(), c.flags), c.names) << "flags 0x" << std::hex << c.flags;
    }
}

TEST_F(Browse, RootEntriesCarryTheStoredRecordsWhole)
{
    ComPtr<IShellFolder> root = BindRoot();
    ASSERT_TRUE(root);
    struct Case {
        const char* name;
        Bytes entry;
    } cases[] = {
        {kTree, Entry(0x301, kTree, "Tree Root", "", kTree, "TEST-FS1")},
        {"Projects", Entry(0x81, "Projects", "Ombra::Folder", Labels("Projects"), "")},
        {"Admin", AdminInOrg()},
        // More than 63 bytes in DisplayName and DN: read whole, never cut.
        {nullptr, Entry(0x81, LongFolderName(), "Ombra::Folder", Labels(LongFolderName()), "")},
    };
    for (const Case& c : cases) {
        const std::string name = c.name ? c.name : LongFolderName();
        Pidl item = FindChild(root.Get(), name);
        ASSERT_NE(item.Get(), nullptr) << name;
        EXPECT_EQ(Hex(ListBytes(item.Get())), Hex(c.entry)) << name;
    }
}

TEST_F(Browse, BindsDownIntoTheDirectoryAndListsWhatHasHandlers)
{
    ComPtr<IShellFolder> root = BindRoot();
    Pidl treeItem = FindChild(root.Get(), kTree);
    ComPtr<IShellFolder> tree = Bind(root.Get(), treeItem.Get());
    ASSERT_TRUE(tree);
    EXPECT_EQ(Names(tree.Get(), 0x60), std::vector<std::string>{"Org"});

    Pidl orgItem = FindChild(tree.Get(), "Org");
    ASSERT_NE(orgItem.Get(), nullptr);
    EXPECT_EQ(Hex(ListBytes(orgItem.Get())),
              Hex(Entry(1, "Org", "Organization", kOrg, kTree)));
    ComPtr<IShellFolder> org = Bind(tree.Get(), orgItem.Get());
    ASSERT_TRUE(org);
    // Printer has no class key: left out although "Unknown" exists.
    std::vector<std::string> expected = {"Admin", "Sales", "SalesLink", "Zed", "alpha"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(org.Get(), 0x60), expected);

    struct Case {
        const char* name;
        Bytes entry;
    } cases[] = {
        {"Admin", AdminInOrg()},
        {"Sales", Entry(1, "Sales", "Organizational Unit", Labels("Sales.Org"), kTree)},
        // A container alias: container and alias.
        {"SalesLink", Entry(3, "SalesLink", "Organizational Unit", Labels("SalesLink.Org"), kTree)},
    };
    for (const Case& c : cases) {
        Pidl item = FindChild(org.Get(), c.name);
        ASSERT_NE(item.Get(), nullptr) << c.name;
        EXPECT_EQ(Hex(ListBytes(item.Get())), Hex(c.entry)) << c.name;
    }

    Pidl salesItem = FindChild(org.Get(), "Sales");
    ComPtr<IShellFolder> sales = Bind(org.Get(), salesItem.Get());
    ASSERT_TRUE(sales);
    Pidl jdoe = FindChild(sales.Get(), "JDoe");
    ASSERT_NE(jdoe.Get(), nullptr);
    EXPECT_EQ(Hex(ListBytes(jdoe.Get())),
              Hex(Entry(0, "JDoe", "User", Labels("JDoe.Sales.Org"), kTree)));
}

TEST_F(Browse, DesktopBindsAnAbsoluteListAtDepth)
{
    Bytes absolute = ListBytes(RootPidl().Get());
    Bytes tree = Entry(0x301, kTree, "Tree Root", "", kTree, "TEST-FS1");
    Bytes org = Entry(1, "Org", "Organization", kOrg, kTree);
    absolute.insert(absolute.end(), tree.begin(), tree.end());
    absolute.insert(absolute.end(), org.begin(), org.end());
    Pidl list = Pidl::FromBytes(absolute);

    ComPtr<IShellFolder> desktop = Desktop();
    ComPtr<IShellFolder> folder;
    ASSERT_EQ(desktop->BindToObject(list.Get(), nullptr, IID_IShellFolder, folder.PutVoid()), S_OK);
    std::vector<std::string> expected = {"Admin", "Sales", "SalesLink", "Zed", "alpha"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(folder.Get(), 0x60), expected);
    // The desktop names a child through the folder of its parent.
    Bytes adminList = absolute;
    Bytes admin = AdminInOrg();
    adminList.insert(adminList.end(), admin.begin(), admin.end());
    Pidl adminAbsolute = Pidl::FromBytes(adminList);
    EXPECT_EQ(NameOf(desktop.Get(), adminAbsolute.Get(), SHGDN_INFOLDER), "Admin");

    // The folder tells the shell's tree where it stands: its absolute list,
    // in memory the shell may free.
    ComPtr<IPersistFolder2> persist;
    ASSERT_EQ(folder->QueryInterface(IID_IPersistFolder2, persist.PutVoid()), S_OK);
    LPITEMIDLIST current = nullptr;
    ASSERT_EQ(persist->GetCurFolder(&current), S_OK);
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(ListBytes(current), absolute) << Hex(ListBytes(current));
    CoTaskMemFree(current);
    EXPECT_EQ(persist->GetCurFolder(nullptr), E_POINTER);
}

TEST_F(Browse, ShortcutsInFoldersOpenOntoTheirContainer)
{
    ComPtr<IShellFolder> root = BindRoot();
    Pidl projectsItem = FindChild(root.Get(), "Projects");
    ComPtr<IShellFolder> projects = Bind(root.Get(), projectsItem.Get());
    ASSERT_TRUE(projects);
    EXPECT_EQ(Names(projects.Get(), 0x60), (std::vector<std::string>{"Sales", "Sub"}));
    Pidl shortcut = FindChild(projects.Get(), "Sales");
    EXPECT_EQ(Hex(ListBytes(shortcut.Get())),
              Hex(Entry(0x101, "Sales", "Organizational Unit", Labels("Sales.Org"), kTree)));
    ComPtr<IShellFolder> sales = Bind(projects.Get(), shortcut.Get());
    EXPECT_EQ(Names(sales.Get(), 0x60), std::vector<std::string>{"JDoe"});
}

TEST_F(Browse, DisplayNamesFollowTheKindOfItem)
{
    ComPtr<IShellFolder> root = BindRoot();
    Pidl projects = FindChild(root.Get(), "Projects");
    ComPtr<IShellFolder> projectsFolder = Bind(root.Get(), projects.Get());
    Pidl sub = FindChild(projectsFolder.Get(), "Sub");
    Pidl tree = FindChild(root.Get(), kTree);
    Pidl admin = Pidl::FromBytes(AdminInOrg());

    struct Case {
        LPCITEMIDLIST item;
        SHGDNF flags;
        const char* expected;
    } cases[] = {
        {admin.Get(), SHGDN_NORMAL, ".Admin.Org"},
        {admin.Get(), SHGDN_INFOLDER, "Admin"},
        {admin.Get(), SHGDN_FORPARSING, ".Admin.Org"},
        {admin.Get(), SHGDN_INFOLDER | SHGDN_FORPARSING, "Admin"},
        {admin.Get(), SHGDN_FORADDRESSBAR, "Admin"},
        {sub.Get(), SHGDN_NORMAL, "Projects\\Sub"},
        {sub.Get(), SHGDN_INFOLDER, "Sub"},
        {tree.Get(), SHGDN_NORMAL, kTree},
        {tree.Get(), SHGDN_FORPARSING, kTree},
    };
    for (const Case& c : cases) {
        STRRET name = {};
        ASSERT_EQ(root->GetDisplayNameOf(c.item, c.flags, &name), S_OK) << c.expected;
        EXPECT_EQ(name.uType, static_cast<UINT>(STRRET_CSTR));
        EXPECT_STREQ(name.cStr, c.expected) << "flags 0x" << std::hex << c.flags;
    }

    // A list that is not ours has no name here.
    Pidl foreign = Pidl::FromBytes(Bytes{4, 0, 0x31, 0});
    STRRET name = {};
    EXPECT_EQ(root->GetDisplayNameOf(foreign.Get(), SHGDN_NORMAL, &name), E_FAIL);
}

TEST_F(Browse, LongDisplayNamesAreCutAt259Bytes)
{
    // Three nested folders of 100 characters: a path of 302 characters.
    const std::string level(100, 'D');
    const std::string path = level + "\\" + level + "\\" + level;
    Pidl deep = Pidl::FromBytes(Entry(0x81, level, "Ombra::Folder", Labels(path), ""));
    ComPtr<IShellFolder> root = BindRoot();
    STRRET name;
    std::memset(&name, 0x7F, sizeof name);
    ASSERT_EQ(root->GetDisplayNameOf(deep.Get(), SHGDN_NORMAL, &name), S_OK);
    EXPECT_EQ(std::strlen(name.cStr), 259u);
    EXPECT_EQ(std::string(name.cStr), path.substr(0, 259));
}

TEST_F(Browse, CompareIDsRanksFoldersTreesContainersThenNames)
{
    ComPtr<IShellFolder> root = BindRoot();
    Pidl folder = Pidl::FromBytes(Entry(0x81, "Zulu", "Ombra::Folder", Labels("Zulu"), ""));
    Pidl tree = Pidl::FromBytes(Entry(0x301, "AAA", "Tree Root", "", "AAA"));
    Pidl container = Pidl::FromBytes(Entry(1, "Aardvark", "Organization", Labels("Aardvark"), kTree));
    Pidl leafA = Pidl::FromBytes(Entry(0, "alpha", "User", Labels("alpha.Org"), kTree));
    Pidl leafZ = Pidl::FromBytes(Entry(0, "Zed", "User", Labels("Zed.Org"), kTree));
    Pidl leafA2 = Pidl::FromBytes(Entry(0, "ALPHA", "Group", Labels("ALPHA.Other"), kTree));
    Pidl foreign = Pidl::FromBytes(Bytes{4, 0, 0x31, 0});

    struct Case {
        LPCITEMIDLIST a;
        LPCITEMIDLIST b;
        int expected;
        const char* what;
    } cases[] = {
        {folder.Get(), tree.Get(), -1, "folder before tree"},
        {tree.Get(), container.Get(), -1, "tree before container"},
        {container.Get(), leafA.Get(), -1, "container before leaf"},
        {leafZ.Get(), folder.Get(), 1, "leaf after folder"},
        {leafA.Get(), leafZ.Get(), -1, "names without case: alpha before Zed"},
        {leafZ.Get(), leafA.Get(), 1, "names without case: Zed after alpha"},
        {leafA.Get(), leafA.Get(), 0, "same item"},
        {leafA.Get(), leafA2.Get(), 1, "equal names, other items: not the same"},
    };
    for (const Case& c : cases) {
        HRESULT hr = root->CompareIDs(0, c.a, c.b);
        EXPECT_TRUE(SUCCEEDED(hr)) << c.what;
        int sign = static_cast<short>(HRESULT_CODE(hr));
        if (c.expected == 0)
            EXPECT_EQ(sign, 0) << c.what;
        else
            EXPECT_EQ(sign < 0 ? -1 : 1, c.expected) << c.what << ": 0x" << std::hex << hr;
        // The upper 16 bits of the parameter reverse every rule.
        int reversed = static_cast<short>(HRESULT_CODE(root->CompareIDs(0x10000, c.a, c.b)));
        EXPECT_EQ(reversed, -sign) << c.what << " reversed";
        // The column (lower 16 bits) is not used.
        EXPECT_EQ(root->CompareIDs(3, c.a, c.b), hr) << c.what << " column 3";
    }
    EXPECT_EQ(root->CompareIDs(0, foreign.Get(), leafA.Get()), static_cast<HRESULT>(-1));
    EXPECT_EQ(root->CompareIDs(0, leafA.Get(), foreign.Get()), static_cast<HRESULT>(-1));

    // Lists of two levels with the same first level differ by the second.
    Bytes orgEntry = Entry(1, "Org", "Organization", kOrg, kTree);
    Bytes deepA = orgEntry, deepZ = orgEntry;
    Bytes a = Entry(0, "alpha", "User", Labels("alpha.Org"), kTree);
    Bytes z = Entry(0, "Zed", "User", Labels("Zed.Org"), kTree);
    deepA.insert(deepA.end(), a.begin(), a.end());
    deepZ.insert(deepZ.end(), z.begin(), z.end());
    Pidl listA = Pidl::FromBytes(deepA), listZ = Pidl::FromBytes(deepZ);
    Pidl orgOnly = Pidl::FromBytes(orgEntry);
    EXPECT_EQ(static_cast<short>(HRESULT_CODE(root->CompareIDs(0, listA.Get(), listZ.Get()))), -1);
    EXPECT_EQ(static_cast<short>(HRESULT_CODE(root->CompareIDs(0, orgOnly.Get(), listZ.Get()))), -1);
}

TEST_F(Browse, AttributesFollowTheKindOfItemAndItsHandlers)
{
    ComPtr<IShellFolder> root = BindRoot();
    Pidl user = Pidl::FromBytes(AdminInOrg());
    Pidl org = Pidl::FromBytes(Entry(1, "Org", "Organization", kOrg, kTree));
    Pidl folder = FindChild(root.Get(), "Projects");
    Pidl tree = FindChild(root.Get(), kTree);
    Pidl foreign = Pidl::FromBytes(Bytes{4, 0, 0x31, 0});

    struct Case {
        std::vector<LPCITEMIDLIST> lists;
        SFGAOF start;
        SFGAOF expected;
        const char* what;
    } cases[] = {
        {{user.Get()}, 0, 0x20040007, "a User without a drop-target handler"},
        {{org.Get()}, 0, 0xA0040007, "a container"},
        // Registration gives "Ombra::Folder" the namespace as drop target.
        {{folder.Get()}, 0, 0xA0040137, "a personal folder"},
        {{tree.Get()}, 0, 0xA0040007, "a tree"},
        {{user.Get(), folder.Get()}, 0, 0x20040007, "what both have"},
        {{foreign.Get()}, 0x1234, 0x1234, "a foreign list takes no part"},
        {{foreign.Get(), folder.Get()}, 0, 0xA0040137, "the foreign list is skipped"},
        {{}, 0xFFFFFFFF, 0xE0040000, "no list: masked"},
    };
    for (const Case& c : cases) {
        SFGAOF value = c.start;
        std::vector<LPCITEMIDLIST> lists = c.lists;
        ASSERT_EQ(root->GetAttributesOf(static_cast<UINT>(lists.size()),
                                        lists.empty() ? nullptr : lists.data(), &value),
                  S_OK)
            << c.what;
        EXPECT_EQ(value, c.expected) << c.what << ": 0x" << std::hex << value;
    }
}

TEST_F(Browse, UIObjectsComeFromTheSelectionOrTheFolderItself)
{
    ComPtr<IShellFolder> root = BindRoot();
    Pidl user = Pidl::FromBytes(AdminInOrg());
    Pidl folder = FindChild(root.Get(), "Projects");
    LPCITEMIDLIST one[] = {user.Get()};

    ComPtr<IDataObject> data;
    ASSERT_EQ(root->GetUIObjectOf(nullptr, 1, one, IID_IDataObject, nullptr, data.PutVoid()), S_OK);
    FORMATETC format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Orrel::Object")), nullptr,
                        DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(data->QueryGetData(&format), S_OK);
    // The selection object is not the folder.
    ComPtr<IUnknown> notRefresh;
    EXPECT_EQ(data->QueryInterface(kIidRefresh, notRefresh.PutVoid()), E_NOINTERFACE);

    ComPtr<IUnknown> icon;
    EXPECT_EQ(root->GetUIObjectOf(nullptr, 1, one, IID_IExtractIconW, nullptr, icon.PutVoid()), S_OK);

    // A personal folder's menu and drop target are the folder object's own.
    LPCITEMIDLIST own[] = {folder.Get()};
    for (REFIID iid : {std::cref(IID_IContextMenu), std::cref(IID_IDropTarget)}) {
        ComPtr<IUnknown> object;
        ASSERT_EQ(root->GetUIObjectOf(nullptr, 1, own, iid, nullptr, object.PutVoid()), S_OK);
        ComPtr<IUnknown> refresh;
        EXPECT_EQ(object->QueryInterface(kIidRefresh, refresh.PutVoid()), S_OK);
    }

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(root->GetUIObjectOf(nullptr, 0, one, IID_IDataObject, nullptr, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
}

TEST_F(Browse, EnumeratorCountsVisibleItemsBySkipAndReset)
{
    ComPtr<IShellFolder> root = BindRoot();
    Pidl treeItem = FindChild(root.Get(), kTree);
    ComPtr<IShellFolder> tree = Bind(root.Get(), treeItem.Get());
    Pidl orgItem = FindChild(tree.Get(), "Org");
    ComPtr<IShellFolder> org = Bind(tree.Get(), orgItem.Get());
    ASSERT_TRUE(org);

    ComPtr<IEnumIDList> items;
    ASSERT_EQ(org->EnumObjects(nullptr, SHCONTF_NONFOLDERS, items.Put()), S_OK);
    LPITEMIDLIST lists[8] = {};
    ULONG fetched = 0;
    ASSERT_EQ(items->Next(8, lists, &fetched), S_OK);
    ASSERT_EQ(fetched, 3u) << "Admin, alpha and Zed";
    std::vector<Pidl> all;
    for (ULONG i = 0; i < fetched; ++i) all.emplace_back(lists[i]);

    LPITEMIDLIST more = nullptr;
    fetched = 7;
    EXPECT_EQ(items->Next(1, &more, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);

    ASSERT_EQ(items->Reset(), S_OK);
    ASSERT_EQ(items->Skip(2), S_OK);
    ASSERT_EQ(items->Next(1, &more, nullptr), S_OK);
    Pidl third(more);
    EXPECT_EQ(Hex(ListBytes(third.Get())), Hex(ListBytes(all[2].Get())));

    ComPtr<IEnumIDList> clone;
    EXPECT_EQ(items->Clone(clone.Put()), E_NOTIMPL);
    EXPECT_FALSE(clone);
}

}  // namespace
