// Fields shared by the page DLLs beyond the editable text and list
// (directorypage.h): a read-only directory name, a number written as an
// integer (syntax 8) and a read-only list view of directory names with an
// icon. Each is added to a page like the others:
//
//   AddField(std::make_unique<NameField>(IDC_HOST_SERVER, "Host Server"));
//   AddField(std::make_unique<NumberField>(IDC_MEMORY, "Memory"));
//   AddField(std::make_unique<NameListField>(IDC_MEMBERS, "Member", IDI_USER));
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "orrel/pages/directorypage.h"
#include "orrel/ui/imagelist.h"

namespace orrel {
namespace pages {

// A directory name shown with ToDisplayName in an edit that is always
// read-only; never written. Takes values of syntax 1 (distinguished name)
// and 25 (typed name: its object name); any other syntax leaves the edit
// empty.
class NameField final : public PageField {
public:
    NameField(int editId, std::string attribute);

    void Load(DirectoryPage& page) override;
    void ApplyRights(DirectoryPage& page, uint32_t rights) override;
    bool OnCommand(DirectoryPage& page, WORD id, WORD code) override;
    int32_t Write(DirectoryPage& page) override;

    // The name inside a value of syntax 1 or 25, bounded by its buffer;
    // false for other syntaxes or a malformed record.
    static bool NameOf(const DirValue& value, std::string* name);

private:
    int editId_;
};

// An integer (syntax 8) in an edit: shown with "%ld", written as a 32-bit
// integer. An emptied edit removes the attribute; a text that is not a
// number in [minimum, maximum] is refused with a message and fails the
// apply (the field stays dirty).
class NumberField final : public TextField {
public:
    NumberField(int editId, std::string attribute, int64_t minimum = INT32_MIN,
                int64_t maximum = INT32_MAX);

protected:
    bool TextOf(const DirValue& value, std::string* text) const override;
    int32_t WriteText(DirectoryPage& page, const std::string& text) override;

private:
    int64_t minimum_;
    int64_t maximum_;
};

// A number typed into an edit: optional blanks around, an optional "-",
// digits. False when it is anything else or lies outside [minimum, maximum].
bool ParseNumber(const std::string& text, int64_t minimum, int64_t maximum, int64_t* value);
// Tells the user that text is not a number in [minimum, maximum] (warning
// box over the page's sheet, string IDS_PAGES_NUMBER_RANGE) and puts the
// focus on the edit. Returns the error an apply reports for it.
int32_t RefuseNumber(DirectoryPage& page, int editId, const std::string& text, int64_t minimum,
                     int64_t maximum);

// The values of a multi-valued attribute of directory names in a list view,
// each by ToDisplayName with one icon resource (16 x 16); read-only, never
// written. The list view keeps its own sort (LVS_SORTASCENDING when the
// template asks for it); a report-mode list without columns gets one column
// as wide as the list. The template gives the list LVS_SHAREIMAGELISTS: the
// field owns the image list.
class NameListField final : public PageField {
public:
    NameListField(int listId, std::string attribute, int iconId);

    void Load(DirectoryPage& page) override;
    int32_t Write(DirectoryPage& page) override;

    // The image list with the field's icon made and given to the list view
    // (normal and small icons); the icon's index, or -1.
    static int AttachIcon(HWND list, int iconId, ui::ImageList& images);

private:
    int listId_;
    int iconId_;
    ui::ImageList images_;
};

}  // namespace pages
}  // namespace orrel
