// The Locality page driven for real: its naming flags on Localities named by
// "L", by "S" and by a value in another letter case, its lists edited and
// applied, and what the restricted identity may do.
#include <gtest/gtest.h>

#include "pagedll_checks.h"
#include "pages_testing.h"
#include "resource.h"

namespace {

using namespace pagetest;

const CLSID kClsid = {0x0FEC5113, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};
const PageDll kDll("OrrelLocalityPages.dll", kClsid);

struct LocalitySheet {
    explicit LocalitySheet(const char* object, bool second = false)
        : handler((SampleImage::UseSecondIdentity(second), kDll.MakeHandler("Locality", {object}))),
          sheet(handler.Get(), "Locality Properties"),
          page(sheet.Page(0))
    {
    }
    orrel::ComPtr<IShellExtInit> handler;
    Sheet sheet;
    HWND page;
};

TEST(LocalityPagesDll, KeepsThePageDllContract)
{
    ExpectPageDllContract(kDll, {"Locality", "Corvane Orrel Locality Properties", "Texas.Corp",
                                 {"Identification"}, {"Identification"}});
}

Texts Combo(HWND page, int id)
{
    return ComboTexts(GetDlgItem(page, id));
}

TEST(LocalityPage, HidesTheFirstValueOfTheAttributeThatNamesIt)
{
    SampleImage image;
    struct Case {
        const char* object;
        Texts localities, states;
    } const cases[] = {
        // Named by "L"; its first "S" differs from the name, so all show.
        {"Boston.Corp", {"Back Bay"}, {"Massachusetts", "MA"}},
        // Named by "S".
        {"Texas.Corp", {"Austin", "Dallas"}, {"TX"}},
        // The naming value in another letter case is still the naming value.
        {"Paris.FR", {"Ile de France"}, {"Ile de France"}},
    };
    for (const Case& c : cases) {
        LocalitySheet s(c.object);
        ASSERT_NE(nullptr, s.page) << c.object;
        EXPECT_EQ("Identification", s.sheet.Caption(0));
        EXPECT_EQ(c.localities, Combo(s.page, IDC_LOCALITY_LOCALITY)) << c.object;
        EXPECT_EQ(c.states, Combo(s.page, IDC_LOCALITY_STATE)) << c.object;
        // The list editors open on what the combos show.
        EXPECT_EQ(c.localities, EditList(s.page, IDC_LOCALITY_EDIT_LOCALITY, "Edit: Locality", {}));
        EXPECT_EQ(c.states, EditList(s.page, IDC_LOCALITY_EDIT_STATE, "Edit: State", {}));
        EXPECT_FALSE(s.sheet.ApplyEnabled()) << c.object << ": opening the editors is no change";
    }
}

TEST(LocalityPage, EditsKeepTheNamingValueFirstAndApply)
{
    SampleImage image;
    {
        LocalitySheet s("Boston.Corp");
        EXPECT_EQ(Texts{"1 Harbor Way"}, Combo(s.page, IDC_LOCALITY_STREET));
        EXPECT_EQ("Head office", ItemText(s.page, IDC_LOCALITY_DESCRIPTION));
        EditList(s.page, IDC_LOCALITY_EDIT_LOCALITY, "Edit: Locality", {"Seaport"});
        EditList(s.page, IDC_LOCALITY_EDIT_STATE, "Edit: State", {"Mass."});
        EditList(s.page, IDC_LOCALITY_EDIT_STREET, "Edit: Street", {"2 Dock Square"});
        SetText(s.page, IDC_LOCALITY_DESCRIPTION, "Head office, by the harbour");
        EXPECT_TRUE(s.sheet.ApplyEnabled());
        EXPECT_EQ((Texts{"Back Bay", "Seaport"}), Combo(s.page, IDC_LOCALITY_LOCALITY));
        ASSERT_TRUE(s.sheet.Apply());
    }
    EXPECT_EQ(Strings({"Boston", "Back Bay", "Seaport"}), image.Values("Boston.Corp", "L"));
    EXPECT_EQ(Strings({"Massachusetts", "MA", "Mass."}), image.Values("Boston.Corp", "S"));
    EXPECT_EQ(Strings({"1 Harbor Way", "2 Dock Square"}), image.Values("Boston.Corp", "SA"));
    EXPECT_EQ(Strings({"Head office, by the harbour"}), image.Values("Boston.Corp", "Description"));

    {
        LocalitySheet s("Texas.Corp");
        EditList(s.page, IDC_LOCALITY_EDIT_STATE, "Edit: State", {"Tex."});
        ASSERT_TRUE(s.sheet.Apply());
    }
    EXPECT_EQ(Strings({"Texas", "TX", "Tex."}), image.Values("Texas.Corp", "S"));
    EXPECT_EQ(Strings({"Austin", "Dallas"}), image.Values("Texas.Corp", "L"));
}

TEST(LocalityPage, RestrictedIdentitySeesEverythingReadOnly)
{
    SampleImage image;
    LocalitySheet s("Boston.Corp", true);
    ASSERT_NE(nullptr, s.page);
    EXPECT_EQ((Texts{"Massachusetts", "MA"}), Combo(s.page, IDC_LOCALITY_STATE));
    for (int button : {IDC_LOCALITY_EDIT_LOCALITY, IDC_LOCALITY_EDIT_STATE,
                       IDC_LOCALITY_EDIT_STREET})
        EXPECT_FALSE(IsEnabled(s.page, button)) << button;
    EXPECT_TRUE(IsReadOnly(s.page, IDC_LOCALITY_DESCRIPTION));
}

TEST(LocalityPagesInTheShell, ThePropertiesCommandOpensTheSheet)
{
    SampleImage image;
    CommandSheet sheet(kDll, "Locality", "Paris.FR");
    ASSERT_NE(nullptr, sheet.Handle());
    EXPECT_EQ(Texts{"Identification"}, sheet.Captions());
}

TEST(LocalityPage, Screenshot)
{
    SampleImage image;
    LocalitySheet s("Boston.Corp");
    EXPECT_EQ(1u, SaveSheetPages(s.sheet, "locality-pages-screens").size());
}

}  // namespace
