// Delivery of one broadcast message to one user: a server where the user is
// logged in is found (the workstation's connections to the user's tree, then
// the user's "Message Server", then the host server of the user's home
// directory volume), and that server is asked to show the message on the
// user's connection.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "halvet/dirtypes.h"

namespace orrel {
namespace messenger {

// Asked between the steps of a delivery: true ends it.
using StopTest = std::function<bool()>;

// An open connection of the workstation, closed when it goes.
class ServerConnection {
public:
    ServerConnection() noexcept = default;
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;
    ~ServerConnection() { Reset(); }
    void Reset() noexcept;
    HALVET_CONN Get() const noexcept { return conn_; }
    HALVET_CONN* Put() noexcept
    {
        Reset();
        return &conn_;
    }
    explicit operator bool() const noexcept { return conn_ != HALVET_NO_CONN; }

private:
    HALVET_CONN conn_ = HALVET_NO_CONN;
};

// A connection of the user: the server connection and the user's connection
// number there.
struct UserConnection {
    ServerConnection server;
    uint32_t connNumber = 0;
};

// Finds a server where user (a directory name of tree, resolved from the
// tree's root) has a connection. False when there is none or stop said so.
bool FindUserConnection(const std::string& tree, const std::string& nameContext, const std::string& user,
                        const StopTest& stop, UserConnection* found);

enum class Outcome { Sent, Failed, NotFound, Stopped };

struct DeliveryResult {
    Outcome outcome = Outcome::NotFound;
    std::string text;  // the results list's text for the user
};

// Sends message to user: finds the connection, writes "From: <own login
// name>[<own connection number>] <message>" (string formatText) and reports
// the server's answer with the texts sent, error and not-found.
DeliveryResult DeliverMessage(const std::string& tree, const std::string& nameContext, const std::string& user,
                              const std::string& message, const StopTest& stop);

// The longest name the workstation is logged in as to a tree (WhoAmI of a
// context of the tree's root), or 0.
std::size_t LoginNameLength(const std::string& tree);

}  // namespace messenger
}  // namespace orrel
