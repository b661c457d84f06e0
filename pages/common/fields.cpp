#include "orrel/pages/fields.h"

#include <cctype>
#include <cstdio>

#include "editlist_res.h"
#include "orrel/handles.h"
#include "orrel/module.h"
#include "orrel/ui/controls.h"
#include "orrel/ui/messagebox.h"

namespace orrel {
namespace pages {

// ---- NameField -----------------------------------------------------------------

NameField::NameField(int editId, std::string attribute)
    : PageField(std::move(attribute)), editId_(editId)
{
}

bool NameField::NameOf(const DirValue& value, std::string* name)
{
    if (!value.HasValue()) return false;
    if (value.Syntax() == HALVET_SYNTAX_DIST_NAME) {
        *name = value.Text();
        return true;
    }
    if (value.Syntax() == HALVET_SYNTAX_TYPED_NAME) {
        const auto* record = value.As<HALVET_TYPED_NAME>();
        if (!record || !value.Contains(record->objectName)) return false;
        *name = value.StringAt(record->objectName);
        return true;
    }
    return false;
}

void NameField::Load(DirectoryPage& page)
{
    DirValue value;
    std::string name;
    if (page.Session().ReadFirstValue(page.ObjectName(), Attribute().c_str(), &value) == 0 &&
        NameOf(value, &name))
        page.SetItemText(editId_, page.Session().ToDisplayName(name.c_str()));
}

void NameField::ApplyRights(DirectoryPage& page, uint32_t)
{
    page.SetReadOnly(editId_, true);
}

bool NameField::OnCommand(DirectoryPage&, WORD id, WORD)
{
    return id == editId_;
}

int32_t NameField::Write(DirectoryPage&)
{
    return 0;  // shown only
}

// ---- NumberField -----------------------------------------------------------------

bool ParseNumber(const std::string& text, int64_t minimum, int64_t maximum, int64_t* value)
{
    std::size_t i = 0, end = text.size();
    while (i < end && (text[i] == ' ' || text[i] == '\t')) ++i;
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    bool negative = false;
    if (i < end && text[i] == '-') {
        negative = true;
        ++i;
    }
    if (i == end) return false;
    int64_t magnitude = 0;
    for (; i < end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > (int64_t(1) << 40)) return false;  // beyond any field
    }
    int64_t result = negative ? -magnitude : magnitude;
    if (result < minimum || result > maximum) return false;
    *value = result;
    return true;
}

int32_t RefuseNumber(DirectoryPage& page, int editId, const std::string& text, int64_t minimum,
                     int64_t maximum)
{
    HWND owner = page.Sheet() ? page.Sheet() : page.Handle();
    ui::MessageBoxFromStrings(owner, IDS_PAGES_NUMBER_RANGE, IDS_PAGES_CAPTION,
                              MB_OK | MB_ICONWARNING, text.c_str(),
                              static_cast<long long>(minimum), static_cast<long long>(maximum));
    if (HWND edit = page.Item(editId)) {
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
    }
    return HALVET_ERR_SYNTAX_VIOLATION;
}

NumberField::NumberField(int editId, std::string attribute, int64_t minimum, int64_t maximum)
    : TextField(editId, std::move(attribute), HALVET_SYNTAX_INTEGER, HALVET_SYNTAX_INTEGER),
      minimum_(minimum), maximum_(maximum)
{
}

bool NumberField::TextOf(const DirValue& value, std::string* text) const
{
    int32_t number = 0;
    if (value.Syntax() != HALVET_SYNTAX_INTEGER || !value.Int32(&number)) return false;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%ld", static_cast<long>(number));
    *text = buffer;
    return true;
}

int32_t NumberField::WriteText(DirectoryPage& page, const std::string& text)
{
    int64_t number = 0;
    if (!ParseNumber(text, minimum_, maximum_, &number))
        return RefuseNumber(page, EditId(), text, minimum_, maximum_);
    int32_t value = static_cast<int32_t>(number);
    return page.Session().WriteSingleValue(page.ObjectName(), Attribute().c_str(), &value,
                                           HALVET_SYNTAX_INTEGER);
}

// ---- NameListField ---------------------------------------------------------------

NameListField::NameListField(int listId, std::string attribute, int iconId)
    : PageField(std::move(attribute)), listId_(listId), iconId_(iconId)
{
}

int NameListField::AttachIcon(HWND list, int iconId, ui::ImageList& images)
{
    if (!images && !images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1)) return -1;
    Icon icon(static_cast<HICON>(LoadImageA(Module::ResourceInstance(), MAKEINTRESOURCEA(iconId),
                                            IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    int index = images.AddIcon(icon.Get());
    ui::ListViewCtrl view(list);
    view.SetImageList(images.Get(), LVSIL_NORMAL);
    view.SetImageList(images.Get(), LVSIL_SMALL);
    return index;
}

void NameListField::Load(DirectoryPage& page)
{
    HWND list = page.Item(listId_);
    if (!list) return;
    ui::ListViewCtrl view(list);
    int image = AttachIcon(list, iconId_, images_);
    if ((view.GetStyle() & LVS_TYPEMASK) == LVS_REPORT && view.GetColumnCount() == 0) {
        RECT client = {};
        GetClientRect(list, &client);
        view.InsertColumn(0, "", client.right - GetSystemMetrics(SM_CXVSCROLL));
    }
    ValueList values;
    // Shown only: what a read that failed part way brought is shown too.
    page.Session().ReadValueList(page.ObjectName(), Attribute().c_str(), values);
    for (const ValueNode& node : values) {
        std::string name = page.Session().ToDisplayName(node.text.c_str());
        view.InsertItem(view.GetItemCount(), name.c_str(), image);
    }
}

int32_t NameListField::Write(DirectoryPage&)
{
    return 0;  // shown only
}

}  // namespace pages
}  // namespace orrel
