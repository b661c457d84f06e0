// The mapping between directory names and LDAP (platform/ldap/mapping.json,
// built in), the value conversions, distinguished names and the subschema
// entry's definitions. Pure code: the LDIF export reads the same table.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model.h"

namespace orrel::ldapmap {

using dirstore::Value;

// Stream: the bytes of a stream (a login script) as one binary value; the
// directory value itself is empty, the content goes through OpenStream.
enum class Conversion { Text, Boolean, Dn, TypedAddress, FaxNumber, PostalAddress, NetworkAddress, Stream };

struct AttrMap {
    std::string name;  // directory attribute
    std::string ldap;  // LDAP attribute type
    Conversion conversion = Conversion::Text;
    uint32_t syntax = 3;
};

struct NamingRule {
    std::string type;       // RDN attribute type
    std::string attribute;  // the directory attribute that holds the naming value
};

struct ClassMap {
    std::string cls;
    std::vector<std::string> objectClasses;
    std::vector<std::string> auxiliaryClasses;  // written with its objects, not asked of an entry
    std::vector<AttrMap> attrs;  // naming attributes first, then the class's sets
    std::vector<NamingRule> naming;  // empty: the default naming
    std::vector<std::pair<std::string, std::string>> required;  // LDAP type, "label" or "emptyDn"
    bool container = false;
    bool alias = false;  // the entry of an alias: its class is that of the object it names
};

class Mapping {
public:
    // The built-in table.
    static const Mapping& Get();
    // Reads a table; false with a reason when it is malformed.
    static bool Parse(std::string_view json, Mapping& out, std::string& why);

    // The entry of a directory class (the catch-all for any other).
    const ClassMap& ClassOf(std::string_view cls) const;
    // The class of an entry from its objectClass values: an alias's when it
    // has the first of the alias classes ("alias"), else the class with the most object classes all
    // of which the entry has (the first of equals); the catch-all otherwise.
    const ClassMap& ClassOfEntry(const std::vector<std::string>& objectClasses) const;
    // The mapping of a directory attribute on a class, or null.
    static const AttrMap* Find(const ClassMap& cls, std::string_view attr);
    // The mappings whose LDAP type is ldap, on a class (first one first).
    static const AttrMap* FindLdap(const ClassMap& cls, std::string_view ldap);
    // True when some class (or the catch-all) maps the directory attribute.
    bool MapsAnywhere(std::string_view attr) const;
    // Every RDN type that names objects (o, ou, c, l, st, cn).
    const std::vector<std::string>& NamingTypes() const { return namingTypes_; }
    bool IsContainerType(std::string_view type) const;
    const std::vector<ClassMap>& Classes() const { return classes_; }
    const ClassMap& Other() const { return other_; }
    // Aliases: CN and "Aliased Object Name" (a DN on the server).
    const ClassMap& Alias() const { return alias_; }
    const NamingRule& DefaultNaming() const { return defaultNaming_; }

private:
    std::vector<ClassMap> classes_;
    ClassMap other_;
    ClassMap alias_;
    NamingRule defaultNaming_;
    std::vector<std::string> namingTypes_;
    std::vector<std::string> containerTypes_;
};

// Distinguished names (RFC 4514): one RDN is type=value (multi-valued RDNs
// keep their first part).
struct Rdn {
    std::string type;
    std::string value;
};
std::string EscapeRdnValue(std::string_view value);
bool ParseDn(std::string_view dn, std::vector<Rdn>& rdns);

// The directory's full name (canonical, no leading dot) of a DN below base
// ("" is the base itself); false when the DN is not below base or malformed.
bool NameOfDn(std::string_view dn, std::string_view base, std::string& name);

// A value read from LDAP in the directory's form; false when it does not
// fit (the value is then left out). dnToName turns DN values into names.
using DnToName = std::function<bool(const std::string& dn, std::string& name)>;
bool FromLdap(const AttrMap& map, const std::string& text, const DnToName& dnToName, Value& out);
// A directory value as LDAP text; nameToDn finds the DN of a name.
using NameToDn = std::function<int32_t(const std::string& name, std::string& dn)>;
int32_t ToLdap(const AttrMap& map, const Value& value, const NameToDn& nameToDn, std::string& out);

// One attributeTypes or objectClasses value of a subschema entry.
struct SchemaItem {
    std::vector<std::string> names;
    std::vector<std::string> must, may, sup;
    bool singleValued = false;
};
bool ParseSchemaItem(std::string_view text, SchemaItem& out);

// "20261208073400Z" as seconds since 1970; 0 when malformed.
uint32_t ParseGeneralizedTime(std::string_view text);

// The paged-results control (RFC 2696): the value asking for a page of size
// entries after cookie ("" = the first page), and the cookie of a response's
// value ("" after the last page); false when the value is malformed.
std::string PagedControlValue(uint32_t size, const std::string& cookie);
bool PagedControlCookie(const std::string& value, std::string& cookie);

}  // namespace orrel::ldapmap
