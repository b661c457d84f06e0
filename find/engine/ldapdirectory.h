// The search's LDAP side over the system's RFC 1823 client library: the
// anonymous session, the one-level container listing of the context
// browser, and DNs turned into dotted names.
#pragma once

#include <windows.h>
#include <winldap.h>

#include <string>
#include <vector>

namespace orrel {
namespace find {

// Windows Sockets for the process, started once (never stopped: the LDAP
// library and other users of the process may still need them).
bool StartSockets() noexcept;

// The session's last error as an LDAP result code (the library's own
// negative codes mapped, see NormaliseLdapCode).
long LastLdapError(LDAP* session) noexcept;
// The library's text of a result code (never null).
const char* LdapErrorText(long code) noexcept;

class LdapDirectory {
public:
    LdapDirectory() noexcept = default;
    virtual ~LdapDirectory() = default;

    // Opens and binds anonymously (LDAPv3, no alias dereferencing, port
    // 389); *session is set at once and cleared again when the bind fails.
    // 0 or the LDAP result code.
    long OpenLdapSession(const char* host, LDAP** session) noexcept;
    void CloseLdapSession(LDAP* session) noexcept;
    // The containers scope levels below base: first components ("ou=Sales")
    // or, with fullNames, whole DNs. 0 or the LDAP result code.
    long ListContainers(LDAP* session, const char* base, ULONG scope, bool fullNames,
                        std::vector<std::string>* names) noexcept;
    std::string ToLdapContext(const std::string& context) const;
};

// "cn=jdoe,ou=sales,o=corp" -> ".jdoe.sales.corp"; a DN that cannot be
// exploded is returned unchanged.
std::string ToDottedName(const char* dn);

// The values of an LDAP value array; a null array gives none.
std::vector<std::string> ValuesOf(char** values);

}  // namespace find
}  // namespace orrel
