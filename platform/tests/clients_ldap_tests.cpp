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
    void* handle = nullptr;
    ASSERT_EQ(HALVET_OK, OpenStream(ctx.get(), "MStone", "Login Script", HALVET_STREAM_WRITE, &handle));
    DWORD done = 0;
    ASSERT_NE(INVALID_SET_FILE_POINTER, SetFilePointer(handle, 0, nullptr, FILE_BEGIN));
    ASSERT_TRUE(WriteFile(handle, script.data(), static_cast<DWORD>(script.size()), &done, nullptr));
    ASSERT_TRUE(SetEndOfFile(handle));
    CloseHandle(handle);
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
