// The search run: filter and attributes from the window's controls, the
// session, the zero-time-out poll and the rows handed to the window.
#include <winsock2.h>

#include "searchthread.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "engine/ldapdirectory.h"
// After the LDAP declarations it builds on.
#include <winber.h>

#include "engine/searchtables.h"
#include "orrel/ui/controls.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"
#include "searchwindow.h"

namespace orrel {
namespace find {

namespace {

// Rows are handed over in batches: whenever nothing more has arrived, and
// at the latest after this many rows or milliseconds.
const std::size_t kBatchRows = 200;
const ULONGLONG kBatchMs = 40;

void ShowLdapError(HWND window, UINT textId, long code)
{
    std::string caption = ui::FormatText(ui::LoadModuleText(IDS_LDAP_ERROR).c_str(), code);
    std::string text = ui::FormatText(ui::LoadModuleText(textId).c_str(), LdapErrorText(code));
    MessageBoxA(window, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
}

// The row of one search entry: its dotted name and the values of the
// requested attributes, each column's values joined by ", ".
bool ReadEntry(LDAP* session, LDAPMessage* entry, const std::vector<std::string>& attributes,
               ResultRow* row)
{
    char* dn = ldap_get_dnA(session, entry);
    if (!dn) return false;
    row->name = ToDottedName(dn);
    ldap_memfreeA(dn);
    row->cells.assign(attributes.size(), std::string());
    BerElement* cursor = nullptr;
    for (char* name = ldap_first_attributeA(session, entry, &cursor); name;
         name = ldap_next_attributeA(session, entry, cursor)) {
        int column = ColumnOfAttribute(attributes, name);
        char** values = ldap_get_valuesA(session, entry, name);
        if (column > 0 && values) {
            std::string& cell = row->cells[static_cast<std::size_t>(column)];
            for (char** v = values; *v; ++v) {
                if (!cell.empty()) cell += ", ";
                cell += *v;
            }
        }
        if (values) ldap_value_freeA(values);
        ldap_memfreeA(name);
    }
    if (cursor) ber_free(cursor, 0);
    return true;
}

}  // namespace

bool SearchThread::InitInstance()
{
    try {
        RunSearch();
    } catch (...) {
    }
    // The end-of-search update, once, whatever happened.
    SendMessageA(hwnd_, SearchWindow::MsgEndOfSearch, 0, 0);
    PostQuit();
    return true;
}

void SearchThread::RunSearch()
{
    // 1-3: filter, result icon and attributes from the window's controls.
    std::string className = ui::WindowView(GetDlgItem(hwnd_, IDC_SEARCH_CLASS)).GetText();
    ui::ListViewCtrl criteriaList(GetDlgItem(hwnd_, IDC_SEARCH_CRITERIA));
    std::vector<Criterion> criteria;
    int count = criteriaList.GetItemCount();
    for (int i = 0; i < count; ++i)
        criteria.push_back({criteriaList.GetItemText(i, 0), criteriaList.GetItemText(i, 1)});
    std::string filter = BuildFilter(className, criteria);
    int image = SearchWindow::ImageIndexOf(ResultIconOf(className));
    std::vector<std::string> attributes = ResultAttributesOf(ClassMaskOf(className));

    // 4: the result list emptied (its rows, which the window holds, went
    // when the search started), its header shown.
    ui::ListViewCtrl results(GetDlgItem(hwnd_, IDC_SEARCH_RESULTS));
    results.DeleteAllItems();
    for (int n = results.GetColumnCount(); n > 0; --n) results.DeleteColumn(0);
    results.ModifyStyle(LVS_NOCOLUMNHEADER, 0);
    // Repainted by the window's thread when it next can: painting from here
    // would wait for the whole window to be drawn.
    RedrawWindow(results.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    if (window_->StopRequested()) return;

    // 5: the session.
    std::string server = ui::WindowView(GetDlgItem(hwnd_, IDC_SEARCH_SERVER)).GetText();
    LdapDirectory directory;
    LDAP* session = nullptr;
    long rc = directory.OpenLdapSession(server.c_str(), &session);
    if (rc != 0) {
        ShowLdapError(hwnd_, IDS_LOGIN_PROBLEM, rc);
        return;
    }

    // 6: one column per requested attribute.
    for (std::size_t i = 0; i < attributes.size(); ++i)
        results.InsertColumn(static_cast<int>(i), AttributeToDisplay(attributes[i]).c_str(), 100);
    RedrawWindow(results.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    if (window_->StopRequested()) {
        directory.CloseLdapSession(session);
        return;
    }

    // 7-8: scope, base and the search itself.
    ULONG scope = ui::ButtonCtrl(GetDlgItem(hwnd_, IDC_SEARCH_SUBCONTAINERS)).GetCheck() == BST_CHECKED
                      ? LDAP_SCOPE_SUBTREE
                      : LDAP_SCOPE_ONELEVEL;
    std::string base = directory.ToLdapContext(ui::WindowView(GetDlgItem(hwnd_, IDC_SEARCH_CONTEXT)).GetText());
    std::vector<char*> attributeList;
    for (std::string& name : attributes) attributeList.push_back(&name[0]);
    attributeList.push_back(nullptr);
    ULONG messageId = 0;
    ULONG started = ldap_search_extA(session, &base[0], scope, &filter[0], attributeList.data(), 0,
                                     nullptr, nullptr, 0, 0, &messageId);
    if (started != LDAP_SUCCESS) {
        ShowLdapError(hwnd_, IDS_SEARCH_PROBLEM, NormaliseLdapCode(static_cast<long>(static_cast<int>(started))));
        directory.CloseLdapSession(session);
        return;
    }

    // 9: the poll, never blocking in the library.
    std::vector<ResultRow> batch;
    ULONGLONG lastFlush = GetTickCount64();
    auto flush = [&] {
        if (!batch.empty()) {
            SearchWindow::ResultBatch handed{image, &batch};
            SendMessageA(hwnd_, SearchWindow::MsgAddRows, 0, reinterpret_cast<LPARAM>(&handed));
            batch.clear();
        }
        lastFlush = GetTickCount64();
    };
    long error = 0;
    bool done = false;
    while (!done) {
        l_timeval zero{0, 0};
        LDAPMessage* message = nullptr;
        ULONG type = ldap_result(session, messageId, 0, &zero, &message);
        switch (type) {
        case 0:
            flush();
            Sleep(1);
            break;
        case LDAP_RES_SEARCH_ENTRY: {
            LDAPMessage* entry = ldap_first_entry(session, message);
            ResultRow row;
            if (entry && ReadEntry(session, entry, attributes, &row)) batch.push_back(std::move(row));
            ldap_msgfree(message);
            if (batch.size() >= kBatchRows || GetTickCount64() - lastFlush >= kBatchMs) flush();
            break;
        }
        case LDAP_RES_SEARCH_RESULT: {
            done = true;
            ULONG code = 0;
            char* matched = nullptr;
            char* text = nullptr;
            PLDAPControlA* controls = nullptr;
            ULONG parsed = ldap_parse_resultA(session, message, &code, &matched, &text, nullptr, &controls, TRUE);
            if (matched) ldap_memfreeA(matched);
            if (text) ldap_memfreeA(text);
            if (controls) ldap_controls_freeA(controls);
            if (parsed != LDAP_SUCCESS) code = parsed;
            error = NormaliseLdapCode(static_cast<long>(static_cast<int>(code)));
            break;
        }
        case LDAP_RES_REFERRAL:  // a search reference (0x73)
            ldap_msgfree(message);
            break;
        case static_cast<ULONG>(-1):
            error = LastLdapError(session);
            if (error == 0) error = LDAP_SERVER_DOWN;
            done = true;
            break;
        default:
            if (message) ldap_msgfree(message);
            Sleep(10);
            break;
        }
        if (window_->StopRequested()) break;
    }
    flush();
    // 10: the unbind also ends a search that was stopped.
    directory.CloseLdapSession(session);
    if (error != 0) ShowLdapError(hwnd_, IDS_SEARCH_PROBLEM, error);
}

}  // namespace find
}  // namespace orrel
