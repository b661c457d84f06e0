#include "clients_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace clients_test {

namespace {

const char kImage[] = R"JSON({
  "format": "orrel-directory-image",
  "version": 1,
  "comment": "kept when the image is rewritten",
  "trees": [
    {
      "name": "ORREL_TREE",
      "schema": {
        "attributes": [
          {"name": "CN", "syntax": 3},
          {"name": "Surname", "syntax": 3, "singleValued": true},
          {"name": "Title", "syntax": 3},
          {"name": "Description", "syntax": 3},
          {"name": "Telephone Number", "syntax": 3},
          {"name": "Mobile Phone", "syntax": 10},
          {"name": "L", "syntax": 3},
          {"name": "O", "syntax": 3},
          {"name": "OU", "syntax": 3},
          {"name": "Group Membership", "syntax": 1},
          {"name": "Member", "syntax": 1},
          {"name": "ACL", "syntax": 17},
          {"name": "Login Script", "syntax": 21, "singleValued": true},
          {"name": "Aliased Object Name", "syntax": 1, "singleValued": true},
          {"name": "Object Class", "syntax": 20},
          {"name": "Host Server", "syntax": 1, "singleValued": true},
          {"name": "Host Resource Name", "syntax": 3, "singleValued": true},
          {"name": "Home Directory", "syntax": 15, "singleValued": true},
          {"name": "Message Server", "syntax": 1, "singleValued": true},
          {"name": "Network Address", "syntax": 12},
          {"name": "Email Address", "syntax": 14},
          {"name": "Facsimile Telephone Number", "syntax": 11},
          {"name": "Postal Address", "syntax": 18},
          {"name": "Language", "syntax": 6, "singleValued": true},
          {"name": "Login Disabled", "syntax": 7, "singleValued": true},
          {"name": "Login Grace Limit", "syntax": 8, "singleValued": true},
          {"name": "Public Key", "syntax": 9},
          {"name": "Employee Number", "syntax": 5},
          {"name": "Printable Code", "syntax": 4},
          {"name": "Case Exact Tag", "syntax": 2},
          {"name": "Last Login Time", "syntax": 24, "singleValued": true},
          {"name": "Password Timestamp", "syntax": 19},
          {"name": "Revision", "syntax": 22, "singleValued": true},
          {"name": "Back Link", "syntax": 23},
          {"name": "Notify", "syntax": 25},
          {"name": "Server Holds", "syntax": 26},
          {"name": "Password Expiration Interval", "syntax": 27, "singleValued": true},
          {"name": "Octet List Data", "syntax": 13},
          {"name": "Replica", "syntax": 16},
          {"name": "Short Code", "syntax": 3, "sized": true, "lower": 1, "upper": 4}
        ],
        "classes": [
          {"name": "Top", "optional": ["ACL", "Object Class", "Back Link", "Description"]},
          {"name": "Organization", "container": true, "superClasses": ["Top"], "naming": ["O"],
           "mandatory": ["O"], "optional": ["L", "Telephone Number", "Login Script"]},
          {"name": "Organizational Unit", "container": true, "superClasses": ["Top"],
           "containment": ["Organization", "Organizational Unit"], "naming": ["OU"], "mandatory": ["OU"],
           "optional": ["L", "Telephone Number", "Login Script", "Aliased Object Name"]},
          {"name": "User", "superClasses": ["Top"], "containment": ["Organization", "Organizational Unit"],
           "naming": ["CN"], "mandatory": ["CN", "Surname"],
           "optional": ["Title", "Telephone Number", "Mobile Phone", "L", "Group Membership", "Login Script",
                        "Home Directory", "Message Server", "Network Address", "Email Address",
                        "Facsimile Telephone Number", "Postal Address", "Language", "Login Disabled",
                        "Login Grace Limit", "Public Key", "Employee Number", "Printable Code",
                        "Case Exact Tag", "Last Login Time", "Password Timestamp", "Revision", "Notify",
                        "Server Holds", "Password Expiration Interval", "Octet List Data", "Replica",
                        "Short Code"]},
          {"name": "Group", "superClasses": ["Top"], "naming": ["CN"], "mandatory": ["CN"],
           "optional": ["Member", "Title"]},
          {"name": "NCP Server", "superClasses": ["Top"], "naming": ["CN"], "mandatory": ["CN"],
           "optional": ["Network Address"]},
          {"name": "Volume", "superClasses": ["Top"], "naming": ["CN"],
           "mandatory": ["CN", "Host Server", "Host Resource Name"]}
        ]
      },
      "objects": [
        {"name": "Corp", "class": "Organization", "flags": ["container", "partitionRoot"],
         "attributes": {"O": ["Corp"], "ACL": [
            {"attribute": "[Entry Rights]", "subject": "Admin.Corp", "privileges": 32},
            {"attribute": "[All Attributes Rights]", "subject": "[Public]", "privileges": 2}]}},
        {"name": "Sales.Corp", "class": "Organizational Unit", "flags": ["container"],
         "attributes": {"OU": ["Sales"], "ACL": [
            {"attribute": "Telephone Number", "subject": "Staff.Sales.Corp", "privileges": 6},
            {"attribute": "Title", "subject": "Sales.Corp", "privileges": 6}]}},
        {"name": "SalesAlias.Corp", "class": "Organizational Unit", "flags": ["containerAlias"],
         "attributes": {"OU": ["SalesAlias"], "Aliased Object Name": ["Sales.Corp"]}},
        {"name": "Admin.Corp", "class": "User", "modified": 946684800,
         "attributes": {"CN": ["Admin"], "Surname": ["Administrator"]}},
        {"name": "Guest.Corp", "class": "User",
         "attributes": {"CN": ["Guest"], "Surname": ["Guest"]}},
        {"name": "FS1.Corp", "class": "NCP Server", "attributes": {"CN": ["FS1"]}},
        {"name": "FS1_SYS.Corp", "class": "Volume",
         "attributes": {"CN": ["FS1_SYS"], "Host Server": ["FS1.Corp"], "Host Resource Name": ["SYS"]}},
        {"name": "Staff.Sales.Corp", "class": "Group",
         "attributes": {"CN": ["Staff"], "Member": ["JDoe.Sales.Corp", ".Guest.Corp"]}},
        {"name": "JDoe.Sales.Corp", "class": "User", "custom": {"kept": true},
         "attributes": {
           "CN": ["JDoe", "John Doe"],
           "Surname": ["Doe"],
           "Title": ["Clerk"],
           "Description": ["First"],
           "Telephone Number": ["555-0100", "555-0101"],
           "Mobile Phone": ["+1 555 0100"],
           "Object Class": ["User", "Top"],
           "Group Membership": ["Staff.Sales.Corp"],
           "ACL": [{"attribute": "Description", "subject": "JDoe.Sales.Corp", "privileges": 6}],
           "Login Script": ["jdoe-login.txt"],
           "Home Directory": [{"nameSpace": 4, "volume": "FS1_SYS.Corp", "path": "\\HOME\\JDOE"}],
           "Message Server": ["FS1.Corp"],
           "Network Address": [{"type": 0, "address": "0102030400001B2C3D4E0451"}, {"type": 1, "address": "0A000001"}],
           "Email Address": [{"type": 0, "address": "jdoe@corp.example"}],
           "Facsimile Telephone Number": [{"number": "555-0199", "bitCount": 12, "bits": "ABC0"}],
           "Postal Address": [["A", "", "B"]],
           "Language": [["ENGLISH", "GERMAN"]],
           "Login Disabled": [false],
           "Login Grace Limit": [-6],
           "Public Key": ["00FF10"],
           "Employee Number": ["123 456"],
           "Printable Code": ["ABC-1"],
           "Case Exact Tag": ["MiXed"],
           "Last Login Time": [946684800],
           "Password Timestamp": [{"seconds": 946684801, "eventId": 7}],
           "Revision": [4000000000],
           "Back Link": [{"remoteId": 9, "object": "FS1.Corp"}],
           "Notify": [{"object": "Staff.Sales.Corp", "level": 2, "interval": 30}],
           "Server Holds": [{"object": "FS1.Corp", "amount": 100}],
           "Password Expiration Interval": [-3600],
           "Octet List Data": [["01", "0203"]],
           "Replica": ["CAFE"]
         }}
        %BIG%
      ]
    },
    {
      "name": "OTHER_TREE",
      "schema": {
        "attributes": [{"name": "CN", "syntax": 3}, {"name": "O", "syntax": 3}],
        "classes": [
          {"name": "Organization", "container": true, "naming": ["O"], "mandatory": ["O"]},
          {"name": "User", "naming": ["CN"], "mandatory": ["CN"]}
        ]
      },
      "objects": [
        {"name": "Other", "class": "Organization", "flags": ["container"], "attributes": {"O": ["Other"]}},
        {"name": "Admin.Other", "class": "User", "attributes": {"CN": ["Admin"]}}
      ]
    }
  ],
  "servers": [
    {"name": "FS1", "tree": "ORREL_TREE", "object": "FS1.Corp", "address": "127.0.0.1",
     "version": {"major": 4, "minor": 11, "revision": 2}, "maxConnections": 100,
     "volumes": [
       {"name": "SYS", "number": 0, "object": "FS1_SYS.Corp",
        "usage": {"totalBlocks": 1000, "freeBlocks": 250, "purgeableBlocks": 125, "notYetPurgeableBlocks": 5,
                  "totalDirEntries": 4096, "availableDirEntries": 1024, "sectorsPerBlock": 8},
        "extended": {"features": ["suballocation", "compression"], "sizeUnit": 4096, "sectorSize": 512,
                     "totalUnits": 1000, "freeUnits": 250, "dataBeforeCompression": 2000,
                     "dataAfterCompression": 1500},
        "nameSpaces": [0, 4, 9, 1, 2, 3]},
       {"name": "VOL1", "number": 3}
     ],
     "connections": [
       {"number": 1, "user": "Admin.Corp"},
       {"number": 3, "user": "JDoe.Sales.Corp"},
       {"number": 4, "user": "JDoe.Sales.Corp"},
       {"number": 5, "user": "Guest.Corp", "acceptsMessages": false}
     ]},
    {"name": "FS2", "tree": "OTHER_TREE", "address": "127.0.0.2",
     "advertised": [{"type": 30722, "name": "OTHER_TREE"}, {"type": 4, "name": "FS2"},
                    {"type": 30722, "name": "ORREL_TREE"}],
     "connections": [{"number": 2, "user": "Admin.Other"}]}
  ],
  "workstation": {
    "defaultTree": "ORREL_TREE",
    "identities": [
      {"tree": "ORREL_TREE", "name": "Admin.Corp", "second": "Guest.Corp"},
      {"tree": "OTHER_TREE", "name": "Admin.Other"}
    ],
    "connectionRefs": [
      {"server": "FS1", "authState": 2},
      {"server": "FS2", "authState": 0, "primary": true, "port": 1234}
    ],
    "requesterVersion": {"major": 4, "minor": 83, "revision": 7}
  }
})JSON";

// The folder (a Unix path) through which ldap_reloading_server.sh takes
// requests to serve an image; empty outside such a run.
std::string ReloadFolder()
{
    char folder[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("ORREL_SLAPD_RELOAD", folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(folder, n) : std::string();
}

// The host's path of a file (the server's scripts run outside Wine).
std::string UnixPathOf(const std::string& path)
{
    using ToUnix = char*(CDECL*)(const WCHAR*);
    FARPROC proc = GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    if (!proc) return "";
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(proc));
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return "";
    char* unixPath = toUnix(wide);
    if (!unixPath) return "";
    std::string out = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return out;
}

// Has slapd serve ORREL_TREE of an image afresh, through the request folder
// of ldap_reloading_server.sh, and waits for its answer.
bool ServeTreeOf(const std::string& image, std::string& why)
{
    const std::string folder = ReloadFolder(), unixImage = UnixPathOf(image);
    if (folder.empty() || unixImage.empty()) {
        why = "no reload folder or host path (run by ldap_reloading_server.sh under Wine)";
        return false;
    }
    const std::string request = "Z:" + folder + "/request", answer = "Z:" + folder + "/answer";
    DeleteFileA(answer.c_str());
    if (!WriteWholeFile(request + ".tmp", unixImage) ||
        !MoveFileExA((request + ".tmp").c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        why = "cannot write " + request;
        return false;
    }
    for (int i = 0; i < 1200 && GetFileAttributesA(answer.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
    std::string said = ReadWholeFile(answer);
    DeleteFileA(answer.c_str());
    if (said.compare(0, 2, "ok") == 0) return true;
    why = said.empty() ? "no answer from the server's watcher" : "the server was not loaded: " + said;
    return false;
}

}  // namespace

std::string StandardImage(int bigCount)
{
    std::string big;
    if (bigCount > 0) {
        big += R"(, {"name": "Big.Corp", "class": "Organizational Unit", "flags": ["container"],
                  "attributes": {"OU": ["Big"]}})";
        for (int i = 0; i < bigCount; ++i) {
            char entry[256];
            snprintf(entry, sizeof(entry),
                     R"(, {"name": "Member%04d-of-the-big-container.Big.Corp", "class": "User",
                        "attributes": {"CN": ["Member%04d-of-the-big-container"], "Surname": ["S%d"]}})",
                     i, i, i);
            big += entry;
        }
    }
    std::string text = kImage;
    text.replace(text.find("%BIG%"), 5, big);
    return text;
}

std::string ReadWholeFile(const std::string& path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[65536];
    DWORD done = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &done, nullptr) && done) text.append(buffer, done);
    CloseHandle(file);
    return text;
}

bool WriteWholeFile(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) && done == text.size();
    CloseHandle(file);
    return ok;
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

DirContext::DirContext(const char* nameContext, const char* tree)
{
    rc_ = CreateDirContext(&ctx_);
    if (rc_ != HALVET_OK) return;
    if (tree) rc_ = SetDirContextValue(ctx_, HALVET_CTX_KEY_TREE_NAME, tree);
    if (rc_ == HALVET_OK && nameContext) rc_ = SetDirContextValue(ctx_, HALVET_CTX_KEY_NAME_CONTEXT, nameContext);
    uint32_t flags = 0;
    if (rc_ == HALVET_OK) rc_ = GetDirContextValue(ctx_, HALVET_CTX_KEY_FLAGS, &flags, sizeof(flags));
    flags |= HALVET_CTX_FLAGS_USUAL;
    if (rc_ == HALVET_OK) rc_ = SetDirContextValue(ctx_, HALVET_CTX_KEY_FLAGS, &flags);
}

DirContext::~DirContext()
{
    if (ctx_ != HALVET_NO_CONTEXT) FreeDirContext(ctx_);
}

DirBuffer::DirBuffer(uint32_t size, uint32_t operation)
{
    if (AllocDirBuffer(size, &buf_) == HALVET_OK && operation) InitDirBuffer(operation, buf_);
}

DirBuffer::~DirBuffer()
{
    if (buf_) FreeDirBuffer(buf_);
}

ChangeSpec Remove(const char* attr)
{
    return ChangeSpec{HALVET_CHANGE_REMOVE_ATTRIBUTE, attr};
}

ChangeSpec AddAttr(const char* attr)
{
    return ChangeSpec{HALVET_CHANGE_ADD_ATTRIBUTE, attr};
}

ChangeSpec AddText(const char* attr, const char* text, uint32_t syntax)
{
    return ChangeSpec{HALVET_CHANGE_ADD_VALUE, attr, syntax, text, true};
}

ChangeSpec RemoveText(const char* attr, const char* text, uint32_t syntax)
{
    return ChangeSpec{HALVET_CHANGE_REMOVE_VALUE, attr, syntax, text, true};
}

ChangeSpec WithValue(uint32_t type, const char* attr, uint32_t syntax, const void* value)
{
    return ChangeSpec{type, attr, syntax, value, true};
}

int32_t Modify(HALVET_CONTEXT ctx, const char* object, const std::vector<ChangeSpec>& changes)
{
    DirBuffer request(HALVET_DEFAULT_BUFFER_SIZE, HALVET_OP_MODIFY);
    for (const ChangeSpec& c : changes) {
        int32_t rc = PutChange(ctx, request.get(), c.type, c.attr);
        if (rc != HALVET_OK) return rc;
        if (c.hasValue) {
            rc = PutAttrVal(ctx, request.get(), c.syntax, c.value);
            if (rc != HALVET_OK) return rc;
        }
    }
    return ModifyObject(ctx, object, request.get());
}

int32_t ReadValues(HALVET_CONTEXT ctx, const char* object, const char* attr, std::vector<RawValue>& values,
                   uint32_t replySize, int* replies)
{
    values.clear();
    DirBuffer request(HALVET_DEFAULT_BUFFER_SIZE, HALVET_OP_READ);
    DirBuffer reply(replySize);
    int32_t rc = PutAttrName(ctx, request.get(), attr);
    if (rc != HALVET_OK) return rc;
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    if (replies) *replies = 0;
    do {
        rc = ReadObject(ctx, object, HALVET_INFO_NAMES_AND_VALUES, 0, request.get(), &iteration, reply.get());
        if (rc != HALVET_OK) return rc;
        if (replies) ++*replies;
        uint32_t count = 0;
        rc = GetAttrCount(ctx, reply.get(), &count);
        if (rc != HALVET_OK) return rc;
        for (uint32_t a = 0; a < count; ++a) {
            char name[64];
            uint32_t valueCount = 0, syntax = 0;
            rc = GetAttrName(ctx, reply.get(), name, sizeof(name), &valueCount, &syntax);
            if (rc != HALVET_OK) return rc;
            for (uint32_t v = 0; v < valueCount; ++v) {
                uint32_t size = 0;
                rc = ComputeAttrValSize(ctx, reply.get(), syntax, &size);
                if (rc != HALVET_OK) return rc;
                RawValue value;
                value.syntax = syntax;
                value.bytes.assign(size + 16, 0xCD);
                rc = GetAttrVal(ctx, reply.get(), syntax, value.bytes.data(), size);
                if (rc != HALVET_OK) return rc;
                for (size_t g = size; g < size + 16; ++g)
                    if (value.bytes[g] != 0xCD) return -12345;  // written past the size
                value.bytes.resize(size);
                values.push_back(std::move(value));
            }
        }
    } while (iteration != HALVET_NO_ITERATION);
    return HALVET_OK;
}

std::vector<std::string> ReadTexts(HALVET_CONTEXT ctx, const char* object, const char* attr)
{
    std::vector<RawValue> values;
    std::vector<std::string> texts;
    if (ReadValues(ctx, object, attr, values) != HALVET_OK) return {"<read failed>"};
    for (const RawValue& v : values) texts.emplace_back(v.text(), strnlen(v.text(), v.bytes.size()));
    return texts;
}

Listed ListAll(HALVET_CONTEXT ctx, const char* container, const char* cls, uint32_t size)
{
    Listed out;
    DirBuffer reply(size, HALVET_OP_LIST);
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    do {
        out.rc = cls ? ListByClass(ctx, container, cls, nullptr, &iteration, reply.get())
                     : ListContainer(ctx, container, &iteration, reply.get());
        if (out.rc != HALVET_OK) return out;
        ++out.replies;
        uint32_t count = 0;
        out.rc = GetObjectCount(ctx, reply.get(), &count);
        if (out.rc != HALVET_OK) return out;
        for (uint32_t i = 0; i < count; ++i) {
            char name[4096];
            uint32_t attrs = 0;
            HALVET_OBJECT_INFO info{};
            out.rc = GetObjectName(ctx, reply.get(), name, sizeof(name), &attrs, &info);
            if (out.rc != HALVET_OK) return out;
            out.names.push_back(name);
            out.infos.push_back(info);
        }
        char extra[64];
        if (GetObjectName(ctx, reply.get(), extra, sizeof(extra), nullptr, nullptr) != HALVET_ERR_BUFFER_EMPTY)
            out.rc = -1;
    } while (iteration != HALVET_NO_ITERATION);
    return out;
}

HANDLE StartClientsWriter(const std::string& image, const std::string& object, const std::string& attr,
                          const std::string& prefix, const std::string& count)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, n);
    std::string exe = self.substr(0, self.find_last_of("\\/") + 1) + "clients_writer.exe";
    std::string command = "\"" + exe + "\" \"" + image + "\" \"" + object + "\" \"" + attr + "\" " + prefix + " " + count;
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start " << exe << ": " << GetLastError();
        return nullptr;
    }
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

DWORD FinishProcess(HANDLE process, DWORD timeoutMs)
{
    DWORD code = 999;
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) TerminateProcess(process, 998);
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

bool Inside(const RawValue& value, const void* p)
{
    const uint8_t* b = static_cast<const uint8_t*>(p);
    return b >= value.bytes.data() && b < value.bytes.data() + value.bytes.size();
}

void ImageTest::SetUp()
{
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    static int serial = 0;
    folder_ = std::string(temp) + "halvet-clients-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++serial);
    RemoveTree(folder_);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    image_ = folder_ + "\\dir.json";
    // The streams first: a server loaded from the image takes their bytes.
    CreateDirectoryA((folder_ + "\\dir.streams").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(folder_ + "\\dir.streams\\jdoe-login.txt", "MAP F:=SYS:\r\n"));
    WriteImage(StandardImage());
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", image_.c_str());
    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", nullptr);
}

void ImageTest::TearDown()
{
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", nullptr);
    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", nullptr);
    RemoveTree(folder_);
}

void ImageTest::WriteImage(const std::string& text)
{
    std::string served = text;
    if (ldap_) {
        const std::string tree = "\"name\": \"ORREL_TREE\",";
        size_t at = served.find(tree);
        ASSERT_NE(std::string::npos, at) << "the image has no ORREL_TREE";
        served.insert(at + tree.size(),
                      " \"ldap\": {\"host\": \"127.0.0.1\", \"port\": 389, \"password\": \"orrel\"},");
    }
    // Replace in one step, as a program writing the image would.
    std::string temp = image_ + ".write";
    ASSERT_TRUE(WriteWholeFile(temp, served));
    ASSERT_TRUE(MoveFileExA(temp.c_str(), image_.c_str(), MOVEFILE_REPLACE_EXISTING)) << GetLastError();
    if (ldap_) {
        std::string why;
        ASSERT_TRUE(ServeTreeOf(image_, why)) << why;
    }
}

std::vector<Source> SourcesToTest()
{
    std::vector<Source> sources{Source::Image};
    if (!ReloadFolder().empty()) sources.push_back(Source::Ldap);
    return sources;
}

std::string SourceName(const ::testing::TestParamInfo<Source>& info)
{
    return info.param == Source::Ldap ? "Ldap" : "Image";
}

}  // namespace clients_test
