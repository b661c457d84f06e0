// HalvetConnClient and HalvetCallClient through their exports: connection
// references, connections, volumes, server information, logged-in
// connections and broadcast messages into the spool.
#include <cstring>
#include <string>
#include <vector>

#include "clients_support.h"

using namespace clients_test;

namespace {

class Connections : public ImageTest {};
class ServerCalls : public ImageTest {};
class Broadcast : public ImageTest {};

TEST_F(Connections, ReferencesScanInOrderWithTheirValues)
{
    uint32_t scan = 0;
    std::vector<HALVET_CONN_REF> refs;
    HALVET_CONN_REF ref = 0;
    int32_t rc;
    while ((rc = ScanConnRefs(&scan, &ref)) == HALVET_OK) refs.push_back(ref);
    EXPECT_EQ(HALVET_ERR_NO_MORE_ENTRIES, rc);
    ASSERT_EQ(2u, refs.size());

    struct Expected {
        const char* tree;
        const char* server;
        uint32_t auth;
        uint8_t address[6];
    };
    const Expected expected[] = {
        {"ORREL_TREE______________________", "FS1", 2, {0x02, 0x0C, 127, 0, 0, 1}},
        {"OTHER_TREE______________________", "FS2", 0, {0x04, 0xD2, 127, 0, 0, 2}},
    };
    for (size_t i = 0; i < refs.size(); ++i) {
        char tree[66];
        ASSERT_EQ(HALVET_OK, GetConnRefInfo(refs[i], HALVET_CONN_INFO_TREE_NAME, sizeof(tree), tree));
        EXPECT_STREQ(expected[i].tree, tree);
        char server[64];
        ASSERT_EQ(HALVET_OK, GetConnRefInfo(refs[i], HALVET_CONN_INFO_SERVER_NAME, sizeof(server), server));
        EXPECT_STREQ(expected[i].server, server);
        uint32_t auth = 9;
        ASSERT_EQ(HALVET_OK, GetConnRefInfo(refs[i], HALVET_CONN_INFO_AUTH_STATE, sizeof(auth), &auth));
        EXPECT_EQ(expected[i].auth, auth);
        uint8_t bytes[20];
        memset(bytes, 0xEE, sizeof(bytes));
        HALVET_TRANSPORT_ADDRESS address{0, sizeof(bytes), bytes};
        ASSERT_EQ(HALVET_OK, GetConnRefInfo(refs[i], HALVET_CONN_INFO_TRANSPORT_ADDRESS, sizeof(address), &address));
        EXPECT_EQ(static_cast<uint32_t>(HALVET_TRANSPORT_IP), address.type);
        ASSERT_EQ(6u, address.length);
        EXPECT_EQ(0, memcmp(bytes, expected[i].address, 6)) << i;
        EXPECT_EQ(0xEE, bytes[6]) << "nothing past the address";
    }
    char small[8];
    EXPECT_EQ(HALVET_ERR_BUFFER_TOO_SMALL, GetConnRefInfo(refs[0], HALVET_CONN_INFO_TREE_NAME, sizeof(small), small));
    EXPECT_EQ(HALVET_ERR_BAD_KEY, GetConnRefInfo(refs[0], 99, sizeof(small), small));
    EXPECT_EQ(HALVET_ERR_INVALID_CONN_REF, GetConnRefInfo(77, HALVET_CONN_INFO_TREE_NAME, sizeof(small), small));

    HALVET_CONN_REF primary = 0;
    ASSERT_EQ(HALVET_OK, GetPrimaryConnRef(&primary));
    EXPECT_EQ(refs[1], primary);
}

TEST_F(Connections, OpenByNameOrReferenceAndClose)
{
    struct Case {
        const char* name;
        uint32_t format;
        const char* server;
    };
    const Case cases[] = {
        {"FS1", HALVET_NAME_FORMAT_SERVER, "FS1"},
        {"fs2", HALVET_NAME_FORMAT_SERVER, "FS2"},
        {"127.0.0.2", HALVET_NAME_FORMAT_ANY, "FS2"},
        {"127.0.0.2", HALVET_NAME_FORMAT_SERVER, "FS2"},
        {".FS1.Corp", HALVET_NAME_FORMAT_DIRECTORY, "FS1"},
        {".FS1.Corp", HALVET_NAME_FORMAT_SERVER, "FS1"},
    };
    for (const Case& c : cases) {
        Conn conn;
        ASSERT_EQ(HALVET_OK, OpenConnByName(HALVET_NO_CONN, c.name, c.format, HALVET_OPEN_CLAIMED,
                                            HALVET_TRANSPORT_ANY, conn.put()))
            << c.name;
        char server[64];
        ASSERT_EQ(HALVET_OK, GetConnInfo(conn.get(), HALVET_CONN_INFO_SERVER_NAME, sizeof(server), server));
        EXPECT_STREQ(c.server, server) << c.name;
    }
    HALVET_CONN conn = 5;
    EXPECT_EQ(HALVET_ERR_NO_SUCH_SERVER, OpenConnByName(0, "FS9", 2, 2, HALVET_TRANSPORT_ANY, &conn));
    EXPECT_EQ(HALVET_NO_CONN, conn);
    EXPECT_EQ(HALVET_ERR_NO_SUCH_SERVER, OpenConnByName(0, "127.0.0.2", HALVET_NAME_FORMAT_DIRECTORY, 2,
                                                        HALVET_TRANSPORT_ANY, &conn))
        << "an address is no directory name";
    EXPECT_EQ(HALVET_ERR_NULL_POINTER, OpenConnByName(0, nullptr, 2, 2, HALVET_TRANSPORT_ANY, &conn));

    // The server's tree as 1.3 reads it: a 66-byte buffer, padded with '_'.
    Conn fs1;
    ASSERT_EQ(HALVET_OK, OpenConnByName(0, "FS1", 2, 2, HALVET_TRANSPORT_ANY, fs1.put()));
    char tree[66];
    ASSERT_EQ(HALVET_OK, GetConnInfo(fs1.get(), HALVET_CONN_INFO_TREE_NAME, sizeof(tree), tree));
    EXPECT_EQ(32u, strlen(tree));
    EXPECT_EQ(0, strncmp(tree, "ORREL_TREE_", 11));
    uint32_t own = 0;
    ASSERT_EQ(HALVET_OK, GetOwnConnNumber(fs1.get(), &own));
    EXPECT_EQ(1u, own) << "Admin's connection";
    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", "second");
    ASSERT_EQ(HALVET_OK, GetOwnConnNumber(fs1.get(), &own));
    EXPECT_EQ(5u, own) << "Guest's connection";

    HALVET_CONN_REF ref = 0;
    ASSERT_EQ(HALVET_OK, GetConnRef(fs1.get(), &ref));
    Conn byRef;
    ASSERT_EQ(HALVET_OK, OpenConnByRef(ref, HALVET_OPEN_CLAIMED, byRef.put()));
    EXPECT_NE(fs1.get(), byRef.get());
    EXPECT_EQ(HALVET_ERR_INVALID_CONN_REF, OpenConnByRef(0, 2, &conn));

    ASSERT_EQ(HALVET_OK, MakeConnCurrent(byRef.get()));
    HALVET_CONN current = 0;
    ASSERT_EQ(HALVET_OK, GetCurrentConn(&current));
    EXPECT_EQ(byRef.get(), current);
    HALVET_CONN closed = byRef.get();
    byRef.Close();
    EXPECT_EQ(HALVET_ERR_INVALID_CONN, GetCurrentConn(&current)) << "closing the current connection";
    EXPECT_EQ(HALVET_ERR_INVALID_CONN, CloseConn(closed)) << "closed twice";
    EXPECT_EQ(HALVET_ERR_INVALID_CONN, GetConnInfo(closed, 7, 64, tree));
}

TEST_F(Connections, ConnectionSlotsAreClaimedOnce)
{
    Conn unclaimed, claimed;
    ASSERT_EQ(HALVET_OK, OpenConnByName(0, "FS1", 2, HALVET_OPEN_UNCLAIMED, HALVET_TRANSPORT_ANY, unclaimed.put()));
    ASSERT_EQ(HALVET_OK, OpenConnByName(0, "FS1", 2, HALVET_OPEN_CLAIMED, HALVET_TRANSPORT_ANY, claimed.put()));
    EXPECT_EQ(HALVET_OK, ClaimConnectionSlot(unclaimed.get()));
    EXPECT_EQ(HALVET_CONN_ALREADY_CLAIMED, ClaimConnectionSlot(unclaimed.get()));
    EXPECT_EQ(HALVET_CONN_ALREADY_CLAIMED, ClaimConnectionSlot(claimed.get()));
    EXPECT_EQ(HALVET_ERR_SLOT_NOT_CLAIMED, ReleaseConnectionSlot(claimed.get())) << "not claimed by that call";
    EXPECT_EQ(HALVET_OK, ReleaseConnectionSlot(unclaimed.get()));
    EXPECT_EQ(HALVET_OK, ClaimConnectionSlot(unclaimed.get()));
}

TEST_F(Connections, DirectoryCallsOnAConnection)
{
    DirContext ctx("[Root]");
    Conn conn;
    ASSERT_EQ(HALVET_OK, OpenConnByName(0, "FS1", 2, 2, HALVET_TRANSPORT_ANY, conn.put()));
    char name[260];
    ASSERT_EQ(HALVET_OK, GetServerDirName(ctx.get(), conn.get(), name, sizeof(name)));
    EXPECT_STREQ(".FS1.Corp", name);
    Conn fs2;
    ASSERT_EQ(HALVET_OK, OpenConnByName(0, "FS2", 2, 2, HALVET_TRANSPORT_ANY, fs2.put()));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, GetServerDirName(ctx.get(), fs2.get(), name, sizeof(name)))
        << "FS2 has no server object";

    Conn byDirName;
    ASSERT_EQ(HALVET_OK, GetServerConn(ctx.get(), ".FS1.Corp", byDirName.put()));
    char server[64];
    ASSERT_EQ(HALVET_OK, GetConnInfo(byDirName.get(), HALVET_CONN_INFO_SERVER_NAME, sizeof(server), server));
    EXPECT_STREQ("FS1", server);
    HALVET_CONN none = 0;
    EXPECT_EQ(HALVET_ERR_NO_SUCH_SERVER, GetServerConn(ctx.get(), ".Admin.Corp", &none));

    uint32_t id = 0;
    ASSERT_EQ(HALVET_OK, MapNameToId(ctx.get(), conn.get(), ".JDoe.Sales.Corp", &id));
    EXPECT_NE(0u, id);
    uint32_t numbers[4] = {}, count = 0;
    ASSERT_EQ(HALVET_OK, GetObjectConnections(conn.get(), id, 1, &count, numbers));
    ASSERT_EQ(1u, count) << "at most one asked for";
    EXPECT_EQ(3u, numbers[0]);
    ASSERT_EQ(HALVET_OK, GetObjectConnections(conn.get(), id, 4, &count, numbers));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(4u, numbers[1]);
    uint32_t staff = 0;
    ASSERT_EQ(HALVET_OK, MapNameToId(ctx.get(), conn.get(), ".Staff.Sales.Corp", &staff));
    ASSERT_EQ(HALVET_OK, GetObjectConnections(conn.get(), staff, 4, &count, numbers));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, MapNameToId(ctx.get(), conn.get(), ".Nobody.Corp", &id));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, MapNameToId(ctx.get(), fs2.get(), ".JDoe.Sales.Corp", &id))
        << "FS2 serves another tree";

    ASSERT_EQ(HALVET_OK, GetConnUserName(conn.get(), 3, name, sizeof(name)));
    EXPECT_STREQ("JDoe.Sales.Corp", name);
    EXPECT_EQ(HALVET_ERR_NO_SUCH_CONNECTION, GetConnUserName(conn.get(), 42, name, sizeof(name)));
    EXPECT_EQ(HALVET_ERR_BUFFER_TOO_SMALL, GetConnUserName(conn.get(), 3, name, 4));
}

TEST_F(ServerCalls, VolumeFiguresAndServerInformation)
{
    Conn conn;
    ASSERT_EQ(HALVET_OK, OpenConnByName(0, ".FS1.Corp", 2, 1, HALVET_TRANSPORT_ANY, conn.put()));
    uint32_t number = 99;
    ASSERT_EQ(HALVET_OK, GetVolumeNumber(conn.get(), "sys", &number));
    EXPECT_EQ(0u, number);
    ASSERT_EQ(HALVET_OK, GetVolumeNumber(conn.get(), "FS1_VOL1", &number));
    EXPECT_EQ(3u, number);
    EXPECT_EQ(HALVET_ERR_NO_SUCH_VOLUME, GetVolumeNumber(conn.get(), "DATA", &number));

    HALVET_VOLUME_USAGE usage;
    memset(&usage, 0xAA, sizeof(usage));
    ASSERT_EQ(HALVET_OK, GetVolumeUsage(conn.get(), 0, 0, &usage));
    const uint32_t* fields = reinterpret_cast<const uint32_t*>(&usage);
    EXPECT_EQ(1000u, fields[0]);
    EXPECT_EQ(250u, fields[1]);
    EXPECT_EQ(125u, fields[2]);
    EXPECT_EQ(4096u, fields[4]);
    EXPECT_EQ(1024u, fields[5]);
    EXPECT_EQ(8u, fields[7]);
    EXPECT_EQ(0u, fields[11]);
    EXPECT_EQ(HALVET_ERR_NO_SUCH_VOLUME, GetVolumeUsage(conn.get(), 0, 7, &usage));
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, GetVolumeUsage(conn.get(), 1, 0, &usage));

    HALVET_EXTENDED_VOLUME_INFO extended;
    memset(&extended, 0xAA, sizeof(extended));
    ASSERT_EQ(HALVET_OK, GetExtendedVolumeInfo(conn.get(), 0, &extended));
    const uint32_t* x = reinterpret_cast<const uint32_t*>(&extended);
    EXPECT_EQ(HALVET_VOLUME_FEATURE_SUBALLOCATION | HALVET_VOLUME_FEATURE_COMPRESSION, x[1] & 0xFF);
    EXPECT_EQ(4096u, x[2]);
    EXPECT_EQ(2000u, x[18]);
    EXPECT_EQ(1500u, x[19]);
    EXPECT_EQ(0u, x[32]);

    uint8_t ids[8];
    memset(ids, 0xEE, sizeof(ids));
    uint8_t count = 0;
    ASSERT_EQ(HALVET_OK, GetLoadedNameSpaces(conn.get(), 0, 5, &count, ids));
    ASSERT_EQ(5, count) << "at most the number asked for";
    const uint8_t expectedIds[] = {0, 4, 9, 1, 2};
    EXPECT_EQ(0, memcmp(ids, expectedIds, 5));
    EXPECT_EQ(0xEE, ids[5]);
    ASSERT_EQ(HALVET_OK, GetLoadedNameSpaces(conn.get(), 3, 5, &count, ids));
    EXPECT_EQ(0, count);

    HALVET_SERVER_INFO info;
    memset(&info, 0xAA, sizeof(info));
    ASSERT_EQ(HALVET_OK, GetServerInfo(conn.get(), &info));
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&info);
    EXPECT_EQ(4, bytes[48]) << "major version at byte 48";
    EXPECT_EQ(11, bytes[49]) << "minor version at byte 49";
    EXPECT_STREQ("FS1", info.serverName);

    uint8_t major = 0, minor = 0;
    uint16_t revision = 0;
    ASSERT_EQ(HALVET_OK, GetRequesterVersion(&major, &minor, &revision));
    EXPECT_EQ(4, major);
    EXPECT_EQ(83, minor);
    EXPECT_EQ(7, revision);

    conn.Close();
    EXPECT_EQ(HALVET_ERR_INVALID_CONN, GetServerInfo(HALVET_NO_CONN, &info));
}

TEST_F(ServerCalls, AdvertisedTreeNamesArePadded)
{
    Conn fs2;
    ASSERT_EQ(HALVET_OK, OpenConnByName(0, "FS2", 2, 2, HALVET_TRANSPORT_ANY, fs2.put()));
    ASSERT_EQ(HALVET_OK, MakeConnCurrent(fs2.get()));
    std::vector<std::string> names;
    uint32_t scan = 0;
    char name[66];
    int32_t rc;
    while ((rc = ScanAdvertisedNames(fs2.get(), HALVET_ADVERTISED_TREE, &scan, name, sizeof(name))) == HALVET_OK)
        names.push_back(name);
    EXPECT_EQ(HALVET_ERR_NO_MORE_ENTRIES, rc);
    EXPECT_EQ((std::vector<std::string>{"OTHER_TREE______________________", "ORREL_TREE______________________"}),
              names);
    scan = 0;
    ASSERT_EQ(HALVET_OK, ScanAdvertisedNames(fs2.get(), 4, &scan, name, sizeof(name)));
    EXPECT_STREQ("FS2", name);

    Conn fs1;  // no list in the image: the server's own tree
    ASSERT_EQ(HALVET_OK, OpenConnByName(0, "FS1", 2, 2, HALVET_TRANSPORT_ANY, fs1.put()));
    scan = 0;
    ASSERT_EQ(HALVET_OK, ScanAdvertisedNames(fs1.get(), HALVET_ADVERTISED_TREE, &scan, name, sizeof(name)));
    EXPECT_STREQ("ORREL_TREE______________________", name);
    EXPECT_EQ(HALVET_ERR_BUFFER_TOO_SMALL, ScanAdvertisedNames(fs1.get(), HALVET_ADVERTISED_TREE, &(scan = 0), name, 20));
}

TEST_F(Broadcast, MessagesLandInTheSpoolWithOneResultPerConnection)
{
    Conn conn;
    ASSERT_EQ(HALVET_OK, OpenConnByName(0, "FS1", 2, 2, HALVET_TRANSPORT_ANY, conn.put()));
    const uint32_t targets[] = {3, 5, 42, 3};
    uint8_t results[4] = {0x11, 0x11, 0x11, 0x11};
    ASSERT_EQ(HALVET_OK, SendBroadcast(conn.get(), "From: Admin[1] hello", 4, targets, results));
    EXPECT_EQ(HALVET_BROADCAST_DELIVERED, results[0]);
    EXPECT_EQ(HALVET_BROADCAST_REFUSED, results[1]) << "Guest accepts no messages";
    EXPECT_EQ(HALVET_BROADCAST_NO_SUCH_CONN, results[2]);
    EXPECT_EQ(HALVET_BROADCAST_DELIVERED, results[3]);

    std::string spool = folder_ + "\\dir.spool\\FS1\\3";
    EXPECT_EQ((std::vector<std::string>{"00000001.msg", "00000002.msg"}), FilesIn(spool));
    EXPECT_EQ("From: Admin[1] hello", ReadWholeFile(spool + "\\00000001.msg"));
    EXPECT_TRUE(FilesIn(folder_ + "\\dir.spool\\FS1\\5").empty());

    std::string tooLong(HALVET_MAX_BROADCAST_MESSAGE, 'm');
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, SendBroadcast(conn.get(), tooLong.c_str(), 1, targets, results));
    EXPECT_EQ(HALVET_ERR_NULL_POINTER, SendBroadcast(conn.get(), "x", 1, nullptr, results));
    EXPECT_EQ(HALVET_OK, SendBroadcast(conn.get(), "x", 0, nullptr, nullptr));
    conn.Close();
    EXPECT_EQ(HALVET_ERR_INVALID_CONN, SendBroadcast(conn.get(), "x", 1, targets, results));
}

}  // namespace
