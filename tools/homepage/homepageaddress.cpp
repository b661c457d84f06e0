#include "homepageaddress.h"

#include <cstring>

namespace orrel {
namespace homepage {
namespace {

const char kPrefix[] = "HomePage:";

bool IsSpace(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool StartsNoCase(const std::string& text, const char* prefix) noexcept
{
    std::size_t n = std::strlen(prefix);
    if (text.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

}  // namespace

bool FindHomePage(const std::vector<std::string>& values, std::string* address)
{
    const std::size_t prefix = sizeof kPrefix - 1;
    for (const std::string& value : values) {
        if (value.compare(0, prefix, kPrefix) != 0) continue;
        std::size_t begin = prefix, end = value.size();
        while (begin < end && IsSpace(value[begin])) ++begin;
        while (end > begin && IsSpace(value[end - 1])) --end;
        *address = value.substr(begin, end - begin);
        if (address->size() > kMaxAddress) address->resize(kMaxAddress);
        return true;
    }
    return false;
}

bool WebUrl(const std::string& address, std::string* url)
{
    for (unsigned char c : address)
        if (c <= ' ' || c == 0x7F) return false;
    std::size_t rest = 0;
    if (StartsNoCase(address, "http://")) rest = 7;
    else if (StartsNoCase(address, "https://")) rest = 8;
    if (rest) {
        if (address.size() == rest || address[rest] == '/') return false;
        *url = address;
        return true;
    }
    if (StartsNoCase(address, "www.") && address.size() > 4) {
        *url = "http://" + address;
        return true;
    }
    return false;
}

}  // namespace homepage
}  // namespace orrel
