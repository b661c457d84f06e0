// The LDAP session, container listing and DN conversion.
#include <winsock2.h>

#include "ldapdirectory.h"

#include <winber.h>

#include "searchtables.h"

namespace orrel {
namespace find {

namespace {

const char kContainerFilter[] =
    "(|(objectClass=domain)(objectClass=organization)(objectClass=organizationalUnit)"
    "(objectClass=country)(objectClass=locality))";

// Frees what the library hands out, at the end of a scope.
struct ValueArray {
    char** values = nullptr;
    ~ValueArray()
    {
        if (values) ldap_value_freeA(values);
    }
};
struct LibraryText {
    char* text = nullptr;
    ~LibraryText()
    {
        if (text) ldap_memfreeA(text);
    }
};
struct Message {
    LDAPMessage* message = nullptr;
    ~Message()
    {
        if (message) ldap_msgfree(message);
    }
};

}  // namespace

bool StartSockets() noexcept
{
    // Started once per process, by whichever thread comes first.
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

long LastLdapError(LDAP* session) noexcept
{
    ULONG code = 0;
    if (!session || ldap_get_option(session, LDAP_OPT_ERROR_NUMBER, &code) != LDAP_SUCCESS) {
        code = LdapGetLastError();
        if (code == 0) code = LDAP_SERVER_DOWN;
    }
    return NormaliseLdapCode(static_cast<long>(static_cast<int>(code)));
}

const char* LdapErrorText(long code) noexcept
{
    const char* text = ldap_err2stringA(static_cast<ULONG>(NormaliseLdapCode(code)));
    return text ? text : "";
}

long LdapDirectory::OpenLdapSession(const char* host, LDAP** session) noexcept
{
    if (!session) return LDAP_PARAM_ERROR;
    StartSockets();
    *session = ldap_initA(const_cast<char*>(host ? host : ""), LDAP_PORT);
    if (!*session) return LastLdapError(nullptr);
    ULONG version = LDAP_VERSION3;
    ldap_set_option(*session, LDAP_OPT_PROTOCOL_VERSION, &version);
    ULONG never = LDAP_DEREF_NEVER;
    ldap_set_option(*session, LDAP_OPT_DEREF, &never);
    ULONG noReferrals = 0;
    ldap_set_option(*session, LDAP_OPT_REFERRALS, &noReferrals);
    ULONG rc = ldap_simple_bind_sA(*session, nullptr, nullptr);
    if (rc != LDAP_SUCCESS) {
        long code = NormaliseLdapCode(static_cast<long>(static_cast<int>(rc)));
        ldap_unbind(*session);
        *session = nullptr;
        return code;
    }
    return 0;
}

void LdapDirectory::CloseLdapSession(LDAP* session) noexcept
{
    if (session) ldap_unbind(session);
}

long LdapDirectory::ListContainers(LDAP* session, const char* base, ULONG scope, bool fullNames,
                                   std::vector<std::string>* names) noexcept
{
    if (!session || !names) return LDAP_PARAM_ERROR;
    try {
        char cn[] = "cn";
        char* attributes[] = {cn, nullptr};
        Message result;
        ULONG rc = ldap_search_sA(session, const_cast<char*>(base ? base : ""), scope,
                                  const_cast<char*>(kContainerFilter), attributes, 0, &result.message);
        if (rc != LDAP_SUCCESS) return NormaliseLdapCode(static_cast<long>(static_cast<int>(rc)));
        for (LDAPMessage* entry = ldap_first_entry(session, result.message); entry;
             entry = ldap_next_entry(session, entry)) {
            LibraryText dn;
            dn.text = ldap_get_dnA(session, entry);
            if (!dn.text) continue;
            if (fullNames) {
                names->push_back(dn.text);
                continue;
            }
            ValueArray parts;
            parts.values = ldap_explode_dnA(dn.text, 0);
            if (parts.values && parts.values[0]) names->push_back(parts.values[0]);
        }
        return 0;
    } catch (...) {
        return LDAP_NO_MEMORY;
    }
}

std::string LdapDirectory::ToLdapContext(const std::string& context) const
{
    return find::ToLdapContext(context);
}

std::string ToDottedName(const char* dn)
{
    if (!dn) return std::string();
    ValueArray parts;
    parts.values = ldap_explode_dnA(const_cast<char*>(dn), 1);
    if (!parts.values) return dn;
    std::vector<std::string> values = ValuesOf(parts.values);
    for (std::string& value : values) value = UnescapeDnValue(value);
    return JoinDotted(values);
}

std::vector<std::string> ValuesOf(char** values)
{
    std::vector<std::string> out;
    if (!values) return out;
    for (char** v = values; *v; ++v) out.push_back(*v);
    return out;
}

}  // namespace find
}  // namespace orrel
