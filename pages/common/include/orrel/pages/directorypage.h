// The base of every property page of the page DLLs: a page over one
// directory object that shows its attributes in fields and writes the
// changed ones back on Apply.
//
// A page class:
//   class TitlePage : public DirectoryPage {
//   public:
//       explicit TitlePage(PropertyHandler& h) : DirectoryPage(h, 2000) {
//           ShowIfReadable({"Title", "Description"});
//           AddListField(2001, 2002, "Title", IDS_EDIT_TITLE, true, 3);
//           AddTextField(2003, "Description");
//       }
//   };
//
// Protocol (the base does it all; fields are kept in the order added, which
// is the apply order):
//   - constructor: ShowIfReadable asks the read right of the attributes in
//     order and stops at the first readable one; none readable suppresses
//     the page (AddPages then never shows it);
//   - WM_INITDIALOG: OnInitPage(), each field's Load, OnLoad(), then each
//     field's ApplyRights with the attribute's rights (no write right: the
//     edit read-only, the list's "Edit..." button disabled; a list whose
//     read failed is shown empty, its button disabled). Changes that
//     loading makes to the controls do not count as edits;
//   - EN_CHANGE of a field's control or a list edit that changed the list
//     sets the field's dirty flag; the first one sends PSM_CHANGED;
//   - PSN_APPLY: every dirty field is written in order, each one's dirty
//     flag takes its result, and the apply fails with
//     PSNRET_INVALID_NOCHANGEPAGE when any write failed; PSN_KILLACTIVE
//     always lets the page go.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "orrel/com.h"
#include "orrel/pages/dirsession.h"
#include "orrel/pages/handler.h"
#include "orrel/pages/valuelist.h"
#include "orrel/ui/propertypage.h"

namespace orrel {
namespace pages {

class DirectoryPage;

// One attribute shown by a page. Derive for attributes with controls or
// value shapes of their own (a label of six lines, a stream, a record).
class PageField {
public:
    explicit PageField(std::string attribute) : attribute_(std::move(attribute)) {}
    PageField(const PageField&) = delete;
    PageField& operator=(const PageField&) = delete;
    virtual ~PageField() = default;

    const std::string& Attribute() const noexcept { return attribute_; }
    bool Dirty() const noexcept { return dirty_; }
    // The rights found at load time (0 before).
    uint32_t Rights() const noexcept { return rights_; }
    bool Writable() const noexcept { return (rights_ & HALVET_RIGHT_WRITE) != 0; }

    // WM_INITDIALOG: read the value(s) and show them; a failed read leaves
    // the controls empty.
    virtual void Load(DirectoryPage& page) = 0;
    // After every field is loaded: rights of the caller on the attribute.
    virtual void ApplyRights(DirectoryPage& page, uint32_t rights);
    // WM_COMMAND of the page; true when the field took it.
    virtual bool OnCommand(DirectoryPage& page, WORD id, WORD code);
    // PSN_APPLY of a dirty field: take the controls' contents and write
    // them; 0 or the directory error.
    virtual int32_t Write(DirectoryPage& page) = 0;

private:
    friend class DirectoryPage;
    std::string attribute_;
    bool dirty_ = false;
    uint32_t rights_ = 0;
};

// A single-valued text in an edit control. Shows the first value when its
// syntax is the expected one (3 unless given), writes the edit's text with
// WriteSingleValue in the write syntax.
class TextField : public PageField {
public:
    TextField(int editId, std::string attribute, uint32_t readSyntax = HALVET_SYNTAX_CI_STRING,
              uint32_t writeSyntax = HALVET_SYNTAX_CI_STRING);

    int EditId() const noexcept { return editId_; }
    void Load(DirectoryPage& page) override;
    void ApplyRights(DirectoryPage& page, uint32_t rights) override;
    bool OnCommand(DirectoryPage& page, WORD id, WORD code) override;
    int32_t Write(DirectoryPage& page) override;

protected:
    // The text of a value read; false leaves the edit empty. The default
    // takes text values of the read syntax.
    virtual bool TextOf(const DirValue& value, std::string* text) const;
    // Writes the edit's text; the default writes it as a text value.
    virtual int32_t WriteText(DirectoryPage& page, const std::string& text);

    int editId_;
    uint32_t readSyntax_;
    uint32_t writeSyntax_;
};

// A multi-valued attribute: a combo box showing the values, an "Edit..."
// button that opens the list editor on the page's list, the list itself.
class ListField : public PageField {
public:
    // titleId: the editor's title string; showFirst false hides the first
    // value (the naming "CN"); nameMode shows values through ToDisplayName.
    // buttonId 0: a list that is shown only (no editor, never written).
    ListField(int comboId, int buttonId, std::string attribute, UINT titleId, bool showFirst,
              uint32_t writeSyntax, bool nameMode = false);

    int ComboId() const noexcept { return comboId_; }
    int ButtonId() const noexcept { return buttonId_; }
    ValueList& Values() noexcept { return values_; }
    const ValueList& Values() const noexcept { return values_; }
    // The syntax the directory reported at load (0 when nothing was read).
    uint32_t ReadSyntax() const noexcept { return readSyntax_; }
    // False when the read at load failed: the list is then shown empty and
    // cannot be edited.
    bool Complete() const noexcept { return complete_; }

    void Load(DirectoryPage& page) override;
    void ApplyRights(DirectoryPage& page, uint32_t rights) override;
    bool OnCommand(DirectoryPage& page, WORD id, WORD code) override;
    int32_t Write(DirectoryPage& page) override;

    // Opens the list editor (the button's action); true when the list was
    // changed (the field is then dirty and the combo refilled).
    bool Edit(DirectoryPage& page);
    void Refill(DirectoryPage& page);

protected:
    int comboId_;
    int buttonId_;
    UINT titleId_;
    bool showFirst_;
    uint32_t writeSyntax_;
    bool nameMode_;
    uint32_t readSyntax_ = 0;
    bool complete_ = true;
    ValueList values_;
};

class DirectoryPage : public ui::PropertyPage {
public:
    DirectoryPage(PropertyHandler& handler, UINT templateId);
    ~DirectoryPage() override;

    PropertyHandler& Handler() const noexcept { return *handler_.Get(); }
    DirectorySession& Session() noexcept { return session_; }
    // The selected object's full name, argument of every read and write.
    const char* ObjectName() const noexcept { return handler_->ObjectName().c_str(); }

    // Suppressed pages are deleted by AddPages without being shown.
    bool Suppressed() const noexcept { return suppressed_; }
    void Suppress(bool suppressed = true) noexcept { suppressed_ = suppressed; }

    // The caller's rights on an attribute of the page's object.
    uint32_t Rights(const char* attribute);

    // Fields, in apply order; the page owns them.
    PageField& AddField(std::unique_ptr<PageField> field);
    TextField& AddTextField(int editId, const char* attribute,
                            uint32_t readSyntax = HALVET_SYNTAX_CI_STRING,
                            uint32_t writeSyntax = HALVET_SYNTAX_CI_STRING);
    ListField& AddListField(int comboId, int buttonId, const char* attribute, UINT titleId,
                            bool showFirst, uint32_t writeSyntax, bool nameMode = false);
    std::size_t FieldCount() const noexcept { return fields_.size(); }
    PageField& Field(std::size_t index) const noexcept { return *fields_[index]; }
    // The field of an attribute, or null.
    PageField* FindField(const char* attribute) const noexcept;

    // Sets a field's dirty flag; the first change of the page's state from
    // clean sends PSM_CHANGED. Ignored while the page loads.
    void MarkDirty(PageField& field);
    bool Loading() const noexcept { return loading_; }
    bool AnyDirty() const noexcept;

    // The page's apply: every dirty field written in order. True when every
    // write succeeded.
    bool ApplyChanges();

    // Offers a page to a sheet (AddPages does this): takes the page, which
    // deletes itself when its sheet releases it. False when the sheet did not
    // take it; the page is then already deleted.
    static bool Offer(DirectoryPage* page, LPFNADDPROPSHEETPAGE addPage, LPARAM lParam) noexcept;

protected:
    // The page is shown when the caller may read one of these attributes
    // (asked in order, stopping at the first readable one).
    void ShowIfReadable(std::initializer_list<const char*> attributes);

    // Hooks for page classes.
    virtual void OnInitPage() {}        // controls set up, before the loads
    virtual void OnLoad() {}            // after the fields loaded: other values
    virtual void OnRightsApplied() {}   // after the fields' rights
    // WM_COMMAND that no field took; true when handled.
    virtual bool OnPageCommand(WORD id, WORD code, HWND control);
    // After the fields were written, before the result is given: extra
    // writes of the page; false fails the apply.
    virtual bool OnApplyExtra() { return true; }

    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    int OnApply() override;
    bool OnKillActive() override { return false; }
    void OnRelease() override;

private:
    ComPtr<PropertyHandler> handler_;
    DirectorySession session_;
    bool suppressed_ = false;
    bool loading_ = false;
    bool* deleted_ = nullptr;  // told of the deletion while Offer runs
    std::vector<std::unique_ptr<PageField>> fields_;
};

}  // namespace pages
}  // namespace orrel
