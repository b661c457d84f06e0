// The shipped sample directory, read through HalvetDirClient as the system's
// DLLs read it: what the trees list, the values and syntaxes the pages
// expect, the login scripts, and the rights of the two identities. Each test
// works on a fresh copy of the sample, so the shipped file never changes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "halvet/dirclient.h"

namespace {

std::string SourcePath(const char* relative)
{
    std::string path = std::string("Z:") + ORREL_SOURCE_DIR + "/" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Directory names as the client gives them, with or without the leading ".".
std::string Absolute(std::string name)
{
    return name.empty() || name[0] == '.' ? name : "." + name;
}

bool CopyFolder(const std::string& from, const std::string& to)
{
    if (!CreateDirectoryA(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ok = ok && CopyFileA((from + "\\" + data.cFileName).c_str(), (to + "\\" + data.cFileName).c_str(), FALSE);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return ok;
}

void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolder(folder + "\\" + name);
            } else {
                DeleteFileA((folder + "\\" + name).c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// A directory buffer freed at the end of its scope.
class Buffer {
public:
    explicit Buffer(uint32_t size) { rc_ = AllocDirBuffer(size, &buffer_); }
    ~Buffer()
    {
        if (buffer_) FreeDirBuffer(buffer_);
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    HALVET_BUFFER* Get() const { return buffer_; }
    int32_t Result() const { return rc_; }

private:
    HALVET_BUFFER* buffer_ = nullptr;
    int32_t rc_;
};

struct Listed {
    uint32_t flags;
    std::string cls;
};

struct Values {
    int32_t rc = 0;
    uint32_t syntax = 0;
    std::vector<std::vector<uint8_t>> values;  // records as GetAttrVal wrote them

    std::string Text(size_t i = 0) const
    {
        if (i >= values.size()) return "<no value " + std::to_string(i) + ">";
        return std::string(reinterpret_cast<const char*>(values[i].data()),
                           strnlen(reinterpret_cast<const char*>(values[i].data()), values[i].size()));
    }
    template <class T>
    T As(size_t i = 0) const
    {
        T out{};
        if (i < values.size() && values[i].size() >= sizeof(T)) std::memcpy(&out, values[i].data(), sizeof(T));
        return out;
    }
};

class SampleDirectory : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
        folder_ = std::string(temp) + "orrel-sample-test-" + std::to_string(GetCurrentProcessId());
        RemoveFolder(folder_);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
        image_ = folder_ + "\\orrel-sample-directory.json";
        ASSERT_TRUE(CopyFileA(SourcePath("platform/sample/orrel-sample-directory.json").c_str(),
                              image_.c_str(), FALSE))
            << "the shipped sample is missing";
        ASSERT_TRUE(CopyFolder(SourcePath("platform/sample/orrel-sample-directory.streams"),
                               folder_ + "\\orrel-sample-directory.streams"));
        SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", image_.c_str());
        SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", nullptr);
        ASSERT_NE(0, DirClientAvailable()) << "the sample does not load";
    }
    void TearDown() override
    {
        for (HALVET_CONTEXT c : contexts_) FreeDirContext(c);
        SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", nullptr);
        SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", nullptr);
        RemoveFolder(folder_);
    }

    // A context on a tree with the name context "[Root]" and the usual flags,
    // as every DLL of the system sets one up.
    HALVET_CONTEXT Context(const char* tree = "ORREL_TREE")
    {
        HALVET_CONTEXT context = HALVET_NO_CONTEXT;
        EXPECT_EQ(0, CreateDirContext(&context));
        contexts_.push_back(context);
        EXPECT_EQ(0, SetDirContextValue(context, HALVET_CTX_KEY_TREE_NAME, tree)) << tree;
        EXPECT_EQ(0, SetDirContextValue(context, HALVET_CTX_KEY_NAME_CONTEXT, HALVET_ROOT_NAME));
        uint32_t flags = 0;
        EXPECT_EQ(0, GetDirContextValue(context, HALVET_CTX_KEY_FLAGS, &flags, sizeof flags));
        flags |= HALVET_CTX_FLAGS_USUAL;
        EXPECT_EQ(0, SetDirContextValue(context, HALVET_CTX_KEY_FLAGS, &flags));
        return context;
    }

    // label -> entry flags and base class, of every object below container
    // (of one class when cls is given), read in 4096-byte replies.
    std::map<std::string, Listed> List(HALVET_CONTEXT context, const char* container,
                                       const char* cls = nullptr)
    {
        std::map<std::string, Listed> out;
        Buffer reply(HALVET_LIST_BUFFER_SIZE);
        EXPECT_EQ(0, reply.Result());
        HALVET_ITERATION iteration = HALVET_NO_ITERATION;
        do {
            int32_t rc = cls ? ListByClass(context, container, cls, nullptr, &iteration, reply.Get())
                             : ListContainer(context, container, &iteration, reply.Get());
            if (rc != 0) {
                ADD_FAILURE() << "listing " << container << " failed with " << rc;
                break;
            }
            uint32_t count = 0;
            EXPECT_EQ(0, GetObjectCount(context, reply.Get(), &count));
            for (uint32_t i = 0; i < count; ++i) {
                char name[HALVET_MAX_DN_BYTES];
                HALVET_OBJECT_INFO info = {};
                EXPECT_EQ(0, GetObjectName(context, reply.Get(), name, sizeof name, nullptr, &info));
                out[name] = Listed{info.entryFlags, info.baseClass};
            }
        } while (iteration != HALVET_NO_ITERATION);
        return out;
    }

    // Every value of one attribute, as the pages read it (Part of the page
    // framework's ReadValueList, without the text conversion).
    Values Read(HALVET_CONTEXT context, const char* object, const char* attribute)
    {
        Values out;
        Buffer request(HALVET_DEFAULT_BUFFER_SIZE), reply(HALVET_DEFAULT_BUFFER_SIZE);
        if ((out.rc = InitDirBuffer(HALVET_OP_READ, request.Get())) != 0) return out;
        if ((out.rc = PutAttrName(context, request.Get(), attribute)) != 0) return out;
        HALVET_ITERATION iteration = HALVET_NO_ITERATION;
        do {
            out.rc = ReadObject(context, object, HALVET_INFO_NAMES_AND_VALUES, 0, request.Get(), &iteration,
                                reply.Get());
            if (out.rc != 0) return out;
            uint32_t count = 0;
            if ((out.rc = GetAttrCount(context, reply.Get(), &count)) != 0 || count == 0) return out;
            char name[HALVET_MAX_SCHEMA_NAME_CHARS + 1];
            uint32_t valueCount = 0;
            if ((out.rc = GetAttrName(context, reply.Get(), name, sizeof name, &valueCount, &out.syntax)) != 0)
                return out;
            for (uint32_t v = 0; v < valueCount; ++v) {
                uint32_t size = 0;
                if ((out.rc = ComputeAttrValSize(context, reply.Get(), out.syntax, &size)) != 0) return out;
                std::vector<uint8_t> value(size);
                if ((out.rc = GetAttrVal(context, reply.Get(), out.syntax, value.data(), size)) != 0) return out;
                out.values.push_back(std::move(value));
            }
        } while (iteration != HALVET_NO_ITERATION);
        return out;
    }

    uint32_t Rights(HALVET_CONTEXT context, const char* object, const char* attribute)
    {
        char me[HALVET_MAX_DN_BYTES];
        EXPECT_EQ(0, WhoAmI(context, me, sizeof me));
        uint32_t rights = 0;
        int32_t rc = GetEffectiveRights(context, me, object, attribute, &rights);
        EXPECT_EQ(0, rc) << "rights of " << me << " on " << object << " " << attribute;
        return rights & (HALVET_RIGHT_READ | HALVET_RIGHT_WRITE);
    }

    std::string folder_, image_;
    std::vector<HALVET_CONTEXT> contexts_;
};

TEST_F(SampleDirectory, TreesListTheirTopLevelContainers)
{
    struct Case {
        const char* tree;
        std::map<std::string, std::string> top;  // label -> class
    } cases[] = {
        {"ORREL_TREE", {{"Corp", "Organization"}, {"FR", "Country"}}},
        {"SMALL_TREE", {{"Acme", "Organization"}}},
    };
    for (const auto& c : cases) {
        auto listed = List(Context(c.tree), "");
        ASSERT_EQ(c.top.size(), listed.size()) << c.tree;
        for (const auto& [label, cls] : c.top) {
            auto it = listed.find(label);
            ASSERT_NE(listed.end(), it) << c.tree << ": no " << label;
            EXPECT_EQ(cls, it->second.cls) << c.tree << " " << label;
            EXPECT_EQ(HALVET_ENTRY_CONTAINER, it->second.flags) << c.tree << " " << label;
        }
    }
}

TEST_F(SampleDirectory, CorpHoldsUnitsLocalitiesServersAliasesAndAPartitionRoot)
{
    auto listed = List(Context(), ".Corp");
    struct Case {
        const char* label;
        const char* cls;
        uint32_t flags;
    } cases[] = {
        {"Sales", "Organizational Unit", HALVET_ENTRY_CONTAINER},
        {"Engineering", "Organizational Unit", HALVET_ENTRY_CONTAINER | HALVET_ENTRY_PARTITION_ROOT},
        {"Marketing", "Organizational Unit", HALVET_ENTRY_CONTAINER},
        {"Support", "Organizational Unit", HALVET_ENTRY_CONTAINER},
        {"Boston", "Locality", HALVET_ENTRY_CONTAINER},
        {"Texas", "Locality", HALVET_ENTRY_CONTAINER},
        {"Admin", "User", 0},
        {"Guest", "User", 0},
        {"Boss", "User", HALVET_ENTRY_ALIAS},
        {"Field", "Organizational Unit", HALVET_ENTRY_CONTAINER_ALIAS},
        {"ORREL-FS1", "File Server", 0},
        {"ORREL-PS1", "Print Server", 0},
        {"ORREL-FS1_SYS", "Volume", 0},
        {"Archive", "Volume", 0},
        {"Everyone", "Group", 0},
        {"Empty", "Group", 0},
    };
    for (const auto& c : cases) {
        auto it = listed.find(c.label);
        ASSERT_NE(listed.end(), it) << "Corp does not list " << c.label;
        EXPECT_EQ(c.cls, it->second.cls) << c.label;
        EXPECT_EQ(c.flags, it->second.flags) << c.label;
    }
}

TEST_F(SampleDirectory, UnitsHoldFortyUsersBetweenThem)
{
    HALVET_CONTEXT context = Context();
    struct Case {
        const char* unit;
        size_t users;
    } cases[] = {
        {".Corp", 3},  // Admin, Guest and the alias Boss, which lists as a User
        {".Sales.Corp", 10}, {".Inside.Sales.Corp", 3}, {".Engineering.Corp", 10},
        {".QA.Engineering.Corp", 4}, {".Marketing.Corp", 6}, {".Support.Corp", 5},
    };
    size_t total = 0;
    for (const auto& c : cases) {
        auto users = List(context, c.unit, "User");
        EXPECT_EQ(c.users, users.size()) << c.unit;
        for (const auto& [label, entry] : users) {
            if (!(entry.flags & HALVET_ENTRY_ALIAS)) ++total;
        }
    }
    EXPECT_EQ(40u, total);
    auto sales = List(context, ".Sales.Corp");
    for (const char* label : {"Inside", "Staff", "Laser-1", "Laser-Q", "Draft-Q", "JDoe"}) {
        EXPECT_TRUE(sales.count(label)) << "Sales does not list " << label;
    }
}

TEST_F(SampleDirectory, UserValuesCarryThePagesSyntaxes)
{
    HALVET_CONTEXT context = Context();
    const char* jdoe = ".JDoe.Sales.Corp";

    Values v = Read(context, jdoe, "Surname");
    EXPECT_EQ(0, v.rc);
    EXPECT_EQ(3u, v.syntax);
    EXPECT_EQ("Doe", v.Text());

    v = Read(context, jdoe, "CN");
    ASSERT_EQ(3u, v.values.size()) << "JDoe's names";
    EXPECT_EQ("JDoe", v.Text(0)) << "the naming value comes first";
    EXPECT_EQ("John Doe", v.Text(1));

    v = Read(context, jdoe, "Password Expiration Interval");
    EXPECT_EQ(27u, v.syntax);
    EXPECT_EQ(7776000, v.As<int32_t>()) << "shown as 90 days";

    v = Read(context, jdoe, "Login Allowed Time Map");
    EXPECT_EQ(9u, v.syntax);
    ASSERT_EQ(1u, v.values.size());
    EXPECT_EQ(42u, v.As<HALVET_OCTET_STRING>().length);

    v = Read(context, jdoe, "EMail Address");
    EXPECT_EQ(14u, v.syntax);
    HALVET_EMAIL_ADDRESS mail = v.As<HALVET_EMAIL_ADDRESS>();
    ASSERT_NE(nullptr, mail.address);
    EXPECT_STREQ("SMTP:jdoe@corp.example", mail.address);

    v = Read(context, jdoe, "Postal Address");
    EXPECT_EQ(18u, v.syntax);
    HALVET_POSTAL_ADDRESS postal = v.As<HALVET_POSTAL_ADDRESS>();
    ASSERT_NE(nullptr, postal.line[1]);
    EXPECT_STREQ("1 Harbor Way", postal.line[1]);

    v = Read(context, jdoe, "Group Membership");
    EXPECT_EQ(1u, v.syntax);
    ASSERT_FALSE(v.values.empty());
    EXPECT_EQ(".Staff.Sales.Corp", Absolute(v.Text(0)));

    struct Flag {
        const char* user;
        const char* attribute;
        uint32_t syntax;
        int32_t value;
    } flags[] = {
        {".DPark.Sales.Corp", "Allow Unlimited Credit", 7, 1},
        {".JDoe.Sales.Corp", "Allow Unlimited Credit", 7, 0},
        {".JKhan.Support.Corp", "Login Disabled", 7, 1},
        {".JDoe.Sales.Corp", "Login Grace Limit", 8, 6},
        {".JDoe.Sales.Corp", "Password Required", 7, 1},
    };
    for (const auto& f : flags) {
        v = Read(context, f.user, f.attribute);
        EXPECT_EQ(f.syntax, v.syntax) << f.user << " " << f.attribute;
        int32_t found = f.syntax == 7 ? v.As<uint8_t>() : v.As<int32_t>();
        EXPECT_EQ(f.value, found) << f.user << " " << f.attribute;
    }

    v = Read(context, ".BKing.Sales.Corp", "Login Grace Limit");
    EXPECT_TRUE(v.values.empty()) << "BKing has no grace limit, found " << v.values.size() << " values";

    v = Read(context, ".AKim.Sales.Corp", "L");
    ASSERT_EQ(2u, v.values.size());
    EXPECT_EQ("HomePage: http://intranet.corp.example/people/akim", v.Text(1));
    v = Read(context, ".MStone.Sales.Corp", "L");
    ASSERT_EQ(1u, v.values.size());
    EXPECT_EQ(0u, v.Text(0).find("Boston")) << "no home page: " << v.Text(0);
}

TEST_F(SampleDirectory, LoginScriptsAreStreamsAndSomeUsersHaveNone)
{
    HALVET_CONTEXT context = Context();
    void* handle = nullptr;
    ASSERT_EQ(0, OpenStream(context, ".JDoe.Sales.Corp", "Login Script", HALVET_STREAM_READ, &handle));
    char text[512] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(static_cast<HANDLE>(handle), text, sizeof text - 1, &read, nullptr));
    CloseHandle(static_cast<HANDLE>(handle));
    EXPECT_EQ(0, std::strncmp(text, "REM Login script of .JDoe.Sales.Corp\r\n", 38)) << text;

    for (const char* user : {".Guest.Corp", ".CLane.Sales.Corp"}) {
        handle = nullptr;
        EXPECT_EQ(HALVET_ERR_NO_SUCH_VALUE, OpenStream(context, user, "Login Script", HALVET_STREAM_READ, &handle))
            << user;
    }
    ASSERT_EQ(0, OpenStream(context, ".Corp", "Login Script", HALVET_STREAM_READ, &handle))
        << "the Organization has a login script too";
    CloseHandle(static_cast<HANDLE>(handle));
}

TEST_F(SampleDirectory, PrintersCarryWholeAndShortConfigurationRecords)
{
    HALVET_CONTEXT context = Context();
    Values v = Read(context, ".Laser-1.Sales.Corp", "Printer Configuration");
    ASSERT_EQ(9u, v.syntax);
    HALVET_OCTET_STRING record = v.As<HALVET_OCTET_STRING>();
    ASSERT_EQ(1072u, record.length);
    ASSERT_NE(nullptr, record.data);
    EXPECT_EQ(1, record.data[0] | (record.data[1] << 8)) << "printer type Parallel";
    EXPECT_EQ(5, record.data[8] | (record.data[9] << 8)) << "service interval";
    EXPECT_EQ(0, std::memcmp(record.data + 16, "LASR\0\0\0\0", 8)) << "driver name, zero padded";

    v = Read(context, ".Old-Printer.Support.Corp", "Printer Configuration");
    ASSERT_EQ(9u, v.syntax);
    EXPECT_EQ(12u, v.As<HALVET_OCTET_STRING>().length) << "a record cut short";

    v = Read(context, ".Laser-1.Sales.Corp", "Queue");
    EXPECT_EQ(25u, v.syntax);
    ASSERT_EQ(2u, v.values.size());
    HALVET_TYPED_NAME queue = v.As<HALVET_TYPED_NAME>(0);
    ASSERT_NE(nullptr, queue.objectName);
    EXPECT_EQ(".Laser-Q.Sales.Corp", Absolute(queue.objectName));
    EXPECT_EQ(1u, queue.level);
    v = Read(context, ".Laser-1.Sales.Corp", "Default Queue");
    EXPECT_EQ(".laser-q.sales.corp", Absolute(v.Text())) << "differs from the queue only in letter case";
}

TEST_F(SampleDirectory, SchemaDefinesWhatThePagesReadWithTheirSyntaxes)
{
    const std::map<std::string, uint32_t> expected = {
        {"Given Name", 3}, {"Initials", 3}, {"Surname", 3}, {"Full Name", 3},
        {"Generational Qualifier", 3}, {"CN", 3}, {"EMail Address", 14}, {"Title", 3},
        {"Description", 3}, {"L", 3}, {"O", 3}, {"OU", 3}, {"Telephone Number", 3},
        {"Facsimile Telephone Number", 11}, {"SA", 3}, {"Postal Office Box", 3},
        {"Physical Delivery Office Name", 3}, {"S", 3}, {"Postal Code", 3}, {"Postal Address", 18},
        {"Login Script", 21}, {"Last Login Time", 24}, {"Login Expiration Time", 24},
        {"Login Grace Limit", 8}, {"Login Grace Remaining", 22}, {"Login Maximum Simultaneous", 8},
        {"Login Disabled", 7}, {"Allow Unlimited Credit", 7}, {"Minimum Account Balance", 8},
        {"Account Balance", 22}, {"Login Allowed Time Map", 9}, {"Password Allow Change", 7},
        {"Password Required", 7}, {"Password Minimum Length", 8}, {"Password Expiration Interval", 27},
        {"Password Expiration Time", 24}, {"Password Unique Required", 7}, {"Group Membership", 1},
        {"Member", 1}, {"Owner", 1}, {"Operator", 1}, {"Host Server", 1}, {"Host Resource Name", 3},
        {"Network Address", 12}, {"Print Server", 25}, {"Queue", 25}, {"Default Queue", 1},
        {"Printer Configuration", 9}, {"Network Address Restriction", 12},
        {"Page Description Language", 4}, {"Memory", 8}, {"Supported Typefaces", 3}, {"Cartridge", 3},
        {"Volume", 1}, {"Server", 1}, {"Device", 1}, {"User", 1}, {"Internet EMail Address", 3},
        {"Message Server", 1}, {"Home Directory", 15}, {"Object Class", 20}, {"ACL", 17},
    };
    HALVET_CONTEXT context = Context();
    Buffer request(HALVET_DEFAULT_BUFFER_SIZE), reply(HALVET_DEFAULT_BUFFER_SIZE);
    ASSERT_EQ(0, InitDirBuffer(HALVET_OP_ATTR_DEFS, request.Get()));
    for (const auto& [name, syntax] : expected) ASSERT_EQ(0, PutAttrName(context, request.Get(), name.c_str())) << name;
    std::map<std::string, uint32_t> found;
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    do {
        ASSERT_EQ(0, ReadAttrDef(context, HALVET_DEF_FULL, 0, request.Get(), &iteration, reply.Get()));
        uint32_t count = 0;
        ASSERT_EQ(0, GetAttrDefCount(context, reply.Get(), &count));
        for (uint32_t i = 0; i < count; ++i) {
            char name[HALVET_MAX_SCHEMA_NAME_CHARS + 1];
            HALVET_ATTR_INFO info = {};
            ASSERT_EQ(0, GetAttrDef(context, reply.Get(), name, sizeof name, &info));
            found[name] = info.syntax;
        }
    } while (iteration != HALVET_NO_ITERATION);
    for (const auto& [name, syntax] : expected) {
        auto it = found.find(name);
        if (it == found.end()) {
            ADD_FAILURE() << "the schema does not define " << name;
            continue;
        }
        EXPECT_EQ(syntax, it->second) << name;
    }
}

TEST_F(SampleDirectory, FirstIdentityMayReadAndWriteEverything)
{
    HALVET_CONTEXT context = Context();
    char me[HALVET_MAX_DN_BYTES];
    ASSERT_EQ(0, WhoAmI(context, me, sizeof me));
    EXPECT_EQ(".Admin.Corp", Absolute(me));
    const uint32_t all = HALVET_RIGHT_READ | HALVET_RIGHT_WRITE;
    for (const char* object : {".JDoe.Sales.Corp", ".Corp", ".Laser-1.Sales.Corp", ".Paris.FR"}) {
        for (const char* attribute : {"Login Script", "Telephone Number", "Printer Configuration", "L"}) {
            EXPECT_EQ(all, Rights(context, object, attribute)) << object << " " << attribute;
        }
    }
    HALVET_CONTEXT small = Context("SMALL_TREE");
    ASSERT_EQ(0, WhoAmI(small, me, sizeof me));
    EXPECT_EQ(".Admin.Acme", Absolute(me));
    EXPECT_EQ(all, Rights(small, ".RNash.Ops.Acme", "Telephone Number"));
}

TEST_F(SampleDirectory, SecondIdentityHasTheDocumentedRights)
{
    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", "second");
    HALVET_CONTEXT context = Context();
    char me[HALVET_MAX_DN_BYTES];
    ASSERT_EQ(0, WhoAmI(context, me, sizeof me));
    EXPECT_EQ(".Guest.Corp", Absolute(me));
    const uint32_t R = HALVET_RIGHT_READ, W = HALVET_RIGHT_WRITE;
    struct Case {
        const char* object;
        const char* attribute;
        uint32_t rights;
    } cases[] = {
        {".LChen.Engineering.Corp", "Given Name", R},
        {".LChen.Engineering.Corp", "Telephone Number", R},
        {".LChen.Engineering.Corp", "Login Script", 0},
        {".LChen.Engineering.Corp", "Last Login Time", 0},
        {".LChen.Engineering.Corp", "Login Allowed Time Map", 0},
        {".LChen.Engineering.Corp", "Password Allow Change", 0},
        {".LChen.Engineering.Corp", "Group Membership", 0},
        {".LChen.Engineering.Corp", "SA", 0},
        {".LChen.Engineering.Corp", "Postal Address", 0},
        {".JDoe.Sales.Corp", "Telephone Number", R | W},
        {".JDoe.Sales.Corp", "Title", R | W},
        {".JDoe.Sales.Corp", "Description", R | W},
        {".JDoe.Sales.Corp", "Surname", R},
        {".JDoe.Sales.Corp", "Login Script", 0},
        {".Guest.Corp", "Login Script", R | W},
        {".Staff.Sales.Corp", "Member", 0},
        {".Staff.Sales.Corp", "CN", R},
        {".Laser-1.Sales.Corp", "Printer Configuration", 0},
        {".Laser-1.Sales.Corp", "Network Address Restriction", 0},
        {".Laser-1.Sales.Corp", "Queue", R},
        {".Boston.Corp", "S", R},
        {".Boston.Corp", "SA", R},
        {".Paris.FR", "S", R},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.rights, Rights(context, c.object, c.attribute)) << c.object << " " << c.attribute;
    }

    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", "second");
    HALVET_CONTEXT small = Context("SMALL_TREE");
    ASSERT_EQ(0, WhoAmI(small, me, sizeof me));
    EXPECT_EQ(".Guest.Acme", Absolute(me));
    EXPECT_EQ(R, Rights(small, ".RNash.Ops.Acme", "Telephone Number"));
}

TEST_F(SampleDirectory, SecondIdentityWritesOnlyWhereItHasTheRight)
{
    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", "second");
    HALVET_CONTEXT context = Context();
    auto addPhone = [&](const char* object) {
        Buffer request(HALVET_LIST_BUFFER_SIZE);
        EXPECT_EQ(0, InitDirBuffer(HALVET_OP_MODIFY, request.Get()));
        EXPECT_EQ(0, PutChange(context, request.Get(), HALVET_CHANGE_ADD_VALUE, "Telephone Number"));
        EXPECT_EQ(0, PutAttrVal(context, request.Get(), HALVET_SYNTAX_CI_STRING, "555-7777"));
        return ModifyObject(context, object, request.Get());
    };
    EXPECT_EQ(0, addPhone(".JDoe.Sales.Corp")) << "written with syntax 3, as the Work page writes it";
    EXPECT_EQ(HALVET_ERR_NO_ACCESS, addPhone(".LChen.Engineering.Corp"));
    Values v = Read(context, ".JDoe.Sales.Corp", "Telephone Number");
    EXPECT_EQ("555-7777", v.values.empty() ? std::string() : v.Text(v.values.size() - 1));
    v = Read(context, ".LChen.Engineering.Corp", "Telephone Number");
    for (size_t i = 0; i < v.values.size(); ++i) EXPECT_NE("555-7777", v.Text(i));
}

}  // namespace
