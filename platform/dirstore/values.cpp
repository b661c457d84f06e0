#include "values.h"

#include <cstring>

#include <halvet/dirtypes.h>

#include "names.h"

namespace orrel::dirstore {

namespace {

constexpr size_t Align8(size_t n) { return (n + 7) & ~size_t(7); }

// Lays out a record and the data it points to inside one buffer.
class Layout {
public:
    explicit Layout(void* base) : base_(static_cast<uint8_t*>(base)) {}
    // Reserves n bytes aligned to 8 and returns their address (or the
    // offset when measuring).
    uint8_t* Take(size_t n)
    {
        size_t at = Align8(used_);
        used_ = at + n;
        return base_ ? base_ + at : nullptr;
    }
    char* Text(const std::string& s)
    {
        uint8_t* p = TakeBytes(s.size() + 1);
        if (p) {
            std::memcpy(p, s.data(), s.size());
            p[s.size()] = 0;
        }
        return reinterpret_cast<char*>(p);
    }
    uint8_t* Bytes(const std::vector<uint8_t>& b)
    {
        uint8_t* p = TakeBytes(b.size());
        if (p && !b.empty()) std::memcpy(p, b.data(), b.size());
        return b.empty() ? nullptr : p;
    }
    template <typename T>
    void Put(uint8_t* at, const T& record)
    {
        if (at) std::memcpy(at, &record, sizeof(T));
    }
    size_t Used() const { return used_; }

private:
    uint8_t* TakeBytes(size_t n)
    {
        size_t at = used_;
        used_ += n;
        return base_ ? base_ + at : nullptr;
    }
    uint8_t* base_;
    size_t used_ = 0;
};

size_t Emit(const Value& v, void* out)
{
    Layout L(out);
    switch (v.syntax) {
    case 1:  // names are handed out absolute, so that they resolve in any context
        L.Text("." + v.s1);
        break;
    case 2: case 3: case 4: case 5: case 10: case 20:
        L.Text(v.s1);
        break;
    case 21:
        L.Text(std::string());
        break;
    case 7: {
        uint8_t* at = L.Take(1);
        L.Put(at, static_cast<uint8_t>(v.n1 ? 1 : 0));
        break;
    }
    case 8: case 22: case 24: case 27: {
        uint8_t* at = L.Take(4);
        L.Put(at, v.n1);
        break;
    }
    case 6: {
        std::vector<uint8_t*> nodes;
        for (size_t i = 0; i < v.strings.size(); ++i) nodes.push_back(L.Take(sizeof(HALVET_CI_LIST)));
        for (size_t i = 0; i < v.strings.size(); ++i) {
            HALVET_CI_LIST node{};
            node.s = L.Text(v.strings[i]);
            node.next = (i + 1 < nodes.size()) ? reinterpret_cast<HALVET_CI_LIST*>(nodes[i + 1]) : nullptr;
            L.Put(nodes[i], node);
        }
        if (v.strings.empty()) {  // an empty list still has a record: one empty node
            uint8_t* at = L.Take(sizeof(HALVET_CI_LIST));
            HALVET_CI_LIST node{};
            node.s = L.Text(std::string());
            L.Put(at, node);
        }
        break;
    }
    case 13: {
        std::vector<uint8_t*> nodes;
        for (size_t i = 0; i < v.octets.size(); ++i) nodes.push_back(L.Take(sizeof(HALVET_OCTET_LIST)));
        for (size_t i = 0; i < v.octets.size(); ++i) {
            HALVET_OCTET_LIST node{};
            node.length = static_cast<uint32_t>(v.octets[i].size());
            node.data = L.Bytes(v.octets[i]);
            node.next = (i + 1 < nodes.size()) ? reinterpret_cast<HALVET_OCTET_LIST*>(nodes[i + 1]) : nullptr;
            L.Put(nodes[i], node);
        }
        if (v.octets.empty()) {
            uint8_t* at = L.Take(sizeof(HALVET_OCTET_LIST));
            L.Put(at, HALVET_OCTET_LIST{});
        }
        break;
    }
    case 0: case 9: case 16: {
        uint8_t* at = L.Take(sizeof(HALVET_OCTET_STRING));
        HALVET_OCTET_STRING r{};
        r.length = static_cast<uint32_t>(v.bytes.size());
        r.data = L.Bytes(v.bytes);
        L.Put(at, r);
        break;
    }
    case 11: {
        uint8_t* at = L.Take(sizeof(HALVET_FAX_NUMBER));
        HALVET_FAX_NUMBER r{};
        r.telephoneNumber = L.Text(v.s1);
        r.bitCount = v.n1;
        r.data = L.Bytes(v.bytes);
        L.Put(at, r);
        break;
    }
    case 12: {
        uint8_t* at = L.Take(sizeof(HALVET_NET_ADDRESS));
        HALVET_NET_ADDRESS r{};
        r.addressType = v.n1;
        r.addressLength = static_cast<uint32_t>(v.bytes.size());
        r.address = L.Bytes(v.bytes);
        L.Put(at, r);
        break;
    }
    case 14: {
        uint8_t* at = L.Take(sizeof(HALVET_EMAIL_ADDRESS));
        HALVET_EMAIL_ADDRESS r{};
        r.type = v.n1;
        r.address = L.Text(v.s1);
        L.Put(at, r);
        break;
    }
    case 15: {
        uint8_t* at = L.Take(sizeof(HALVET_PATH));
        HALVET_PATH r{};
        r.nameSpaceType = v.n1;
        r.volumeName = L.Text(v.s1.empty() ? v.s1 : "." + v.s1);
        r.path = L.Text(v.s2);
        L.Put(at, r);
        break;
    }
    case 17: {
        uint8_t* at = L.Take(sizeof(HALVET_OBJECT_ACL));
        HALVET_OBJECT_ACL r{};
        r.protectedAttrName = L.Text(v.s1);
        r.subjectName = L.Text((v.s2.empty() || v.s2[0] == '[') ? v.s2 : "." + v.s2);
        r.privileges = v.n1;
        L.Put(at, r);
        break;
    }
    case 18: {
        uint8_t* at = L.Take(sizeof(HALVET_POSTAL_ADDRESS));
        HALVET_POSTAL_ADDRESS r{};
        for (int i = 0; i < HALVET_POSTAL_LINES; ++i)
            r.line[i] = L.Text(i < static_cast<int>(v.strings.size()) ? v.strings[i] : std::string());
        L.Put(at, r);
        break;
    }
    case 19: {
        uint8_t* at = L.Take(sizeof(HALVET_TIMESTAMP));
        HALVET_TIMESTAMP r{v.n1, v.n2};
        L.Put(at, r);
        break;
    }
    case 23: {
        uint8_t* at = L.Take(sizeof(HALVET_BACK_LINK));
        HALVET_BACK_LINK r{};
        r.remoteId = v.n1;
        r.objectName = L.Text("." + v.s1);
        L.Put(at, r);
        break;
    }
    case 25: {
        uint8_t* at = L.Take(sizeof(HALVET_TYPED_NAME));
        HALVET_TYPED_NAME r{};
        r.objectName = L.Text("." + v.s1);
        r.level = v.n1;
        r.interval = v.n2;
        L.Put(at, r);
        break;
    }
    case 26: {
        uint8_t* at = L.Take(sizeof(HALVET_HOLD));
        HALVET_HOLD r{};
        r.objectName = L.Text("." + v.s1);
        r.amount = v.n1;
        L.Put(at, r);
        break;
    }
    default: {
        uint8_t* at = L.Take(sizeof(HALVET_OCTET_STRING));
        L.Put(at, HALVET_OCTET_STRING{});
        break;
    }
    }
    return L.Used();
}

// Reads a caller's string up to limit bytes; false when no NUL within it.
bool ReadText(const char* p, std::string& out, size_t limit = kMaxTextBytes)
{
    out.clear();
    if (!p) return true;
    for (size_t i = 0; i <= limit; ++i) {
        if (p[i] == 0) {
            out.assign(p, i);
            return true;
        }
    }
    return false;
}

bool ReadBytes(const uint8_t* p, uint32_t length, std::vector<uint8_t>& out)
{
    out.clear();
    if (length == 0) return true;
    if (!p || length > kMaxBinaryBytes) return false;
    out.assign(p, p + length);
    return true;
}

template <typename T>
T Load(const void* p)
{
    T t;
    std::memcpy(&t, p, sizeof(T));
    return t;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool FromHex(const Json& j, std::vector<uint8_t>& out, std::string& why)
{
    if (!j.is_string()) {
        why = "a hex string was expected";
        return false;
    }
    const std::string& s = j.get_ref<const std::string&>();
    if (s.size() % 2 || s.size() / 2 > kMaxBinaryBytes) {
        why = "hex string of odd or excessive length";
        return false;
    }
    out.clear();
    for (size_t i = 0; i < s.size(); i += 2) {
        int hi = HexDigit(s[i]), lo = HexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) {
            why = "not a hex digit";
            return false;
        }
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return true;
}

std::string ToHex(const std::vector<uint8_t>& b)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (uint8_t c : b) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

bool Text(const Json& j, std::string& out, std::string& why)
{
    if (!j.is_string()) {
        why = "a string was expected";
        return false;
    }
    out = j.get<std::string>();
    if (out.size() > kMaxTextBytes) {
        why = "text too long";
        return false;
    }
    if (out.find('\0') != std::string::npos) {
        why = "text holds a NUL";
        return false;
    }
    return true;
}

bool Unsigned(const Json& j, uint32_t& out, std::string& why)
{
    if (j.is_number_unsigned() && j.get<uint64_t>() <= 0xFFFFFFFFull) {
        out = static_cast<uint32_t>(j.get<uint64_t>());
        return true;
    }
    if (j.is_number_integer() && j.get<int64_t>() >= 0 && j.get<int64_t>() <= 0xFFFFFFFFll) {
        out = static_cast<uint32_t>(j.get<int64_t>());
        return true;
    }
    why = "an integer 0..4294967295 was expected";
    return false;
}

bool Signed(const Json& j, uint32_t& out, std::string& why)
{
    if (j.is_number_integer() && !(j.is_number_unsigned() && j.get<uint64_t>() > 0x7FFFFFFFull)) {
        int64_t n = j.get<int64_t>();
        if (n >= INT32_MIN && n <= INT32_MAX) {
            out = static_cast<uint32_t>(static_cast<int32_t>(n));
            return true;
        }
    }
    why = "an integer -2147483648..2147483647 was expected";
    return false;
}

bool Name(const Json& j, std::string& out, std::string& why)
{
    std::string text;
    if (!Text(j, text, why)) return false;
    if (!CanonicalFullName(text, out)) {
        why = "malformed directory name '" + text.substr(0, 80) + "'";
        return false;
    }
    return true;
}

// A structured value: a JSON object with exactly the members named.
bool Members(const Json& j, std::initializer_list<const char*> allowed, std::string& why)
{
    if (!j.is_object()) {
        why = "an object was expected";
        return false;
    }
    for (auto it = j.begin(); it != j.end(); ++it) {
        bool known = false;
        for (const char* m : allowed) known = known || it.key() == m;
        if (!known) {
            why = "unknown member '" + it.key().substr(0, 40) + "'";
            return false;
        }
    }
    return true;
}

const Json& Member(const Json& j, const char* name)
{
    static const Json missing;
    auto it = j.find(name);
    return it == j.end() ? missing : *it;
}

bool OptUnsigned(const Json& j, const char* name, uint32_t& out, std::string& why)
{
    const Json& m = Member(j, name);
    if (m.is_null()) {
        out = 0;
        return true;
    }
    if (!Unsigned(m, out, why)) {
        why = std::string(name) + ": " + why;
        return false;
    }
    return true;
}

}  // namespace

bool IsTextSyntax(uint32_t syntax)
{
    switch (syntax) {
    case 1: case 2: case 3: case 4: case 5: case 10: case 20: case 21:
        return true;
    default:
        return false;
    }
}

bool IsCaseIgnoreSyntax(uint32_t syntax)
{
    switch (syntax) {
    case 1: case 3: case 4: case 6: case 10: case 20:
        return true;
    default:
        return false;
    }
}

size_t RecordSize(const Value& value)
{
    return Emit(value, nullptr);
}

void WriteRecord(const Value& value, void* out)
{
    Emit(value, out);
}

int32_t ReadRecord(uint32_t syntax, const void* record, Value& out)
{
    out = Value();
    out.syntax = syntax;
    if (syntax > HALVET_SYNTAX_MAX) return HALVET_ERR_UNKNOWN_SYNTAX;
    const int32_t bad = HALVET_ERR_SYNTAX_VIOLATION;
    if (!record) return HALVET_OK;  // the empty value of the syntax
    switch (syntax) {
    case 1: case 2: case 3: case 4: case 5: case 10: case 20: case 21:
        return ReadText(static_cast<const char*>(record), out.s1) ? HALVET_OK : bad;
    case 7:
        out.n1 = Load<uint8_t>(record) ? 1 : 0;
        return HALVET_OK;
    case 8: case 22: case 24: case 27:
        out.n1 = Load<uint32_t>(record);
        return HALVET_OK;
    case 6: {
        const HALVET_CI_LIST* node = static_cast<const HALVET_CI_LIST*>(record);
        for (size_t n = 0; node; ++n) {
            if (n >= kMaxListItems) return bad;
            HALVET_CI_LIST copy = Load<HALVET_CI_LIST>(node);
            std::string s;
            if (!ReadText(copy.s, s)) return bad;
            out.strings.push_back(s);
            node = copy.next;
        }
        return HALVET_OK;
    }
    case 13: {
        const HALVET_OCTET_LIST* node = static_cast<const HALVET_OCTET_LIST*>(record);
        for (size_t n = 0; node; ++n) {
            if (n >= kMaxListItems) return bad;
            HALVET_OCTET_LIST copy = Load<HALVET_OCTET_LIST>(node);
            std::vector<uint8_t> b;
            if (!ReadBytes(copy.data, copy.length, b)) return bad;
            out.octets.push_back(std::move(b));
            node = copy.next;
        }
        return HALVET_OK;
    }
    case 0: case 9: case 16: {
        auto r = Load<HALVET_OCTET_STRING>(record);
        return ReadBytes(r.data, r.length, out.bytes) ? HALVET_OK : bad;
    }
    case 11: {
        auto r = Load<HALVET_FAX_NUMBER>(record);
        out.n1 = r.bitCount;
        if (r.bitCount > kMaxBinaryBytes * 8) return bad;
        if (!ReadText(r.telephoneNumber, out.s1)) return bad;
        return ReadBytes(r.data, (r.bitCount + 7) / 8, out.bytes) ? HALVET_OK : bad;
    }
    case 12: {
        auto r = Load<HALVET_NET_ADDRESS>(record);
        out.n1 = r.addressType;
        return ReadBytes(r.address, r.addressLength, out.bytes) ? HALVET_OK : bad;
    }
    case 14: {
        auto r = Load<HALVET_EMAIL_ADDRESS>(record);
        out.n1 = r.type;
        return ReadText(r.address, out.s1) ? HALVET_OK : bad;
    }
    case 15: {
        auto r = Load<HALVET_PATH>(record);
        out.n1 = r.nameSpaceType;
        return (ReadText(r.volumeName, out.s1) && ReadText(r.path, out.s2)) ? HALVET_OK : bad;
    }
    case 17: {
        auto r = Load<HALVET_OBJECT_ACL>(record);
        out.n1 = r.privileges;
        return (ReadText(r.protectedAttrName, out.s1) && ReadText(r.subjectName, out.s2)) ? HALVET_OK
                                                                                            : bad;
    }
    case 18: {
        auto r = Load<HALVET_POSTAL_ADDRESS>(record);
        for (int i = 0; i < HALVET_POSTAL_LINES; ++i) {
            std::string s;
            if (!ReadText(r.line[i], s)) return bad;
            out.strings.push_back(s);
        }
        return HALVET_OK;
    }
    case 19: {
        auto r = Load<HALVET_TIMESTAMP>(record);
        out.n1 = r.wholeSeconds;
        out.n2 = r.eventId;
        return HALVET_OK;
    }
    case 23: {
        auto r = Load<HALVET_BACK_LINK>(record);
        out.n1 = r.remoteId;
        return ReadText(r.objectName, out.s1) ? HALVET_OK : bad;
    }
    case 25: {
        auto r = Load<HALVET_TYPED_NAME>(record);
        out.n1 = r.level;
        out.n2 = r.interval;
        return ReadText(r.objectName, out.s1) ? HALVET_OK : bad;
    }
    case 26: {
        auto r = Load<HALVET_HOLD>(record);
        out.n1 = r.amount;
        return ReadText(r.objectName, out.s1) ? HALVET_OK : bad;
    }
    default:
        return HALVET_ERR_UNKNOWN_SYNTAX;
    }
}

bool ValuesEqual(const Value& a, const Value& b)
{
    if (a.syntax != b.syntax) return false;
    auto text = [&](const std::string& x, const std::string& y) {
        return IsCaseIgnoreSyntax(a.syntax) ? EqualNoCase(x, y) : x == y;
    };
    switch (a.syntax) {
    case 1: case 15: case 23: case 25: case 26:
        return EqualNoCase(a.s1, b.s1) && a.s2 == b.s2 && a.n1 == b.n1 && a.n2 == b.n2;
    case 17:
        return EqualNoCase(a.s1, b.s1) && EqualNoCase(a.s2, b.s2) && a.n1 == b.n1;
    case 6: {
        if (a.strings.size() != b.strings.size()) return false;
        for (size_t i = 0; i < a.strings.size(); ++i)
            if (!EqualNoCase(a.strings[i], b.strings[i])) return false;
        return true;
    }
    default:
        return text(a.s1, b.s1) && a.s2 == b.s2 && a.strings == b.strings && a.octets == b.octets &&
               a.bytes == b.bytes && a.n1 == b.n1 && a.n2 == b.n2;
    }
}

int32_t CheckValue(const AttrDef& def, const Value& v)
{
    const int32_t bad = HALVET_ERR_SYNTAX_VIOLATION;
    if (v.syntax != def.syntax) return bad;
    auto sizedOk = [&](size_t length) {
        return !def.sized || def.upper == 0 || (length >= def.lower && length <= def.upper);
    };
    auto textOk = [](const std::string& s) {
        return s.size() <= kMaxTextBytes && s.find('\0') == std::string::npos;
    };
    auto nameOk = [](const std::string& s) {
        std::string canonical;
        return CanonicalFullName(s, canonical) && canonical == s;
    };
    switch (v.syntax) {
    case 1:
        return nameOk(v.s1) ? HALVET_OK : bad;
    case 2: case 3: case 10: case 20:
        if (!textOk(v.s1) || !sizedOk(v.s1.size())) return bad;
        if (v.syntax == 20 && !IsValidSchemaName(v.s1)) return bad;
        return HALVET_OK;
    case 4:
        if (!textOk(v.s1) || !sizedOk(v.s1.size())) return bad;
        for (char c : v.s1)
            if (c < 0x20 || c > 0x7e) return bad;
        return HALVET_OK;
    case 5:
        if (!textOk(v.s1) || !sizedOk(v.s1.size())) return bad;
        for (char c : v.s1)
            if (!(c >= '0' && c <= '9') && c != ' ') return bad;
        return HALVET_OK;
    case 21: {
        const std::string& f = v.s1;
        if (f.empty() || f.size() > kMaxStreamFileChars || f.find("..") != std::string::npos ||
            f.find_first_of("\\/:*?\"<>|") != std::string::npos)
            return bad;
        for (char c : f)
            if (static_cast<unsigned char>(c) < 0x20) return bad;
        return HALVET_OK;
    }
    case 6: case 18:
        if (v.syntax == 18 && v.strings.size() > HALVET_POSTAL_LINES) return bad;
        if (v.strings.size() > kMaxListItems) return bad;
        for (const std::string& s : v.strings)
            if (!textOk(s)) return bad;
        return HALVET_OK;
    case 7:
        return v.n1 <= 1 ? HALVET_OK : bad;
    case 0: case 9: case 16: case 12:
        return v.bytes.size() <= kMaxBinaryBytes ? HALVET_OK : bad;
    case 11:
        return (textOk(v.s1) && v.bytes.size() == (static_cast<size_t>(v.n1) + 7) / 8) ? HALVET_OK : bad;
    case 13:
        if (v.octets.size() > kMaxListItems) return bad;
        for (const auto& o : v.octets)
            if (o.size() > kMaxBinaryBytes) return bad;
        return HALVET_OK;
    case 14:
        return textOk(v.s1) ? HALVET_OK : bad;
    case 15:
        return (nameOk(v.s1) && textOk(v.s2)) ? HALVET_OK : bad;
    case 17:
        if (!IsValidSchemaName(v.s1) && !(textOk(v.s1) && !v.s1.empty() && v.s1[0] == '[')) return bad;
        if (EqualNoCase(v.s2, HALVET_SUBJECT_PUBLIC) || EqualNoCase(v.s2, HALVET_SUBJECT_ROOT))
            return HALVET_OK;
        return nameOk(v.s2) ? HALVET_OK : bad;
    case 23: case 25: case 26:
        return nameOk(v.s1) ? HALVET_OK : bad;
    case 8: case 19: case 22: case 24: case 27:
        return HALVET_OK;
    default:
        return bad;
    }
}

bool ValueFromJson(uint32_t syntax, const Json& j, Value& v, std::string& why)
{
    v = Value();
    v.syntax = syntax;
    switch (syntax) {
    case 1:
        return Name(j, v.s1, why);
    case 2: case 3: case 4: case 5: case 10: case 20: case 21:
        return Text(j, v.s1, why);
    case 6: case 18:
        if (!j.is_array() || j.size() > (syntax == 18 ? HALVET_POSTAL_LINES : kMaxListItems)) {
            why = syntax == 18 ? "an array of at most 6 strings was expected"
                               : "an array of strings was expected";
            return false;
        }
        for (const Json& s : j) {
            std::string text;
            if (!Text(s, text, why)) return false;
            v.strings.push_back(text);
        }
        if (syntax == 18) v.strings.resize(HALVET_POSTAL_LINES);
        return true;
    case 7:
        if (!j.is_boolean()) {
            why = "true or false was expected";
            return false;
        }
        v.n1 = j.get<bool>() ? 1 : 0;
        return true;
    case 8: case 27:
        return Signed(j, v.n1, why);
    case 22: case 24:
        return Unsigned(j, v.n1, why);
    case 0: case 9: case 16:
        return FromHex(j, v.bytes, why);
    case 13:
        if (!j.is_array() || j.size() > kMaxListItems) {
            why = "an array of hex strings was expected";
            return false;
        }
        for (const Json& s : j) {
            std::vector<uint8_t> b;
            if (!FromHex(s, b, why)) return false;
            v.octets.push_back(std::move(b));
        }
        return true;
    case 11:
        if (!Members(j, {"number", "bitCount", "bits"}, why) || !Text(Member(j, "number"), v.s1, why) ||
            !OptUnsigned(j, "bitCount", v.n1, why))
            return false;
        if (!Member(j, "bits").is_null() && !FromHex(Member(j, "bits"), v.bytes, why)) return false;
        if (v.bytes.size() != (static_cast<size_t>(v.n1) + 7) / 8) {
            why = "bits must hold (bitCount+7)/8 bytes";
            return false;
        }
        return true;
    case 12:
        return Members(j, {"type", "address"}, why) && OptUnsigned(j, "type", v.n1, why) &&
               FromHex(Member(j, "address"), v.bytes, why);
    case 14:
        return Members(j, {"type", "address"}, why) && OptUnsigned(j, "type", v.n1, why) &&
               Text(Member(j, "address"), v.s1, why);
    case 15:
        return Members(j, {"nameSpace", "volume", "path"}, why) &&
               OptUnsigned(j, "nameSpace", v.n1, why) && Name(Member(j, "volume"), v.s1, why) &&
               Text(Member(j, "path"), v.s2, why);
    case 17: {
        if (!Members(j, {"attribute", "subject", "privileges"}, why) ||
            !Text(Member(j, "attribute"), v.s1, why) || !OptUnsigned(j, "privileges", v.n1, why))
            return false;
        std::string subject;
        if (!Text(Member(j, "subject"), subject, why)) return false;
        if (!subject.empty() && subject[0] == '[') {
            v.s2 = subject;
        } else if (!Name(Member(j, "subject"), v.s2, why)) {
            return false;
        }
        return true;
    }
    case 19:
        return Members(j, {"seconds", "eventId"}, why) && OptUnsigned(j, "seconds", v.n1, why) &&
               OptUnsigned(j, "eventId", v.n2, why);
    case 23:
        return Members(j, {"remoteId", "object"}, why) && OptUnsigned(j, "remoteId", v.n1, why) &&
               Name(Member(j, "object"), v.s1, why);
    case 25:
        return Members(j, {"object", "level", "interval"}, why) &&
               Name(Member(j, "object"), v.s1, why) && OptUnsigned(j, "level", v.n1, why) &&
               OptUnsigned(j, "interval", v.n2, why);
    case 26:
        return Members(j, {"object", "amount"}, why) && Name(Member(j, "object"), v.s1, why) &&
               OptUnsigned(j, "amount", v.n1, why);
    default:
        why = "unknown syntax";
        return false;
    }
}

Json ValueToJson(const Value& v)
{
    switch (v.syntax) {
    case 1: case 2: case 3: case 4: case 5: case 10: case 20: case 21:
        return v.s1;
    case 6: {
        Json a = Json::array();
        for (const auto& s : v.strings) a.push_back(s);
        return a;
    }
    case 18: {
        // Trailing empty lines are implied.
        size_t n = v.strings.size();
        while (n > 0 && v.strings[n - 1].empty()) --n;
        Json a = Json::array();
        for (size_t i = 0; i < n; ++i) a.push_back(v.strings[i]);
        return a;
    }
    case 7:
        return v.n1 != 0;
    case 8: case 27:
        return static_cast<int32_t>(v.n1);
    case 22: case 24:
        return v.n1;
    case 0: case 9: case 16:
        return ToHex(v.bytes);
    case 13: {
        Json a = Json::array();
        for (const auto& o : v.octets) a.push_back(ToHex(o));
        return a;
    }
    case 11:
        return Json{{"number", v.s1}, {"bitCount", v.n1}, {"bits", ToHex(v.bytes)}};
    case 12:
        return Json{{"type", v.n1}, {"address", ToHex(v.bytes)}};
    case 14:
        return Json{{"type", v.n1}, {"address", v.s1}};
    case 15:
        return Json{{"nameSpace", v.n1}, {"volume", v.s1}, {"path", v.s2}};
    case 17:
        return Json{{"attribute", v.s1}, {"subject", v.s2}, {"privileges", v.n1}};
    case 19:
        return Json{{"seconds", v.n1}, {"eventId", v.n2}};
    case 23:
        return Json{{"remoteId", v.n1}, {"object", v.s1}};
    case 25:
        return Json{{"object", v.s1}, {"level", v.n1}, {"interval", v.n2}};
    case 26:
        return Json{{"object", v.s1}, {"amount", v.n1}};
    default:
        return Json();
    }
}

}  // namespace orrel::dirstore
