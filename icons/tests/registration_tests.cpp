// Registration as the shell sees it: DllRegisterServer writes the COM class
// and the handler entry under "Unknown", CoCreateInstance then finds the
// handler, and DllUnregisterServer takes exactly that away again.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "icons_support.h"
#include "orrel/com.h"
#include "orrel/registry.h"

namespace {

using icontest::IconsDll;
using icontest::kIconsClsidText;
using orrel::ComPtr;
using orrel::RegKey;

const char kClassesKey[] = "Software\\Halvet\\Orrel Namespace\\Classes";
const char kUnknownClass[] = "Software\\Halvet\\Orrel Namespace\\Classes\\Unknown";
const char kUnknownHandlers[] = "Software\\Halvet\\Orrel Namespace\\Classes\\Unknown\\IconHandler";
const char kDescription[] = "Corvane Orrel Icon Handler";
// Another handler registered for "Unknown", which unregistering must leave.
const char kOtherHandler[] = "{11111111-2222-3333-4444-555555555555}";

std::string ClsidKey()
{
    return std::string("CLSID\\") + kIconsClsidText;
}

std::string ServerKey()
{
    return ClsidKey() + "\\InProcServer32";
}

std::string HandlerKey()
{
    return std::string(kUnknownHandlers) + "\\" + kIconsClsidText;
}

std::string StringValue(HKEY root, const std::string& path, const char* name)
{
    RegKey key;
    if (key.Open(root, path.c_str(), KEY_READ) != ERROR_SUCCESS) return "<no key>";
    std::string value;
    if (key.QueryString(name, &value) != ERROR_SUCCESS) return "<no value>";
    return value;
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dll_.Loaded()) << "cannot load " << dll_.Path();
        Clean();
    }
    void TearDown() override { Clean(); }

    // Removes what these tests make, and the parents they made when nothing
    // else lives in them.
    static void Clean()
    {
        orrel::DeleteKeyTree(HKEY_CLASSES_ROOT, ClsidKey().c_str());
        orrel::DeleteKeyTree(HKEY_CURRENT_USER, HandlerKey().c_str());
        orrel::DeleteKeyTree(HKEY_CURRENT_USER,
                             (std::string(kUnknownHandlers) + "\\" + kOtherHandler).c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, kUnknownHandlers);
        RegDeleteKeyA(HKEY_CURRENT_USER, kUnknownClass);
        RegDeleteKeyA(HKEY_CURRENT_USER, kClassesKey);
    }

    void ExpectRegistered()
    {
        EXPECT_EQ(kDescription, StringValue(HKEY_CLASSES_ROOT, ClsidKey(), nullptr));
        std::string server = StringValue(HKEY_CLASSES_ROOT, ServerKey(), nullptr);
        EXPECT_EQ(0, lstrcmpiA(dll_.Path().c_str(), server.c_str()))
            << "server path " << server << ", DLL " << dll_.Path();
        EXPECT_EQ("Apartment", StringValue(HKEY_CLASSES_ROOT, ServerKey(), "ThreadingModel"));
        EXPECT_EQ(kDescription, StringValue(HKEY_CURRENT_USER, HandlerKey(), nullptr));
    }

    IconsDll dll_;
};

TEST_F(RegistrationTest, RegisterWritesTheClassAndTheUnknownIconHandler)
{
    ASSERT_EQ(S_OK, dll_.registerServer());
    ExpectRegistered();
    // The machine's classes, as COM reads them here, hold the server.
    RegKey machine;
    EXPECT_EQ(ERROR_SUCCESS,
              machine.Open(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + ServerKey()).c_str(),
                           KEY_READ));
    // Registering again leaves the same keys and values.
    ASSERT_EQ(S_OK, dll_.registerServer());
    ExpectRegistered();
    RegKey handlers;
    ASSERT_EQ(ERROR_SUCCESS, handlers.Open(HKEY_CURRENT_USER, kUnknownHandlers, KEY_READ));
    std::string name;
    EXPECT_EQ(ERROR_SUCCESS, handlers.EnumKey(0, &name));
    EXPECT_EQ(kIconsClsidText, name);
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, handlers.EnumKey(1, &name)) << "a second entry: " << name;
}

TEST_F(RegistrationTest, RegisteredHandlerIsCreatedAndAnswersAsTheShellAsks)
{
    ASSERT_EQ(S_OK, dll_.registerServer());
    ComPtr<IShellExtInit> init;
    HRESULT hr = CoCreateInstance(icontest::kIconsClsid, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IShellExtInit, init.PutVoid());
    ASSERT_EQ(S_OK, hr) << std::hex << hr;
    auto data = icontest::DataObjectOf({icontest::DirectoryObject("Organizational Unit", "Sales")});
    ASSERT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
    ComPtr<IExtractIconA> extract;
    ASSERT_EQ(S_OK, init.As(IID_IExtractIconA, extract));
    char file[MAX_PATH * 4] = {};
    int index = 0;
    UINT flags = 77;
    ASSERT_EQ(S_OK, extract->GetIconLocation(GIL_FORSHELL, file, sizeof file, &index, &flags));
    EXPECT_EQ(0, lstrcmpiA(dll_.Path().c_str(), file)) << file;
    EXPECT_EQ(-121, index);
    EXPECT_EQ(0u, flags);

    // The location opens as the shell opens it.
    HICON large = nullptr;
    EXPECT_EQ(1u, ExtractIconExA(file, index, &large, nullptr, 1));
    if (large) DestroyIcon(large);
}

TEST_F(RegistrationTest, UnregisterRemovesOnlyThisHandler)
{
    ASSERT_EQ(S_OK, dll_.registerServer());
    {
        RegKey other;
        ASSERT_EQ(ERROR_SUCCESS, other.Create(HKEY_CURRENT_USER,
                                              (std::string(kUnknownHandlers) + "\\" +
                                               kOtherHandler).c_str()));
        other.SetString(nullptr, "another handler");
    }
    ASSERT_EQ(S_OK, dll_.unregisterServer());
    EXPECT_FALSE(orrel::KeyExists(HKEY_CLASSES_ROOT, ServerKey().c_str()));
    EXPECT_FALSE(orrel::KeyExists(HKEY_CLASSES_ROOT, ClsidKey().c_str()));
    EXPECT_FALSE(orrel::KeyExists(HKEY_CURRENT_USER, HandlerKey().c_str()));
    EXPECT_TRUE(orrel::KeyExists(HKEY_CURRENT_USER,
                                 (std::string(kUnknownHandlers) + "\\" + kOtherHandler).c_str()))
        << "another handler's entry went with ours";

    ComPtr<IShellExtInit> init;
    HRESULT hr = CoCreateInstance(icontest::kIconsClsid, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IShellExtInit, init.PutVoid());
    EXPECT_EQ(REGDB_E_CLASSNOTREG, hr) << std::hex << hr;
}

TEST_F(RegistrationTest, UnregisterWithoutRegistrationCreatesNothing)
{
    ASSERT_FALSE(orrel::KeyExists(HKEY_CURRENT_USER, kUnknownClass))
        << "the prefix holds an \"Unknown\" class of some other origin";
    ASSERT_EQ(S_OK, dll_.unregisterServer());
    EXPECT_FALSE(orrel::KeyExists(HKEY_CLASSES_ROOT, ClsidKey().c_str()));
    EXPECT_FALSE(orrel::KeyExists(HKEY_CURRENT_USER, kUnknownClass))
        << "unregistering made an \"Unknown\" class entry";
    // And twice in a row is as good as once.
    ASSERT_EQ(S_OK, dll_.registerServer());
    ASSERT_EQ(S_OK, dll_.unregisterServer());
    ASSERT_EQ(S_OK, dll_.unregisterServer());
    EXPECT_FALSE(orrel::KeyExists(HKEY_CURRENT_USER, HandlerKey().c_str()));
}

}  // namespace
