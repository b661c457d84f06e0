// The login script field shared by the User, Organization and
// Organizational Unit pages (loginscript.h).
#include "orrel/pages/loginscript.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <new>
#include <string>

#include "editlist_res.h"
#include "orrel/handles.h"
#include "orrel/ui/messagebox.h"

namespace orrel {
namespace pages {

const char kLoginScriptAttribute[] = "Login Script";
const char kLoginScriptCommandsAddress[] =
    "http://www.corvane.example/orrel/login-script-commands.html";

namespace {

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

// The attribute gets its (empty) stream value: one overwrite-value change
// with a stream value of no content.
int32_t CreateStreamValue(HALVET_CONTEXT context, const char* object)
{
    RequestBuffer request;
    int32_t r = request.Allocate(HALVET_LIST_BUFFER_SIZE);
    if (r == 0) r = InitDirBuffer(HALVET_OP_MODIFY, request.Get());
    if (r == 0) r = PutChange(context, request.Get(), HALVET_CHANGE_OVERWRITE_VALUE, kLoginScriptAttribute);
    if (r == 0) r = PutAttrVal(context, request.Get(), HALVET_SYNTAX_STREAM, nullptr);
    if (r == 0) r = ModifyObject(context, object, request.Get());
    return r;
}

}  // namespace

LoginScriptField::LoginScriptField(int editId, int commandsId, UINT questionId)
    : PageField(kLoginScriptAttribute), editId_(editId), commandsId_(commandsId),
      questionId_(questionId)
{
}

void LoginScriptField::Load(DirectoryPage& page)
{
    // A script of any length is shown whole (an edit holds 30000 characters
    // unless told otherwise).
    page.SendItemMessage(editId_, EM_SETLIMITTEXT, 0);
    HALVET_CONTEXT context = page.Session().Context();
    if (context < 0) return;
    void* handle = nullptr;
    int32_t r = OpenStream(context, page.ObjectName(), kLoginScriptAttribute, HALVET_STREAM_READ,
                           &handle);
    if (r == HALVET_ERR_NO_SUCH_VALUE) return;  // no script yet: an empty one
    std::string content;
    bool shown = false;
    if (r == 0 && handle) {
        FileHandle file(handle);
        // A script with a zero byte would come back cut at it.
        shown = ReadWholeStream(file.Get(), &content) && content.find('\0') == std::string::npos;
    }
    if (!shown) {
        // The script is there but cannot be shown whole: an Apply must
        // not replace it with what the page does not hold.
        page.SetReadOnly(editId_, true);
        return;
    }
    if (!content.empty())
        OemToCharBuffA(content.data(), content.data(), static_cast<DWORD>(content.size()));
    page.SetItemText(editId_, content);
}

void LoginScriptField::ApplyRights(DirectoryPage& page, uint32_t rights)
{
    if (!(rights & HALVET_RIGHT_WRITE)) page.SetReadOnly(editId_, true);
}

bool LoginScriptField::OnCommand(DirectoryPage& page, WORD id, WORD code)
{
    if (id == commandsId_) {
        if (code == BN_CLICKED) OpenCommandsHelp(page);
        return true;
    }
    if (id != editId_) return false;
    if (code == EN_CHANGE) page.MarkDirty(*this);
    return true;
}

int32_t LoginScriptField::Write(DirectoryPage& page)
{
    std::string content = page.GetItemText(editId_);
    if (!content.empty())
        CharToOemBuffA(content.data(), content.data(), static_cast<DWORD>(content.size()));
    HALVET_CONTEXT context = page.Session().Context();
    if (context < 0) return context;
    void* handle = nullptr;
    int32_t r = OpenStream(context, page.ObjectName(), kLoginScriptAttribute, HALVET_STREAM_WRITE,
                           &handle);
    if (r == HALVET_ERR_NO_SUCH_VALUE) {
        r = CreateStreamValue(context, page.ObjectName());
        if (r == 0)
            r = OpenStream(context, page.ObjectName(), kLoginScriptAttribute, HALVET_STREAM_WRITE,
                           &handle);
    }
    if (r != 0) return r;
    if (!handle) return kStreamWriteFailed;
    FileHandle file(handle);
    return WriteWholeStream(file.Get(), content) ? 0 : kStreamWriteFailed;
}

void LoginScriptField::OpenCommandsHelp(DirectoryPage& page)
{
    HWND owner = page.Sheet() ? page.Sheet() : page.Handle();
    if (ui::MessageBoxFromStrings(owner, questionId_, IDS_PAGES_CAPTION,
                                  MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
        return;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_CONNECTNETDRV;
    info.hwnd = owner;
    info.lpVerb = nullptr;
    info.lpFile = kLoginScriptCommandsAddress;
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExA(&info);  // a failure is not reported
}

}  // namespace pages
}  // namespace orrel
