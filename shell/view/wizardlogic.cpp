#include "orrel/view/wizardlogic.h"

namespace orrel {
namespace view {

namespace {

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string LocationForName(const std::string& location, const std::string& previous,
                            const std::string& name)
{
    std::string out = location;
    if (!previous.empty() && EndsWith(out, previous)) out.resize(out.size() - previous.size());
    if (out.empty() || out.back() != '\\') out += '\\';
    return out + name;
}

std::string LocationInFolder(const std::vector<std::string>& topDown, const std::string& name)
{
    std::string out;
    for (const std::string& folder : topDown) out += folder + "\\";
    return out + name;
}

std::string UnpaddedTreeName(std::string name)
{
    while (!name.empty() && name.back() == '_') name.pop_back();
    return name;
}

bool AddOnce(std::vector<std::string>& names, const std::string& name)
{
    for (const std::string& have : names)
        if (have == name) return false;
    names.push_back(name);
    return true;
}

std::string ContextName(const std::vector<std::string>& leafFirst, bool absolute)
{
    std::string out;
    for (const std::string& label : leafFirst) {
        if (!out.empty() || absolute) out += '.';
        out += label;
    }
    return out;
}

}  // namespace view
}  // namespace orrel
