#include <winsock2.h>
#include <windows.h>

#include "ldapsource.h"

#include <winldap.h>

#include <algorithm>
#include <cstring>
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
const char kAliasTargetType[] = "aliasedObjectName";

// ---------------------------------------------------------------------------
// What the library hands out, freed at the end of a scope.

struct Message {
    LDAPMessage* message = nullptr;
    Message() = default;
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;
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
    // target: the DN that the entry names when it is an alias, else "".
    int32_t Find(LDAP* ld, const Config& config, const std::string& full, std::string& dn,
                 std::string* target = nullptr, int depth = 0)
    {
        if (target) target->clear();
        if (full.empty()) {
            dn = config.base;
            return HALVET_OK;
        }
        if (depth > 64) return HALVET_ERR_ILLEGAL_NAME;
        std::string key = Lower(full);
        auto found = nodes_.find(key);
        if (found != nodes_.end()) {
            dn = found->second.dn;
            if (target) *target = found->second.target;
            return HALVET_OK;
        }
        std::string parentDn;
        int32_t rc = Find(ld, config, dirstore::ParentOf(full), parentDn, nullptr, depth + 1);
        if (rc != HALVET_OK) return rc;
        std::string leaf = dirstore::LeafOf(full), escaped = EscapeFilterValue(leaf);
        std::string filter = "(|";
        for (const std::string& type : Mapping::Get().NamingTypes()) filter += "(" + type + "=" + escaped + ")";
        filter += ")";
        Message result;
        rc = Search(ld, parentDn, LDAP_SCOPE_ONELEVEL, filter, {kAliasTargetType}, result);
        if (rc != HALVET_OK) return rc;
        for (LDAPMessage* e = ldap_first_entry(ld, result.message); e; e = ldap_next_entry(ld, e)) {
            std::string entryDn = DnOfEntry(ld, e);
            std::vector<ldapmap::Rdn> rdns;
            if (ldapmap::ParseDn(entryDn, rdns) && !rdns.empty() && EqualNoCase(rdns[0].value, leaf)) {
                if (nodes_.size() > 100000) nodes_.clear();
                std::vector<std::string> targets = TextsOf(ld, e, kAliasTargetType);
                Node& node = nodes_[key];
                node.dn = entryDn;
                node.target = targets.empty() ? std::string() : targets[0];
                dn = entryDn;
                if (target) *target = node.target;
                return HALVET_OK;
            }
        }
        return HALVET_ERR_NO_SUCH_ENTRY;
    }

    // Finds full, with deref following the aliases met on the way down and
    // at its end, as the image does: full becomes the name found. A chain
    // of more than kMaxAliasHops aliases (a loop) is no entry.
    int32_t Resolve(LDAP* ld, const Config& config, std::string& full, bool deref, std::string& dn)
    {
        for (int hop = 0; hop <= dirstore::kMaxAliasHops; ++hop) {
            // The levels of the name, the top one last.
            std::vector<std::string> levels;
            for (std::string level = full; !level.empty(); level = dirstore::ParentOf(level)) levels.push_back(level);
            if (levels.empty()) return Find(ld, config, full, dn);
            bool followed = false;
            for (size_t i = levels.size(); i-- > 0 && !followed;) {
                std::string target;
                int32_t rc = Find(ld, config, levels[i], dn, &target);
                if (rc != HALVET_OK) return rc;
                if (!deref || target.empty()) continue;
                std::string named;
                if (!ldapmap::NameOfDn(target, config.base, named) || named.empty()) return HALVET_ERR_NO_SUCH_ENTRY;
                // The labels below the alias, then the name of what it names.
                full = full.substr(0, full.size() - levels[i].size()) + named;
                if (full.size() > dirstore::kMaxNameChars) return HALVET_ERR_ILLEGAL_NAME;
                followed = true;
            }
            if (!followed) return HALVET_OK;
        }
        return HALVET_ERR_NO_SUCH_ENTRY;
    }

    void Forget() { nodes_.clear(); }

private:
    struct Node {
        std::string dn;
        std::string target;
    };
    std::map<std::string, Node> nodes_;
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

const ClassMap& ClassOfEntry(LDAP* ld, LDAPMessage* entry)
{
    return Mapping::Get().ClassOfEntry(TextsOf(ld, entry, "objectClass"));
}

// An entry's class, flags, subordinates and time. An alias has the class of
// the object it names, and is a container alias when that is a container.
ObjectInfo InfoOfEntry(LDAP* ld, LDAPMessage* entry, const ClassMap& cls)
{
    ObjectInfo info;
    info.baseClass = cls.cls;
    if (cls.alias) {
        info.entryFlags |= HALVET_ENTRY_ALIAS;
        std::vector<std::string> target = TextsOf(ld, entry, kAliasTargetType);
        Message named;
        LDAPMessage* e = nullptr;
        if (!target.empty() &&
            Search(ld, target[0], LDAP_SCOPE_BASE, "(objectClass=*)", {"objectClass"}, named) == HALVET_OK)
            e = ldap_first_entry(ld, named.message);
        if (e) {
            const ClassMap& namedCls = ClassOfEntry(ld, e);
            if (!namedCls.alias && !namedCls.cls.empty()) info.baseClass = namedCls.cls;
            if (namedCls.container) info.entryFlags = HALVET_ENTRY_CONTAINER_ALIAS;
        }
    } else if (cls.container) {
        info.entryFlags |= HALVET_ENTRY_CONTAINER;
    }
    if (info.baseClass.empty()) info.baseClass = "Top";
    std::vector<std::string> has = TextsOf(ld, entry, "hasSubordinates");
    info.subordinateCount = !has.empty() && EqualNoCase(has[0], "TRUE") ? 1 : 0;
    std::vector<std::string> stamp = TextsOf(ld, entry, "modifyTimestamp");
    if (!stamp.empty()) info.modificationTime = ldapmap::ParseGeneralizedTime(stamp[0]);
    return info;
}

const std::vector<const char*> kInfoAttrs = {"objectClass", "hasSubordinates", "modifyTimestamp", kAliasTargetType};

// The stream attributes of every class: their LDAP types, read along with an
// entry whose streams are wanted, and their directory names.
struct Streams {
    std::vector<const char*> types;
    std::vector<std::string> names;
};

const Streams& AllStreams()
{
    static const Streams streams = [] {
        Streams out;
        const Mapping& mapping = Mapping::Get();
        std::vector<const ClassMap*> all{&mapping.Other()};
        for (const ClassMap& c : mapping.Classes()) all.push_back(&c);
        for (const ClassMap* c : all)
            for (const AttrMap& a : c->attrs) {
                if (a.conversion != ldapmap::Conversion::Stream) continue;
                bool known = false;
                for (const char* t : out.types) known = known || EqualNoCase(t, a.ldap);
                if (!known) out.types.push_back(a.ldap.c_str());
                out.names.push_back(a.name);
            }
        return out;
    }();
    return streams;
}

// The auxiliary classes of an entry's class that the entry lacks (one made
// by other means than the export), added by a modify request that writes
// values so that the entry can hold every attribute its class maps (an
// organization's login script: a stream is given its first value that way).
class AddedClasses {
public:
    AddedClasses(LDAP* ld, LDAPMessage* entry, const ClassMap& cls)
    {
        std::vector<std::string> has = TextsOf(ld, entry, "objectClass");
        for (const std::string& aux : cls.auxiliaryClasses) {
            bool found = false;
            for (const std::string& oc : has) found = found || EqualNoCase(oc, aux);
            if (!found) names_.push_back(aux);
        }
        for (std::string& name : names_) values_.push_back(const_cast<char*>(name.c_str()));
        values_.push_back(nullptr);
        mod_.mod_op = LDAP_MOD_ADD;
        mod_.mod_type = const_cast<char*>("objectClass");
        mod_.mod_vals.modv_strvals = values_.data();
    }
    AddedClasses(const AddedClasses&) = delete;
    AddedClasses& operator=(const AddedClasses&) = delete;
    // The modification that adds them; null when the entry has them all.
    LDAPModA* mod() { return names_.empty() ? nullptr : &mod_; }

private:
    std::vector<std::string> names_;
    std::vector<char*> values_;
    LDAPModA mod_ = {};
};

// An object's entry, read at base scope: its DN, the reply that holds it and
// its class.
struct Entry {
    std::string dn;
    Message result;
    LDAPMessage* entry = nullptr;
    const ClassMap* cls = nullptr;
};

// Finds the DN of a canonical full name and reads the entry with the
// attributes wanted (its object classes always).
int32_t ReadEntry(Session& s, DnCache& dns, const Config& config, const std::string& full,
                  std::vector<const char*> attrs, Entry& out)
{
    int32_t rc = dns.Find(s.get(), config, full, out.dn);
    if (rc != HALVET_OK) return rc;
    bool hasClasses = false;
    for (const char* a : attrs) hasClasses = hasClasses || strcmp(a, "*") == 0 || EqualNoCase(a, "objectClass");
    if (!hasClasses) attrs.push_back("objectClass");
    rc = Search(s.get(), out.dn, LDAP_SCOPE_BASE, "(objectClass=*)", std::move(attrs), out.result);
    if (rc != HALVET_OK) return rc;
    out.entry = ldap_first_entry(s.get(), out.result.message);
    if (!out.entry) return HALVET_ERR_NO_SUCH_ENTRY;
    out.cls = &ClassOfEntry(s.get(), out.entry);
    return HALVET_OK;
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

std::string ServerKey(const Config& config)
{
    return KeyOf(config);
}

class Listing {
public:
    Config config;
    Session session;
    std::string dn, filter, pattern, cookie;
    std::string cls;  // only objects of this class ("" = all)
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
        // A class the mapping does not know has no objects here. The server
        // finds the entries of the class, those of its subclasses and the
        // aliases; each entry's class picks them.
        if (!EqualNoCase(map.cls, cls) || map.objectClasses.empty()) listing->done = true;
        else listing->filter = "(|(objectClass=" + EscapeFilterValue(map.objectClasses.back()) + ")(objectClass=" +
                               EscapeFilterValue(Mapping::Get().Alias().objectClasses.front()) + "))";
        listing->cls = map.cls;
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
    std::string value = ldapmap::PagedControlValue(kPageSize, listing.cookie);
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
        entry.info = InfoOfEntry(ld, e, ClassOfEntry(ld, e));
        if (!listing.cls.empty() && !EqualNoCase(entry.info.baseClass, listing.cls)) continue;
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
                if (!ldapmap::PagedControlCookie(v, cookie)) cookie.clear();
            }
        }
    }
    if (returned) ldap_controls_freeA(returned);
    listing.cookie = cookie;
    listing.done = cookie.empty();
    more = !listing.done;
    return HALVET_OK;
}

int32_t Locate(const Config& config, const std::string& nameContext, const std::string& name, bool deref,
               std::string& full)
{
    int32_t rc = dirstore::ResolveName(name, nameContext, full);
    if (rc != HALVET_OK || full.empty()) return rc;
    return WithSession(config, [&](Session& s, DnCache& dns) {
        std::string dn;
        return dns.Resolve(s.get(), config, full, deref, dn);
    });
}

int32_t ReadInfo(const Config& config, const std::string& full, ObjectInfo& info)
{
    return WithSession(config, [&](Session& s, DnCache& dns) {
        Entry e;
        int32_t rc = ReadEntry(s, dns, config, full, kInfoAttrs, e);
        if (rc != HALVET_OK) return rc;
        info = InfoOfEntry(s.get(), e.entry, *e.cls);
        return HALVET_OK;
    });
}

int32_t ReadAttrs(const Config& config, const std::string& full, const std::vector<std::string>* names,
                  std::vector<Attr>& out)
{
    return WithSession(config, [&](Session& s, DnCache& dns) {
        Entry e;
        int32_t rc = ReadEntry(s, dns, config, full, {"*"}, e);
        if (rc != HALVET_OK) return rc;
        const ClassMap& cls = *e.cls;
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
            for (const std::string& text : TextsOf(s.get(), e.entry, map.ldap.c_str())) {
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
        // The streams come along when a change may give one a value.
        std::vector<const char*> wanted{"objectClass"};
        for (const dirstore::Change& change : changes)
            for (const std::string& stream : AllStreams().names)
                if (EqualNoCase(change.attr, stream)) wanted = AllStreams().types;
        Entry e;
        int32_t rc = ReadEntry(s, dns, config, full, wanted, e);
        if (rc != HALVET_OK) return rc;
        const ClassMap& cls = *e.cls;
        const std::string& dn = e.dn;

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
                Values v;
                v.values = ldap_get_values_lenA(s.get(), e.entry, const_cast<char*>(map->ldap.c_str()));
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
        AddedClasses added(s.get(), e.entry, cls);
        bool writes = false;
        for (auto& m : mods) writes = writes || m->mod.mod_op != LDAP_MOD_DELETE;
        if (writes && added.mod()) list.push_back(added.mod());
        for (auto& m : mods) list.push_back(&m->mod);
        list.push_back(nullptr);
        ULONG code = ldap_modify_ext_sA(s.get(), const_cast<char*>(dn.c_str()), list.data(), nullptr, nullptr);
        if (cls.alias) dns.Forget();  // the names found through it may have changed
        // In a modify, the server's naming refusals are about the value that
        // names the object.
        if (code == LDAP_NAMING_VIOLATION || code == LDAP_NOT_ALLOWED_ON_RDN) return HALVET_ERR_NAMING_VALUE;
        return ErrorOf(code);
    });
}

// An object's entry with its streams, and the LDAP type of one of them.
static int32_t StreamOf(Session& s, DnCache& dns, const Config& config, const std::string& full,
                        const std::string& attr, Entry& entry, std::string& type)
{
    if (full.empty()) return HALVET_ERR_NO_SUCH_ENTRY;
    int32_t rc = ReadEntry(s, dns, config, full, AllStreams().types, entry);
    if (rc != HALVET_OK) return rc;
    const AttrMap* map = Mapping::Find(*entry.cls, attr);
    if (!map) return HALVET_ERR_NO_SUCH_ATTRIBUTE;
    if (map->conversion != ldapmap::Conversion::Stream) return HALVET_ERR_SYNTAX_VIOLATION;
    type = map->ldap;
    return HALVET_OK;
}

int32_t ReadStream(const Config& config, const std::string& full, const std::string& attr, std::string& content)
{
    content.clear();
    return WithSession(config, [&](Session& s, DnCache& dns) {
        Entry e;
        std::string type;
        int32_t rc = StreamOf(s, dns, config, full, attr, e, type);
        if (rc != HALVET_OK) return rc;
        Values v;
        v.values = ldap_get_values_lenA(s.get(), e.entry, const_cast<char*>(type.c_str()));
        if (!v.values || !v.values[0]) return HALVET_ERR_NO_SUCH_VALUE;
        if (v.values[0]->bv_val) content.assign(v.values[0]->bv_val, v.values[0]->bv_len);
        return HALVET_OK;
    });
}

int32_t WriteStream(const Config& config, const std::string& full, const std::string& attr,
                    const std::string& content)
{
    return WithSession(config, [&](Session& s, DnCache& dns) {
        Entry e;
        std::string type;
        int32_t rc = StreamOf(s, dns, config, full, attr, e, type);
        if (rc != HALVET_OK) return rc;
        berval value = {static_cast<ULONG>(content.size()), const_cast<char*>(content.data())};
        berval* values[2] = {&value, nullptr};
        LDAPModA mod = {};
        mod.mod_op = LDAP_MOD_REPLACE | LDAP_MOD_BVALUES;
        mod.mod_type = const_cast<char*>(type.c_str());
        mod.mod_vals.modv_bvals = values;
        LDAPModA* list[2] = {&mod, nullptr};
        return ErrorOf(ldap_modify_ext_sA(s.get(), const_cast<char*>(e.dn.c_str()), list, nullptr, nullptr));
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
