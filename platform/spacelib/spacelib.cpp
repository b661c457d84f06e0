// HalvetSpaceLib: the selection of an extension DLL, read from the
// "Orrel::Object" data of its data object with the namespace core's own
// decoder, and the location of a page DLL's resource library.
#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "halvet/spacelib.h"
#include "orrel/core/itemid.h"
#include "orrel/core/itemrecord.h"
#include "orrel/handles.h"

struct HalvetSelection {
    std::vector<orrel::ItemRecord> objects;
};

namespace {

const char kObjectFormat[] = "Orrel::Object";
const char kRootName[] = "[Root]";

// Handles given out and not yet closed: a stale or foreign handle is
// recognised instead of being followed.
std::mutex& LiveLock()
{
    static std::mutex lock;
    return lock;
}
std::set<HalvetSelection*>& LiveSelections()
{
    static std::set<HalvetSelection*> live;
    return live;
}

bool IsDirectoryObject(const orrel::ItemRecord& record)
{
    return !record.tree.empty() && !record.IsFolder();
}

// Personal folders are handed out too (the icon handler gives them their
// icon), with no tree: extensions that work on the directory skip them.
bool IsPersonalFolder(const orrel::ItemRecord& record)
{
    return record.IsFolder() && record.tree.empty() && !record.displayName.empty();
}

// The directory name the extensions pass to every read and write.
std::string ObjectNameOf(const orrel::ItemRecord& record)
{
    if (record.flags & orrel::ITEM_TREE) return kRootName;
    if (IsPersonalFolder(record)) return orrel::DecodePath(record.path, false, '\\');
    std::string name = orrel::DecodePath(record.path, true, '.');
    return name.empty() ? std::string(kRootName) : name;
}

// Reads the block into records; false when it is malformed or a list is not
// one of ours.
bool ReadBlock(const std::uint8_t* data, std::size_t size, std::vector<orrel::ItemRecord>* out)
{
    std::vector<std::vector<std::uint8_t>> lists;
    if (!orrel::ParseObjectBlock(data, size, &lists)) return false;
    for (auto& list : lists) {
        // The lists come without their terminator; the decoder stops at the
        // end of what it is given, the terminator makes that explicit.
        list.push_back(0);
        list.push_back(0);
        orrel::ItemRecord record;
        if (!orrel::DecodeItem(list.data(), list.size(), &record)) return false;
        if (IsDirectoryObject(record) || IsPersonalFolder(record)) out->push_back(std::move(record));
    }
    return true;
}

HalvetSelection* OpenSelection(IDataObject* dataObject)
{
    UINT format = RegisterClipboardFormatA(kObjectFormat);
    if (format == 0) return nullptr;
    FORMATETC etc = {static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    orrel::StgMedium medium;
    if (FAILED(dataObject->GetData(&etc, medium.Put()))) return nullptr;
    STGMEDIUM& m = medium.Get();
    if (m.tymed != TYMED_HGLOBAL || m.hGlobal == nullptr) return nullptr;

    std::vector<orrel::ItemRecord> records;
    {
        orrel::GlobalLock lock(m.hGlobal);
        if (!lock) return nullptr;
        if (!ReadBlock(static_cast<const std::uint8_t*>(lock.Data()), lock.Size(), &records))
            return nullptr;
    }
    if (records.empty()) return nullptr;

    auto* selection = new HalvetSelection;
    selection->objects = std::move(records);
    return selection;
}

// A heap copy of a string, freed by FreeString.
char* CopyString(const std::string& text)
{
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

void FreeString(char*& text)
{
    delete[] text;
    text = nullptr;
}

void ClearRecord(SelectedObject* object)
{
    FreeString(object->displayName);
    FreeString(object->objectName);
    FreeString(object->treeName);
    FreeString(object->className);
    FreeString(object->serverName);
    FreeString(object->nameContext);
}

bool Append(std::string* path, const char* part)
{
    try {
        path->append(part);
        return true;
    } catch (...) {
        return false;
    }
}

bool IsFile(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

extern "C" {

int SelectionOpen(IDataObject* dataObject, HSELECTION* selection)
{
    if (!selection) return 0;
    *selection = nullptr;
    if (!dataObject) return 0;
    try {
        HalvetSelection* opened = OpenSelection(dataObject);
        if (!opened) return 0;
        std::lock_guard<std::mutex> guard(LiveLock());
        try {
            LiveSelections().insert(opened);
        } catch (...) {
            delete opened;
            return 0;
        }
        *selection = opened;
        return 1;
    } catch (...) {
        return 0;
    }
}

int SelectionCount(HSELECTION selection)
{
    std::lock_guard<std::mutex> guard(LiveLock());
    if (!LiveSelections().count(selection)) return 0;
    return static_cast<int>(selection->objects.size());
}

int SelectionGetObject(HSELECTION selection, int index, SelectedObject* object)
{
    if (!object) return 0;
    std::memset(object, 0, sizeof *object);
    std::lock_guard<std::mutex> guard(LiveLock());
    if (!LiveSelections().count(selection)) return 0;
    if (index < 0 || static_cast<std::size_t>(index) >= selection->objects.size()) return 0;
    const orrel::ItemRecord& record = selection->objects[static_cast<std::size_t>(index)];
    try {
        object->displayName = CopyString(record.displayName);
        object->objectName = CopyString(ObjectNameOf(record));
        object->treeName = CopyString(record.tree);
        object->className = CopyString(record.className);
        object->serverName = CopyString(record.server);
        object->nameContext = CopyString(IsPersonalFolder(record) ? "" : kRootName);
        return 1;
    } catch (...) {
        ClearRecord(object);
        return 0;
    }
}

void SelectionFreeObject(SelectedObject* object)
{
    if (object) ClearRecord(object);
}

void SelectionClose(HSELECTION selection)
{
    std::lock_guard<std::mutex> guard(LiveLock());
    if (LiveSelections().erase(selection)) delete selection;
}

int LocateResourceLibrary(const char* fileName, const char* callerPath, char* buffer, DWORD size)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    if (!fileName || !*fileName || !callerPath) return 0;
    const char* slash = nullptr;
    for (const char* p = callerPath; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/') slash = p;
    if (!slash) return 0;

    std::string folder;
    std::string chosen;
    try {
        folder.assign(callerPath, static_cast<std::size_t>(slash - callerPath) + 1);
        char language[8];
        wsprintfA(language, "%04X", static_cast<unsigned>(GetUserDefaultUILanguage()));
        std::string localised = folder;
        if (Append(&localised, language) && Append(&localised, "\\") &&
            Append(&localised, fileName) && localised.size() < size && IsFile(localised)) {
            chosen = std::move(localised);
        } else {
            chosen = folder;
            if (!Append(&chosen, fileName)) return 0;
        }
    } catch (...) {
        return 0;
    }
    if (chosen.size() >= size) return 0;
    std::memcpy(buffer, chosen.c_str(), chosen.size() + 1);
    return 1;
}

}  // extern "C"
