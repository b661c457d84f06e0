// What the namespace folder makes of the view layer: the container view of a
// folder window and the folder's own context menu.
#pragma once

#include <windows.h>
#include <shlobj.h>

namespace orrel {

class NamespaceFolder;

// A new container view of the folder (which it holds a reference on),
// queried for riid. E_OUTOFMEMORY when it cannot be made.
HRESULT CreateContainerView(NamespaceFolder* folder, REFIID riid, void** ppv) noexcept;

// The folder's own context menu, acting on the folder's folderId and
// selectionId. It does not hold the folder: the folder keeps the menu and
// releases it when it goes.
HRESULT CreateFolderMenu(NamespaceFolder* folder, IContextMenu** out) noexcept;

// The folder's own drop target, filing drops into the folder named by the
// folder's selectionId. Like the menu, it does not hold the folder.
HRESULT CreateFolderDropTarget(NamespaceFolder* folder, IDropTarget** out) noexcept;

}  // namespace orrel
