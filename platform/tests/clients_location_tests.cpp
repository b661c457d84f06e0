// Where the libraries find the image: the environment variable, else the
// per-user registry value, else a copy of the shipped sample in the user's
// application data folder (the shipped sample itself is never written).
#include <shlobj.h>

#include <string>

#include "clients_support.h"

using namespace clients_test;

namespace {

constexpr char kClientKey[] = "Software\\Halvet\\Directory Client";

// Sets or deletes a per-user value of the client for one test, restoring
// what was there before.
class ClientValue {
public:
    explicit ClientValue(const char* name) : name_(name)
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kClientKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            char buffer[1024];
            DWORD size = sizeof(buffer) - 1, type = 0;
            if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
                type == REG_SZ) {
                buffer[size] = 0;
                had_ = true;
                old_ = buffer;
            }
            RegCloseKey(key);
        }
    }
    ~ClientValue()
    {
        if (had_)
            Set(old_.c_str());
        else
            Set(nullptr);
    }
    void Set(const char* value)
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kClientKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        if (value)
            RegSetValueExA(key, name_, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>(strlen(value) + 1));
        else
            RegDeleteValueA(key, name_);
        RegCloseKey(key);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

class ImageLocation : public ImageTest {};

TEST_F(ImageLocation, RegistryValuesNameTheImageAndTheIdentity)
{
    ClientValue image("Image"), identity("Identity");
    std::string text = StandardImage();
    text.replace(text.find("\"Clerk\""), 7, "\"Registered\"");
    std::string other = folder_ + "\\registered.json";
    ASSERT_TRUE(WriteWholeFile(other, text));
    image.Set(other.c_str());
    identity.Set("second");

    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", nullptr);
    DirContext ctx("Sales.Corp");
    ASSERT_EQ(HALVET_OK, ctx.created());
    EXPECT_EQ(std::vector<std::string>{"Registered"}, ReadTexts(ctx.get(), "JDoe", "Title"));
    char me[260];
    ASSERT_EQ(HALVET_OK, WhoAmI(ctx.get(), me, sizeof(me)));
    EXPECT_STREQ(".Guest.Corp", me);

    // The environment overrides the registry.
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", image_.c_str());
    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", "first");
    EXPECT_EQ(std::vector<std::string>{"Clerk"}, ReadTexts(ctx.get(), "JDoe", "Title"));
    ASSERT_EQ(HALVET_OK, WhoAmI(ctx.get(), me, sizeof(me)));
    EXPECT_STREQ(".Admin.Corp", me);
}

TEST_F(ImageLocation, WithoutSettingsACopyOfTheShippedSampleIsUsed)
{
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(GetModuleHandleA("HalvetDirClient.dll"), module, MAX_PATH);
    ASSERT_GT(n, 0u);
    std::string shipped = std::string(module, n);
    shipped = shipped.substr(0, shipped.find_last_of("\\/") + 1) + "orrel-sample-directory.json";
    std::string shippedBefore = ReadWholeFile(shipped);
    if (shippedBefore.empty()) GTEST_SKIP() << "no sample image beside the libraries";

    char appData[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData)));
    std::string copy = std::string(appData) + "\\Orrel\\orrel-sample-directory.json";
    std::string kept = ReadWholeFile(copy);  // a copy the user already has stays theirs
    DeleteFileA(copy.c_str());

    ClientValue image("Image");
    image.Set(nullptr);
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", nullptr);
    EXPECT_NE(0, DirClientAvailable());
    EXPECT_EQ(shippedBefore, ReadWholeFile(copy)) << "the copy is the shipped sample";

    DirContext ctx;
    ASSERT_EQ(HALVET_OK, ctx.created());
    char me[260];
    ASSERT_EQ(HALVET_OK, WhoAmI(ctx.get(), me, sizeof(me)));
    // A change lands in the copy, never in the shipped sample.
    EXPECT_EQ(HALVET_OK, Modify(ctx.get(), me, {AddText("Description", "changed in the copy")}));
    EXPECT_EQ(shippedBefore, ReadWholeFile(shipped));
    EXPECT_NE(std::string::npos, ReadWholeFile(copy).find("changed in the copy"));

    if (!kept.empty())
        WriteWholeFile(copy, kept);
    else
        DeleteFileA(copy.c_str());
}

}  // namespace
