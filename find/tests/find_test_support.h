// Helpers of the search tests: a private HKEY_CURRENT_USER and directory
// image per test, OrrelFind.dll loaded as the namespace loads it, the
// search window opened through its menu command and driven from the test's
// thread by control id, message boxes and dialogs of the window's thread
// found and answered, and screenshots.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "orrel/com.h"
#include "orrel/core/orrelrefresh.h"

namespace findtest {

std::string BinPath(const char* file);
// The folder of the tests' screenshots (<build>/find-screens), created.
std::string ScreenFolder();
// Writes the window as the screen shows it (a BMP); false with a message.
bool SaveScreenshot(HWND window, const std::string& path, std::string* error);

// HKEY_CURRENT_USER of this process redirected to a new empty key for the
// life of the object, holding the namespace's registered classes (User,
// Volume, Printer, Queue and Group); ORREL_DIRECTORY_IMAGE names the
// search tests' directory (the sample with the objects of
// make_find_image.py).
class PrivateUser {
public:
    PrivateUser();
    ~PrivateUser();
    PrivateUser(const PrivateUser&) = delete;
    PrivateUser& operator=(const PrivateUser&) = delete;

private:
    std::string path_;
    HKEY key_ = nullptr;
};

// Registry reads of the (redirected) current user.
std::string RegString(const std::string& path, const char* name, bool* found = nullptr);
DWORD RegDword(const std::string& path, const char* name, DWORD missing = 0xDEADBEEF);
std::vector<unsigned char> RegBinary(const std::string& path, const char* name);
bool RegKeyExists(const std::string& path);
std::vector<std::string> RegSubkeys(const std::string& path);

// OrrelFind.dll, loaded once for the process.
HMODULE FindModule();
HRESULT FindClassObject(REFCLSID clsid, REFIID riid, void** ppv);

// The namespace's refresh interface as the search calls it: counts the
// calls and remembers the thread of the last one.
class RecordingHost final : public IOrrelRefresh {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }
    STDMETHODIMP Refresh() override;
    LONG Calls() const { return calls_; }
    DWORD LastThread() const { return thread_; }
    LONG References() const { return refs_; }

private:
    volatile LONG refs_ = 1;
    volatile LONG calls_ = 0;
    volatile DWORD thread_ = 0;
};

// Waits (pumping this thread's messages) until done() holds.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);
// A visible top-level dialog of this process with this title, within the
// time; null when none came.
HWND WaitForDialog(const char* title, DWORD timeoutMs = 10000);
// The static texts of a dialog, joined by "|".
std::string StaticTexts(HWND dialog);
// Clicks a button of a dialog of another thread without waiting for what
// the click opens (posted).
void PostClick(HWND dialog, int id);
std::string ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const char* text);
// The texts of a combo box's entries.
std::vector<std::string> ComboEntries(HWND combo);
// A list view's rows (each row's columns) and its column headers.
std::vector<std::vector<std::string>> ListRows(HWND list);
std::vector<std::string> ListColumns(HWND list);
// Waits for a message box with this caption, returns its text and closes
// it with its button id.
std::string AnswerMessageBox(const char* caption, int button = IDOK, DWORD timeoutMs = 15000);

// The search window "Search For Objects", opened through the extension's
// menu command on a thread of its own; closed (and its thread ended) when
// the object goes.
class SearchWindowUnderTest {
public:
    // With answerNoServer, the first-use question is answered No.
    explicit SearchWindowUnderTest(IOrrelRefresh* host = nullptr, bool answerNoServer = true);
    ~SearchWindowUnderTest();
    SearchWindowUnderTest(const SearchWindowUnderTest&) = delete;
    SearchWindowUnderTest& operator=(const SearchWindowUnderTest&) = delete;

    HWND Handle() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    // Types a server into the box (no selection change).
    void TypeServer(const char* server);
    void SelectClass(const char* className);
    void AddCriterion(const char* field, const char* value);
    // Clicks Search and waits for the end-of-search update.
    bool Search(DWORD timeoutMs = 30000);
    bool Idle() const;
    std::string Status() const;
    std::vector<std::vector<std::string>> Results() const;
    // Close (button 2); waits until the window is gone.
    bool Close();
    bool WaitClosed(DWORD timeoutMs = 10000);

private:
    HWND hwnd_ = nullptr;
    orrel::ComPtr<IContextMenu> menu_;
};

}  // namespace findtest
