// Benchmark of opening a large directory container in the container view:
// one measurement per run, printed as one line of figures.
//
//   view_benchmark list <tree> [container]   bind the container's folder and
//                                            list it (EnumObjects), then walk
//                                            every identifier
//   view_benchmark view <tree> [container]   open the container in Wine's
//                                            ExplorerBrowser (bind, list, fill,
//                                            icons, sort) and count the items
//   view_benchmark cold <tree> [container]   the first open of a fresh
//                                            process: finding the container in
//                                            the namespace and opening it, with
//                                            the directory image loaded on the way
//
// list and view start with the directory image already loaded (through
// HalvetConnClient, whose image every client library of the process shares),
// so that they time the namespace and the view, not the image file.
//
// The directory image is the one ORREL_DIRECTORY_IMAGE names (see
// bench_view.sh, which makes it with platform/tools/make_large_tree.py). Each
// run registers OrrelShell.dll and OrrelIcons.dll from its own folder and
// replaces the stored configuration by one with the tree at the top (so
// bench_view.sh runs it in a Wine prefix of its own); a fresh process
// measures a cold model.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using Entry = HRESULT(STDAPICALLTYPE*)();

std::string BinDir()
{
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

bool Register(const char* dll)
{
    HMODULE module = LoadLibraryA((BinDir() + dll).c_str());
    auto entry = module ? reinterpret_cast<Entry>(reinterpret_cast<void*>(
                              GetProcAddress(module, "DllRegisterServer")))
                        : nullptr;
    return entry && SUCCEEDED(entry());
}

void SetText(const std::string& path, const char* name, const std::string& text, DWORD type)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

void Configure(const std::string& tree)
{
    const std::string classes = "Software\\Halvet\\Orrel Namespace\\Classes\\";
    for (const char* name : {"User", "Organization", "Tree Root"})
        SetText(classes + name + "\\IconHandler\\{0FEC1000-2900-11D3-8685-00A0C9D59E71}", nullptr,
                "benchmark", REG_SZ);
    const std::string folders = "Software\\Halvet\\Orrel Namespace\\Folders";
    RegDeleteTreeA(HKEY_CURRENT_USER, folders.c_str());
    const std::string key = folders + "\\" + tree + "-" + tree;
    SetText(key, "DN", "", REG_BINARY);
    DWORD flags = 0x301;
    HKEY handle = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr);
    RegSetValueExA(handle, "Flags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags), sizeof flags);
    RegCloseKey(handle);
    SetText(key, "DisplayName", tree, REG_BINARY);
    SetText(key, "Tree", tree, REG_BINARY);
    SetText(key, "Server", "", REG_BINARY);
    SetText(key, "Class", "Tree Root", REG_BINARY);
}

double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string NameOf(IShellFolder* folder, LPCITEMIDLIST child)
{
    STRRET name = {};
    if (FAILED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER, &name)) || name.uType != STRRET_CSTR)
        return std::string();
    return name.cStr;
}

// The relative list of a folder's child, found by name (the caller frees it).
LPITEMIDLIST FindChild(IShellFolder* folder, const std::string& name)
{
    IEnumIDList* items = nullptr;
    if (FAILED(folder->EnumObjects(nullptr, SHCONTF_FOLDERS, &items)) || !items) return nullptr;
    LPITEMIDLIST child = nullptr, found = nullptr;
    while (!found && items->Next(1, &child, nullptr) == S_OK) {
        if (NameOf(folder, child) == name)
            found = child;
        else
            CoTaskMemFree(child);
    }
    items->Release();
    return found;
}

// The absolute list of the folder at the end of the names, and the folder.
LPITEMIDLIST Locate(const std::string names[], int count, IShellFolder** out)
{
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    wchar_t parsing[] = L"::{76AAD000-C21A-11D1-8115-00C04FB67EB7}";
    LPITEMIDLIST absolute = nullptr;
    IShellFolder* folder = nullptr;
    if (desktop && SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, parsing, nullptr, &absolute, nullptr)))
        desktop->BindToObject(absolute, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
    if (desktop) desktop->Release();
    for (int i = 0; i < count && folder; ++i) {
        LPITEMIDLIST child = FindChild(folder, names[i]);
        IShellFolder* next = nullptr;
        if (child) {
            folder->BindToObject(child, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&next));
            LPITEMIDLIST longer = ILCombine(absolute, child);
            CoTaskMemFree(absolute);
            absolute = longer;
            CoTaskMemFree(child);
        }
        folder->Release();
        folder = next;
    }
    if (!folder) {
        CoTaskMemFree(absolute);
        return nullptr;
    }
    *out = folder;
    return absolute;
}

// Loads the directory image into the process, as any earlier directory call
// of the process would have.
void WarmImage()
{
    using Primary = int32_t (*)(std::uint32_t*);
    HMODULE conn = LoadLibraryA((BinDir() + "HalvetConnClient.dll").c_str());
    auto primary = conn ? reinterpret_cast<Primary>(reinterpret_cast<void*>(
                              GetProcAddress(conn, "GetPrimaryConnRef")))
                        : nullptr;
    std::uint32_t ref = 0;
    if (primary) primary(&ref);
}

int MeasureList(IShellFolder* folder)
{
    const double start = Now();
    IEnumIDList* items = nullptr;
    if (FAILED(folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items)) || !items) {
        std::printf("list failed\n");
        return 1;
    }
    const double listed = Now();
    LPITEMIDLIST child = nullptr;
    long count = 0;
    while (items->Next(1, &child, nullptr) == S_OK) {
        CoTaskMemFree(child);
        ++count;
    }
    items->Release();
    std::printf("list objects=%ld listing_ms=%.1f enumeration_ms=%.1f\n", count, listed - start,
                Now() - listed);
    return 0;
}

// Opens the list in a new ExplorerBrowser and times it from clockStart (0:
// from the call that opens it).
int MeasureView(LPCITEMIDLIST absolute, const char* mode, double clockStart)
{
    HWND frame = CreateWindowExA(0, "STATIC", "benchmark", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    IExplorerBrowser* browser = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ExplorerBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IExplorerBrowser, reinterpret_cast<void**>(&browser)))) {
        std::printf("view no ExplorerBrowser\n");
        return 1;
    }
    RECT rect = {0, 0, 780, 560};
    FOLDERSETTINGS settings = {FVM_DETAILS, 0};
    browser->Initialize(frame, &rect, &settings);
    const double start = clockStart > 0 ? clockStart : Now();
    const HRESULT hr = browser->BrowseToIDList(absolute, SBSP_ABSOLUTE);
    const double opened = Now();
    IShellView* view = nullptr;
    HWND window = nullptr, list = nullptr;
    if (SUCCEEDED(browser->GetCurrentView(IID_IShellView, reinterpret_cast<void**>(&view))) && view) {
        view->GetWindow(&window);
        list = FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr);
        view->Release();
    }
    const long items = list ? static_cast<long>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
    std::printf("%s hr=0x%08lx items=%ld open_ms=%.1f\n", mode, static_cast<unsigned long>(hr), items,
                opened - start);
    browser->Destroy();
    browser->Release();
    return SUCCEEDED(hr) && items >= 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc < 3 || (mode != "list" && mode != "view" && mode != "cold")) {
        std::printf("view_benchmark list|view|cold <tree> [container]\n");
        return 2;
    }
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const std::string tree = argv[2];
    const std::string names[2] = {tree, argc > 3 ? argv[3] : ""};
    const int depth = argc > 3 ? 2 : 1;
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Halvet\\Orrel Namespace");
    if (!Register("OrrelShell.dll") || !Register("OrrelIcons.dll")) {
        std::printf("cannot register the DLLs\n");
        return 1;
    }
    Configure(tree);

    if (mode != "cold") WarmImage();
    const double start = Now();
    IShellFolder* folder = nullptr;
    LPITEMIDLIST absolute = Locate(names, depth, &folder);
    if (!absolute) {
        std::printf("%s: the container is not in the namespace\n", argv[1]);
        return 1;
    }
    const int rc = mode == "list"   ? MeasureList(folder)
                   : mode == "view" ? MeasureView(absolute, "view", 0)
                                    : MeasureView(absolute, "cold", start);
    folder->Release();
    CoTaskMemFree(absolute);
    std::fflush(stdout);
    return rc;
}
