// The instant message command: the message dialog, the results dialog and
// the worker that sends to every user of the selection.
//
// The worker runs on a thread of its own holding the tool (so the selection
// stays open) and shares one SendJob with the results dialog: it appends
// rows to the job and posts the dialog a note; the dialog takes the rows on
// its own thread. "&Stop" sets the job's stop flag and waits up to 2000 ms;
// a worker still busy then is never terminated: it finishes in the
// background, its rows discarded, and gives the tool back when it ends.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace orrel {
namespace tools {
class ObjectTool;
}

namespace messenger {

// How long "&Stop" waits for the worker.
constexpr DWORD kStopWaitMs = 2000;

// The longest message the edit accepts: 246 less the fixed part of the
// "From: %s[%d] %s" line (its length less its three placeholders) less the
// longest login name of the selection's trees, less one.
std::size_t MessageLimit(const std::string& fromFormat, std::size_t longestLoginName) noexcept;

// Runs the message dialog modally (owned by owner) for the tool's
// selection; the results dialog opens from its "&Send".
void RunMessageCommand(tools::ObjectTool& tool, HWND owner);

}  // namespace messenger
}  // namespace orrel
