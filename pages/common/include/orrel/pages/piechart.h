// The pie chart of the usage pages: a static control of the page template
// painted by this object (subclassed), from slices in thousandths
// (figures.h). The rim below the horizontal axis is drawn 10 pixels deep in
// each slice's darkened colour. No slices paint the background only.
//
//   PieChart pie_;                       // a member of the page
//   pie_.Attach(Item(IDC_USAGE_PIE));    // in OnInitPage
//   pie_.SetSlices({{625, RGB(0,0,255)}, {250, RGB(255,0,255)}, ...});
#pragma once

#include <windows.h>

#include <vector>

#include "orrel/pages/figures.h"

namespace orrel {
namespace pages {

class PieChart {
public:
    PieChart() noexcept = default;
    PieChart(const PieChart&) = delete;
    PieChart& operator=(const PieChart&) = delete;
    ~PieChart();

    // Paints the control from now on; false when it cannot be subclassed.
    bool Attach(HWND control) noexcept;
    void SetSlices(std::vector<PieSlice> slices);
    const std::vector<PieSlice>& Slices() const noexcept { return slices_; }

    // Paints slices into a client rectangle.
    static void Draw(HDC dc, const RECT& client, const std::vector<PieSlice>& slices) noexcept;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                 DWORD_PTR self);
    void Detach() noexcept;

    HWND control_ = nullptr;
    std::vector<PieSlice> slices_;
};

}  // namespace pages
}  // namespace orrel
