// The search's fixed tables and pure conversions.
#include "searchtables.h"

#include <cstring>

namespace orrel {
namespace find {

const SearchClassRow SearchClassTable[] = {
    {"inetOrgPerson", "User", 1},
    {"volume", "Volume", 4},
    {"Printer", "Printer", 2},
    {"Queue", "Queue", 8},
    {"", "", 0},
};

const SearchAttributeRow SearchAttributeTable[] = {
    {"dn", "Full Object Name", ResultColumn, 0xF},
    {"fullName", "Full Name", ResultColumn | CriteriaField, 1},
    {"telephoneNumber", "Phone Number", ResultColumn, 1},
    {"givenName", "First Name", ResultColumn | CriteriaField, 1},
    {"sn", "Last Name", ResultColumn | CriteriaField, 1},
    {"l", "Location", ResultColumn | CriteriaField, 0xB},
    {"cn", "Object Name", ResultColumn | CriteriaField, 0xF},
    {"hostServer", "Host Server", ResultColumn | CriteriaField, 0xC},
    {"hostResourceName", "Host Resource Name", ResultColumn | CriteriaField, 4},
    {"owner", "Owner", ResultColumn, 2},
    {"operator", "Operator", ResultColumn, 8},
    {"", "", 0, 0},
};

namespace {

const SearchClassRow* ClassRow(const std::string& displayName)
{
    for (const SearchClassRow* row = SearchClassTable; row->classMask; ++row)
        if (displayName == row->displayName) return row;
    return nullptr;
}

}  // namespace

std::string ClassToLdap(const std::string& displayName)
{
    const SearchClassRow* row = ClassRow(displayName);
    return row ? row->ldapName : displayName;
}

std::uint32_t ClassMaskOf(const std::string& displayName)
{
    const SearchClassRow* row = ClassRow(displayName);
    return row ? row->classMask : 0;
}

std::string AttributeToDisplay(const std::string& ldapName)
{
    for (const SearchAttributeRow* row = SearchAttributeTable; row->classMask; ++row)
        if (ldapName == row->ldapName) return row->displayName;
    return ldapName;
}

std::string DisplayToAttribute(const std::string& displayName)
{
    for (const SearchAttributeRow* row = SearchAttributeTable; row->classMask; ++row)
        if (displayName == row->displayName) return row->ldapName;
    return displayName;
}

int ResultIconOf(const std::string& displayName)
{
    switch (ClassMaskOf(displayName)) {
    case 1: return IconUser;
    case 4: return IconVolume;
    case 2: return IconPrinter;
    case 8: return IconQueue;
    default: return IconGeneric;
    }
}

std::vector<std::string> CriteriaFieldsOf(std::uint32_t classMask)
{
    std::vector<std::string> fields;
    for (const SearchAttributeRow* row = SearchAttributeTable; row->classMask; ++row)
        if ((row->flags & CriteriaField) && (row->classMask & classMask)) fields.push_back(row->displayName);
    return fields;
}

std::vector<std::string> ResultAttributesOf(std::uint32_t classMask)
{
    std::vector<std::string> names;
    for (const SearchAttributeRow* row = SearchAttributeTable; row->classMask; ++row)
        if ((row->flags & ResultColumn) && (row->classMask & classMask)) names.push_back(row->ldapName);
    return names;
}

std::string ToLdapContext(const std::string& context)
{
    if (context.empty() || context.find_first_of(",=") != std::string::npos) return context;
    std::string rest = context.substr(context.find_first_not_of('.') == std::string::npos
                                          ? context.size()
                                          : context.find_first_not_of('.'));
    std::size_t last = rest.rfind('.');
    if (last == std::string::npos) return "o=" + rest;
    std::string dn;
    std::size_t start = 0;
    while (start <= last) {
        std::size_t dot = rest.find('.', start);
        if (!dn.empty()) dn += ',';
        dn += "ou=" + rest.substr(start, dot - start);
        start = dot + 1;
    }
    return dn + ",o=" + rest.substr(last + 1);
}

std::string UnescapeDnValue(const std::string& value)
{
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 >= value.size()) {
            out += value[i];
            continue;
        }
        if (i + 2 < value.size() && hex(value[i + 1]) >= 0 && hex(value[i + 2]) >= 0) {
            out += static_cast<char>(hex(value[i + 1]) * 16 + hex(value[i + 2]));
            i += 2;
        } else {
            out += value[++i];
        }
    }
    return out;
}

std::string JoinDotted(const std::vector<std::string>& values)
{
    std::string dotted;
    for (const std::string& value : values) dotted += "." + value;
    return dotted;
}

std::string EscapeFilterValue(const std::string& value)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(value.size());
    for (char ch : value) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '(' || c == ')' || c == '\\' || c == 0) {
            out += '\\';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string BuildFilter(const std::string& classDisplayName, const std::vector<Criterion>& criteria)
{
    std::string filter = "(&(objectClass=" + ClassToLdap(classDisplayName) + ")";
    for (const Criterion& c : criteria)
        filter += "(" + DisplayToAttribute(c.field) + "=" + EscapeFilterValue(c.value) + ")";
    return filter + ")";
}

int ColumnOfAttribute(const std::vector<std::string>& requested, const char* returned)
{
    if (!returned) return -1;
    for (std::size_t i = 0; i < requested.size(); ++i) {
        const std::string& name = requested[i];
        std::size_t n = 0;
        while (n < name.size() && returned[n]) {
            char a = name[n], b = returned[n];
            if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
            if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
            if (a != b) break;
            ++n;
        }
        if (n == name.size() && returned[n] == '\0') return static_cast<int>(i);
    }
    return -1;
}

long NormaliseLdapCode(long code)
{
    if (code <= -1 && code >= -17) return 0x50 - code;
    return code;
}

std::string TrimTreeName(const std::string& padded)
{
    std::string name = padded.substr(0, padded.find('\0'));
    std::size_t end = name.size();
    while (end > 1 && name[end - 1] == '_') --end;
    return name.substr(0, end);
}

bool EncodeDottedName(const std::string& dotted, std::vector<unsigned char>& out, std::size_t limit)
{
    out.clear();
    std::string rest = (!dotted.empty() && dotted[0] == '.') ? dotted.substr(1) : dotted;
    std::vector<unsigned char> encoded;
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = rest.find('.', start);
        std::size_t len = (dot == std::string::npos ? rest.size() : dot) - start;
        if (len == 0 || len > 255) return false;
        encoded.push_back(static_cast<unsigned char>(len));
        encoded.insert(encoded.end(), rest.begin() + static_cast<std::ptrdiff_t>(start),
                       rest.begin() + static_cast<std::ptrdiff_t>(start + len));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    encoded.push_back(0);
    if (encoded.size() > limit) return false;
    out.swap(encoded);
    return true;
}

std::string SanitizeFolderPath(const std::string& typed)
{
    std::string out = typed;
    for (char& c : out)
        if (std::strchr("*?:<>/.\"", c) && c != '\0') c = '_';
    return out;
}

bool NormaliseFolderPath(const std::string& path, std::string& out)
{
    std::size_t first = path.find_first_not_of('\\');
    out = first == std::string::npos ? std::string() : path.substr(first);
    if (out.empty()) return false;
    std::size_t start = 0;
    for (;;) {
        std::size_t sep = out.find('\\', start);
        std::size_t end = sep == std::string::npos ? out.size() : sep;
        if (end == start) return false;
        // A name of blanks alone is no name either.
        if (out.find_first_not_of(' ', start) >= end) return false;
        if (sep == std::string::npos) return true;
        start = sep + 1;
    }
}

std::string FirstComponent(const std::string& dotted)
{
    std::string rest = (!dotted.empty() && dotted[0] == '.') ? dotted.substr(1) : dotted;
    return rest.substr(0, rest.find('.'));
}

}  // namespace find
}  // namespace orrel
