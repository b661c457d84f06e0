#include "orrel/pages/directorypage.h"

#include "orrel/comguard.h"
#include "orrel/pages/display.h"
#include "orrel/pages/editlist.h"

namespace orrel {
namespace pages {

// ---- PageField -------------------------------------------------------------

void PageField::ApplyRights(DirectoryPage&, uint32_t) {}

bool PageField::OnCommand(DirectoryPage&, WORD, WORD)
{
    return false;
}

// ---- TextField ---------------------------------------------------------------

TextField::TextField(int editId, std::string attribute, uint32_t readSyntax, uint32_t writeSyntax)
    : PageField(std::move(attribute)), editId_(editId), readSyntax_(readSyntax),
      writeSyntax_(writeSyntax)
{
}

bool TextField::TextOf(const DirValue& value, std::string* text) const
{
    if (!value.HasValue() || value.Syntax() != readSyntax_) return false;
    *text = value.Text();
    return true;
}

void TextField::Load(DirectoryPage& page)
{
    DirValue value;
    std::string text;
    if (page.Session().ReadFirstValue(page.ObjectName(), Attribute().c_str(), &value) == 0 &&
        TextOf(value, &text))
        page.SetItemText(editId_, text);
}

void TextField::ApplyRights(DirectoryPage& page, uint32_t rights)
{
    if (!(rights & HALVET_RIGHT_WRITE)) page.SetReadOnly(editId_, true);
}

bool TextField::OnCommand(DirectoryPage& page, WORD id, WORD code)
{
    if (id != editId_) return false;
    if (code == EN_CHANGE) page.MarkDirty(*this);
    return true;
}

int32_t TextField::WriteText(DirectoryPage& page, const std::string& text)
{
    return page.Session().WriteSingleValue(page.ObjectName(), Attribute().c_str(), text,
                                           writeSyntax_);
}

int32_t TextField::Write(DirectoryPage& page)
{
    // A field the user emptied takes the attribute away: an empty value is
    // not a value (and the directory refuses it for most attributes). A
    // mandatory attribute cannot go, so that write fails and stays dirty.
    const std::string text = page.GetItemText(editId_);
    if (text.empty()) return page.Session().RemoveAttribute(page.ObjectName(), Attribute().c_str());
    return WriteText(page, text);
}

// ---- ListField ---------------------------------------------------------------

ListField::ListField(int comboId, int buttonId, std::string attribute, UINT titleId,
                     bool showFirst, uint32_t writeSyntax, bool nameMode)
    : PageField(std::move(attribute)), comboId_(comboId), buttonId_(buttonId), titleId_(titleId),
      showFirst_(showFirst), writeSyntax_(writeSyntax), nameMode_(nameMode)
{
}

void ListField::Load(DirectoryPage& page)
{
    values_.Clear();
    uint32_t syntax = 0;
    complete_ =
        page.Session().ReadValueList(page.ObjectName(), Attribute().c_str(), values_, &syntax) == 0;
    if (complete_) {
        readSyntax_ = syntax;
    } else {
        // A list that came only in part is not shown: an edit would rewrite
        // the attribute from it and lose the values that never came.
        values_.Clear();
    }
    Refill(page);
}

void ListField::Refill(DirectoryPage& page)
{
    FillCombo(page.Item(comboId_), values_, showFirst_, nameMode_, &page.Session());
}

void ListField::ApplyRights(DirectoryPage& page, uint32_t rights)
{
    if (!(rights & HALVET_RIGHT_WRITE) || !complete_) page.EnableItem(buttonId_, false);
}

bool ListField::Edit(DirectoryPage& page)
{
    EditListDialog editor(titleId_, values_, showFirst_);
    editor.Run(page.Handle());
    if (!editor.Modified()) return false;
    page.MarkDirty(*this);
    Refill(page);
    return true;
}

bool ListField::OnCommand(DirectoryPage& page, WORD id, WORD code)
{
    if (buttonId_ && id == buttonId_) {
        if (code == BN_CLICKED && Writable() && complete_) Edit(page);
        return true;
    }
    return id == comboId_;
}

int32_t ListField::Write(DirectoryPage& page)
{
    return page.Session().WriteValueList(page.ObjectName(), Attribute().c_str(), values_,
                                         writeSyntax_);
}

// ---- DirectoryPage -----------------------------------------------------------

DirectoryPage::DirectoryPage(PropertyHandler& handler, UINT templateId)
    : PropertyPage(templateId, ui::PageOwnership::SelfOwned), handler_(&handler),
      session_(handler.TreeName(), handler.NameContext(), &handler.SharedContext())
{
}

DirectoryPage::~DirectoryPage()
{
    if (deleted_) *deleted_ = true;
    handler_->ForgetPage(this);
    // handler_ releases the page's reference on its handler last.
}

uint32_t DirectoryPage::Rights(const char* attribute)
{
    return session_.HasAttributeRight(ObjectName(), attribute);
}

void DirectoryPage::ShowIfReadable(std::initializer_list<const char*> attributes)
{
    for (const char* attribute : attributes) {
        if (Rights(attribute) & HALVET_RIGHT_READ) {
            suppressed_ = false;
            return;
        }
    }
    suppressed_ = true;
}

PageField& DirectoryPage::AddField(std::unique_ptr<PageField> field)
{
    fields_.push_back(std::move(field));
    return *fields_.back();
}

TextField& DirectoryPage::AddTextField(int editId, const char* attribute, uint32_t readSyntax,
                                       uint32_t writeSyntax)
{
    auto field = std::make_unique<TextField>(editId, attribute, readSyntax, writeSyntax);
    TextField& ref = *field;
    AddField(std::move(field));
    return ref;
}

ListField& DirectoryPage::AddListField(int comboId, int buttonId, const char* attribute,
                                       UINT titleId, bool showFirst, uint32_t writeSyntax,
                                       bool nameMode)
{
    auto field = std::make_unique<ListField>(comboId, buttonId, attribute, titleId, showFirst,
                                             writeSyntax, nameMode);
    ListField& ref = *field;
    AddField(std::move(field));
    return ref;
}

PageField* DirectoryPage::FindField(const char* attribute) const noexcept
{
    for (const auto& field : fields_)
        if (field->Attribute() == attribute) return field.get();
    return nullptr;
}

bool DirectoryPage::AnyDirty() const noexcept
{
    for (const auto& field : fields_)
        if (field->dirty_) return true;
    return false;
}

void DirectoryPage::MarkDirty(PageField& field)
{
    if (loading_ || field.dirty_) return;
    field.dirty_ = true;
    SetModified(true);
}

bool DirectoryPage::OnInit()
{
    // Whatever loading puts into the controls is not an edit.
    loading_ = true;
    try {
        OnInitPage();
        for (auto& field : fields_) field->Load(*this);
        OnLoad();
        for (auto& field : fields_) {
            field->rights_ = Rights(field->Attribute().c_str());
            field->ApplyRights(*this, field->rights_);
        }
        OnRightsApplied();
    } catch (...) {
        loading_ = false;
        throw;
    }
    loading_ = false;
    return true;
}

bool DirectoryPage::OnCommand(WORD id, WORD code, HWND control)
{
    for (auto& field : fields_)
        if (field->OnCommand(*this, id, code)) return true;
    return OnPageCommand(id, code, control);
}

bool DirectoryPage::OnPageCommand(WORD, WORD, HWND)
{
    return false;
}

bool DirectoryPage::ApplyChanges()
{
    bool ok = true;
    for (auto& field : fields_) {
        if (!field->dirty_) continue;
        int32_t result = GuardedCall(static_cast<int32_t>(HALVET_ERR_FATAL),
                                     [&] { return field->Write(*this); });
        field->dirty_ = result != 0;
        if (result != 0) ok = false;
    }
    if (!GuardedCall(false, [&] { return OnApplyExtra(); })) ok = false;
    return ok;
}

int DirectoryPage::OnApply()
{
    return ApplyChanges() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
}

void DirectoryPage::OnRelease()
{
    // The sheet lets the page go: it leaves the handler's record now; the
    // page itself (self-owned) is deleted next, releasing the handler.
    handler_->ForgetPage(this);
}

bool DirectoryPage::Offer(DirectoryPage* page, LPFNADDPROPSHEETPAGE addPage, LPARAM lParam) noexcept
{
    if (!page) return false;
    bool deleted = false;
    page->deleted_ = &deleted;
    bool taken = page->AddTo(addPage, lParam);
    if (deleted) return taken;  // refused and released: it deleted itself
    page->deleted_ = nullptr;
    if (!taken) delete page;  // never became a page handle
    return taken;
}

}  // namespace pages
}  // namespace orrel
