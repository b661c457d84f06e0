// Message boxes whose texts come from the module's string table (the
// resource library's when one is selected, else the DLL's own).
//
//   MessageBoxFromStrings(owner, 102, 101, MB_YESNO | MB_ICONWARNING, name);
//
// The text string is a printf-style format checked against the arguments
// given (format.h): a string table entry that does not fit them is shown as
// it stands rather than read past what was passed.
#pragma once

#include <windows.h>

#include <string>

#include "orrel/ui/format.h"

namespace orrel {
namespace ui {

// A string of the module's string table, of any length; empty when missing.
std::string LoadModuleText(UINT id);

// Shows text with the caption string captionId (0: no caption of ours).
// Returns MessageBoxA's answer, 0 on failure.
int ShowMessageText(HWND owner, const char* text, UINT captionId, UINT flags) noexcept;

template <class... Args>
int MessageBoxFromStrings(HWND owner, UINT textId, UINT captionId, UINT flags,
                          const Args&... args) noexcept
{
    std::string text;
    try {
        std::string format = LoadModuleText(textId);
        text = FormatText(format.c_str(), args...);
    } catch (...) {
        return 0;
    }
    return ShowMessageText(owner, text.c_str(), captionId, flags);
}

}  // namespace ui
}  // namespace orrel
