// The rules of the container view that need no window: status texts, view
// modes, toolbar layouts, the item menu's own verbs and the class icon map.
// Pure code: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace orrel {
namespace view {

// FOLDERSETTINGS view modes the view knows.
enum ViewMode : std::uint32_t {
    MODE_LARGE_ICONS = 1,
    MODE_SMALL_ICONS = 2,
    MODE_LIST = 3,
    MODE_DETAILS = 4,
};

// Folder capabilities kept by the list.
enum Capability : std::uint32_t {
    CAN_DELETE = 0x4,
    CAN_RENAME = 0x8,
};
constexpr std::uint32_t kEditCapabilities = CAN_DELETE | CAN_RENAME;  // 12

// The status text: the string to format and the number to format it with.
struct StatusText {
    unsigned stringId;  // 110, 111, 112 or 113
    long count;
};
StatusText StatusFor(std::size_t selected, std::size_t items);

// Commands 121-124 give modes 1-4; anything else 0.
std::uint32_t ModeOfCommand(unsigned command);
// Modes 1-4 give commands 121-124; anything else 0.
unsigned CommandOfMode(std::uint32_t mode);
// The views button without its drop-down: 1 -> 2 -> 3 -> 4 -> 1; a mode
// outside 1-4 goes to 1.
std::uint32_t NextViewMode(std::uint32_t mode);
// The list-view type bits of a mode (LVS_ICON 0, LVS_REPORT 1,
// LVS_SMALLICON 2, LVS_LIST 3); false for a mode outside 1-4.
bool ListTypeOfMode(std::uint32_t mode, std::uint32_t* type);

// One button of the view's toolbar layouts.
enum class ButtonBitmap { Separator, Standard, View };
struct ToolbarButtonInfo {
    ButtonBitmap bitmap;
    int image;    // index in the common-controls bitmap (STD_* or VIEW_*)
    int command;  // 0 for a separator
    bool dropDown;
};
// The 11-button layout, or the 8-button one when the toolbar has hot images.
const ToolbarButtonInfo* ToolbarLayout(bool hotImages, std::size_t* count);

// The own verbs of the item menu, decided from the first selected item's
// flags, the folder capabilities and the number of selected items.
struct OwnVerbs {
    bool rename;
    bool remove;
};
OwnVerbs OwnVerbsFor(std::uint32_t firstFlags, std::uint32_t capabilities, std::size_t selected);

// The text of the type column: folderText for "Ombra::Folder" (exactly),
// the class name for anything else.
const std::string& TypeText(const std::string& className, const std::string& folderText);

// Class name (exact, case-sensitive) to image index.
class ClassIconMap {
public:
    ClassIconMap();
    // The index stored for the class; false when there is none.
    bool Find(const std::string& className, int* index) const;
    void Insert(const std::string& className, int index);
    void Clear() { map_.clear(); }
    std::size_t Size() const { return map_.size(); }

private:
    std::unordered_map<std::string, int> map_;
};

}  // namespace view
}  // namespace orrel
