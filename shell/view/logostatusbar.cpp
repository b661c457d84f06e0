#include "orrel/view/logostatusbar.h"

#include <shellapi.h>

#include <cstddef>
#include <cstring>

#include "orrel/view/viewresource.h"

namespace orrel {
namespace view {

const char kMakerWebSite[] = "http://www.corvane.example/orrel/";

namespace {

LogoStatusBar::OpenHook g_openHook = nullptr;

// A memory DC with a bitmap selected, undone on every path out.
class MemoryDc {
public:
    MemoryDc(HDC reference, HBITMAP bitmap) noexcept
        : dc_(CreateCompatibleDC(reference)), old_(dc_ ? SelectObject(dc_, bitmap) : nullptr)
    {
    }
    ~MemoryDc()
    {
        if (dc_) {
            if (old_) SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace

HFONT CreateStatusFont() noexcept
{
    NONCLIENTMETRICSA metrics;
    // The full structure first; systems that know only the layout without
    // the padded border width refuse it, and get the older size.
    const UINT sizes[] = {static_cast<UINT>(sizeof(NONCLIENTMETRICSA)),
                          static_cast<UINT>(offsetof(NONCLIENTMETRICSA, lfMessageFont) +
                                            sizeof(LOGFONTA))};
    for (UINT size : sizes) {
        std::memset(&metrics, 0, sizeof metrics);
        metrics.cbSize = size;
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, size, &metrics, 0))
            return CreateFontIndirectA(&metrics.lfStatusFont);
    }
    return nullptr;
}

LogoStatusBar::LogoStatusBar(HINSTANCE resources) noexcept
{
    if (resources)
        logo_.Attach(static_cast<HBITMAP>(
            LoadImageA(resources, MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0)));
    if (logo_) {
        BITMAP info;
        if (GetObjectA(logo_.Get(), sizeof info, &info) == sizeof info) {
            logoSize_.cx = info.bmWidth;
            logoSize_.cy = info.bmHeight;
        } else {
            logo_.Reset();
        }
    }
    font_.Attach(CreateStatusFont());
}

void LogoStatusBar::SetOpenHook(OpenHook hook) noexcept
{
    g_openHook = hook;
}

void LogoStatusBar::SetText(const char* text)
{
    const char* value = text ? text : "";
    if (text_ == value) return;
    text_ = value;
    if (Handle()) InvalidateRect(Handle(), nullptr, TRUE);
}

void LogoStatusBar::OpenWebSite()
{
    // Called last by its message handler: nothing of this object is used
    // once the call has started.
    if (OpenHook hook = g_openHook) {
        hook(kMakerWebSite);
        return;
    }
    HWND owner = Handle();
    ShellExecuteA(owner, nullptr, kMakerWebSite, nullptr, "", SW_SHOWNORMAL);
}

void LogoStatusBar::Paint(HDC dc)
{
    RECT rect;
    GetClientRect(Handle(), &rect);
    FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));

    const int edge = GetSystemMetrics(SM_CXEDGE);
    rect.top += edge;
    {
        // A sunken frame: shadow on top and left, highlight on bottom and right.
        HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
        HBRUSH light = GetSysColorBrush(COLOR_BTNHIGHLIGHT);
        RECT side = {rect.left, rect.top, rect.right, rect.top + 1};
        FillRect(dc, &side, shadow);
        side = {rect.left, rect.top, rect.left + 1, rect.bottom};
        FillRect(dc, &side, shadow);
        side = {rect.left, rect.bottom - 1, rect.right, rect.bottom};
        FillRect(dc, &side, light);
        side = {rect.right - 1, rect.top, rect.right, rect.bottom};
        FillRect(dc, &side, light);
    }
    InflateRect(&rect, -edge, -edge);
    RECT inner = rect;
    DrawFrameControl(dc, &inner, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);

    if (logo_) {
        const LONG x = inner.right - inner.bottom - logoSize_.cx;
        const LONG y = inner.top;
        MemoryDc source(dc, logo_.Get());
        if (source.Get())
            BitBlt(dc, x, y, logoSize_.cx, logoSize_.cy, source.Get(), 0, 0, SRCCOPY);
        logoRect_ = {x, y, x + logoSize_.cx, y + logoSize_.cy};
        inner.right = x - 4;
    }
    textRight_ = inner.right;

    if (!text_.empty() && inner.right > inner.left) {
        SelectObjectScope font(dc, font_ ? static_cast<HGDIOBJ>(font_.Get()) : nullptr);
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &inner,
                  DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
        SetBkMode(dc, oldMode);
    }
}

bool LogoStatusBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case WM_SETTEXT:
        if (!lp) return false;
        SetText(reinterpret_cast<const char*>(lp));
        result = TRUE;
        return true;
    case WM_GETTEXTLENGTH:
        // The text shown is ours: answer for it (screen readers ask).
        result = static_cast<LRESULT>(text_.size());
        return true;
    case WM_GETTEXT: {
        char* buffer = reinterpret_cast<char*>(lp);
        const std::size_t size = static_cast<std::size_t>(wp);
        if (!buffer || size == 0) {
            result = 0;
            return true;
        }
        const std::size_t n = text_.size() < size - 1 ? text_.size() : size - 1;
        std::memcpy(buffer, text_.data(), n);
        buffer[n] = '\0';
        result = static_cast<LRESULT>(n);
        return true;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(Handle(), &paint);
        if (dc) {
            Paint(dc);
            EndPaint(Handle(), &paint);
        }
        result = 0;
        return true;
    }
    case WM_PRINTCLIENT:
        if (wp) Paint(reinterpret_cast<HDC>(wp));
        result = 0;
        return true;
    case WM_ERASEBKGND: {
        RECT rect;
        GetClientRect(Handle(), &rect);
        if (wp) FillRect(reinterpret_cast<HDC>(wp), &rect, GetSysColorBrush(COLOR_BTNFACE));
        InvalidateRect(Handle(), nullptr, FALSE);
        result = TRUE;
        return true;
    }
    case WM_SIZE: {
        result = CallOriginal(msg, wp, lp);
        const int width = LOWORD(lp);
        if (width < lastWidth_) InvalidateRect(Handle(), nullptr, FALSE);
        lastWidth_ = width;
        return true;
    }
    case WM_LBUTTONDBLCLK: {
        POINT point = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        const bool onLogo = !IsRectEmpty(&logoRect_) && PtInRect(&logoRect_, point);
        result = CallOriginal(msg, wp, lp);
        // Last: opening the site can run a message loop in which the view,
        // and this bar with it, goes away. Nothing of the bar is read after.
        if (onLogo) OpenWebSite();
        return true;
    }
    default:
        return false;
    }
}

}  // namespace view
}  // namespace orrel
