#include <winsock2.h>
#include <windows.h>

#include "ldapsource.h"

#include <winldap.h>

#include <algorithm>
#include <map>
#include <mutex>

#include <halvet/dirtypes.h>

#include "ldapmap.h"
#include "names.h"
#include "values.h"

namespace orrel::ldapsource {

using dirstore::ClassDef;
using dirstore::EqualNoCase;
using dirstore::Json;
using dirstore::ListEntry;
using dirstore::Lower;
using dirstore::ObjectInfo;
using dirstore::Value;
using ldapmap::AttrMap;
using ldapmap::ClassMap;
using ldapmap::Mapping;

namespace {

constexpr ULONG kPageSize = 1000;
constexpr LONG kTimeoutSeconds = 30;
const char kPagedResultsOid[] = "1.2.840.113556.1.4.319";
const char kWhoAmIOid[] = "1.3.6.1.4.1.4203.1.11.3";

// ---------------------------------------------------------------------------
// What the library hands out, freed at the end of a scope.

struct Message {
    LDAPMessage* message = nullptr;
    ~Message()
    {
        if (message) ldap_msgfree(message);
    }
};

struct Values {
    berval** values = nullptr;
    ~Values()
    {
        if (values) ldap_value_free_len(values);
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (berval** v = values; v && *v; ++v)
            if ((*v)->bv_val) out.emplace_back((*v)->bv_val, (*v)->bv_len);
        return out;
    }
};

struct LibraryText {
    char* text = nullptr;
    ~LibraryText()
    {
        if (text) ldap_memfreeA(text);
    }
};

class Session {
public:
    Session() = default;
    ~Session()
    {
        if (ld_) ldap_unbind(ld_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    LDAP* get() const { return ld_; }
    int32_t Open(const Config& config);
    std::string boundDn;

private:
    LDAP* ld_ = nullptr;
};

// LDAP result codes as the directory's errors.
int32_t ErrorOf(ULONG code)
{
    switch (static_cast<long>(static_cast<int>(code))) {
    case LDAP_SUCCESS: return HALVET_OK;
    case LDAP_NO_SUCH_OBJECT: return HALVET_ERR_NO_SUCH_ENTRY;
    case LDAP_INSUFFICIENT_RIGHTS: case LDAP_INVALID_CREDENTIALS: case LDAP_INAPPROPRIATE_AUTH:
        return HALVET_ERR_NO_ACCESS;
    case LDAP_NO_SUCH_ATTRIBUTE: return HALVET_ERR_NO_SUCH_VALUE;
    case LDAP_UNDEFINED_TYPE: return HALVET_ERR_NO_SUCH_ATTRIBUTE;
    case LDAP_CONSTRAINT_VIOLATION: return HALVET_ERR_SINGLE_VALUED;
    case LDAP_ATTRIBUTE_OR_VALUE_EXISTS: return HALVET_ERR_INVALID_REQUEST;
    case LDAP_INVALID_SYNTAX: return HALVET_ERR_SYNTAX_VIOLATION;
    case LDAP_OBJECT_CLASS_VIOLATION: return HALVET_ERR_MISSING_MANDATORY;
    case LDAP_NOT_ALLOWED_ON_RDN: return HALVET_ERR_NAMING_VALUE;
    case LDAP_INVALID_DN_SYNTAX: case LDAP_NAMING_VIOLATION: return HALVET_ERR_ILLEGAL_NAME;
    case LDAP_NO_MEMORY: return HALVET_ERR_NOT_ENOUGH_MEMORY;
    default:
        // The server is down, unreachable, busy or timed out (OpenLDAP's own
        // negative codes included): the directory cannot be reached.
        return HALVET_ERR_TRANSPORT_FAILURE;
    }
}

bool StartSockets()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

l_timeval Timeout()
{
    l_timeval t;
    t.tv_sec = kTimeoutSeconds;
    t.tv_usec = 0;
    return t;
}

// One search; the result (entries and final message) in out.
int32_t Search(LDAP* ld, const std::string& base, ULONG scope, const std::string& filter,
               std::vector<const char*> attrs, Message& out, PLDAPControlA* controls = nullptr)
{
    attrs.push_back(nullptr);
    l_timeval timeout = Timeout();
    ULONG rc = ldap_search_ext_sA(ld, const_cast<char*>(base.c_str()), scope, const_cast<char*>(filter.c_str()),
                                  const_cast<char**>(attrs.data()), 0, controls, nullptr, &timeout, 0, &out.message);
    return ErrorOf(rc);
}

std::string EscapeFilterValue(const std::string& value)
{
    std::string out;
    static const char kHex[] = "0123456789abcdef";
    for (char c : value) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '*' || c == '(' || c == ')' || c == '\\' || u == 0) {
            out += '\\';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string DnOfEntry(LDAP* ld, LDAPMessage* entry)
{
    LibraryText dn;
    dn.text = ldap_get_dnA(ld, entry);
    return dn.text ? std::string(dn.text) : std::string();
}

std::vector<std::string> TextsOf(LDAP* ld, LDAPMessage* entry, const char* attr)
{
    Values v;
    v.values = ldap_get_values_lenA(ld, entry, const_cast<char*>(attr));
    return v.Texts();
}

// The DN of a canonical full name, found level by level: a one-level search
// below the parent's DN for entries named like the leaf, the one whose RDN
// is the leaf. Found DNs are kept, so a name usually costs one search.
class DnCache {
public:
    int32_t Find(LDAP* ld, const Config& config, const std::string& full, std::string& dn, int depth = 0)
    {
        if (full.empty()) {
            dn = config.base;
            return HALVET_OK;
        }
        if (depth > 64) return HALVET_ERR_ILLEGAL_NAME;
        std::string key = Lower(full);
        auto found = dns_.find(key);
        if (found != dns_.end()) {
            dn = found->second;
            return HALVET_OK;
        }
        std::string parentDn;
        int32_t rc = Find(ld, config, dirstore::ParentOf(full), parentDn, depth + 1);
        if (rc != HALVET_OK) return rc;
        std::string leaf = dirstore::LeafOf(full), escaped = EscapeFilterValue(leaf);
        std::string filter = "(|";
        for (const std::string& type : Mapping::Get().NamingTypes()) filter += "(" + type + "=" + escaped + ")";
        filter += ")";
        Message result;
        rc = Search(ld, parentDn, LDAP_SCOPE_ONELEVEL, filter, {"1.1"}, result);
        if (rc != HALVET_OK) return rc;
        for (LDAPMessage* e = ldap_first_entry(ld, result.message); e; e = ldap_next_entry(ld, e)) {
            std::string entryDn = DnOfEntry(ld, e);
            std::vector<ldapmap::Rdn> rdns;
            if (ldapmap::ParseDn(entryDn, rdns) && !rdns.empty() && EqualNoCase(rdns[0].value, leaf)) {
                if (dns_.size() > 100000) dns_.clear();
                dns_[key] = entryDn;
                dn = entryDn;
                return HALVET_OK;
            }
        }
        return HALVET_ERR_NO_SUCH_ENTRY;
    }
    void Forget() { dns_.clear(); }

private:
    std::map<std::string, std::string> dns_;
};

int32_t Session::Open(const Config& config)
{
    if (!StartSockets()) return HALVET_ERR_TRANSPORT_FAILURE;
    ld_ = ldap_initA(const_cast<char*>(config.host.c_str()), config.port);
    if (!ld_) return HALVET_ERR_TRANSPORT_FAILURE;
    ULONG version = LDAP_VERSION3;
    ldap_set_option(ld_, LDAP_OPT_PROTOCOL_VERSION, &version);
    ULONG never = LDAP_DEREF_NEVER;
    ldap_set_option(ld_, LDAP_OPT_DEREF, &never);
    ULONG noReferrals = 0;
    ldap_set_option(ld_, LDAP_OPT_REFERRALS, &noReferrals);
    ULONG seconds = kTimeoutSeconds;
    ldap_set_option(ld_, LDAP_OPT_TIMELIMIT, &seconds);
    l_timeval timeout = Timeout();
    ULONG rc = ldap_connect(ld_, &timeout);
    if (rc != LDAP_SUCCESS) return ErrorOf(rc);
    boundDn.clear();
    if (config.anonymous || config.identity.empty()) {
        rc = ldap_simple_bind_sA(ld_, nullptr, nullptr);
        return ErrorOf(rc);
    }
    // The identity's DN, looked up anonymously, then the bind as it.
    rc = ldap_simple_bind_sA(ld_, nullptr, nullptr);
    if (rc != LDAP_SUCCESS) return ErrorOf(rc);
    DnCache lookup;
    std::string dn;
    int32_t r = lookup.Find(ld_, config, config.identity, dn);
    if (r != HALVET_OK) return r == HALVET_ERR_NO_SUCH_ENTRY ? HALVET_ERR_NO_ACCESS : r;
    rc = ldap_simple_bind_sA(ld_, const_cast<char*>(dn.c_str()), const_cast<char*>(config.password.c_str()));
    if (rc != LDAP_SUCCESS) return ErrorOf(rc);
    boundDn = dn;
    return HALVET_OK;
}

// The shared connection of each server and identity, and its DN cache;
// reopened after a failure of the transport.
struct Shared {
    std::unique_ptr<Session> session;
    DnCache dns;
};
std::mutex g_lock;
std::map<std::string, Shared> g_shared;

std::string KeyOf(const Config& c)
{
    return c.host + ":" + std::to_string(c.port) + "/" + c.base + "/" + (c.anonymous ? "" : Lower(c.identity));
}

// Runs fn(session, dns) on the shared connection of a configuration.
template <typename Fn>
int32_t WithSession(const Config& config, Fn fn)
{
    std::lock_guard<std::mutex> guard(g_lock);
    Shared& shared = g_shared[KeyOf(config)];
    // A kept connection the server has since closed (a restart) is opened
    // again once; a new one that fails ends the call.
    for (bool reused = static_cast<bool>(shared.session);; reused = false) {
        if (!shared.session) {
            auto session = std::make_unique<Session>();
            int32_t rc = session->Open(config);
            if (rc != HALVET_OK) return rc;
            shared.session = std::move(session);
        }
        int32_t rc = fn(*shared.session, shared.dns);
        if (rc != HALVET_ERR_TRANSPORT_FAILURE) return rc;
        shared.session.reset();
        shared.dns.Forget();
        if (!reused) return rc;
    }
}

// An entry's class, flags, subordinates and time.
ObjectInfo InfoOfEntry(LDAP* ld, LDAPMessage* entry, const ClassMap*& cls)
{
    ObjectInfo info;
    std::vector<std::string> classes = TextsOf(ld, entry, "objectClass");
    cls = &Mapping::Get().ClassOfEntry(classes);
    info.baseClass = cls->cls;
    for (const std::string& oc : classes)
        if (EqualNoCase(oc, "alias")) info.entryFlags |= HALVET_ENTRY_ALIAS;
    if (cls->container) info.entryFlags |= HALVET_ENTRY_CONTAINER;
    if (info.baseClass.empty()) info.baseClass = "Top";
    std::vector<std::string> has = TextsOf(ld, entry, "hasSubordinates");
    info.subordinateCount = !has.empty() && EqualNoCase(has[0], "TRUE") ? 1 : 0;
    std::vector<std::string> stamp = TextsOf(ld, entry, "modifyTimestamp");
    if (!stamp.empty()) info.modificationTime = ldapmap::ParseGeneralizedTime(stamp[0]);
    return info;
}

const std::vector<const char*> kInfoAttrs = {"objectClass", "hasSubordinates", "modifyTimestamp"};

// The paged-results control value (RFC 2696): SEQUENCE { size INTEGER,
// cookie OCTET STRING }, BER by hand.
void AppendLength(std::string& out, size_t n)
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

std::string PagedControlValue(ULONG size, const std::string& cookie)
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
bool ReadElement(const std::string& in, size_t& pos, unsigned char tag, size_t& length)
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

}  // namespace

// ---------------------------------------------------------------------------

bool ConfigOf(const dirstore::Image& image, const dirstore::Tree& tree, bool second, Config& out)
{
    auto found = tree.extra.find("ldap");
    if (found == tree.extra.end() || !found->is_object()) return false;
    const Json& j = *found;
    Config c;
    if (j.contains("host") && j["host"].is_string() && !j["host"].get<std::string>().empty())
        c.host = j["host"].get<std::string>();
    if (j.contains("port") && j["port"].is_number_unsigned() && j["port"].get<uint64_t>() > 0 &&
        j["port"].get<uint64_t>() < 65536)
        c.port = static_cast<uint16_t>(j["port"].get<uint64_t>());
    if (j.contains("base") && j["base"].is_string()) c.base = j["base"].get<std::string>();
    if (j.contains("anonymous") && j["anonymous"].is_boolean()) c.anonymous = j["anonymous"].get<bool>();
    if (j.contains("password") && j["password"].is_string()) c.password = j["password"].get<std::string>();
    if (!c.anonymous) c.identity = image.IdentityOf(tree.name, second);
    if (c.identity.empty()) c.anonymous = true;
    c.restricted = second && !EqualNoCase(c.identity, image.IdentityOf(tree.name, false));
    out = std::move(c);
    return true;
}

class Listing {
public:
    Config config;
    Session session;
    std::string dn, filter, pattern, cookie;
    bool started = false, done = false;
};

int32_t StartListing(const Config& config, const std::string& full, const std::string& cls,
                     const std::string& pattern, std::shared_ptr<Listing>& out)
{
    auto listing = std::make_shared<Listing>();
    listing->config = config;
    int32_t rc = listing->session.Open(config);
    if (rc != HALVET_OK) return rc;
    DnCache dns;
    rc = dns.Find(listing->session.get(), config, full, listing->dn);
    if (rc != HALVET_OK) return rc;
    listing->filter = "(objectClass=*)";
    if (!cls.empty()) {
        const ClassMap& map = Mapping::Get().ClassOf(cls);
        // A class the mapping does not know has no objects here.
        if (!EqualNoCase(map.cls, cls) || map.objectClasses.empty()) listing->done = true;
        else listing->filter = "(objectClass=" + EscapeFilterValue(map.objectClasses.back()) + ")";
    }
    listing->pattern = pattern;
    out = std::move(listing);
    return HALVET_OK;
}

int32_t NextPage(Listing& listing, std::vector<ListEntry>& out, bool& more)
{
    more = false;
    if (listing.done) return HALVET_OK;
    LDAP* ld = listing.session.get();
    std::string value = PagedControlValue(kPageSize, listing.cookie);
    LDAPControlA control = {};
    control.ldctl_oid = const_cast<char*>(kPagedResultsOid);
    control.ldctl_value.bv_len = static_cast<ULONG>(value.size());
    control.ldctl_value.bv_val = const_cast<char*>(value.data());
    control.ldctl_iscritical = TRUE;
    PLDAPControlA controls[] = {&control, nullptr};
    Message result;
    int32_t rc = Search(ld, listing.dn, LDAP_SCOPE_ONELEVEL, listing.filter, kInfoAttrs, result, controls);
    if (rc != HALVET_OK) {
        listing.done = true;
        return rc;
    }
    for (LDAPMessage* e = ldap_first_entry(ld, result.message); e; e = ldap_next_entry(ld, e)) {
        std::vector<ldapmap::Rdn> rdns;
        if (!ldapmap::ParseDn(DnOfEntry(ld, e), rdns) || rdns.empty() || !dirstore::IsValidLabel(rdns[0].value))
            continue;
        if (!listing.pattern.empty() && !dirstore::WildcardMatch(listing.pattern, rdns[0].value)) continue;
        ListEntry entry;
        entry.label = rdns[0].value;
        const ClassMap* cls = nullptr;
        entry.info = InfoOfEntry(ld, e, cls);
        out.push_back(std::move(entry));
    }
    // The next page's cookie; an empty one ends the listing.
    ULONG code = 0;
    PLDAPControlA* returned = nullptr;
    ULONG parsed = ldap_parse_resultA(ld, result.message, &code, nullptr, nullptr, nullptr, &returned, FALSE);
    std::string cookie;
    if (parsed == LDAP_SUCCESS && returned) {
        for (PLDAPControlA* c = returned; *c; ++c) {
            if ((*c)->ldctl_oid && strcmp((*c)->ldctl_oid, kPagedResultsOid) == 0 && (*c)->ldctl_value.bv_val) {
                std::string v((*c)->ldctl_value.bv_val, (*c)->ldctl_value.bv_len);
                if (!PagedControlCookie(v, cookie)) cookie.clear();
            }
        }
    }
    if (returned) ldap_controls_freeA(returned);
    listing.cookie = cookie;
    listing.done = cookie.empty();
    more = !listing.done;
    return HALVET_OK;
}

int32_t Locate(const Config& config, const std::string& nameContext, const std::string& name, std::string& full)
{
    int32_t rc = dirstore::ResolveName(name, nameContext, full);
    if (rc != HALVET_OK || full.empty()) return rc;
    return WithSession(config, [&](Session& s, DnCache& dns) {
        std::string dn;
        return dns.Find(s.get(), config, full, dn);
    });
}

int32_t ReadInfo(const Config& config, const std::string& full, ObjectInfo& info)
{
    return WithSession(config, [&](Session& s, DnCache& dns) {
        std::string dn;
        int32_t rc = dns.Find(s.get(), config, full, dn);
        if (rc != HALVET_OK) return rc;
        Message result;
        rc = Search(s.get(), dn, LDAP_SCOPE_BASE, "(objectClass=*)", kInfoAttrs, result);
        if (rc != HALVET_OK) return rc;
        LDAPMessage* e = ldap_first_entry(s.get(), result.message);
        if (!e) return HALVET_ERR_NO_SUCH_ENTRY;
        const ClassMap* cls = nullptr;
        info = InfoOfEntry(s.get(), e, cls);
        return HALVET_OK;
    });
}

int32_t ReadAttrs(const Config& config, const std::string& full, const std::vector<std::string>* names,
                  std::vector<Attr>& out)
{
    return WithSession(config, [&](Session& s, DnCache& dns) {
        std::string dn;
        int32_t rc = dns.Find(s.get(), config, full, dn);
        if (rc != HALVET_OK) return rc;
        Message result;
        rc = Search(s.get(), dn, LDAP_SCOPE_BASE, "(objectClass=*)", {"*"}, result);
        if (rc != HALVET_OK) return rc;
        LDAPMessage* e = ldap_first_entry(s.get(), result.message);
        if (!e) return HALVET_ERR_NO_SUCH_ENTRY;
        const ClassMap& cls = Mapping::Get().ClassOfEntry(TextsOf(s.get(), e, "objectClass"));
        auto dnToName = [&](const std::string& valueDn, std::string& name) {
            return ldapmap::NameOfDn(valueDn, config.base, name);
        };
        auto wanted = [&](const std::string& name) {
            if (!names) return true;
            for (const std::string& n : *names)
                if (EqualNoCase(n, name)) return true;
            return false;
        };
        if (wanted("Object Class")) {
            Attr a{"Object Class", HALVET_SYNTAX_CLASS_NAME, {}};
            for (const char* c : {cls.cls.c_str(), "Top"}) {
                Value v;
                v.syntax = HALVET_SYNTAX_CLASS_NAME;
                v.s1 = c;
                if (!v.s1.empty()) a.values.push_back(v);
            }
            out.push_back(std::move(a));
        }
        for (const AttrMap& map : cls.attrs) {
            if (!wanted(map.name)) continue;
            // Two directory attributes on one LDAP type: the first reads it.
            if (Mapping::FindLdap(cls, map.ldap) != &map) continue;
            Attr a{map.name, map.syntax, {}};
            for (const std::string& text : TextsOf(s.get(), e, map.ldap.c_str())) {
                Value v;
                if (ldapmap::FromLdap(map, text, dnToName, v)) a.values.push_back(std::move(v));
            }
            if (!a.values.empty()) out.push_back(std::move(a));
        }
        return HALVET_OK;
    });
}

int32_t Modify(const Config& config, const std::string& full, const std::vector<dirstore::Change>& changes,
               const std::string& nameContext)
{
    if (full.empty()) return HALVET_ERR_NO_SUCH_ENTRY;
    return WithSession(config, [&](Session& s, DnCache& dns) {
        std::string dn;
        int32_t rc = dns.Find(s.get(), config, full, dn);
        if (rc != HALVET_OK) return rc;
        Message result;
        rc = Search(s.get(), dn, LDAP_SCOPE_BASE, "(objectClass=*)", {"objectClass"}, result);
        if (rc != HALVET_OK) return rc;
        LDAPMessage* e = ldap_first_entry(s.get(), result.message);
        if (!e) return HALVET_ERR_NO_SUCH_ENTRY;
        const ClassMap& cls = Mapping::Get().ClassOfEntry(TextsOf(s.get(), e, "objectClass"));

        // The modify request: one LDAPMod per change, the texts kept alive here.
        struct Mod {
            LDAPModA mod = {};
            std::string type, text;
            char* texts[2] = {nullptr, nullptr};
        };
        std::vector<std::unique_ptr<Mod>> mods;
        auto nameToDn = [&](const std::string& name, std::string& valueDn) {
            int32_t r = dns.Find(s.get(), config, name, valueDn);
            return r == HALVET_ERR_NO_SUCH_ENTRY ? HALVET_ERR_SYNTAX_VIOLATION : r;
        };
        for (const dirstore::Change& change : changes) {
            const AttrMap* map = Mapping::Find(cls, change.attr);
            if (!map)
                return Mapping::Get().MapsAnywhere(change.attr) ? HALVET_ERR_ILLEGAL_ATTRIBUTE
                                                                : HALVET_ERR_NO_SUCH_ATTRIBUTE;
            if (map->conversion == ldapmap::Conversion::Stream && change.type != HALVET_CHANGE_REMOVE_ATTRIBUTE &&
                change.type != HALVET_CHANGE_REMOVE_VALUE) {
                // Giving an object a stream value keeps the content of one it has.
                Message has;
                rc = Search(s.get(), dn, LDAP_SCOPE_BASE, "(objectClass=*)", {map->ldap.c_str()}, has);
                if (rc != HALVET_OK) return rc;
                LDAPMessage* he = ldap_first_entry(s.get(), has.message);
                Values v;
                if (he) v.values = ldap_get_values_lenA(s.get(), he, const_cast<char*>(map->ldap.c_str()));
                if (v.values && v.values[0]) continue;
            }
            auto mod = std::make_unique<Mod>();
            mod->type = map->ldap;
            bool needsValue = change.type == HALVET_CHANGE_ADD_VALUE || change.type == HALVET_CHANGE_REMOVE_VALUE ||
                              change.type == HALVET_CHANGE_OVERWRITE_VALUE;
            if (needsValue) {
                if (!change.hasValue) return HALVET_ERR_INVALID_REQUEST;
                Value value = change.value;
                if (value.syntax != map->syntax) return HALVET_ERR_SYNTAX_VIOLATION;
                rc = dirstore::ResolveValueNames(value, nameContext);
                if (rc != HALVET_OK) return rc;
                // The value as the directory defines its syntax (a stream's
                // content is not a value).
                dirstore::AttrDef def;
                def.name = map->name;
                def.syntax = map->syntax;
                rc = map->conversion == ldapmap::Conversion::Stream ? HALVET_OK : dirstore::CheckValue(def, value);
                if (rc != HALVET_OK) return rc;
                rc = ldapmap::ToLdap(*map, value, nameToDn, mod->text);
                if (rc != HALVET_OK) return rc;
                mod->texts[0] = const_cast<char*>(mod->text.c_str());
            }
            switch (change.type) {
            case HALVET_CHANGE_ADD_ATTRIBUTE:
                continue;  // an attribute comes into being with its first value
            case HALVET_CHANGE_REMOVE_ATTRIBUTE:
                mod->mod.mod_op = LDAP_MOD_DELETE;
                break;
            case HALVET_CHANGE_ADD_VALUE:
                mod->mod.mod_op = LDAP_MOD_ADD;
                break;
            case HALVET_CHANGE_REMOVE_VALUE:
                mod->mod.mod_op = LDAP_MOD_DELETE;
                break;
            case HALVET_CHANGE_OVERWRITE_VALUE:
                mod->mod.mod_op = LDAP_MOD_REPLACE;
                break;
            default:
                return HALVET_ERR_INVALID_REQUEST;
            }
            mod->mod.mod_type = const_cast<char*>(mod->type.c_str());
            mod->mod.mod_vals.modv_strvals = needsValue ? mod->texts : nullptr;
            mods.push_back(std::move(mod));
        }
        // The directory's rules the server words otherwise: a value the
        // attribute already has (or is given twice) is no second value, and
        // removing an attribute the object has not is -603. Followed change
        // by change over the entry's current values.
        std::vector<const char*> touched;
        for (const auto& m : mods)
            if (m->mod.mod_op == LDAP_MOD_ADD || !m->texts[0]) touched.push_back(m->type.c_str());
        if (!touched.empty()) {
            Message current;
            rc = Search(s.get(), dn, LDAP_SCOPE_BASE, "(objectClass=*)", touched, current);
            if (rc != HALVET_OK) return rc;
            LDAPMessage* ce = ldap_first_entry(s.get(), current.message);
            std::map<std::string, std::vector<std::string>> held;
            for (const char* type : touched)
                if (ce && !held.count(Lower(type))) held[Lower(type)] = TextsOf(s.get(), ce, type);
            auto holds = [](const std::vector<std::string>& values, const std::string& text) {
                for (const std::string& v : values)
                    if (EqualNoCase(v, text)) return true;
                return false;
            };
            std::vector<std::unique_ptr<Mod>> kept;
            for (auto& m : mods) {
                std::vector<std::string>& values = held[Lower(m->type)];
                if (m->mod.mod_op == LDAP_MOD_ADD) {
                    if (holds(values, m->text)) continue;
                    values.push_back(m->text);
                } else if (m->mod.mod_op == LDAP_MOD_DELETE && !m->texts[0]) {
                    if (values.empty()) return HALVET_ERR_NO_SUCH_ATTRIBUTE;
                    values.clear();
                } else if (m->mod.mod_op == LDAP_MOD_DELETE) {
                    auto same = [&](const std::string& v) { return EqualNoCase(v, m->text); };
                    values.erase(std::remove_if(values.begin(), values.end(), same), values.end());
                } else {
                    values.assign(1, m->text);
                }
                kept.push_back(std::move(m));
            }
            mods = std::move(kept);
        }
        if (mods.empty()) return HALVET_OK;
        std::vector<LDAPModA*> list;
        for (auto& m : mods) list.push_back(&m->mod);
        list.push_back(nullptr);
        ULONG code = ldap_modify_ext_sA(s.get(), const_cast<char*>(dn.c_str()), list.data(), nullptr, nullptr);
        // In a modify, the server's naming refusals are about the value that
        // names the object.
        if (code == LDAP_NAMING_VIOLATION || code == LDAP_NOT_ALLOWED_ON_RDN) return HALVET_ERR_NAMING_VALUE;
        return ErrorOf(code);
    });
}

// The LDAP type of a stream attribute on an entry's class and the entry's DN.
static int32_t StreamOf(Session& s, DnCache& dns, const Config& config, const std::string& full,
                        const std::string& attr, std::string& dn, std::string& type)
{
    if (full.empty()) return HALVET_ERR_NO_SUCH_ENTRY;
    int32_t rc = dns.Find(s.get(), config, full, dn);
    if (rc != HALVET_OK) return rc;
    Message result;
    rc = Search(s.get(), dn, LDAP_SCOPE_BASE, "(objectClass=*)", {"objectClass"}, result);
    if (rc != HALVET_OK) return rc;
    LDAPMessage* e = ldap_first_entry(s.get(), result.message);
    if (!e) return HALVET_ERR_NO_SUCH_ENTRY;
    const AttrMap* map = Mapping::Find(Mapping::Get().ClassOfEntry(TextsOf(s.get(), e, "objectClass")), attr);
    if (!map) return HALVET_ERR_NO_SUCH_ATTRIBUTE;
    if (map->conversion != ldapmap::Conversion::Stream) return HALVET_ERR_SYNTAX_VIOLATION;
    type = map->ldap;
    return HALVET_OK;
}

int32_t ReadStream(const Config& config, const std::string& full, const std::string& attr, std::string& content)
{
    content.clear();
    return WithSession(config, [&](Session& s, DnCache& dns) {
        std::string dn, type;
        int32_t rc = StreamOf(s, dns, config, full, attr, dn, type);
        if (rc != HALVET_OK) return rc;
        Message result;
        rc = Search(s.get(), dn, LDAP_SCOPE_BASE, "(objectClass=*)", {type.c_str()}, result);
        if (rc != HALVET_OK) return rc;
        LDAPMessage* e = ldap_first_entry(s.get(), result.message);
        if (!e) return HALVET_ERR_NO_SUCH_ENTRY;
        Values v;
        v.values = ldap_get_values_lenA(s.get(), e, const_cast<char*>(type.c_str()));
        if (!v.values || !v.values[0]) return HALVET_ERR_NO_SUCH_VALUE;
        if (v.values[0]->bv_val) content.assign(v.values[0]->bv_val, v.values[0]->bv_len);
        return HALVET_OK;
    });
}

int32_t WriteStream(const Config& config, const std::string& full, const std::string& attr,
                    const std::string& content)
{
    return WithSession(config, [&](Session& s, DnCache& dns) {
        std::string dn, type;
        int32_t rc = StreamOf(s, dns, config, full, attr, dn, type);
        if (rc != HALVET_OK) return rc;
        berval value = {static_cast<ULONG>(content.size()), const_cast<char*>(content.data())};
        berval* values[2] = {&value, nullptr};
        LDAPModA mod = {};
        mod.mod_op = LDAP_MOD_REPLACE | LDAP_MOD_BVALUES;
        mod.mod_type = const_cast<char*>(type.c_str());
        mod.mod_vals.modv_bvals = values;
        LDAPModA* list[2] = {&mod, nullptr};
        return ErrorOf(ldap_modify_ext_sA(s.get(), const_cast<char*>(dn.c_str()), list, nullptr, nullptr));
    });
}

int32_t WhoAmI(const Config& config, std::string& name)
{
    name.clear();
    return WithSession(config, [&](Session& s, DnCache&) {
        // Wine's wldap32 faults inside the extended operation on a connection
        // the server has closed: a read of the root entry finds that out first.
        Message alive;
        int32_t live = Search(s.get(), "", LDAP_SCOPE_BASE, "(objectClass=*)", {"1.1"}, alive);
        if (live != HALVET_OK) return live;
        // The server says who the connection is bound as (RFC 4532).
        char* oid = nullptr;
        berval* data = nullptr;
        ULONG rc = ldap_extended_operation_sA(s.get(), const_cast<char*>(kWhoAmIOid), nullptr, nullptr, nullptr,
                                              &oid, &data);
        std::string authz;
        if (rc == LDAP_SUCCESS && data && data->bv_val) authz.assign(data->bv_val, data->bv_len);
        if (oid) ldap_memfreeA(oid);
        if (data) ber_bvfree(data);
        if (rc != LDAP_SUCCESS) {
            int32_t err = ErrorOf(rc);
            if (err == HALVET_ERR_TRANSPORT_FAILURE) return err;
            authz = s.boundDn.empty() ? "" : "dn:" + s.boundDn;  // the server lacks the operation
        }
        if (authz.compare(0, 3, "dn:") != 0) return HALVET_OK;  // anonymous
        if (!ldapmap::NameOfDn(authz.substr(3), config.base, name)) name.clear();
        return HALVET_OK;
    });
}

int32_t Rights(const Config& config, const std::string& subject, uint32_t& rights)
{
    rights = HALVET_RIGHT_COMPARE | HALVET_RIGHT_READ;
    if (!config.anonymous && !config.restricted && !config.identity.empty() && EqualNoCase(subject, config.identity))
        rights |= HALVET_RIGHT_WRITE;
    return HALVET_OK;
}

int32_t Definitions(const Config& config, std::vector<ClassDef>& classes, std::vector<dirstore::AttrDef>& attrs)
{
    return WithSession(config, [&](Session& s, DnCache&) {
        Message root;
        int32_t rc = Search(s.get(), "", LDAP_SCOPE_BASE, "(objectClass=*)", {"subschemaSubentry"}, root);
        if (rc != HALVET_OK) return rc;
        LDAPMessage* e = ldap_first_entry(s.get(), root.message);
        std::vector<std::string> where = e ? TextsOf(s.get(), e, "subschemaSubentry") : std::vector<std::string>();
        Message schema;
        rc = Search(s.get(), where.empty() ? std::string("cn=Subschema") : where[0], LDAP_SCOPE_BASE,
                    "(objectClass=subschema)", {"attributeTypes", "objectClasses"}, schema);
        if (rc != HALVET_OK) return rc;
        e = ldap_first_entry(s.get(), schema.message);
        if (!e) return HALVET_ERR_TRANSPORT_FAILURE;
        std::map<std::string, ldapmap::SchemaItem> types, objectClasses;
        for (const std::string& text : TextsOf(s.get(), e, "attributeTypes")) {
            ldapmap::SchemaItem item;
            if (ldapmap::ParseSchemaItem(text, item))
                for (const std::string& n : item.names) types[Lower(n)] = item;
        }
        for (const std::string& text : TextsOf(s.get(), e, "objectClasses")) {
            ldapmap::SchemaItem item;
            if (ldapmap::ParseSchemaItem(text, item))
                for (const std::string& n : item.names) objectClasses[Lower(n)] = item;
        }
        const Mapping& mapping = Mapping::Get();
        std::map<std::string, bool> seen;
        auto addAttr = [&](const AttrMap& map) {
            auto type = types.find(Lower(map.ldap));
            if (type == types.end() || seen[Lower(map.name)]) return;
            seen[Lower(map.name)] = true;
            dirstore::AttrDef def;
            def.name = map.name;
            def.syntax = map.syntax;
            def.singleValued = type->second.singleValued;
            attrs.push_back(def);
        };
        std::vector<const ClassMap*> all;
        for (const ClassMap& c : mapping.Classes()) all.push_back(&c);
        for (const ClassMap* c : all) {
            bool served = true;
            std::vector<std::string> must;
            for (const std::string& oc : c->objectClasses) {
                auto found = objectClasses.find(Lower(oc));
                if (found == objectClasses.end()) {
                    served = false;
                    break;
                }
                for (const std::string& m : found->second.must) must.push_back(m);
            }
            if (!served) continue;
            ClassDef def;
            def.name = c->cls;
            def.container = c->container;
            def.lists[dirstore::kSuperClasses].push_back("Top");
            if (c->naming.empty()) {
                def.lists[dirstore::kNaming].push_back(mapping.DefaultNaming().attribute);
            } else {
                for (const auto& rule : c->naming) def.lists[dirstore::kNaming].push_back(rule.attribute);
            }
            for (const AttrMap& map : c->attrs) {
                addAttr(map);
                if (types.find(Lower(map.ldap)) == types.end()) continue;
                bool mandatory = false;
                for (const std::string& m : must) mandatory = mandatory || EqualNoCase(m, map.ldap);
                if (mandatory && Mapping::FindLdap(*c, map.ldap) == &map)
                    def.lists[dirstore::kMandatory].push_back(map.name);
                else
                    def.lists[dirstore::kOptional].push_back(map.name);
            }
            classes.push_back(std::move(def));
        }
        return HALVET_OK;
    });
}

}  // namespace orrel::ldapsource
