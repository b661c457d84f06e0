// HalvetCallClient stand-in: server calls over a connection of
// HalvetConnClient, answered from the directory image; broadcast messages
// are delivered into a message spool beside the image.
#include <windows.h>

#include <mutex>
#include <new>

#include <halvet/callclient.h>
#include <halvet/connclient.h>

#include "imagefile.h"
#include "names.h"

using namespace orrel::dirstore;

namespace {

std::mutex g_lock;

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

// The image and the server behind a connection.
int32_t ServerOf(HALVET_CONN conn, std::shared_ptr<const Image>& image, const Server*& server)
{
    char name[64] = {};
    int32_t rc = GetConnInfo(conn, HALVET_CONN_INFO_SERVER_NAME, sizeof(name), name);
    if (rc != HALVET_OK) return rc;
    rc = SharedImageGet(image);
    if (rc != HALVET_OK) return rc;
    server = image->FindServer(name);
    return server ? HALVET_OK : HALVET_ERR_NO_SUCH_SERVER;
}

const Volume* VolumeOf(const Server& server, uint32_t number)
{
    for (const Volume& v : server.volumes)
        if (v.number == number) return &v;
    return nullptr;
}

// Runs fn(server) for the server behind a connection, under the lock, with
// the image held while it runs.
template <typename Fn>
int32_t OnServer(HALVET_CONN conn, Fn fn)
{
    return Guarded([&]() -> int32_t {
        std::shared_ptr<const Image> image;
        const Server* server = nullptr;
        int32_t rc = ServerOf(conn, image, server);
        if (rc != HALVET_OK) return rc;
        return fn(*server);
    });
}

// Runs fn(volume) for a volume of the server behind a connection.
template <typename Fn>
int32_t OnVolume(HALVET_CONN conn, uint32_t number, Fn fn)
{
    return OnServer(conn, [&](const Server& server) -> int32_t {
        const Volume* volume = VolumeOf(server, number);
        if (!volume) return HALVET_ERR_NO_SUCH_VOLUME;
        return fn(*volume);
    });
}

// Writes one message into a connection's spool folder under the next free
// sequence number.
bool Deliver(const std::string& folder, const std::string& message)
{
    size_t start = 0;
    while (true) {  // make every folder of the path
        size_t slash = folder.find('\\', start);
        std::string part = folder.substr(0, slash);
        if (part.size() > 3) CreateDirectoryA(part.c_str(), nullptr);
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    for (unsigned sequence = 1; sequence < 100000000; ++sequence) {
        char name[32];
        wsprintfA(name, "\\%08u.msg", sequence);
        HANDLE file = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return false;
        }
        DWORD done = 0;
        bool ok = WriteFile(file, message.data(), static_cast<DWORD>(message.size()), &done, nullptr) &&
                  done == message.size() && FlushFileBuffers(file);
        CloseHandle(file);
        return ok;
    }
    return false;
}

}  // namespace

extern "C" int32_t InitCallClient(void*, void*)
{
    return HALVET_OK;
}

extern "C" int32_t GetRequesterVersion(uint8_t* major, uint8_t* minor, uint16_t* revision)
{
    return Guarded([&] {
        uint8_t version[3] = {4, 90, 0};
        uint16_t rev = 0;
        std::shared_ptr<const Image> image;
        if (SharedImageGet(image) == HALVET_OK) {
            version[0] = image->workstation.requester[0];
            version[1] = image->workstation.requester[1];
            rev = image->workstation.requesterRevision;
        }
        if (major) *major = version[0];
        if (minor) *minor = version[1];
        if (revision) *revision = rev;
        return HALVET_OK;
    });
}

extern "C" int32_t GetVolumeNumber(HALVET_CONN conn, const char* volumeName, uint32_t* volumeNumber)
{
    if (!volumeName || !volumeNumber) return HALVET_ERR_NULL_POINTER;
    *volumeNumber = 0;
    return OnServer(conn, [&](const Server& server) -> int32_t {
        size_t n = 0;
        while (n <= 64 && volumeName[n]) ++n;
        if (n > 64) return HALVET_ERR_INVALID_REQUEST;
        std::string name(volumeName, n);
        // "SERVER_VOL" or "SERVER:VOL" name the volume on its server as well.
        for (const Volume& v : server.volumes) {
            if (EqualNoCase(name, v.name) || EqualNoCase(name, server.name + "_" + v.name) ||
                EqualNoCase(name, server.name + ":" + v.name)) {
                *volumeNumber = v.number;
                return HALVET_OK;
            }
        }
        return HALVET_ERR_NO_SUCH_VOLUME;
    });
}

extern "C" int32_t GetVolumeUsage(HALVET_CONN conn, uint32_t reserved, uint32_t volumeNumber,
                                  HALVET_VOLUME_USAGE* usage)
{
    if (!usage) return HALVET_ERR_NULL_POINTER;
    if (reserved != 0) return HALVET_ERR_INVALID_REQUEST;
    return OnVolume(conn, volumeNumber, [&](const Volume& volume) -> int32_t {
        HALVET_VOLUME_USAGE out{};
        static_assert(sizeof(out) == sizeof(volume.usage), "usage record of 12 fields");
        memcpy(&out, volume.usage, sizeof(out));
        out.volumeNameLength = static_cast<uint32_t>(volume.name.size());
        *usage = out;
        return HALVET_OK;
    });
}

extern "C" int32_t GetExtendedVolumeInfo(HALVET_CONN conn, uint32_t volumeNumber, HALVET_EXTENDED_VOLUME_INFO* info)
{
    if (!info) return HALVET_ERR_NULL_POINTER;
    return OnVolume(conn, volumeNumber, [&](const Volume& volume) -> int32_t {
        static_assert(sizeof(*info) == sizeof(volume.extended), "extended record of 33 fields");
        memcpy(info, volume.extended, sizeof(*info));
        return HALVET_OK;
    });
}

extern "C" int32_t GetLoadedNameSpaces(HALVET_CONN conn, uint32_t volumeNumber, uint8_t maxCount, uint8_t* count,
                                       uint8_t* ids)
{
    if (!count || (!ids && maxCount)) return HALVET_ERR_NULL_POINTER;
    *count = 0;
    return OnVolume(conn, volumeNumber, [&](const Volume& volume) -> int32_t {
        size_t n = volume.nameSpaces.size() < maxCount ? volume.nameSpaces.size() : maxCount;
        for (size_t i = 0; i < n; ++i) ids[i] = volume.nameSpaces[i];
        *count = static_cast<uint8_t>(n);
        return HALVET_OK;
    });
}

extern "C" int32_t GetServerInfo(HALVET_CONN conn, HALVET_SERVER_INFO* info)
{
    if (!info) return HALVET_ERR_NULL_POINTER;
    return OnServer(conn, [&](const Server& server) -> int32_t {
        HALVET_SERVER_INFO out{};
        lstrcpynA(out.serverName, server.name.c_str(), sizeof(out.serverName));
        out.osMajor = server.version[0];
        out.osMinor = server.version[1];
        out.osRevision = server.version[2];
        out.maxConnections = static_cast<uint16_t>(server.maxConnections);
        out.usedConnections = static_cast<uint16_t>(server.connections.size());
        out.maxVolumes = 255;
        *info = out;
        return HALVET_OK;
    });
}

extern "C" int32_t GetObjectConnections(HALVET_CONN conn, uint32_t objectId, uint32_t maxCount, uint32_t* count,
                                        uint32_t* connNumbers)
{
    if (!count || (!connNumbers && maxCount)) return HALVET_ERR_NULL_POINTER;
    *count = 0;
    return OnServer(conn, [&](const Server& server) -> int32_t {
        uint32_t n = 0;
        for (const ServerConnection& c : server.connections) {
            if (n >= maxCount) break;
            if (ObjectId(server.tree, c.user) == objectId) connNumbers[n++] = c.number;
        }
        *count = n;
        return HALVET_OK;
    });
}

extern "C" int32_t GetConnUserName(HALVET_CONN conn, uint32_t connNumber, char* name, uint32_t size)
{
    if (!name) return HALVET_ERR_NULL_POINTER;
    return OnServer(conn, [&](const Server& server) -> int32_t {
        for (const ServerConnection& c : server.connections) {
            if (c.number != connNumber) continue;
            if (c.user.size() + 1 > size) return HALVET_ERR_BUFFER_TOO_SMALL;
            memcpy(name, c.user.c_str(), c.user.size() + 1);
            // The server keeps login names in the OEM character set.
            CharToOemBuffA(name, name, static_cast<DWORD>(c.user.size()));
            return HALVET_OK;
        }
        return HALVET_ERR_NO_SUCH_CONNECTION;
    });
}

extern "C" int32_t SendBroadcast(HALVET_CONN conn, const char* message, uint32_t count, const uint32_t* connNumbers,
                                 uint8_t* results)
{
    if (!message) return HALVET_ERR_NULL_POINTER;
    if (count > 256) return HALVET_ERR_INVALID_REQUEST;
    if (count && (!connNumbers || !results)) return HALVET_ERR_NULL_POINTER;
    size_t length = 0;
    while (length < HALVET_MAX_BROADCAST_MESSAGE && message[length]) ++length;
    if (length >= HALVET_MAX_BROADCAST_MESSAGE) return HALVET_ERR_INVALID_REQUEST;
    return OnServer(conn, [&](const Server& server) -> int32_t {
        std::string spool = ImageStore::SpoolFolder(ImageStore::Instance().ImagePath()) + "\\" + server.name;
        std::string text(message, length);
        bool anyFailed = false;
        for (uint32_t i = 0; i < count; ++i) {
            const ServerConnection* target = nullptr;
            for (const ServerConnection& c : server.connections)
                if (c.number == connNumbers[i]) target = &c;
            if (!target) {
                results[i] = HALVET_BROADCAST_NO_SUCH_CONN;
            } else if (!target->acceptsMessages) {
                results[i] = HALVET_BROADCAST_REFUSED;
            } else if (Deliver(spool + "\\" + std::to_string(target->number), text)) {
                results[i] = HALVET_BROADCAST_DELIVERED;
            } else {
                results[i] = HALVET_BROADCAST_REFUSED;
                anyFailed = true;
            }
        }
        return anyFailed ? HALVET_ERR_SPOOL_FAILED : HALVET_OK;
    });
}

extern "C" int32_t ScanAdvertisedNames(HALVET_CONN conn, uint32_t objectType, uint32_t* scan, char* name,
                                       uint32_t size)
{
    if (!scan || !name) return HALVET_ERR_NULL_POINTER;
    return OnServer(conn, [&](const Server& server) -> int32_t {
        std::vector<std::string> names;
        if (server.hasAdvertised) {
            for (const Advertised& a : server.advertised)
                if (a.type == objectType) names.push_back(a.name);
        } else if (objectType == HALVET_ADVERTISED_TREE) {
            names.push_back(server.tree);
        }
        if (*scan >= names.size()) return HALVET_ERR_NO_MORE_ENTRIES;
        std::string text = names[*scan];
        if (objectType == HALVET_ADVERTISED_TREE) text = PadTreeName(UnpadTreeName(text));
        if (text.size() + 1 > size) return HALVET_ERR_BUFFER_TOO_SMALL;
        memcpy(name, text.c_str(), text.size() + 1);
        ++*scan;
        return HALVET_OK;
    });
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
