// The login script of a User, Organization or Organizational Unit: the
// "Login Script" stream (syntax 21) in a multi-line edit, kept in the OEM
// code page in the directory and shown in ANSI, and the button that opens
// the documentation of login script commands.
//
//   ScriptPage::ScriptPage(PropertyHandler& h) : DirectoryPage(h, 2000) {
//       ShowIfReadable({kLoginScriptAttribute});
//       if (Suppressed()) return;
//       AddField(std::make_unique<LoginScriptField>(2003, 2004, IDS_WWW_QUESTION));
//   }
//
// A script that exists but cannot be shown whole (unreadable, or holding a
// zero byte) leaves the edit read-only, so that Apply cannot replace it with
// what the page never held. A missing stream is an empty script; writing
// one creates it (overwrite-value with an empty stream value) first.
#pragma once

#include <windows.h>

#include <cstdint>

#include "orrel/pages/directorypage.h"

namespace orrel {
namespace pages {

extern const char kLoginScriptAttribute[];         // "Login Script"
extern const char kLoginScriptCommandsAddress[];  // what the commands button opens

class LoginScriptField final : public PageField {
public:
    // editId: the multi-line edit; commandsId: the "Login &Script Commands"
    // button; questionId: the string asked before the address is opened
    // (OK/Cancel, caption string 101).
    LoginScriptField(int editId, int commandsId, UINT questionId);

    void Load(DirectoryPage& page) override;
    void ApplyRights(DirectoryPage& page, uint32_t rights) override;
    bool OnCommand(DirectoryPage& page, WORD id, WORD code) override;
    int32_t Write(DirectoryPage& page) override;

private:
    void OpenCommandsHelp(DirectoryPage& page);

    int editId_;
    int commandsId_;
    UINT questionId_;
};

}  // namespace pages
}  // namespace orrel
