// Streams (login scripts) of the trees an LDAP server serves: the content of
// the binary attribute handed out as a file handle, as the image's streams
// are.
//
// A stream opened for reading is a temporary file deleted when its handle is
// closed. One opened for writing is checked first by writing its current
// content back (so that the server's refusal fails the open, not the close);
// whatever the file holds once its handle is closed goes to the server as
// the new value: at once when the next call of this client in the process
// reaches the server, else within a moment from a background thread.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "halvet/dirtypes.h"
#include "ldapsource.h"
#include "orrel/handles.h"

namespace orrel::ldapsource {

namespace {

constexpr DWORD kMaxStream = 16u << 20;  // a login script is a few KiB

struct Pending {
    Config config;
    std::string full, attr, path;
};

std::mutex g_pendingLock;
std::vector<Pending> g_pending;
std::condition_variable g_wake;
bool g_watching = false;

std::string TempPath()
{
    char folder[MAX_PATH] = {}, path[MAX_PATH] = {};
    DWORD n = GetTempPathA(sizeof(folder), folder);
    if (n == 0 || n >= sizeof(folder)) return {};
    if (!GetTempFileNameA(folder, "ols", 0, path)) return {};
    return path;
}

bool WriteAll(HANDLE file, const std::string& content)
{
    DWORD done = 0;
    if (!content.empty() &&
        (!WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &done, nullptr) ||
         done != content.size()))
        return false;
    return SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

// The content of a written stream once nobody holds its file; false while
// its handle is still open.
enum class Closed { No, Yes, Unreadable };
Closed ReadClosed(const std::string& path, std::string& content)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError() == ERROR_SHARING_VIOLATION ? Closed::No : Closed::Unreadable;
    DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > kMaxStream) return Closed::Unreadable;
    content.assign(size, '\0');
    DWORD done = 0;
    if (size && (!ReadFile(file.Get(), &content[0], size, &done, nullptr) || done != size)) return Closed::Unreadable;
    return Closed::Yes;
}

// Sends every closed stream; keeps those still open and those the server
// could not be reached for.
void SendClosed()
{
    std::lock_guard<std::mutex> guard(g_pendingLock);
    for (size_t i = 0; i < g_pending.size();) {
        const Pending& p = g_pending[i];
        std::string content;
        Closed closed = ReadClosed(p.path, content);
        if (closed == Closed::No) {
            ++i;
            continue;
        }
        if (closed == Closed::Yes && WriteStream(p.config, p.full, p.attr, content) == HALVET_ERR_TRANSPORT_FAILURE) {
            ++i;
            continue;
        }
        DeleteFileA(p.path.c_str());
        g_pending.erase(g_pending.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void Watch()
{
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(g_pendingLock);
            g_wake.wait(lock, [] { return !g_pending.empty(); });
        }
        SendClosed();
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

void StartWatching()
{
    // Called with g_pendingLock held. The thread lives as long as the
    // process, so the module stays loaded.
    if (g_watching) return;
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                            reinterpret_cast<LPCSTR>(&StartWatching), &self))
        return;  // the streams still go at the next call
    try {
        std::thread(Watch).detach();
        g_watching = true;
    } catch (...) {
    }
}

}  // namespace

void SendClosedStreams()
{
    bool any;
    {
        std::lock_guard<std::mutex> guard(g_pendingLock);
        any = !g_pending.empty();
    }
    if (any) SendClosed();
}

int32_t OpenStreamFile(const Config& config, const std::string& full, const std::string& attr, bool write,
                       void*& handle)
{
    handle = nullptr;
    SendClosedStreams();
    std::string content;
    int32_t rc = ReadStream(config, full, attr, content);
    if (rc != HALVET_OK) return rc;
    if (write) {
        rc = WriteStream(config, full, attr, content);
        if (rc != HALVET_OK) return rc;
    }
    std::string path = TempPath();
    if (path.empty()) return HALVET_ERR_FATAL;
    DWORD flags = FILE_ATTRIBUTE_TEMPORARY | (write ? 0 : FILE_FLAG_DELETE_ON_CLOSE);
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS, flags,
                                nullptr));
    if (!file || !WriteAll(file.Get(), content)) {
        if (file) file.Reset();
        DeleteFileA(path.c_str());
        return HALVET_ERR_FATAL;
    }
    if (write) {
        std::lock_guard<std::mutex> guard(g_pendingLock);
        g_pending.push_back(Pending{config, full, attr, path});
        StartWatching();
        g_wake.notify_one();
    }
    handle = file.Detach();
    return HALVET_OK;
}

}  // namespace orrel::ldapsource
