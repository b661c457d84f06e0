// OrrelUserPages.dll as a COM server and a resource module: its class, its
// registration, its icon, its strings, images and templates, and which pages
// it adds for which identity.
#include <gtest/gtest.h>

#include "orrel/registry.h"
#include "user_test_support.h"

namespace {

using namespace usertest;

const char kClsidText[] = "{0FEC5132-2800-11D3-8685-00A0C9D59E71}";

TEST(UserPagesResources, StringTableHoldsTheExactTexts)
{
    struct {
        UINT id;
        const char* text;
    } const strings[] = {
        {101, "Halvet Services"},
        {102, "Do you wish to remove \"%s\"?"},
        {103, "Edit: Other Names"},
        {105, "You will now be connected to Corvane's WWW site.\r\nIf you do not have WWW access, "
              "press 'Cancel'.\r\nOtherwise, press 'OK' to continue."},
        {106, "Edit: FAX"},
        {107, "Edit: Location"},
        {108, "Edit: Organization"},
        {109, "Edit: Telephone"},
        {110, "Edit: Department"},
        {111, "Edit: Title"},
        {112, "To change the password, hit <Ctrl-Alt-Del> and\r\nchoose \"Change Password...\""},
        {113, "Unlimited"},
        {114, "Enabled"},
        {115, "Disabled"},
    };
    HMODULE module = UserPagesModule();
    ASSERT_NE(nullptr, module);
    for (const auto& s : strings) {
        char text[512] = {};
        LoadStringA(module, s.id, text, sizeof text);
        EXPECT_STREQ(s.text, text) << "string " << s.id;
    }
}

COLORREF CentrePixel(HMODULE module, UINT id, SIZE* size)
{
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    if (!bitmap) return CLR_INVALID;
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    size->cx = info.bmWidth;
    size->cy = info.bmHeight;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF pixel = GetPixel(dc, info.bmWidth / 2, info.bmHeight / 2);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return pixel;
}

TEST(UserPagesResources, ImagesAndTemplatesArePresent)
{
    HMODULE module = UserPagesModule();
    SIZE size = {};
    EXPECT_NE(CLR_INVALID, CentrePixel(module, 1, &size));
    EXPECT_EQ(32, size.cx);
    EXPECT_EQ(32, size.cy);
    EXPECT_EQ(RGB(255, 0, 0), CentrePixel(module, 4, &size)) << "bitmap 4 is the red legend";
    EXPECT_EQ(RGB(0, 255, 0), CentrePixel(module, 5, &size)) << "bitmap 5 is the green legend";
    for (UINT id : {2u, 3u}) {
        HICON icon = static_cast<HICON>(
            LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
        EXPECT_NE(nullptr, icon) << "icon " << id;
        if (icon) DestroyIcon(icon);
    }
    for (UINT id : {1000u, 2000u, 3000u, 4000u, 5000u, 6000u, 7000u, 8000u, 10000u})
        EXPECT_NE(nullptr, FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5)))
            << "dialog " << id;
}

TEST(UserPagesHandler, OffersItsPagesInOrderAndOnlyReadableOnes)
{
    SampleImage image;
    const std::vector<std::string> all = {"Personal Information", "Work Information",
                                          "Mailing Information",  "Login Script",
                                          "Login Account",        "Time Restrictions",
                                          "Password",             "Group Membership"};
    struct Case {
        bool second;
        const char* object;
        std::vector<std::string> captions;
    } const cases[] = {
        {false, "JDoe.Sales.Corp", all},
        {true, "JDoe.Sales.Corp", {"Personal Information", "Work Information"}},
        {true, "Guest.Corp", all},  // the identity may read its own object
    };
    for (const Case& c : cases) {
        SampleImage::UseSecondIdentity(c.second);
        orrel::ComPtr<IShellExtInit> handler = MakeHandler({c.object});
        Sheet sheet(handler.Get());
        ASSERT_EQ(S_OK, sheet.AddPagesResult()) << c.object;
        std::vector<std::string> captions;
        for (int i = 0; i < sheet.PageCount(); ++i) captions.push_back(sheet.Caption(i));
        EXPECT_EQ(c.captions, captions) << c.object << (c.second ? " as Guest" : " as Admin");
    }
}

TEST(UserPagesRegistration, RegistersTheUserClassAndIsCreatedByCom)
{
    SampleImage image;
    const std::string clsidKey = std::string("CLSID\\") + kClsidText;
    const bool before = orrel::KeyExists(HKEY_CLASSES_ROOT, clsidKey.c_str());
    auto call = [](const char* name) {
        auto f = reinterpret_cast<HRESULT(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(UserPagesModule(), name)));
        return f ? f() : E_UNEXPECTED;
    };
    ASSERT_EQ(S_OK, call("DllRegisterServer"));

    orrel::RegKey key;
    std::string text;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CLASSES_ROOT, clsidKey.c_str(), KEY_READ));
    key.QueryString(nullptr, &text);
    EXPECT_EQ("Corvane Orrel User Properties", text);
    orrel::RegKey pages;
    EXPECT_EQ(ERROR_SUCCESS,
              pages.Open(HKEY_CURRENT_USER,
                         (std::string("Software\\Halvet\\Orrel NameSpace\\Classes\\User\\PropertyPages\\") +
                          kClsidText).c_str(),
                         KEY_READ));
    EXPECT_TRUE(orrel::KeyExists(
        HKEY_CURRENT_USER, "Software\\Halvet\\Orrel NameSpace\\Classes\\User\\ContextMenuHandlers\\"
                           "{0FEC2000-2800-11D3-8685-00A0C9D59E71}"));

    orrel::ComPtr<IShellPropSheetExt> created;
    EXPECT_EQ(S_OK, CoCreateInstance(kUserPagesClsid, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellPropSheetExt, created.PutVoid()));
    created.Reset();
    if (!before) {
        EXPECT_EQ(S_OK, call("DllUnregisterServer"));
        EXPECT_FALSE(orrel::KeyExists(HKEY_CLASSES_ROOT, clsidKey.c_str()));
    }
}

}  // namespace
