// The status bar of an active container view: the view subclasses the
// browser's status window with this object, which then shows the view's
// status text on the left and the logo on the right. A double-click on the
// logo opens the maker's web site.
#pragma once

#include <windows.h>

#include <string>

#include "orrel/handles.h"
#include "orrel/ui/window.h"

namespace orrel {
namespace view {

extern const char kMakerWebSite[];  // what a double-click on the logo opens

class LogoStatusBar final : public ui::Window {
public:
    // Loads the logo (bitmap 1010) from resources; without it the text uses
    // the whole width and double-clicks open nothing. Creates the status font.
    explicit LogoStatusBar(HINSTANCE resources) noexcept;
    ~LogoStatusBar() override = default;

    // Stores a text that differs from the current one and repaints the whole
    // window; an equal text changes nothing.
    void SetText(const char* text);
    const std::string& Text() const noexcept { return text_; }

    bool HasLogo() const noexcept { return logo_.Valid(); }
    SIZE LogoSize() const noexcept { return logoSize_; }
    // Where the logo was painted last (client coordinates); empty before.
    RECT LogoRect() const noexcept { return logoRect_; }
    // The right end of the text area at the last paint.
    LONG TextRight() const noexcept { return textRight_; }
    bool HasFont() const noexcept { return font_.Valid(); }

    // Opening the web site, replaceable for tests (null restores
    // ShellExecute). The hook receives the address.
    using OpenHook = void (*)(const char* address);
    static void SetOpenHook(OpenHook hook) noexcept;

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void Paint(HDC dc);
    void OpenWebSite();

    Bitmap logo_;
    SIZE logoSize_{0, 0};
    Font font_;
    std::string text_;
    RECT logoRect_{0, 0, 0, 0};
    LONG textRight_ = 0;
    int lastWidth_ = 0xFFFFFF;
};

// The status-bar font of the running system: SPI_GETNONCLIENTMETRICS with the
// full structure and, when the system refuses that size, the older layout
// without the padded border width. Null when neither is accepted.
HFONT CreateStatusFont() noexcept;

}  // namespace view
}  // namespace orrel
