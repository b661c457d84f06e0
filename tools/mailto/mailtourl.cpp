#include "mailtourl.h"

namespace orrel {
namespace mailto {
namespace {

bool Plain(unsigned char c) noexcept
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    switch (c) {
    case '-': case '.': case '_': case '~':
    case '@': case '!': case '$': case '\'': case '*': case '+':
        return true;
    default:
        return false;
    }
}

}  // namespace

std::string PercentEncode(const std::string& address)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(address.size());
    for (unsigned char c : address) {
        if (Plain(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::string BuildMailtoUrl(const std::vector<std::string>& addresses)
{
    std::string url = "mailto:";
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        if (i) url += ',';
        url += PercentEncode(addresses[i]);
    }
    return url;
}

}  // namespace mailto
}  // namespace orrel
