// A multi-valued attribute whose first value may be the object's own naming
// value: "L" or "S" of a Locality (named by either), "CN" of an
// Organization or Organizational Unit (named by "O" or "OU", so their "CN"
// may be empty or start with any name). The first value is hidden from the
// combo and from the list editor only when it is the naming value, that is
// when it equals the object's own label ignoring letter case; otherwise every
// value shows, so that a first value the user adds stays in sight.
//
//   AddField(std::make_unique<NamingListField>(1003, 1004, "L", IDS_EDIT_LOCALITY));
#pragma once

#include <windows.h>

#include <string>

#include "orrel/pages/directorypage.h"

namespace orrel {
namespace pages {

// The object's own label: the name without its leading "." up to the next
// "." (".Paris.FR" gives "Paris").
std::string OwnLabel(const std::string& objectName);

class NamingListField final : public ListField {
public:
    NamingListField(int comboId, int buttonId, std::string attribute, UINT titleId,
                    uint32_t writeSyntax = HALVET_SYNTAX_CI_STRING);

    // True when the first value was found to be the naming value at load.
    bool Named() const noexcept { return !showFirst_; }
    void Load(DirectoryPage& page) override;
};

}  // namespace pages
}  // namespace orrel
