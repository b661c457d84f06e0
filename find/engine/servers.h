// Finding the workstation's search servers and the tree behind a server,
// through the directory client libraries and a probe of the LDAP port.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace orrel {
namespace find {

struct SearchServer {
    std::string internetName;   // host name, or the dotted address
    std::string directoryName;  // ".FS1.Corp"
};

// 0 when a TCP connection to port 389 of the dotted address succeeds, -1
// when no socket can be made, else the result of connect.
int ProbeLdapPort(const char* dottedAddress) noexcept;

// One row per connection of the workstation whose tree, IP address, server
// and directory name can be read; with probe, only those whose LDAP port
// answers; with resolve, named by the address's host name.
std::vector<SearchServer> ScanSearchServers(bool probe, bool resolve);
// The "Known Search Servers" list: its two columns (strings 18, 19) and the
// rows of ScanSearchServers, row 0 selected and focused.
void FindSearchServers(HWND list, bool probe, bool resolve);

// The tree of a server named by its name or address, without its padding:
// 0 or the connection library's error code (*tree then empty).
long GetServerTreeName(const char* server, std::string* tree);

}  // namespace find
}  // namespace orrel
