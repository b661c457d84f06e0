// The namespace model: the one in-memory tree of item records per process.
// Its configured part (the root, personal folders, shortcuts and trees) comes
// from the user's registry (config.h); its directory part is listed on demand.
//
// Ownership: every record lives in a node's children array and keeps its
// address until it is removed from the model (views and menus hold
// ItemRecord pointers into it and refill after every change). A children
// array is shared, so that an enumerator the shell still holds stays valid
// after its node went away.
//
// Threads: every member is used only while the calling thread holds the
// NamespaceLock (namespacelock.h, where the rule is written); the members
// below take it themselves, but a caller that walks a children array holds it
// for as long as it reads the array or its records. Views never read records
// of the model outside the lock: they copy what they show.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "orrel/core/itemidlist.h"
#include "orrel/core/itemrecord.h"
#include "orrel/core/namespacelock.h"

namespace orrel {

class ClassHandlerTable;

using ChildList = std::vector<std::unique_ptr<ItemRecord>>;
using ChildListPtr = std::shared_ptr<ChildList>;

// Shell change events the namespace sends (SHCNE_*).
enum ChangeEvent : LONG {
    CHANGE_RENAME_ITEM = 0x00000001,
    CHANGE_CREATE_ITEM = 0x00000002,
    CHANGE_DELETE_ITEM = 0x00000004,
    CHANGE_MAKE_FOLDER = 0x00000008,
    CHANGE_REMOVE_FOLDER = 0x00000010,
    CHANGE_UPDATE_DIR = 0x00001000,
};
constexpr UINT kChangeFlags = 0x1000;  // SHCNF_IDLIST | SHCNF_FLUSH

// Key of a record's node: "[Root]" for the root record; otherwise "[Folder]"
// (a folder with a Path), "[ShortCut]" (a shortcut with a Path), the length
// of Tree as one character followed by Tree, and the Path bytes.
std::string NodeKey(const ItemRecord& record);

// The same item: same Tree and Path, same container and tree bits.
bool SameItem(const ItemRecord& a, const ItemRecord& b);
// That identity as one string (equal strings exactly for SameItem items).
std::string ItemIdentity(const ItemRecord& record);
// Every field equal.
bool SameRecord(const ItemRecord& a, const ItemRecord& b);

// A personal folder, a shortcut or tree, or the root, without ITEM_NOEDIT:
// the items the user may rename and delete entries of.
bool CanEdit(const ItemRecord& record);

struct ModelNode {
    std::string key;
    ChildListPtr children = std::make_shared<ChildList>();
    bool configured = false;  // root, personal folders, shortcuts and trees
    bool loaded = false;      // the children were listed from the directory
    ItemRecord record;        // the container's own record
};

// Nodes in the order they were added, found by key.
class NodeList {
public:
    ModelNode* Find(const std::string& key) const;
    // Adds the node unless its key exists; returns the node with that key.
    ModelNode* Add(std::unique_ptr<ModelNode> node);
    // Removes and returns the node (null when there is none).
    std::unique_ptr<ModelNode> Remove(const std::string& key);
    std::size_t Size() const { return nodes_.size(); }
    ModelNode* At(std::size_t index) const { return nodes_[index].get(); }
    void Clear();

private:
    std::vector<std::unique_ptr<ModelNode>> nodes_;
    std::unordered_map<std::string, ModelNode*> index_;
};

// An open container view, refilled after every change of the model on the
// thread that owns its window: the model only posts kRefillViewMessage to
// ViewWindow(), at most one at a time (refillPosted is set when one is
// posted; the view clears it before it refills). A view registers once its
// window exists and unregisters before its window or itself goes.
class ModelView {
public:
    virtual HWND ViewWindow() const noexcept = 0;
    // Clears the posted mark; true when a refill message was outstanding.
    bool TakeRefill() noexcept { return InterlockedExchange(&refillPosted_, 0) != 0; }

protected:
    ~ModelView() = default;

private:
    friend class NamespaceModel;
    LONG refillPosted_ = 0;
};

class NamespaceModel {
public:
    // The class handler table decides which listed objects are shown; it
    // must outlive the model.
    explicit NamespaceModel(ClassHandlerTable& classes);
    NamespaceModel(const NamespaceModel&) = delete;
    NamespaceModel& operator=(const NamespaceModel&) = delete;

    ClassHandlerTable& Classes() const { return classes_; }
    NodeList& Nodes() { return nodes_; }
    const NodeList& Nodes() const { return nodes_; }
    ModelNode* FindNode(const ItemRecord& record) const { return nodes_.Find(NodeKey(record)); }
    ModelNode* Root() const;

    // The children of a record: from its node, listing a directory container
    // once; a node is made for a folder or the root at once and for a
    // directory container when its listing succeeds. Null when there is none.
    ChildListPtr ChildrenOf(const ItemRecord& record);

    // Remembers an absolute list under which the namespace root was bound
    // (once per distinct list): change notifications go to each.
    void AddRootId(LPCITEMIDLIST absolute);
    const std::vector<ItemIdList>& RootIds() const { return rootIds_; }

    // The open views.
    void AddView(ModelView* view);
    void RemoveView(ModelView* view);
    std::size_t ViewCount() const
    {
        NamespaceLock lock;
        return views_.size();
    }
    // Asks every open view but skip to refill (a posted message, so each
    // refills on its own thread; never a call into a view).
    void RefreshViews(const ModelView* skip = nullptr);

    // The record of the node whose children hold the item (null for none).
    const ItemRecord* ParentOf(const ItemRecord& record) const;
    // The item's entries below the namespace root, outermost ancestor first,
    // the item's own entry last (bytes without terminator). Empty for the
    // root record. False when an entry cannot be made.
    bool RelativeEntries(const ItemRecord& record, std::vector<std::uint8_t>* entries) const;

    // Sends the event for the item under every root list.
    void NotifyItem(const ItemRecord& record, LONG event) const;
    // Sends the event for a folder's list followed by one more entry (an item
    // not, or no longer, in the model).
    void NotifyChild(const ItemRecord& parent, const ItemRecord& child, LONG event) const;
    // Sends a two-item event (a rename) for every root list.
    void NotifyRename(const std::vector<std::uint8_t>& oldEntries,
                      const std::vector<std::uint8_t>& newEntries) const;
    // Sends "directory updated" for every root list.
    void NotifyAllRoots() const;
    // Sends the event for every root list followed by the given entries.
    void NotifyEntries(LONG event, const std::vector<std::uint8_t>& entries) const;

    // Replaces a listed node's children by a new listing, keeping the records
    // (and their addresses) of items that are still there.
    static void MergeChildren(ChildList& children, std::vector<ItemRecord>&& listed);

private:
    ClassHandlerTable& classes_;
    NodeList nodes_;
    std::vector<ItemIdList> rootIds_;
    std::vector<ModelView*> views_;
};

// A list made of entry bytes (without terminator) and a terminator; an empty
// ItemIdList when memory fails.
ItemIdList ListFromEntries(LPCITEMIDLIST prefix, const std::vector<std::uint8_t>& entries,
                           ListAllocator allocator);

}  // namespace orrel
