// The directory reads the tools add to the pages' DirectorySession: the
// listing of the objects of one class below a container, and an object's
// own e-mail address.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "orrel/pages/dirsession.h"

namespace orrel {
namespace tools {

// Lists the objects of className directly below container ("" = the
// session's name context) with ListByClass (no name filter, 4096-byte
// replies, iterated until the handle returns to -1) and calls visit with
// each label (GetObjectName, 4096-byte buffer) as the directory gives it,
// relative to container. 0 or the first directory error; visit returning
// false ends the listing (result 0).
int32_t ListByClass(pages::DirectorySession& session, const char* container,
                    const char* className, const std::function<bool(const char*)>& visit);

// An object's e-mail address: the address string of the first "EMail
// Address" (syntax 14); only when that cannot be read, the first "Internet
// EMail Address" (syntax 3). False when neither gives a non-empty text.
bool ReadObjectAddress(pages::DirectorySession& session, const char* object,
                       std::string* address);

}  // namespace tools
}  // namespace orrel
