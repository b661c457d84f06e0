// The icon handler through its COM interfaces: the exports, the class
// factory, Initialize with selections good and bad, and the icon location.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <string>
#include <vector>

#include "icons_support.h"
#include "orrel/com.h"

using icontest::BytesDataObject;
using icontest::DataObjectOf;
using icontest::DirectoryObject;
using icontest::IconsDll;
using orrel::ComPtr;

namespace {

// {76AAD000-C21A-11D1-8115-00C04FB67EB7}: the namespace's class, not ours.
const CLSID kNamespaceClsid = {
    0x76AAD000, 0xC21A, 0x11D1, {0x81, 0x15, 0x00, 0xC0, 0x4F, 0xB6, 0x7E, 0xB7}};
// {0FEC2000-2800-11d3-8685-00A0C9D59E71}: the properties command's class.
const CLSID kPropertiesClsid = {
    0x0FEC2000, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

class IconHandlerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dll_.Loaded()) << "cannot load " << dll_.Path(); }

    ComPtr<IShellExtInit> NewHandler()
    {
        ComPtr<IShellExtInit> init;
        HRESULT hr = dll_.CreateHandler(IID_IShellExtInit, init.PutVoid());
        EXPECT_EQ(S_OK, hr) << std::hex << hr;
        return init;
    }

    struct Location {
        HRESULT hr = E_UNEXPECTED;
        std::string file;
        int index = 12345;
        UINT flags = 0xDEAD;
    };

    static Location LocationOf(IShellExtInit* init, UINT size = MAX_PATH)
    {
        Location where;
        ComPtr<IExtractIconA> extract;
        if (FAILED(init->QueryInterface(IID_IExtractIconA, extract.PutVoid()))) return where;
        std::vector<char> buffer(size + 8, 'x');
        where.hr = extract->GetIconLocation(0, buffer.data(), size, &where.index, &where.flags);
        buffer[size] = '\0';
        where.file = buffer.data();
        return where;
    }

    // The class row a handler landed on, as the negated icon id it reports.
    int IconIdFor(const std::vector<orrel::ItemRecord>& records, HRESULT* initResult = nullptr)
    {
        ComPtr<IShellExtInit> init = NewHandler();
        if (!init) return 0;
        auto data = DataObjectOf(records);
        HRESULT hr = init->Initialize(nullptr, data.Get(), nullptr);
        if (initResult) *initResult = hr;
        Location where = LocationOf(init.Get());
        return where.hr == S_OK ? -where.index : 0;
    }

    IconsDll dll_;
};

// ---------------------------------------------------------------- exports

TEST_F(IconHandlerTest, GetClassObjectRefusesOtherClassesWithNullPointer)
{
    const CLSID* others[] = {&kNamespaceClsid, &kPropertiesClsid, &GUID_NULL,
                             &IID_IClassFactory};
    for (const CLSID* clsid : others) {
        void* ppv = reinterpret_cast<void*>(0x1234);
        HRESULT hr = dll_.getClassObject(*clsid, IID_IClassFactory, &ppv);
        EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, hr) << std::hex << hr;
        EXPECT_EQ(nullptr, ppv);
    }
}

TEST_F(IconHandlerTest, FactoryAnswersItsInterfacesAndRefusesAggregation)
{
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, dll_.getClassObject(icontest::kIconsClsid, IID_IUnknown, unknown.PutVoid()));
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(S_OK, unknown.As(IID_IClassFactory, factory));
    ComPtr<IShellExtInit> notFactory;
    EXPECT_EQ(E_NOINTERFACE, unknown.As(IID_IShellExtInit, notFactory));

    ComPtr<IUnknown> outer;
    ASSERT_EQ(S_OK, dll_.CreateHandler(IID_IUnknown, outer.PutVoid()));
    void* ppv = reinterpret_cast<void*>(0x1234);
    HRESULT hr = factory->CreateInstance(outer.Get(), IID_IUnknown, &ppv);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, hr) << std::hex << hr;
    EXPECT_EQ(nullptr, ppv);
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));

    ppv = reinterpret_cast<void*>(0x1234);
    hr = factory->CreateInstance(nullptr, IID_IContextMenu, &ppv);
    EXPECT_EQ(E_NOINTERFACE, hr) << std::hex << hr;
    EXPECT_EQ(nullptr, ppv);
}

TEST_F(IconHandlerTest, CanUnloadNowFollowsEveryReference)
{
    ASSERT_EQ(S_OK, dll_.canUnloadNow()) << "references left by an earlier test";
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK,
              dll_.getClassObject(icontest::kIconsClsid, IID_IClassFactory, factory.PutVoid()));
    EXPECT_EQ(S_FALSE, dll_.canUnloadNow());

    ComPtr<IShellExtInit> init;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IShellExtInit, init.PutVoid()));
    factory.Reset();
    EXPECT_EQ(S_FALSE, dll_.canUnloadNow()) << "a live handler must keep the DLL";

    ComPtr<IExtractIconA> extract;
    ASSERT_EQ(S_OK, init.As(IID_IExtractIconA, extract));
    init.Reset();
    EXPECT_EQ(S_FALSE, dll_.canUnloadNow()) << "a reference through the second interface";
    extract->AddRef();
    extract->Release();
    EXPECT_EQ(S_FALSE, dll_.canUnloadNow());
    extract.Reset();
    EXPECT_EQ(S_OK, dll_.canUnloadNow());
}

// ---------------------------------------------------------------- identity

TEST_F(IconHandlerTest, QueryInterfaceGivesPrimaryAndIconPartsOnly)
{
    ComPtr<IShellExtInit> init = NewHandler();
    ASSERT_TRUE(init);
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, init.As(IID_IUnknown, unknown));
    EXPECT_EQ(static_cast<IUnknown*>(init.Get()), unknown.Get())
        << "IUnknown must be the IShellExtInit part";

    ComPtr<IExtractIconA> extract;
    ASSERT_EQ(S_OK, init.As(IID_IExtractIconA, extract));
    ComPtr<IUnknown> back;
    ASSERT_EQ(S_OK, extract.As(IID_IUnknown, back));
    EXPECT_EQ(unknown.Get(), back.Get()) << "one object behind both parts";

    const IID* refused[] = {&IID_IExtractIconW, &IID_IContextMenu, &IID_IDataObject,
                            &IID_IShellPropSheetExt, &IID_IPersistFile};
    for (const IID* iid : refused) {
        void* ppv = reinterpret_cast<void*>(0x1234);
        EXPECT_EQ(E_NOINTERFACE, init->QueryInterface(*iid, &ppv));
        EXPECT_EQ(nullptr, ppv);
    }
}

// ---------------------------------------------------------------- Initialize

struct ClassCase {
    const char* className;
    int iconId;
};

TEST_F(IconHandlerTest, InitializeChoosesTheIconOfTheClass)
{
    const ClassCase cases[] = {
        {"User", 132},
        {"user", 132},
        {"USER", 132},
        {"Template", 100},
        {"No Such Class", 100},
        {"Unknown", 100},
        {"Message Routing Group", 114},
        {"Messaging Routing Group", 114},
        {"messaging server", 116},
        {"Organizational Unit", 121},
        {"Organization", 118},
        {"Tree Root", 131},
        {"Volume", 133},
        {"OCP Server", 117},
        {"Workstation Group", 256},
        {"Users", 100},
        {"Use", 100},
        {"User ", 100},
    };
    for (const ClassCase& c : cases) {
        HRESULT init = E_UNEXPECTED;
        int id = IconIdFor({DirectoryObject(c.className, "Object")}, &init);
        EXPECT_EQ(S_OK, init) << c.className;
        EXPECT_EQ(c.iconId, id) << "class \"" << c.className << "\"";
    }
}

TEST_F(IconHandlerTest, OnlyTheFirstSelectedObjectCounts)
{
    EXPECT_EQ(132, IconIdFor({DirectoryObject("User", "Admin"), DirectoryObject("Group", "Staff"),
                              DirectoryObject("Printer", "P1")}));
    EXPECT_EQ(111, IconIdFor({DirectoryObject("Group", "Staff"), DirectoryObject("User", "Admin")}));
    EXPECT_EQ(1101, IconIdFor({icontest::PersonalFolder("Mine"), DirectoryObject("User", "Admin")}))
        << "a personal folder first gives the folder icon";
}

TEST_F(IconHandlerTest, PersonalFolderGetsTheFolderIcon)
{
    HRESULT init = E_UNEXPECTED;
    EXPECT_EQ(1101, IconIdFor({icontest::PersonalFolder("Mine")}, &init));
    EXPECT_EQ(S_OK, init);
}

TEST_F(IconHandlerTest, ConfiguredTreeGetsTheTreeIcon)
{
    orrel::ItemRecord tree;
    tree.flags = orrel::ITEM_TREE | orrel::ITEM_CONTAINER;
    tree.className = orrel::kTreeRootClass;
    tree.displayName = "CORP";
    tree.tree = "CORP";
    tree.server = "FS1";
    EXPECT_EQ(131, IconIdFor({tree}));
}

TEST_F(IconHandlerTest, InitializeWithoutDirectoryObjectsFailsAndLeavesNoClass)
{
    struct Case {
        const char* what;
        ComPtr<IDataObject> data;
    };
    std::vector<Case> cases;
    cases.push_back({"no data object", ComPtr<IDataObject>()});
    cases.push_back({"empty selection", DataObjectOf({})});
    ComPtr<IDataObject> otherFormat;
    otherFormat.Attach(new BytesDataObject(icontest::ObjectBlock({DirectoryObject("User", "U")}),
                                           "Some Other Format"));
    cases.push_back({"another clipboard format", otherFormat});
    ComPtr<IDataObject> cut;
    icontest::Bytes bytes = icontest::ObjectBlock({DirectoryObject("User", "U")});
    bytes.resize(bytes.size() / 2);
    cut.Attach(new BytesDataObject(bytes));
    cases.push_back({"block cut short", cut});
    ComPtr<IDataObject> lying;
    lying.Attach(new BytesDataObject(icontest::Bytes{0xFF, 0xFF, 0xFF, 0x7F}));
    cases.push_back({"count past the data", lying});
    ComPtr<IDataObject> foreign;
    foreign.Attach(new BytesDataObject(
        icontest::Bytes{1, 0, 0, 0, 6, 0, 0x31, 0, 'a', 'b', 0, 0}));
    cases.push_back({"a list that is not ours", foreign});

    for (Case& c : cases) {
        ComPtr<IShellExtInit> init = NewHandler();
        ASSERT_TRUE(init);
        HRESULT hr = init->Initialize(nullptr, c.data.Get(), nullptr);
        EXPECT_EQ(E_FAIL, hr) << c.what << ": 0x" << std::hex << hr;
        Location where = LocationOf(init.Get());
        EXPECT_EQ(E_FAIL, where.hr) << c.what << ": a handler without a class names no icon";
        EXPECT_EQ("", where.file) << c.what;
    }
}

TEST_F(IconHandlerTest, FailedReinitializeForgetsThePreviousClass)
{
    ComPtr<IShellExtInit> init = NewHandler();
    ASSERT_TRUE(init);
    auto user = DataObjectOf({DirectoryObject("User", "Admin")});
    ASSERT_EQ(S_OK, init->Initialize(nullptr, user.Get(), nullptr));
    EXPECT_EQ(-132, LocationOf(init.Get()).index);

    auto empty = DataObjectOf({});
    EXPECT_EQ(E_FAIL, init->Initialize(nullptr, empty.Get(), nullptr));
    EXPECT_EQ(E_FAIL, LocationOf(init.Get()).hr) << "the user's icon must not stay";

    auto printer = DataObjectOf({DirectoryObject("Printer", "P1")});
    ASSERT_EQ(S_OK, init->Initialize(nullptr, printer.Get(), nullptr));
    EXPECT_EQ(-125, LocationOf(init.Get()).index);
}

TEST_F(IconHandlerTest, InitializeReleasesWhatItReads)
{
    auto* raw = new BytesDataObject(icontest::ObjectBlock({DirectoryObject("User", "Admin")}));
    ComPtr<IDataObject> data;
    data.Attach(raw);
    {
        ComPtr<IShellExtInit> init = NewHandler();
        ASSERT_TRUE(init);
        ASSERT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
        EXPECT_GE(raw->GetDataCalls(), 1);
    }
    EXPECT_EQ(1, raw->RefCount()) << "the data object is not to be kept";
}

// ---------------------------------------------------------------- the location

TEST_F(IconHandlerTest, LocationIsTheDllPathWithTheNegatedIconId)
{
    ComPtr<IShellExtInit> init = NewHandler();
    ASSERT_TRUE(init);
    auto data = DataObjectOf({DirectoryObject("Queue", "Q1")});
    ASSERT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
    Location where = LocationOf(init.Get());
    ASSERT_EQ(S_OK, where.hr);
    char expected[MAX_PATH * 4] = {};
    GetModuleFileNameA(dll_.Module(), expected, sizeof expected);
    EXPECT_EQ(0, lstrcmpiA(expected, where.file.c_str())) << where.file;
    EXPECT_EQ(-127, where.index);
    EXPECT_EQ(0u, where.flags);
    // The file named is the DLL itself.
    EXPECT_EQ(dll_.Module(), GetModuleHandleA(where.file.c_str()));

    ComPtr<IExtractIconA> extract;
    ASSERT_EQ(S_OK, init.As(IID_IExtractIconA, extract));
    char buffer[MAX_PATH * 4];
    EXPECT_EQ(S_OK, extract->GetIconLocation(GIL_FORSHELL, buffer, sizeof buffer, nullptr, nullptr))
        << "the index and flags are optional";
    EXPECT_STREQ(where.file.c_str(), buffer);
}

TEST_F(IconHandlerTest, LocationNeverWritesPastTheBufferNorGivesACutPath)
{
    ComPtr<IShellExtInit> init = NewHandler();
    ASSERT_TRUE(init);
    auto data = DataObjectOf({DirectoryObject("Group", "Staff")});
    ASSERT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
    std::string full = LocationOf(init.Get()).file;
    ASSERT_FALSE(full.empty());
    UINT exact = static_cast<UINT>(full.size() + 1);

    ComPtr<IExtractIconA> extract;
    ASSERT_EQ(S_OK, init.As(IID_IExtractIconA, extract));
    const UINT sizes[] = {1, 4, exact - 1, exact, exact + 1};
    for (UINT size : sizes) {
        std::vector<char> buffer(size + 16, '#');
        int index = 0;
        HRESULT hr = extract->GetIconLocation(0, buffer.data(), size, &index, nullptr);
        for (std::size_t i = size; i < buffer.size(); ++i)
            ASSERT_EQ('#', buffer[i]) << "byte " << i << " written with size " << size;
        if (size >= exact) {
            EXPECT_EQ(S_OK, hr) << "size " << size;
            EXPECT_STREQ(full.c_str(), buffer.data());
            EXPECT_EQ(-111, index);
        } else {
            EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), hr)
                << "size " << size << ": 0x" << std::hex << hr;
            EXPECT_EQ('\0', buffer[0]) << "size " << size << ": a cut path was left";
        }
    }
    EXPECT_EQ(E_INVALIDARG, extract->GetIconLocation(0, nullptr, MAX_PATH, nullptr, nullptr));
    char one = '#';
    EXPECT_EQ(E_INVALIDARG, extract->GetIconLocation(0, &one, 0, nullptr, nullptr));
    EXPECT_EQ('#', one);
}

TEST_F(IconHandlerTest, ExtractLeavesTheExtractionToTheCaller)
{
    ComPtr<IShellExtInit> init = NewHandler();
    ASSERT_TRUE(init);
    ComPtr<IExtractIconA> extract;
    ASSERT_EQ(S_OK, init.As(IID_IExtractIconA, extract));
    HICON large = nullptr, small = nullptr;
    EXPECT_EQ(S_FALSE, extract->Extract("x.dll", 0, &large, &small, MAKELONG(32, 16)))
        << "before Initialize";
    auto data = DataObjectOf({DirectoryObject("User", "Admin")});
    ASSERT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
    EXPECT_EQ(S_FALSE, extract->Extract(LocationOf(init.Get()).file.c_str(),
                                        static_cast<UINT>(-132), &large, &small,
                                        MAKELONG(32, 16)));
    EXPECT_EQ(S_FALSE, extract->Extract(nullptr, 0, nullptr, nullptr, 0));
    EXPECT_EQ(nullptr, large);
    EXPECT_EQ(nullptr, small);
}

}  // namespace
