// The "mailto:" link of the mail link tool. Pure: no <windows.h>.
//
// Every address is percent-encoded (RFC 6068): only letters, digits,
// "-._~" and "@!$'*+" stay as they are, so that a display name holding
// "&", "?", "%", "#", "," or a blank cannot add headers or a body to the
// message, start another address or cut the link short. Addresses are
// separated by ",".
#pragma once

#include <string>
#include <vector>

namespace orrel {
namespace mailto {

std::string PercentEncode(const std::string& address);

// "mailto:" followed by the encoded addresses.
std::string BuildMailtoUrl(const std::vector<std::string>& addresses);

}  // namespace mailto
}  // namespace orrel
