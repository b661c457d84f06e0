// Helpers of the namespace tests: the test directory image, the stored
// configuration written as another program would, identifier entries built
// byte by byte (independently of the code under test), a recorder of the
// shell's change notifications and a catcher of message boxes.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <string>
#include <vector>

namespace nstest {

using Bytes = std::vector<std::uint8_t>;

constexpr char kNamespaceKey[] = "Software\\Halvet\\Orrel Namespace";
constexpr char kFoldersKey[] = "Software\\Halvet\\Orrel Namespace\\Folders";
constexpr char kClassesKey[] = "Software\\Halvet\\Orrel Namespace\\Classes";
constexpr char kTree[] = "TESTTREE";

// {76AAD000-C21A-11D1-8115-00C04FB67EB7} in GUID memory layout.
extern const std::uint8_t kClsidBytes[16];

// Folder of the running test executable (the build's bin folder), with a
// trailing backslash.
std::string BinDir();

// Points the directory libraries at a private copy of the test image (once
// per process, before any of them loads). False when it cannot be copied.
bool UseTestImage();

// ---------------------------------------------------------------------------
// The stored configuration

// "Admin.Org" as label-counted bytes (5 A d m i n 3 O r g); "a\b" likewise.
std::string Labels(const std::string& text);

struct StoredItem {
    std::string key;  // below "Folders"
    std::uint32_t flags = 0;
    std::string displayName;
    std::string className;  // empty: the value is not written
    std::string path;       // label-counted bytes
    std::string tree;
    std::string server;
};

// The item's values, as REG_BINARY texts and a REG_DWORD.
void WriteItem(const StoredItem& item);
StoredItem StoredTree(const std::string& keyPrefix = std::string());
StoredItem StoredFolder(const std::string& keyPath);  // "Projects\\Sub"
StoredItem StoredShortcut(const std::string& folderKey, const std::string& dotted,
                        const std::string& className, std::uint32_t flags);

// The handler classes the tests need: User, Organization, Organizational
// Unit, Tree Root and Unknown (Printer has none).
void WriteClassHandlers();

bool KeyExists(const std::string& pathBelowHkcu);
std::string ReadText(const std::string& pathBelowHkcu, const char* value);
std::vector<std::string> Subkeys(const std::string& pathBelowHkcu);
void DeleteTree(const std::string& pathBelowHkcu);

// ---------------------------------------------------------------------------
// Identifier lists

// One entry of ours (cb, 0x1F, 0x00, class identifier, record), no terminator.
Bytes Entry(std::uint32_t flags, const std::string& displayName, const std::string& className,
            const std::string& path, const std::string& tree, const std::string& server = "");
// A list's bytes without its terminator; empty for null.
Bytes ListBytes(LPCITEMIDLIST list);
std::string Hex(const Bytes& bytes);

// A list owned by the task allocator.
class Pidl {
public:
    Pidl() = default;
    explicit Pidl(LPITEMIDLIST list) : list_(list) {}
    Pidl(const Pidl&) = delete;
    Pidl& operator=(const Pidl&) = delete;
    Pidl(Pidl&& other) noexcept : list_(other.list_) { other.list_ = nullptr; }
    Pidl& operator=(Pidl&& other) noexcept
    {
        std::swap(list_, other.list_);
        return *this;
    }
    ~Pidl() { CoTaskMemFree(list_); }
    LPITEMIDLIST Get() const { return list_; }
    LPITEMIDLIST* Put()
    {
        CoTaskMemFree(list_);
        list_ = nullptr;
        return &list_;
    }
    static Pidl FromBytes(const Bytes& entries);  // adds the terminator

private:
    LPITEMIDLIST list_ = nullptr;
};

// ---------------------------------------------------------------------------
// Change notifications

struct Change {
    LONG event;
    Bytes first;
    Bytes second;
};

// Registers a window for every event below a list (recursively) and keeps
// what arrives. Wine delivers synchronously to windows of the same process.
class ChangeRecorder {
public:
    explicit ChangeRecorder(LPCITEMIDLIST watched);
    ~ChangeRecorder();
    ChangeRecorder(const ChangeRecorder&) = delete;
    ChangeRecorder& operator=(const ChangeRecorder&) = delete;

    bool Registered() const { return id_ != 0; }
    // Lets posted deliveries arrive, then returns what was recorded.
    const std::vector<Change>& Changes();
    void Clear() { changes_.clear(); }
    // "event: entries" lines, for failure messages.
    std::string Describe();

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    HWND window_ = nullptr;
    ULONG id_ = 0;
    std::vector<Change> changes_;
};

// ---------------------------------------------------------------------------
// Message boxes

// While armed, closes every message box the thread shows and keeps its
// texts and owner.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    int Count() const;
    std::string Text() const;     // of the last box
    std::string Caption() const;
    HWND Owner() const;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR timer_ = 0;
};

// A plain top-level window owned by the test (message box owner).
class TestWindow {
public:
    TestWindow();
    ~TestWindow();
    HWND Get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

}  // namespace nstest
