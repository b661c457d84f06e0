#include "orrel/pages/piechart.h"

#include <commctrl.h>

#include "orrel/handles.h"

namespace orrel {
namespace pages {
namespace {

constexpr UINT_PTR kSubclassId = 0x50494531;  // "PIE1"

}  // namespace

PieChart::~PieChart()
{
    Detach();
}

bool PieChart::Attach(HWND control) noexcept
{
    Detach();
    if (!control || !SetWindowSubclass(control, &PieChart::Proc, kSubclassId,
                                       reinterpret_cast<DWORD_PTR>(this)))
        return false;
    control_ = control;
    InvalidateRect(control_, nullptr, TRUE);
    return true;
}

void PieChart::Detach() noexcept
{
    if (control_ && IsWindow(control_)) RemoveWindowSubclass(control_, &PieChart::Proc, kSubclassId);
    control_ = nullptr;
}

void PieChart::SetSlices(std::vector<PieSlice> slices)
{
    slices_ = std::move(slices);
    if (control_) InvalidateRect(control_, nullptr, TRUE);
}

void PieChart::Draw(HDC dc, const RECT& client, const std::vector<PieSlice>& slices) noexcept
{
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &client, face);
    PieGeometry g = PieGeometry::FromClient(client.left, client.top, client.right, client.bottom);
    if (g.right - g.left < 2 || g.bottom - g.top < 2) return;
    std::vector<SliceLayout> layout;
    try {
        layout = LayoutPie(slices, g);
    } catch (...) {
        return;
    }
    int oldRop = SetROP2(dc, R2_COPYPEN);
    int oldMode = SetBkMode(dc, OPAQUE);
    Pen outline(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    HGDIOBJ oldPen = SelectObject(dc, outline.Get());
    HGDIOBJ oldBrush = GetCurrentObject(dc, OBJ_BRUSH);
    for (const SliceLayout& s : layout) {
        Brush brush(CreateSolidBrush(s.colour));
        SelectObject(dc, outline.Get());
        SelectObject(dc, brush.Get());
        switch (s.shape) {
        case SliceShape::Full:
            Ellipse(dc, g.left, g.top, g.right, g.bottom);
            break;
        case SliceShape::Line:
            MoveToEx(dc, static_cast<int>(g.cx), static_cast<int>(g.cy), nullptr);
            LineTo(dc, s.from.x, s.from.y);
            break;
        case SliceShape::Wedge:
            Pie(dc, g.left, g.top, g.right, g.bottom, s.from.x, s.from.y, s.to.x, s.to.y);
            break;
        }
        if (!s.rim) continue;
        // The rim: the visible lower edge repeated 1 .. 10 pixels down in the
        // darkened colour, closed by vertical lines at its ends.
        Pen rimPen(CreatePen(PS_SOLID, 1, s.rimColour));
        SelectObject(dc, rimPen.Get());
        PiePoint a = g.At(s.rimStart), b = g.At(s.end);
        for (int d = 1; d <= PieGeometry::kDepth; ++d)
            Arc(dc, g.left, g.top + d, g.right, g.bottom + d, a.x, a.y + d, b.x, b.y + d);
        MoveToEx(dc, a.x, a.y, nullptr);
        LineTo(dc, a.x, a.y + PieGeometry::kDepth);
        MoveToEx(dc, b.x, b.y, nullptr);
        LineTo(dc, b.x, b.y + PieGeometry::kDepth);
        SelectObject(dc, outline.Get());
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SetBkMode(dc, oldMode);
    SetROP2(dc, oldRop);
}

LRESULT CALLBACK PieChart::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                DWORD_PTR self)
{
    auto* chart = reinterpret_cast<PieChart*>(self);
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        Draw(dc, client, chart->slices_);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(hwnd, &client);
        Draw(reinterpret_cast<HDC>(wp), client, chart->slices_);
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, &PieChart::Proc, kSubclassId);
        chart->control_ = nullptr;
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace pages
}  // namespace orrel
