#include "orrel/ui/messagebox.h"

#include <vector>

#include "orrel/module.h"

namespace orrel {
namespace ui {
namespace {

// LoadStringA into a buffer that grows until the whole string fits (string
// table entries hold at most 65535 characters).
bool LoadFrom(HINSTANCE module, UINT id, std::string& text)
{
    if (!module) return false;
    for (int size = 256; size <= 65536; size *= 4) {
        std::vector<char> buffer(static_cast<size_t>(size));
        int n = LoadStringA(module, id, buffer.data(), size);
        if (n <= 0) return false;
        if (n < size - 1) {
            text.assign(buffer.data(), static_cast<size_t>(n));
            return true;
        }
    }
    return false;
}

}  // namespace

std::string LoadModuleText(UINT id)
{
    std::string text;
    if (!LoadFrom(Module::ResourceInstance(), id, text) &&
        Module::ResourceInstance() != Module::Instance())
        LoadFrom(Module::Instance(), id, text);
    return text;
}

int ShowMessageText(HWND owner, const char* text, UINT captionId, UINT flags) noexcept
{
    try {
        std::string caption = captionId ? LoadModuleText(captionId) : std::string();
        return MessageBoxA(owner, text ? text : "", captionId ? caption.c_str() : nullptr, flags);
    } catch (...) {
        return 0;
    }
}

}  // namespace ui
}  // namespace orrel
