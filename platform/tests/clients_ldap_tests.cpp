// The directory client over both sources of a tree: the sample directory
// served from its image, and the same sample served live by slapd on
// 127.0.0.1:389 (slapd-run.sh loads it around this program). The same
// behaviour is expected of both: reads of the sample's mapped values, writes
// as the administrator seen by the search, the restricted identity's
// refusal, writers in two processes and login scripts. Listings, every
// syntax, definitions, rights and the write rules run on both sources in
// halvet_client_tests (over its own image).
//
// Objects are given to one test each, since the server keeps what a test
// wrote for the next: JDoe is read, MStone written, AKim written by two
// processes at once.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "clients_support.h"

#include <shlobj.h>
#include <winldap.h>

using namespace clients_test;

namespace {

std::string SourcePath(const char* relative)
{
    return std::string("Z:") + ORREL_SOURCE_DIR + "/" + relative;
}

// The sample image; with ldap, its tree is served by the local slapd.
std::string SampleImage(bool ldap)
{
    std::string text = ReadWholeFile(SourcePath("platform/sample/orrel-sample-directory.json"));
    if (ldap) {
        const std::string tree = "\"name\": \"ORREL_TREE\",";
        size_t at = text.find(tree);
        if (at == std::string::npos) return "";
        text.insert(at + tree.size(), " \"ldap\": {\"host\": \"127.0.0.1\", \"port\": 389, \"password\": \"orrel\"},");
    }
    return text;
}

// What an anonymous client of the server (the search) finds: the DN and the
// first value of attr of each entry matching filter below base.
std::vector<std::pair<std::string, std::string>> FindOnServer(const char* base, ULONG scope, const char* filter,
                                                              const char* attr)
{
    std::vector<std::pair<std::string, std::string>> found;
    LDAP* ld = ldap_initA(const_cast<char*>("127.0.0.1"), 389);
    if (!ld) return found;
    ULONG version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    LDAPMessage* result = nullptr;
    char* attrs[] = {const_cast<char*>(attr), nullptr};
    if (ldap_simple_bind_sA(ld, nullptr, nullptr) == 0 &&
        ldap_search_sA(ld, const_cast<char*>(base), scope, const_cast<char*>(filter), attrs, 0, &result) == 0) {
        for (LDAPMessage* e = ldap_first_entry(ld, result); e; e = ldap_next_entry(ld, e)) {
            char* dn = ldap_get_dnA(ld, e);
            berval** values = ldap_get_values_lenA(ld, e, const_cast<char*>(attr));
            std::string value;
            if (values && values[0] && values[0]->bv_val) value.assign(values[0]->bv_val, values[0]->bv_len);
            found.emplace_back(dn ? dn : "", value);
            if (values) ldap_value_free_len(values);
            if (dn) ldap_memfreeA(dn);
        }
    }
    if (result) ldap_msgfree(result);
    ldap_unbind(ld);
    return found;
}

// The administrator's own connection to the server, as from another
// workstation.
class AdminConnection {
public:
    AdminConnection()
    {
        ld_ = ldap_initA(const_cast<char*>("127.0.0.1"), 389);
        if (!ld_) return;
        ULONG version = LDAP_VERSION3;
        ldap_set_option(ld_, LDAP_OPT_PROTOCOL_VERSION, &version);
        bound_ = ldap_simple_bind_sA(ld_, const_cast<char*>("cn=Admin,o=Corp"), const_cast<char*>("orrel")) == 0;
    }
    ~AdminConnection()
    {
        if (ld_) ldap_unbind(ld_);
    }
    AdminConnection(const AdminConnection&) = delete;
    AdminConnection& operator=(const AdminConnection&) = delete;
    bool bound() const { return bound_; }
    // A User with a login script.
    ULONG AddUser(const char* dn, const char* surname, const std::string& script)
    {
        char* classes[] = {const_cast<char*>("top"), const_cast<char*>("person"),
                           const_cast<char*>("organizationalPerson"), const_cast<char*>("inetOrgPerson"),
                           const_cast<char*>("orrelPerson"), nullptr};
        char* sn[] = {const_cast<char*>(surname), nullptr};
        berval scriptValue = {static_cast<ULONG>(script.size()), const_cast<char*>(script.data())};
        berval* scripts[] = {&scriptValue, nullptr};
        LDAPModA modClasses = {}, modSn = {}, modScript = {};
        modClasses.mod_op = modSn.mod_op = LDAP_MOD_ADD;
        modClasses.mod_type = const_cast<char*>("objectClass");
        modClasses.mod_vals.modv_strvals = classes;
        modSn.mod_type = const_cast<char*>("sn");
        modSn.mod_vals.modv_strvals = sn;
        modScript.mod_op = LDAP_MOD_ADD | LDAP_MOD_BVALUES;
        modScript.mod_type = const_cast<char*>("loginScript");
        modScript.mod_vals.modv_bvals = scripts;
        LDAPModA* mods[] = {&modClasses, &modSn, &modScript, nullptr};
        return ldap_add_sA(ld_, const_cast<char*>(dn), mods);
    }
    ULONG Remove(const char* dn) { return ldap_delete_sA(ld_, const_cast<char*>(dn)); }
    // One change of one value (op: LDAP_MOD_ADD, _DELETE or _REPLACE).
    ULONG Change(const char* dn, ULONG op, const char* attr, const char* value)
    {
        char* values[] = {const_cast<char*>(value), nullptr};
        LDAPModA mod = {};
        mod.mod_op = op;
        mod.mod_type = const_cast<char*>(attr);
        mod.mod_vals.modv_strvals = values;
        LDAPModA* mods[] = {&mod, nullptr};
        return ldap_modify_sA(ld_, const_cast<char*>(dn), mods);
    }

private:
    LDAP* ld_ = nullptr;
    bool bound_ = false;
};

// The file of the user's stream outbox that the server refused holding
// content ("" when there is none).
std::string RefusedStreamHolding(const std::string& content)
{
    char appData[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, appData))) return "";
    std::string folder = std::string(appData) + "\\Orrel\\Stream Outbox\\Refused";
    for (const std::string& name : FilesIn(folder))
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dat") == 0 &&
            ReadWholeFile(folder + "\\" + name) == content)
            return folder + "\\" + name;
    return "";
}

// The whole content of a stream, or the error of opening it.
int32_t ReadStreamText(HALVET_CONTEXT ctx, const char* object, std::string& text)
{
    text.clear();
    void* handle = nullptr;
    int32_t rc = OpenStream(ctx, object, "Login Script", HALVET_STREAM_READ, &handle);
    if (rc != HALVET_OK) return rc;
    char chunk[4096];
    DWORD done = 0;
    while (ReadFile(handle, chunk, sizeof(chunk), &done, nullptr) && done > 0) text.append(chunk, done);
    CloseHandle(handle);
    return HALVET_OK;
}

// Writes a stream whole as the login script page does (seek to the start,
// write, end the file there, close); the error of opening it, or -1 when a
// file operation failed.
int32_t WriteStreamText(HALVET_CONTEXT ctx, const char* object, const std::string& text)
{
    void* handle = nullptr;
    int32_t rc = OpenStream(ctx, object, "Login Script", HALVET_STREAM_WRITE, &handle);
    if (rc != HALVET_OK) return rc;
    DWORD done = 0;
    bool written = SetFilePointer(handle, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                   WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
                   done == text.size() && SetEndOfFile(handle);
    CloseHandle(handle);
    return written ? HALVET_OK : -1;
}

class Sources : public ImageTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        ImageTest::SetUp();
        std::string text = SampleImage(GetParam());
        ASSERT_FALSE(text.empty()) << "the sample has no ORREL_TREE";
        WriteImage(text);
        SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", nullptr);
    }
    static void ActAsRestrictedIdentity(bool on)
    {
        SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", on ? "second" : nullptr);
    }
};

std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

TEST_P(Sources, ReadsTheMappedSyntaxes)
{
    DirContext ctx("Sales.Corp");
    EXPECT_EQ((std::vector<std::string>{"Doe"}), ReadTexts(ctx.get(), "JDoe", "Surname"));
    EXPECT_EQ((std::vector<std::string>{"Account Executive", "Mentor"}),
              Sorted(ReadTexts(ctx.get(), "JDoe", "Title")));
    EXPECT_EQ((std::vector<std::string>{"555-0111", "555-0703"}),
              Sorted(ReadTexts(ctx.get(), "JDoe", "Telephone Number")));

    std::vector<RawValue> values;
    ASSERT_EQ(HALVET_OK, ReadValues(ctx.get(), "JDoe", "Group Membership", values));
    ASSERT_FALSE(values.empty());
    std::vector<std::string> groups;
    for (const RawValue& v : values) groups.push_back(v.text());
    EXPECT_EQ(std::vector<std::string>{".Staff.Sales.Corp"}, groups);

    ASSERT_EQ(HALVET_OK, ReadValues(ctx.get(), "JDoe", "Login Disabled", values));
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(HALVET_SYNTAX_BOOLEAN, values[0].syntax);
    EXPECT_EQ(0, values[0].bytes[0]);

    ASSERT_EQ(HALVET_OK, ReadValues(ctx.get(), "JDoe", "Postal Address", values));
    ASSERT_EQ(1u, values.size());
    const auto* postal = static_cast<const HALVET_POSTAL_ADDRESS*>(values[0].data());
    EXPECT_STREQ("John Q. Doe Jr.", postal->line[0]);

    ASSERT_EQ(HALVET_OK, ReadValues(ctx.get(), "AKim", "Facsimile Telephone Number", values));
    ASSERT_EQ(1u, values.size());
    EXPECT_STREQ("555-0900", static_cast<const HALVET_FAX_NUMBER*>(values[0].data())->telephoneNumber);

    ASSERT_EQ(HALVET_OK, ReadValues(ctx.get(), ".ORREL-FS1.Corp", "Network Address", values));
    ASSERT_EQ(1u, values.size());
    const auto* address = static_cast<const HALVET_NET_ADDRESS*>(values[0].data());
    EXPECT_EQ(HALVET_NET_ADDRESS_IP, address->addressType);
    ASSERT_EQ(4u, address->addressLength);
    EXPECT_EQ(0x7f, address->address[0]);

    HALVET_OBJECT_INFO info{};
    char name[300];
    ASSERT_EQ(HALVET_OK, ReadObjectInfo(ctx.get(), "JDoe", name, sizeof(name), &info));
    EXPECT_STREQ(".JDoe.Sales.Corp", name);
    EXPECT_STREQ("User", info.baseClass);
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, ReadObjectInfo(ctx.get(), "Nobody", name, sizeof(name), &info));
}

TEST_P(Sources, AdministratorWritesAndTheRestrictedIdentityIsRefused)
{
    DirContext ctx("Sales.Corp");
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "MStone",
                                {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Title", HALVET_SYNTAX_CI_STRING, "Director"),
                                 AddText("Telephone Number", "555-0777"), RemoveText("Telephone Number", "555-0110")}));
    EXPECT_EQ((std::vector<std::string>{"Director"}), ReadTexts(ctx.get(), "MStone", "Title"));
    EXPECT_EQ((std::vector<std::string>{"555-0777"}), ReadTexts(ctx.get(), "MStone", "Telephone Number"));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_VALUE, Modify(ctx.get(), "MStone", {RemoveText("Title", "Not there")}));
    if (GetParam()) {
        // The search reads the same server: an anonymous search finds the
        // object by its new value at once.
        auto found = FindOnServer("o=Corp", LDAP_SCOPE_SUBTREE, "(&(objectClass=inetOrgPerson)(title=Director))",
                                  "title");
        ASSERT_EQ(1u, found.size());
        EXPECT_EQ("cn=MStone,ou=Sales,o=Corp", found[0].first);
    }

    uint32_t rights = 0;
    ASSERT_EQ(HALVET_OK, GetEffectiveRights(ctx.get(), ".Admin.Corp", "MStone", "Title", &rights));
    EXPECT_TRUE(rights & (HALVET_RIGHT_WRITE | HALVET_RIGHT_SUPERVISOR));
    ASSERT_EQ(HALVET_OK, GetEffectiveRights(ctx.get(), HALVET_SUBJECT_PUBLIC, "MStone", "Title", &rights));
    EXPECT_FALSE(rights & HALVET_RIGHT_WRITE);

    ActAsRestrictedIdentity(true);
    DirContext guest("Sales.Corp");
    char who[300];
    ASSERT_EQ(HALVET_OK, WhoAmI(guest.get(), who, sizeof(who)));
    EXPECT_STREQ(".Guest.Corp", who);
    EXPECT_EQ(HALVET_ERR_NO_ACCESS,
              Modify(guest.get(), "MStone",
                     {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Surname", HALVET_SYNTAX_CI_STRING, "Intruder")}));
    ActAsRestrictedIdentity(false);
    EXPECT_EQ((std::vector<std::string>{"Stone"}), ReadTexts(ctx.get(), "MStone", "Surname"));
    ASSERT_EQ(HALVET_OK, WhoAmI(ctx.get(), who, sizeof(who)));
    EXPECT_STREQ(".Admin.Corp", who);
}

TEST_P(Sources, TwoProcessesWritingDifferentAttributesLoseNothing)
{
    const int n = 15;
    HANDLE first = StartClientsWriter(image_, ".AKim.Sales.Corp", "Title", "title-", n);
    HANDLE second = StartClientsWriter(image_, ".AKim.Sales.Corp", "Description", "description-", n);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(0u, FinishProcess(first));
    EXPECT_EQ(0u, FinishProcess(second));
    DirContext ctx("Sales.Corp");
    std::vector<std::string> titles = ReadTexts(ctx.get(), "AKim", "Title");
    std::vector<std::string> descriptions = ReadTexts(ctx.get(), "AKim", "Description");
    for (int i = 0; i < n; ++i) {
        std::string title = "title-" + std::to_string(i), description = "description-" + std::to_string(i);
        EXPECT_NE(titles.end(), std::find(titles.begin(), titles.end(), title)) << title;
        EXPECT_NE(descriptions.end(), std::find(descriptions.begin(), descriptions.end(), description))
            << description;
    }
}

// Login scripts: on the server a binary attribute, here a file handle.
TEST_P(Sources, LoginScriptsAreReadAndWrittenAsStreams)
{
    // The image's copy of the sample keeps the sample's script of JDoe beside it.
    const std::string sample =
        ReadWholeFile(SourcePath("platform/sample/orrel-sample-directory.streams/JDoe_Sales_Corp.login"));
    ASSERT_FALSE(sample.empty());
    ASSERT_TRUE(WriteWholeFile(folder_ + "\\dir.streams\\JDoe_Sales_Corp.login", sample));
    DirContext ctx("Sales.Corp");
    std::string text;
    ASSERT_EQ(HALVET_OK, ReadStreamText(ctx.get(), "JDoe", text));
    EXPECT_EQ(sample, text);

    // Any bytes are kept as they are, a zero byte included.
    const char raw[] = "MAP G:=DATA:\r\n\0\xff WRITE \"Hi\"\r\n";
    const std::string script(raw, sizeof(raw) - 1);
    ASSERT_EQ(HALVET_OK, WriteStreamText(ctx.get(), "MStone", script));
    if (GetParam()) {
        // Another client of the server sees the new script once the handle is
        // closed, without this process calling again.
        std::string seen;
        for (int i = 0; i < 200 && seen != script; ++i) {
            auto found = FindOnServer("cn=MStone,ou=Sales,o=Corp", LDAP_SCOPE_BASE, "(objectClass=*)", "loginScript");
            seen = found.empty() ? "" : found[0].second;
            if (seen != script) Sleep(50);
        }
        EXPECT_EQ(script, seen);
    }
    ASSERT_EQ(HALVET_OK, ReadStreamText(ctx.get(), "MStone", text));
    EXPECT_EQ(script, text);

    // No script yet: -602 until the attribute is given a value, which is empty.
    EXPECT_EQ(HALVET_ERR_NO_SUCH_VALUE, ReadStreamText(ctx.get(), "CLane", text));
    ASSERT_EQ(HALVET_OK,
              Modify(ctx.get(), "CLane", {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Login Script", 21, nullptr)}));
    ASSERT_EQ(HALVET_OK, ReadStreamText(ctx.get(), "CLane", text));
    EXPECT_EQ("", text);
    // Giving it a value again keeps the content.
    ASSERT_EQ(HALVET_OK,
              Modify(ctx.get(), "MStone", {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Login Script", 21, nullptr)}));
    ASSERT_EQ(HALVET_OK, ReadStreamText(ctx.get(), "MStone", text));
    EXPECT_EQ(script, text);

    void* handle = nullptr;
    EXPECT_EQ(HALVET_ERR_SYNTAX_VIOLATION, OpenStream(ctx.get(), "JDoe", "Title", HALVET_STREAM_READ, &handle));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ATTRIBUTE, OpenStream(ctx.get(), "JDoe", "Colour", HALVET_STREAM_READ, &handle));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, OpenStream(ctx.get(), "Nobody", "Login Script", HALVET_STREAM_READ, &handle));

    // The restricted identity reads scripts and may not write them.
    ActAsRestrictedIdentity(true);
    DirContext guest("Sales.Corp");
    EXPECT_EQ(HALVET_ERR_NO_ACCESS, OpenStream(guest.get(), "JDoe", "Login Script", HALVET_STREAM_WRITE, &handle));
    EXPECT_EQ(nullptr, handle);
    ASSERT_EQ(HALVET_OK, ReadStreamText(guest.get(), "JDoe", text));
    EXPECT_EQ(sample, text);
    ActAsRestrictedIdentity(false);
}

// A process that ends the moment it has closed a login script it wrote
// loses nothing: the next call of any process sends it first.
TEST_P(Sources, AWrittenScriptOutlivesTheProcessThatWroteIt)
{
    DirContext ctx("Sales.Corp");
    ASSERT_EQ(HALVET_OK,
              Modify(ctx.get(), "HWong", {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Login Script", 21, nullptr)}));
    const std::string script = "MAP_H:=HOME:" + std::to_string(GetTickCount());
    HANDLE writer = StartClientsWriter(image_, ".HWong.Sales.Corp", "Login Script", script, "stream");
    ASSERT_TRUE(writer);
    ASSERT_EQ(0u, FinishProcess(writer));
    std::string text;
    ASSERT_EQ(HALVET_OK, ReadStreamText(ctx.get(), "HWong", text));
    EXPECT_EQ(script, text);
    if (GetParam()) {
        auto found = FindOnServer("cn=HWong,ou=Sales,o=Corp", LDAP_SCOPE_BASE, "(objectClass=*)", "loginScript");
        ASSERT_EQ(1u, found.size());
        EXPECT_EQ(script, found[0].second);
    }
}

// A script whose object is removed from the server while it is written is
// refused when it is sent; its content is kept in the outbox, not dropped.
TEST_P(Sources, AScriptTheServerRefusesAfterTheOpenIsKept)
{
    if (!GetParam()) GTEST_SKIP() << "an image cannot refuse a write once it is open";
    AdminConnection admin;
    ASSERT_TRUE(admin.bound());
    const char* dn = "cn=Leaving,ou=Sales,o=Corp";
    ASSERT_EQ(0u, admin.AddUser(dn, "Leaving", "WRITE \"old\""));
    DirContext ctx("Sales.Corp");
    void* handle = nullptr;
    ASSERT_EQ(HALVET_OK, OpenStream(ctx.get(), "Leaving", "Login Script", HALVET_STREAM_WRITE, &handle));
    const std::string script = "WRITE \"refused " + std::to_string(GetTickCount()) + "\"";
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(handle, script.data(), static_cast<DWORD>(script.size()), &done, nullptr));
    ASSERT_TRUE(SetEndOfFile(handle));
    ASSERT_EQ(0u, admin.Remove(dn));
    CloseHandle(handle);
    std::string kept, text;
    for (int i = 0; i < 200 && kept.empty(); ++i) {
        ReadStreamText(ctx.get(), "JDoe", text);  // any call sends what waits
        kept = RefusedStreamHolding(script);
        if (kept.empty()) Sleep(50);
    }
    ASSERT_FALSE(kept.empty()) << "the refused script was dropped";
    DeleteFileA(kept.c_str());
    DeleteFileA((kept.substr(0, kept.size() - 4) + ".rec").c_str());
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, ReadStreamText(ctx.get(), "Leaving", text));
}

// Organizations and units keep a login script of their own.
TEST_P(Sources, ContainersHaveLoginScripts)
{
    const std::string corp = ReadWholeFile(SourcePath("platform/sample/orrel-sample-directory.streams/Corp.login"));
    ASSERT_FALSE(corp.empty());
    ASSERT_TRUE(WriteWholeFile(folder_ + "\\dir.streams\\Corp.login", corp));
    DirContext ctx;
    std::string text;
    ASSERT_EQ(HALVET_OK, ReadStreamText(ctx.get(), "Corp", text));
    EXPECT_EQ(corp, text);

    // A unit without one is given one, written and read back.
    EXPECT_EQ(HALVET_ERR_NO_SUCH_VALUE, ReadStreamText(ctx.get(), "Sales.Corp", text));
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "Sales.Corp",
                                {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Login Script", HALVET_SYNTAX_STREAM, nullptr)}));
    const std::string script = "MAP S:=DATA:SALES\r\n";
    ASSERT_EQ(HALVET_OK, WriteStreamText(ctx.get(), "Sales.Corp", script));
    ASSERT_EQ(HALVET_OK, ReadStreamText(ctx.get(), "Sales.Corp", text));
    EXPECT_EQ(script, text);
    if (GetParam()) {
        auto found = FindOnServer("ou=Sales,o=Corp", LDAP_SCOPE_BASE, "(objectClass=*)", "loginScript");
        ASSERT_EQ(1u, found.size());
        EXPECT_EQ(script, found[0].second);
        // A unit made without the class that holds the script is given it
        // along with the script's first value.
        ASSERT_EQ(0u, AdminConnection().Change("ou=Inside,ou=Sales,o=Corp", LDAP_MOD_DELETE, "objectClass",
                                               "orrelContainer"));
    }
    EXPECT_EQ(HALVET_ERR_NO_SUCH_VALUE, ReadStreamText(ctx.get(), "Inside.Sales.Corp", text));
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "Inside.Sales.Corp",
                                {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Login Script", HALVET_SYNTAX_STREAM, nullptr)}));
    ASSERT_EQ(HALVET_OK, ReadStreamText(ctx.get(), "Inside.Sales.Corp", text));
    EXPECT_EQ("", text);
}

// File and print servers read back as their own classes, and a listing of
// one class holds only its objects.
TEST_P(Sources, ServersReadBackAsTheirOwnClasses)
{
    DirContext ctx;
    HALVET_OBJECT_INFO info{};
    char name[300];
    ASSERT_EQ(HALVET_OK, ReadObjectInfo(ctx.get(), "ORREL-FS1.Corp", name, sizeof(name), &info));
    EXPECT_STREQ("File Server", info.baseClass);
    ASSERT_EQ(HALVET_OK, ReadObjectInfo(ctx.get(), "ORREL-PS1.Corp", name, sizeof(name), &info));
    EXPECT_STREQ("Print Server", info.baseClass);

    Listed printServers = ListAll(ctx.get(), ".Corp", "Print Server");
    ASSERT_EQ(HALVET_OK, printServers.rc);
    EXPECT_EQ(std::vector<std::string>{"ORREL-PS1"}, printServers.names);
    Listed fileServers = ListAll(ctx.get(), ".Corp", "File Server");
    ASSERT_EQ(HALVET_OK, fileServers.rc);
    EXPECT_EQ(std::vector<std::string>{"ORREL-FS1"}, fileServers.names);
    Listed servers = ListAll(ctx.get(), ".Corp", "Server");
    ASSERT_EQ(HALVET_OK, servers.rc);
    EXPECT_TRUE(servers.names.empty()) << "no object is of the class Server itself";
}

void SetDeref(HALVET_CONTEXT ctx, bool on)
{
    uint32_t flags = 0;
    ASSERT_EQ(HALVET_OK, GetDirContextValue(ctx, HALVET_CTX_KEY_FLAGS, &flags, sizeof(flags)));
    flags = on ? flags | HALVET_CTX_FLAG_DEREF_ALIASES : flags & ~HALVET_CTX_FLAG_DEREF_ALIASES;
    ASSERT_EQ(HALVET_OK, SetDirContextValue(ctx, HALVET_CTX_KEY_FLAGS, &flags));
}

// Boss.Corp names MStone.Sales.Corp; the unit Field.Corp names Sales.Corp.
TEST_P(Sources, AliasesAreFollowedWhenTheContextSaysSo)
{
    DirContext ctx("Corp");
    EXPECT_EQ(std::vector<std::string>{"Stone"}, ReadTexts(ctx.get(), "Boss", "Surname"));
    EXPECT_EQ(std::vector<std::string>{"Doe"}, ReadTexts(ctx.get(), "JDoe.Field", "Surname"));
    Listed field = ListAll(ctx.get(), "Field");
    ASSERT_EQ(HALVET_OK, field.rc);
    EXPECT_EQ(15u, field.names.size()) << "the objects of Sales";

    // An alias reports itself, with the class and kind of what it names;
    // the aliases above an object are followed.
    HALVET_OBJECT_INFO info{};
    char name[300];
    ASSERT_EQ(HALVET_OK, ReadObjectInfo(ctx.get(), "Boss", name, sizeof(name), &info));
    EXPECT_EQ(HALVET_ENTRY_ALIAS, info.entryFlags);
    EXPECT_STREQ("User", info.baseClass);
    ASSERT_EQ(HALVET_OK, ReadObjectInfo(ctx.get(), "JDoe.Field", name, sizeof(name), &info));
    EXPECT_STREQ(".JDoe.Sales.Corp", name);
    Listed users = ListAll(ctx.get(), "", "User");
    ASSERT_EQ(HALVET_OK, users.rc);
    EXPECT_EQ((std::vector<std::string>{"Admin", "Boss", "Guest"}), Sorted(users.names));
    Listed corp = ListAll(ctx.get(), "");
    ASSERT_EQ(HALVET_OK, corp.rc);
    bool sawField = false;
    for (size_t i = 0; i < corp.names.size(); ++i) {
        if (corp.names[i] != "Field") continue;
        sawField = true;
        EXPECT_EQ(HALVET_ENTRY_CONTAINER_ALIAS, corp.infos[i].entryFlags);
        EXPECT_STREQ("Organizational Unit", corp.infos[i].baseClass);
    }
    EXPECT_TRUE(sawField);

    // Without the flag an alias is an object of its own, read as such.
    SetDeref(ctx.get(), false);
    std::vector<RawValue> values;
    ASSERT_EQ(HALVET_OK, ReadValues(ctx.get(), "Boss", "Aliased Object Name", values));
    ASSERT_EQ(1u, values.size());
    EXPECT_STREQ(".MStone.Sales.Corp", values[0].text());
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, ReadObjectInfo(ctx.get(), "JDoe.Field", name, sizeof(name), &info));
    field = ListAll(ctx.get(), "Field");
    ASSERT_EQ(HALVET_OK, field.rc);
    EXPECT_TRUE(field.names.empty());

    // Two aliases naming each other: no object at the end of them.
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "Boss", {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Aliased Object Name",
                                                             HALVET_SYNTAX_DIST_NAME, ".Field.Corp")}));
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "Field", {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Aliased Object Name",
                                                              HALVET_SYNTAX_DIST_NAME, ".Boss.Corp")}));
    SetDeref(ctx.get(), true);
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, ReadValues(ctx.get(), "Boss", "Surname", values));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, ListAll(ctx.get(), "Field").rc);
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, ReadObjectInfo(ctx.get(), "JDoe.Field", name, sizeof(name), &info));
}

INSTANTIATE_TEST_SUITE_P(ImageAndLdap, Sources, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Ldap") : std::string("Image");
                         });

}  // namespace

// Run by ldap_stopped_server.sh, which serves a tree of 3000 Users and stops
// the server when asked to (skipped elsewhere).
TEST(StoppedServer, InTheMiddleOfAListingGivesADirectoryErrorAndNoHang)
{
    char image[MAX_PATH], marker[MAX_PATH];
    if (!GetEnvironmentVariableA("ORREL_STOP_IMAGE", image, MAX_PATH) ||
        !GetEnvironmentVariableA("ORREL_STOP_MARKER", marker, MAX_PATH))
        GTEST_SKIP() << "run by ldap_stopped_server.sh";
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", image);
    DirContext big("Big", "LARGE_TREE");
    ASSERT_EQ(HALVET_OK, big.created());
    DirBuffer reply(4096, HALVET_OP_LIST);
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    ASSERT_EQ(HALVET_OK, ListContainer(big.get(), "", &iteration, reply.get()));
    ASSERT_NE(HALVET_NO_ITERATION, iteration) << "3000 Users fill more than one reply";

    // Ask for the server to be stopped, and wait until it is.
    ASSERT_TRUE(WriteWholeFile(marker, "stop"));
    std::string stopped = std::string(marker) + "ped";
    for (int i = 0; i < 600 && GetFileAttributesA(stopped.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(stopped.c_str())) << "the server was not stopped";

    // The rest of the page already received is handed out; the next page fails.
    uint32_t listed = 0, count = 0;
    int32_t rc = HALVET_OK;
    DWORD start = GetTickCount();
    while (iteration != HALVET_NO_ITERATION) {
        rc = ListContainer(big.get(), "", &iteration, reply.get());
        if (rc != HALVET_OK) break;
        ASSERT_EQ(HALVET_OK, GetObjectCount(big.get(), reply.get(), &count));
        listed += count;
    }
    EXPECT_EQ(HALVET_ERR_TRANSPORT_FAILURE, rc);
    EXPECT_EQ(HALVET_NO_ITERATION, iteration) << "the failed listing is over";
    EXPECT_LT(listed, 3000u);
    EXPECT_LT(GetTickCount() - start, 20000u) << "the failure came at once";
    // A new call fails the same way, promptly.
    EXPECT_EQ(HALVET_ERR_TRANSPORT_FAILURE, ListContainer(big.get(), "", &iteration, reply.get()));
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", nullptr);
}
