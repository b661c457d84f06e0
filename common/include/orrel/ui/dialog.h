// Dialogs owned by C++ objects, modal or modeless, from templates of the
// module's resources (the resource library when one is selected).
//
// One static dialog procedure captures the object at WM_INITDIALOG (its
// lParam), keeps it in DWLP_USER and calls the virtual handlers:
//   OnInit          WM_INITDIALOG; true lets the system set the focus
//   OnCommand       WM_COMMAND; unhandled IDOK / IDCANCEL go to OnOK / OnCancel
//   OnNotify        WM_NOTIFY; answer through SetResult (DWLP_MSGRESULT)
//   OnDestroy       WM_DESTROY
//   HandleMessage   everything else; for the messages whose answer is the
//                   procedure's return value (WM_CTLCOLOR*, WM_COMPAREITEM,
//                   WM_VKEYTOITEM, WM_CHARTOITEM, WM_QUERYDRAGICON) result is
//                   returned as it is, for all others it goes to DWLP_MSGRESULT
//   OnFinalMessage  after WM_NCDESTROY, once the object is detached and the
//                   outermost message has returned (a self-owned modeless
//                   dialog deletes itself here)
// No exception leaves the procedure: a handler that throws counts as not
// having handled its message.
#pragma once

#include <windows.h>

#include <string>

namespace orrel {
namespace ui {

class Dialog {
public:
    explicit Dialog(UINT templateId) noexcept : templateId_(templateId) {}
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    // A modeless dialog still open is detached and destroyed.
    virtual ~Dialog();

    // Runs the dialog modally; the value given to EndDialog, or -1 when the
    // dialog could not be created.
    INT_PTR DoModal(HWND parent) noexcept;
    // Creates the dialog modelessly; null on failure.
    HWND Create(HWND parent) noexcept;
    // Ends a modal dialog with result; destroys a modeless one (Result() then
    // tells the value).
    void EndDialog(INT_PTR result) noexcept;

    HWND Handle() const noexcept { return hwnd_; }
    UINT TemplateId() const noexcept { return templateId_; }
    INT_PTR Result() const noexcept { return result_; }
    bool IsModal() const noexcept { return modal_; }

    // The module whose template is used; null (the default) means the
    // module's resource instance at the time of creation.
    void SetTemplateInstance(HINSTANCE instance) noexcept { templateInstance_ = instance; }
    // The module the template is taken from now.
    HINSTANCE TemplateModule() const noexcept;

    // The object attached to a dialog window by this module's layer, or null.
    static Dialog* FromHandle(HWND hwnd) noexcept;

    // Dialog item helpers.
    HWND Item(int id) const noexcept { return GetDlgItem(hwnd_, id); }
    std::string GetItemText(int id) const;
    bool SetItemText(int id, const char* text) const noexcept;
    bool SetItemText(int id, const std::string& text) const noexcept
    {
        return SetItemText(id, text.c_str());
    }
    void EnableItem(int id, bool enable) const noexcept;
    void CheckItem(int id, bool checked) const noexcept;
    bool IsItemChecked(int id) const noexcept;
    void SetReadOnly(int id, bool readOnly) const noexcept;
    LRESULT SendItemMessage(int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) const noexcept;
    // Sets the answer of the message being handled (DWLP_MSGRESULT).
    void SetResult(LRESULT value) const noexcept;

protected:
    virtual bool OnInit();
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    virtual bool OnNotify(NMHDR* header);
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnDestroy();
    virtual bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result);
    virtual void OnFinalMessage(HWND hwnd);

    // The dialog procedure of the layer and the attachment of an object,
    // shared with the property pages.
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Attach(HWND hwnd) noexcept;
    void Detach() noexcept;
    INT_PTR Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    // WM_NOTIFY routing; property pages take their sheet's notifications here.
    virtual bool RouteNotify(NMHDR* header);

private:
    struct Frame;

    UINT templateId_;
    HINSTANCE templateInstance_ = nullptr;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    INT_PTR result_ = 0;
    int depth_ = 0;
    bool finalPending_ = false;
    bool inCreate_ = false;
    Frame* frame_ = nullptr;
};

}  // namespace ui
}  // namespace orrel
