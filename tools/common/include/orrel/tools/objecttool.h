// The object tools' handler: one COM object per menu, created by the
// namespace's item UI object (or the shell) for the selected directory
// objects, holding their selection open for as long as it lives.
//
// A tool derives from ObjectTool and supplies three things:
//
//   class HomePageTool final : public orrel::tools::ObjectTool {
//   public:
//       HomePageTool() : ObjectTool(IDS_HELP) {}          // 0: no help text
//   protected:
//       HRESULT CheckSelection() override { return CaptureFirstObject(); }
//       bool MenuText(std::string* text) override;       // false: not offered
//       HRESULT RunCommand(const CMINVOKECOMMANDINFO&) override;
//   };
//
// The verb rule: the host numbers its commands from 1 and passes id - 1 as
// the verb to every handler, so a tool acts only when the low word of an
// integer verb plus 1, as a 16-bit value, is the command id it was given in
// QueryContextMenu. Verbs by name are never a tool's.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstddef>
#include <memory>
#include <string>

#include "halvet/spacelib_scope.h"
#include "orrel/com.h"

namespace orrel {
namespace tools {

// The classes the mail and message tools serve, in registration order:
// "User", "Group", "Country", "Locality", "Organization",
// "Organizational Unit".
extern const char* const kMailClasses[6];

// One selected directory object as the tools use it.
struct SelectedItem {
    std::string objectName;
    std::string treeName;
    std::string className;
    std::string nameContext;
};

bool SameTextNoCase(const char* a, const char* b) noexcept;

class ObjectTool : public IShellExtInit, public IContextMenu {
public:
    ORREL_IUNKNOWN_METHODS(ObjectTool)
    static const QIEntry* QITable() noexcept;

    // IShellExtInit: opens the data object's selection (E_FAIL when it
    // carries no directory object), then the tool's own CheckSelection.
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override;

    // IContextMenu.
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId,
                                  UINT flags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    // The help text (GCS_HELPTEXTA/W) of the tool's own command; a tool
    // without one answers S_OK and writes nothing.
    STDMETHODIMP GetCommandString(UINT_PTR id, UINT flags, UINT* reserved, CHAR* buffer,
                                  UINT size) override;

    // The open selection.
    int Count() const noexcept;
    bool Object(int index, SelectedItem* out) const;
    // Tree name and name context of object 0 (CaptureFirstObject).
    const std::string& TreeName() const noexcept { return treeName_; }
    const std::string& NameContext() const noexcept { return nameContext_; }
    // The command id taken in QueryContextMenu (0 before).
    UINT CommandId() const noexcept { return offered_ ? commandId_ : 0; }
    bool IsOwnVerb(LPCSTR verb) const noexcept;

protected:
    explicit ObjectTool(UINT helpTextId) noexcept;
    virtual ~ObjectTool();

    // The tool's test of the selection after it opened; a failure leaves the
    // tool out of the menu.
    virtual HRESULT CheckSelection() { return S_OK; }
    // The menu text when the command is offered.
    virtual bool MenuText(std::string* text) = 0;
    // The command, for the tool's own verb; its result is InvokeCommand's.
    virtual HRESULT RunCommand(const CMINVOKECOMMANDINFO& info) = 0;
    // What InvokeCommand answers to a verb that is not the tool's.
    virtual HRESULT IgnoredVerbResult() const noexcept { return E_NOTIMPL; }

    // Tests for CheckSelection: every two consecutive objects have the same
    // class (ignoring case); every object's class is one of classes
    // (ignoring case); object 0 can be read, and its tree name and name
    // context are kept.
    HRESULT RequireSameClass() const;
    HRESULT RequireClasses(const char* const* classes, std::size_t count) const;
    HRESULT CaptureFirstObject();

private:
    RefCount refs_;
    std::unique_ptr<halvet::SelectionScope> selection_;
    UINT helpTextId_;
    UINT commandId_ = 0;
    bool offered_ = false;
    std::string treeName_;
    std::string nameContext_;
};

}  // namespace tools
}  // namespace orrel
