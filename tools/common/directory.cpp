#include "orrel/tools/directory.h"

#include "orrel/pages/dirbuffer.h"

namespace orrel {
namespace tools {

int32_t ListByClass(pages::DirectorySession& session, const char* container,
                    const char* className, const std::function<bool(const char*)>& visit)
{
    HALVET_CONTEXT context = session.Context();
    if (context < 0) return context;
    pages::DirBuffer reply;
    int32_t r = reply.Allocate(HALVET_LIST_BUFFER_SIZE);
    if (r) return r;
    pages::DirIteration iteration(context);
    do {
        r = ::ListByClass(context, container ? container : "", className, nullptr,
                          &iteration.handle, reply.Get());
        if (r) {
            iteration.handle = HALVET_NO_ITERATION;
            return r;
        }
        uint32_t count = 0;
        r = GetObjectCount(context, reply.Get(), &count);
        if (r) return r;
        for (uint32_t i = 0; i < count; ++i) {
            char name[HALVET_LIST_BUFFER_SIZE] = {};
            if (GetObjectName(context, reply.Get(), name, sizeof name, nullptr, nullptr) != 0) break;
            name[sizeof name - 1] = '\0';
            if (!visit(name)) return 0;  // the iteration is closed on the way out
        }
    } while (iteration.handle != HALVET_NO_ITERATION);
    return 0;
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
