#include "orrel/pages/namedlist.h"

namespace orrel {
namespace pages {

std::string OwnLabel(const std::string& objectName)
{
    std::size_t begin = !objectName.empty() && objectName[0] == '.' ? 1 : 0;
    std::size_t end = objectName.find('.', begin);
    return objectName.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

NamingListField::NamingListField(int comboId, int buttonId, std::string attribute, UINT titleId,
                                 uint32_t writeSyntax)
    : ListField(comboId, buttonId, std::move(attribute), titleId, true, writeSyntax)
{
}

void NamingListField::Load(DirectoryPage& page)
{
    ListField::Load(page);
    const ValueNode* first = Values().First();
    // A list that could not be read whole shows nothing anyway.
    showFirst_ = !(Complete() && first &&
                   lstrcmpiA(first->text.c_str(), OwnLabel(page.ObjectName()).c_str()) == 0);
    Refill(page);
}

}  // namespace pages
}  // namespace orrel
