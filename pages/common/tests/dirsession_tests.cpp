// The page directory operations against the stand-in directory, over a fresh
// copy of the test image per test; what was written is read back from the
// image file itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>
#include <string>
#include <vector>

#include "orrel/pages/dirsession.h"
#include "orrel/pages/display.h"
#include "pages_test_support.h"

namespace {

using orrel::pages::ContextSlot;
using orrel::pages::DirectorySession;
using orrel::pages::DirValue;
using orrel::pages::ValueKind;
using orrel::pages::ValueList;
using orrel::pages::ValueNode;
using pages_test::TestImage;

const char kPat[] = ".Pat.Test";
const char kValues[] = ".Values.Test";

std::vector<std::string> Texts(const ValueList& list)
{
    std::vector<std::string> texts;
    for (const ValueNode& node : list) texts.push_back(node.text);
    return texts;
}

ValueList ListOf(std::initializer_list<const char*> texts)
{
    ValueList list;
    for (const char* text : texts) list.Append(text);
    return list;
}

class Session : public ::testing::Test {
protected:
    TestImage image;
    DirectorySession session{"PAGES_TREE", "[Root]"};
};

TEST_F(Session, ContextIsMadeOnFirstUseForTheTreeWithTheUsualFlags)
{
    HALVET_CONTEXT context = session.Context();
    ASSERT_GE(context, 0) << "error " << context;
    EXPECT_TRUE(session.CreatedContext());
    EXPECT_EQ(context, session.Context()) << "one context per session";
    uint32_t flags = 0;
    ASSERT_EQ(0, GetDirContextValue(context, HALVET_CTX_KEY_FLAGS, &flags, sizeof flags));
    EXPECT_EQ(0x45u, flags & 0x45u) << "flags " << flags;
    char text[HALVET_MAX_DN_BYTES] = {};
    ASSERT_EQ(0, GetDirContextValue(context, HALVET_CTX_KEY_TREE_NAME, text, sizeof text));
    EXPECT_STREQ("PAGES_TREE", text);
    ASSERT_EQ(0, GetDirContextValue(context, HALVET_CTX_KEY_NAME_CONTEXT, text, sizeof text));
    EXPECT_STREQ("[Root]", text);
}

TEST_F(Session, SessionsOfOneSlotShareOneContextThatTheSlotFrees)
{
    HALVET_CONTEXT context;
    {
        ContextSlot slot;
        DirectorySession first("PAGES_TREE", "[Root]", &slot);
        DirectorySession second("PAGES_TREE", "[Root]", &slot);
        context = second.Context();
        ASSERT_GE(context, 0);
        EXPECT_TRUE(second.CreatedContext());
        EXPECT_EQ(context, first.Context());
        EXPECT_FALSE(first.CreatedContext()) << "the first only used the slot";
        uint32_t flags = 0;
        EXPECT_EQ(0, GetDirContextValue(context, HALVET_CTX_KEY_FLAGS, &flags, sizeof flags));
    }
    uint32_t flags = 0;
    EXPECT_NE(0, GetDirContextValue(context, HALVET_CTX_KEY_FLAGS, &flags, sizeof flags))
        << "the slot freed its context";
}

TEST_F(Session, AContextThatCannotBeMadeFailsEveryOperationWithoutHarm)
{
    DirectorySession lost("NO_SUCH_TREE", "[Root]");
    EXPECT_LT(lost.Context(), 0);
    DirValue value;
    EXPECT_EQ(HALVET_ERR_NO_SUCH_TREE, lost.ReadFirstValue(kPat, "Given Name", &value));
    EXPECT_FALSE(value.HasValue());
    ValueList list;
    EXPECT_EQ(HALVET_ERR_NO_SUCH_TREE, lost.ReadValueList(kPat, "Title", list));
    EXPECT_TRUE(list.Empty());
    EXPECT_NE(0, lost.WriteSingleValue(kPat, "Given Name", "X", 3));
    EXPECT_NE(0, lost.WriteValueList(kPat, "Title", ListOf({"X"}), 3));
    EXPECT_EQ(0u, lost.HasAttributeRight(kPat, "Title"));
    EXPECT_EQ(std::vector<std::string>({"Pat"}), image.Texts(kPat, "Given Name"));
}

TEST_F(Session, ReadValueListGivesTheTextOfEverySyntax)
{
    std::time_t when = 946684800;
    char local[128];
    std::strftime(local, sizeof local, "%c", std::localtime(&when));
    struct Case {
        const char* attribute;
        uint32_t syntax;
        std::vector<std::string> texts;
    } cases[] = {
        {"T Dist Name", 1, {".Pat.Test"}},
        {"T CE String", 2, {"Case Exact"}},
        {"T Printable", 4, {"Printable 1"}},
        {"T Numeric", 5, {"0123 456"}},
        {"T CI List", 6, {"x, y, z", "solo"}},
        {"T Boolean", 7, {"True"}},
        {"T Integer", 8, {"-5", "2147483647"}},
        {"T Octets", 9, {"00 0A 1B FF"}},
        {"T Telephone", 10, {"+1 555 0100"}},
        {"T Net Address", 12,
         {"01020304:00001B2C3D4E:0451", "10.0.0.1", "<Not supportted yet>",
          "<Not supportted yet>"}},
        {"T Octet List", 13, {"01, 02 03"}},
        {"T Path", 15, {".Vol.Test:\\HOME"}},
        {"T Replica", 16, {"CA FE"}},
        {"T Postal", 18, {"A, , B, , , "}},
        {"T Timestamp", 19, {local}},
        {"T Class Name", 20, {"User"}},
        {"T Stream", 21, {""}},
        {"T Counter", 22, {"4294967295"}},
        {"T Back Link", 23, {".Pat.Test"}},
        {"T Time", 24, {local}},
        {"T Typed Name", 25, {".Pat.Test"}},
        {"T Hold", 26, {".Pat.Test:100"}},
        {"T Interval", 27, {"-86400"}},
        {"Facsimile Telephone Number", 11, {"555-0199"}},
        {"EMail Address", 14, {"pat@test.example"}},
    };
    for (const Case& c : cases) {
        const char* object = c.attribute[0] == 'T' && c.attribute[1] == ' ' ? kValues : kPat;
        ValueList list;
        uint32_t syntax = 0;
        EXPECT_EQ(0, session.ReadValueList(object, c.attribute, list, &syntax)) << c.attribute;
        EXPECT_EQ(c.syntax, syntax) << c.attribute;
        EXPECT_EQ(c.texts, Texts(list)) << c.attribute;
    }
}

TEST_F(Session, TypedNamesAndAclEntriesComeAsTheirNodeKinds)
{
    ValueList typed;
    ASSERT_EQ(0, session.ReadValueList(kValues, "T Typed Name", typed));
    ASSERT_EQ(1u, typed.Count());
    EXPECT_EQ(ValueKind::TypedName, typed.First()->kind);
    EXPECT_EQ(3u, typed.First()->level);
    EXPECT_EQ(60u, typed.First()->interval);

    ValueList acl;
    ASSERT_EQ(0, session.ReadValueList(kValues, "ACL", acl));
    ASSERT_EQ(1u, acl.Count());
    EXPECT_EQ(ValueKind::AclEntry, acl.First()->kind);
    EXPECT_EQ("Title", acl.First()->text);
    EXPECT_EQ(".Guest.Test", acl.First()->subjectName);
    EXPECT_EQ(2u, acl.First()->privileges);
}

TEST_F(Session, ReadingAppendsAfterExistingNodesAndAnEmptyAttributeChangesNothing)
{
    ValueList list = ListOf({"kept"});
    ASSERT_EQ(0, session.ReadValueList(kPat, "Title", list));
    EXPECT_EQ(std::vector<std::string>({"kept", "Engineer", "Lead"}), Texts(list));

    uint32_t syntax = 1234;
    EXPECT_EQ(0, session.ReadValueList(kValues, "T Empty", list, &syntax));
    EXPECT_EQ(3u, list.Count());
    EXPECT_EQ(0, session.ReadValueList(kPat, "Full Name", list));
    EXPECT_EQ(3u, list.Count());

    EXPECT_LT(session.ReadValueList(".Nobody.Test", "Title", list), 0) << "a missing object";
    EXPECT_EQ(3u, list.Count());
}

TEST_F(Session, ReadFirstValueGivesTheRecordOfItsSyntaxOrNothing)
{
    DirValue value;
    ASSERT_EQ(0, session.ReadFirstValue(kPat, "Given Name", &value));
    ASSERT_TRUE(value.HasValue());
    EXPECT_EQ(3u, value.Syntax());
    EXPECT_EQ("Pat", value.Text());

    ASSERT_EQ(0, session.ReadFirstValue(kPat, "Title", &value));
    EXPECT_EQ("Engineer", value.Text()) << "the first of several";

    ASSERT_EQ(0, session.ReadFirstValue(kPat, "EMail Address", &value));
    EXPECT_EQ(14u, value.Syntax());
    const HALVET_EMAIL_ADDRESS* mail = value.As<HALVET_EMAIL_ADDRESS>();
    ASSERT_NE(nullptr, mail);
    EXPECT_EQ(7u, mail->type);
    EXPECT_TRUE(value.Contains(mail->address));
    EXPECT_EQ("pat@test.example", value.StringAt(mail->address));

    ASSERT_EQ(0, session.ReadFirstValue(kPat, "Last Login Time", &value));
    uint32_t seconds = 0;
    EXPECT_TRUE(value.UInt32(&seconds));
    EXPECT_EQ(946684800u, seconds);
    bool disabled = true;
    ASSERT_EQ(0, session.ReadFirstValue(kPat, "Login Disabled", &value));
    EXPECT_TRUE(value.Boolean(&disabled));
    EXPECT_FALSE(disabled);

    EXPECT_EQ(0, session.ReadFirstValue(kPat, "Full Name", &value)) << "no value is no error";
    EXPECT_FALSE(value.HasValue());
    ASSERT_EQ(0, session.ReadFirstValue(kPat, "Given Name", &value));
    EXPECT_LT(session.ReadFirstValue(".Nobody.Test", "Given Name", &value), 0);
    EXPECT_FALSE(value.HasValue()) << "a failed read leaves no value behind";
}

TEST_F(Session, RemoveAttributeTakesMissingAttributesAsDone)
{
    EXPECT_EQ(0, session.RemoveAttribute(kPat, "Description"));
    EXPECT_TRUE(image.Values(kPat, "Description").is_null());
    EXPECT_EQ(0, session.RemoveAttribute(kPat, "Description")) << "-603 counts as success";
    EXPECT_EQ(HALVET_ERR_MISSING_MANDATORY, session.RemoveAttribute(kPat, "Surname"));
    EXPECT_EQ(std::vector<std::string>({"Lee"}), image.Texts(kPat, "Surname"));
}

TEST_F(Session, WriteSingleValueReplacesAddsOrSwapsAMandatoryValue)
{
    EXPECT_EQ(0, session.WriteSingleValue(kPat, "Given Name", "Patty", 3));
    EXPECT_EQ(std::vector<std::string>({"Patty"}), image.Texts(kPat, "Given Name"));

    EXPECT_EQ(0, session.WriteSingleValue(kPat, "Full Name", "Pat Lee", 3)) << "no value yet";
    EXPECT_EQ(std::vector<std::string>({"Pat Lee"}), image.Texts(kPat, "Full Name"));

    // Mandatory: it cannot be removed (-609), so the old value is swapped
    // for the new one in one request.
    EXPECT_EQ(0, session.WriteSingleValue(kPat, "Surname", "Kim", 3));
    EXPECT_EQ(std::vector<std::string>({"Kim"}), image.Texts(kPat, "Surname"));

    HALVET_EMAIL_ADDRESS mail{7, const_cast<char*>("new@test.example")};
    EXPECT_EQ(0, session.WriteSingleValue(kPat, "EMail Address", &mail, 14));
    nlohmann::json stored = image.Values(kPat, "EMail Address");
    ASSERT_TRUE(stored.is_array() && stored.size() == 1) << stored.dump();
    EXPECT_EQ("new@test.example", stored[0]["address"]) << stored.dump();
    EXPECT_EQ(7, stored[0]["type"]) << stored.dump();
}

TEST_F(Session, AWriteTheDirectoryRefusesLeavesTheOldValue)
{
    ASSERT_EQ(0, session.WriteSingleValue(kPat, "Initials", "PL", 3));
    // "Initials" holds at most 8 characters.
    EXPECT_NE(0, session.WriteSingleValue(kPat, "Initials", "FAR TOO LONG", 3));
    EXPECT_EQ(std::vector<std::string>({"PL"}), image.Texts(kPat, "Initials"));
    EXPECT_NE(0, session.WriteSingleValue(kPat, "Given Name", "Pat", 8)) << "wrong syntax";
    EXPECT_EQ(std::vector<std::string>({"Pat"}), image.Texts(kPat, "Given Name"));
    EXPECT_NE(0, session.WriteValueList(kPat, "Title", ListOf({"A", "B"}), 8));
    EXPECT_EQ(std::vector<std::string>({"Engineer", "Lead"}), image.Texts(kPat, "Title"));
}

TEST_F(Session, WriteValueListReplacesEveryValueInOrder)
{
    EXPECT_EQ(0, session.WriteValueList(kPat, "Title", ListOf({"Chief", "Lead", "Scout"}), 3));
    EXPECT_EQ(std::vector<std::string>({"Chief", "Lead", "Scout"}), image.Texts(kPat, "Title"));
    EXPECT_EQ(0, session.WriteValueList(kPat, "L", ListOf({"There"}), 3));
    EXPECT_EQ(std::vector<std::string>({"There"}), image.Texts(kPat, "L"));
    EXPECT_EQ(0, session.WriteValueList(".Sam.Test", "Title", ListOf({"New"}), 3))
        << "an attribute without values yet";
    EXPECT_EQ(std::vector<std::string>({"New"}), image.Texts(".Sam.Test", "Title"));
    // Empty entries (the list editor takes them) are left out; a list of
    // nothing else clears the attribute.
    EXPECT_EQ(0, session.WriteValueList(kPat, "Title", ListOf({"", "Chief", "", "Lead"}), 3));
    EXPECT_EQ(std::vector<std::string>({"Chief", "Lead"}), image.Texts(kPat, "Title"));
    EXPECT_EQ(0, session.WriteValueList(kPat, "Title", ListOf({""}), 3));
    EXPECT_TRUE(image.Values(kPat, "Title").is_null()) << image.Values(kPat, "Title").dump();
}

TEST_F(Session, AnEmptyListClearsTheAttribute)
{
    EXPECT_EQ(0, session.WriteValueList(kPat, "Title", ValueList(), 3));
    EXPECT_TRUE(image.Values(kPat, "Title").is_null()) << image.Values(kPat, "Title").dump();
    EXPECT_EQ(0, session.WriteValueList(kPat, "Title", ValueList(), 3)) << "already clear";
}

TEST_F(Session, TheFirstCnValueIsNeverRemovedOrRewritten)
{
    // The list as a page holds it: the naming value first, hidden.
    EXPECT_EQ(0, session.WriteValueList(kPat, "CN", ListOf({"Pat", "Patty", "P"}), 3));
    EXPECT_EQ(std::vector<std::string>({"Pat", "Patty", "P"}), image.Texts(kPat, "CN"));
    // Whatever the list's first node says, the naming value stays.
    EXPECT_EQ(0, session.WriteValueList(kPat, "CN", ListOf({"Renamed", "Q"}), 3));
    EXPECT_EQ(std::vector<std::string>({"Pat", "Q"}), image.Texts(kPat, "CN"));
    EXPECT_EQ(0, session.WriteValueList(kPat, "CN", ListOf({"Pat"}), 3));
    EXPECT_EQ(std::vector<std::string>({"Pat"}), image.Texts(kPat, "CN"));
}

TEST_F(Session, FaxAndAclListsAreWrittenAsTheirRecords)
{
    EXPECT_EQ(0, session.WriteValueList(kPat, "Facsimile Telephone Number",
                                        ListOf({"555-1111", "555-2222"}), 11));
    nlohmann::json fax = image.Values(kPat, "Facsimile Telephone Number");
    ASSERT_TRUE(fax.is_array() && fax.size() == 2) << fax.dump();
    EXPECT_EQ("555-1111", fax[0]["number"]) << fax.dump();
    EXPECT_EQ(0, fax[1]["bitCount"]) << fax.dump();

    ValueList acl;
    ValueNode& entry = acl.Append("Title");
    entry.kind = ValueKind::AclEntry;
    entry.subjectName = ".Sam.Test";
    entry.privileges = 6;
    EXPECT_EQ(0, session.WriteValueList(kValues, "ACL", acl, 17));
    nlohmann::json stored = image.Values(kValues, "ACL");
    ASSERT_TRUE(stored.is_array() && stored.size() == 1) << stored.dump();
    EXPECT_EQ("Title", stored[0]["attribute"]);
    EXPECT_EQ("Sam.Test", stored[0]["subject"]) << stored.dump();
    EXPECT_EQ(6, stored[0]["privileges"]);
}

TEST_F(Session, RightsFollowTheIdentityAndFailuresMeanNone)
{
    const uint32_t rw = HALVET_RIGHT_READ | HALVET_RIGHT_WRITE;
    EXPECT_EQ(rw, session.HasAttributeRight(kPat, "Surname") & rw) << "the administrator";
    TestImage::UseSecondIdentity(true);
    struct Case {
        const char* attribute;
        uint32_t rights;
    } cases[] = {
        {"Given Name", HALVET_RIGHT_READ},
        {"Title", HALVET_RIGHT_READ},
        {"Telephone Number", rw},
        {"Surname", 0},
        {"Description", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.rights, session.HasAttributeRight(kPat, c.attribute) & rw) << c.attribute;
    EXPECT_EQ(0u, session.HasAttributeRight(".Nobody.Test", "Title"));
    EXPECT_EQ(HALVET_ERR_NO_ACCESS, session.WriteSingleValue(kPat, "Given Name", "X", 3));
    EXPECT_EQ(std::vector<std::string>({"Pat"}), image.Texts(kPat, "Given Name"));
}

TEST_F(Session, DisplayNamesAreAbsoluteAndWithoutTypes)
{
    EXPECT_EQ(".Pat.Test", session.ToDisplayName(".Pat.Test"));
    EXPECT_EQ(".Pat.Test", session.ToDisplayName("Pat.Test"));
    EXPECT_EQ(".Pat.Test", session.ToDisplayName(".CN=Pat.O=Test"));
}

TEST_F(Session, DirectoryTimesUseTheUsersTimeAndShortDateFormats)
{
    std::time_t when = 946684800;
    std::tm local = *std::localtime(&when);
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(local.tm_year + 1900);
    st.wMonth = static_cast<WORD>(local.tm_mon + 1);
    st.wDay = static_cast<WORD>(local.tm_mday);
    st.wHour = static_cast<WORD>(local.tm_hour);
    st.wMinute = static_cast<WORD>(local.tm_min);
    char date[256], time[256];
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, sizeof time);
    std::string text = orrel::pages::FormatDirTime(946684800);
    EXPECT_EQ(std::string(time) + " " + date, text);
}

TEST_F(Session, ComboFillerSkipsTheFirstNodeOnRequestAndSelectsTheFirstEntry)
{
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_POPUP, 0, 0, 100, 200,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, combo);
    ValueList list = ListOf({"Pat", "Patricia", "Pat.Test"});
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("stale"));
    orrel::pages::FillCombo(combo, list, false);
    EXPECT_EQ(std::vector<std::string>({"Patricia", "Pat.Test"}), pages_test::ComboTexts(combo));
    EXPECT_EQ(0, SendMessageA(combo, CB_GETCURSEL, 0, 0));
    orrel::pages::FillCombo(combo, list, true, true, &session);
    EXPECT_EQ(std::vector<std::string>({".Pat", ".Patricia", ".Pat.Test"}),
              pages_test::ComboTexts(combo));
    orrel::pages::FillCombo(combo, ValueList(), true);
    EXPECT_EQ(0, SendMessageA(combo, CB_GETCOUNT, 0, 0));
    DestroyWindow(combo);
}

}  // namespace
