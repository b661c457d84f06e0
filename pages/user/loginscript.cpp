// The Login Script page: the "Login Script" stream (syntax 21) in a
// multi-line edit, kept in the OEM code page in the directory and shown in
// ANSI, and the button to the documentation of login script commands.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "orrel/comguard.h"
#include "orrel/ui/messagebox.h"
#include "resource.h"
#include "userpages.h"

namespace orrel {
namespace userpages {

const char kLoginScriptCommandsAddress[] =
    "http://www.corvane.example/orrel/login-script-commands.html";

namespace {

using pages::PageField;

constexpr const char kLoginScript[] = "Login Script";
// The result of a failing seek, write or truncation of the stream.
constexpr int32_t kStreamWriteFailed = 4;

// A directory buffer freed when it goes.
class RequestBuffer {
public:
    RequestBuffer() noexcept = default;
    RequestBuffer(const RequestBuffer&) = delete;
    RequestBuffer& operator=(const RequestBuffer&) = delete;
    ~RequestBuffer()
    {
        if (buffer_) FreeDirBuffer(buffer_);
    }
    int32_t Allocate(uint32_t size) noexcept { return AllocDirBuffer(size, &buffer_); }
    HALVET_BUFFER* Get() const noexcept { return buffer_; }

private:
    HALVET_BUFFER* buffer_ = nullptr;
};

// The whole content of an open stream; false when its size cannot be had,
// is 4 GiB or more, or the content cannot be read entirely.
bool ReadWholeStream(HANDLE file, std::string* content)
{
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    if (high != 0) return false;
    std::string data;
    try {
        data.resize(size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    DWORD done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!ReadFile(file, &data[done], size - done, &got, nullptr)) return false;
        if (got == 0) break;  // the stream ended early: show what it held
        done += got;
    }
    data.resize(done);
    *content = std::move(data);
    return true;
}

bool WriteWholeStream(HANDLE file, const std::string& content)
{
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return false;
    std::size_t done = 0;
    while (done < content.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return SetEndOfFile(file) != FALSE;
}

class LoginScriptField final : public PageField {
public:
    LoginScriptField() : PageField(kLoginScript) {}

    void Load(DirectoryPage& page) override
    {
        HALVET_CONTEXT context = page.Session().Context();
        if (context < 0) return;
        void* handle = nullptr;
        int32_t r = OpenStream(context, page.ObjectName(), kLoginScript, HALVET_STREAM_READ, &handle);
        if (r == HALVET_ERR_NO_SUCH_VALUE) return;  // no script yet: an empty one
        std::string content;
        bool shown = false;
        if (r == 0 && handle) {
            FileHandle file(handle);
            // A script with a zero byte would come back cut at it.
            shown = ReadWholeStream(file.Get(), &content) &&
                    content.find('\0') == std::string::npos;
        }
        if (!shown) {
            // The script is there but cannot be shown whole: an Apply must
            // not replace it with what the page does not hold.
            page.SetReadOnly(IDC_SCRIPT_TEXT, true);
            return;
        }
        if (!content.empty())
            OemToCharBuffA(content.data(), content.data(), static_cast<DWORD>(content.size()));
        page.SetItemText(IDC_SCRIPT_TEXT, content);
    }

    void ApplyRights(DirectoryPage& page, uint32_t rights) override
    {
        if (!(rights & HALVET_RIGHT_WRITE)) page.SetReadOnly(IDC_SCRIPT_TEXT, true);
    }

    bool OnCommand(DirectoryPage& page, WORD id, WORD code) override
    {
        if (id != IDC_SCRIPT_TEXT) return false;
        if (code == EN_CHANGE) page.MarkDirty(*this);
        return true;
    }

    int32_t Write(DirectoryPage& page) override
    {
        std::string content = page.GetItemText(IDC_SCRIPT_TEXT);
        if (!content.empty())
            CharToOemBuffA(content.data(), content.data(), static_cast<DWORD>(content.size()));
        HALVET_CONTEXT context = page.Session().Context();
        if (context < 0) return context;
        void* handle = nullptr;
        int32_t r = OpenStream(context, page.ObjectName(), kLoginScript, HALVET_STREAM_WRITE, &handle);
        if (r == HALVET_ERR_NO_SUCH_VALUE) {
            r = CreateStreamValue(context, page.ObjectName());
            if (r == 0)
                r = OpenStream(context, page.ObjectName(), kLoginScript, HALVET_STREAM_WRITE,
                               &handle);
        }
        if (r != 0) return r;
        if (!handle) return kStreamWriteFailed;
        FileHandle file(handle);
        return WriteWholeStream(file.Get(), content) ? 0 : kStreamWriteFailed;
    }

private:
    // The attribute gets its (empty) stream value: one overwrite-value change
    // with a stream value of no content.
    static int32_t CreateStreamValue(HALVET_CONTEXT context, const char* object)
    {
        RequestBuffer request;
        int32_t r = request.Allocate(HALVET_LIST_BUFFER_SIZE);
        if (r == 0) r = InitDirBuffer(HALVET_OP_MODIFY, request.Get());
        if (r == 0) r = PutChange(context, request.Get(), HALVET_CHANGE_OVERWRITE_VALUE, kLoginScript);
        if (r == 0) r = PutAttrVal(context, request.Get(), HALVET_SYNTAX_STREAM, nullptr);
        if (r == 0) r = ModifyObject(context, object, request.Get());
        return r;
    }
};

}  // namespace

LoginScriptPage::LoginScriptPage(PropertyHandler& handler) : UserPage(handler, IDD_USER_LOGIN_SCRIPT)
{
    ShowIfReadable({kLoginScript});
    if (Suppressed()) return;
    AddField(std::make_unique<LoginScriptField>());
}

void LoginScriptPage::OnInitControls()
{
    // A script of any length is shown whole (an edit holds 30000 characters
    // unless told otherwise).
    SendItemMessage(IDC_SCRIPT_TEXT, EM_SETLIMITTEXT, 0);
}

bool LoginScriptPage::OnPageCommand(WORD id, WORD code, HWND)
{
    if (id != IDC_SCRIPT_COMMANDS) return false;
    if (code != BN_CLICKED) return true;
    HWND owner = Sheet() ? Sheet() : Handle();
    if (ui::MessageBoxFromStrings(owner, IDS_USER_WWW_QUESTION, IDS_USER_CAPTION,
                                  MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
        return true;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_CONNECTNETDRV;
    info.hwnd = owner;
    info.lpVerb = nullptr;
    info.lpFile = kLoginScriptCommandsAddress;
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExA(&info);  // a failure is not reported
    return true;
}

}  // namespace userpages
}  // namespace orrel
