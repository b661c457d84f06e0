// What a live tree's client makes of the bytes an LDAP server sends: DNs,
// subschema items, times, the paged-results control and attribute values of
// every mapped attribute. The input is one value as the server sent it.
// - A DN that parses gives the same RDN values again once each value is
//   escaped and the DN parsed anew.
// - A paged-results value that parses gives a cookie from within it, and the
//   control asking for the next page carries that cookie back unchanged.
// - No value of any mapped attribute is read past its end (the sanitizers
//   watch), and a value that converts converts back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "ldapmap.h"

using namespace orrel::ldapmap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::vector<Rdn> rdns;
    if (ParseDn(text, rdns)) {
        std::string again;
        for (const Rdn& r : rdns) again += (again.empty() ? "" : ",") + r.type + "=" + EscapeRdnValue(r.value);
        std::vector<Rdn> reparsed;
        FUZZ_CHECK(ParseDn(again, reparsed));
        FUZZ_CHECK(reparsed.size() == rdns.size());
        for (size_t i = 0; i < rdns.size(); ++i) FUZZ_CHECK(reparsed[i].value == rdns[i].value);
    }
    std::string name;
    NameOfDn(text, "o=Corp", name);

    SchemaItem item;
    ParseSchemaItem(text, item);
    ParseGeneralizedTime(text);

    std::string cookie;
    if (PagedControlCookie(text, cookie)) {
        FUZZ_CHECK(cookie.size() <= text.size());
        std::string back;
        if (cookie.size() < 0x10000) {
            FUZZ_CHECK(PagedControlCookie(PagedControlValue(1000, cookie), back));
            FUZZ_CHECK(back == cookie);
        }
    }

    auto dnToName = [](const std::string& dn, std::string& out) { return NameOfDn(dn, "o=Corp", out); };
    auto nameToDn = [](const std::string& n, std::string& dn) {
        dn = "cn=" + EscapeRdnValue(n) + ",o=Corp";
        return 0;
    };
    for (const ClassMap& cls : Mapping::Get().Classes()) {
        for (const AttrMap& map : cls.attrs) {
            Value value;
            if (!FromLdap(map, text, dnToName, value)) continue;
            std::string out;
            ToLdap(map, value, nameToDn, out);
        }
    }
    return 0;
}
