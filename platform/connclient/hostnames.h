// Host name lookup of the connection library stand-in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The IPv4 addresses of a host name (host byte order, most significant byte
// first); false when it has none.
bool ResolveHostAddresses(const std::string& name, std::vector<uint32_t>& addresses);
