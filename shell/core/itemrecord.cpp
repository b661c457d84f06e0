// ItemRecord's serialised form and the label-counted path. Pure code: every
// reader is bounded by the size it was given.
#include "orrel/core/itemrecord.h"

#include <cstring>
#include <vector>

namespace orrel {

const char kFolderClass[] = "Ombra::Folder";
const char kTreeRootClass[] = "Tree Root";
const char kUnknownClass[] = "Unknown";

namespace {

// A record's strings are C texts: what follows an embedded zero is not part
// of them, so that writing and reading back give the same record.
std::size_t TextLength(const std::string& s)
{
    std::size_t n = s.find('\0');
    return n == std::string::npos ? s.size() : n;
}

std::size_t CountedSize(const std::string& s)
{
    std::size_t n = TextLength(s);
    return n == 0 ? 2 : 2 + n + 1;
}

constexpr std::size_t kMaxCountedText = 0xFFFF - 1;  // count = length + 1 fits 16 bits

class Writer {
public:
    Writer(std::uint8_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

    bool U16(std::uint16_t v)
    {
        if (capacity_ - pos_ < 2) return false;
        out_[pos_++] = static_cast<std::uint8_t>(v & 0xFF);
        out_[pos_++] = static_cast<std::uint8_t>(v >> 8);
        return true;
    }
    bool U32(std::uint32_t v)
    {
        if (capacity_ - pos_ < 4) return false;
        for (int i = 0; i < 4; ++i) out_[pos_++] = static_cast<std::uint8_t>(v >> (8 * i));
        return true;
    }
    bool Counted(const std::string& s)
    {
        std::size_t n = TextLength(s);
        if (n > kMaxCountedText) return false;
        if (n == 0) return U16(0);
        if (!U16(static_cast<std::uint16_t>(n + 1))) return false;
        if (capacity_ - pos_ < n + 1) return false;
        std::memcpy(out_ + pos_, s.data(), n);
        out_[pos_ + n] = 0;
        pos_ += n + 1;
        return true;
    }
    std::size_t Position() const { return pos_; }

private:
    std::uint8_t* out_;
    std::size_t capacity_;
    std::size_t pos_ = 0;
};

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool U16(std::uint16_t* v)
    {
        if (size_ - pos_ < 2) return false;
        *v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool U32(std::uint32_t* v)
    {
        if (size_ - pos_ < 4) return false;
        std::uint32_t r = 0;
        for (int i = 0; i < 4; ++i) r |= static_cast<std::uint32_t>(data_[pos_ + i]) << (8 * i);
        *v = r;
        pos_ += 4;
        return true;
    }
    // A counted string: its bytes must lie within the data and end with a
    // zero; the text is what comes before the first zero.
    bool Counted(std::string* s)
    {
        std::uint16_t count = 0;
        if (!U16(&count)) return false;
        if (count == 0) {
            s->clear();
            return true;
        }
        if (size_ - pos_ < count) return false;
        const std::uint8_t* bytes = data_ + pos_;
        if (bytes[count - 1] != 0) return false;
        const void* zero = std::memchr(bytes, 0, count);
        std::size_t length = static_cast<const std::uint8_t*>(zero) - bytes;
        s->assign(reinterpret_cast<const char*>(bytes), length);
        pos_ += count;
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

bool IsSeparator(char c) { return c == '.' || c == '\\'; }

// The labels of a label-counted path, in stored order, up to the first count
// that is zero, negative as a signed byte, or runs past the end.
std::vector<std::string> PathLabels(const std::string& path)
{
    std::vector<std::string> labels;
    std::size_t pos = 0;
    while (pos < path.size()) {
        int count = static_cast<signed char>(path[pos]);
        if (count <= 0) break;
        std::size_t n = static_cast<std::size_t>(count);
        if (path.size() - pos - 1 < n) break;
        labels.push_back(path.substr(pos + 1, n));
        pos += 1 + n;
    }
    return labels;
}

std::string JoinLabels(const std::vector<std::string>& labels, std::size_t first, std::size_t end,
                       char separator)
{
    std::string out;
    for (std::size_t i = first; i < end; ++i) {
        if (i != first) out += separator;
        out += labels[i];
    }
    return out;
}

constexpr std::size_t kRenameBuffer = 1024;
constexpr std::size_t kMaxLabel = 127;

}  // namespace

ItemRecord::~ItemRecord() = default;

std::size_t ItemRecord::RecordSize() const
{
    return 4 + CountedSize(path) + CountedSize(tree) + CountedSize(className) +
           CountedSize(displayName) + CountedSize(server);
}

std::size_t ItemRecord::SerialiseRecord(std::uint8_t* out, std::size_t capacity) const
{
    if (!out) return 0;
    Writer w(out, capacity);
    if (!w.Counted(path) || !w.Counted(tree) || !w.Counted(className) ||
        !w.Counted(displayName) || !w.U32(flags) || !w.Counted(server))
        return 0;
    return w.Position();
}

bool ItemRecord::DeserialiseRecord(const std::uint8_t* data, std::size_t size)
{
    if (!data) return false;
    Reader r(data, size);
    std::string p, t, c, d, s;
    std::uint32_t f = 0;
    if (!r.Counted(&p) || !r.Counted(&t) || !r.Counted(&c) || !r.Counted(&d) || !r.U32(&f) ||
        !r.Counted(&s))
        return false;
    path.swap(p);
    tree.swap(t);
    className.swap(c);
    displayName.swap(d);
    server.swap(s);
    flags = f;
    return true;
}

bool ItemRecord::IsRoot() const
{
    return displayName.empty() && className.empty() && tree.empty() && server.empty();
}

bool EncodePath(const std::string& text, std::string* out)
{
    if (!out || text.empty() || !IsSeparator(text[0])) return false;
    std::string encoded(text);
    std::size_t count = 0;
    for (std::size_t i = encoded.size(); i-- > 0;) {
        if (!IsSeparator(encoded[i])) {
            ++count;
            continue;
        }
        // An empty label would store a zero count, which ends every reading
        // of the path there; a label over 127 bytes would read back negative.
        if (count == 0 || count > kMaxLabel) return false;
        encoded[i] = static_cast<char>(count);
        count = 0;
    }
    out->swap(encoded);
    return true;
}

std::string DecodePath(const std::string& path, bool leadingSeparator, char separator)
{
    std::vector<std::string> labels = PathLabels(path);
    std::string out;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (leadingSeparator || i != 0) out += separator;
        out += labels[i];
    }
    return out;
}

std::string ParentPath(const ItemRecord& record)
{
    std::vector<std::string> labels = PathLabels(record.path);
    if (record.IsFolder()) {
        if (labels.size() < 2) return std::string();
        return JoinLabels(labels, 0, labels.size() - 1, '.');
    }
    if (labels.size() < 2) return "[Root]";
    return JoinLabels(labels, 1, labels.size(), '.');
}

bool SetRecordName(ItemRecord& record, const std::string& newName)
{
    // A name with a separator in it would be stored as several labels.
    if (!record.IsFolder() || newName.empty() ||
        newName.find_first_of(".\\") != std::string::npos)
        return false;
    std::string parent = ParentPath(record);
    std::string text(1, '.');
    if (!parent.empty()) {
        text += parent;
        text += '.';
    }
    text += newName;
    if (text.size() + 1 > kRenameBuffer) return false;
    std::string encoded;
    if (!EncodePath(text, &encoded)) return false;
    record.path.swap(encoded);
    record.displayName = newName;
    return true;
}

}  // namespace orrel
