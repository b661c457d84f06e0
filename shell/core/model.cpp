// The namespace model: nodes of children arrays, the lists under which the
// root was bound, the open views, and the change notifications built from
// the model's parent chain.
#include "orrel/core/model.h"

#include <algorithm>
#include <cstring>

#include "orrel/core/classhandlers.h"
#include "orrel/core/dirsession.h"
#include "orrel/core/itemid.h"

namespace orrel {

namespace {

// Deeper ancestor chains than this are taken for a loop in the model.
constexpr int kMaxAncestors = 256;

}  // namespace

std::string ItemIdentity(const ItemRecord& r)
{
    std::string key;
    key.reserve(r.tree.size() + r.path.size() + 3);
    key += static_cast<char>('0' + ((r.flags & ITEM_CONTAINER) ? 1 : 0) +
                             ((r.flags & ITEM_TREE) ? 2 : 0));
    key += r.tree;
    key += '\0';
    key += r.path;
    return key;
}

std::string NodeKey(const ItemRecord& record)
{
    if (record.IsRoot()) return "[Root]";
    std::string key;
    if ((record.flags & ITEM_FOLDER) && !record.path.empty()) key += "[Folder]";
    if ((record.flags & ITEM_SHORTCUT) && !record.path.empty()) key += "[ShortCut]";
    if (!record.tree.empty()) {
        key += static_cast<char>(static_cast<unsigned char>(record.tree.size() & 0xFF));
        key += record.tree;
    }
    key += record.path;
    return key;
}

bool SameItem(const ItemRecord& a, const ItemRecord& b)
{
    constexpr std::uint32_t bits = ITEM_CONTAINER | ITEM_TREE;
    return (a.flags & bits) == (b.flags & bits) && a.tree == b.tree && a.path == b.path;
}

bool SameRecord(const ItemRecord& a, const ItemRecord& b)
{
    return a.flags == b.flags && a.displayName == b.displayName && a.className == b.className &&
           a.path == b.path && a.tree == b.tree && a.server == b.server;
}

bool CanEdit(const ItemRecord& record)
{
    if (record.flags & ITEM_NOEDIT) return false;
    return record.IsRoot() || (record.flags & (ITEM_FOLDER | ITEM_SHORTCUT | ITEM_TREE)) != 0;
}

// ---------------------------------------------------------------------------
// NodeList

ModelNode* NodeList::Find(const std::string& key) const
{
    auto it = index_.find(key);
    return it == index_.end() ? nullptr : it->second;
}

ModelNode* NodeList::Add(std::unique_ptr<ModelNode> node)
{
    if (!node) return nullptr;
    if (ModelNode* existing = Find(node->key)) return existing;
    ModelNode* raw = node.get();
    nodes_.push_back(std::move(node));
    try {
        index_.emplace(raw->key, raw);
    } catch (...) {
        nodes_.pop_back();
        throw;
    }
    return raw;
}

std::unique_ptr<ModelNode> NodeList::Remove(const std::string& key)
{
    auto it = index_.find(key);
    if (it == index_.end()) return nullptr;
    ModelNode* raw = it->second;
    index_.erase(it);
    for (auto node = nodes_.begin(); node != nodes_.end(); ++node) {
        if (node->get() == raw) {
            std::unique_ptr<ModelNode> out = std::move(*node);
            nodes_.erase(node);
            return out;
        }
    }
    return nullptr;
}

void NodeList::Clear()
{
    index_.clear();
    nodes_.clear();
}

// ---------------------------------------------------------------------------
// NamespaceModel

NamespaceModel::NamespaceModel(ClassHandlerTable& classes) : classes_(classes) {}

ModelNode* NamespaceModel::Root() const
{
    return nodes_.Find("[Root]");
}

ChildListPtr NamespaceModel::ChildrenOf(const ItemRecord& record)
{
    NamespaceLock lock;
    const std::string key = NodeKey(record);
    const bool listed = !record.IsFolder() && !record.IsRoot();
    if (ModelNode* node = nodes_.Find(key)) {
        if (!node->children) node->children = std::make_shared<ChildList>();
        if (!node->loaded && listed) {
            std::vector<ItemRecord> children;
            if (ListChildren(record, classes_, &children)) {
                MergeChildren(*node->children, std::move(children));
                node->loaded = true;
            }
        }
        return node->children;
    }

    auto node = std::make_unique<ModelNode>();
    node->key = key;
    node->record = record;
    if (listed) {
        std::vector<ItemRecord> children;
        if (!ListChildren(record, classes_, &children)) return nullptr;
        MergeChildren(*node->children, std::move(children));
        node->loaded = true;
    } else {
        node->configured = true;
    }
    return nodes_.Add(std::move(node))->children;
}

void NamespaceModel::MergeChildren(ChildList& children, std::vector<ItemRecord>&& listed)
{
    std::unordered_map<std::string, std::size_t> old;
    old.reserve(children.size());
    for (std::size_t i = 0; i < children.size(); ++i)
        if (children[i]) old.emplace(ItemIdentity(*children[i]), i);

    ChildList merged;
    merged.reserve(listed.size());
    for (ItemRecord& record : listed) {
        auto it = old.find(ItemIdentity(record));
        if (it != old.end() && children[it->second]) {
            std::unique_ptr<ItemRecord> kept = std::move(children[it->second]);
            *kept = std::move(record);
            merged.push_back(std::move(kept));
        } else {
            merged.push_back(std::make_unique<ItemRecord>(std::move(record)));
        }
    }
    children.swap(merged);
}

void NamespaceModel::AddRootId(LPCITEMIDLIST absolute)
{
    if (!absolute) return;
    NamespaceLock lock;
    for (const ItemIdList& known : rootIds_)
        if (known.Equals(absolute)) return;
    ItemIdList copy = ItemIdList::Copy(absolute, ListAllocator::Heap);
    if (copy) rootIds_.push_back(std::move(copy));
}

void NamespaceModel::AddView(ModelView* view)
{
    NamespaceLock lock;
    if (view && std::find(views_.begin(), views_.end(), view) == views_.end())
        views_.push_back(view);
}

void NamespaceModel::RemoveView(ModelView* view)
{
    NamespaceLock lock;
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void NamespaceModel::RefreshViews(const ModelView* skip)
{
    NamespaceLock lock;
    for (ModelView* view : views_) {
        if (view == skip) continue;
        if (InterlockedExchange(&view->refillPosted_, 1) != 0) continue;  // one is queued
        HWND window = view->ViewWindow();
        if (!window || !PostMessageA(window, kRefillViewMessage, 0, 0))
            InterlockedExchange(&view->refillPosted_, 0);
    }
}

const ItemRecord* NamespaceModel::ParentOf(const ItemRecord& record) const
{
    NamespaceLock lock;
    for (std::size_t n = 0; n < nodes_.Size(); ++n) {
        const ModelNode* node = nodes_.At(n);
        if (!node->children) continue;
        for (const auto& child : *node->children)
            if (child && SameItem(*child, record)) return &node->record;
    }
    return nullptr;
}

bool NamespaceModel::RelativeEntries(const ItemRecord& record,
                                     std::vector<std::uint8_t>* entries) const
{
    entries->clear();
    if (record.IsRoot()) return true;
    NamespaceLock lock;
    std::vector<const ItemRecord*> chain{&record};
    const ItemRecord* current = &record;
    for (int depth = 0; depth < kMaxAncestors; ++depth) {
        const ItemRecord* parent = ParentOf(*current);
        if (!parent || parent->IsRoot()) break;
        bool seen = false;
        for (const ItemRecord* link : chain)
            if (SameItem(*link, *parent)) seen = true;
        if (seen) break;  // a loop of shortcuts: stop where it closes
        chain.push_back(parent);
        current = parent;
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        if (!AppendItemEntry(**it, entries)) return false;
    return true;
}

void NamespaceModel::NotifyEntries(LONG event, const std::vector<std::uint8_t>& entries) const
{
    // Sent once the lock is left: the shell calls back into the model.
    NamespaceLock lock;
    for (const ItemIdList& root : rootIds_)
        NotifyShell(event, kChangeFlags, ListFromEntries(root.Get(), entries, ListAllocator::Heap),
                    ItemIdList());
}

void NamespaceModel::NotifyItem(const ItemRecord& record, LONG event) const
{
    std::vector<std::uint8_t> entries;
    if (RelativeEntries(record, &entries)) NotifyEntries(event, entries);
}

void NamespaceModel::NotifyChild(const ItemRecord& parent, const ItemRecord& child,
                                 LONG event) const
{
    std::vector<std::uint8_t> entries;
    if (RelativeEntries(parent, &entries) && AppendItemEntry(child, &entries))
        NotifyEntries(event, entries);
}

void NamespaceModel::NotifyRename(const std::vector<std::uint8_t>& oldEntries,
                                  const std::vector<std::uint8_t>& newEntries) const
{
    NamespaceLock lock;
    for (const ItemIdList& root : rootIds_) {
        ItemIdList from = ListFromEntries(root.Get(), oldEntries, ListAllocator::Heap);
        ItemIdList to = ListFromEntries(root.Get(), newEntries, ListAllocator::Heap);
        if (from && to) NotifyShell(CHANGE_RENAME_ITEM, kChangeFlags, std::move(from), std::move(to));
    }
}

void NamespaceModel::NotifyAllRoots() const
{
    NotifyEntries(CHANGE_UPDATE_DIR, {});
}

ItemIdList ListFromEntries(LPCITEMIDLIST prefix, const std::vector<std::uint8_t>& entries,
                           ListAllocator allocator)
{
    const std::size_t prefixBytes = prefix ? IdListSize(prefix) : 0;
    std::vector<std::uint8_t> bytes(prefixBytes + entries.size() + 2, 0);
    if (prefixBytes) std::memcpy(bytes.data(), prefix, prefixBytes);
    if (!entries.empty()) std::memcpy(bytes.data() + prefixBytes, entries.data(), entries.size());
    return ItemIdList::Copy(reinterpret_cast<LPCITEMIDLIST>(bytes.data()), allocator);
}

}  // namespace orrel
