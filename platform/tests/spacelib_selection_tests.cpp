// The selection library through its exports, fed by a real IDataObject that
// serves "Orrel::Object" data the way the namespace's data object does.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "halvet/spacelib.h"
#include "orrel/core/itemid.h"
#include "orrel/core/itemrecord.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

UINT ObjectFormat()
{
    return RegisterClipboardFormatA("Orrel::Object");
}

// Counts the releases of the media it hands out.
class ReleaseCounter final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    LONG refs = 0;
};

// A data object that serves one block of bytes in a chosen format and
// medium. The global memory it hands out carries a release object, so the
// test sees whether the library released the medium, and frees it itself.
class BlockDataObject final : public IDataObject {
public:
    BlockDataObject(Bytes block, UINT format, DWORD tymed = TYMED_HGLOBAL)
        : block_(std::move(block)), format_(format), tymed_(tymed)
    {
    }
    ~BlockDataObject()
    {
        for (HGLOBAL memory : handed_) GlobalFree(memory);
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDataObject) return E_NOINTERFACE;
        *ppv = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }

    STDMETHODIMP GetData(FORMATETC* etc, STGMEDIUM* medium) override
    {
        ++getDataCalls;
        if (!etc || !medium) return E_INVALIDARG;
        lastRequest = *etc;
        if (etc->cfFormat != format_) return DV_E_FORMATETC;
        if (etc->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
        if (etc->lindex != -1) return DV_E_LINDEX;
        if (!(etc->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
        HGLOBAL memory = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, block_.empty() ? 1 : block_.size());
        if (!memory) return E_OUTOFMEMORY;
        if (!block_.empty()) std::memcpy(GlobalLock(memory), block_.data(), block_.size());
        GlobalUnlock(memory);
        handed_.push_back(memory);
        medium->tymed = tymed_;
        medium->hGlobal = memory;
        medium->pUnkForRelease = &releases;
        releases.AddRef();
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    ReleaseCounter releases;
    int getDataCalls = 0;
    FORMATETC lastRequest = {};

private:
    Bytes block_;
    UINT format_;
    DWORD tymed_;
    LONG refs_ = 1;
    std::vector<HGLOBAL> handed_;
};

orrel::ItemRecord Record(std::uint32_t flags, const char* display, const char* cls,
                         const char* dottedPath, const char* tree, const char* server = "")
{
    orrel::ItemRecord record;
    record.flags = flags;
    record.displayName = display;
    record.className = cls;
    if (*dottedPath) {
        EXPECT_TRUE(orrel::EncodePath(dottedPath, &record.path)) << dottedPath;
    }
    record.tree = tree;
    record.server = server;
    return record;
}

orrel::ItemRecord User(const char* name, const char* dottedPath)
{
    return Record(0, name, "User", dottedPath, "ORREL_TREE");
}

// One identifier list per record, each a single entry of ours.
Bytes Block(const std::vector<orrel::ItemRecord>& records)
{
    std::vector<Bytes> lists;
    for (const auto& record : records) {
        Bytes list;
        EXPECT_TRUE(orrel::AppendItemEntry(record, &list));
        lists.push_back(list);
    }
    Bytes block;
    EXPECT_TRUE(orrel::BuildObjectBlock(lists, &block));
    return block;
}

// The record of one object, copied out of the library's strings.
struct Seen {
    std::string display, object, tree, cls, server, context;
};

// Opens, reads every object and closes, as the extension DLLs do.
bool ReadAll(IDataObject* data, std::vector<Seen>* seen)
{
    HSELECTION selection = nullptr;
    if (!SelectionOpen(data, &selection)) {
        EXPECT_EQ(nullptr, selection) << "a failed open leaves no handle";
        return false;
    }
    int count = SelectionCount(selection);
    for (int i = 0; i < count; ++i) {
        SelectedObject object;
        if (!SelectionGetObject(selection, i, &object)) {
            ADD_FAILURE() << "object " << i << " of " << count << " could not be read";
            continue;
        }
        seen->push_back({object.displayName, object.objectName, object.treeName, object.className,
                         object.serverName, object.nameContext});
        SelectionFreeObject(&object);
        EXPECT_EQ(nullptr, object.objectName) << "the record is emptied when freed";
    }
    SelectionClose(selection);
    return true;
}

TEST(SelectionRead, OneUserGivesItsAbsoluteNameTreeClassAndRootContext)
{
    BlockDataObject data(Block({User("Admin", ".Admin.Sales.Corp")}), ObjectFormat());
    std::vector<Seen> seen;
    ASSERT_TRUE(ReadAll(&data, &seen));
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("Admin", seen[0].display);
    EXPECT_EQ(".Admin.Sales.Corp", seen[0].object);
    EXPECT_EQ("ORREL_TREE", seen[0].tree);
    EXPECT_EQ("User", seen[0].cls);
    EXPECT_EQ("", seen[0].server);
    EXPECT_EQ("[Root]", seen[0].context);
}

TEST(SelectionRead, DirectoryObjectsComeInBlockOrder)
{
    struct Case {
        const char* what;
        std::vector<orrel::ItemRecord> items;
        std::vector<std::string> objects;  // expected object names, in order
        std::vector<std::string> classes;
    } cases[] = {
        {"two users",
         {User("Admin", ".Admin.Sales.Corp"), User("jdoe", ".jdoe.Engineering.Corp")},
         {".Admin.Sales.Corp", ".jdoe.Engineering.Corp"},
         {"User", "User"}},
        {"shortcut into the directory",
         {Record(orrel::ITEM_SHORTCUT | orrel::ITEM_CONTAINER, "Corp", "Organization", ".Corp",
                 "ORREL_TREE")},
         {".Corp"},
         {"Organization"}},
        {"configured tree is the root of its tree",
         {Record(orrel::ITEM_TREE | orrel::ITEM_SHORTCUT | orrel::ITEM_CONTAINER, "ORREL_TREE",
                 orrel::kTreeRootClass, "", "ORREL_TREE", "FS1")},
         {"[Root]"},
         {"Tree Root"}},
        {"alias and partition root keep their names",
         {Record(orrel::ITEM_ALIAS, "Boss", "User", ".Boss.Corp", "ORREL_TREE"),
          Record(orrel::ITEM_PARTITION_ROOT | orrel::ITEM_CONTAINER, "Engineering",
                 "Organizational Unit", ".Engineering.Corp", "ORREL_TREE")},
         {".Boss.Corp", ".Engineering.Corp"},
         {"User", "Organizational Unit"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BlockDataObject data(Block(c.items), ObjectFormat());
        std::vector<Seen> seen;
        ASSERT_TRUE(ReadAll(&data, &seen));
        ASSERT_EQ(c.objects.size(), seen.size());
        for (std::size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(c.objects[i], seen[i].object) << "object " << i;
            EXPECT_EQ(c.classes[i], seen[i].cls) << "object " << i;
            EXPECT_EQ("[Root]", seen[i].context) << "object " << i;
        }
    }
}

TEST(SelectionRead, PersonalFoldersComeWithTheirFolderPathAndNoTree)
{
    BlockDataObject data(
        Block({User("Admin", ".Admin.Sales.Corp"),
               Record(orrel::ITEM_FOLDER | orrel::ITEM_CONTAINER, "Sub", orrel::kFolderClass,
                      "\\Projects\\Sub", "")}),
        ObjectFormat());
    std::vector<Seen> seen;
    ASSERT_TRUE(ReadAll(&data, &seen));
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(".Admin.Sales.Corp", seen[0].object);
    EXPECT_EQ("Projects\\Sub", seen[1].object);
    EXPECT_EQ("Ombra::Folder", seen[1].cls);
    EXPECT_EQ("", seen[1].tree) << "no directory object behind a folder";
    EXPECT_EQ("", seen[1].context);
    EXPECT_EQ("Sub", seen[1].display);
}

TEST(SelectionRead, ConfiguredTreeCarriesItsServer)
{
    BlockDataObject data(Block({Record(orrel::ITEM_TREE | orrel::ITEM_SHORTCUT | orrel::ITEM_CONTAINER,
                                       "SMALL_TREE", orrel::kTreeRootClass, "", "SMALL_TREE", "FS9")}),
                         ObjectFormat());
    std::vector<Seen> seen;
    ASSERT_TRUE(ReadAll(&data, &seen));
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("SMALL_TREE", seen[0].tree);
    EXPECT_EQ("FS9", seen[0].server);
    EXPECT_EQ("SMALL_TREE", seen[0].display);
}

TEST(SelectionRead, DeepNameWithLongestLabelsIsWhole)
{
    std::string label(127, 'x');
    std::string dotted = "." + label + ".Engineering.Corp";
    BlockDataObject data(Block({User(label.c_str(), dotted.c_str())}), ObjectFormat());
    std::vector<Seen> seen;
    ASSERT_TRUE(ReadAll(&data, &seen));
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(dotted, seen[0].object);
}

TEST(SelectionRead, MediumIsAskedAsHGlobalContentWholeAndReleasedOnce)
{
    BlockDataObject data(Block({User("Admin", ".Admin.Sales.Corp")}), ObjectFormat());
    HSELECTION selection = nullptr;
    ASSERT_NE(0, SelectionOpen(&data, &selection));
    EXPECT_EQ(1, data.getDataCalls);
    EXPECT_EQ(ObjectFormat(), data.lastRequest.cfFormat);
    EXPECT_EQ(static_cast<DWORD>(DVASPECT_CONTENT), data.lastRequest.dwAspect);
    EXPECT_EQ(-1, data.lastRequest.lindex);
    EXPECT_EQ(static_cast<DWORD>(TYMED_HGLOBAL), data.lastRequest.tymed);
    EXPECT_EQ(nullptr, data.lastRequest.ptd);
    EXPECT_EQ(0, data.releases.refs) << "the medium was released by the time the selection opened";
    SelectionClose(selection);
}

TEST(SelectionRefused, SelectionsWithoutDirectoryObjectsDoNotOpen)
{
    struct Case {
        const char* what;
        std::vector<orrel::ItemRecord> items;
    } cases[] = {
        {"no item at all", {}},
        {"the namespace root record", {orrel::ItemRecord()}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BlockDataObject data(Block(c.items), ObjectFormat());
        HSELECTION selection = reinterpret_cast<HSELECTION>(1);
        EXPECT_EQ(0, SelectionOpen(&data, &selection));
        EXPECT_EQ(nullptr, selection);
        EXPECT_EQ(0, data.releases.refs) << "medium released";
    }
}

void Put16(Bytes* b, std::size_t at, std::uint16_t v)
{
    (*b)[at] = static_cast<std::uint8_t>(v & 0xFF);
    (*b)[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes* b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(SelectionRefused, MalformedBlocksAreRefusedWithoutReadingPastTheData)
{
    const Bytes good = Block({User("Admin", ".Admin.Sales.Corp"), User("jdoe", ".jdoe.Sales.Corp")});
    const std::size_t firstCb = good[4] | (good[5] << 8);
    struct Case {
        const char* what;
        Bytes block;
    };
    std::vector<Case> cases;
    cases.push_back({"shorter than its count", Bytes(good.begin(), good.begin() + 3)});
    cases.push_back({"cut inside the first entry", Bytes(good.begin(), good.begin() + 4 + firstCb / 2)});
    cases.push_back({"cut before the second list", Bytes(good.begin(), good.begin() + 4 + firstCb + 2)});
    cases.push_back({"cut before the last terminator", Bytes(good.begin(), good.end() - 2)});
    {
        Bytes b = good;
        Put32(&b, 0, 3);
        cases.push_back({"count one too large", b});
    }
    {
        Bytes b = good;
        Put32(&b, 0, 0xFFFFFFFFu);
        cases.push_back({"count of four thousand million", b});
    }
    {
        Bytes b = good;
        Put16(&b, 4, static_cast<std::uint16_t>(good.size() + 100));
        cases.push_back({"cb past the end of the block", b});
    }
    {
        Bytes b = good;
        Put16(&b, 4, 1);
        cases.push_back({"cb of one", b});
    }
    {
        Bytes b = good;
        Put16(&b, 4, 0xFFFF);
        cases.push_back({"cb of 65535", b});
    }
    {
        // A list of another namespace: same layout, another class identifier.
        Bytes b = good;
        b[4 + 4] ^= 0xFF;
        cases.push_back({"entry of another namespace", b});
    }
    {
        Bytes b(4 + 20 + 2, 0);
        Put32(&b, 0, 1);
        Put16(&b, 4, 20);
        b[6] = orrel::kEntrySignature;
        std::memcpy(&b[8], orrel::kNamespaceClsidBytes, 16);
        cases.push_back({"bare desktop entry", b});
    }
    {
        // One of our entries whose record's first count runs past the entry:
        // the record does not deserialise and gives no object.
        Bytes b = Block({User("Admin", ".Admin.Sales.Corp")});
        Put16(&b, 4 + 20, 0x7FFF);
        cases.push_back({"record with a count past its entry", b});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BlockDataObject data(c.block, ObjectFormat());
        HSELECTION selection = nullptr;
        int opened = SelectionOpen(&data, &selection);
        EXPECT_EQ(0, opened) << "block of " << c.block.size() << " bytes was accepted";
        if (opened) SelectionClose(selection);
        EXPECT_EQ(nullptr, selection);
    }
}

TEST(SelectionRefused, DataObjectsWithoutTheFormatOrMediumAreRefused)
{
    const Bytes good = Block({User("Admin", ".Admin.Sales.Corp")});
    {
        SCOPED_TRACE("another clipboard format only");
        BlockDataObject data(good, CF_TEXT);
        HSELECTION selection = nullptr;
        EXPECT_EQ(0, SelectionOpen(&data, &selection));
        EXPECT_EQ(1, data.getDataCalls) << "the library asks once";
    }
    {
        SCOPED_TRACE("a medium of another kind");
        BlockDataObject data(good, ObjectFormat(), TYMED_FILE);
        HSELECTION selection = nullptr;
        EXPECT_EQ(0, SelectionOpen(&data, &selection));
        EXPECT_EQ(0, data.releases.refs) << "the unexpected medium was released too";
    }
    {
        SCOPED_TRACE("no data object");
        HSELECTION selection = reinterpret_cast<HSELECTION>(1);
        EXPECT_EQ(0, SelectionOpen(nullptr, &selection));
        EXPECT_EQ(nullptr, selection);
    }
    {
        SCOPED_TRACE("no place for the handle");
        BlockDataObject data(good, ObjectFormat());
        EXPECT_EQ(0, SelectionOpen(&data, nullptr));
    }
}

TEST(SelectionHandle, OutOfRangeIndexesAndStaleHandlesFailCleanly)
{
    BlockDataObject data(Block({User("Admin", ".Admin.Sales.Corp"), User("jdoe", ".jdoe.Sales.Corp")}),
                         ObjectFormat());
    HSELECTION selection = nullptr;
    ASSERT_NE(0, SelectionOpen(&data, &selection));
    ASSERT_EQ(2, SelectionCount(selection));

    for (int index : {-1, 2, 1000}) {
        SelectedObject object;
        std::memset(&object, 0xCC, sizeof object);
        EXPECT_EQ(0, SelectionGetObject(selection, index, &object)) << "index " << index;
        EXPECT_EQ(nullptr, object.objectName) << "index " << index << ": record left unfilled";
        SelectionFreeObject(&object);  // harmless on an unfilled record
    }
    EXPECT_EQ(0, SelectionGetObject(selection, 0, nullptr));

    // Each object may be read twice, and the copies are independent.
    SelectedObject a, b;
    ASSERT_NE(0, SelectionGetObject(selection, 1, &a));
    ASSERT_NE(0, SelectionGetObject(selection, 1, &b));
    EXPECT_NE(a.objectName, b.objectName);
    EXPECT_STREQ(".jdoe.Sales.Corp", b.objectName);
    SelectionFreeObject(&a);
    EXPECT_STREQ(".jdoe.Sales.Corp", b.objectName);
    SelectionFreeObject(&b);

    SelectionClose(selection);
    EXPECT_EQ(0, SelectionCount(selection)) << "a closed handle counts nothing";
    SelectedObject object;
    EXPECT_EQ(0, SelectionGetObject(selection, 0, &object));
    SelectionClose(selection);  // a second close is ignored
    SelectionClose(nullptr);
    EXPECT_EQ(0, SelectionCount(nullptr));
}

TEST(SelectionHandle, SelectionsOfOneDataObjectAreIndependent)
{
    BlockDataObject data(Block({User("Admin", ".Admin.Sales.Corp")}), ObjectFormat());
    HSELECTION first = nullptr, second = nullptr;
    ASSERT_NE(0, SelectionOpen(&data, &first));
    ASSERT_NE(0, SelectionOpen(&data, &second));
    EXPECT_NE(first, second);
    SelectionClose(first);
    EXPECT_EQ(1, SelectionCount(second)) << "closing one selection leaves the other";
    SelectionClose(second);
}

}  // namespace
