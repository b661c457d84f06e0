// Helpers of the User page tests: a private copy of the sample directory,
// a handler made through the DLL's class object, a modeless property sheet
// holding its pages, steps run inside modal loops, and screenshots.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "orrel/com.h"

namespace usertest {

extern const CLSID kUserPagesClsid;
std::string BinPath(const char* file);

// The sample directory (with its login scripts) copied into a new folder;
// ORREL_DIRECTORY_IMAGE names the copy and the first identity is selected
// while the object lives. patch may change the image before it is written.
class SampleImage {
public:
    explicit SampleImage(const std::function<void(nlohmann::json&)>& patch = nullptr);
    ~SampleImage();
    SampleImage(const SampleImage&) = delete;
    SampleImage& operator=(const SampleImage&) = delete;

    // The stored values of an attribute (null when missing).
    nlohmann::json Values(const char* object, const char* attribute) const;
    // The file of a stream value, and its bytes ("" when missing).
    std::string StreamBytes(const char* object, const char* attribute) const;
    std::string StreamsFolder() const { return folder_ + "\\user-pages.streams"; }

    // The attributes of an object inside a parsed image (for patches).
    static nlohmann::json& Attributes(nlohmann::json& image, const char* object);
    static void UseSecondIdentity(bool second);

private:
    std::string folder_;
    std::string path_;
};

// The page handler of OrrelUserPages.dll (loaded once per process),
// initialised with a data object carrying the given objects of ORREL_TREE.
orrel::ComPtr<IShellExtInit> MakeHandler(const std::vector<std::string>& objects,
                                         HRESULT* initResult = nullptr);
HRESULT GetUserPagesClassObject(REFCLSID clsid, REFIID riid, void** ppv);
// OrrelUserPages.dll as this process loaded it (once, never freed).
HMODULE UserPagesModule();

// A modeless property sheet with the pages a handler adds.
class Sheet {
public:
    explicit Sheet(IShellExtInit* handler, const char* caption = "User Properties");
    ~Sheet();
    Sheet(const Sheet&) = delete;
    Sheet& operator=(const Sheet&) = delete;

    HRESULT AddPagesResult() const { return addPages_; }
    HWND Handle() const { return hwnd_; }
    int PageCount() const;
    std::string Caption(int index) const;
    // Makes the page current (creating it) and returns its window.
    HWND Page(int index);
    int CurrentIndex() const;
    // PSM_APPLY: true when every page applied.
    bool Apply();
    bool ApplyEnabled() const;  // the sheet's "Apply" button

private:
    HWND hwnd_ = nullptr;
    HRESULT addPages_ = E_FAIL;
    std::vector<HPROPSHEETPAGE> pages_;
};

void Pump(DWORD milliseconds = 0);
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Steps run from a thread timer, so that they also run inside modal loops
// (message boxes, the list editor). Each step is retried at every tick
// until it returns true.
class ModalScript {
public:
    explicit ModalScript(std::vector<std::function<bool()>> steps);
    ~ModalScript();
    bool Done() const { return steps_.empty(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    std::deque<std::function<bool()>> steps_;
    UINT_PTR timer_ = 0;
    bool busy_ = false;
};

// A visible dialog (#32770) of this process with this title, or null.
HWND FindDialog(const char* title);
// The texts of a dialog's static controls, joined by "|".
std::string StaticTexts(HWND dialog);
// Sends BN_CLICKED of a control to its dialog (opens modal loops inline).
void Click(HWND dialog, int id);
std::string ItemText(HWND dialog, int id);
std::vector<std::string> ComboTexts(HWND combo);
bool IsReadOnly(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);

// The window as it is on the screen, written as a PNG file; distinct
// colours counted into *colours.
bool SaveScreenshot(HWND window, const std::string& path, std::size_t* colours);
// The pixels of a window's client area as the window paints it into a
// memory bitmap (WM_PRINTCLIENT); 0x00BBGGRR values, row by row.
std::vector<COLORREF> PrintClient(HWND window, int* width, int* height);

}  // namespace usertest
