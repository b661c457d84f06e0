// Under Xvfb no window manager runs. Wine's X11 driver then waits two
// seconds for one each time a managed (activated or captioned) top-level
// window is hidden, which every dialog, message box and sheet of these tests
// is: the suite would spend half a minute waiting. Wine's per-application
// settings can leave this executable's windows unmanaged, but the driver
// reads them once, before any code of ours runs. So, under Wine only, when
// the setting is not there yet it is written and the executable runs itself
// again, once, with the same command line and standard handles, and ends
// with the exit code of that run. Windows, and Wine once the setting exists,
// go straight on.
#include <windows.h>

namespace {

constexpr char kAgain[] = "ORREL_UI_TESTS_RERUN";

bool UnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// True when the setting had to be written now.
bool WriteUnmanagedSetting()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    char key[MAX_PATH + 64];
    wsprintfA(key, "Software\\Wine\\AppDefaults\\%s\\X11 Driver", name);
    HKEY hkey = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &hkey, nullptr) != ERROR_SUCCESS)
        return false;
    char value[8] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    bool present = RegQueryValueExA(hkey, "Managed", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
                       ERROR_SUCCESS &&
                   type == REG_SZ && (value[0] == 'N' || value[0] == 'n');
    bool written = !present &&
                   RegSetValueExA(hkey, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2) == ERROR_SUCCESS;
    RegCloseKey(hkey);
    return written;
}

struct UnmanagedWindowsUnderWine {
    UnmanagedWindowsUnderWine()
    {
        if (!UnderWine() || GetEnvironmentVariableA(kAgain, nullptr, 0) != 0) return;
        if (!WriteUnmanagedSetting()) return;
        SetEnvironmentVariableA(kAgain, "1");
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return;
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION process;
        ZeroMemory(&process, sizeof process);
        if (!CreateProcessA(path, GetCommandLineA(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
            return;  // run here, only slower
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ExitProcess(code);
    }
};

const UnmanagedWindowsUnderWine g_unmanaged;

}  // namespace
