// The home page of a user from its location values. Pure: no <windows.h>.
//
// The convention: one value of "L" holds "HomePage:" (exact case, at its
// start) followed by the address. Only web addresses are opened: http and
// https (scheme in any letter case), and a bare "www." address, which gets
// "http://". Anything else after "HomePage:" (a program path, a share,
// another scheme) is never handed to the shell: whoever can edit their own
// location must not choose what the administrator's Explorer runs.
#pragma once

#include <string>
#include <vector>

namespace orrel {
namespace homepage {

constexpr std::size_t kMaxAddress = 256;

// The address of the first value that begins with "HomePage:", without
// white space around it and cut to 256 characters; false when no value
// begins so.
bool FindHomePage(const std::vector<std::string>& values, std::string* address);

// The URL to open for an address, or false when it is not a web address
// (also an address holding control characters or blanks, or with nothing
// after the scheme).
bool WebUrl(const std::string& address, std::string* url);

}  // namespace homepage
}  // namespace orrel
