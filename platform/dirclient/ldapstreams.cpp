// Streams (login scripts) of the trees an LDAP server serves: the content of
// the binary attribute handed out as a file handle, as the image's streams
// are.
//
// A stream opened for reading is a temporary file deleted when its handle is
// closed. One opened for writing is checked first by writing its current
// content back (so that the server's refusal fails the open, not the close),
// then handed out as a file of the user's stream outbox, beside a record
// naming the server, the identity, the object and the attribute. Whatever
// the file holds once nobody has it open goes to the server as the new
// value: within a moment from a background thread of the writing process,
// else (the process ended first) from the first call of any process of the
// user that reaches the same server as the same identity. Every call that
// reaches a server sends what is waiting for it first, so that a process
// reads what was written. Entries go in the order they were opened; one that
// the server refuses moves to the outbox's "Refused" folder, kept, never
// dropped.
#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "halvet/dirtypes.h"
#include "ldapsource.h"
#include "names.h"
#include "orrel/handles.h"

namespace orrel::ldapsource {

namespace {

constexpr DWORD kMaxStream = 16u << 20;  // a login script is a few KiB
constexpr DWORD kMaxRecord = 64u << 10;
const char kRecordMagic[] = "orrel-stream-outbox 1";
const char kDataSuffix[] = ".dat";
const char kRecordSuffix[] = ".rec";

// ---------------------------------------------------------------------------
// The outbox and its entries.

// The user's outbox ("" when it cannot be made).
const std::string& OutboxFolder()
{
    static const std::string folder = [] {
        char path[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path)))
            return std::string();
        std::string orrel = std::string(path) + "\\Orrel";
        CreateDirectoryA(orrel.c_str(), nullptr);
        std::string outbox = orrel + "\\Stream Outbox";
        CreateDirectoryA(outbox.c_str(), nullptr);
        CreateDirectoryA((outbox + "\\Refused").c_str(), nullptr);
        DWORD attributes = GetFileAttributesA(outbox.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::string();
        return outbox;
    }();
    return folder;
}

struct Record {
    std::string key, full, attr;
};

std::string Hex(const std::string& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

bool Unhex(const std::string& text, std::string& out)
{
    if (text.size() % 2) return false;
    out.clear();
    auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = digit(text[i]), lo = digit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

// A record's text: the magic line, then key, full name and attribute in hex.
std::string RecordText(const Record& r)
{
    return std::string(kRecordMagic) + "\n" + Hex(r.key) + "\n" + Hex(r.full) + "\n" + Hex(r.attr) + "\n";
}

bool ParseRecord(const std::string& text, Record& r)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) return false;  // cut short
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines.size() == 4 && lines[0] == kRecordMagic && Unhex(lines[1], r.key) && Unhex(lines[2], r.full) &&
           Unhex(lines[3], r.attr) && !r.key.empty() && !r.full.empty() && !r.attr.empty();
}

// Reads a whole file of at most limit bytes through an open handle.
bool ReadAll(HANDLE file, DWORD limit, std::string& content)
{
    DWORD high = 0, size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE || high || size > limit) return false;
    content.assign(size, '\0');
    DWORD done = 0;
    return !size || (ReadFile(file, &content[0], size, &done, nullptr) && done == size);
}

bool WriteAll(HANDLE file, const std::string& content)
{
    DWORD done = 0;
    return content.empty() ||
           (WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &done, nullptr) &&
            done == content.size());
}

// A new entry's name: the time it was opened, then the process and a
// counter, so that names sort in the order entries were opened.
std::string NewEntryName()
{
    static std::atomic<uint64_t> last{0};
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t stamp = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    uint64_t previous = last.load();
    while (!last.compare_exchange_weak(previous, std::max(stamp, previous + 1))) {
    }
    stamp = std::max(stamp, previous + 1);
    char name[64];
    wsprintfA(name, "%08lX%08lX-%08lX", static_cast<unsigned long>(stamp >> 32),
              static_cast<unsigned long>(stamp & 0xffffffffu), static_cast<unsigned long>(GetCurrentProcessId()));
    return name;
}

// Entries waiting in the outbox, oldest first (names without suffix).
std::vector<std::string> WaitingEntries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*" + kRecordSuffix).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = data.cFileName;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.size() > sizeof(kRecordSuffix) - 1)
            names.push_back(name.substr(0, name.size() - (sizeof(kRecordSuffix) - 1)));
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// A counter shared by the processes of the user, raised whenever an entry
// is made: a process looks into the outbox only when it changed or when its
// last look left entries there.
class Generation {
public:
    Generation()
    {
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG),
                                      "Local\\OrrelStreamOutboxGeneration");
        if (mapping_) counter_ = static_cast<volatile LONG*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0));
    }
    ~Generation()
    {
        if (counter_) UnmapViewOfFile(const_cast<LONG*>(counter_));
        if (mapping_) CloseHandle(mapping_);
    }
    // Without the shared counter every call looks (-1 never matches).
    LONG Current() const { return counter_ ? InterlockedCompareExchange(counter_, 0, 0) : -1; }
    void Raise()
    {
        if (counter_) InterlockedIncrement(counter_);
    }

private:
    HANDLE mapping_ = nullptr;
    volatile LONG* counter_ = nullptr;
};

Generation& SharedGeneration()
{
    static Generation generation;
    return generation;
}

// What this process last saw of the outbox, per server and identity.
struct Seen {
    LONG generation = -2;
    bool leftEntries = true;
};

std::mutex g_sendLock;  // one sender per process at a time
std::map<std::string, Seen> g_seen;

void Refuse(const std::string& folder, const std::string& name, const Record& r, int32_t rc)
{
    for (const char* suffix : {kDataSuffix, kRecordSuffix}) {
        std::string from = folder + "\\" + name + suffix, to = folder + "\\Refused\\" + name + suffix;
        MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    std::string text = "Orrel directory client: the server refused the stream \"" + r.attr + "\" of ." + r.full +
                       " (error " + std::to_string(rc) + "); its content is kept in " + folder + "\\Refused\\" +
                       name + kDataSuffix + "\n";
    OutputDebugStringA(text.c_str());
}

// Sends the closed entries of one server and identity, oldest first. An
// entry still open keeps the later entries of its object waiting behind it.
void SendWaiting(const Config& config)
{
    const std::string& folder = OutboxFolder();
    if (folder.empty()) return;
    std::string key = ServerKey(config);
    std::lock_guard<std::mutex> guard(g_sendLock);
    Seen& seen = g_seen[key];
    LONG generation = SharedGeneration().Current();
    if (generation != -1 && generation == seen.generation && !seen.leftEntries) return;
    seen.generation = generation;
    seen.leftEntries = false;

    std::set<std::string> held;  // objects with an older entry still waiting
    for (const std::string& name : WaitingEntries(folder)) {
        std::string recordPath = folder + "\\" + name + kRecordSuffix, dataPath = folder + "\\" + name + kDataSuffix;
        Record r;
        {
            FileHandle file(CreateFileA(recordPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            std::string text;
            if (!file || !ReadAll(file.Get(), kMaxRecord, text) || !ParseRecord(text, r)) {
                seen.leftEntries = true;  // being written, or not ours to judge
                continue;
            }
        }
        if (r.key != key) continue;
        std::string object = dirstore::Lower(r.full) + "\n" + dirstore::Lower(r.attr);
        if (held.count(object)) {
            seen.leftEntries = true;
            continue;
        }
        // Opened by nobody else, or not closed yet.
        FileHandle data(CreateFileA(dataPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (!data) {
            if (GetLastError() == ERROR_FILE_NOT_FOUND) {
                DeleteFileA(recordPath.c_str());  // sent by another process a moment ago
            } else {
                held.insert(object);
                seen.leftEntries = true;
            }
            continue;
        }
        std::string content;
        int32_t rc = ReadAll(data.Get(), kMaxStream, content) ? WriteStream(config, r.full, r.attr, content)
                                                              : HALVET_ERR_FATAL;
        data.Reset();
        if (rc == HALVET_ERR_TRANSPORT_FAILURE) {
            seen.leftEntries = true;  // the server cannot be reached: later
            return;
        }
        if (rc == HALVET_OK) {
            DeleteFileA(dataPath.c_str());
            DeleteFileA(recordPath.c_str());
        } else {
            Refuse(folder, name, r, rc);
        }
    }
}

// ---------------------------------------------------------------------------
// The writing process's own entries, sent by a background thread.

struct Pending {
    Config config;
    std::string dataPath;
};

std::mutex g_pendingLock;
std::vector<Pending> g_pending;
std::condition_variable g_wake;
bool g_watching = false;

// Sends this process's entries as they are closed: every 25 ms while they
// go out, backing off to once a second while they cannot (still open, or
// the server unreachable); a new entry brings the pace back.
void Watch()
{
    constexpr std::chrono::milliseconds kFast(25), kSlow(1000);
    std::chrono::milliseconds delay = kFast;
    for (;;) {
        std::vector<Pending> pending;
        {
            std::unique_lock<std::mutex> lock(g_pendingLock);
            g_wake.wait(lock, [] { return !g_pending.empty(); });
            pending = g_pending;
        }
        std::set<std::string> done;
        for (const Pending& p : pending) {
            if (!done.insert(ServerKey(p.config)).second) continue;
            SendWaiting(p.config);
        }
        std::unique_lock<std::mutex> lock(g_pendingLock);
        g_pending.erase(std::remove_if(g_pending.begin(), g_pending.end(),
                                       [](const Pending& p) {
                                           return GetFileAttributesA(p.dataPath.c_str()) == INVALID_FILE_ATTRIBUTES;
                                       }),
                        g_pending.end());
        const size_t left = g_pending.size();
        delay = left < pending.size() ? kFast : std::min(delay * 2, kSlow);
        if (g_wake.wait_for(lock, delay, [&] { return g_pending.size() > left; })) delay = kFast;
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
        return;  // the entries still go at the next call
    try {
        std::thread(Watch).detach();
        g_watching = true;
    } catch (...) {
    }
}

std::string TempPath()
{
    char folder[MAX_PATH] = {}, path[MAX_PATH] = {};
    DWORD n = GetTempPathA(sizeof(folder), folder);
    if (n == 0 || n >= sizeof(folder)) return {};
    if (!GetTempFileNameA(folder, "ols", 0, path)) return {};
    return path;
}

// A stream opened for reading: a temporary copy, gone with its handle.
int32_t OpenForReading(const std::string& content, void*& handle)
{
    std::string path = TempPath();
    if (path.empty()) return HALVET_ERR_FATAL;
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file) {
        DeleteFileA(path.c_str());
        return HALVET_ERR_FATAL;
    }
    if (!WriteAll(file.Get(), content) || SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return HALVET_ERR_FATAL;  // deleted as the handle closes
    handle = file.Detach();
    return HALVET_OK;
}

// A stream opened for writing: an outbox entry, its record written (and
// flushed) before the handle is handed out.
int32_t OpenForWriting(const Config& config, const std::string& full, const std::string& attr,
                       const std::string& content, void*& handle)
{
    const std::string& folder = OutboxFolder();
    if (folder.empty()) return HALVET_ERR_FATAL;
    std::string name = NewEntryName();
    std::string dataPath = folder + "\\" + name + kDataSuffix, recordPath = folder + "\\" + name + kRecordSuffix;
    FileHandle data(CreateFileA(dataPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!data) return HALVET_ERR_FATAL;
    bool made = WriteAll(data.Get(), content) && FlushFileBuffers(data.Get()) &&
                SetFilePointer(data.Get(), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
    if (made) {
        FileHandle record(CreateFileA(recordPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
        made = record && WriteAll(record.Get(), RecordText(Record{ServerKey(config), full, attr})) &&
               FlushFileBuffers(record.Get());
        if (!made && record) {
            record.Reset();
            DeleteFileA(recordPath.c_str());
        }
    }
    if (!made) {
        data.Reset();
        DeleteFileA(dataPath.c_str());
        return HALVET_ERR_FATAL;
    }
    SharedGeneration().Raise();
    {
        std::lock_guard<std::mutex> guard(g_pendingLock);
        g_pending.push_back(Pending{config, dataPath});
        StartWatching();
        g_wake.notify_one();
    }
    handle = data.Detach();
    return HALVET_OK;
}

}  // namespace

void SendClosedStreams(const Config& config)
{
    SendWaiting(config);
}

int32_t OpenStreamFile(const Config& config, const std::string& full, const std::string& attr, bool write,
                       void*& handle)
{
    handle = nullptr;
    SendWaiting(config);
    std::string content;
    int32_t rc = ReadStream(config, full, attr, content);
    if (rc != HALVET_OK) return rc;
    if (!write) return OpenForReading(content, handle);
    rc = WriteStream(config, full, attr, content);
    if (rc != HALVET_OK) return rc;
    return OpenForWriting(config, full, attr, content, handle);
}

}  // namespace orrel::ldapsource
