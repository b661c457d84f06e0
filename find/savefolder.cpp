// Save: the folder entries, the object entries and the refresh.
#include "savefolder.h"

#include <cstring>

#include "dialogs.h"
#include "engine/searchtables.h"
#include "engine/servers.h"
#include "orrel/registry.h"
#include "orrel/ui/controls.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"

namespace orrel {
namespace find {

const char kFoldersKey[] = "Software\\Halvet\\Orrel NameSpace\\Folders";

namespace {

const char kFolderClass[] = "Ombra::Folder";

std::string FolderKey(const std::string& path)
{
    return std::string(kFoldersKey) + "\\" + path;
}

void SetText(RegKey& key, const char* name, const std::string& text)
{
    key.SetBinary(name, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// True when the entry at path is missing or a personal folder.
bool MissingOrFolder(const std::string& path)
{
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, FolderKey(path).c_str(), KEY_READ) != ERROR_SUCCESS) return true;
    std::string cls;
    if (key.QueryString("Class", &cls) != ERROR_SUCCESS) return false;
    return lstrcmpiA(cls.c_str(), kFolderClass) == 0;
}

void CollectFolders(const std::string& parent, std::vector<std::string>* paths)
{
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, (parent.empty() ? std::string(kFoldersKey) : FolderKey(parent)).c_str(),
                 KEY_READ) != ERROR_SUCCESS)
        return;
    std::string name;
    for (DWORD i = 0; key.EnumKey(i, &name) == ERROR_SUCCESS; ++i) {
        std::string path = parent.empty() ? name : parent + "\\" + name;
        RegKey child;
        if (child.Open(key.Get(), name.c_str(), KEY_READ) != ERROR_SUCCESS) continue;
        std::vector<unsigned char> data;
        DWORD type = 0;
        if (child.QueryValue("Class", &type, &data) != ERROR_SUCCESS) continue;
        if (data.size() > 260) data.resize(260);
        std::string cls(data.begin(), data.end());
        cls = cls.substr(0, cls.find('\0'));
        if (lstrcmpiA(cls.c_str(), kFolderClass) != 0) continue;
        paths->push_back(path);
        CollectFolders(path, paths);
    }
}

}  // namespace

LONG CreateFolderPath(const std::string& path)
{
    std::size_t sep = path.rfind('\\');
    if (sep != std::string::npos) {
        LONG rc = CreateFolderPath(path.substr(0, sep));
        if (rc != ERROR_SUCCESS) return rc;
    }
    std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    // An empty level would overwrite its parent's entry, and a level that is
    // an object, shortcut or tree is no folder to save into.
    if (name.empty() || !MissingOrFolder(path)) return ERROR_INVALID_NAME;
    RegKey key;
    LONG rc = key.Create(HKEY_CURRENT_USER, FolderKey(path).c_str(), KEY_WRITE | KEY_READ);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<unsigned char> dn;
    if (name.size() <= 255) {
        dn.push_back(static_cast<unsigned char>(name.size()));
        dn.insert(dn.end(), name.begin(), name.end());
    }
    dn.push_back(0);
    key.SetBinary("DN", dn.data(), static_cast<DWORD>(dn.size()));
    key.SetDword("Flags", 0x81);
    SetText(key, "DisplayName", name);
    SetText(key, "Class", kFolderClass);
    SetText(key, "Server", "");
    SetText(key, "Tree", "");
    return ERROR_SUCCESS;
}

std::vector<std::string> ExistingFolderPaths()
{
    std::vector<std::string> paths;
    CollectFolders(std::string(), &paths);
    return paths;
}

LONG WriteFolderObjects(const std::string& folderPath, const std::string& tree,
                        const std::string& className, const std::vector<std::string>& names)
{
    RegKey folder;
    LONG rc = folder.Open(HKEY_CURRENT_USER, FolderKey(folderPath).c_str(), KEY_WRITE | KEY_READ);
    if (rc != ERROR_SUCCESS) return rc;
    for (const std::string& name : names) {
        // Rows whose name the label-counted encoding cannot hold are left out.
        std::vector<unsigned char> dn;
        if (!EncodeDottedName(name, dn)) continue;
        std::string bare = (!name.empty() && name[0] == '.') ? name.substr(1) : name;
        RegKey object;
        if (object.Create(folder.Get(), (tree + "-" + bare).c_str(), KEY_WRITE) != ERROR_SUCCESS) continue;
        SetText(object, "Class", className);
        SetText(object, "DisplayName", FirstComponent(name));
        SetText(object, "Tree", tree);
        SetText(object, "Server", "");
        object.SetDword("Flags", 0);
        object.SetBinary("DN", dn.data(), static_cast<DWORD>(dn.size()));
    }
    return ERROR_SUCCESS;
}

bool SaveResultsAsFolder(HWND owner, const std::string& server, const std::string& className,
                         HWND resultList, IOrrelRefresh* host)
{
    std::string tree;
    long rc;
    {
        HCURSOR old = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));
        rc = GetServerTreeName(server.c_str(), &tree);
        SetCursor(old);
    }
    if (rc != 0) {
        ui::MessageBoxFromStrings(owner, IDS_NO_TREE_NAME, IDS_CANNOT_SAVE, MB_OK | MB_ICONSTOP, server.c_str(),
                                  rc);
        return false;
    }
    NewFolderDialog dialog;
    if (dialog.DoModal(owner) != IDOK) return false;
    std::string path;
    if (!NormaliseFolderPath(dialog.Path(), path) || CreateFolderPath(path) != ERROR_SUCCESS) {
        ui::MessageBoxFromStrings(owner, IDS_INVALID_FOLDER, IDS_CANNOT_SAVE, MB_OK | MB_ICONSTOP,
                                  dialog.Path().c_str());
        return false;
    }
    ui::ListViewCtrl results(resultList);
    std::vector<std::string> names;
    int count = results.GetItemCount();
    names.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) names.push_back(results.GetItemText(i, 0));
    if (WriteFolderObjects(path, tree, className, names) != ERROR_SUCCESS) {
        ui::MessageBoxFromStrings(owner, IDS_INVALID_FOLDER, IDS_CANNOT_SAVE, MB_OK | MB_ICONSTOP, path.c_str());
        return false;
    }
    if (host) host->Refresh();
    return true;
}

}  // namespace find
}  // namespace orrel
