#include "imagefile.h"

#include <windows.h>
#include <shlobj.h>

#include <halvet/dirtypes.h>

#include <new>

#include "image_json.h"
#include "names.h"

namespace orrel::dirstore {

namespace {

constexpr char kClientKey[] = "Software\\Halvet\\Directory Client";
constexpr char kSampleName[] = "orrel-sample-directory.json";
constexpr DWORD kLockTimeoutMs = 30000;

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE h = nullptr)
    {
        if (Valid()) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_;
};

std::string EnvironmentValue(const char* name)
{
    char buffer[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
    if (n == 0 || n >= sizeof(buffer)) return std::string();
    return std::string(buffer, n);
}

std::string RegistryValue(const char* value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kClientKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::string();
    char buffer[MAX_PATH * 2] = {};
    DWORD type = 0, size = sizeof(buffer) - 1;
    LONG rc = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::string();
    buffer[size < sizeof(buffer) ? size : sizeof(buffer) - 1] = 0;
    std::string text(buffer);
    if (type == REG_EXPAND_SZ) {
        char expanded[MAX_PATH * 2];
        DWORD n = ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof(expanded));
        if (n == 0 || n > sizeof(expanded)) return std::string();
        text = expanded;
    }
    return text;
}

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof(buffer), buffer, nullptr);
    if (n == 0 || n >= sizeof(buffer)) return path;
    return std::string(buffer, n);
}

std::string ModuleFolder()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&ModuleFolder), &module))
        return std::string();
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(module, buffer, sizeof(buffer));
    if (n == 0 || n >= sizeof(buffer)) return std::string();
    std::string path(buffer, n);
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool FileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Copies the files of one folder (not its subfolders) into another.
void CopyFolderFiles(const std::string& from, const std::string& to)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    CreateDirectoryA(to.c_str(), nullptr);
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        CopyFileA((from + "\\" + data.cFileName).c_str(), (to + "\\" + data.cFileName).c_str(), TRUE);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

// The user's own copy of the shipped sample, made on first use.
std::string SampleCopy()
{
    char appData[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData)))
        return std::string();
    std::string folder = std::string(appData) + "\\Orrel";
    std::string copy = folder + "\\" + kSampleName;
    if (FileExists(copy)) return copy;
    std::string shipped = ModuleFolder() + "\\" + kSampleName;
    if (!FileExists(shipped)) return std::string();
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyFolderFiles(ImageStore::StreamsFolder(shipped), ImageStore::StreamsFolder(copy));
    // Copy beside, then move into place, so that no half copy is ever seen.
    std::string temp = copy + ".tmp" + std::to_string(GetCurrentProcessId());
    if (!CopyFileA(shipped.c_str(), temp.c_str(), FALSE)) return std::string();
    if (!MoveFileExA(temp.c_str(), copy.c_str(), MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        if (!FileExists(copy)) return std::string();  // else another process made it
    }
    return copy;
}

// The named lock of one image, shared by every process using it.
class ImageLock {
public:
    explicit ImageLock(const std::string& path)
    {
        uint32_t hash = ObjectId("image", Lower(path));
        char name[64];
        wsprintfA(name, "OrrelDirectoryImage-%08lX", static_cast<unsigned long>(hash));
        mutex_.Reset(CreateMutexA(nullptr, FALSE, name));
        if (!mutex_.Valid()) return;
        DWORD wait = WaitForSingleObject(mutex_.Get(), kLockTimeoutMs);
        // An abandoned lock belonged to a process that died: the file is
        // whole either way, since it is only ever replaced in one step.
        held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    ~ImageLock()
    {
        if (held_) ReleaseMutex(mutex_.Get());
    }
    ImageLock(const ImageLock&) = delete;
    ImageLock& operator=(const ImageLock&) = delete;
    bool Held() const { return held_; }

private:
    Handle mutex_;
    bool held_ = false;
};

}  // namespace

bool ImageStore::FileKey::operator==(const FileKey& o) const
{
    return volume == o.volume && indexHigh == o.indexHigh && indexLow == o.indexLow &&
           sizeHigh == o.sizeHigh && sizeLow == o.sizeLow && written == o.written;
}

ImageStore& ImageStore::Instance()
{
    static ImageStore store;
    return store;
}

std::string ImageStore::ImagePath()
{
    std::string path = EnvironmentValue("ORREL_DIRECTORY_IMAGE");
    if (path.empty()) path = RegistryValue("Image");
    if (path.empty()) path = SampleCopy();
    return path.empty() ? path : FullPath(path);
}

std::string ImageStore::StreamsFolder(const std::string& imagePath)
{
    std::string base = imagePath;
    if (base.size() > 5 && EqualNoCase(base.substr(base.size() - 5), ".json")) base.resize(base.size() - 5);
    return base + ".streams";
}

std::string ImageStore::SpoolFolder(const std::string& imagePath)
{
    std::string base = imagePath;
    if (base.size() > 5 && EqualNoCase(base.substr(base.size() - 5), ".json")) base.resize(base.size() - 5);
    return base + ".spool";
}

bool ImageStore::SecondIdentity()
{
    std::string choice = EnvironmentValue("ORREL_DIRECTORY_IDENTITY");
    if (choice.empty()) choice = RegistryValue("Identity");
    return EqualNoCase(choice, "second") || choice == "2";
}

std::string ImageStore::LastProblem()
{
    std::lock_guard<std::mutex> guard(lock_);
    return problem_;
}

int32_t ImageStore::LoadLocked(const std::string& path, std::shared_ptr<const Image>& image)
{
    if (path != cachedPath_) {
        cacheValid_ = false;
        cachedImage_.reset();
        cachedPath_ = path;
    }
    Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        cacheValid_ = false;
        problem_ = "the directory image " + path + " cannot be opened";
        return HALVET_ERR_TRANSPORT_FAILURE;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Get(), &info)) return HALVET_ERR_TRANSPORT_FAILURE;
    FileKey key;
    key.volume = info.dwVolumeSerialNumber;
    key.indexHigh = info.nFileIndexHigh;
    key.indexLow = info.nFileIndexLow;
    key.sizeHigh = info.nFileSizeHigh;
    key.sizeLow = info.nFileSizeLow;
    key.written = (static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                  info.ftLastWriteTime.dwLowDateTime;
    if (cacheValid_ && key == cachedKey_) {
        image = cachedImage_;
        return cachedResult_;
    }
    // The outcome is recorded once it is known, and only an outcome of the
    // file itself (read, or refused): a failure to read it or to find memory
    // for it is tried again by the next call.
    cacheValid_ = false;
    cachedImage_.reset();
    auto remember = [&](int32_t result, std::shared_ptr<const Image> parsed) {
        cachedKey_ = key;
        cachedImage_ = std::move(parsed);
        cachedResult_ = result;
        cacheValid_ = true;
        image = cachedImage_;
        return result;
    };
    try {
        if (info.nFileSizeHigh != 0 || info.nFileSizeLow > kMaxImageBytes) {
            problem_ = "the directory image is larger than 256 MiB";
            return remember(HALVET_ERR_DAMAGED_IMAGE, nullptr);
        }
        std::string text(info.nFileSizeLow, '\0');
        DWORD done = 0;
        if (!text.empty() && (!ReadFile(file.Get(), &text[0], static_cast<DWORD>(text.size()), &done, nullptr) ||
                              done != text.size())) {
            problem_ = "the directory image cannot be read";
            return HALVET_ERR_TRANSPORT_FAILURE;
        }
        std::string why;
        std::unique_ptr<Image> parsed = ParseImage(text, why);
        if (!parsed) {
            problem_ = "the directory image " + path + " is refused: " + why;
            return remember(HALVET_ERR_DAMAGED_IMAGE, nullptr);
        }
        problem_.clear();
        return remember(HALVET_OK, std::shared_ptr<const Image>(std::move(parsed)));
    } catch (const std::bad_alloc&) {
        cacheValid_ = false;
        cachedImage_.reset();
        return HALVET_ERR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        cacheValid_ = false;
        cachedImage_.reset();
        return HALVET_ERR_FATAL;
    }
}

int32_t ImageStore::Get(std::shared_ptr<const Image>& image)
{
    image.reset();
    std::lock_guard<std::mutex> guard(lock_);
    std::string path = ImagePath();
    if (path.empty()) {
        problem_ = "no directory image is configured";
        return HALVET_ERR_TRANSPORT_FAILURE;
    }
    ImageLock fileLock(path);
    if (!fileLock.Held()) return HALVET_ERR_TRANSPORT_FAILURE;
    return LoadLocked(path, image);
}

int32_t ImageStore::WriteDurably(const std::string& path, const std::string& text)
{
    static LONG counter = 0;
    std::string temp = path + ".new" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(InterlockedIncrement(&counter));
    {
        Handle file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) return HALVET_ERR_FATAL;
        DWORD done = 0;
        bool ok = WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
                  done == text.size() && FlushFileBuffers(file.Get());
        if (!ok) {
            file.Reset();
            DeleteFileA(temp.c_str());
            return HALVET_ERR_FATAL;
        }
    }
    if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        return HALVET_ERR_FATAL;
    }
    return HALVET_OK;
}

int32_t ImageStore::Modify(const std::function<int32_t(Image&)>& change)
{
    std::lock_guard<std::mutex> guard(lock_);
    std::string path = ImagePath();
    if (path.empty()) return HALVET_ERR_TRANSPORT_FAILURE;
    ImageLock fileLock(path);
    if (!fileLock.Held()) return HALVET_ERR_TRANSPORT_FAILURE;
    std::shared_ptr<const Image> current;
    int32_t rc = LoadLocked(path, current);
    if (rc != HALVET_OK) return rc;
    std::shared_ptr<Image> copy;
    std::string text;
    try {
        copy = std::make_shared<Image>(*current);
        rc = change(*copy);
        if (rc != HALVET_OK) return rc;
        // Indented while that fits the size every load accepts, else
        // compact; a change whose image fits neither way is refused, so that
        // no write ever leaves an image that no later load takes.
        text = SerializeImage(*copy);
        if (text.size() > kMaxImageBytes) text = SerializeImage(*copy, true);
    } catch (const std::bad_alloc&) {
        return HALVET_ERR_NOT_ENOUGH_MEMORY;
    }
    if (text.size() > kMaxImageBytes) return HALVET_ERR_INVALID_REQUEST;
    rc = WriteDurably(path, text);
    if (rc != HALVET_OK) return rc;
    // The new file becomes the cached image, under its new identity.
    cacheValid_ = false;
    std::shared_ptr<const Image> reloaded;
    Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (file.Valid() && GetFileInformationByHandle(file.Get(), &info)) {
        cachedKey_.volume = info.dwVolumeSerialNumber;
        cachedKey_.indexHigh = info.nFileIndexHigh;
        cachedKey_.indexLow = info.nFileIndexLow;
        cachedKey_.sizeHigh = info.nFileSizeHigh;
        cachedKey_.sizeLow = info.nFileSizeLow;
        cachedKey_.written = (static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                             info.ftLastWriteTime.dwLowDateTime;
        cachedImage_ = copy;
        cachedResult_ = HALVET_OK;
        cacheValid_ = true;
    }
    return HALVET_OK;
}

namespace {

constexpr char kStoreOwner[] = "HalvetConnClient.dll";

template <typename Proc>
Proc OwnerProc(const char* name)
{
    // Found once for good: the owner is a dependency of every library that
    // finds it, and stays loaded as long as they do.
    static Proc found = nullptr;
    if (Proc known = __atomic_load_n(&found, __ATOMIC_ACQUIRE)) return known;
    HMODULE owner = GetModuleHandleA(kStoreOwner);
    if (!owner) return nullptr;
    auto proc = reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(owner, name)));
    if (proc) __atomic_store_n(&found, proc, __ATOMIC_RELEASE);
    return proc;
}

}  // namespace

int32_t SharedImageGet(std::shared_ptr<const Image>& image)
{
    if (auto get = OwnerProc<SharedImageGetProc>("OrrelImageStoreGet")) return get(&image);
    return ImageStore::Instance().Get(image);
}

int32_t SharedImageModify(const std::function<int32_t(Image&)>& change)
{
    if (auto modify = OwnerProc<SharedImageModifyProc>("OrrelImageStoreModify")) return modify(&change);
    return ImageStore::Instance().Modify(change);
}

int32_t ImageStore::MakeStreamFile(const std::string& imagePath, std::string& fileName)
{
    std::string folder = StreamsFolder(imagePath);
    CreateDirectoryA(folder.c_str(), nullptr);
    static LONG counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[64];
        wsprintfA(name, "stream-%08lX-%08lX-%ld.dat", static_cast<unsigned long>(GetTickCount()),
                  static_cast<unsigned long>(GetCurrentProcessId()), InterlockedIncrement(&counter));
        Handle file(CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.Valid()) {
            fileName = name;
            return HALVET_OK;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return HALVET_ERR_FATAL;
}

}  // namespace orrel::dirstore
