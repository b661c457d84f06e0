// SearchThread: the worker that runs one search of the search window. It
// reads the window's controls and fills its result list only through
// synchronous window messages, stops at the window's stop flag and ends
// with the window's end-of-search update.
#pragma once

#include <windows.h>

#include "orrel/ui/thread.h"

namespace orrel {
namespace find {

class SearchWindow;

class SearchThread : public ui::UiThread {
public:
    SearchThread(SearchWindow* window, HWND hwnd) noexcept
        : ui::UiThread(true), window_(window), hwnd_(hwnd)
    {
    }

protected:
    // The whole search runs here; the message loop then ends at once.
    bool InitInstance() override;

private:
    void RunSearch();
    SearchWindow* window_;
    HWND hwnd_;
};

}  // namespace find
}  // namespace orrel
