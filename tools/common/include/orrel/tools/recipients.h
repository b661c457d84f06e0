// The recipients of the two mail tools: every selected User, the members of
// a selected Group and the Users directly below a selected container, each
// with its e-mail address or, without one, its display name.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "orrel/pages/dirsession.h"

namespace orrel {
namespace tools {

class ObjectTool;

struct Recipient {
    std::string name;  // empty when an address was found, else the display name
    std::string text;  // the address ("SMTP:a@b" keeps its type), else the display name
};

// The address part of a recipient's text: what follows the first ":" when
// the text holds one (the type in front is dropped), else the whole text.
std::string RecipientAddress(const std::string& text);
// The type in front of the first ":" ("" when none).
std::string RecipientAddressType(const std::string& text);

class RecipientList {
public:
    // Reads go through session: tree name and name context of object 0.
    explicit RecipientList(pages::DirectorySession& session) noexcept : session_(session) {}

    // One user by its display name: its address, or its display name.
    void AddRecipient(const std::string& displayName);
    // Walks the tool's selection in order ("User", "Group", and the four
    // container classes, compared exactly; other classes add nothing).
    // stop, when given, is asked between objects and ends the walk.
    void GatherRecipients(const ObjectTool& tool, const std::function<bool()>& stop = nullptr);

    const std::vector<Recipient>& Entries() const noexcept { return entries_; }
    void Clear() noexcept { entries_.clear(); }

private:
    void AddContainerUsers(const std::string& treeName, const std::string& objectName);

    pages::DirectorySession& session_;
    std::vector<Recipient> entries_;
};

}  // namespace tools
}  // namespace orrel
