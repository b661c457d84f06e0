// The message handed to the installed mail system through Extended MAPI:
// the default store's outbox gets a new message with the recipients, and the
// mail system's form shows it to the user. MAPI32.DLL is loaded for the
// send and freed after it.
#pragma once

#include <windows.h>

#include <vector>

#include "orrel/tools/recipients.h"

namespace orrel {
namespace mapimail {

// True when the user's profile settings enable MAPI ("MAPI" of section
// "MAIL") and MAPI32.DLL is found on the search path.
bool MapiAvailable() noexcept;

// Runs the send: initialise, log on to the default profile, open the default
// store and its outbox, create the message with the recipients and show its
// form; one address entry per recipient (display name = its name; address
// and address type from its text). The first failing step ends it (its error is returned, not shown);
// everything taken is given back in reverse order.
HRESULT SendMapiMessage(const std::vector<tools::Recipient>& recipients) noexcept;

}  // namespace mapimail
}  // namespace orrel
