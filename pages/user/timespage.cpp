// The Time Restrictions page: the week of "Login Allowed Time Map" in a
// grid of half hours, drawn by the page (the grid is an owner-drawn static),
// in local time, green where logins are allowed and red where they are not.
#include <algorithm>

#include "orrel/handles.h"
#include "resource.h"
#include "userpages.h"

namespace orrel {
namespace userpages {
namespace {

constexpr COLORREF kAllowedColour = RGB(0, 255, 0);
constexpr COLORREF kRestrictedColour = RGB(255, 0, 0);
constexpr int kRowsBetweenLabels = 4;  // two hours
constexpr int kRowsAmToPm = 24;        // twelve hours

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, HWND child)
{
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void MoveTo(HWND window, int x, int y)
{
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

TimeRestrictionsPage::TimeRestrictionsPage(PropertyHandler& handler)
    : UserPage(handler, IDD_USER_TIMES)
{
    ShowIfReadable({"Login Allowed Time Map"});
    // The zone is taken once, as the page is built; the daylight bias is
    // not applied.
    TIME_ZONE_INFORMATION zone = {};
    if (GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID) shift_ = TimeZoneShift(zone.Bias);
}

void TimeRestrictionsPage::OnInitControls()
{
    RECT client = {};
    if (HWND grid = Item(IDC_TIMES_GRID)) GetClientRect(grid, &client);
    geometry_ = GridGeometry::ForClient(client.right - client.left, client.bottom - client.top);
    PlaceLabels();
}

void TimeRestrictionsPage::PlaceLabels()
{
    HWND page = Handle();
    if (geometry_.Empty()) return;
    // Row labels: every two hours below "12", which the template puts on
    // the grid's top line; "PM" twelve hours below "AM".
    if (HWND first = Item(IDC_TIMES_ROW_FIRST)) {
        RECT top = ChildRect(page, first);
        for (int id = IDC_TIMES_ROW_FIRST + 1; id <= IDC_TIMES_ROW_LAST; ++id) {
            HWND label = Item(id);
            if (!label) continue;
            RECT r = ChildRect(page, label);
            MoveTo(label, r.left,
                   top.top + (id - IDC_TIMES_ROW_FIRST) * kRowsBetweenLabels * geometry_.cellHeight);
        }
    }
    HWND am = Item(IDC_TIMES_AM);
    HWND pm = Item(IDC_TIMES_PM);
    if (am && pm) {
        RECT a = ChildRect(page, am);
        RECT p = ChildRect(page, pm);
        MoveTo(pm, p.left, a.top + kRowsAmToPm * geometry_.cellHeight);
    }
    // Day names centred over their columns.
    if (HWND grid = Item(IDC_TIMES_GRID)) {
        RECT g = ChildRect(page, grid);
        for (int day = 0; day < kDays; ++day) {
            HWND head = Item(IDC_TIMES_DAY_FIRST + day);
            if (!head) continue;
            RECT h = ChildRect(page, head);
            int width = h.right - h.left;
            MoveTo(head, g.left + day * geometry_.cellWidth + (geometry_.cellWidth - width) / 2,
                   h.top);
        }
    }
}

void TimeRestrictionsPage::OnLoad()
{
    pages::DirValue value;
    if (Session().ReadFirstValue(ObjectName(), "Login Allowed Time Map", &value) != 0 ||
        !value.HasValue() || value.Syntax() != HALVET_SYNTAX_OCTET_STRING)
        return;  // no value: every half hour allowed
    const auto* record = value.As<HALVET_OCTET_STRING>();
    std::size_t length = 0;
    const std::uint8_t* bytes = nullptr;
    if (record && record->length > 0 && value.Contains(record->data)) {
        // Never past the value's buffer, whatever the record claims.
        bytes = record->data;
        const auto* end = static_cast<const std::uint8_t*>(value.Data()) + value.Size();
        length = std::min<std::size_t>(record->length, static_cast<std::size_t>(end - bytes));
    }
    map_ = TimeMap(bytes, length);
    if (HWND grid = Item(IDC_TIMES_GRID)) InvalidateRect(grid, nullptr, TRUE);
}

bool TimeRestrictionsPage::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result)
{
    if (msg == WM_DRAWITEM && wp == IDC_TIMES_GRID && lp) {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        Paint(draw->hDC, draw->rcItem);
        result = TRUE;
        return true;
    }
    return UserPage::HandleMessage(msg, wp, lp, result);
}

void TimeRestrictionsPage::Paint(HDC dc, const RECT& rect) const
{
    FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
    if (geometry_.Empty()) return;
    const int x0 = rect.left;
    const int y0 = rect.top;
    HBRUSH lines = GetSysColorBrush(COLOR_WINDOWTEXT);
    for (int k = 0; k <= kDays; ++k) {
        RECT line = {x0 + k * geometry_.cellWidth, y0, x0 + k * geometry_.cellWidth + 1,
                     y0 + geometry_.Height() + 1};
        FillRect(dc, &line, lines);
    }
    for (int k = 0; k <= kHalfHoursPerDay; ++k) {
        RECT line = {x0, y0 + k * geometry_.cellHeight, x0 + geometry_.Width() + 1,
                     y0 + k * geometry_.cellHeight + 1};
        FillRect(dc, &line, lines);
    }
    Brush allowed(CreateSolidBrush(kAllowedColour));
    Brush restricted(CreateSolidBrush(kRestrictedColour));
    if (!allowed || !restricted) return;
    for (int bit = 0; bit < kHalfHoursPerWeek; ++bit) {
        int left = 0, top = 0, right = 0, bottom = 0;
        geometry_.CellInterior(CellOfBit(bit, shift_), &left, &top, &right, &bottom);
        RECT cell = {x0 + left, y0 + top, x0 + right, y0 + bottom};
        FillRect(dc, &cell, map_.Allowed(bit) ? allowed.Get() : restricted.Get());
    }
}

}  // namespace userpages
}  // namespace orrel
