// The search's fixed tables and the conversions between what the user types
// and what LDAP is sent: searchable classes and attributes, search contexts
// as base DNs, filters, result columns, LDAP result codes, and the folder
// entries a saved search writes.
//
// Pure code: no <windows.h>, so it also builds natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orrel {
namespace find {

struct SearchClassRow {
    char ldapName[128];
    char displayName[128];
    std::uint32_t classMask;  // 0 ends the table
};

enum SearchAttributeFlags : std::uint32_t {
    ResultColumn = 0x1,   // requested and shown as a result column
    CriteriaField = 0x2,  // offered as a criteria field
};

struct SearchAttributeRow {
    char ldapName[128];
    char displayName[128];
    std::uint32_t flags;
    std::uint32_t classMask;  // 0 ends the table
};

extern const SearchClassRow SearchClassTable[];
extern const SearchAttributeRow SearchAttributeTable[];

// Icons of the search's own resources.
enum SearchIcon : int {
    IconGeneric = 5001,
    IconCountry = 5002,
    IconLocality = 5003,
    IconOrganization = 5004,
    IconUnit = 5005,
    IconRoot = 5006,
    IconUser = 5007,
    IconVolume = 5008,
    IconPrinter = 5009,
    IconQueue = 5010,
};

// Class display name -> LDAP object class (unknown: unchanged); -> mask (0).
std::string ClassToLdap(const std::string& displayName);
std::uint32_t ClassMaskOf(const std::string& displayName);
// Attribute names both ways (unknown: unchanged).
std::string AttributeToDisplay(const std::string& ldapName);
std::string DisplayToAttribute(const std::string& displayName);
// The result icon of a class display name.
int ResultIconOf(const std::string& displayName);
// Display names of the criteria fields that apply to a class mask, in
// table order.
std::vector<std::string> CriteriaFieldsOf(std::uint32_t classMask);
// LDAP names of the result columns of a class mask, in table order.
std::vector<std::string> ResultAttributesOf(std::uint32_t classMask);

// Search context as typed -> LDAP base DN: empty or already a DN (holding
// "," or "=") unchanged; else dotted, "sales.corp" -> "ou=sales,o=corp".
std::string ToLdapContext(const std::string& context);
// A DN attribute value as a DN string carries it (RFC 4514: "\," or "\2C")
// -> the value itself.
std::string UnescapeDnValue(const std::string& value);
// Values of a DN's components (most specific first) -> ".a.b.c".
std::string JoinDotted(const std::vector<std::string>& values);

// A value escaped for a filter (RFC 4515): "(", ")", "\" and NUL as "\xx";
// "*" stays a wildcard.
std::string EscapeFilterValue(const std::string& value);
struct Criterion {
    std::string field;  // display name
    std::string value;  // as typed
};
// "(&(objectClass=<class>)(<attr>=<value>)...)".
std::string BuildFilter(const std::string& classDisplayName, const std::vector<Criterion>& criteria);
// The column of a returned attribute name among the requested ones, ignoring
// case as LDAP attribute descriptions do; -1 when it is not requested.
int ColumnOfAttribute(const std::vector<std::string>& requested, const char* returned);

// LDAP result codes: a client library's negative codes (an OpenLDAP-based
// one's -1 .. -17) become the protocol's client-side codes 0x51 .. 0x61.
long NormaliseLdapCode(long code);

// A tree name read from a connection: the "_" padding removed from its end,
// at least one character always kept.
std::string TrimTreeName(const std::string& padded);

// The label-counted name of ".a.b.c" (components most specific first, each
// a length byte and its characters, then one 0 byte). False, leaving out
// empty, when a component is empty or longer than 255 characters or the
// whole does not fit limit bytes.
constexpr std::size_t kMaxEncodedName = 1024;
bool EncodeDottedName(const std::string& dotted, std::vector<unsigned char>& out,
                      std::size_t limit = kMaxEncodedName);
// The folder path a user typed, made safe: "* ? : < > / . \"" become "_".
std::string SanitizeFolderPath(const std::string& typed);
// A folder path with its leading "\" removed; false when it or any of its
// components is empty.
bool NormaliseFolderPath(const std::string& path, std::string& out);
// The first dotted component of a name with or without its leading dot.
std::string FirstComponent(const std::string& dotted);

}  // namespace find
}  // namespace orrel
