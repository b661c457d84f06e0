// Search server discovery and the tree name of a server.
#include <winsock2.h>

#include "servers.h"

#include <cstdio>
#include <cstring>

#include <halvet/callclient.h>
#include <halvet/connclient.h>
#include <halvet/dirclient.h>

#include "ldapdirectory.h"
#include "orrel/pages/dirsession.h"
#include "orrel/ui/controls.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"
#include "searchtables.h"

namespace orrel {
namespace find {

namespace {

// A connection of the client library, closed at the end of its scope.
class Connection {
public:
    Connection() noexcept = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection()
    {
        if (conn_ != HALVET_NO_CONN) CloseConn(conn_);
    }
    HALVET_CONN* Put() noexcept { return &conn_; }
    HALVET_CONN Get() const noexcept { return conn_; }

private:
    HALVET_CONN conn_ = HALVET_NO_CONN;
};

// The row of one connection reference; false when any step fails.
bool ReadServerRow(HALVET_CONN_REF ref, bool probe, bool resolve, bool addressAtTwo, SearchServer* row)
{
    char tree[66];
    std::memset(tree, 0, sizeof(tree));
    if (GetConnRefInfo(ref, HALVET_CONN_INFO_TREE_NAME, sizeof(tree), tree) != HALVET_OK) return false;
    tree[sizeof(tree) - 1] = '\0';
    if (!tree[0]) return false;

    unsigned char bytes[20];
    std::memset(bytes, 0, sizeof(bytes));
    HALVET_TRANSPORT_ADDRESS address{0, sizeof(bytes), bytes};
    if (GetConnRefInfo(ref, HALVET_CONN_INFO_TRANSPORT_ADDRESS, sizeof(address), &address) != HALVET_OK ||
        address.type != HALVET_TRANSPORT_IP)
        return false;
    const unsigned char* ip = bytes + (addressAtTwo ? 2 : 0);
    char dotted[32];
    std::snprintf(dotted, sizeof(dotted), "%hu.%hu.%hu.%hu", static_cast<unsigned short>(ip[0]),
                  static_cast<unsigned short>(ip[1]), static_cast<unsigned short>(ip[2]),
                  static_cast<unsigned short>(ip[3]));
    row->internetName = dotted;
    if (resolve) {
        StartSockets();
        const hostent* host = gethostbyaddr(reinterpret_cast<const char*>(ip), 4, AF_INET);
        if (host && host->h_name && host->h_name[0]) row->internetName = host->h_name;
    }

    Connection conn;
    if (OpenConnByRef(ref, HALVET_OPEN_CLAIMED, conn.Put()) != HALVET_OK) return false;
    pages::DirectorySession session(TrimTreeName(tree), "[root]");
    HALVET_CONTEXT context = session.Context();
    if (context == HALVET_NO_CONTEXT) return false;
    char name[HALVET_MAX_DN_CHARS + 1];
    std::memset(name, 0, sizeof(name));
    if (GetServerDirName(context, conn.Get(), name, sizeof(name)) != HALVET_OK) return false;
    name[sizeof(name) - 1] = '\0';
    row->directoryName = session.ToDisplayName(name, context);
    if (probe && ProbeLdapPort(dotted) != 0) return false;
    return true;
}

}  // namespace

int ProbeLdapPort(const char* dottedAddress) noexcept
{
    StartSockets();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return -1;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(LDAP_PORT);
    to.sin_addr.s_addr = inet_addr(dottedAddress ? dottedAddress : "");
    int rc = connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    closesocket(s);
    return rc;
}

std::vector<SearchServer> ScanSearchServers(bool probe, bool resolve)
{
    std::vector<SearchServer> rows;
    OSVERSIONINFOA os{};
    os.dwOSVersionInfoSize = sizeof(os);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    bool nt = GetVersionExA(&os) && os.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
    uint8_t major = 0, minor = 0;
    uint16_t revision = 0;
    if (GetRequesterVersion(&major, &minor, &revision) != HALVET_OK) major = 0;
    bool addressAtTwo = nt || major >= 4;

    uint32_t scan = 0;
    HALVET_CONN_REF ref = 0;
    while (ScanConnRefs(&scan, &ref) == HALVET_OK) {
        SearchServer row;
        if (ReadServerRow(ref, probe, resolve, addressAtTwo, &row)) rows.push_back(row);
    }
    return rows;
}

void FindSearchServers(HWND listWindow, bool probe, bool resolve)
{
    ui::ListViewCtrl list(listWindow);
    list.InsertColumn(0, ui::LoadModuleText(IDS_INTERNET_NAME).c_str(), 150);
    list.InsertColumn(1, ui::LoadModuleText(IDS_ORREL_NAME).c_str(), 200);
    std::vector<SearchServer> rows;
    try {
        rows = ScanSearchServers(probe, resolve);
    } catch (...) {
        rows.clear();
    }
    for (const SearchServer& row : rows) {
        int index = list.InsertItem(list.GetItemCount(), row.internetName.c_str());
        if (index >= 0) list.SetItemText(index, 1, row.directoryName.c_str());
    }
    if (list.GetItemCount() > 0) list.SelectItem(0);
}

long GetServerTreeName(const char* server, std::string* tree)
{
    if (!tree) return HALVET_ERR_NULL_POINTER;
    tree->clear();
    InitCallClient(nullptr, nullptr);
    Connection conn;
    int32_t rc = OpenConnByName(HALVET_NO_CONN, server ? server : "", HALVET_NAME_FORMAT_ANY,
                                HALVET_OPEN_CLAIMED, HALVET_TRANSPORT_ANY, conn.Put());
    if (rc != HALVET_OK) return rc;
    char name[33];
    std::memset(name, 0, sizeof(name));
    rc = GetConnInfo(conn.Get(), HALVET_CONN_INFO_TREE_NAME, sizeof(name), name);
    name[sizeof(name) - 1] = '\0';
    if (rc == HALVET_OK) *tree = TrimTreeName(name);
    return rc;
}

}  // namespace find
}  // namespace orrel
