#include "ldapmap.h"

#include <cstdio>
#include <stdexcept>

#include <halvet/dirtypes.h>

#include "names.h"
#include "values.h"

#include "ldapmap_table.h"  // generated from platform/ldap/mapping.json

namespace orrel::ldapmap {

using dirstore::EqualNoCase;
using dirstore::Json;

namespace {

bool ConversionOf(const std::string& text, Conversion& out)
{
    static const std::pair<const char*, Conversion> kNames[] = {
        {"text", Conversion::Text},
        {"boolean", Conversion::Boolean},
        {"dn", Conversion::Dn},
        {"typedAddress", Conversion::TypedAddress},
        {"faxNumber", Conversion::FaxNumber},
        {"postalAddress", Conversion::PostalAddress},
        {"networkAddress", Conversion::NetworkAddress},
        {"stream", Conversion::Stream},
    };
    for (const auto& n : kNames)
        if (text == n.first) {
            out = n.second;
            return true;
        }
    return false;
}

void AddAttr(ClassMap& cls, AttrMap map)
{
    if (Mapping::Find(cls, map.name)) return;  // the first mapping of a name holds
    cls.attrs.push_back(std::move(map));
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Hex(const std::vector<uint8_t>& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

}  // namespace

bool Mapping::Parse(std::string_view text, Mapping& out, std::string& why)
{
    try {
        Json table = Json::parse(text.begin(), text.end());
        Mapping m;
        const Json& sets = table.at("attributeSets");
        auto readClass = [&](const Json& entry, ClassMap& cls) {
            for (const Json& oc : entry.at("objectClasses")) cls.objectClasses.push_back(oc.get<std::string>());
            if (entry.contains("auxiliaryClasses"))
                for (const Json& oc : entry["auxiliaryClasses"]) cls.auxiliaryClasses.push_back(oc.get<std::string>());
            for (const NamingRule& rule : cls.naming) AddAttr(cls, AttrMap{rule.attribute, rule.type, Conversion::Text, 3});
            if (cls.naming.empty())
                AddAttr(cls, AttrMap{m.defaultNaming_.attribute, m.defaultNaming_.type, Conversion::Text, 3});
            for (const Json& setName : entry.at("sets")) {
                for (const Json& row : sets.at(setName.get<std::string>())) {
                    AttrMap map;
                    map.name = row.at(0).get<std::string>();
                    map.ldap = row.at(1).get<std::string>();
                    if (!ConversionOf(row.at(2).get<std::string>(), map.conversion))
                        throw std::runtime_error("unknown conversion of " + map.name);
                    map.syntax = row.at(3).get<uint32_t>();
                    AddAttr(cls, std::move(map));
                }
            }
            if (entry.contains("required"))
                for (auto it = entry["required"].begin(); it != entry["required"].end(); ++it)
                    cls.required.emplace_back(it.key(), it.value().get<std::string>());
        };
        m.defaultNaming_ = NamingRule{table.at("defaultNaming").at("type").get<std::string>(),
                                      table.at("defaultNaming").at("attribute").get<std::string>()};
        for (const Json& entry : table.at("classes")) {
            ClassMap cls;
            cls.cls = entry.at("class").get<std::string>();
            for (const Json& rule : table.at("naming"))
                if (rule.at("class").get<std::string>() == cls.cls)
                    cls.naming.push_back(NamingRule{rule.at("type").get<std::string>(),
                                                    rule.at("attribute").get<std::string>()});
            cls.container = !cls.naming.empty();
            readClass(entry, cls);
            for (const NamingRule& rule : cls.naming) {
                m.containerTypes_.push_back(rule.type);
                m.namingTypes_.push_back(rule.type);
            }
            m.classes_.push_back(std::move(cls));
        }
        readClass(table.at("otherClass"), m.other_);
        // Aliases: named like any object, their one attribute the object they name.
        m.alias_.cls = "Alias";
        m.alias_.alias = true;
        for (const Json& oc : table.at("aliasClasses")) m.alias_.objectClasses.push_back(oc.get<std::string>());
        if (m.alias_.objectClasses.empty()) throw std::runtime_error("no alias classes");
        const Json& aliasNaming = table.at("aliasNaming");
        AddAttr(m.alias_, AttrMap{aliasNaming.at("attribute").get<std::string>(),
                                  aliasNaming.at("type").get<std::string>(), Conversion::Text, 3});
        const Json& target = table.at("aliasTarget");
        AttrMap targetMap{target.at(0).get<std::string>(), target.at(1).get<std::string>(), Conversion::Text,
                          target.at(3).get<uint32_t>()};
        if (!ConversionOf(target.at(2).get<std::string>(), targetMap.conversion))
            throw std::runtime_error("unknown conversion of " + targetMap.name);
        AddAttr(m.alias_, std::move(targetMap));
        m.namingTypes_.push_back(m.defaultNaming_.type);
        out = std::move(m);
        return true;
    } catch (const std::exception& e) {
        why = e.what();
        return false;
    }
}

const Mapping& Mapping::Get()
{
    static const Mapping table = [] {
        Mapping m;
        std::string why;
        Parse(kLdapMappingJson, m, why);  // checked by the tests; empty when it ever failed
        return m;
    }();
    return table;
}

const ClassMap& Mapping::ClassOf(std::string_view cls) const
{
    for (const ClassMap& c : classes_)
        if (EqualNoCase(c.cls, cls)) return c;
    return other_;
}

const ClassMap& Mapping::ClassOfEntry(const std::vector<std::string>& objectClasses) const
{
    auto has = [&](const std::string& oc) {
        for (const std::string& o : objectClasses)
            if (EqualNoCase(o, oc)) return true;
        return false;
    };
    auto hasAll = [&](const ClassMap& c) {
        bool all = !c.objectClasses.empty();
        for (const std::string& oc : c.objectClasses) all = all && has(oc);
        return all;
    };
    if (!alias_.objectClasses.empty() && has(alias_.objectClasses.front())) return alias_;
    const ClassMap* best = &other_;
    size_t most = 0;
    for (const ClassMap& c : classes_)
        if (c.objectClasses.size() > most && hasAll(c)) {
            best = &c;
            most = c.objectClasses.size();
        }
    return *best;
}

const AttrMap* Mapping::Find(const ClassMap& cls, std::string_view attr)
{
    for (const AttrMap& a : cls.attrs)
        if (EqualNoCase(a.name, attr)) return &a;
    return nullptr;
}

const AttrMap* Mapping::FindLdap(const ClassMap& cls, std::string_view ldap)
{
    for (const AttrMap& a : cls.attrs)
        if (EqualNoCase(a.ldap, ldap)) return &a;
    return nullptr;
}

bool Mapping::MapsAnywhere(std::string_view attr) const
{
    for (const ClassMap& c : classes_)
        if (Find(c, attr)) return true;
    return Find(other_, attr) != nullptr;
}

bool Mapping::IsContainerType(std::string_view type) const
{
    for (const std::string& t : containerTypes_)
        if (EqualNoCase(t, type)) return true;
    return false;
}

// ---------------------------------------------------------------------------
// Distinguished names

std::string EscapeRdnValue(std::string_view value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        unsigned char u = static_cast<unsigned char>(c);
        if (c == ',' || c == '+' || c == '"' || c == '\\' || c == '<' || c == '>' || c == ';' || c == '=' ||
            (c == '#' && i == 0) || (c == ' ' && (i == 0 || i + 1 == value.size()))) {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7f) {
            char hex[4];
            snprintf(hex, sizeof(hex), "\\%02X", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

bool ParseDn(std::string_view dn, std::vector<Rdn>& rdns)
{
    rdns.clear();
    if (dn.empty()) return true;
    size_t i = 0;
    while (i <= dn.size()) {
        Rdn rdn;
        while (i < dn.size() && dn[i] == ' ') ++i;
        while (i < dn.size() && dn[i] != '=') {
            if (dn[i] == ',' || dn[i] == '\\') return false;
            rdn.type += dn[i++];
        }
        while (!rdn.type.empty() && rdn.type.back() == ' ') rdn.type.pop_back();
        if (i >= dn.size() || rdn.type.empty()) return false;
        ++i;  // '='
        bool inFirst = true;  // a multi-valued RDN keeps its first part
        while (i < dn.size() && dn[i] != ',') {
            char c = dn[i];
            if (c == '+') {
                inFirst = false;
                ++i;
                continue;
            }
            if (c == '\\') {
                if (i + 1 >= dn.size()) return false;
                int hi = HexDigit(dn[i + 1]);
                int lo = i + 2 < dn.size() ? HexDigit(dn[i + 2]) : -1;
                if (hi >= 0 && lo >= 0) {
                    c = static_cast<char>(hi * 16 + lo);
                    i += 3;
                } else {
                    c = dn[i + 1];
                    i += 2;
                }
            } else {
                ++i;
            }
            if (inFirst) rdn.value += c;
        }
        rdns.push_back(std::move(rdn));
        if (i >= dn.size()) break;
        ++i;  // ','
        if (i == dn.size()) return false;  // a trailing comma
    }
    return true;
}

bool NameOfDn(std::string_view dn, std::string_view base, std::string& name)
{
    std::vector<Rdn> rdns, baseRdns;
    if (!ParseDn(dn, rdns) || !ParseDn(base, baseRdns) || rdns.size() < baseRdns.size()) return false;
    size_t own = rdns.size() - baseRdns.size();
    for (size_t i = 0; i < baseRdns.size(); ++i)
        if (!EqualNoCase(rdns[own + i].type, baseRdns[i].type) || !EqualNoCase(rdns[own + i].value, baseRdns[i].value))
            return false;
    name.clear();
    for (size_t i = 0; i < own; ++i) {
        if (!dirstore::IsValidLabel(rdns[i].value)) return false;
        if (i) name += '.';
        name += rdns[i].value;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Values

bool FromLdap(const AttrMap& map, const std::string& text, const DnToName& dnToName, Value& out)
{
    Json j;
    switch (map.conversion) {
    case Conversion::Stream:
        // The value only says that there is a stream; its bytes are not a name.
        out = Value();
        out.syntax = map.syntax;
        return true;
    case Conversion::Text:
        if (text.empty()) return false;
        j = text;
        break;
    case Conversion::Boolean:
        if (EqualNoCase(text, "TRUE")) j = true;
        else if (EqualNoCase(text, "FALSE")) j = false;
        else return false;
        break;
    case Conversion::Dn: {
        std::string name;
        if (text.empty() || !dnToName(text, name) || name.empty()) return false;
        if (map.syntax == HALVET_SYNTAX_TYPED_NAME) j = Json{{"object", name}};
        else j = name;
        break;
    }
    case Conversion::TypedAddress:
        if (text.empty()) return false;
        if (map.syntax == HALVET_SYNTAX_EMAIL_ADDRESS) j = Json{{"type", 0}, {"address", text}};
        else j = text;
        break;
    case Conversion::FaxNumber:
        if (text.empty()) return false;
        j = Json{{"number", text}};
        break;
    case Conversion::PostalAddress: {
        Json lines = Json::array();
        std::string line;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == '$') {
                lines.push_back(line);
                line.clear();
            } else if (text[i] == '\\' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                       HexDigit(text[i + 2]) >= 0) {
                line += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
                i += 2;
            } else {
                line += text[i];
            }
        }
        if (lines.size() > HALVET_POSTAL_LINES) return false;
        j = lines;
        break;
    }
    case Conversion::NetworkAddress: {
        unsigned a[4];
        char tail;
        if (text.compare(0, 3, "ip:") == 0 &&
            sscanf(text.c_str() + 3, "%u.%u.%u.%u%c", &a[0], &a[1], &a[2], &a[3], &tail) == 4 && a[0] < 256 &&
            a[1] < 256 && a[2] < 256 && a[3] < 256) {
            j = Json{{"type", 1}, {"address", Hex({uint8_t(a[0]), uint8_t(a[1]), uint8_t(a[2]), uint8_t(a[3])})}};
            break;
        }
        size_t colon = text.find(':');
        if (text.compare(0, 4, "type") != 0 || colon == std::string::npos || colon == 4 || colon > 13) return false;
        uint32_t type = 0;
        for (size_t i = 4; i < colon; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            type = type * 10 + static_cast<uint32_t>(text[i] - '0');
        }
        j = Json{{"type", type}, {"address", text.substr(colon + 1)}};
        break;
    }
    }
    std::string why;
    return dirstore::ValueFromJson(map.syntax, j, out, why);
}

int32_t ToLdap(const AttrMap& map, const Value& value, const NameToDn& nameToDn, std::string& out)
{
    if (value.syntax != map.syntax) return HALVET_ERR_SYNTAX_VIOLATION;
    out.clear();
    switch (map.conversion) {
    case Conversion::Stream:
        return HALVET_OK;  // a new stream is empty
    case Conversion::Text:
        if (!dirstore::IsTextSyntax(value.syntax)) return HALVET_ERR_SYNTAX_VIOLATION;
        out = value.s1;
        break;
    case Conversion::Boolean:
        out = value.n1 ? "TRUE" : "FALSE";
        break;
    case Conversion::Dn:
        return nameToDn(value.s1, out);
    case Conversion::TypedAddress: {
        size_t colon = value.s1.find(':');
        out = value.syntax == HALVET_SYNTAX_EMAIL_ADDRESS || colon == std::string::npos ? value.s1
                                                                                      : value.s1.substr(colon + 1);
        break;
    }
    case Conversion::FaxNumber:
        out = value.s1;
        break;
    case Conversion::PostalAddress:
        for (const std::string& line : value.strings) {
            if (line.empty()) continue;
            if (!out.empty()) out += '$';
            for (char c : line) {
                if (c == '\\') out += "\\5C";
                else if (c == '$') out += "\\24";
                else out += c;
            }
        }
        break;
    case Conversion::NetworkAddress:
        if (value.n1 == 1 && value.bytes.size() >= 4) {
            char ip[32];
            snprintf(ip, sizeof(ip), "ip:%u.%u.%u.%u", value.bytes[0], value.bytes[1], value.bytes[2], value.bytes[3]);
            out = ip;
        } else {
            out = "type" + std::to_string(value.n1) + ":" + Hex(value.bytes);
        }
        break;
    }
    return out.empty() ? HALVET_ERR_SYNTAX_VIOLATION : HALVET_OK;
}

// ---------------------------------------------------------------------------
// Subschema

bool ParseSchemaItem(std::string_view text, SchemaItem& out)
{
    out = SchemaItem();
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            ++i;
        } else if (c == '(' || c == ')' || c == '$') {
            tokens.emplace_back(1, c);
            ++i;
        } else if (c == '\'') {
            size_t end = text.find('\'', i + 1);
            if (end == std::string_view::npos) return false;
            tokens.push_back("'" + std::string(text.substr(i + 1, end - i - 1)));
            i = end + 1;
        } else {
            size_t start = i;
            while (i < text.size() && text[i] != ' ' && text[i] != '(' && text[i] != ')' && text[i] != '\'' &&
                   text[i] != '$')
                ++i;
            tokens.emplace_back(text.substr(start, i - start));
        }
    }
    if (tokens.size() < 2 || tokens.front() != "(" || tokens.back() != ")") return false;
    // The argument of a keyword: one token or a parenthesised list.
    auto argument = [&](size_t& k, std::vector<std::string>& into) {
        if (k >= tokens.size() - 1) return;
        if (tokens[k] == "(") {
            ++k;
            while (k < tokens.size() - 1 && tokens[k] != ")") {
                if (tokens[k] != "$") into.push_back(tokens[k][0] == '\'' ? tokens[k].substr(1) : tokens[k]);
                ++k;
            }
            ++k;
        } else {
            into.push_back(tokens[k][0] == '\'' ? tokens[k].substr(1) : tokens[k]);
            ++k;
        }
    };
    size_t k = 2;  // past "(" and the OID
    while (k < tokens.size() - 1) {
        const std::string& word = tokens[k++];
        if (word == "NAME") argument(k, out.names);
        else if (word == "MUST") argument(k, out.must);
        else if (word == "MAY") argument(k, out.may);
        else if (word == "SUP") argument(k, out.sup);
        else if (word == "SINGLE-VALUE") out.singleValued = true;
    }
    return !out.names.empty();
}

uint32_t ParseGeneralizedTime(std::string_view text)
{
    if (text.size() < 15) return 0;
    int f[6] = {};
    const int widths[6] = {4, 2, 2, 2, 2, 2};
    size_t p = 0;
    for (int n = 0; n < 6; ++n) {
        for (int d = 0; d < widths[n]; ++d, ++p) {
            if (text[p] < '0' || text[p] > '9') return 0;
            f[n] = f[n] * 10 + (text[p] - '0');
        }
    }
    if (f[0] < 1970 || f[1] < 1 || f[1] > 12 || f[2] < 1 || f[2] > 31 || f[3] > 23 || f[4] > 59 || f[5] > 60)
        return 0;
    // Days from 1970-01-01 of a civil date.
    int y = f[0] - (f[1] <= 2 ? 1 : 0);
    int era = y / 400;
    int yoe = y - era * 400;
    int doy = (153 * (f[1] + (f[1] > 2 ? -3 : 9)) + 2) / 5 + f[2] - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    long long days = static_cast<long long>(era) * 146097 + doe - 719468;
    long long seconds = days * 86400 + f[3] * 3600 + f[4] * 60 + f[5];
    return seconds < 0 || seconds > 0xffffffffLL ? 0 : static_cast<uint32_t>(seconds);
}

// The paged-results control value (RFC 2696): SEQUENCE { size INTEGER,
// cookie OCTET STRING }, BER by hand.
static void AppendLength(std::string& out, size_t n)
{
    if (n < 0x80) {
        out += static_cast<char>(n);
    } else if (n < 0x100) {
        out += '\x81';
        out += static_cast<char>(n);
    } else {
        out += '\x82';
        out += static_cast<char>((n >> 8) & 0xff);
        out += static_cast<char>(n & 0xff);
    }
}

std::string PagedControlValue(uint32_t size, const std::string& cookie)
{
    std::string body;
    body += '\x02';
    std::string digits;
    for (int shift = 24; shift >= 0; shift -= 8) digits += static_cast<char>((size >> shift) & 0xff);
    while (digits.size() > 1 && digits[0] == 0 && !(digits[1] & 0x80)) digits.erase(0, 1);
    AppendLength(body, digits.size());
    body += digits;
    body += '\x04';
    AppendLength(body, cookie.size());
    body += cookie;
    std::string out = "\x30";
    AppendLength(out, body.size());
    return out + body;
}

// Reads one BER element header at pos; false when it runs past the end.
static bool ReadElement(const std::string& in, size_t& pos, unsigned char tag, size_t& length)
{
    if (pos + 2 > in.size() || static_cast<unsigned char>(in[pos]) != tag) return false;
    ++pos;
    unsigned char first = static_cast<unsigned char>(in[pos++]);
    if (first < 0x80) {
        length = first;
    } else {
        size_t bytes = first & 0x7f;
        if (bytes == 0 || bytes > 3 || pos + bytes > in.size()) return false;
        length = 0;
        for (size_t i = 0; i < bytes; ++i) length = (length << 8) | static_cast<unsigned char>(in[pos++]);
    }
    return pos + length <= in.size();
}

// The cookie of a paged-results response control; false when malformed.
bool PagedControlCookie(const std::string& value, std::string& cookie)
{
    size_t pos = 0, length = 0;
    if (!ReadElement(value, pos, 0x30, length)) return false;
    if (!ReadElement(value, pos, 0x02, length)) return false;
    pos += length;
    if (!ReadElement(value, pos, 0x04, length)) return false;
    cookie = value.substr(pos, length);
    return true;
}

}  // namespace orrel::ldapmap
