#include "pages_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace pages_test {
namespace {

bool SameText(const std::string& a, const char* b)
{
    return lstrcmpiA(a.c_str(), b) == 0;
}

}  // namespace

std::string SourcePath(const char* relative)
{
    return std::string("Z:") + ORREL_SOURCE_DIR + "/" + relative;
}

std::string BinPath(const char* file)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path.resize(path.find_last_of("\\/") + 1);
    return path + file;
}

TestImage::TestImage()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char folder[MAX_PATH] = {};
    GetTempFileNameA(temp, "pgt", 0, folder);  // a unique name, made a folder
    DeleteFileA(folder);
    CreateDirectoryA(folder, nullptr);
    folder_ = folder;
    path_ = folder_ + "\\pages-test-directory.json";
    std::string source = SourcePath("pages/common/tests/data/pages-test-directory.json");
    EXPECT_TRUE(CopyFileA(source.c_str(), path_.c_str(), FALSE)) << "copy of " << source;
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", path_.c_str());
    UseSecondIdentity(false);
}

TestImage::~TestImage()
{
    UseSecondIdentity(false);
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", nullptr);
    DeleteFileA(path_.c_str());
    RemoveDirectoryA((folder_ + "\\pages-test-directory.streams").c_str());
    RemoveDirectoryA(folder_.c_str());
}

void TestImage::UseSecondIdentity(bool second)
{
    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", second ? "second" : nullptr);
}

nlohmann::json TestImage::Values(const char* object, const char* attribute) const
{
    std::ifstream in(path_.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    nlohmann::json image = nlohmann::json::parse(text.str(), nullptr, false);
    if (image.is_discarded()) return nullptr;
    std::string wanted = object[0] == '.' ? object + 1 : object;
    for (const auto& tree : image["trees"]) {
        for (const auto& o : tree["objects"]) {
            if (!SameText(o["name"].get<std::string>(), wanted.c_str())) continue;
            for (auto it = o["attributes"].begin(); it != o["attributes"].end(); ++it)
                if (SameText(it.key(), attribute)) return it.value();
            return nullptr;
        }
    }
    return nullptr;
}

std::vector<std::string> TestImage::Texts(const char* object, const char* attribute) const
{
    std::vector<std::string> texts;
    nlohmann::json values = Values(object, attribute);
    if (values.is_array())
        for (const auto& v : values)
            if (v.is_string()) texts.push_back(v.get<std::string>());
    return texts;
}

void PumpPending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpPending();
        if (done()) return true;
        if (GetTickCount64() >= end) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

namespace {
ModalScript* g_script = nullptr;
}  // namespace

namespace {
BOOL CALLBACK EndThreadDialog(HWND hwnd, LPARAM)
{
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0) PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}
}  // namespace

ModalScript::ModalScript(std::vector<std::function<bool()>> steps, DWORD timeoutMs)
    : steps_(steps.begin(), steps.end()), outer_(g_script), deadline_(GetTickCount64() + timeoutMs)
{
    g_script = this;
    timer_ = SetTimer(nullptr, 0, 20, &ModalScript::Tick);
}

ModalScript::~ModalScript()
{
    if (timer_) KillTimer(nullptr, timer_);
    g_script = outer_;
}

// Only the innermost script runs: an outer one is inside the step that
// opened the modal loop the inner one drives.
void CALLBACK ModalScript::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    ModalScript* self = g_script;
    if (!self) return;
    if (!self->steps_.empty() && GetTickCount64() > self->deadline_) {
        ADD_FAILURE() << "a script step did not happen in time; its dialogs are cancelled";
        self->steps_.clear();
        EnumThreadWindows(GetCurrentThreadId(), &EndThreadDialog, 0);
        return;
    }
    if (self->steps_.empty()) return;
    std::function<bool()> step = std::move(self->steps_.front());
    self->steps_.pop_front();
    ++self->running_;
    bool done = step();
    --self->running_;
    if (!done && g_script == self) self->steps_.push_front(std::move(step));
}

namespace {
struct FindData {
    const char* title;
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM lp)
{
    auto* data = reinterpret_cast<FindData*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0) return TRUE;
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    if (lstrcmpA(title, data->title) != 0) return TRUE;
    if (data->owner && GetWindow(hwnd, GW_OWNER) != data->owner) return TRUE;
    data->found = hwnd;
    return FALSE;
}

BOOL CALLBACK CollectStatic(HWND hwnd, LPARAM lp)
{
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) {
        char text[512] = {};
        GetWindowTextA(hwnd, text, sizeof text);
        *reinterpret_cast<std::string*>(lp) += text;
    }
    return TRUE;
}
}  // namespace

HWND FindDialog(const char* title, HWND owner)
{
    FindData data{title, owner, nullptr};
    EnumWindows(&FindDialogProc, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

std::string DialogStaticText(HWND dialog)
{
    std::string text;
    EnumChildWindows(dialog, &CollectStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<std::string> ListBoxTexts(HWND list)
{
    std::vector<std::string> texts;
    LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        std::string text(static_cast<size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(text.find('\0'));
        texts.push_back(text);
    }
    return texts;
}

std::vector<std::string> ComboTexts(HWND combo)
{
    std::vector<std::string> texts;
    LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        std::string text(static_cast<size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(text.find('\0'));
        texts.push_back(text);
    }
    return texts;
}

}  // namespace pages_test
