#include "orrel/tools/recipients.h"

#include "orrel/tools/directory.h"
#include "orrel/tools/objecttool.h"
#include "orrel/ui/messagebox.h"

namespace orrel {
namespace tools {

std::string RecipientAddress(const std::string& text)
{
    std::size_t colon = text.find(':');
    return colon == std::string::npos ? text : text.substr(colon + 1);
}

std::string RecipientAddressType(const std::string& text)
{
    std::size_t colon = text.find(':');
    return colon == std::string::npos ? std::string() : text.substr(0, colon);
}

namespace {

bool IsMailClass(const std::string& cls)
{
    for (const char* known : kMailClasses)
        if (cls == known) return true;
    return false;
}

// An address as a menu shows it: "&" doubled, at most 256 characters of it.
std::string MenuShown(const std::string& address)
{
    constexpr std::size_t kMaxShown = 256;
    std::string shown;
    for (std::size_t i = 0; i < address.size() && i < kMaxShown; ++i) {
        if (address[i] == '&') shown += '&';
        shown += address[i];
    }
    return shown;
}

}  // namespace

bool MailMenuText(const ObjectTool& tool, UINT textId, std::string* text)
{
    std::string address;
    SelectedItem item;
    int count = tool.Count();
    for (int i = 0; i < count; ++i) {
        if (!tool.Object(i, &item)) return false;
        if (count == 1 && item.className != "User") {
            // A single group or container may have an address of its own.
            pages::DirectorySession session(tool.TreeName(), tool.NameContext());
            ReadObjectAddress(session, item.objectName.c_str(), &address);
        } else if (!IsMailClass(item.className)) {
            return false;
        }
    }
    *text = ui::LoadModuleText(textId);
    if (text->empty()) return false;
    if (!address.empty()) *text += "\t(" + MenuShown(address) + ")";
    return true;
}

void RecipientList::AddRecipient(const std::string& displayName)
{
    Recipient entry;
    if (!ReadObjectAddress(session_, displayName.c_str(), &entry.text)) {
        entry.name = displayName;
        entry.text = displayName;
    }
    entries_.push_back(std::move(entry));
}

void RecipientList::AddContainerUsers(const std::string& treeName, const std::string& objectName)
{
    // A context of its own whose name context is the container, so that the
    // listed labels resolve below it. Only one level is listed.
    if (objectName.size() < 2) return;
    pages::DirectorySession below(treeName, objectName.substr(1));
    ListByClass(below, "", "User", [&](const char* label) {
        AddRecipient(below.ToDisplayName(label));
        return true;
    });
}

void RecipientList::GatherRecipients(const ObjectTool& tool, const std::function<bool()>& stop)
{
    SelectedItem item;
    for (int i = 0; i < tool.Count(); ++i) {
        if (stop && stop()) return;
        if (!tool.Object(i, &item)) continue;
        const std::string& cls = item.className;
        if (cls == "User") {
            AddRecipient(session_.ToDisplayName(item.objectName.c_str()));
        } else if (cls == "Group") {
            pages::ValueList members;
            session_.ReadValueList(item.objectName.c_str(), "Member", members);
            for (const pages::ValueNode& member : members)
                AddRecipient(session_.ToDisplayName(member.text.c_str()));
        } else if (cls == "Country" || cls == "Locality" || cls == "Organization" ||
                   cls == "Organizational Unit") {
            AddContainerUsers(item.treeName, item.objectName);
        }
    }
}

}  // namespace tools
}  // namespace orrel
