#include "orrel/tools/directory.h"

namespace orrel {
namespace tools {
namespace {

class ListBuffer {
public:
    ListBuffer() noexcept = default;
    ListBuffer(const ListBuffer&) = delete;
    ListBuffer& operator=(const ListBuffer&) = delete;
    ~ListBuffer()
    {
        if (buffer_) FreeDirBuffer(buffer_);
    }
    int32_t Allocate() noexcept { return AllocDirBuffer(HALVET_LIST_BUFFER_SIZE, &buffer_); }
    HALVET_BUFFER* Get() const noexcept { return buffer_; }

private:
    HALVET_BUFFER* buffer_ = nullptr;
};

}  // namespace

int32_t ListByClass(pages::DirectorySession& session, const char* container,
                    const char* className, const std::function<bool(const char*)>& visit)
{
    HALVET_CONTEXT context = session.Context();
    if (context < 0) return context;
    ListBuffer reply;
    int32_t r = reply.Allocate();
    if (r) return r;
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    do {
        r = ::ListByClass(context, container ? container : "", className, nullptr, &iteration,
                          reply.Get());
        if (r) return r;
        uint32_t count = 0;
        r = GetObjectCount(context, reply.Get(), &count);
        if (r) break;
        for (uint32_t i = 0; i < count; ++i) {
            char name[HALVET_LIST_BUFFER_SIZE] = {};
            if (GetObjectName(context, reply.Get(), name, sizeof name, nullptr, nullptr) != 0) break;
            name[sizeof name - 1] = '\0';
            if (!visit(name)) {
                r = 0;
                goto done;
            }
        }
    } while (iteration != HALVET_NO_ITERATION);
done:
    if (iteration != HALVET_NO_ITERATION) CloseIteration(context, iteration);
    return r;
}

bool ReadObjectAddress(pages::DirectorySession& session, const char* object, std::string* address)
{
    address->clear();
    pages::DirValue value;
    if (session.ReadFirstValue(object, "EMail Address", &value) == 0 && value.HasValue()) {
        if (value.Syntax() == HALVET_SYNTAX_EMAIL_ADDRESS) {
            if (const auto* record = value.As<HALVET_EMAIL_ADDRESS>()) {
                if (value.Contains(record->address)) *address = value.StringAt(record->address);
            }
        }
        return !address->empty();
    }
    if (session.ReadFirstValue(object, "Internet EMail Address", &value) == 0 && value.HasValue() &&
        value.Syntax() == HALVET_SYNTAX_CI_STRING)
        *address = value.Text();
    return !address->empty();
}

}  // namespace tools
}  // namespace orrel
