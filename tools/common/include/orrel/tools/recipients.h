// The recipients of the two mail tools: every selected User, the members of
// a selected Group and the Users directly below a selected container, each
// with its e-mail address or, without one, its display name.
#pragma once

#include <windows.h>

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

// The menu text of the two mail tools: string textId and, when a single
// selected object that is not a User has an address of its own (its first
// "EMail Address", else its first "Internet EMail Address"), a tab and that
// address in parentheses, with "&" doubled (no mnemonic) and at most 256 of
// its characters. False (not offered) when one of several objects is of none
// of the six mail classes (compared exactly) or the text is missing.
bool MailMenuText(const ObjectTool& tool, UINT textId, std::string* text);

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
