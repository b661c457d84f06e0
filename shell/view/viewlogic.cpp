#include "orrel/view/viewlogic.h"

#include "orrel/core/itemrecord.h"

namespace orrel {
namespace view {

namespace {

// Published common-controls bitmap indices.
constexpr int kStdCut = 0, kStdCopy = 1, kStdPaste = 2, kStdDelete = 5, kStdProperties = 10;
constexpr int kViewLargeIcons = 0, kViewSmallIcons = 1, kViewList = 2, kViewDetails = 3,
              kViewViewMenu = 12;

const ToolbarButtonInfo kElevenButtons[] = {
    {ButtonBitmap::Standard, kStdCut, 126, false},
    {ButtonBitmap::Standard, kStdCopy, 127, false},
    {ButtonBitmap::Standard, kStdPaste, 128, false},
    {ButtonBitmap::Separator, 0, 0, false},
    {ButtonBitmap::Standard, kStdDelete, 133, false},
    {ButtonBitmap::Standard, kStdProperties, 131, false},
    {ButtonBitmap::Separator, 0, 0, false},
    {ButtonBitmap::View, kViewLargeIcons, 121, false},
    {ButtonBitmap::View, kViewSmallIcons, 122, false},
    {ButtonBitmap::View, kViewList, 123, false},
    {ButtonBitmap::View, kViewDetails, 124, false},
};

const ToolbarButtonInfo kEightButtons[] = {
    {ButtonBitmap::Standard, kStdCut, 126, false},
    {ButtonBitmap::Standard, kStdCopy, 127, false},
    {ButtonBitmap::Standard, kStdPaste, 128, false},
    {ButtonBitmap::Separator, 0, 0, false},
    {ButtonBitmap::Standard, kStdDelete, 133, false},
    {ButtonBitmap::Standard, kStdProperties, 131, false},
    {ButtonBitmap::Separator, 0, 0, false},
    {ButtonBitmap::View, kViewViewMenu, 1009, true},
};

constexpr unsigned kFirstModeCommand = 121;

}  // namespace

StatusText StatusFor(std::size_t selected, std::size_t items)
{
    if (selected > 0) return {selected == 1 ? 112u : 110u, static_cast<long>(selected)};
    return {items == 1 ? 113u : 111u, static_cast<long>(items)};
}

std::uint32_t ModeOfCommand(unsigned command)
{
    if (command < kFirstModeCommand || command > kFirstModeCommand + 3) return 0;
    return command - kFirstModeCommand + 1;
}

unsigned CommandOfMode(std::uint32_t mode)
{
    if (mode < MODE_LARGE_ICONS || mode > MODE_DETAILS) return 0;
    return kFirstModeCommand + mode - 1;
}

std::uint32_t NextViewMode(std::uint32_t mode)
{
    if (mode < MODE_LARGE_ICONS || mode >= MODE_DETAILS) return MODE_LARGE_ICONS;
    return mode + 1;
}

bool ListTypeOfMode(std::uint32_t mode, std::uint32_t* type)
{
    switch (mode) {
    case MODE_LARGE_ICONS: *type = 0x0000; return true;  // LVS_ICON
    case MODE_SMALL_ICONS: *type = 0x0002; return true;  // LVS_SMALLICON
    case MODE_LIST: *type = 0x0003; return true;         // LVS_LIST
    case MODE_DETAILS: *type = 0x0001; return true;      // LVS_REPORT
    default: return false;
    }
}

const ToolbarButtonInfo* ToolbarLayout(bool hotImages, std::size_t* count)
{
    if (hotImages) {
        *count = sizeof kEightButtons / sizeof kEightButtons[0];
        return kEightButtons;
    }
    *count = sizeof kElevenButtons / sizeof kElevenButtons[0];
    return kElevenButtons;
}

OwnVerbs OwnVerbsFor(std::uint32_t firstFlags, std::uint32_t capabilities, std::size_t selected)
{
    OwnVerbs verbs{false, false};
    verbs.rename = (firstFlags & ITEM_FOLDER) && (capabilities & CAN_RENAME) && selected == 1;
    verbs.remove = (firstFlags & (ITEM_FOLDER | ITEM_SHORTCUT)) && (capabilities & CAN_DELETE) &&
                   selected >= 1;
    return verbs;
}

const std::string& TypeText(const std::string& className, const std::string& folderText)
{
    return className == kFolderClass ? folderText : className;
}

ClassIconMap::ClassIconMap()
{
    map_.reserve(17);
}

bool ClassIconMap::Find(const std::string& className, int* index) const
{
    auto found = map_.find(className);
    if (found == map_.end()) return false;
    *index = found->second;
    return true;
}

void ClassIconMap::Insert(const std::string& className, int index)
{
    map_[className] = index;
}

}  // namespace view
}  // namespace orrel
