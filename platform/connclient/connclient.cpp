// HalvetConnClient stand-in: the workstation's connection references (from
// the directory image) and the connections opened from them.
#include <windows.h>

#include <map>
#include <mutex>
#include <new>

#include <halvet/connclient.h>

#include "imagefile.h"
#include "hostnames.h"
#include "names.h"

using namespace orrel::dirstore;

namespace {

struct Connection {
    std::string server;
    std::string tree;
    int ref = -1;  // index into the workstation's references, -1 when none
    bool claimed = false;
    bool claimedHere = false;  // the slot was taken by ClaimConnectionSlot
};

std::mutex g_lock;
std::map<HALVET_CONN, Connection> g_conns;
HALVET_CONN g_nextConn = 0x100;
HALVET_CONN g_current = HALVET_NO_CONN;

template <typename Fn>
int32_t Guarded(Fn fn)
{
    try {
        std::lock_guard<std::mutex> guard(g_lock);
        return fn();
    } catch (const std::bad_alloc&) {
        return HALVET_ERR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return HALVET_ERR_FATAL;
    }
}

int32_t Load(std::shared_ptr<const Image>& image)
{
    return ImageStore::Instance().Get(image);
}

int32_t CopyText(const std::string& text, void* out, uint32_t size)
{
    if (!out) return HALVET_ERR_NULL_POINTER;
    if (text.size() + 1 > size) return HALVET_ERR_BUFFER_TOO_SMALL;
    memcpy(out, text.c_str(), text.size() + 1);
    return HALVET_OK;
}

int32_t ReadText(const char* text, std::string& out, size_t limit)
{
    if (!text) return HALVET_ERR_NULL_POINTER;
    size_t n = 0;
    while (n <= limit && text[n]) ++n;
    if (n > limit) return HALVET_ERR_INVALID_REQUEST;
    out.assign(text, n);
    return HALVET_OK;
}

bool ParseDotted(const std::string& text, uint32_t& address)
{
    unsigned a, b, c, d;
    char tail;
    if (sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4) return false;
    if (a > 255 || b > 255 || c > 255 || d > 255) return false;
    address = (a << 24) | (b << 16) | (c << 8) | d;
    return true;
}

// The server a name stands for, by name format.
const Server* FindServerByName(const Image& image, const std::string& name, uint32_t format)
{
    if (const Server* s = image.FindServer(name)) return s;
    // A server is reached by its dotted IP address as well as by its name
    // (the server name format resolves addresses, as the name service does).
    uint32_t address = 0;
    if (format != HALVET_NAME_FORMAT_DIRECTORY && ParseDotted(name, address)) {
        for (const Server& s : image.servers)
            if (s.address == address) return &s;
    }
    std::vector<uint32_t> addresses;
    if (format == HALVET_NAME_FORMAT_ANY && !ParseDotted(name, address) && ResolveHostAddresses(name, addresses)) {
        for (uint32_t a : addresses)
            for (const Server& s : image.servers)
                if (s.address == a) return &s;
    }
    // A directory name of the server object (".FS1.Corp"), as pages hand on.
    std::string full;
    if (name.find('.') != std::string::npos && CanonicalFullName(name, full)) {
        for (const Server& s : image.servers)
            if (!s.object.empty() && EqualNoCase(s.object, full)) return &s;
        if (format != HALVET_NAME_FORMAT_DIRECTORY) return image.FindServer(LeafOf(full));
    }
    return nullptr;
}

HALVET_CONN NewConnection(const Connection& c)
{
    HALVET_CONN id = g_nextConn++;
    if (g_nextConn == 0) g_nextConn = 0x100;
    g_conns[id] = c;
    return id;
}

const ConnRef* RefOf(const Image& image, HALVET_CONN_REF ref)
{
    if (ref == 0 || ref > image.workstation.refs.size()) return nullptr;
    return &image.workstation.refs[ref - 1];
}

// A server of the image marked "reportsTree": false answers connections but
// names no tree.
bool ReportsNoTree(const Server& server)
{
    const auto it = server.extra.find("reportsTree");
    return it != server.extra.end() && it->is_boolean() && !it->get<bool>();
}

// One value of a connection by key, for a reference and/or a server.
int32_t Info(const Image& image, const ConnRef* ref, const std::string& serverName, const std::string& tree,
             uint32_t key, uint32_t size, void* value, bool isConnection)
{
    if (!value) return HALVET_ERR_NULL_POINTER;
    const Server* server = image.FindServer(serverName);
    switch (key) {
    case HALVET_CONN_INFO_AUTH_STATE: {
        if (size < sizeof(uint32_t)) return HALVET_ERR_BUFFER_TOO_SMALL;
        uint32_t state = ref ? ref->authState : HALVET_AUTH_NONE;
        memcpy(value, &state, sizeof(state));
        return HALVET_OK;
    }
    case HALVET_CONN_INFO_TREE_NAME:
        // A server may be answering without a tree ("reportsTree": false).
        if (server && ReportsNoTree(*server)) return HALVET_ERR_NO_SUCH_TREE;
        return CopyText(PadTreeName(tree), value, size);
    case HALVET_CONN_INFO_SERVER_NAME:
        return CopyText(serverName, value, size);
    case HALVET_CONN_INFO_CONN_NUMBER: {
        if (!isConnection) return HALVET_ERR_BAD_KEY;
        if (size < sizeof(uint32_t)) return HALVET_ERR_BUFFER_TOO_SMALL;
        std::string who = image.IdentityOf(tree, ImageStore::SecondIdentity());
        if (!server) return HALVET_ERR_NO_SUCH_SERVER;
        for (const ServerConnection& c : server->connections) {
            if (!who.empty() && EqualNoCase(c.user, who)) {
                memcpy(value, &c.number, sizeof(uint32_t));
                return HALVET_OK;
            }
        }
        return HALVET_ERR_NOT_ATTACHED;
    }
    case HALVET_CONN_INFO_TRANSPORT_ADDRESS: {
        if (size < sizeof(HALVET_TRANSPORT_ADDRESS)) return HALVET_ERR_BUFFER_TOO_SMALL;
        HALVET_TRANSPORT_ADDRESS record;
        memcpy(&record, value, sizeof(record));
        if (!record.buffer) return HALVET_ERR_NULL_POINTER;
        if (record.length < 6) return HALVET_ERR_BUFFER_TOO_SMALL;
        uint32_t address = ref ? ref->address : (server ? server->address : 0);
        uint16_t port = ref ? ref->port : 524;
        uint8_t bytes[6] = {static_cast<uint8_t>(port >> 8), static_cast<uint8_t>(port),
                            static_cast<uint8_t>(address >> 24), static_cast<uint8_t>(address >> 16),
                            static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
        memcpy(record.buffer, bytes, sizeof(bytes));
        record.type = HALVET_TRANSPORT_IP;
        record.length = sizeof(bytes);
        memcpy(value, &record, sizeof(record));
        return HALVET_OK;
    }
    default:
        return HALVET_ERR_BAD_KEY;
    }
}

}  // namespace

extern "C" int32_t OpenConnByName(HALVET_CONN, const char* name, uint32_t nameFormat, uint32_t openState,
                                  uint32_t, HALVET_CONN* conn)
{
    if (!conn) return HALVET_ERR_NULL_POINTER;
    *conn = HALVET_NO_CONN;
    return Guarded([&] {
        std::string text;
        int32_t rc = ReadText(name, text, HALVET_MAX_DN_CHARS + 1);
        if (rc != HALVET_OK) return rc;
        if (nameFormat != HALVET_NAME_FORMAT_DIRECTORY && nameFormat != HALVET_NAME_FORMAT_SERVER &&
            nameFormat != HALVET_NAME_FORMAT_ANY)
            return HALVET_ERR_INVALID_REQUEST;
        std::shared_ptr<const Image> image;
        rc = Load(image);
        if (rc != HALVET_OK) return rc;
        const Server* server = FindServerByName(*image, text, nameFormat);
        if (!server) return HALVET_ERR_NO_SUCH_SERVER;
        Connection c;
        c.server = server->name;
        c.tree = server->tree;
        for (size_t i = 0; i < image->workstation.refs.size(); ++i) {
            if (EqualNoCase(image->workstation.refs[i].server, server->name)) {
                c.ref = static_cast<int>(i);
                c.tree = image->workstation.refs[i].tree;
                break;
            }
        }
        c.claimed = openState == HALVET_OPEN_CLAIMED;
        *conn = NewConnection(c);
        return HALVET_OK;
    });
}

extern "C" int32_t OpenConnByRef(HALVET_CONN_REF ref, uint32_t openState, HALVET_CONN* conn)
{
    if (!conn) return HALVET_ERR_NULL_POINTER;
    *conn = HALVET_NO_CONN;
    return Guarded([&] {
        std::shared_ptr<const Image> image;
        int32_t rc = Load(image);
        if (rc != HALVET_OK) return rc;
        const ConnRef* r = RefOf(*image, ref);
        if (!r) return HALVET_ERR_INVALID_CONN_REF;
        Connection c;
        c.server = r->server;
        c.tree = r->tree;
        c.ref = static_cast<int>(ref - 1);
        c.claimed = openState == HALVET_OPEN_CLAIMED;
        *conn = NewConnection(c);
        return HALVET_OK;
    });
}

extern "C" int32_t CloseConn(HALVET_CONN conn)
{
    return Guarded([&] {
        if (!g_conns.erase(conn)) return HALVET_ERR_INVALID_CONN;
        if (g_current == conn) g_current = HALVET_NO_CONN;
        return HALVET_OK;
    });
}

extern "C" int32_t ScanConnRefs(uint32_t* scan, HALVET_CONN_REF* ref)
{
    if (!scan || !ref) return HALVET_ERR_NULL_POINTER;
    return Guarded([&] {
        std::shared_ptr<const Image> image;
        int32_t rc = Load(image);
        if (rc != HALVET_OK) return rc;
        if (*scan >= image->workstation.refs.size()) return HALVET_ERR_NO_MORE_ENTRIES;
        *ref = *scan + 1;
        ++*scan;
        return HALVET_OK;
    });
}

extern "C" int32_t GetPrimaryConnRef(HALVET_CONN_REF* ref)
{
    if (!ref) return HALVET_ERR_NULL_POINTER;
    *ref = 0;
    return Guarded([&] {
        std::shared_ptr<const Image> image;
        int32_t rc = Load(image);
        if (rc != HALVET_OK) return rc;
        for (size_t i = 0; i < image->workstation.refs.size(); ++i) {
            if (image->workstation.refs[i].primary) {
                *ref = static_cast<HALVET_CONN_REF>(i + 1);
                return HALVET_OK;
            }
        }
        return HALVET_ERR_INVALID_CONN_REF;
    });
}

extern "C" int32_t GetConnRef(HALVET_CONN conn, HALVET_CONN_REF* ref)
{
    if (!ref) return HALVET_ERR_NULL_POINTER;
    *ref = 0;
    return Guarded([&] {
        auto it = g_conns.find(conn);
        if (it == g_conns.end()) return HALVET_ERR_INVALID_CONN;
        if (it->second.ref < 0) return HALVET_ERR_INVALID_CONN_REF;
        *ref = static_cast<HALVET_CONN_REF>(it->second.ref + 1);
        return HALVET_OK;
    });
}

extern "C" int32_t GetConnInfo(HALVET_CONN conn, uint32_t key, uint32_t size, void* value)
{
    return Guarded([&] {
        auto it = g_conns.find(conn);
        if (it == g_conns.end()) return HALVET_ERR_INVALID_CONN;
        std::shared_ptr<const Image> image;
        int32_t rc = Load(image);
        if (rc != HALVET_OK) return rc;
        const Connection& c = it->second;
        const ConnRef* ref = c.ref >= 0 && static_cast<size_t>(c.ref) < image->workstation.refs.size()
                                 ? &image->workstation.refs[c.ref]
                                 : nullptr;
        return Info(*image, ref, c.server, c.tree, key, size, value, true);
    });
}

extern "C" int32_t GetConnRefInfo(HALVET_CONN_REF ref, uint32_t key, uint32_t size, void* value)
{
    return Guarded([&] {
        std::shared_ptr<const Image> image;
        int32_t rc = Load(image);
        if (rc != HALVET_OK) return rc;
        const ConnRef* r = RefOf(*image, ref);
        if (!r) return HALVET_ERR_INVALID_CONN_REF;
        return Info(*image, r, r->server, r->tree, key, size, value, false);
    });
}

extern "C" int32_t MakeConnCurrent(HALVET_CONN conn)
{
    return Guarded([&] {
        if (!g_conns.count(conn)) return HALVET_ERR_INVALID_CONN;
        g_current = conn;
        return HALVET_OK;
    });
}

extern "C" int32_t GetCurrentConn(HALVET_CONN* conn)
{
    if (!conn) return HALVET_ERR_NULL_POINTER;
    return Guarded([&] {
        *conn = g_current;
        return g_current == HALVET_NO_CONN ? HALVET_ERR_INVALID_CONN : HALVET_OK;
    });
}

extern "C" int32_t ClaimConnectionSlot(HALVET_CONN conn)
{
    return Guarded([&] {
        auto it = g_conns.find(conn);
        if (it == g_conns.end()) return HALVET_ERR_INVALID_CONN;
        if (it->second.claimed) return static_cast<int32_t>(HALVET_CONN_ALREADY_CLAIMED);
        it->second.claimed = true;
        it->second.claimedHere = true;
        return HALVET_OK;
    });
}

extern "C" int32_t ReleaseConnectionSlot(HALVET_CONN conn)
{
    return Guarded([&] {
        auto it = g_conns.find(conn);
        if (it == g_conns.end()) return HALVET_ERR_INVALID_CONN;
        if (!it->second.claimedHere) return HALVET_ERR_SLOT_NOT_CLAIMED;
        it->second.claimed = false;
        it->second.claimedHere = false;
        return HALVET_OK;
    });
}

extern "C" int32_t GetOwnConnNumber(HALVET_CONN conn, uint32_t* connNumber)
{
    if (!connNumber) return HALVET_ERR_NULL_POINTER;
    *connNumber = 0;
    return GetConnInfo(conn, HALVET_CONN_INFO_CONN_NUMBER, sizeof(uint32_t), connNumber);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
