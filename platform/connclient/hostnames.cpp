// Host names of servers: a name given with name format 8 that is neither a
// server name nor a dotted address is looked up as a host name (the search
// lists servers by the names of their addresses), and the server holding
// one of its IPv4 addresses is meant.
#include <winsock2.h>

#include <cstdint>
#include <string>

#include "hostnames.h"

bool ResolveHostAddresses(const std::string& name, std::vector<uint32_t>& addresses)
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    addresses.clear();
    if (!started || name.empty() || name.size() > 255) return false;
    const hostent* host = gethostbyname(name.c_str());
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list) return false;
    for (char** entry = host->h_addr_list; *entry; ++entry) {
        const unsigned char* b = reinterpret_cast<const unsigned char*>(*entry);
        addresses.push_back((uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3]);
    }
    return !addresses.empty();
}
