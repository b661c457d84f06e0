// Benchmark of the search window against a large container served by slapd
// on 127.0.0.1: prints figures, checks nothing.
//
//   find_bench.exe <base DN> [runs]
//
// Figures: the library's own poll loop over the same search (wldap32 alone,
// the floor of any window), the window's search from the click on "&Search"
// to its end-of-search update with every row in the list, the longest wait
// of a message sent to the window while it fills, and the time from a click
// on "&Stop Search" in the middle of a search to the end-of-search update.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/ldapdirectory.h"
#include "find_test_support.h"
// After the LDAP declarations it builds on.
#include <winber.h>

using namespace findtest;

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

const char* kAttributes[] = {"dn", "fullName", "telephoneNumber", "givenName", "sn", "l", "cn"};

// The same search as the window's, with the same zero-time-out poll, but
// nothing done with the entries beyond reading them.
double LibraryLoop(const char* base, int* count)
{
    orrel::find::LdapDirectory directory;
    LDAP* session = nullptr;
    if (directory.OpenLdapSession("127.0.0.1", &session) != 0) return -1;
    std::vector<char*> attributes;
    for (const char* a : kAttributes) attributes.push_back(const_cast<char*>(a));
    attributes.push_back(nullptr);
    double start = Now();
    ULONG id = 0;
    ldap_search_extA(session, const_cast<char*>(base), LDAP_SCOPE_ONELEVEL,
                     const_cast<char*>("(&(objectClass=inetOrgPerson))"), attributes.data(), 0, nullptr, nullptr, 0,
                     0, &id);
    *count = 0;
    for (;;) {
        l_timeval zero{0, 0};
        LDAPMessage* message = nullptr;
        ULONG type = ldap_result(session, id, 0, &zero, &message);
        if (type == 0) {
            Sleep(1);
            continue;
        }
        if (type == static_cast<ULONG>(-1)) break;
        if (type == LDAP_RES_SEARCH_ENTRY) {
            ++*count;
            LDAPMessage* entry = ldap_first_entry(session, message);
            char* dn = ldap_get_dnA(session, entry);
            if (dn) ldap_memfreeA(dn);
            BerElement* cursor = nullptr;
            for (char* a = ldap_first_attributeA(session, entry, &cursor); a;
                 a = ldap_next_attributeA(session, entry, cursor)) {
                char** values = ldap_get_valuesA(session, entry, a);
                if (values) ldap_value_freeA(values);
                ldap_memfreeA(a);
            }
            if (cursor) ber_free(cursor, 0);
        }
        if (message) ldap_msgfree(message);
        if (type == LDAP_RES_SEARCH_RESULT) break;
    }
    double elapsed = Now() - start;
    directory.CloseLdapSession(session);
    return elapsed;
}

int RowCount(HWND list)
{
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

// Clicks Search and waits for the end; the time from the click to the
// status line coming back, and the longest round trip of a message sent to
// the window meanwhile.
double TimedSearch(SearchWindowUnderTest& w, double* longestWait, std::string* status)
{
    HWND statusLine = w.Item(4014);
    *longestWait = 0;
    double start = Now();
    SendMessageA(w.Handle(), WM_COMMAND, MAKEWPARAM(4002, BN_CLICKED), reinterpret_cast<LPARAM>(w.Item(4002)));
    for (;;) {
        double before = Now();
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(w.Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
        *longestWait = std::max(*longestWait, Now() - before);
        if (IsWindowVisible(statusLine)) break;
        Sleep(1);
    }
    double elapsed = Now() - start;
    *status = w.Status();
    return elapsed;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) {
        std::fprintf(stderr, "usage: find_bench <base DN> [runs]\n");
        return 2;
    }
    const char* base = argv[1];
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    OleInitialize(nullptr);
    InitCommonControls();
    PrivateUser user;

    std::vector<double> library;
    int count = 0;
    for (int i = 0; i < runs; ++i) library.push_back(LibraryLoop(base, &count));
    std::printf("%-44s %9.1f ms   (%d entries, median of %d)\n", "wldap32 poll loop alone", Median(library), count,
                runs);
    if (*std::min_element(library.begin(), library.end()) < 0) {
        std::printf("no LDAP server answers on 127.0.0.1:389\n");
        return 1;
    }

    SearchWindowUnderTest w;
    if (!w.Handle()) return 1;
    w.TypeServer("127.0.0.1");
    SetControlText(w.Handle(), 4005, base);
    SendMessageA(w.Item(4006), BM_SETCHECK, BST_UNCHECKED, 0);
    std::vector<double> window, waits;
    int rows = 0;
    std::string status;
    for (int i = 0; i < runs; ++i) {
        double wait = 0;
        window.push_back(TimedSearch(w, &wait, &status));
        waits.push_back(wait);
        rows = RowCount(w.Item(4000));
    }
    std::printf("%-44s %9.1f ms   (%d rows, median of %d; last status \"%s\")\n",
                "window: click on Search to end of search", Median(window), rows, runs, status.c_str());
    std::printf("%-44s %9.1f ms   (median of the runs' longest)\n", "window: longest wait of a sent message",
                Median(waits));

    // Stop in the middle: once a third of the rows are in the list.
    std::vector<double> stops;
    int stoppedAt = 0;
    for (int i = 0; i < runs; ++i) {
        SetControlText(w.Handle(), 4014, "");
        HWND list = w.Item(4000);
        SendMessageA(w.Handle(), WM_COMMAND, MAKEWPARAM(4002, BN_CLICKED), reinterpret_cast<LPARAM>(w.Item(4002)));
        WaitUntil([&] { return RowCount(list) >= rows / 3 || w.Idle(); }, 120000);
        double start = Now();
        SendMessageA(w.Handle(), WM_COMMAND, MAKEWPARAM(4002, BN_CLICKED), reinterpret_cast<LPARAM>(w.Item(4002)));
        while (!IsWindowVisible(w.Item(4014))) Sleep(0);
        stops.push_back(Now() - start);
        stoppedAt = RowCount(list);
        WaitUntil([&] { return w.Idle(); }, 10000);
    }
    std::printf("%-44s %9.1f ms   (median of %d, max %.1f ms; %d rows at the end)\n",
                "window: click on Stop to end of search", Median(stops), runs,
                *std::max_element(stops.begin(), stops.end()), stoppedAt);
    return 0;
}
