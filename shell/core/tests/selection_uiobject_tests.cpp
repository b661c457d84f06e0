// The item UI object with real handlers: SelectionTestHandlers.dll is
// registered as an in-process server, its classes are declared in the class
// handler registry, COM loads it, and the test reads what each handler
// object received from the same loaded module.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <sstream>
#include <string>
#include <vector>

#include "orrel/core/classhandlers.h"
#include "orrel/core/itemuiobject.h"
#include "orrel/registry.h"
#include "selection_support.h"
#include "servers/selection_handlers.h"

using orrel::ComPtr;
using orrel::ItemRecord;
using orrel::ItemUIObject;
using seltest::Behaviour;
using Events = std::vector<std::string>;

namespace {

struct Server {
    orrel::Library library;
    SelTestResetFn reset = nullptr;
    SelTestSetBehaviourFn setBehaviour = nullptr;
    SelTestEventsFn events = nullptr;
    SelTestLiveObjectsFn live = nullptr;
};
Server g_server;

template <class F>
F Proc(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string ClsidKey(int n)
{
    char text[39];
    orrel::GuidToString(seltest::HandlerClsid(n), text);
    return std::string("Software\\Classes\\CLSID\\") + text;
}

class ItemUIObjectTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string dll(path, n);
        dll = dll.substr(0, dll.find_last_of('\\') + 1) + "SelectionTestHandlers.dll";
        g_server.library.Attach(LoadLibraryA(dll.c_str()));
        ASSERT_TRUE(g_server.library) << dll << " error " << GetLastError();
        HMODULE module = g_server.library.Get();
        g_server.reset = Proc<SelTestResetFn>(module, "SelTestReset");
        g_server.setBehaviour = Proc<SelTestSetBehaviourFn>(module, "SelTestSetBehaviour");
        g_server.events = Proc<SelTestEventsFn>(module, "SelTestEvents");
        g_server.live = Proc<SelTestLiveObjectsFn>(module, "SelTestLiveObjects");
        ASSERT_TRUE(g_server.reset && g_server.setBehaviour && g_server.events && g_server.live);
        for (int i = 1; i <= seltest::kHandlerClasses; ++i) {
            orrel::RegKey key;
            ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_LOCAL_MACHINE, (ClsidKey(i) + "\\InprocServer32").c_str()));
            key.SetString(nullptr, dll.c_str());
            key.SetString("ThreadingModel", "Apartment");
        }
    }
    static void TearDownTestSuite()
    {
        for (int i = 1; i <= seltest::kHandlerClasses; ++i) orrel::DeleteKeyTree(HKEY_LOCAL_MACHINE, ClsidKey(i).c_str());
        orrel::DeleteKeyTree(HKEY_CURRENT_USER, orrel::kClassesKey);
        CoFreeUnusedLibraries();
        g_server.library.Reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(g_server.library);
        g_server.reset();
        orrel::DeleteKeyTree(HKEY_CURRENT_USER, orrel::kClassesKey);
        moduleCount_ = orrel::Module::LockCount();
    }
    void TearDown() override
    {
        EXPECT_EQ(moduleCount_, orrel::Module::LockCount()) << "references left in this module";
        EXPECT_EQ(0, g_server.live()) << "handler objects left alive";
        orrel::DeleteKeyTree(HKEY_CURRENT_USER, orrel::kClassesKey);
    }

    // Declares handler n for a class under a kind key.
    static void Register(const std::string& className, const char* kindKey, int n, DWORD priority = 0,
                         DWORD flags = orrel::HANDLER_MULTI_TOO)
    {
        char clsid[39];
        orrel::GuidToString(seltest::HandlerClsid(n), clsid);
        std::string path = std::string(orrel::kClassesKey) + "\\" + className + "\\" + kindKey + "\\" + clsid;
        orrel::RegKey key;
        ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, path.c_str()));
        key.SetDword("LoadPriority", priority);
        key.SetDword("Flags", flags);
    }
    static void Behave(int n, const Behaviour& behaviour) { g_server.setBehaviour(n, &behaviour); }
    static Behaviour MenuItems(UINT items)
    {
        Behaviour behaviour;
        behaviour.menuItems = items;
        return behaviour;
    }

    // A new start inside a table-driven test: no events, behaviours or keys.
    void Fresh()
    {
        g_server.reset();
        orrel::DeleteKeyTree(HKEY_CURRENT_USER, orrel::kClassesKey);
        table_.Clear();
        tableLoaded_ = false;
    }

    // The events so far; they are forgotten.
    static Events TakeEvents()
    {
        std::vector<char> text(g_server.events(nullptr, 0, FALSE));
        g_server.events(text.data(), static_cast<DWORD>(text.size()), TRUE);
        Events events;
        std::istringstream lines(text.data());
        for (std::string line; std::getline(lines, line);) events.push_back(line);
        return events;
    }
    // Only the events of one kind ("QueryContextMenu", "Created", ...).
    static Events Only(const Events& events, const std::string& what)
    {
        Events out;
        for (const std::string& e : events)
            if (e.compare(2, what.size(), what) == 0) out.push_back(e);
        return out;
    }

    orrel::ClassHandlerTable& Table()
    {
        if (!tableLoaded_) {
            EXPECT_TRUE(table_.LoadClassHandlers());
            tableLoaded_ = true;
        }
        return table_;
    }

    // The UI object of a selection, as the folder makes it.
    template <class I>
    HRESULT Select(const std::vector<ItemRecord>& records, REFIID riid, ComPtr<I>& out)
    {
        std::vector<orrel::ItemIdList> lists;
        std::vector<LPCITEMIDLIST> pointers;
        for (const ItemRecord& record : records) lists.push_back(seltest::ListOf(record));
        for (const orrel::ItemIdList& list : lists) pointers.push_back(list.Get());
        return ItemUIObject::Create(Table(), static_cast<UINT>(pointers.size()), pointers.data(), riid,
                                    out.PutVoid());
    }
    template <class I>
    ComPtr<I> Select(const std::vector<ItemRecord>& records, REFIID riid)
    {
        ComPtr<I> out;
        EXPECT_EQ(S_OK, Select(records, riid, out));
        return out;
    }

    static ItemRecord User(const char* name) { return seltest::ObjectRecord("User", name); }
    static ItemRecord Group(const char* name) { return seltest::ObjectRecord("Group", name); }

    orrel::ClassHandlerTable table_;
    bool tableLoaded_ = false;
    LONG moduleCount_ = 0;
};

// ---------------------------------------------------------------------------
// Collecting and creating handlers

TEST_F(ItemUIObjectTest, AnswersItsSevenInterfacesWithIShellExtInitAsIUnknown)
{
    Register("User", "ContextMenuHandlers", 1);
    ComPtr<IShellExtInit> init = Select<IShellExtInit>({User("Alice")}, IID_IShellExtInit);
    ASSERT_TRUE(init);
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IUnknown, unknown.PutVoid()));
    EXPECT_EQ(static_cast<void*>(init.Get()), static_cast<void*>(unknown.Get()));
    const IID* iids[] = {&IID_IExtractIconA, &IID_IExtractIconW, &IID_IContextMenu, &IID_IDropTarget,
                         &IID_IDataObject, &IID_IDropSource};
    for (const IID* iid : iids) {
        ComPtr<IUnknown> part;
        EXPECT_EQ(S_OK, init->QueryInterface(*iid, part.PutVoid()));
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(E_NOINTERFACE, init->QueryInterface(IID_IShellFolder, none.PutVoid()));
    EXPECT_TRUE(TakeEvents().empty()) << "no handler is made before it is needed";
}

TEST_F(ItemUIObjectTest, HandlerIsCreatedByClassIdentifierAndInitialisedWithFirstListAndSelection)
{
    Register("User", "ContextMenuHandlers", 1);
    Behave(1, MenuItems(1));
    ComPtr<IContextMenu> menu = Select<IContextMenu>({User("Alice"), User("Bob")}, IID_IContextMenu);
    orrel::Menu popup(CreatePopupMenu());
    for (int call = 0; call < 2; ++call)
        EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1), menu->QueryContextMenu(popup.Get(), 0, 1, 100, CMF_NORMAL));
    Events expected = {
        "A Created",
        "A Initialize first=Alice data=Alice,Bob nokey",
        "A QueryContextMenu position=0 first=1 last=100 flags=0x0",
        "A QueryContextMenu position=0 first=1 last=100 flags=0x0",
    };
    EXPECT_EQ(expected, TakeEvents()) << "created once, initialised once";
    menu.Reset();
    EXPECT_EQ(Events{"A Destroyed"}, TakeEvents());
}

TEST_F(ItemUIObjectTest, HandlersOfSeveralClassesMergeIntoOneEntryWithTheUnionOfKinds)
{
    Register("User", "IconHandler", 1);
    Register("User", "ContextMenuHandlers", 2);
    Register("Group", "ContextMenuHandlers", 1);
    Register("Group", "DropTargetHandlers", 3);
    ItemUIObject* object = new ItemUIObject(Table());
    std::vector<orrel::ItemIdList> lists;
    for (const ItemRecord& r : {User("Alice"), Group("Staff"), User("Bob")}) lists.push_back(seltest::ListOf(r));
    LPCITEMIDLIST pointers[] = {lists[0].Get(), lists[1].Get(), lists[2].Get()};
    ASSERT_EQ(S_OK, object->InitSelection(3, pointers));

    const std::vector<orrel::ActiveHandler>& handlers = object->Handlers();
    ASSERT_EQ(3u, handlers.size());
    struct Want {
        int n;
        std::uint32_t kinds;
    } want[] = {{1, orrel::HANDLER_ICON | orrel::HANDLER_CONTEXT_MENU},
                {2, orrel::HANDLER_CONTEXT_MENU},
                {3, orrel::HANDLER_DROP_TARGET}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(IsEqualCLSID(seltest::HandlerClsid(want[i].n), handlers[i].clsid)) << "entry " << i;
        EXPECT_EQ(want[i].kinds, handlers[i].kinds) << "entry " << i;
    }
    EXPECT_EQ("User", object->FirstClass());
    object->Release();
}

TEST_F(ItemUIObjectTest, HandlerFlagsFitTheHandlerToTheSelectionSize)
{
    // Handler n's Flags: 1 -> 0 (single only), 2 -> 1 (also several), 3 -> 2 (several only).
    Register("User", "ContextMenuHandlers", 1, 0, 0);
    Register("User", "ContextMenuHandlers", 2, 0, 1);
    Register("User", "ContextMenuHandlers", 3, 0, 2);
    for (int n = 1; n <= 3; ++n) Behave(n, MenuItems(1));
    struct Case {
        std::vector<ItemRecord> selection;
        Events called;
    } cases[] = {
        {{User("Alice")}, {"A QueryContextMenu position=0 first=1 last=50 flags=0x0",
                           "B QueryContextMenu position=1 first=2 last=50 flags=0x0"}},
        {{User("Alice"), User("Bob")}, {"B QueryContextMenu position=0 first=1 last=50 flags=0x0",
                                        "C QueryContextMenu position=1 first=2 last=50 flags=0x0"}},
    };
    for (const Case& c : cases) {
        for (int n = 1; n <= 3; ++n) Behave(n, MenuItems(1));
        ComPtr<IContextMenu> menu = Select<IContextMenu>(c.selection, IID_IContextMenu);
        orrel::Menu popup(CreatePopupMenu());
        EXPECT_EQ(2, HRESULT_CODE(menu->QueryContextMenu(popup.Get(), 0, 1, 50, 0)));
        EXPECT_EQ(c.called, Only(TakeEvents(), "QueryContextMenu")) << c.selection.size() << " selected";
    }
}

TEST_F(ItemUIObjectTest, HandlersRunInLoadPriorityOrderKeepingTheOrderOfEquals)
{
    const DWORD priorities[] = {5, 1, 5, 0};  // handlers A..D, registered in this order
    for (int n = 1; n <= 4; ++n) {
        Register("User", "ContextMenuHandlers", n, priorities[n - 1]);
        Behave(n, MenuItems(0));
    }
    ComPtr<IContextMenu> menu = Select<IContextMenu>({User("Alice")}, IID_IContextMenu);
    orrel::Menu popup(CreatePopupMenu());
    menu->QueryContextMenu(popup.Get(), 0, 1, 50, 0);
    Events order;
    for (const std::string& e : Only(TakeEvents(), "QueryContextMenu")) order.push_back(e.substr(0, 1));
    EXPECT_EQ((Events{"D", "B", "A", "C"}), order);
}

TEST_F(ItemUIObjectTest, HandlersThatCannotBeMadeOrInitialisedAreLeftOutSilently)
{
    Register("User", "ContextMenuHandlers", 1, 0);
    Register("User", "ContextMenuHandlers", 2, 1);
    Register("User", "ContextMenuHandlers", 3, 2);
    Behaviour refused = MenuItems(1), failing = MenuItems(1);
    refused.createResult = E_OUTOFMEMORY;
    failing.initResult = E_FAIL;
    Behave(1, refused);
    Behave(2, failing);
    Behave(3, MenuItems(1));
    ComPtr<IContextMenu> menu = Select<IContextMenu>({User("Alice")}, IID_IContextMenu);
    orrel::Menu popup(CreatePopupMenu());
    EXPECT_EQ(1, HRESULT_CODE(menu->QueryContextMenu(popup.Get(), 0, 1, 50, 0)));
    Events events = TakeEvents();
    EXPECT_EQ(Events{"A Refused"}, Only(events, "Refused"));
    EXPECT_EQ((Events{"B Created", "C Created"}), Only(events, "Created"));
    EXPECT_EQ(Events{"B Destroyed"}, Only(events, "Destroyed")) << "a failed initialisation releases it";
    EXPECT_EQ(Events{"C QueryContextMenu position=0 first=1 last=50 flags=0x0"}, Only(events, "QueryContextMenu"));
}

TEST_F(ItemUIObjectTest, UndecodableListEndsHandlerCollectionButStaysInTheSelection)
{
    Register("User", "ContextMenuHandlers", 1);
    Register("Group", "ContextMenuHandlers", 2);
    Behave(1, MenuItems(1));
    Behave(2, MenuItems(1));
    orrel::ItemIdList alice = seltest::ListOf(User("Alice"));
    orrel::ItemIdList staff = seltest::ListOf(Group("Staff"));
    orrel::ItemIdList desktop = orrel::ItemIdList::DesktopEntry(orrel::ListAllocator::Heap);
    LPCITEMIDLIST lists[] = {alice.Get(), desktop.Get(), staff.Get()};
    ComPtr<IContextMenu> menu;
    ASSERT_EQ(S_OK, ItemUIObject::Create(Table(), 3, lists, IID_IContextMenu, menu.PutVoid()));
    orrel::Menu popup(CreatePopupMenu());
    EXPECT_EQ(1, HRESULT_CODE(menu->QueryContextMenu(popup.Get(), 0, 1, 50, 0))) << "Group's handler left out";
    EXPECT_EQ(Events{"A Initialize first=Alice data=Alice,?,Staff nokey"}, Only(TakeEvents(), "Initialize"));

    const std::uint8_t broken[] = {1, 0, 0, 0};
    LPCITEMIDLIST withBroken[] = {alice.Get(), reinterpret_cast<LPCITEMIDLIST>(broken)};
    ComPtr<IUnknown> none;
    EXPECT_EQ(E_FAIL, ItemUIObject::Create(Table(), 2, withBroken, IID_IUnknown, none.PutVoid()))
        << "a malformed list cannot be carried";
    EXPECT_EQ(E_INVALIDARG, ItemUIObject::Create(Table(), 0, lists, IID_IUnknown, none.PutVoid()));
}

TEST_F(ItemUIObjectTest, HandlerCreationOnAThreadWithoutComInitialisesComAndTriesAgain)
{
    Register("User", "IconHandler", 1);
    Behaviour icon;
    lstrcpyA(icon.iconFile, "user.ico");
    Behave(1, icon);
    ComPtr<IExtractIconA> extract = Select<IExtractIconA>({User("Alice")}, IID_IExtractIconA);
    struct Work {
        IExtractIconA* extract;
        HRESULT probe, result, afterwards;
        char file[MAX_PATH];
    } work = {extract.Get(), S_OK, S_OK, S_OK, ""};
    auto run = [](void* p) -> DWORD {
        Work* w = static_cast<Work*>(p);
        IUnknown* object = nullptr;
        w->probe = CoCreateInstance(seltest::HandlerClsid(6), nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                    reinterpret_cast<void**>(&object));
        if (object) object->Release();
        if (w->probe != CO_E_NOTINITIALIZED) return 0;
        int index = 0;
        UINT flags = 0;
        w->result = w->extract->GetIconLocation(0, w->file, MAX_PATH, &index, &flags);
        w->afterwards = CoInitialize(nullptr);
        if (SUCCEEDED(w->afterwards)) CoUninitialize();
        if (w->afterwards == S_FALSE) CoUninitialize();  // the one the item UI object made
        return 0;
    };
    orrel::Thread thread(CreateThread(nullptr, 0, run, &work, 0, nullptr));
    ASSERT_TRUE(thread);
    WaitForSingleObject(thread.Get(), INFINITE);
    if (work.probe != CO_E_NOTINITIALIZED) {
        TakeEvents();
        GTEST_SKIP() << "this host creates objects on threads without COM (0x" << std::hex << work.probe << ")";
    }
    EXPECT_EQ(S_OK, work.result);
    EXPECT_STREQ("user.ico", work.file);
    EXPECT_EQ(S_FALSE, work.afterwards) << "COM was initialised on the thread";
    EXPECT_EQ((Events{"A Created", "A Initialize first=Alice data=Alice nokey", "A GetIconLocation flags=0x0 size=260"}),
              TakeEvents());
}

// ---------------------------------------------------------------------------
// Icons

TEST_F(ItemUIObjectTest, IconLocationIsCachedPerClassAndLaterAnsweredWithSFalse)
{
    Register("User", "IconHandler", 1);
    Behaviour icon;
    lstrcpyA(icon.iconFile, "C:\\icons\\user.ico");
    icon.iconIndex = 3;
    icon.iconFlags = GIL_PERCLASS;
    Behave(1, icon);

    ComPtr<IExtractIconA> first = Select<IExtractIconA>({User("Alice")}, IID_IExtractIconA);
    char file[MAX_PATH] = "";
    int index = -1;
    UINT flags = 0xFF;
    EXPECT_EQ(S_OK, first->GetIconLocation(GIL_FORSHELL, file, MAX_PATH, &index, &flags));
    EXPECT_STREQ("C:\\icons\\user.ico", file);
    EXPECT_EQ(3, index);
    EXPECT_EQ(static_cast<UINT>(GIL_PERCLASS), flags);
    first.Reset();
    TakeEvents();

    ComPtr<IExtractIconA> second = Select<IExtractIconA>({User("Bob")}, IID_IExtractIconA);
    file[0] = '\0';
    index = -1;
    EXPECT_EQ(S_OK, second->GetIconLocation(0, file, MAX_PATH, &index, &flags))
        << "S_FALSE would make the shell show its default icon";
    EXPECT_STREQ("C:\\icons\\user.ico", file);
    EXPECT_EQ(3, index);
    EXPECT_EQ(0u, flags);
    EXPECT_EQ(S_OK, second->GetIconLocation(0, file, 6, &index, &flags));
    EXPECT_STREQ("C:\\ic", file) << "at most the given size";
    HICON large = nullptr, small = nullptr;
    EXPECT_EQ(S_FALSE, second->Extract(file, 3, &large, &small, 0x00100010)) << "the shell extracts itself";
    EXPECT_TRUE(TakeEvents().empty()) << "no handler made for a cached class";
    EXPECT_TRUE(Table().FindClass("User", false)->iconCached);
}

TEST_F(ItemUIObjectTest, IconAnswersThatMustNotBeCachedGoToTheHandlerEveryTime)
{
    struct Case {
        const char* what;
        HRESULT result;
        UINT flags;
    } cases[] = {
        {"do not cache", S_OK, GIL_DONTCACHE},
        {"not a file name", S_OK, GIL_NOTFILENAME},
        {"default icon", S_FALSE, 0},
    };
    for (const Case& c : cases) {
        Fresh();
        Register("User", "IconHandler", 1);
        Behaviour icon;
        lstrcpyA(icon.iconFile, "user.ico");
        icon.iconFlags = c.flags;
        icon.iconResult = c.result;
        Behave(1, icon);
        for (const char* name : {"Alice", "Bob"}) {
            ComPtr<IExtractIconA> extract = Select<IExtractIconA>({User(name)}, IID_IExtractIconA);
            char file[MAX_PATH];
            int index = 0;
            UINT flags = 0;
            EXPECT_EQ(c.result, extract->GetIconLocation(0, file, MAX_PATH, &index, &flags)) << c.what;
        }
        EXPECT_EQ(2u, Only(TakeEvents(), "GetIconLocation").size()) << c.what;
        EXPECT_FALSE(Table().FindClass("User", false)->iconCached) << c.what;
    }
}

TEST_F(ItemUIObjectTest, IconComesFromTheUnknownEntryOrReportsWhyNone)
{
    Register("Unknown", "IconHandler", 1);
    Register("Printer", "ContextMenuHandlers", 2);
    Register("Queue", "IconHandler", 3);
    Behaviour icon;
    lstrcpyA(icon.iconFile, "unknown.ico");
    Behave(1, icon);
    Behaviour noIcon;
    noIcon.answers = seltest::ANSWERS_ALL & ~seltest::ANSWERS_ICON;
    Behave(3, noIcon);
    struct Case {
        const char* className;
        HRESULT expected;
        const char* file;
    } cases[] = {
        {"Volume", S_OK, "unknown.ico"},  // no key: the "Unknown" entry
        {"Printer", E_NOTIMPL, ""},        // a key without icon handler
        {"Queue", E_NOINTERFACE, ""},      // a handler that is no icon handler
    };
    for (const Case& c : cases) {
        ComPtr<IExtractIconA> extract =
            Select<IExtractIconA>({seltest::ObjectRecord(c.className, "x")}, IID_IExtractIconA);
        char file[MAX_PATH] = "";
        int index = 0;
        UINT flags = 0;
        EXPECT_EQ(c.expected, extract->GetIconLocation(0, file, MAX_PATH, &index, &flags)) << c.className;
        EXPECT_STREQ(c.file, file) << c.className;
        HICON large = nullptr, small = nullptr;
        HRESULT extracted = extract->Extract("f", 0, &large, &small, 0);
        EXPECT_EQ(c.expected == S_OK ? S_FALSE : c.expected, extracted) << "Extract, " << c.className;
    }
    TakeEvents();
}

TEST_F(ItemUIObjectTest, WideIconFormsConvertTextAndBoundTheBufferTo512Bytes)
{
    Register("User", "IconHandler", 1);
    Behaviour icon;
    lstrcpyA(icon.iconFile, "C:\\icons\\user.ico");
    icon.iconFlags = GIL_DONTCACHE;
    Behave(1, icon);
    ComPtr<IExtractIconW> extract = Select<IExtractIconW>({User("Alice")}, IID_IExtractIconW);
    wchar_t expected[64];
    MultiByteToWideChar(CP_ACP, 0, icon.iconFile, -1, expected, 64);

    for (UINT size : {1024u, 100u}) {
        wchar_t file[1024] = L"";
        int index = -1;
        UINT flags = 0;
        EXPECT_EQ(S_OK, extract->GetIconLocation(0, file, size, &index, &flags)) << size;
        EXPECT_STREQ(expected, file) << size;
    }
    wchar_t tiny[4] = L"zzz";
    int index = 0;
    UINT flags = 0;
    EXPECT_EQ(S_OK, extract->GetIconLocation(0, tiny, 4, &index, &flags));
    EXPECT_STREQ(L"C:\\", tiny) << "cut to the caller's size";

    HICON large = nullptr, small = nullptr;
    EXPECT_EQ(S_OK, extract->Extract(expected, 2, &large, &small, 16));
    Events events = TakeEvents();
    EXPECT_EQ((Events{"A GetIconLocation flags=0x0 size=512", "A GetIconLocation flags=0x0 size=100",
                      "A GetIconLocation flags=0x0 size=4"}),
              Only(events, "GetIconLocation"));
    EXPECT_EQ(Events{std::string("A Extract file=") + icon.iconFile + " index=2 sizes=0x10"}, Only(events, "Extract"));
}

// ---------------------------------------------------------------------------
// Context menus

TEST_F(ItemUIObjectTest, MenuHandlersFollowEachOtherInPositionAndIdentifiers)
{
    Register("User", "ContextMenuHandlers", 1, 0);
    Register("User", "ContextMenuHandlers", 2, 1);
    Behave(1, MenuItems(2));
    Behave(2, MenuItems(3));
    ComPtr<IContextMenu> menu = Select<IContextMenu>({User("Alice")}, IID_IContextMenu);
    orrel::Menu popup(CreatePopupMenu());
    InsertMenuA(popup.Get(), 0, MF_BYPOSITION | MF_STRING, 0x7F01, "Own");
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 5), menu->QueryContextMenu(popup.Get(), 1, 10, 100, CMF_EXPLORE));
    EXPECT_EQ((Events{"A QueryContextMenu position=1 first=10 last=100 flags=0x4",
                      "B QueryContextMenu position=3 first=12 last=100 flags=0x4"}),
              Only(TakeEvents(), "QueryContextMenu"));
    const char* texts[] = {"Own", "A0", "A1", "B0", "B1", "B2"};
    const UINT ids[] = {0x7F01, 10, 11, 12, 13, 14};
    ASSERT_EQ(6, GetMenuItemCount(popup.Get()));
    for (int i = 0; i < 6; ++i) {
        char text[16] = "";
        GetMenuStringA(popup.Get(), i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(texts[i], text) << "position " << i;
        EXPECT_EQ(ids[i], GetMenuItemID(popup.Get(), i)) << "position " << i;
    }
}

TEST_F(ItemUIObjectTest, FailingOrMissingMenuHandlersAddNothing)
{
    Register("User", "ContextMenuHandlers", 1, 0);
    Register("User", "ContextMenuHandlers", 2, 1);
    Register("User", "ContextMenuHandlers", 3, 2);
    Behaviour failing = MenuItems(4), noMenu = MenuItems(4);
    failing.menuResult = E_FAIL;
    noMenu.answers = seltest::ANSWERS_ICON;
    Behave(1, failing);
    Behave(2, noMenu);
    Behave(3, MenuItems(1));
    ComPtr<IContextMenu> menu = Select<IContextMenu>({User("Alice")}, IID_IContextMenu);
    orrel::Menu popup(CreatePopupMenu());
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1), menu->QueryContextMenu(popup.Get(), 0, 1, 50, 0));
    EXPECT_EQ((Events{"A QueryContextMenu position=0 first=1 last=50 flags=0x0",
                      "C QueryContextMenu position=0 first=1 last=50 flags=0x0"}),
              Only(TakeEvents(), "QueryContextMenu"));
}

TEST_F(ItemUIObjectTest, InvokeReachesEveryMenuHandlerAndHelpTextStopsAtTheFirstAnswer)
{
    for (int n = 1; n <= 3; ++n) Register("User", "ContextMenuHandlers", n, n);
    Behaviour silent = MenuItems(1), helpful = MenuItems(1);
    helpful.commandStringResult = S_OK;
    lstrcpyA(helpful.commandString, "Help of B");
    Behave(1, silent);
    Behave(2, helpful);
    Behave(3, helpful);
    ComPtr<IContextMenu> menu = Select<IContextMenu>({User("Alice")}, IID_IContextMenu);

    CMINVOKECOMMANDINFO info = {sizeof info, 0, nullptr, MAKEINTRESOURCEA(1), nullptr, nullptr, SW_SHOWNORMAL, 0, nullptr};
    EXPECT_EQ(S_OK, menu->InvokeCommand(&info));
    char text[32] = "";
    EXPECT_EQ(S_OK, menu->GetCommandString(1, GCS_HELPTEXTA, nullptr, text, sizeof text));
    EXPECT_STREQ("Help of B", text);
    Events events = TakeEvents();
    EXPECT_EQ((Events{"A InvokeCommand verb=1", "B InvokeCommand verb=1", "C InvokeCommand verb=1"}),
              Only(events, "InvokeCommand"));
    EXPECT_EQ((Events{"A GetCommandString id=1 type=0x1", "B GetCommandString id=1 type=0x1"}),
              Only(events, "GetCommandString"));
}

TEST_F(ItemUIObjectTest, HelpTextNoHandlerGaveIsNoSuccess)
{
    Register("User", "ContextMenuHandlers", 1);
    ComPtr<IContextMenu> menu = Select<IContextMenu>({User("Alice")}, IID_IContextMenu);
    char text[16] = "untouched";
    EXPECT_EQ(E_NOTIMPL, menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, text, sizeof text));
    EXPECT_STREQ("untouched", text);
    TakeEvents();
}

TEST_F(ItemUIObjectTest, WithoutMenuHandlersTheMenuIsEmptyAndCommandsFail)
{
    Register("User", "IconHandler", 1);
    ComPtr<IContextMenu> menu = Select<IContextMenu>({User("Alice")}, IID_IContextMenu);
    orrel::Menu popup(CreatePopupMenu());
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0), menu->QueryContextMenu(popup.Get(), 0, 1, 50, 0));
    CMINVOKECOMMANDINFO info = {sizeof info, 0, nullptr, MAKEINTRESOURCEA(0), nullptr, nullptr, SW_SHOWNORMAL, 0, nullptr};
    EXPECT_EQ(E_NOTIMPL, menu->InvokeCommand(&info));
    char text[8];
    EXPECT_EQ(E_NOTIMPL, menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, text, sizeof text));
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(ItemUIObjectTest, AHandlerHeldForIconsDoesNotHideTheOtherMenuHandlers)
{
    Register("User", "IconHandler", 1, 0);
    Register("User", "ContextMenuHandlers", 1, 0);
    Register("User", "ContextMenuHandlers", 2, 1);
    Behaviour both = MenuItems(1);
    both.iconFlags = GIL_DONTCACHE;
    Behave(1, both);
    Behave(2, MenuItems(1));
    ComPtr<IExtractIconA> icon = Select<IExtractIconA>({User("Alice")}, IID_IExtractIconA);
    char file[MAX_PATH];
    int index = 0;
    UINT flags = 0;
    EXPECT_EQ(S_OK, icon->GetIconLocation(0, file, MAX_PATH, &index, &flags));
    ComPtr<IContextMenu> menu;
    ASSERT_EQ(S_OK, icon.As(IID_IContextMenu, menu));
    orrel::Menu popup(CreatePopupMenu());
    EXPECT_EQ(2, HRESULT_CODE(menu->QueryContextMenu(popup.Get(), 0, 1, 50, 0)));
    Events events = TakeEvents();
    EXPECT_EQ((Events{"A Created", "B Created"}), Only(events, "Created"));
    EXPECT_EQ(2u, Only(events, "QueryContextMenu").size());
}

// ---------------------------------------------------------------------------
// Drop targets and drag sources

TEST_F(ItemUIObjectTest, DropTargetCallsAreForwardedAndENotImplMeansNoDrop)
{
    POINTL point = {3, 4};
    struct Case {
        const char* what;
        bool registered;
        DWORD answers;
        HRESULT handlerResult;
        HRESULT expected;
        DWORD effect;
    } cases[] = {
        {"no drop-target handler", false, seltest::ANSWERS_ALL, S_OK, S_OK, DROPEFFECT_NONE},
        {"handler does not take drops", true, seltest::ANSWERS_ALL, E_NOTIMPL, S_OK, DROPEFFECT_NONE},
        {"handler fails", true, seltest::ANSWERS_ALL, E_FAIL, E_FAIL, DROPEFFECT_COPY | DROPEFFECT_MOVE},
        {"handler takes it", true, seltest::ANSWERS_ALL, S_OK, S_OK, DROPEFFECT_LINK},
        {"handler is no drop target", true, seltest::ANSWERS_MENU, S_OK, E_NOINTERFACE,
         DROPEFFECT_COPY | DROPEFFECT_MOVE},
    };
    for (const Case& c : cases) {
        Fresh();
        Register("User", c.registered ? "DropTargetHandlers" : "IconHandler", 1);
        Behaviour drop;
        drop.dropResult = c.handlerResult;
        drop.dropEffect = DROPEFFECT_LINK;
        drop.answers = c.answers;
        Behave(1, drop);
        ComPtr<IDropTarget> target = Select<IDropTarget>({User("Alice")}, IID_IDropTarget);
        ComPtr<IDataObject> dropped;
        ASSERT_EQ(S_OK, target.As(IID_IDataObject, dropped));
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(c.expected, target->DragEnter(dropped.Get(), MK_LBUTTON, point, &effect)) << c.what;
        EXPECT_EQ(c.effect, effect) << "DragEnter effect, " << c.what;
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(c.expected, target->DragOver(MK_LBUTTON, point, &effect)) << c.what;
        EXPECT_EQ(c.effect, effect) << "DragOver effect, " << c.what;
        EXPECT_EQ(c.expected, target->DragLeave()) << c.what;
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(c.expected, target->Drop(dropped.Get(), MK_LBUTTON, point, &effect)) << c.what;
        EXPECT_EQ(c.effect, effect) << "Drop effect, " << c.what;
        Events expected;
        if (c.registered && (c.answers & seltest::ANSWERS_DROP))
            expected = {"A DragEnter keys=0x1 x=3 y=4 data=Alice", "A DragOver keys=0x1 x=3 y=4", "A DragLeave",
                        "A Drop keys=0x1 x=3 y=4 data=Alice"};
        Events events = TakeEvents();
        Events calls;
        for (const std::string& e : events)
            if (e.find(" Drag") == 1 || e.find(" Drop") == 1) calls.push_back(e);
        EXPECT_EQ(expected, calls) << c.what;
        target.Reset();
        dropped.Reset();
        EXPECT_EQ(0, g_server.live()) << c.what;
    }
}

TEST_F(ItemUIObjectTest, DragSourceIsForwardedOrAnswersENotImplWithoutHandler)
{
    Register("User", "DropSourceHandlers", 1);
    Register("Group", "IconHandler", 2);
    Behaviour source;
    source.sourceResult = DRAGDROP_S_USEDEFAULTCURSORS;
    Behave(1, source);
    ComPtr<IDropSource> user = Select<IDropSource>({User("Alice")}, IID_IDropSource);
    EXPECT_EQ(DRAGDROP_S_USEDEFAULTCURSORS, user->GiveFeedback(DROPEFFECT_MOVE));
    EXPECT_EQ(DRAGDROP_S_USEDEFAULTCURSORS, user->QueryContinueDrag(TRUE, MK_LBUTTON));
    Events events = TakeEvents();
    EXPECT_EQ(Events{"A GiveFeedback effect=0x2"}, Only(events, "GiveFeedback"));
    EXPECT_EQ(Events{"A QueryContinueDrag escape=1 keys=0x1"}, Only(events, "QueryContinueDrag"));

    ComPtr<IDropSource> group = Select<IDropSource>({Group("Staff")}, IID_IDropSource);
    EXPECT_EQ(E_NOTIMPL, group->QueryContinueDrag(FALSE, 0));
    EXPECT_EQ(E_NOTIMPL, group->GiveFeedback(DROPEFFECT_NONE));
    TakeEvents();
}

// ---------------------------------------------------------------------------
// The selection's data

TEST_F(ItemUIObjectTest, DataObjectCallsGoToTheSelectionOrAnswerTheNoDataCodes)
{
    Register("User", "IconHandler", 1);
    ComPtr<IDataObject> data = Select<IDataObject>({User("Alice"), User("Bob")}, IID_IDataObject);
    std::vector<ItemRecord> records;
    EXPECT_TRUE(orrel::ReadSelection(data.Get(), &records));
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("Bob", records[1].displayName);
    ComPtr<IEnumFORMATETC> formats;
    EXPECT_EQ(S_OK, data->EnumFormatEtc(DATADIR_GET, formats.Put()));
    FORMATETC format = orrel::ObjectFormatEtc();
    format.tymed = TYMED_FILE;
    EXPECT_EQ(DV_E_TYMED, data->QueryGetData(&format));
    DWORD connection = 0;
    EXPECT_EQ(OLE_E_ADVISENOTSUPPORTED, data->DAdvise(&format, 0, nullptr, &connection));

    // An object that was never given a selection has no data.
    ItemUIObject* bare = new ItemUIObject(Table());
    IDataObject* empty = static_cast<IDataObject*>(bare);
    STGMEDIUM medium = {};
    FORMATETC out = {};
    IEnumSTATDATA* advises = nullptr;
    EXPECT_EQ(E_NOTIMPL, empty->GetData(&format, &medium));
    EXPECT_EQ(E_NOTIMPL, empty->GetDataHere(&format, &medium));
    EXPECT_EQ(E_NOTIMPL, empty->QueryGetData(&format));
    EXPECT_EQ(E_NOTIMPL, empty->GetCanonicalFormatEtc(&format, &out));
    EXPECT_EQ(E_NOTIMPL, empty->SetData(&format, &medium, FALSE));
    EXPECT_EQ(OLE_S_USEREG, empty->EnumFormatEtc(DATADIR_GET, formats.Put()));
    EXPECT_EQ(OLE_E_ADVISENOTSUPPORTED, empty->DAdvise(&format, 0, nullptr, &connection));
    EXPECT_EQ(OLE_E_ADVISENOTSUPPORTED, empty->DUnadvise(connection));
    EXPECT_EQ(OLE_E_ADVISENOTSUPPORTED, empty->EnumDAdvise(&advises));
    bare->Release();
}

TEST_F(ItemUIObjectTest, LastReleaseReleasesEveryHandlerAndTheSelection)
{
    for (int n = 1; n <= 3; ++n) Register("User", "ContextMenuHandlers", n);
    Register("User", "IconHandler", 4);
    Behaviour icon;
    icon.iconFlags = GIL_DONTCACHE;
    Behave(4, icon);
    LONG before = orrel::Module::LockCount();
    ComPtr<IContextMenu> menu = Select<IContextMenu>({User("Alice")}, IID_IContextMenu);
    orrel::Menu popup(CreatePopupMenu());
    menu->QueryContextMenu(popup.Get(), 0, 1, 50, 0);
    ComPtr<IExtractIconA> icons;
    ASSERT_EQ(S_OK, menu.As(IID_IExtractIconA, icons));
    char file[MAX_PATH];
    int index = 0;
    UINT flags = 0;
    icons->GetIconLocation(0, file, MAX_PATH, &index, &flags);
    EXPECT_EQ(4, g_server.live());
    EXPECT_LT(before, orrel::Module::LockCount());
    TakeEvents();
    menu.Reset();
    EXPECT_EQ(4, g_server.live()) << "still referenced through IExtractIconA";
    icons.Reset();
    EXPECT_EQ(0, g_server.live());
    EXPECT_EQ(4u, Only(TakeEvents(), "Destroyed").size());
    EXPECT_EQ(before, orrel::Module::LockCount()) << "object and data object gone";
}

}  // namespace
