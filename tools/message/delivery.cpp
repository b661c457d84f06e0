#include "delivery.h"

#include <windows.h>

#include "halvet/callclient.h"
#include "halvet/connclient.h"
#include "halvet/dirclient.h"
#include "orrel/pages/dirsession.h"
#include "orrel/ui/format.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"

namespace orrel {
namespace messenger {
namespace {

constexpr uint32_t kNameBuffer = 260;

bool Stopped(const StopTest& stop)
{
    return stop && stop();
}

// The user's connection numbers on the server behind conn (at most one).
bool UserIsOnServer(const std::string& tree, HALVET_CONN conn, const std::string& user, uint32_t* number)
{
    pages::DirectorySession root(tree, "[Root]");
    HALVET_CONTEXT context = root.Context();
    if (context < 0) return false;
    uint32_t id = 0, count = 0;
    if (MapNameToId(context, conn, user.c_str(), &id) != 0) return false;
    if (GetObjectConnections(conn, id, 1, &count, number) != 0) return false;
    return count > 0;
}

// Step 1: the workstation's connections to servers of the user's tree.
bool FromWorkstation(const std::string& tree, const std::string& user, UserConnection* found)
{
    uint32_t scan = 0;
    HALVET_CONN_REF ref = 0;
    while (ScanConnRefs(&scan, &ref) == 0) {
        char treeName[kNameBuffer] = {};
        if (GetConnRefInfo(ref, HALVET_CONN_INFO_TREE_NAME, sizeof treeName, treeName) != 0) continue;
        treeName[sizeof treeName - 1] = '\0';
        std::string name(treeName);
        while (!name.empty() && name.back() == '_') name.pop_back();
        if (lstrcmpiA(name.c_str(), tree.c_str()) != 0) continue;
        if (OpenConnByRef(ref, HALVET_OPEN_UNCLAIMED, found->server.Put()) != 0) continue;
        if (UserIsOnServer(tree, found->server.Get(), user, &found->connNumber)) return true;
        found->server.Reset();
    }
    return false;
}

// Steps 2 and 3: a server named by a directory name.
bool OnNamedServer(pages::DirectorySession& session, const std::string& tree, const std::string& server,
                   const std::string& user, UserConnection* found)
{
    if (server.empty()) return false;
    HALVET_CONTEXT context = session.Context();
    if (context < 0) return false;
    if (GetServerConn(context, server.c_str(), found->server.Put()) != 0) return false;
    if (UserIsOnServer(tree, found->server.Get(), user, &found->connNumber)) return true;
    found->server.Reset();
    return false;
}

// The volume's host server named by a user's "Home Directory" value.
std::string HomeServer(pages::DirectorySession& session, const std::string& user)
{
    pages::DirValue home;
    if (session.ReadFirstValue(user.c_str(), "Home Directory", &home) != 0 || !home.HasValue() ||
        home.Syntax() != HALVET_SYNTAX_PATH)
        return std::string();
    const auto* path = home.As<HALVET_PATH>();
    if (!path || !home.Contains(path->volumeName)) return std::string();
    std::string volume = home.StringAt(path->volumeName);
    if (volume.empty()) return std::string();
    pages::ValueList hosts;
    if (session.ReadValueList(volume.c_str(), "Host Server", hosts) != 0 || hosts.Count() != 1)
        return std::string();
    return hosts.begin()->text;
}

}  // namespace

void ServerConnection::Reset() noexcept
{
    if (conn_ != HALVET_NO_CONN) CloseConn(conn_);
    conn_ = HALVET_NO_CONN;
}

bool FindUserConnection(const std::string& tree, const std::string& nameContext, const std::string& user,
                        const StopTest& stop, UserConnection* found)
{
    if (Stopped(stop)) return false;
    if (FromWorkstation(tree, user, found)) return true;
    if (Stopped(stop)) return false;

    pages::DirectorySession session(tree, nameContext);
    pages::DirValue messageServer;
    if (session.ReadFirstValue(user.c_str(), "Message Server", &messageServer) == 0 && messageServer.HasValue() &&
        OnNamedServer(session, tree, messageServer.Text(), user, found))
        return true;
    if (Stopped(stop)) return false;

    return OnNamedServer(session, tree, HomeServer(session, user), user, found);
}

DeliveryResult DeliverMessage(const std::string& tree, const std::string& nameContext, const std::string& user,
                              const std::string& message, const StopTest& stop)
{
    DeliveryResult result;
    UserConnection found;
    if (!FindUserConnection(tree, nameContext, user, stop, &found)) {
        result.outcome = Stopped(stop) ? Outcome::Stopped : Outcome::NotFound;
        if (result.outcome == Outcome::NotFound) result.text = ui::LoadModuleText(IDS_MESSAGE_NOT_FOUND);
        return result;
    }

    HALVET_CONN conn = found.server.Get();
    char server[kNameBuffer] = {};
    GetConnInfo(conn, HALVET_CONN_INFO_SERVER_NAME, sizeof server, server);
    server[sizeof server - 1] = '\0';
    uint32_t own = 0;
    GetOwnConnNumber(conn, &own);
    char login[kNameBuffer] = {};
    GetConnUserName(conn, own, login, sizeof login);
    login[sizeof login - 1] = '\0';
    OemToCharBuffA(login, login, static_cast<DWORD>(lstrlenA(login)));

    std::string text = ui::FormatText(ui::LoadModuleText(IDS_MESSAGE_FROM).c_str(), login,
                                      static_cast<int>(own & 0xFFFF), message);
    if (text.size() > HALVET_MAX_BROADCAST_MESSAGE - 1) text.resize(HALVET_MAX_BROADCAST_MESSAGE - 1);
    CharToOemBuffA(&text[0], &text[0], static_cast<DWORD>(text.size()));

    // Stopped after the user was found: nothing is sent any more.
    if (Stopped(stop)) {
        result.outcome = Outcome::Stopped;
        return result;
    }
    uint8_t answer = 0;
    uint32_t number = found.connNumber;
    int32_t rc = SendBroadcast(conn, text.c_str(), 1, &number, &answer);
    if (rc != 0) {
        result.outcome = Outcome::Failed;
        result.text = ui::FormatText(ui::LoadModuleText(IDS_MESSAGE_ERROR).c_str(), static_cast<int>(rc), server);
    } else if (answer == HALVET_BROADCAST_DELIVERED) {
        result.outcome = Outcome::Sent;
        result.text = ui::FormatText(ui::LoadModuleText(IDS_MESSAGE_SENT).c_str(), server);
    } else {
        result.outcome = Outcome::Failed;
        result.text = ui::FormatText(ui::LoadModuleText(IDS_MESSAGE_ERROR).c_str(), static_cast<int>(answer), server);
    }
    return result;
}

std::size_t LoginNameLength(const std::string& tree)
{
    pages::DirectorySession root(tree, "[Root]");
    HALVET_CONTEXT context = root.Context();
    if (context < 0) return 0;
    char name[kNameBuffer] = {};
    if (WhoAmI(context, name, sizeof name) != 0) return 0;
    name[sizeof name - 1] = '\0';
    return static_cast<std::size_t>(lstrlenA(name));
}

}  // namespace messenger
}  // namespace orrel
