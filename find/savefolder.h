// Saving search results as a personal folder of the namespace: folder
// entries under "Software\Halvet\Orrel NameSpace\Folders" and one object
// entry per result row.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "orrel/core/orrelrefresh.h"

namespace orrel {
namespace find {

extern const char kFoldersKey[];

// Creates (or opens) every level of a "\"-separated folder path and writes
// its folder entry. ERROR_SUCCESS, a registry error, or
// ERROR_INVALID_NAME when a level is empty or an existing entry on the way
// is not a personal folder (nothing of that level or below is written).
LONG CreateFolderPath(const std::string& path);

// Every existing folder path, parents before their children.
std::vector<std::string> ExistingFolderPaths();

// The result rows (dotted names) saved into the folder path of tree as
// objects of className. ERROR_SUCCESS, or the error of opening the folder
// (rows that cannot be written are skipped).
LONG WriteFolderObjects(const std::string& folderPath, const std::string& tree,
                        const std::string& className, const std::vector<std::string>& names);

// Save: the tree of the server, the New Folder dialog, the folder and its
// objects, the namespace refreshed. True when saved (the window then
// closes); every failure is shown to the user.
bool SaveResultsAsFolder(HWND owner, const std::string& server, const std::string& className,
                         HWND resultList, IOrrelRefresh* host);

}  // namespace find
}  // namespace orrel
