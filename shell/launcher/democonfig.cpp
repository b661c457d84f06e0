#include "democonfig.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "orrel/core/itemrecord.h"
#include "orrel/registry.h"

namespace orrel::launcher {

const char kNamespaceKey[] = "Software\\Halvet\\Orrel Namespace";

namespace {

// The namespace reads each text value into a 64-byte buffer.
constexpr std::size_t kMaxStoredText = 63;

bool ValidFolderName(const std::string& name)
{
    if (name.empty()) return false;
    for (char c : name) {
        if (std::strchr("\"'*.:<>?\\|", c) != nullptr) return false;
        if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

// A tree name becomes part of a key name: no backslash, nothing unprintable.
bool ValidTreeName(const std::string& name)
{
    if (name.empty()) return false;
    for (char c : name) {
        if (c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

// One configured item: its key below "Folders" and its record.
struct StoredItem {
    std::string key;
    ItemRecord record;
};

LONG WriteText(RegKey& key, const char* name, const std::string& text)
{
    // Text values are binary: the characters and their terminating zero.
    return key.SetBinary(name, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool WriteItem(HKEY folders, const StoredItem& item, std::string* error)
{
    RegKey key;
    LONG rc = key.Create(folders, item.key.c_str());
    if (rc == ERROR_SUCCESS) rc = WriteText(key, "DN", item.record.path);
    if (rc == ERROR_SUCCESS) rc = key.SetDword("Flags", item.record.flags);
    if (rc == ERROR_SUCCESS) rc = WriteText(key, "DisplayName", item.record.displayName);
    if (rc == ERROR_SUCCESS) rc = WriteText(key, "Tree", item.record.tree);
    if (rc == ERROR_SUCCESS) rc = WriteText(key, "Server", item.record.server);
    if (rc == ERROR_SUCCESS) rc = WriteText(key, "Class", item.record.className);
    if (rc != ERROR_SUCCESS) {
        *error = "cannot write Folders\\" + item.key + " (error " + std::to_string(rc) + ")";
        return false;
    }
    return true;
}

bool TooLong(const std::string& text, const char* what, std::string* error)
{
    if (text.size() <= kMaxStoredText) return false;
    *error = std::string(what) + " is longer than 63 bytes: " + text;
    return true;
}

}  // namespace

bool InstallDemoConfiguration(HKEY root, const DemoItems& items, std::string* error)
{
    std::vector<StoredItem> stored;

    if (!ValidTreeName(items.tree)) {
        *error = "not a tree name: \"" + items.tree + "\"";
        return false;
    }
    if (TooLong(items.tree, "the tree name", error) ||
        TooLong(items.server, "the server name", error))
        return false;
    if (items.server.empty()) {
        *error = "the tree needs the server through which it was found";
        return false;
    }

    StoredItem tree;
    tree.key = items.tree + "-" + items.tree;
    tree.record.flags = ITEM_CONTAINER | ITEM_SHORTCUT | ITEM_TREE;
    tree.record.displayName = items.tree;
    tree.record.tree = items.tree;
    tree.record.server = items.server;
    tree.record.className = kTreeRootClass;
    stored.push_back(tree);

    if (!items.folder.empty()) {
        if (!ValidFolderName(items.folder)) {
            *error = "not a folder name (none of \"'*.:<>?\\| allowed): \"" + items.folder + "\"";
            return false;
        }
        if (TooLong(items.folder, "the folder name", error)) return false;
        StoredItem folder;
        folder.key = items.folder;
        folder.record.flags = ITEM_CONTAINER | ITEM_FOLDER;
        folder.record.displayName = items.folder;
        folder.record.className = kFolderClass;
        if (!EncodePath("\\" + items.folder, &folder.record.path)) {
            *error = "cannot encode the folder path of \"" + items.folder + "\"";
            return false;
        }
        stored.push_back(folder);

        if (!items.unit.empty()) {
            std::string dotted = items.unit[0] == '.' ? items.unit.substr(1) : items.unit;
            StoredItem shortcut;
            shortcut.record.flags = ITEM_CONTAINER | ITEM_SHORTCUT;
            shortcut.record.tree = items.tree;
            shortcut.record.server = items.server;
            shortcut.record.className = items.unitClass;
            shortcut.record.displayName = dotted.substr(0, dotted.find('.'));
            if (dotted.empty() || dotted.find('\\') != std::string::npos ||
                !EncodePath("." + dotted, &shortcut.record.path)) {
                *error = "not a dotted directory name: \"" + items.unit + "\"";
                return false;
            }
            if (TooLong(shortcut.record.path, "the unit's name", error) ||
                TooLong(items.unitClass, "the unit's class", error))
                return false;
            if (items.unitClass.empty()) {
                *error = "the unit needs a class";
                return false;
            }
            shortcut.key = items.folder + "\\" + items.tree + "-" + dotted;
            stored.push_back(shortcut);
        }
    }

    RegKey config;
    LONG rc = config.Create(root, kNamespaceKey);
    if (rc != ERROR_SUCCESS) {
        *error = std::string("cannot create ") + kNamespaceKey + " (error " + std::to_string(rc) + ")";
        return false;
    }
    RegKey trees;
    rc = trees.Create(config.Get(), "Trees");
    if (rc == ERROR_SUCCESS) rc = trees.SetString(items.tree.c_str(), items.server.c_str());
    if (rc != ERROR_SUCCESS) {
        *error = "cannot write Trees (error " + std::to_string(rc) + ")";
        return false;
    }
    RegKey folders;
    rc = folders.Create(config.Get(), "Folders");
    if (rc != ERROR_SUCCESS) {
        *error = "cannot create Folders (error " + std::to_string(rc) + ")";
        return false;
    }
    for (const StoredItem& item : stored) {
        if (!WriteItem(folders.Get(), item, error)) return false;
    }
    return true;
}

}  // namespace orrel::launcher
