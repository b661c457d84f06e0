// Test helpers shared by every page test (pages/common and each page DLL):
// a private copy of the sample directory, a page DLL's handler made through
// its class object and initialised with "Orrel::Object" data, a modeless
// property sheet holding the pages, steps run inside modal loops (list
// editors, message boxes), finding and driving controls, and screenshots.
//
//   pagetest::SampleImage image;                      // a copy of the sample
//   pagetest::PageDll dll("OrrelGroupPages.dll", kClsid);
//   auto handler = dll.MakeHandler("Group", {"Staff.Sales.Corp"});
//   pagetest::Sheet sheet(handler.Get(), "Group Properties");
//   HWND page = sheet.Page(0);
//   pagetest::EditList(page, 1004, "Edit: Other Names", {"Crew"});
//   ASSERT_TRUE(sheet.Apply());
//   image.Values("Staff.Sales.Corp", "CN");           // what was stored
//   pagetest::SaveSheetPages(sheet, "group-pages-screens");
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "orrel/com.h"

namespace pagetest {

using Texts = std::vector<std::string>;

// <source>/relative as a Wine path; a file beside the test executable.
std::string SourcePath(const char* relative);
std::string BinPath(const char* file);

// ---- The directory ---------------------------------------------------------------

// The sample directory (platform/sample, with its stream files) copied into
// a new folder; ORREL_DIRECTORY_IMAGE names the copy and the first identity
// is selected while the object lives. patch may change the image before it
// is written.
class SampleImage {
public:
    explicit SampleImage(const std::function<void(nlohmann::json&)>& patch = nullptr);
    ~SampleImage();
    SampleImage(const SampleImage&) = delete;
    SampleImage& operator=(const SampleImage&) = delete;

    const std::string& Path() const { return path_; }
    // The stored values of an attribute (null when missing).
    nlohmann::json Values(const char* object, const char* attribute) const;
    // The file of a stream value, and its bytes ("" when missing).
    std::string StreamBytes(const char* object, const char* attribute) const;
    std::string StreamsFolder() const;

    // The attributes of an object inside a parsed image (for patches);
    // throws when there is no such object.
    static nlohmann::json& Attributes(nlohmann::json& image, const char* object);
    // ORREL_DIRECTORY_IDENTITY=second (the sample's restricted identity) or
    // the first.
    static void UseSecondIdentity(bool second);

private:
    std::string folder_;
    std::string path_;
};

// ---- The sample's main tree served live by slapd ---------------------------------------
// (the slapd on 127.0.0.1:389 that platform/ldap/slapd-run.sh starts with
// the sample around a test program; every identity's password "orrel")

// A SampleImage patch: ORREL_TREE served by that server.
void ServeTreeFromSlapd(nlohmann::json& image);
// The values of an attribute of an entry as an anonymous client of the
// server (the search) reads them, bytes as they are.
Texts ServerValues(const char* dn, const char* attribute);
// Adds an entry on the server as the administrator; the attributes as
// type/value pairs. False when the server refuses it.
bool AddServerEntry(const char* dn, const std::vector<std::pair<const char*, const char*>>& attributes);

// A JSON array of strings (for comparing stored values).
nlohmann::json Strings(std::initializer_list<const char*> values);

// ---- The namespace ---------------------------------------------------------------------

// The tree ORREL_TREE found through ORREL-FS1 as the only configured item
// of the namespace (the stored configuration of items replaced).
void ConfigureTree();
// A configured item's text value (stored as bytes with the terminating zero).
void WriteItemText(HKEY item, const char* name, const std::string& text);
// The in-folder display name of a child.
std::string DisplayName(IShellFolder* folder, LPCITEMIDLIST child);
// The child of a folder with this display name (freed by the caller); null
// when there is none.
LPITEMIDLIST FindChild(IShellFolder* folder, const std::string& name);
// The display names of a folder's children, in the order it lists them.
Texts ChildNames(IShellFolder* folder);

// ---- A page DLL and its handler -------------------------------------------------------

// "Orrel::Object" data for objects of a class in the tree ORREL_TREE (names
// without the leading ".").
orrel::ComPtr<IDataObject> MakeSelection(const char* className, const Texts& objects);

// A page DLL of build/bin loaded once for the process (never freed).
class PageDll {
public:
    PageDll(const char* file, const CLSID& clsid) : file_(file), clsid_(clsid) {}
    HMODULE Module() const;
    const CLSID& Clsid() const { return clsid_; }
    HRESULT ClassObject(REFCLSID clsid, REFIID riid, void** ppv) const;
    // An exported function without arguments (DllRegisterServer ...).
    HRESULT Call(const char* exportName) const;
    // A handler made by the class factory and initialised with the objects;
    // *initResult receives Initialize's result.
    orrel::ComPtr<IShellExtInit> MakeHandler(const char* className, const Texts& objects,
                                             HRESULT* initResult = nullptr) const;

private:
    const char* file_;
    CLSID clsid_;
};

// Registers the DLL in the test prefix and checks its rows (the CLSID with
// its server and icon, the class's "PropertyPages", properties command and
// "IconHandler" entries), that COM creates the class, and that unregistering
// takes the rows away again (only when the DLL was not registered before).
void ExpectRegistration(const PageDll& dll, const char* className, const char* description);
// The handler's icon: GetIconLocation names the DLL with index -2, Extract
// leaves the work to the shell, and icon 2 is there in both sizes.
void ExpectClassIcon(const PageDll& dll, IShellExtInit* handler);

// ---- The sheet ---------------------------------------------------------------------

// A modeless property sheet with the pages a handler adds.
class Sheet {
public:
    explicit Sheet(IShellExtInit* handler, const char* caption = "Properties");
    ~Sheet();
    Sheet(const Sheet&) = delete;
    Sheet& operator=(const Sheet&) = delete;

    HRESULT AddPagesResult() const { return addPages_; }
    HWND Handle() const { return hwnd_; }
    int PageCount() const;
    std::string Caption(int index) const;
    Texts Captions() const;
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

// The sheet the properties command (OrrelProperties.dll) opens on a thread
// of its own for one object, as the namespace's item menu invokes it; the
// page DLL and the command are registered while the object lives (and
// unregistered after unless they were registered before).
class CommandSheet {
public:
    CommandSheet(const PageDll& dll, const char* className, const char* object);
    // Cancels the sheet and waits until its thread let go of the page DLL.
    ~CommandSheet();
    CommandSheet(const CommandSheet&) = delete;
    CommandSheet& operator=(const CommandSheet&) = delete;

    HWND Handle() const { return sheet_; }
    Texts Captions() const;

private:
    const PageDll& dll_;
    bool registeredBefore_[2] = {};
    HWND sheet_ = nullptr;
};

// ---- Messages and modal loops ------------------------------------------------------------

// Dispatches this thread's messages (for at least milliseconds).
void Pump(DWORD milliseconds = 0);
void PumpPending();
// Dispatches messages until done() holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Steps run from a timer of this thread, so they also run inside modal
// loops (a dialog's, a message box's). Each step is retried every tick
// until it returns true; a step may open a modal loop in which the next
// steps (or an inner script's) run. A script whose steps have not all
// happened within the timeout fails the test and cancels the thread's
// dialogs, so a test never hangs.
class ModalScript {
public:
    explicit ModalScript(std::vector<std::function<bool()>> steps, DWORD timeoutMs = 10000);
    ~ModalScript();
    bool Done() const { return steps_.empty() && running_ == 0; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    std::deque<std::function<bool()>> steps_;
    int running_ = 0;
    ModalScript* outer_;
    ULONGLONG deadline_;
    UINT_PTR timer_ = 0;
};

// ---- Controls ---------------------------------------------------------------------------

// A visible dialog window (#32770) of this process with this title, or null;
// owner, when given, must own it.
HWND FindDialog(const char* title, HWND owner = nullptr);
// The non-empty texts of a dialog's static controls, joined by separator.
std::string StaticTexts(HWND dialog, const char* separator = "|");
// Sends BN_CLICKED of a control to its dialog (opens modal loops inline).
void Click(HWND dialog, int id);
// The captions of a property sheet's tabs, in order.
Texts SheetTabs(HWND sheet);
std::string ItemText(HWND dialog, int id);
// Replaces an edit's text as typing would (EN_CHANGE also from multi-line
// edits, which WM_SETTEXT leaves silent).
void SetText(HWND dialog, int id, const char* text);
Texts ComboTexts(HWND combo);
Texts ListBoxTexts(HWND list);
// The texts of one column of a list view, in display order.
Texts ListViewTexts(HWND list, int column = 0);
bool IsReadOnly(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
bool IsVisible(HWND dialog, int id);

// Presses an "Edit..." button and, in the list editor it opens, reads the
// entries, adds values and closes. Returns the entries found on opening.
Texts EditList(HWND page, int button, const char* title, const Texts& add);
// Presses a button that shows a message box captioned caption; answers it
// with the button answer and returns the box's texts.
std::string AnswerMessageBox(HWND page, int button, int answer,
                             const char* caption = "Halvet Services");

// ---- Pictures ---------------------------------------------------------------------------

// The window as it is on the screen, written as a PNG file; distinct
// colours counted into *colours.
bool SaveScreenshot(HWND window, const std::string& path, std::size_t* colours);
// The pixels of a window's client area as the window paints it into a
// memory bitmap (WM_PRINTCLIENT); 0x00BBGGRR values, row by row.
std::vector<COLORREF> PrintClient(HWND window, int* width, int* height);
// Every page of a sheet photographed into <build>/<folder>/<n>-<caption>.png
// (checked to be neither blank nor of too few colours); the paths written.
Texts SaveSheetPages(Sheet& sheet, const char* folder);

}  // namespace pagetest
