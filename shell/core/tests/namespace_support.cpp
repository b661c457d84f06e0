#include "namespace_support.h"

#include <cstdio>
#include <cstring>

namespace nstest {

const std::uint8_t kClsidBytes[16] = {0x00, 0xD0, 0xAA, 0x76, 0x1A, 0xC2, 0xD1, 0x11,
                                      0x81, 0x15, 0x00, 0xC0, 0x4F, 0xB6, 0x7E, 0xB7};

std::string BinDir()
{
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path);
    std::size_t slash = dir.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

bool UseTestImage()
{
    static int state = 0;  // 0 not tried, 1 ready, 2 failed
    if (state) return state == 1;
    std::string source = std::string("Z:") + ORREL_SOURCE_DIR + "/shell/core/tests/data/namespace-directory.json";
    for (char& c : source)
        if (c == '/') c = '\\';
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    char target[MAX_PATH * 2];
    std::snprintf(target, sizeof target, "%snamespace-directory-%lu.json", temp,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    if (!CopyFileA(source.c_str(), target, FALSE)) {
        state = 2;
        return false;
    }
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", target);
    state = 1;
    return true;
}

// ---------------------------------------------------------------------------

std::string Labels(const std::string& text)
{
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(".\\", start);
        if (end == std::string::npos) end = text.size();
        std::string label = text.substr(start, end - start);
        if (!label.empty()) {
            out += static_cast<char>(label.size());
            out += label;
        }
        start = end + 1;
    }
    return out;
}

namespace {

void SetText(HKEY key, const char* name, const std::string& text)
{
    RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

void CreateKey(HKEY root, const std::string& path, const char* defaultValue = nullptr)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (defaultValue)
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(defaultValue),
                       static_cast<DWORD>(std::strlen(defaultValue) + 1));
    RegCloseKey(key);
}

}  // namespace

void WriteItem(const StoredItem& item)
{
    HKEY key = nullptr;
    std::string path = std::string(kFoldersKey) + "\\" + item.key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    SetText(key, "DN", item.path);
    DWORD flags = item.flags;
    RegSetValueExA(key, "Flags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags), sizeof flags);
    SetText(key, "DisplayName", item.displayName);
    SetText(key, "Tree", item.tree);
    SetText(key, "Server", item.server);
    if (!item.className.empty()) SetText(key, "Class", item.className);
    RegCloseKey(key);
}

StoredItem StoredTree(const std::string& keyPrefix)
{
    StoredItem item;
    item.key = keyPrefix + kTree + "-" + kTree;
    item.flags = 0x301;
    item.displayName = kTree;
    item.className = "Tree Root";
    item.tree = kTree;
    item.server = "TEST-FS1";
    return item;
}

StoredItem StoredFolder(const std::string& keyPath)
{
    StoredItem item;
    item.key = keyPath;
    item.flags = 0x81;
    std::size_t slash = keyPath.find_last_of('\\');
    item.displayName = slash == std::string::npos ? keyPath : keyPath.substr(slash + 1);
    item.className = "Ombra::Folder";
    item.path = Labels(keyPath);
    return item;
}

StoredItem StoredShortcut(const std::string& folderKey, const std::string& dotted,
                        const std::string& className, std::uint32_t flags)
{
    StoredItem item;
    item.key = (folderKey.empty() ? std::string() : folderKey + "\\") + kTree + "-" + dotted;
    item.flags = flags;
    item.displayName = dotted.substr(0, dotted.find('.'));
    item.className = className;
    item.path = Labels(dotted);
    item.tree = kTree;
    return item;
}

void WriteClassHandlers()
{
    // A handler of each kind the tests look at; the identifiers need no server.
    const std::string classes = kClassesKey;
    const char* names[] = {"User", "Organization", "Organizational Unit", "Tree Root", "Unknown"};
    for (const char* name : names)
        CreateKey(HKEY_CURRENT_USER,
                  classes + "\\" + name + "\\IconHandler\\{0FEC1000-2900-11D3-8685-00A0C9D59E71}",
                  "Default Icon Handler");
}

bool KeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string ReadText(const std::string& path, const char* value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char data[2048] = {};
    DWORD size = sizeof data - 1, type = 0;
    LONG rc = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return "<no value>";
    return std::string(data, size && data[size - 1] == '\0' ? size - 1 : size);
}

std::vector<std::string> Subkeys(const std::string& path)
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    RegCloseKey(key);
    return names;
}

void DeleteTree(const std::string& path)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

// ---------------------------------------------------------------------------

namespace {

void PutCounted(Bytes& out, const std::string& text)
{
    const std::size_t count = text.empty() ? 0 : text.size() + 1;
    out.push_back(static_cast<std::uint8_t>(count & 0xFF));
    out.push_back(static_cast<std::uint8_t>(count >> 8));
    out.insert(out.end(), text.begin(), text.end());
    if (!text.empty()) out.push_back(0);
}

}  // namespace

Bytes Entry(std::uint32_t flags, const std::string& displayName, const std::string& className,
            const std::string& path, const std::string& tree, const std::string& server)
{
    Bytes record;
    PutCounted(record, path);
    PutCounted(record, tree);
    PutCounted(record, className);
    PutCounted(record, displayName);
    for (int shift = 0; shift < 32; shift += 8)
        record.push_back(static_cast<std::uint8_t>(flags >> shift));
    PutCounted(record, server);

    const std::size_t cb = 20 + record.size();
    Bytes entry;
    entry.reserve(cb);
    entry.push_back(static_cast<std::uint8_t>(cb & 0xFF));
    entry.push_back(static_cast<std::uint8_t>(cb >> 8));
    entry.push_back(0x1F);
    entry.push_back(0x00);
    for (std::uint8_t b : kClsidBytes) entry.push_back(b);
    for (std::uint8_t b : record) entry.push_back(b);
    return entry;
}

Bytes ListBytes(LPCITEMIDLIST list)
{
    Bytes bytes;
    if (!list) return bytes;
    const auto* p = reinterpret_cast<const std::uint8_t*>(list);
    std::size_t pos = 0;
    for (;;) {
        const std::size_t cb = p[pos] | (p[pos + 1] << 8);
        if (cb == 0 || pos > 0x10000) break;
        pos += cb;
    }
    bytes.assign(p, p + pos);
    return bytes;
}

std::string Hex(const Bytes& bytes)
{
    std::string out;
    char two[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02X", b);
        out += two;
    }
    return out;
}

Pidl Pidl::FromBytes(const Bytes& entries)
{
    auto* list = static_cast<std::uint8_t*>(CoTaskMemAlloc(entries.size() + 2));
    if (!list) return Pidl();
    if (!entries.empty()) std::memcpy(list, entries.data(), entries.size());
    list[entries.size()] = 0;
    list[entries.size() + 1] = 0;
    return Pidl(reinterpret_cast<LPITEMIDLIST>(list));
}

// ---------------------------------------------------------------------------

namespace {
constexpr UINT kChangeMessage = WM_APP + 41;
const char kRecorderClass[] = "NamespaceTestChangeRecorder";
}  // namespace

ChangeRecorder::ChangeRecorder(LPCITEMIDLIST watched)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &ChangeRecorder::WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kRecorderClass;
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, kRecorderClass, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              wc.hInstance, nullptr);
    if (!window_) return;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SHChangeNotifyEntry entry = {watched, TRUE};
    id_ = SHChangeNotifyRegister(window_,
                                 SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery,
                                 SHCNE_ALLEVENTS, kChangeMessage, 1, &entry);
}

ChangeRecorder::~ChangeRecorder()
{
    if (id_) SHChangeNotifyDeregister(id_);
    if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK ChangeRecorder::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kChangeMessage) {
        auto* self = reinterpret_cast<ChangeRecorder*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        PIDLIST_ABSOLUTE* lists = nullptr;
        LONG event = 0;
        HANDLE lock = SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wParam),
                                                static_cast<DWORD>(lParam), &lists, &event);
        if (lock && self) {
            self->changes_.push_back({event, ListBytes(lists ? lists[0] : nullptr),
                                      ListBytes(lists ? lists[1] : nullptr)});
            SHChangeNotification_Unlock(lock);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

const std::vector<Change>& ChangeRecorder::Changes()
{
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    return changes_;
}

std::string ChangeRecorder::Describe()
{
    std::string out;
    char line[32];
    for (const Change& c : Changes()) {
        std::snprintf(line, sizeof line, "\n  0x%lx: ", static_cast<unsigned long>(c.event));
        out += line + Hex(c.first);
        if (!c.second.empty()) out += " -> " + Hex(c.second);
    }
    return out.empty() ? "\n  (none)" : out;
}

// ---------------------------------------------------------------------------

namespace {

struct CaughtBox {
    int count = 0;
    std::string text;
    std::string caption;
    HWND owner = nullptr;
    HWND last = nullptr;  // the box already being closed
};
CaughtBox g_caught;

BOOL CALLBACK FindStaticText(HWND child, LPARAM param)
{
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) {
        char text[1024] = {};
        GetWindowTextA(child, text, sizeof text);
        auto* best = reinterpret_cast<std::string*>(param);
        if (std::strlen(text) > best->size()) *best = text;
    }
    return TRUE;
}

BOOL CALLBACK CloseBox(HWND hwnd, LPARAM)
{
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    if (hwnd == g_caught.last) return TRUE;
    g_caught.last = hwnd;
    ++g_caught.count;
    g_caught.text.clear();
    EnumChildWindows(hwnd, &FindStaticText, reinterpret_cast<LPARAM>(&g_caught.text));
    char caption[256] = {};
    GetWindowTextA(hwnd, caption, sizeof caption);
    g_caught.caption = caption;
    g_caught.owner = GetWindow(hwnd, GW_OWNER);
    PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher()
{
    g_caught = CaughtBox();
    timer_ = SetTimer(nullptr, 0, 30, &MessageBoxCatcher::OnTimer);
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    if (timer_) KillTimer(nullptr, timer_);
}

void CALLBACK MessageBoxCatcher::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), &CloseBox, 0);
}

int MessageBoxCatcher::Count() const { return g_caught.count; }
std::string MessageBoxCatcher::Text() const { return g_caught.text; }
std::string MessageBoxCatcher::Caption() const { return g_caught.caption; }
HWND MessageBoxCatcher::Owner() const { return g_caught.owner; }

TestWindow::TestWindow()
{
    hwnd_ = CreateWindowExA(0, "STATIC", "namespace test owner", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                            100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

TestWindow::~TestWindow()
{
    if (hwnd_) DestroyWindow(hwnd_);
}

}  // namespace nstest
