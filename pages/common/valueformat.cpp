// Text of directory values by syntax. Records may sit unaligned in their
// buffer: they are copied out with memcpy before their fields are read.
#include "orrel/pages/valueformat.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "halvet/dirtypes.h"

namespace orrel {
namespace pages {

const char kTrueText[] = "True";
const char kFalseText[] = "False";
const char kNotSupportedText[] = "<Not supportted yet>";

namespace {

// The value buffer and the checks every pointer of a record goes through.
class Buffer {
public:
    Buffer(const void* value, std::size_t size) noexcept
        : begin_(static_cast<const unsigned char*>(value)), end_(begin_ + size)
    {
    }

    bool Holds(const void* p, std::size_t length) const noexcept
    {
        auto q = static_cast<const unsigned char*>(p);
        if (!q || q < begin_ || q > end_) return false;
        return static_cast<std::size_t>(end_ - q) >= length;
    }

    template <class Record>
    bool Read(const void* p, Record* out) const noexcept
    {
        if (!Holds(p, sizeof(Record))) return false;
        std::memcpy(out, p, sizeof(Record));
        return true;
    }

    template <class Record>
    bool ReadHead(Record* out) const noexcept { return Read(begin_, out); }

    // A string field: null is an empty string; a pointer outside fails.
    bool String(const char* p, std::string* out) const
    {
        out->clear();
        if (!p) return true;
        if (!Holds(p, 1)) return false;
        *out = BoundedString(p, begin_, end_);
        return true;
    }

    // A byte field of length bytes; null with length 0 is empty.
    bool Bytes(const uint8_t* p, std::size_t length) const noexcept
    {
        if (length == 0) return true;
        return Holds(p, length);
    }

    // How many records of a size could fit: the bound of any list walk.
    std::size_t MaxNodes(std::size_t recordSize) const noexcept
    {
        return static_cast<std::size_t>(end_ - begin_) / recordSize;
    }

    // The most text a well-formed record of this buffer gives: every value
    // byte shown at most once, as at most three characters (hexadecimal),
    // plus separators. Records whose strings overlap could make far more
    // (the same long string once per list node); they are refused.
    std::size_t TextBudget() const noexcept { return 3 * Size() + 256; }

    const unsigned char* Begin() const noexcept { return begin_; }
    std::size_t Size() const noexcept { return static_cast<std::size_t>(end_ - begin_); }

private:
    const unsigned char* begin_;
    const unsigned char* end_;
};

std::string Printf(const char* format, long value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string PrintfUnsigned(const char* format, unsigned long value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::unique_ptr<ValueNode> Text(std::string text)
{
    return std::make_unique<ValueNode>(std::move(text));
}

template <class T>
bool ReadScalar(const Buffer& buffer, T* out) noexcept
{
    return buffer.ReadHead(out);
}

std::unique_ptr<ValueNode> FormatCiList(const Buffer& buffer)
{
    std::string text;
    const void* at = buffer.Begin();
    std::size_t steps = buffer.MaxNodes(sizeof(HALVET_CI_LIST));
    bool first = true;
    while (at) {
        if (steps-- == 0) return nullptr;  // a cycle: no end inside the buffer
        HALVET_CI_LIST node;
        std::string s;
        if (!buffer.Read(at, &node) || !buffer.String(node.s, &s)) return nullptr;
        if (!first) text += ", ";
        text += s;
        if (text.size() > buffer.TextBudget()) return nullptr;
        first = false;
        at = node.next;
    }
    return Text(std::move(text));
}

std::unique_ptr<ValueNode> FormatOctetList(const Buffer& buffer)
{
    std::string text;
    const void* at = buffer.Begin();
    std::size_t steps = buffer.MaxNodes(sizeof(HALVET_OCTET_LIST));
    bool first = true;
    while (at) {
        if (steps-- == 0) return nullptr;
        HALVET_OCTET_LIST node;
        if (!buffer.Read(at, &node) || !buffer.Bytes(node.data, node.length)) return nullptr;
        if (!first) text += ", ";
        text += FormatHexBytes(node.data, node.length);
        if (text.size() > buffer.TextBudget()) return nullptr;
        first = false;
        at = node.next;
    }
    return Text(std::move(text));
}

}  // namespace

std::string BoundedString(const char* p, const unsigned char* begin, const unsigned char* end)
{
    auto q = reinterpret_cast<const unsigned char*>(p);
    if (!q || q < begin || q >= end) return std::string();
    const void* zero = std::memchr(q, 0, static_cast<std::size_t>(end - q));
    std::size_t length = zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - q)
                              : static_cast<std::size_t>(end - q);
    return std::string(p, length);
}

std::string FormatHexBytes(const uint8_t* bytes, std::size_t length)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    if (!bytes || length == 0) return text;
    text.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i) {
        if (i) text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    return text;
}

std::string FormatNetAddress(uint32_t type, const uint8_t* bytes, std::size_t length)
{
    char text[64];
    const uint8_t* b = bytes;
    if (type == HALVET_NET_ADDRESS_IPX && b && length >= 12) {
        std::snprintf(text, sizeof text,
                      "%02hX%02hX%02hX%02hX:%02hX%02hX%02hX%02hX%02hX%02hX:%02hX%02hX",
                      (unsigned short)b[0], (unsigned short)b[1], (unsigned short)b[2],
                      (unsigned short)b[3], (unsigned short)b[4], (unsigned short)b[5],
                      (unsigned short)b[6], (unsigned short)b[7], (unsigned short)b[8],
                      (unsigned short)b[9], (unsigned short)b[10], (unsigned short)b[11]);
        return text;
    }
    if (type == HALVET_NET_ADDRESS_IP && b && length >= 4) {
        std::snprintf(text, sizeof text, "%hd.%hd.%hd.%hd", (short)b[0], (short)b[1], (short)b[2],
                      (short)b[3]);
        return text;
    }
    return kNotSupportedText;
}

std::string FormatLocalTimeC(uint32_t seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local;
#ifdef _WIN32
    std::tm* p = std::localtime(&t);  // the runtime's per-thread buffer
    if (!p) return std::string();
    local = *p;
#else
    if (!localtime_r(&t, &local)) return std::string();
#endif
    char text[256];
    std::size_t n = std::strftime(text, sizeof text, "%c", &local);
    return std::string(text, n);
}

std::unique_ptr<ValueNode> FormatValue(uint32_t syntax, const void* value, std::size_t size,
                                       const NameDisplay& names)
{
    if (!value) return nullptr;
    Buffer buffer(value, size);
    switch (syntax) {
    case HALVET_SYNTAX_CI_LIST:
        return FormatCiList(buffer);
    case HALVET_SYNTAX_BOOLEAN: {
        uint8_t b;
        if (!ReadScalar(buffer, &b)) return nullptr;
        return Text(b ? kTrueText : kFalseText);
    }
    case HALVET_SYNTAX_INTEGER:
    case HALVET_SYNTAX_INTERVAL: {
        int32_t n;
        if (!ReadScalar(buffer, &n)) return nullptr;
        return Text(Printf("%ld", static_cast<long>(n)));
    }
    case HALVET_SYNTAX_COUNTER: {
        uint32_t n;
        if (!ReadScalar(buffer, &n)) return nullptr;
        return Text(PrintfUnsigned("%lu", static_cast<unsigned long>(n)));
    }
    case HALVET_SYNTAX_FAX_NUMBER: {
        HALVET_FAX_NUMBER r;
        std::string number;
        if (!buffer.ReadHead(&r) || !buffer.String(r.telephoneNumber, &number)) return nullptr;
        return Text(std::move(number));
    }
    case HALVET_SYNTAX_NET_ADDRESS: {
        HALVET_NET_ADDRESS r;
        if (!buffer.ReadHead(&r)) return nullptr;
        // Only the bytes the type shows are needed, and only those that lie
        // inside both the address and the buffer are read.
        std::size_t need = r.addressType == HALVET_NET_ADDRESS_IPX ? 12
                           : r.addressType == HALVET_NET_ADDRESS_IP ? 4 : 0;
        std::size_t length = r.addressLength < need ? r.addressLength : need;
        if (!buffer.Bytes(r.address, length)) return nullptr;
        return Text(FormatNetAddress(r.addressType, r.address, length));
    }
    case HALVET_SYNTAX_EMAIL_ADDRESS: {
        HALVET_EMAIL_ADDRESS r;
        std::string address;
        if (!buffer.ReadHead(&r) || !buffer.String(r.address, &address)) return nullptr;
        return Text(std::move(address));
    }
    case HALVET_SYNTAX_PATH: {
        HALVET_PATH r;
        std::string volume, path;
        if (!buffer.ReadHead(&r) || !buffer.String(r.volumeName, &volume) ||
            !buffer.String(r.path, &path))
            return nullptr;
        return Text(names.Display(volume.c_str()) + ":" + path);
    }
    case HALVET_SYNTAX_OBJECT_ACL: {
        HALVET_OBJECT_ACL r;
        std::string attribute, subject;
        if (!buffer.ReadHead(&r) || !buffer.String(r.protectedAttrName, &attribute) ||
            !buffer.String(r.subjectName, &subject))
            return nullptr;
        auto node = std::make_unique<ValueNode>(std::move(attribute), ValueKind::AclEntry);
        node->subjectName = names.Display(subject.c_str());
        node->privileges = r.privileges;
        return node;
    }
    case HALVET_SYNTAX_PO_ADDRESS: {
        HALVET_POSTAL_ADDRESS r;
        if (!buffer.ReadHead(&r)) return nullptr;
        std::string text;
        for (int i = 0; i < HALVET_POSTAL_LINES; ++i) {
            std::string line;
            if (!buffer.String(r.line[i], &line)) return nullptr;
            if (i) text += ", ";
            text += line;
            if (text.size() > buffer.TextBudget()) return nullptr;
        }
        return Text(std::move(text));
    }
    case HALVET_SYNTAX_TIMESTAMP: {
        HALVET_TIMESTAMP r;
        if (!buffer.ReadHead(&r)) return nullptr;
        return Text(FormatLocalTimeC(r.wholeSeconds));
    }
    case HALVET_SYNTAX_TIME: {
        uint32_t seconds;
        if (!ReadScalar(buffer, &seconds)) return nullptr;
        return Text(FormatLocalTimeC(seconds));
    }
    case HALVET_SYNTAX_BACK_LINK: {
        HALVET_BACK_LINK r;
        std::string name;
        if (!buffer.ReadHead(&r) || !buffer.String(r.objectName, &name)) return nullptr;
        return Text(names.Display(name.c_str()));
    }
    case HALVET_SYNTAX_TYPED_NAME: {
        HALVET_TYPED_NAME r;
        std::string name;
        if (!buffer.ReadHead(&r) || !buffer.String(r.objectName, &name)) return nullptr;
        auto node = std::make_unique<ValueNode>(std::move(name), ValueKind::TypedName);
        node->level = r.level;
        node->interval = r.interval;
        return node;
    }
    case HALVET_SYNTAX_HOLD: {
        HALVET_HOLD r;
        std::string name;
        if (!buffer.ReadHead(&r) || !buffer.String(r.objectName, &name)) return nullptr;
        return Text(names.Display(name.c_str()) + ":" +
                    PrintfUnsigned("%lu", static_cast<unsigned long>(r.amount)));
    }
    case HALVET_SYNTAX_OCTET_STRING:
    case HALVET_SYNTAX_REPLICA_POINTER: {
        HALVET_OCTET_STRING r;
        if (!buffer.ReadHead(&r) || !buffer.Bytes(r.data, r.length)) return nullptr;
        return Text(FormatHexBytes(r.data, r.length));
    }
    case HALVET_SYNTAX_OCTET_LIST:
        return FormatOctetList(buffer);
    case HALVET_SYNTAX_STREAM: {
        // The value of a stream is a marker; its content is read with
        // OpenStream. Whatever bytes it has are shown, not taken as text.
        std::string bytes = BoundedString(reinterpret_cast<const char*>(buffer.Begin()),
                                          buffer.Begin(), buffer.Begin() + buffer.Size());
        return Text(FormatHexBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }
    default:
        // Names, strings, telephone numbers, class names and the syntaxes
        // not listed: the value is its text.
        return Text(BoundedString(static_cast<const char*>(value), buffer.Begin(),
                                  buffer.Begin() + buffer.Size()));
    }
}

}  // namespace pages
}  // namespace orrel
