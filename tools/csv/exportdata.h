// What the export reads from the directory: the attributes a class defines
// (ReadClassAttributes), the values of several attributes of one object in
// one read (ReadValueLists), the fields offered for a selection and the
// lines of the file. On the pages' DirectorySession and value formatter;
// no <windows.h>.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "orrel/pages/dirsession.h"

namespace orrel {
namespace csv {

struct ClassAttribute {
    std::string name;
    uint32_t syntax = 0;  // 0 when the attribute's definition cannot be read
};

// The naming, mandatory and optional attributes of a class definition, in
// that order, duplicates included, each with its syntax. 0 or the first
// directory error; what was read before an error stays in out.
int32_t ReadClassAttributes(pages::DirectorySession& session, const char* className,
                            std::vector<ClassAttribute>* out);

// One value read by ReadValueLists, with its attribute.
struct NamedValue {
    std::string attribute;
    uint32_t syntax = 0;
    pages::ValueKind kind = pages::ValueKind::Text;
    std::string text;
};

// The values of every attribute named, read with one request, in reply
// order. 0 or the first directory error.
int32_t ReadValueLists(pages::DirectorySession& session, const char* object,
                       const std::vector<std::string>& attributes, std::vector<NamedValue>* out);

// One object to export or to offer fields for.
struct ExportObject {
    std::string objectName;
    std::string treeName;
    std::string nameContext;
};

// The fields offered for a selection: the exportable attributes of every
// class of every object's "Object Class" (per tree), each name once, in the
// order first met.
std::vector<std::string> CollectFields(const std::vector<ExportObject>& objects);

// Writes the header line and one line per object that can be read, in
// order, handing the text to write in pieces. Values of several nodes of
// one field are joined by ", "; access-control entries are left out.
void ExportObjects(const std::vector<ExportObject>& objects, const std::vector<std::string>& fields,
                   const std::function<void(const std::string&)>& write);

}  // namespace csv
}  // namespace orrel
