// Shared helpers of the page framework's tests: a fresh copy of the test
// directory image per test, the identity switch, reading back what the
// directory stored, message pumping and scripts run inside modal loops.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace pages_test {

// The test image (tests/data/pages-test-directory.json) copied into a new
// temporary folder; ORREL_DIRECTORY_IMAGE points at the copy and the first
// identity is selected for as long as the object lives.
class TestImage {
public:
    TestImage();
    ~TestImage();
    TestImage(const TestImage&) = delete;
    TestImage& operator=(const TestImage&) = delete;

    const std::string& Path() const { return path_; }
    // The values of an attribute as stored in the image (null when the
    // object or attribute is missing).
    nlohmann::json Values(const char* object, const char* attribute) const;
    // Text values as strings (empty when none).
    std::vector<std::string> Texts(const char* object, const char* attribute) const;

    // ORREL_DIRECTORY_IDENTITY=second (Guest.Test) or the first (Admin.Test).
    static void UseSecondIdentity(bool second);

private:
    std::string folder_;
    std::string path_;
};

std::string SourcePath(const char* relative);
std::string BinPath(const char* file);

// Dispatches this thread's messages until done() holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
void PumpPending();

// Steps run from a timer of this thread, so they also run inside modal
// loops (a dialog's, a message box's). Each step is retried every tick
// until it returns true; a step may open a modal loop in which the next
// steps run.
class ModalScript {
public:
    // A script whose steps have not all happened within the timeout fails
    // the test and cancels the thread's dialogs, so a test never hangs.
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

// A visible dialog window of this process (class #32770) whose title is
// title, or null; owner, when given, must own it.
HWND FindDialog(const char* title, HWND owner = nullptr);
// The text of a message box: its static texts joined.
std::string DialogStaticText(HWND dialog);
// Clicks a button of a dialog (WM_COMMAND BN_CLICKED, sent).
void Click(HWND dialog, int id);
std::vector<std::string> ListBoxTexts(HWND list);
std::vector<std::string> ComboTexts(HWND combo);

}  // namespace pages_test
