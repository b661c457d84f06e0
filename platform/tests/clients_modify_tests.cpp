// Changing the directory through HalvetDirClient: the directory's rules,
// all-or-nothing requests, durability and sharing of the image, refused
// images, and streams.
#include <cstring>
#include <string>
#include <vector>

#include "clients_support.h"

using namespace clients_test;

namespace {

// The directory's rules hold whether the image or a server serves the tree.
class Rules : public SourceTest {};
ORREL_ON_EVERY_SOURCE(Rules);
// Of the image alone: the file's durability and sharing, refused files, and
// streams as files beside it (a server's streams: clients_ldap_tests.cpp).
class Durability : public ImageTest {};
class HostileImages : public ImageTest {};
class Streams : public ImageTest {};

TEST_P(Rules, EachRuleIsEnforcedWithItsCode)
{
    DirContext ctx("Sales.Corp");
    HALVET_FAX_NUMBER fax{};
    char number[] = "555";
    fax.telephoneNumber = number;
    uint8_t yes = 1;
    struct Case {
        const char* what;
        std::vector<ChangeSpec> changes;
        int32_t expected;
    };
    const Case cases[] = {
        {"remove an attribute the object has not", {Remove("L")}, HALVET_ERR_NO_SUCH_ATTRIBUTE},
        {"remove an undefined attribute", {Remove("Colour")}, HALVET_ERR_NO_SUCH_ATTRIBUTE},
        {"remove a mandatory attribute", {Remove("Surname")}, HALVET_ERR_MISSING_MANDATORY},
        {"remove the naming attribute", {Remove("CN")}, HALVET_ERR_NAMING_VALUE},
        {"remove the naming value", {RemoveText("CN", "jdoe")}, HALVET_ERR_NAMING_VALUE},
        {"remove a value that is not there", {RemoveText("Title", "Boss")}, HALVET_ERR_NO_SUCH_VALUE},
        {"value of the wrong syntax", {AddText("Title", "x", HALVET_SYNTAX_CE_STRING)}, HALVET_ERR_SYNTAX_VIOLATION},
        {"a second value of a single-valued attribute",
         {WithValue(HALVET_CHANGE_ADD_VALUE, "Login Disabled", HALVET_SYNTAX_BOOLEAN, &yes)}, HALVET_ERR_SINGLE_VALUED},
        {"an attribute the class does not allow", {AddText("Member", ".Admin.Corp", HALVET_SYNTAX_DIST_NAME)},
         HALVET_ERR_ILLEGAL_ATTRIBUTE},
        {"digits only", {AddText("Employee Number", "12a", HALVET_SYNTAX_NU_STRING)}, HALVET_ERR_SYNTAX_VIOLATION},
        // Sizes are the image's own schema; a server has no such attribute.
        {"sized attribute too long", {AddText("Short Code", "ABCDE")},
         Ldap() ? HALVET_ERR_NO_SUCH_ATTRIBUTE : HALVET_ERR_SYNTAX_VIOLATION},
        {"a name that is malformed", {AddText("Group Membership", "a..b", HALVET_SYNTAX_DIST_NAME)},
         HALVET_ERR_SYNTAX_VIOLATION},
        {"removing the last value of a mandatory attribute", {RemoveText("Surname", "Doe")},
         HALVET_ERR_MISSING_MANDATORY},
        {"fax with the wrong syntax", {WithValue(HALVET_CHANGE_ADD_VALUE, "Title", 11, &fax)},
         HALVET_ERR_SYNTAX_VIOLATION},
        {"boolean on a text attribute", {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Title", 7, &yes)},
         HALVET_ERR_SYNTAX_VIOLATION},
    };
    std::string before = ReadWholeFile(image_);
    const auto state = [&] {
        std::vector<std::vector<std::string>> values;
        for (const char* attr : {"CN", "Surname", "Title", "Group Membership", "Employee Number", "Telephone Number"})
            values.push_back(ReadTexts(ctx.get(), "JDoe", attr));
        std::vector<RawValue> disabled;
        EXPECT_EQ(HALVET_OK, ReadValues(ctx.get(), "JDoe", "Login Disabled", disabled));
        values.push_back({std::to_string(disabled.size())});
        return values;
    };
    const auto stateBefore = state();
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Modify(ctx.get(), "JDoe", c.changes)) << c.what;
    }
    EXPECT_EQ(before, ReadWholeFile(image_)) << "no refused request changed the image";
    EXPECT_EQ(stateBefore, state()) << "nor the object";
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, Modify(ctx.get(), "Nobody", {AddText("Title", "x")}));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ENTRY, Modify(ctx.get(), "[Root]", {AddText("Title", "x")}));
}

TEST_P(Rules, NoWriteRightRefusesTheWholeRequest)
{
    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", "second");
    DirContext ctx("Sales.Corp");
    std::string before = ReadWholeFile(image_);
    EXPECT_EQ(HALVET_ERR_NO_ACCESS, Modify(ctx.get(), "JDoe", {AddText("Description", "x")}));
    EXPECT_EQ(HALVET_ERR_NO_ACCESS, Modify(ctx.get(), ".Guest.Corp", {AddText("Description", "self")}))
        << "no right even on itself";
    EXPECT_EQ(before, ReadWholeFile(image_));
    EXPECT_EQ(std::vector<std::string>{"First"}, ReadTexts(ctx.get(), "JDoe", "Description"));
    EXPECT_TRUE(ReadTexts(ctx.get(), ".Guest.Corp", "Description").empty());
}

TEST_P(Rules, PagesWriteSequencesSucceed)
{
    DirContext ctx("Sales.Corp");
    // A single-valued mandatory attribute: remove the old value and add the
    // new one in one request.
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", {RemoveText("Surname", "Doe"), AddText("Surname", "Roe")}));
    EXPECT_EQ(std::vector<std::string>{"Roe"}, ReadTexts(ctx.get(), "JDoe", "Surname"));

    // A list: remove the attribute, then add the attribute and its values.
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", {Remove("Telephone Number")}));
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe",
                                {AddAttr("Telephone Number"), AddText("Telephone Number", "1"),
                                 AddText("Telephone Number", "2"), AddText("Telephone Number", "2")}));
    EXPECT_EQ((std::vector<std::string>{"1", "2"}), ReadTexts(ctx.get(), "JDoe", "Telephone Number"))
        << "a duplicate is no second value";

    // The naming attribute keeps its first value; others are replaced.
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", {RemoveText("CN", "John Doe"), AddText("CN", "Johnny")}));
    EXPECT_EQ((std::vector<std::string>{"JDoe", "Johnny"}), ReadTexts(ctx.get(), "JDoe", "CN"));

    // An empty list clears an attribute; the empty request that follows is fine.
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", {Remove("Title")}));
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", {}));
    EXPECT_TRUE(ReadTexts(ctx.get(), "JDoe", "Title").empty());

    // Relative names in values are stored as full names.
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "Staff", {AddText("Member", "JDoe", HALVET_SYNTAX_DIST_NAME)}));
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "Staff", {AddText("Member", ".Admin.Corp", HALVET_SYNTAX_DIST_NAME)}));
    EXPECT_EQ((std::vector<std::string>{".JDoe.Sales.Corp", ".Guest.Corp", ".Admin.Corp"}),
              ReadTexts(ctx.get(), "Staff", "Member"));
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "Staff", {RemoveText("Member", ".guest.corp", HALVET_SYNTAX_DIST_NAME)}));
    EXPECT_EQ(2u, ReadTexts(ctx.get(), "Staff", "Member").size());

    // Structured records are taken whole. Rights on a server are its own
    // business: it holds no ACL attribute.
    HALVET_OBJECT_ACL acl{};
    char attr[] = "Title", subject[] = "[Public]";
    acl.protectedAttrName = attr;
    acl.subjectName = subject;
    acl.privileges = HALVET_RIGHT_READ | HALVET_RIGHT_WRITE;
    if (Ldap()) {
        EXPECT_EQ(HALVET_ERR_NO_SUCH_ATTRIBUTE,
                  Modify(ctx.get(), "Staff", {WithValue(HALVET_CHANGE_ADD_VALUE, "ACL", 17, &acl)}));
    } else {
        ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "Staff", {WithValue(HALVET_CHANGE_ADD_VALUE, "ACL", 17, &acl)}));
        uint32_t rights = 0;
        ASSERT_EQ(HALVET_OK, GetEffectiveRights(ctx.get(), "[Public]", "Staff", "Title", &rights));
        EXPECT_EQ(0x6u, rights);
    }
    HALVET_FAX_NUMBER fax{};
    char number[] = "555-0000";
    fax.telephoneNumber = number;
    ASSERT_EQ(HALVET_OK,
              Modify(ctx.get(), "JDoe", {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Facsimile Telephone Number", 11, &fax)}));
    std::vector<RawValue> faxes;
    ASSERT_EQ(HALVET_OK, ReadValues(ctx.get(), "JDoe", "Facsimile Telephone Number", faxes));
    ASSERT_EQ(1u, faxes.size());
    EXPECT_STREQ("555-0000", static_cast<const HALVET_FAX_NUMBER*>(faxes[0].data())->telephoneNumber);
    HALVET_CI_LIST second{nullptr, const_cast<char*>("B")}, first{&second, const_cast<char*>("A")};
    if (Ldap()) {
        // A server has no attribute of a list of strings.
        EXPECT_EQ(HALVET_ERR_NO_SUCH_ATTRIBUTE,
                  Modify(ctx.get(), "JDoe", {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Language", 6, &first)}));
        return;
    }
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Language", 6, &first)}));
    std::vector<RawValue> language;
    ASSERT_EQ(HALVET_OK, ReadValues(ctx.get(), "JDoe", "Language", language));
    ASSERT_EQ(1u, language.size());
    EXPECT_STREQ("B", static_cast<const HALVET_CI_LIST*>(language[0].data())->next->s);
}

TEST_P(Rules, RequestBuffersRefuseWhatDoesNotBelong)
{
    DirContext ctx;
    DirBuffer read(4096, HALVET_OP_READ);
    EXPECT_EQ(HALVET_ERR_BAD_BUFFER, PutChange(ctx.get(), read.get(), 2, "Title")) << "a read request";
    DirBuffer modify(HALVET_MIN_BUFFER_SIZE, HALVET_OP_MODIFY);
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, PutAttrVal(ctx.get(), modify.get(), 3, "x")) << "no change yet";
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, PutChange(ctx.get(), modify.get(), 4, "Title"));
    ASSERT_EQ(HALVET_OK, PutChange(ctx.get(), modify.get(), 1, "Title"));
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, PutAttrVal(ctx.get(), modify.get(), 3, "x")) << "remove-attribute takes none";
    ASSERT_EQ(HALVET_OK, PutChange(ctx.get(), modify.get(), 2, "Title"));
    EXPECT_EQ(HALVET_ERR_UNKNOWN_SYNTAX, PutAttrVal(ctx.get(), modify.get(), 99, "x"));
    std::string huge(5000, 'h');
    EXPECT_EQ(HALVET_ERR_SYNTAX_VIOLATION, PutAttrVal(ctx.get(), modify.get(), 3, huge.c_str()));
    EXPECT_EQ(HALVET_ERR_BUFFER_FULL, PutChange(ctx.get(), modify.get(), 2, "Telephone Number"))
        << "a 64-byte request is full";
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, ModifyObject(ctx.get(), ".JDoe.Sales.Corp", modify.get()))
        << "an add-value change without its value";
}

TEST_F(Durability, ModifyIsAllOrNothingAndDurable)
{
    DirContext ctx("Sales.Corp");
    std::string before = ReadWholeFile(image_);
    EXPECT_EQ(HALVET_ERR_MISSING_MANDATORY,
              Modify(ctx.get(), "JDoe", {AddText("Title", "Boss"), AddText("L", "Here"), Remove("Surname")}));
    EXPECT_EQ(before, ReadWholeFile(image_)) << "a failed request leaves the file byte for byte";
    EXPECT_EQ(std::vector<std::string>{"Clerk"}, ReadTexts(ctx.get(), "JDoe", "Title"));
    EXPECT_TRUE(ReadTexts(ctx.get(), "JDoe", "L").empty());

    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", {AddText("Title", "Boss"), AddText("L", "Here")}));
    std::string after = ReadWholeFile(image_);
    EXPECT_NE(std::string::npos, after.find("\"Boss\"")) << "on disk before the call returned";
    EXPECT_NE(std::string::npos, after.find("\"kept\"")) << "unknown members survive a rewrite";
    EXPECT_NE(std::string::npos, after.find("\"comment\""));
    EXPECT_TRUE(FilesIn(folder_) == std::vector<std::string>{"dir.json"}) << "no temporary file left";

    HALVET_OBJECT_INFO info{};
    ASSERT_EQ(HALVET_OK, ReadObjectInfo(ctx.get(), "JDoe", nullptr, 0, &info));
    EXPECT_GT(info.modificationTime, 1500000000u) << "the change stamps the object";
}

TEST_F(Durability, ChangesOfAnotherWriterAreSeenOnTheNextCall)
{
    DirContext ctx("Sales.Corp");
    EXPECT_EQ(std::vector<std::string>{"Clerk"}, ReadTexts(ctx.get(), "JDoe", "Title"));
    std::string text = StandardImage();
    text.replace(text.find("\"Clerk\""), 7, "\"Manager\"");
    WriteImage(text);
    EXPECT_EQ(std::vector<std::string>{"Manager"}, ReadTexts(ctx.get(), "JDoe", "Title"));

    // A changed image location takes effect at once as well.
    std::string second = folder_ + "\\second.json";
    text.replace(text.find("\"Manager\""), 9, "\"Chief\"");
    ASSERT_TRUE(WriteWholeFile(second, text));
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", second.c_str());
    EXPECT_EQ(std::vector<std::string>{"Chief"}, ReadTexts(ctx.get(), "JDoe", "Title"));
}

TEST_F(Durability, TextBeyondAsciiSurvivesAsTheSameBytes)
{
    DirContext ctx("Sales.Corp");
    const char title[] = "Caf\xE9 \xA7 \xFF";
    ASSERT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", {AddText("Title", title)}));
    std::string file = ReadWholeFile(image_);
    EXPECT_NE(std::string::npos, file.find("Caf\xC3\xA9")) << "stored as UTF-8 in the file";
    WriteImage(file);  // a reload parses it again
    std::vector<std::string> titles = ReadTexts(ctx.get(), "JDoe", "Title");
    ASSERT_EQ(2u, titles.size());
    EXPECT_EQ(std::string(title), titles[1]);
}

// Each hostile image is refused by every call and never written to.
// One more group object in front of Guest.Corp, named by the label given.
std::string ExtraGroup(const std::string& label)
{
    return "{\"name\": \"" + label + ".Corp\", \"class\": \"Group\", \"attributes\": {\"CN\": [\"Extra\"]}}, ";
}

TEST_F(HostileImages, AreRefusedAndLeftUnchanged)
{
    std::string good = StandardImage();
    {
        // The extra object itself is acceptable with a plain label, so the
        // label cases below are refused for their label alone.
        std::string plain = good;
        plain.replace(plain.find("{\"name\": \"Guest.Corp\","), 0, ExtraGroup("Extra"));
        WriteImage(plain);
        HALVET_CONTEXT ctx = HALVET_NO_CONTEXT;
        ASSERT_EQ(HALVET_OK, CreateDirContext(&ctx)) << "an extra group with a plain label loads";
        FreeDirContext(ctx);
    }
    auto replaced = [&](const char* from, const std::string& to) {
        std::string text = good;
        size_t at = text.find(from);
        EXPECT_NE(std::string::npos, at) << from;
        if (at != std::string::npos) text.replace(at, strlen(from), to);
        return text;
    };
    struct Case {
        const char* what;
        std::string text;
    };
    std::string deep = "{\"format\": \"orrel-directory-image\", \"x\": " + std::string(5000, '[') +
                       std::string(5000, ']') + "}";
    const Case cases[] = {
        {"empty file", ""},
        {"not JSON", "this is not an image"},
        {"truncated", good.substr(0, good.size() / 2)},
        {"wrong format name", replaced("orrel-directory-image", "something-else")},
        {"version 2", replaced("\"version\": 1", "\"version\": 2")},
        {"trees not an array", replaced("\"trees\": [", "\"trees\": {\"a\": [") },
        {"syntax out of range", replaced("{\"name\": \"Title\", \"syntax\": 3}", "{\"name\": \"Title\", \"syntax\": 99}")},
        {"value of the wrong syntax", replaced("\"Login Grace Limit\": [-6]", "\"Login Grace Limit\": [\"six\"]")},
        {"integer out of range", replaced("\"Login Grace Limit\": [-6]", "\"Login Grace Limit\": [99999999999]")},
        {"boolean as number", replaced("\"Login Disabled\": [false]", "\"Login Disabled\": [0]")},
        {"odd hex", replaced("\"Public Key\": [\"00FF10\"]", "\"Public Key\": [\"00F\"]")},
        {"fax bits too short", replaced("\"bitCount\": 12", "\"bitCount\": 120")},
        {"two values of a single-valued attribute", replaced("\"Surname\": [\"Doe\"]", "\"Surname\": [\"Doe\", \"Roe\"]")},
        {"undefined attribute", replaced("\"Title\": [\"Clerk\"]", "\"Colour\": [\"Red\"]")},
        {"undefined class", replaced("\"class\": \"Group\"", "\"class\": \"Printer\"")},
        {"no parent", replaced("\"name\": \"Staff.Sales.Corp\"", "\"name\": \"Staff.Nowhere.Corp\"")},
        {"parent is no container", replaced("\"name\": \"Staff.Sales.Corp\"", "\"name\": \"Staff.Admin.Corp\"")},
        {"object twice", replaced("\"name\": \"Guest.Corp\"", "\"name\": \"admin.corp\"")},
        {"label too long", replaced("\"name\": \"Guest.Corp\"", "\"name\": \"" + std::string(70, 'g') + ".Corp\"")},
        {"name too long", replaced("\"name\": \"Guest.Corp\"",
                                   "\"name\": \"" + std::string(60, 'g') + "." + std::string(60, 'h') + "." +
                                       std::string(60, 'i') + "." + std::string(60, 'j') + ".Corp\"")},
        {"empty label", replaced("\"name\": \"Guest.Corp\"", "\"name\": \"Guest..Corp\"")},
        {"label with a type", replaced("{\"name\": \"Guest.Corp\",", ExtraGroup("CN=Extra") + "{\"name\": \"Guest.Corp\",")},
        {"label with a plus", replaced("{\"name\": \"Guest.Corp\",", ExtraGroup("Ex+tra") + "{\"name\": \"Guest.Corp\",")},
        {"label that names the root", replaced("{\"name\": \"Guest.Corp\",", ExtraGroup("[root]") + "{\"name\": \"Guest.Corp\",")},
        {"huge text", replaced("\"Title\": [\"Clerk\"]", "\"Title\": [\"" + std::string(5000, 'c') + "\"]")},
        {"nested too deeply", deep},
        {"character beyond U+00FF", replaced("\"Clerk\"", "\"Cl\xE2\x82\xAC rk\"")},
        {"invalid UTF-8", replaced("\"Clerk\"", "\"Cl\xFF rk\"")},
        {"super class cycle", replaced("{\"name\": \"Top\",", "{\"name\": \"Top\", \"superClasses\": [\"User\"],")},
        {"unknown tree of a server", replaced("\"tree\": \"OTHER_TREE\", \"address\"", "\"tree\": \"NONE\", \"address\"")},
        {"bad IPv4 address", replaced("127.0.0.2", "127.0.0.256")},
        {"identity names no object", replaced("\"second\": \"Guest.Corp\"", "\"second\": \"Ghost.Corp\"")},
        {"unknown member in a schema entry", replaced("{\"name\": \"Title\", \"syntax\": 3}", "{\"name\": \"Title\", \"syntax\": 3, \"x\": 1}")},
        {"stream file name with a path", replaced("\"jdoe-login.txt\"", "\"..\\\\..\\\\evil.txt\"")},
        {"null byte in text", replaced("\"Clerk\"", "\"Cl\\u0000rk\"")},
    };
    for (const Case& c : cases) {
        WriteImage(c.text);
        std::string before = ReadWholeFile(image_);
        EXPECT_EQ(0, DirClientAvailable()) << c.what;
        HALVET_CONTEXT ctx = 5;
        EXPECT_EQ(HALVET_ERR_DAMAGED_IMAGE, CreateDirContext(&ctx)) << c.what;
        EXPECT_EQ(HALVET_NO_CONTEXT, ctx) << c.what;
        uint32_t scan = 0;
        HALVET_CONN_REF ref = 0;
        EXPECT_EQ(HALVET_ERR_DAMAGED_IMAGE, ScanConnRefs(&scan, &ref)) << c.what;
        EXPECT_EQ(before, ReadWholeFile(image_)) << c.what;
    }
    // A context made before the image went bad fails its changes, and the
    // file stays as it is.
    WriteImage(good);
    DirContext ctx("Sales.Corp");
    ASSERT_EQ(HALVET_OK, ctx.created());
    WriteImage(cases[2].text);
    EXPECT_EQ(HALVET_ERR_DAMAGED_IMAGE, Modify(ctx.get(), "JDoe", {AddText("Title", "Boss")}));
    EXPECT_EQ(cases[2].text, ReadWholeFile(image_));
    WriteImage(good);
    EXPECT_EQ(HALVET_OK, Modify(ctx.get(), "JDoe", {AddText("Title", "Boss")})) << "a mended image works again";
}

TEST_F(Streams, ReadWriteAndCreateAStream)
{
    DirContext ctx("Sales.Corp");
    void* handle = nullptr;
    ASSERT_EQ(HALVET_OK, OpenStream(ctx.get(), "JDoe", "Login Script", HALVET_STREAM_READ, &handle));
    char text[64] = {};
    DWORD done = 0;
    ASSERT_TRUE(ReadFile(handle, text, sizeof(text) - 1, &done, nullptr));
    EXPECT_STREQ("MAP F:=SYS:\r\n", text);
    CloseHandle(handle);

    // Guest has no login script yet: -602, then create the attribute and write.
    EXPECT_EQ(HALVET_ERR_NO_SUCH_VALUE, OpenStream(ctx.get(), ".Guest.Corp", "Login Script", HALVET_STREAM_WRITE, &handle));
    EXPECT_EQ(nullptr, handle);
    ASSERT_EQ(HALVET_OK,
              Modify(ctx.get(), ".Guest.Corp", {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Login Script", 21, nullptr)}));
    ASSERT_EQ(HALVET_OK, OpenStream(ctx.get(), ".Guest.Corp", "Login Script", HALVET_STREAM_WRITE, &handle));
    const char script[] = "WRITE \"Hello\"";
    ASSERT_NE(INVALID_SET_FILE_POINTER, SetFilePointer(handle, 0, nullptr, FILE_BEGIN));
    ASSERT_TRUE(WriteFile(handle, script, sizeof(script) - 1, &done, nullptr));
    ASSERT_TRUE(SetEndOfFile(handle));
    CloseHandle(handle);
    ASSERT_EQ(HALVET_OK, OpenStream(ctx.get(), ".Guest.Corp", "Login Script", HALVET_STREAM_READ, &handle));
    EXPECT_EQ(sizeof(script) - 1, GetFileSize(handle, nullptr));
    CloseHandle(handle);
    // Overwriting the value again keeps the content.
    ASSERT_EQ(HALVET_OK,
              Modify(ctx.get(), ".Guest.Corp", {WithValue(HALVET_CHANGE_OVERWRITE_VALUE, "Login Script", 21, nullptr)}));
    ASSERT_EQ(HALVET_OK, OpenStream(ctx.get(), ".Guest.Corp", "Login Script", HALVET_STREAM_READ, &handle));
    EXPECT_EQ(sizeof(script) - 1, GetFileSize(handle, nullptr));
    CloseHandle(handle);

    EXPECT_EQ(HALVET_ERR_SYNTAX_VIOLATION, OpenStream(ctx.get(), "JDoe", "Title", HALVET_STREAM_READ, &handle));
    EXPECT_EQ(HALVET_ERR_NO_SUCH_ATTRIBUTE, OpenStream(ctx.get(), "JDoe", "Colour", HALVET_STREAM_READ, &handle));
    EXPECT_EQ(HALVET_ERR_INVALID_REQUEST, OpenStream(ctx.get(), "JDoe", "Login Script", 3, &handle));

    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", "second");
    EXPECT_EQ(HALVET_ERR_NO_ACCESS, OpenStream(ctx.get(), "JDoe", "Login Script", HALVET_STREAM_WRITE, &handle));
    ASSERT_EQ(HALVET_OK, OpenStream(ctx.get(), "JDoe", "Login Script", HALVET_STREAM_READ, &handle))
        << "reading needs no right";
    CloseHandle(handle);
}

}  // namespace
