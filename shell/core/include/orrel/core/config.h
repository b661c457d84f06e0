// The stored configuration of trees, personal folders and shortcuts, per
// user under HKCU "Software\Halvet\Orrel Namespace\Folders", mirrored in the
// namespace model: loading, adding, deleting, renaming and reloading with
// reconciliation, and the change notifications that go with them.
//
// Layout: one subkey per item below "Folders"; a container item's subkeys
// are its children. Values: "DN" (REG_BINARY, label-counted Path and a zero),
// "Flags" (REG_DWORD), "DisplayName", "Tree", "Server", "Class" (REG_BINARY,
// text and a zero). Values are read whole, whatever their length.
//
// Every function that touches the model takes the NamespaceLock itself
// (namespacelock.h); the change notifications it makes go out once the lock
// is left. None refills a view: callers ask with RefreshViews.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "orrel/core/itemrecord.h"
#include "orrel/core/model.h"
#include "orrel/registry.h"

namespace orrel {

extern const char kNamespaceKey[];  // "Software\Halvet\Orrel Namespace"
extern const char kFoldersKey[];    // "Software\Halvet\Orrel Namespace\Folders"
extern const char kTreesKey[];      // "Software\Halvet\Orrel Namespace\Trees"

// The character rule of item names: not empty, and none of
// " ' * . : < > ? \ |
bool IsValidItemName(const std::string& name);

// A label-counted path whose counts (1 to 127) cover its bytes exactly.
bool IsWellFormedPath(const std::string& path);

// The subkey of an item below "Folders": under a personal folder the
// folder's path with "\" between labels and a "\"; a folder is stored under
// its own path; anything else under "<Tree>-<Tree>" (a tree) or
// "<Tree>-<dotted path>". False when the item has no key of its own (an
// empty name, or a "\" that would put it at another depth).
bool ConfigKeyName(const ItemRecord& parent, const ItemRecord& item, std::string* name);

// One item's values. Reading: a missing "Flags" is 0, a missing text empty;
// false when the key cannot be read at all. Writing: in the order DN, Flags,
// DisplayName, Tree, Server, Class; false when a value could not be written.
bool ReadConfigRecord(HKEY key, ItemRecord* record);
bool WriteConfigRecord(HKEY key, const ItemRecord& record);

// Adds the root node and loads "Folders" into it. False when "Folders"
// cannot be opened (the root node is there all the same).
bool LoadConfiguration(NamespaceModel& model);
bool LoadConfiguration(NodeList& nodes);

// Adds a tree to the folder that parentFolderId names (the root when its last
// entry is no record of ours) and tells the shell. False for an empty name or
// when the tree cannot be stored.
bool AddTree(NamespaceModel& model, const std::string& name, const std::string& server,
             LPCITEMIDLIST parentFolderId);

// Makes a personal folder in a folder (or the root) node, stores it and tells
// the shell. The new folder's node, or null.
ModelNode* CreateFolder(NamespaceModel& model, const std::string& name, ModelNode& parentNode);

// Walks "\"-separated folder names from the root, creating what is missing;
// out receives the children of the folder entered last. True only when the
// last folder that had to be created was created (false when all existed).
// Reloads and refreshes the views at the end.
bool EnsureFolderPath(NamespaceModel& model, const std::string& text, ChildListPtr* out);

// Adds an item to a personal folder or the root: refused when the folder
// already holds the same item. Stores its values and tells the shell of the
// new item and of the folder. True when the values were written.
bool AddToFolder(NamespaceModel& model, const ItemRecord& item, const ItemRecord& folder);

// Deletes the stored entries of items of the folder that folderId names,
// each with everything below it. An entry is deleted only when what is
// stored under its key is that item. The model follows at the next Reload.
// True when at least one entry was deleted.
bool DeleteItems(NamespaceModel& model, LPCITEMIDLIST folderId,
                 const std::vector<ItemRecord>& items);

// Renames a personal folder: its entry and everything below it move to the
// key of the new name, nested folders' paths rewritten; the shell is told.
// False (nothing changed) when the name is refused, the new key exists, the
// old one cannot be opened or the copy fails.
bool RenameFolder(NamespaceModel& model, LPCITEMIDLIST parentFolderId, const ItemRecord& folder,
                  const std::string& newName);

// Copies a stored subtree: every value of every key, and the Path of every
// personal folder that starts with oldPrefix rewritten to start with
// newPrefix. False when any key or value could not be copied.
bool CopyConfigTree(HKEY oldKey, HKEY newKey, const std::string& oldPrefix,
                    const std::string& newPrefix);

// Reads the configuration again and brings the model in line, telling the
// shell of every difference, then "directory updated" for every root list.
// The caller refreshes the open views.
void Reload(NamespaceModel& model);

}  // namespace orrel
