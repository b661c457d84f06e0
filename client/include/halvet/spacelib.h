/* HalvetSpaceLib: the selection library of the extension DLLs.
 *
 * An extension DLL receives an IDataObject from IShellExtInit::Initialize.
 * The library reads the "Orrel::Object" data of that data object (HGLOBAL,
 * DVASPECT_CONTENT, lindex -1) and hands out one SelectedObject per
 * directory object in it. It also tells a page DLL where its resource
 * library lies.
 *
 * Calling order: SelectionOpen -> SelectionCount -> for each index
 * SelectionGetObject ... SelectionFreeObject -> SelectionClose.
 *
 * What counts as a directory object:
 *  - every item with a tree name that is not a personal folder: objects
 *    listed from the directory and shortcuts into it; objectName is the
 *    object's absolute dotted name, ".Admin.Sales.Corp";
 *  - a configured tree (class "Tree Root") counts as the root of its tree:
 *    objectName "[Root]", className "Tree Root", serverName the server
 *    through which the tree is reached;
 *  - a personal folder is handed out with className "Ombra::Folder", an
 *    empty treeName and nameContext, and objectName its folder path with
 *    "\" between labels ("Projects\Sub"): it has no directory object
 *    behind it, and extensions that work on the directory skip it (the
 *    icon handler gives it its icon).
 * A selection that holds none of these does not open.
 */
#ifndef HALVET_SPACELIB_H
#define HALVET_SPACELIB_H

#include <windows.h>
#include <objidl.h>

#include "dirtypes.h"

HALVET_EXTERN_C_BEGIN

/* One selected directory object. Every field is a NUL-terminated 8-bit
 * string owned by the record until SelectionFreeObject. */
typedef struct SelectedObject {
    char* displayName; /* the item's own name (relative name, tree name) */
    char* objectName;  /* full directory name with a leading ".", or "[Root]" */
    char* treeName;    /* tree to bind to */
    char* className;   /* directory class name: "User", "Group", ... */
    char* serverName;  /* server of a configured tree; "" otherwise */
    char* nameContext; /* name context for the session: "[Root]" */
} SelectedObject;

/* Opaque selection handle. */
typedef struct HalvetSelection* HSELECTION;

/* Non-zero when the data object carries at least one directory object;
 * *selection receives the handle (NULL on failure). Zero for a NULL data
 * object, a data object without "Orrel::Object" data, and a block that is
 * malformed (a count or an identifier list that runs past the data, a list
 * that is not one of the namespace's items). */
HALVET_API int SelectionOpen(IDataObject* dataObject, HSELECTION* selection);

/* Number of directory objects (0 for an unknown or closed handle). */
HALVET_API int SelectionCount(HSELECTION selection);

/* Non-zero on success: the record is filled. Zero for an unknown handle or an
 * index outside 0..count-1; the record is then all NULL. */
HALVET_API int SelectionGetObject(HSELECTION selection, int index, SelectedObject* object);

/* Releases the strings of a record filled by SelectionGetObject and sets its
 * fields to NULL; an all-NULL record is left as it is. */
HALVET_API void SelectionFreeObject(SelectedObject* object);

/* Releases the selection; an unknown or already closed handle is ignored. */
HALVET_API void SelectionClose(HSELECTION selection);

/* The full path of a resource library: <folder of callerPath>\<LANG>\fileName
 * when that file exists, LANG being the user default UI language as four
 * upper-case hexadecimal digits (e.g. "0409"); otherwise <folder of
 * callerPath>\fileName, whether or not that file exists (the caller checks).
 * Non-zero when a path was written; zero (buffer emptied when size > 0) for a
 * missing argument, a callerPath without a folder, or a path that does not
 * fit size bytes with its terminator. Never writes past size bytes. */
HALVET_API int LocateResourceLibrary(const char* fileName, const char* callerPath, char* buffer,
                                     DWORD size);

HALVET_EXTERN_C_END

#endif /* HALVET_SPACELIB_H */
