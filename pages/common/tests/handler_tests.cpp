// The test page DLL as a COM server: its class factory, the handler's
// interfaces, Initialize with one and several objects, AddPages, the icon,
// registration rows, and the resource library rule with real libraries.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "com_test_support.h"
#include "orrel/com.h"
#include "pages_test_support.h"

namespace {

using orrel::ComPtr;
using pages_test::BinPath;
using pages_test::ObjectDataObject;
using pages_test::PumpPending;
using pages_test::RegDword;
using pages_test::RegKeyExists;
using pages_test::RegString;
using pages_test::Selected;
using pages_test::TestImage;

// {8E1C0F64-5B1A-4E57-9C1D-2B7A6F40D001}: the test page DLL's class.
const CLSID kTestPages = {
    0x8E1C0F64, 0x5B1A, 0x4E57, {0x9C, 0x1D, 0x2B, 0x7A, 0x6F, 0x40, 0xD0, 0x01}};
const char kTestPagesText[] = "{8E1C0F64-5B1A-4E57-9C1D-2B7A6F40D001}";
const char kCommandText[] = "{0FEC2000-2800-11D3-8685-00A0C9D59E71}";
const std::string kClassKey = "Software\\Halvet\\Orrel NameSpace\\Classes\\Pages Test Class";

const Selected kPat = {"Pat", "Pages Test Class", ".Pat.Test", "PAGES_TREE"};
const Selected kSam = {"Sam", "Pages Test Class", ".Sam.Test", "PAGES_TREE"};

BOOL CALLBACK Collect(HPROPSHEETPAGE page, LPARAM lp)
{
    reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(lp)->push_back(page);
    return TRUE;
}

HRESULT NewHandler(REFIID riid, void** ppv)
{
    ComPtr<IClassFactory> factory;
    HRESULT hr = pages_test::TestPagesClassObject(kTestPages, IID_IClassFactory, factory.PutVoid());
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(nullptr, riid, ppv);
}

void DestroyPages(std::vector<HPROPSHEETPAGE>& pages)
{
    for (HPROPSHEETPAGE page : pages) DestroyPropertySheetPage(page);
    pages.clear();
}

class HandlerCom : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, pages_test::TestPagesModule()); }
    void TearDown() override
    {
        EXPECT_EQ(S_OK, pages_test::TestPagesCanUnloadNow()) << "a reference was left behind";
    }
    TestImage image;
};

TEST_F(HandlerCom, TheClassFactoryServesOnlyTheDllsClassAndRefusesAggregation)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              pages_test::TestPagesClassObject(IID_IShellExtInit, IID_IClassFactory, &object));
    EXPECT_EQ(nullptr, object);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, pages_test::TestPagesClassObject(kTestPages, IID_IClassFactory,
                                                     factory.PutVoid()));
    EXPECT_EQ(S_FALSE, pages_test::TestPagesCanUnloadNow()) << "the factory counts";
    IUnknown* outer = factory.Get();
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
}

TEST_F(HandlerCom, TheHandlerAnswersItsThreeInterfacesAndNoOther)
{
    ComPtr<IShellExtInit> init;
    ASSERT_EQ(S_OK, NewHandler(IID_IShellExtInit, init.PutVoid()));
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, init.As(IID_IUnknown, unknown));
    EXPECT_EQ(static_cast<IUnknown*>(init.Get()), unknown.Get()) << "IUnknown is the primary part";
    ComPtr<IShellPropSheetExt> sheet;
    EXPECT_EQ(S_OK, init.As(IID_IShellPropSheetExt, sheet));
    ComPtr<IExtractIconA> icon;
    EXPECT_EQ(S_OK, init.As(IID_IExtractIconA, icon));
    ComPtr<IContextMenu> menu;
    EXPECT_EQ(E_NOINTERFACE, init.As(IID_IContextMenu, menu));
    EXPECT_FALSE(menu);
    init->AddRef();
    EXPECT_EQ(4u, init->Release()) << "one count for every interface held";
}

TEST_F(HandlerCom, InitializeTakesASelectionOfExactlyOneObject)
{
    struct Case {
        const char* what;
        std::vector<Selected> objects;
        bool withFormat;
        HRESULT expected;
    } cases[] = {
        {"one object", {kPat}, true, S_OK},
        {"two objects", {kPat, kSam}, true, E_FAIL},
        {"no directory data", {kPat}, false, E_FAIL},
    };
    for (const Case& c : cases) {
        ComPtr<IShellExtInit> init;
        ASSERT_EQ(S_OK, NewHandler(IID_IShellExtInit, init.PutVoid()));
        ObjectDataObject data(c.objects, c.withFormat);
        EXPECT_EQ(c.expected, init->Initialize(nullptr, &data, nullptr)) << c.what;
        EXPECT_EQ(1, data.References()) << c.what << ": the handler keeps no data object";
        ComPtr<IShellPropSheetExt> sheet;
        ASSERT_EQ(S_OK, init.As(IID_IShellPropSheetExt, sheet));
        std::vector<HPROPSHEETPAGE> pages;
        EXPECT_EQ(c.expected == S_OK ? S_OK : E_FAIL,
                  sheet->AddPages(&Collect, reinterpret_cast<LPARAM>(&pages)))
            << c.what << ": no object, no pages";
        EXPECT_EQ(c.expected == S_OK ? 3u : 0u, pages.size()) << c.what;
        DestroyPages(pages);
    }
    ComPtr<IShellExtInit> init;
    ASSERT_EQ(S_OK, NewHandler(IID_IShellExtInit, init.PutVoid()));
    EXPECT_EQ(E_FAIL, init->Initialize(nullptr, nullptr, nullptr));
}

TEST_F(HandlerCom, AddPagesLeavesOutPagesTheUserMayNotRead)
{
    for (bool second : {false, true}) {
        TestImage::UseSecondIdentity(second);
        ComPtr<IShellExtInit> init;
        ASSERT_EQ(S_OK, NewHandler(IID_IShellExtInit, init.PutVoid()));
        ObjectDataObject data({kPat});
        ASSERT_EQ(S_OK, init->Initialize(nullptr, &data, nullptr));
        ComPtr<IShellPropSheetExt> sheet;
        ASSERT_EQ(S_OK, init.As(IID_IShellPropSheetExt, sheet));
        std::vector<HPROPSHEETPAGE> pages;
        EXPECT_EQ(S_OK, sheet->AddPages(&Collect, reinterpret_cast<LPARAM>(&pages)));
        EXPECT_EQ(second ? 2u : 3u, pages.size()) << (second ? "restricted user" : "administrator");
        DestroyPages(pages);
        HPROPSHEETPAGE none = nullptr;
        EXPECT_EQ(E_FAIL, sheet->ReplacePage(0, &Collect, reinterpret_cast<LPARAM>(&none)));
    }
}

TEST_F(HandlerCom, TheIconComesFromTheDllAtIndexMinusTwoAndTheShellExtractsIt)
{
    ComPtr<IExtractIconA> icon;
    ASSERT_EQ(S_OK, NewHandler(IID_IExtractIconA, icon.PutVoid()));
    char file[MAX_PATH] = {};
    int index = 0;
    UINT flags = 0xFFFF;
    ASSERT_EQ(S_OK, icon->GetIconLocation(0, file, sizeof file, &index, &flags));
    EXPECT_EQ(0, lstrcmpiA(BinPath("OrrelTestPages.dll").c_str(), file)) << file;
    EXPECT_EQ(-2, index);
    EXPECT_EQ(0u, flags);
    HICON large = nullptr, small = nullptr;
    EXPECT_EQ(S_FALSE, icon->Extract(file, static_cast<UINT>(index), &large, &small, 0x00100020));
    HICON extracted = nullptr;
    EXPECT_EQ(1u, ExtractIconExA(file, index, &extracted, nullptr, 1)) << "the DLL holds icon 2";
    if (extracted) DestroyIcon(extracted);

    // A buffer too small is refused, never overrun.
    char small_buffer[12];
    std::memset(small_buffer, 'x', sizeof small_buffer);
    EXPECT_TRUE(FAILED(icon->GetIconLocation(0, small_buffer, 8, &index, &flags)));
    EXPECT_EQ('x', small_buffer[8]);
}

// ---- Registration -----------------------------------------------------------------

class Registration : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, pages_test::TestPagesModule()); }
    void TearDown() override
    {
        pages_test::CallExport(pages_test::TestPagesModule(), "DllUnregisterServer");
        RegDeleteTreeA(HKEY_CURRENT_USER, kClassKey.c_str());
    }
};

TEST_F(Registration, RegisteringWritesTheClassThePageHandlerTheCommandAndTheIcon)
{
    ASSERT_EQ(S_OK, pages_test::CallExport(pages_test::TestPagesModule(), "DllRegisterServer"));
    std::string dll = BinPath("OrrelTestPages.dll");
    std::string clsid = std::string("CLSID\\") + kTestPagesText;
    EXPECT_EQ("Orrel Test Pages", RegString(HKEY_CLASSES_ROOT, clsid, nullptr));
    EXPECT_EQ(0, lstrcmpiA(dll.c_str(),
                           RegString(HKEY_CLASSES_ROOT, clsid + "\\InProcServer32", nullptr).c_str()));
    EXPECT_EQ("Apartment", RegString(HKEY_CLASSES_ROOT, clsid + "\\InProcServer32", "ThreadingModel"));
    EXPECT_EQ(0, lstrcmpiA((dll + ",0").c_str(),
                           RegString(HKEY_CLASSES_ROOT, clsid + "\\DefaultIcon", nullptr).c_str()));

    struct Row {
        std::string key;
        const char* description;
        DWORD flags;
        DWORD priority;
    } rows[] = {
        {kClassKey + "\\PropertyPages\\" + kTestPagesText, "Orrel Test Pages", 0, 0x01000000},
        {kClassKey + "\\ContextMenuHandlers\\" + kCommandText, "Corvane Orrel Properties Handler", 0,
         0x0F000000},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.description, RegString(HKEY_CURRENT_USER, row.key, nullptr)) << row.key;
        EXPECT_EQ(row.flags, RegDword(HKEY_CURRENT_USER, row.key, "Flags")) << row.key;
        EXPECT_EQ(row.priority, RegDword(HKEY_CURRENT_USER, row.key, "LoadPriority")) << row.key;
    }
    EXPECT_EQ("Orrel Test Pages",
              RegString(HKEY_CURRENT_USER, kClassKey + "\\IconHandler\\" + kTestPagesText, nullptr));
}

TEST_F(Registration, UnregisteringKeepsTheCommandWhileAnotherPageDllServesTheClass)
{
    ASSERT_EQ(S_OK, pages_test::CallExport(pages_test::TestPagesModule(), "DllRegisterServer"));
    std::string other = kClassKey + "\\PropertyPages\\{11111111-2222-3333-4444-555555555555}";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, other.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    std::string command = kClassKey + "\\ContextMenuHandlers\\" + kCommandText;

    ASSERT_EQ(S_OK, pages_test::CallExport(pages_test::TestPagesModule(), "DllUnregisterServer"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kTestPagesText));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kClassKey + "\\PropertyPages\\" + kTestPagesText));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kClassKey + "\\IconHandler\\" + kTestPagesText));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, command)) << "another DLL still has pages";

    RegDeleteKeyA(HKEY_CURRENT_USER, other.c_str());
    ASSERT_EQ(S_OK, pages_test::CallExport(pages_test::TestPagesModule(), "DllUnregisterServer"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, command)) << "the last page DLL took it along";
    EXPECT_EQ(S_OK, pages_test::CallExport(pages_test::TestPagesModule(), "DllUnregisterServer"))
        << "nothing left to remove is no failure";
}

// ---- Resource library ---------------------------------------------------------------

// The resource library beside the DLL, by version ("" for none). Objects
// are made only while it is in place; when the last goes the library must be
// let go, which the deletion of its file at the end proves.
class ResourceLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, pages_test::TestPagesModule());
        ASSERT_EQ(S_OK, pages_test::TestPagesCanUnloadNow());
    }
    void TearDown() override { DeleteFileA(Library().c_str()); }

    static std::string Library() { return BinPath("OrrelTestPages.dlr"); }
    TestImage image;
    void Place(const char* version)
    {
        std::string source = BinPath((std::string("OrrelTestPages-") + version + ".dlr").c_str());
        ASSERT_TRUE(CopyFileA(source.c_str(), Library().c_str(), FALSE)) << source;
    }

    // The icon file and the tab captions of a sheet of the handler's pages.
    void Look(std::string* iconFile, std::vector<std::string>* tabs, std::string* editorTitle)
    {
        ComPtr<IShellExtInit> init;
        ASSERT_EQ(S_OK, NewHandler(IID_IShellExtInit, init.PutVoid()));
        ObjectDataObject data({kPat});
        ASSERT_EQ(S_OK, init->Initialize(nullptr, &data, nullptr));
        ComPtr<IExtractIconA> icon;
        ASSERT_EQ(S_OK, init.As(IID_IExtractIconA, icon));
        char file[MAX_PATH] = {};
        int index = 0;
        UINT flags = 0;
        ASSERT_EQ(S_OK, icon->GetIconLocation(0, file, sizeof file, &index, &flags));
        *iconFile = file;
        ComPtr<IShellPropSheetExt> ext;
        ASSERT_EQ(S_OK, init.As(IID_IShellPropSheetExt, ext));
        std::vector<HPROPSHEETPAGE> pages;
        ASSERT_EQ(S_OK, ext->AddPages(&Collect, reinterpret_cast<LPARAM>(&pages)));
        PROPSHEETHEADERA header;
        ZeroMemory(&header, sizeof header);
        header.dwSize = sizeof header;
        header.dwFlags = PSH_MODELESS;
        header.pszCaption = "Pat";
        header.nPages = static_cast<UINT>(pages.size());
        header.phpage = pages.data();
        HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
        ASSERT_NE(nullptr, sheet);
        PumpPending();
        HWND tab = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
        int count = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[128] = {};
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            tabs->push_back(text);
        }
        // The list editor's title string comes from the same module.
        SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
        PumpPending();
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        pages_test::ModalScript script({[&] {
            for (const char* title : {"Edit: Title", "Edit: Title (lib 1.0)"}) {
                if (HWND editor = pages_test::FindDialog(title)) {
                    *editorTitle = title;
                    pages_test::Click(editor, IDOK);
                    return true;
                }
            }
            return false;
        }});
        pages_test::Click(page, 2002);  // "Edit..." of "Title"
        DestroyWindow(sheet);
        PumpPending();
    }
};

TEST_F(ResourceLibrary, OnlyALibraryOfFileVersionOnePointZeroReplacesTheDllsResources)
{
    struct Case {
        const char* version;  // "" = no library
        bool used;
    } cases[] = {{"", false}, {"1.0", true}, {"1.1", false}, {"2.0", false}, {"1.0", true}};
    for (const Case& c : cases) {
        if (*c.version) Place(c.version);
        std::string icon;
        std::vector<std::string> tabs;
        std::string editor;
        Look(&icon, &tabs, &editor);
        std::string expectedIcon = c.used ? Library() : BinPath("OrrelTestPages.dll");
        EXPECT_EQ(0, lstrcmpiA(expectedIcon.c_str(), icon.c_str()))
            << "version '" << c.version << "': icon from " << icon;
        std::vector<std::string> expectedTabs =
            c.used ? std::vector<std::string>{"Person (lib 1.0)", "Work (lib 1.0)", "Secret (lib 1.0)"}
                   : std::vector<std::string>{"Person", "Work", "Secret"};
        EXPECT_EQ(expectedTabs, tabs) << "version '" << c.version << "'";
        EXPECT_EQ(c.used ? "Edit: Title (lib 1.0)" : "Edit: Title", editor)
            << "version '" << c.version << "'";
        EXPECT_EQ(S_OK, pages_test::TestPagesCanUnloadNow());
        if (*c.version) {
            EXPECT_TRUE(DeleteFileA(Library().c_str()))
                << "version '" << c.version << "': the library was let go with the last object";
        }
    }
}

}  // namespace
