// The stored configuration of trees, personal folders and shortcuts.
#include "orrel/core/config.h"

#include <cstring>
#include <unordered_set>

#include "orrel/core/dirsession.h"
#include "orrel/core/itemid.h"

namespace orrel {

const char kNamespaceKey[] = "Software\\Halvet\\Orrel Namespace";
const char kFoldersKey[] = "Software\\Halvet\\Orrel Namespace\\Folders";
const char kTreesKey[] = "Software\\Halvet\\Orrel Namespace\\Trees";

namespace {

// Deeper stored trees than this are not read or copied: registry links can
// make a key its own descendant.
constexpr int kMaxConfigDepth = 128;
constexpr std::size_t kMaxLabel = 127;

std::string Folders(const std::string& relative)
{
    return relative.empty() ? std::string(kFoldersKey) : std::string(kFoldersKey) + "\\" + relative;
}

// The Path of a personal folder stored under a key: its key path below
// "Folders", one label per level. A folder's key is where it lives, whatever
// its stored "DN" says (entries saved by the search extension store the last
// level alone). False when the key path is not a sequence of labels.
bool FolderPathFromKey(const std::string& keyPath, std::string* path)
{
    std::string encoded;
    if (!EncodePath("\\" + keyPath, &encoded)) return false;
    if (DecodePath(encoded, false, '\\') != keyPath) return false;  // a "." in a level
    *path = std::move(encoded);
    return true;
}

// The entries of a record's node, then one more entry.
bool ChildEntries(const NamespaceModel& model, const ItemRecord& parent, const ItemRecord& child,
                  std::vector<std::uint8_t>* entries)
{
    return model.RelativeEntries(parent, entries) && AppendItemEntry(child, entries);
}

LONG CreatedEvent(const ItemRecord& item)
{
    return item.IsContainer() ? CHANGE_MAKE_FOLDER : CHANGE_CREATE_ITEM;
}

LONG RemovedEvent(const ItemRecord& item)
{
    return item.IsContainer() ? CHANGE_REMOVE_FOLDER : CHANGE_DELETE_ITEM;
}

bool WriteText(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

std::string ReadText(const RegKey& key, const char* name)
{
    std::string text;
    if (key.QueryString(name, &text) != ERROR_SUCCESS) text.clear();
    return text;
}

void LoadKey(const RegKey& key, const std::string& keyPath, ModelNode& node, NodeList& nodes,
             int depth)
{
    for (DWORD index = 0;; ++index) {
        std::string name;
        if (key.EnumKey(index, &name) != ERROR_SUCCESS) break;
        RegKey sub;
        if (sub.Open(key.Get(), name.c_str(), KEY_READ) != ERROR_SUCCESS) continue;
        const std::string subPath = keyPath.empty() ? name : keyPath + "\\" + name;

        ItemRecord record;
        if (!ReadConfigRecord(sub.Get(), &record)) continue;
        if (record.displayName.empty()) continue;
        if (record.IsFolder()) {
            if (!FolderPathFromKey(subPath, &record.path)) continue;
        } else {
            if (!IsWellFormedPath(record.path)) continue;
            if (record.className.empty() && !CompleteShortcut(&record)) continue;
        }
        node.children->push_back(std::make_unique<ItemRecord>(record));

        if (record.IsContainer() && depth < kMaxConfigDepth) {
            const std::string childKey = NodeKey(record);
            if (nodes.Find(childKey)) continue;
            auto child = std::make_unique<ModelNode>();
            child->key = childKey;
            child->configured = true;
            child->record = record;
            ModelNode* added = nodes.Add(std::move(child));
            LoadKey(sub, subPath, *added, nodes, depth + 1);
        }
    }
}

bool CopyValues(HKEY from, HKEY to)
{
    DWORD maxName = 0, maxData = 0;
    if (RegQueryInfoKeyA(from, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<char> name(maxName + 2);
    std::vector<BYTE> data(maxData + 1);
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG rc = RegEnumValueA(from, index, name.data(), &nameSize, nullptr, &type, data.data(),
                                &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) return true;
        if (rc != ERROR_SUCCESS) return false;
        if (RegSetValueExA(to, name.data(), 0, type, data.data(), dataSize) != ERROR_SUCCESS)
            return false;
    }
}

bool CopyTree(HKEY from, HKEY to, const std::string& oldPrefix, const std::string& newPrefix,
              int depth)
{
    if (depth > kMaxConfigDepth) return false;
    if (!CopyValues(from, to)) return false;

    // A personal folder's Path follows its new place.
    ItemRecord record;
    if (ReadConfigRecord(from, &record) && record.IsFolder() &&
        record.path.compare(0, oldPrefix.size(), oldPrefix) == 0 &&
        record.path.size() >= oldPrefix.size()) {
        std::string path = newPrefix + record.path.substr(oldPrefix.size());
        if (RegSetValueExA(to, "DN", 0, REG_BINARY, reinterpret_cast<const BYTE*>(path.c_str()),
                           static_cast<DWORD>(path.size() + 1)) != ERROR_SUCCESS)
            return false;
    }

    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD size = sizeof name;
        LONG rc = RegEnumKeyExA(from, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return true;
        if (rc != ERROR_SUCCESS) return false;
        RegKey oldSub, newSub;
        if (oldSub.Open(from, name, KEY_READ) != ERROR_SUCCESS ||
            newSub.Create(to, name) != ERROR_SUCCESS ||
            !CopyTree(oldSub.Get(), newSub.Get(), oldPrefix, newPrefix, depth + 1))
            return false;
    }
}

// Adds the item to the folder's children and stores it; no notification.
bool AddToFolderQuiet(NamespaceModel& model, const ItemRecord& item, const ItemRecord& folder)
{
    if (!folder.IsFolder() && !folder.IsRoot()) return false;
    if (item.displayName.empty()) return false;
    if (item.IsFolder()) {
        // A folder is filed exactly one level below its parent folder.
        const std::string parentPath = folder.IsFolder() ? folder.path : std::string();
        if (item.path.size() <= parentPath.size() + 1 ||
            item.path.compare(0, parentPath.size(), parentPath) != 0 ||
            static_cast<unsigned char>(item.path[parentPath.size()]) + parentPath.size() + 1 !=
                item.path.size() ||
            !IsWellFormedPath(item.path))
            return false;
    } else if (!IsWellFormedPath(item.path)) {
        return false;
    }
    std::string keyName;
    if (!ConfigKeyName(folder, item, &keyName)) return false;

    ChildListPtr children = model.ChildrenOf(folder);
    if (!children) return false;
    for (const auto& child : *children)
        if (child && SameItem(*child, item)) return false;

    RegKey folders;
    if (folders.Create(HKEY_CURRENT_USER, kFoldersKey) != ERROR_SUCCESS) return false;
    const bool existed = KeyExists(folders.Get(), keyName.c_str());
    RegKey key;
    if (key.Create(folders.Get(), keyName.c_str()) != ERROR_SUCCESS) return false;
    if (!WriteConfigRecord(key.Get(), item)) {
        key.Close();
        if (!existed) DeleteKeyTree(folders.Get(), keyName.c_str());
        return false;
    }
    children->push_back(std::make_unique<ItemRecord>(item));
    return true;
}

bool ContainsItem(const std::unordered_set<std::string>& identities, const ItemRecord& item)
{
    return identities.count(ItemIdentity(item)) != 0;
}

std::unordered_set<std::string> Identities(const ChildList& children)
{
    std::unordered_set<std::string> out;
    for (const auto& child : children)
        if (child) out.insert(ItemIdentity(*child));
    return out;
}

}  // namespace

bool IsValidItemName(const std::string& name)
{
    return !name.empty() && name.find_first_of("\"'*.:<>?\\|") == std::string::npos;
}

bool IsWellFormedPath(const std::string& path)
{
    std::size_t pos = 0;
    while (pos < path.size()) {
        const auto count = static_cast<signed char>(path[pos]);
        if (count <= 0) return false;
        pos += 1 + static_cast<std::size_t>(count);
        if (pos > path.size()) return false;
    }
    return true;
}

bool ConfigKeyName(const ItemRecord& parent, const ItemRecord& item, std::string* name)
{
    std::string key;
    if (parent.IsFolder()) {
        std::string parentPath = DecodePath(parent.path, false, '\\');
        if (parentPath.empty()) return false;
        key = parentPath + "\\";
    }
    if (item.IsFolder()) {
        key = DecodePath(item.path, false, '\\');
    } else {
        std::string leaf;
        if (!item.tree.empty()) leaf = item.tree + "-";
        leaf += (item.flags & ITEM_TREE) ? item.tree : DecodePath(item.path, false, '.');
        if (leaf.empty() || leaf.find('\\') != std::string::npos) return false;
        key += leaf;
    }
    if (key.empty()) return false;
    *name = std::move(key);
    return true;
}

bool ReadConfigRecord(HKEY handle, ItemRecord* record)
{
    RegKey key(handle);
    ItemRecord read;
    DWORD flags = 0;
    LONG rc = key.QueryDword("Flags", &flags);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) flags = 0;
    read.flags = flags;
    bool ok = true;
    try {
        read.displayName = ReadText(key, "DisplayName");
        read.path = ReadText(key, "DN");
        read.tree = ReadText(key, "Tree");
        read.server = ReadText(key, "Server");
        read.className = ReadText(key, "Class");
    } catch (...) {
        ok = false;
    }
    key.Detach();
    if (ok) *record = std::move(read);
    return ok;
}

bool WriteConfigRecord(HKEY key, const ItemRecord& record)
{
    bool ok = WriteText(key, "DN", record.path);
    DWORD flags = record.flags;
    ok = RegSetValueExA(key, "Flags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags),
                        sizeof flags) == ERROR_SUCCESS && ok;
    ok = WriteText(key, "DisplayName", record.displayName) && ok;
    ok = WriteText(key, "Tree", record.tree) && ok;
    ok = WriteText(key, "Server", record.server) && ok;
    ok = WriteText(key, "Class", record.className) && ok;
    return ok;
}

bool LoadConfiguration(NamespaceModel& model)
{
    NamespaceLock lock;
    return LoadConfiguration(model.Nodes());
}

bool LoadConfiguration(NodeList& nodes)
{
    auto root = std::make_unique<ModelNode>();
    root->key = NodeKey(ItemRecord());
    root->configured = true;
    ModelNode* rootNode = nodes.Add(std::move(root));
    RegKey folders;
    if (folders.Open(HKEY_CURRENT_USER, kFoldersKey, KEY_READ) != ERROR_SUCCESS) return false;
    LoadKey(folders, std::string(), *rootNode, nodes, 0);
    return true;
}

bool AddTree(NamespaceModel& model, const std::string& name, const std::string& server,
             LPCITEMIDLIST parentFolderId)
{
    NamespaceLock lock;
    if (name.empty()) return false;
    ItemRecord parent;
    DecodeLastItem(parentFolderId, &parent);

    ItemRecord tree;
    tree.flags = ITEM_CONTAINER | ITEM_SHORTCUT | ITEM_TREE;
    tree.displayName = name;
    tree.className = kTreeRootClass;
    tree.tree = name;
    tree.server = server;
    const bool added = AddToFolderQuiet(model, tree, parent);

    model.NotifyChild(parent, tree, CHANGE_MAKE_FOLDER);
    model.NotifyItem(parent, CHANGE_UPDATE_DIR);
    if (added) {
        model.NotifyItem(parent, CHANGE_UPDATE_DIR);
        model.RefreshViews();
    }
    return added;
}

ModelNode* CreateFolder(NamespaceModel& model, const std::string& name, ModelNode& parentNode)
{
    NamespaceLock lock;
    const ItemRecord parent = parentNode.record;
    if (!parent.IsFolder() && !parent.IsRoot()) return nullptr;
    if (!IsValidItemName(name) || name.size() > kMaxLabel) return nullptr;

    ItemRecord folder;
    folder.flags = ITEM_FOLDER | ITEM_CONTAINER;
    folder.displayName = name;
    folder.className = kFolderClass;
    folder.path = parent.IsFolder() ? parent.path : std::string();
    folder.path += static_cast<char>(name.size());
    folder.path += name;

    auto node = std::make_unique<ModelNode>();
    node->key = NodeKey(folder);
    node->configured = true;
    node->record = folder;
    const std::string key = node->key;
    const bool isNew = model.Nodes().Find(key) == nullptr;
    ModelNode* added = model.Nodes().Add(std::move(node));
    if (!AddToFolderQuiet(model, folder, parent)) {
        if (isNew) model.Nodes().Remove(key);
        return nullptr;
    }
    // The shell learns of the new folder in its parent, then of its contents.
    model.NotifyChild(parent, folder, CHANGE_MAKE_FOLDER);
    model.NotifyItem(folder, CHANGE_UPDATE_DIR);
    return added;
}

bool EnsureFolderPath(NamespaceModel& model, const std::string& text, ChildListPtr* out)
{
    NamespaceLock lock;
    ModelNode* current = model.Root();
    if (!current) {
        LoadConfiguration(model);
        current = model.Root();
    }
    if (!current) return false;
    if (out) *out = current->children;

    bool result = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\\', start);
        if (end == std::string::npos) end = text.size();
        const std::string component = text.substr(start, end - start);
        start = end + 1;
        if (component.empty()) continue;

        const ItemRecord* existing = nullptr;
        for (const auto& child : *current->children)
            if (child && child->IsFolder() && child->displayName == component) {
                existing = child.get();
                break;
            }
        ModelNode* next = nullptr;
        if (existing) {
            const ItemRecord folder = *existing;
            if (!model.ChildrenOf(folder)) break;
            next = model.FindNode(folder);
        } else {
            next = CreateFolder(model, component, *current);
            result = next != nullptr;
        }
        if (!next) break;
        current = next;
        if (out) *out = current->children;
    }

    Reload(model);
    model.RefreshViews();
    return result;
}

bool AddToFolder(NamespaceModel& model, const ItemRecord& item, const ItemRecord& folder)
{
    NamespaceLock lock;
    if (!AddToFolderQuiet(model, item, folder)) return false;
    model.NotifyChild(folder, item, CreatedEvent(item));
    model.NotifyItem(folder, CHANGE_UPDATE_DIR);
    return true;
}

bool DeleteItems(NamespaceModel& model, LPCITEMIDLIST folderId,
                 const std::vector<ItemRecord>& items)
{
    NamespaceLock lock;
    ItemRecord folder;
    DecodeLastItem(folderId, &folder);
    if (!model.FindNode(folder)) return false;
    if (!folder.IsFolder() && !folder.IsRoot()) return false;

    RegKey folders;
    if (folders.Open(HKEY_CURRENT_USER, kFoldersKey) != ERROR_SUCCESS) return false;
    bool deleted = false;
    for (const ItemRecord& item : items) {
        std::string keyName;
        if (!ConfigKeyName(folder, item, &keyName)) continue;
        // Only the item's own entry goes: another entry stored under the
        // same name (or a listed directory object) is left alone.
        ItemRecord stored;
        {
            RegKey key;
            if (key.Open(folders.Get(), keyName.c_str(), KEY_READ) != ERROR_SUCCESS) continue;
            if (!ReadConfigRecord(key.Get(), &stored)) continue;
        }
        if (stored.IsFolder() && !FolderPathFromKey(keyName, &stored.path)) continue;
        if (!SameItem(stored, item) || stored.IsFolder() != item.IsFolder()) continue;
        if (DeleteKeyTree(folders.Get(), keyName.c_str()) == ERROR_SUCCESS) deleted = true;
    }
    return deleted;
}

bool RenameFolder(NamespaceModel& model, LPCITEMIDLIST parentFolderId, const ItemRecord& folder,
                  const std::string& newName)
{
    NamespaceLock lock;
    if (!folder.IsFolder() || !IsValidItemName(newName)) return false;
    if (!IsWellFormedPath(folder.path)) return false;
    // The folder must be a child of the folder it is renamed in.
    ItemRecord parent;
    DecodeLastItem(parentFolderId, &parent);
    const std::string parentPath = parent.IsFolder() ? parent.path : std::string();
    if (!parent.IsFolder() && !parent.IsRoot()) return false;
    if (folder.path.size() <= parentPath.size() ||
        folder.path.compare(0, parentPath.size(), parentPath) != 0 ||
        static_cast<unsigned char>(folder.path[parentPath.size()]) + parentPath.size() + 1 !=
            folder.path.size())
        return false;

    ItemRecord renamed = folder;
    if (!SetRecordName(renamed, newName)) return false;
    const std::string oldRelative = DecodePath(folder.path, false, '\\');
    const std::string newRelative = DecodePath(renamed.path, false, '\\');
    if (oldRelative.empty() || newRelative.empty()) return false;
    const std::string oldKeyPath = Folders(oldRelative);
    const std::string newKeyPath = Folders(newRelative);

    if (KeyExists(HKEY_CURRENT_USER, newKeyPath.c_str())) return false;
    RegKey oldKey;
    if (oldKey.Open(HKEY_CURRENT_USER, oldKeyPath.c_str(), KEY_READ) != ERROR_SUCCESS) return false;
    {
        RegKey newKey;
        if (newKey.Create(HKEY_CURRENT_USER, newKeyPath.c_str()) != ERROR_SUCCESS) return false;
        if (!CopyConfigTree(oldKey.Get(), newKey.Get(), folder.path, renamed.path) ||
            !WriteConfigRecord(newKey.Get(), renamed)) {
            newKey.Close();
            DeleteKeyTree(HKEY_CURRENT_USER, newKeyPath.c_str());
            return false;
        }
    }
    oldKey.Close();

    std::vector<std::uint8_t> oldEntries;
    if (model.RelativeEntries(folder, &oldEntries)) {
        const std::size_t ownBytes = kEntryHeaderSize + folder.RecordSize();
        std::vector<std::uint8_t> newEntries;
        if (oldEntries.size() >= ownBytes)
            newEntries.assign(oldEntries.begin(), oldEntries.end() - ownBytes);
        if (AppendItemEntry(renamed, &newEntries)) model.NotifyRename(oldEntries, newEntries);
    }
    DeleteKeyTree(HKEY_CURRENT_USER, oldKeyPath.c_str());
    return true;
}

bool CopyConfigTree(HKEY oldKey, HKEY newKey, const std::string& oldPrefix,
                    const std::string& newPrefix)
{
    try {
        return CopyTree(oldKey, newKey, oldPrefix, newPrefix, 0);
    } catch (...) {
        return false;
    }
}

void Reload(NamespaceModel& model)
{
    NamespaceLock lock;
    NodeList fresh;
    LoadConfiguration(fresh);
    NodeList& live = model.Nodes();

    struct Event {
        LONG event;
        std::vector<std::uint8_t> entries;
    };
    std::vector<Event> events;
    auto queue = [&](LONG event, const ItemRecord& record) {
        Event e{event, {}};
        if (model.RelativeEntries(record, &e.entries)) events.push_back(std::move(e));
    };
    auto queueChild = [&](LONG event, const ItemRecord& parent, const ItemRecord& child) {
        Event e{event, {}};
        if (ChildEntries(model, parent, child, &e.entries)) events.push_back(std::move(e));
    };

    // Removals, worked out against the model as it stands.
    std::unordered_set<std::string> listedKeys;  // configured nodes listed from the directory
    std::vector<std::string> goneNodes;
    std::vector<std::pair<ModelNode*, const ItemRecord*>> goneChildren;
    for (std::size_t n = 0; n < live.Size(); ++n) {
        ModelNode* node = live.At(n);
        if (!node->configured) continue;
        if (node->loaded) listedKeys.insert(node->key);
        node->loaded = false;
        ModelNode* freshNode = fresh.Find(node->key);
        if (!freshNode) {
            queue(CHANGE_REMOVE_FOLDER, node->record);
            goneNodes.push_back(node->key);
            continue;
        }
        // A tree's or shortcut's listed children are the directory's, not
        // the configuration's: the next listing replaces them.
        if (listedKeys.count(node->key)) continue;
        const auto wanted = Identities(*freshNode->children);
        bool removed = false;
        for (const auto& child : *node->children) {
            if (!child || ContainsItem(wanted, *child)) continue;
            queueChild(RemovedEvent(*child), node->record, *child);
            goneChildren.emplace_back(node, child.get());
            removed = true;
        }
        if (removed) queue(CHANGE_UPDATE_DIR, node->record);
    }
    for (const auto& gone : goneChildren) {
        ChildList& children = *gone.first->children;
        for (auto it = children.begin(); it != children.end(); ++it)
            if (it->get() == gone.second) {
                children.erase(it);
                break;
            }
    }
    for (const std::string& key : goneNodes) live.Remove(key);

    // Additions and changed values.
    std::vector<std::pair<ModelNode*, const ItemRecord*>> added;
    std::vector<ModelNode*> updated;
    std::vector<std::string> freshKeys;
    for (std::size_t n = 0; n < fresh.Size(); ++n)
        if (fresh.At(n)->configured) freshKeys.push_back(fresh.At(n)->key);
    for (const std::string& key : freshKeys) {
        ModelNode* freshNode = fresh.Find(key);
        ModelNode* node = live.Find(key);
        if (!node) {
            live.Add(fresh.Remove(key));
            continue;
        }
        if (listedKeys.count(key)) continue;
        if (!SameRecord(node->record, freshNode->record)) node->record = freshNode->record;
        std::unordered_map<std::string, ItemRecord*> have;
        for (const auto& child : *node->children)
            if (child) have.emplace(ItemIdentity(*child), child.get());
        bool changed = false;
        for (auto& child : *freshNode->children) {
            if (!child) continue;
            auto it = have.find(ItemIdentity(*child));
            if (it == have.end()) {
                node->children->push_back(std::move(child));
                added.emplace_back(node, node->children->back().get());
            } else if (!SameRecord(*it->second, *child)) {
                *it->second = *child;  // same item, new values: kept at its address
                changed = true;
            }
        }
        if (changed) updated.push_back(node);
    }
    ModelNode* lastNode = nullptr;
    bool leafAdded = false;
    for (const auto& item : added) {
        if (item.first != lastNode) {
            if (lastNode && leafAdded) queue(CHANGE_UPDATE_DIR, lastNode->record);
            lastNode = item.first;
            leafAdded = false;
        }
        queueChild(CreatedEvent(*item.second), item.first->record, *item.second);
        if (!item.second->IsContainer()) leafAdded = true;
    }
    if (lastNode && leafAdded) queue(CHANGE_UPDATE_DIR, lastNode->record);
    for (ModelNode* node : updated) queue(CHANGE_UPDATE_DIR, node->record);
    fresh.Clear();

    for (const Event& e : events) model.NotifyEntries(e.event, e.entries);
    model.NotifyAllRoots();
}

}  // namespace orrel
