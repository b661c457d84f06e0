// Benchmark of a tree served by LDAP beside the image, through the directory
// client (the interface the namespace and the pages call). Prints figures,
// checks nothing but that the calls succeed.
//
//   ldap_bench list <image> <tree> <container> [runs]
//       lists the container whole in 4096-byte replies, runs times; prints
//       the object count and the best and mean times.
//   ldap_bench apply <image> <tree> <object> [runs]
//       overwrites the object's Title (one attribute, as a page's Apply
//       does), runs times; prints the best and mean times.
//   ldap_bench library <host> <base DN> [runs]
//       the same listing through the system's LDAP library alone: a one-level
//       search of base in pages of 1000 entries asking for the attributes the
//       client asks for, every entry's DN and values taken; runs times.
#include <winsock2.h>
#include <windows.h>

#include <winldap.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <halvet/dirclient.h>

#include "ldapmap.h"

namespace {

double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

int32_t ListOnce(HALVET_CONTEXT ctx, const char* container, HALVET_BUFFER* reply, uint32_t& total)
{
    total = 0;
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    do {
        int32_t rc = ListContainer(ctx, container, &iteration, reply);
        if (rc != HALVET_OK) return rc;
        uint32_t count = 0;
        GetObjectCount(ctx, reply, &count);
        for (uint32_t i = 0; i < count; ++i) {
            char name[300];
            HALVET_OBJECT_INFO info;
            rc = GetObjectName(ctx, reply, name, sizeof(name), nullptr, &info);
            if (rc != HALVET_OK) return rc;
        }
        total += count;
    } while (iteration != HALVET_NO_ITERATION);
    return HALVET_OK;
}

int32_t ApplyOnce(HALVET_CONTEXT ctx, const char* object, HALVET_BUFFER* request, int run)
{
    std::string title = "Benchmark title " + std::to_string(run);
    int32_t rc = InitDirBuffer(HALVET_OP_MODIFY, request);
    if (rc == HALVET_OK) rc = PutChange(ctx, request, HALVET_CHANGE_OVERWRITE_VALUE, "Title");
    if (rc == HALVET_OK) rc = PutAttrVal(ctx, request, HALVET_SYNTAX_CI_STRING, title.c_str());
    if (rc == HALVET_OK) rc = ModifyObject(ctx, object, request);
    return rc;
}

// One paged listing through wldap32 alone (the paged-results control of
// the client, since Wine's page helpers are not all there); the entry
// count, or -1.
long LibraryListOnce(LDAP* ld, const char* base)
{
    static char* attrs[] = {const_cast<char*>("objectClass"), const_cast<char*>("hasSubordinates"),
                            const_cast<char*>("modifyTimestamp"), nullptr};
    static char oid[] = "1.2.840.113556.1.4.319";
    long total = 0;
    std::string cookie;
    do {
        std::string value = orrel::ldapmap::PagedControlValue(1000, cookie);
        LDAPControlA control = {};
        control.ldctl_oid = oid;
        control.ldctl_value.bv_len = static_cast<ULONG>(value.size());
        control.ldctl_value.bv_val = const_cast<char*>(value.data());
        control.ldctl_iscritical = TRUE;
        PLDAPControlA controls[] = {&control, nullptr};
        LDAPMessage* page = nullptr;
        l_timeval timeout = {30, 0};
        ULONG rc = ldap_search_ext_sA(ld, const_cast<char*>(base), LDAP_SCOPE_ONELEVEL,
                                      const_cast<char*>("(objectClass=*)"), attrs, 0, controls, nullptr, &timeout, 0,
                                      &page);
        if (rc != LDAP_SUCCESS) {
            if (page) ldap_msgfree(page);
            return -1;
        }
        for (LDAPMessage* e = ldap_first_entry(ld, page); e; e = ldap_next_entry(ld, e)) {
            char* dn = ldap_get_dnA(ld, e);
            if (dn) ldap_memfreeA(dn);
            for (char** a = attrs; *a; ++a) {
                berval** values = ldap_get_values_lenA(ld, e, *a);
                if (values) ldap_value_free_len(values);
            }
            ++total;
        }
        ULONG code = 0;
        PLDAPControlA* returned = nullptr;
        cookie.clear();
        if (ldap_parse_resultA(ld, page, &code, nullptr, nullptr, nullptr, &returned, FALSE) == LDAP_SUCCESS &&
            returned) {
            for (PLDAPControlA* c = returned; *c; ++c)
                if ((*c)->ldctl_oid && strcmp((*c)->ldctl_oid, oid) == 0 && (*c)->ldctl_value.bv_val &&
                    !orrel::ldapmap::PagedControlCookie(
                        std::string((*c)->ldctl_value.bv_val, (*c)->ldctl_value.bv_len), cookie))
                    cookie.clear();
        }
        if (returned) ldap_controls_freeA(returned);
        ldap_msgfree(page);
    } while (!cookie.empty());
    return total;
}

int LibraryMain(const char* host, const char* base, int runs)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    LDAP* ld = ldap_initA(const_cast<char*>(host), 389);
    ULONG version = LDAP_VERSION3;
    if (!ld || ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version) != LDAP_SUCCESS ||
        ldap_simple_bind_sA(ld, nullptr, nullptr) != LDAP_SUCCESS) {
        fprintf(stderr, "ldap_bench: cannot reach %s\n", host);
        return 1;
    }
    double best = 1e300, sum = 0;
    long total = 0;
    for (int run = 0; run < runs; ++run) {
        double start = Now();
        total = LibraryListOnce(ld, base);
        double ms = Now() - start;
        if (total < 0) {
            fprintf(stderr, "ldap_bench: the library's listing failed\n");
            return 1;
        }
        best = ms < best ? ms : best;
        sum += ms;
    }
    printf("list %ld entries: best %.0f ms, mean %.0f ms over %d runs\n", total, best, sum / runs, runs);
    ldap_unbind(ld);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && strcmp(argv[1], "library") == 0) return LibraryMain(argv[2], argv[3], argc > 4 ? atoi(argv[4]) : 3);
    if (argc < 5 || (strcmp(argv[1], "list") != 0 && strcmp(argv[1], "apply") != 0)) {
        fprintf(stderr, "usage: ldap_bench list|apply <image> <tree> <container|object> [runs]\n"
                        "       ldap_bench library <host> <base DN> [runs]\n");
        return 2;
    }
    const bool list = strcmp(argv[1], "list") == 0;
    const int runs = argc > 5 ? atoi(argv[5]) : (list ? 3 : 10);
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", argv[2]);
    HALVET_CONTEXT ctx = HALVET_NO_CONTEXT;
    int32_t rc = CreateDirContext(&ctx);
    if (rc == HALVET_OK) rc = SetDirContextValue(ctx, HALVET_CTX_KEY_TREE_NAME, argv[3]);
    HALVET_BUFFER* buffer = nullptr;
    if (rc == HALVET_OK) rc = AllocDirBuffer(list ? 4096 : HALVET_DEFAULT_BUFFER_SIZE, &buffer);
    if (rc != HALVET_OK) {
        fprintf(stderr, "ldap_bench: the directory failed with %ld\n", static_cast<long>(rc));
        return 1;
    }
    double best = 1e300, sum = 0;
    uint32_t total = 0;
    for (int run = 0; run < runs; ++run) {
        double start = Now();
        rc = list ? ListOnce(ctx, argv[4], buffer, total) : ApplyOnce(ctx, argv[4], buffer, run);
        double ms = Now() - start;
        if (rc != HALVET_OK) {
            fprintf(stderr, "ldap_bench: run %d failed with %ld\n", run, static_cast<long>(rc));
            return 1;
        }
        best = ms < best ? ms : best;
        sum += ms;
    }
    if (list)
        printf("list %u objects: best %.0f ms, mean %.0f ms over %d runs\n", total, best, sum / runs, runs);
    else
        printf("apply one attribute: best %.1f ms, mean %.1f ms over %d runs\n", best, sum / runs, runs);
    FreeDirBuffer(buffer);
    FreeDirContext(ctx);
    return 0;
}
