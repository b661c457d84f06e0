// The rules of the shortcut wizard that need no window: the folder location
// as the folder's name is typed, tree names without their padding, and the
// names of contexts picked in the directory. Pure code: no Windows headers.
#pragma once

#include <string>
#include <vector>

namespace orrel {
namespace view {

// The folder location after the name changed from previous to name: the
// previous name is cut off the end (when the location ends with it), a
// backslash is made sure of, and the new name appended.
std::string LocationForName(const std::string& location, const std::string& previous,
                            const std::string& name);

// The location of a folder picked in the folder tree: the names from the
// top down to it, each followed by a backslash, then the name.
std::string LocationInFolder(const std::vector<std::string>& topDown, const std::string& name);

// A tree name as connections report it, without the "_" padding.
std::string UnpaddedTreeName(std::string name);

// Appends a name unless the list has that exact string already; true when
// it was appended.
bool AddOnce(std::vector<std::string>& names, const std::string& name);

// The typeless name of a context picked in the directory tree: its label and
// its ancestors' labels, leaf first, joined by full stops; with absolute a
// leading full stop.
std::string ContextName(const std::vector<std::string>& leafFirst, bool absolute);

}  // namespace view
}  // namespace orrel
