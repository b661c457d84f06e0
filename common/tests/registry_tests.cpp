// The registry helper against Wine's real registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "orrel/registry.h"

namespace {

const char kTestRoot[] = "Software\\OrrelTests\\Registry";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { orrel::DeleteKeyTree(HKEY_CURRENT_USER, kTestRoot); }
    void TearDown() override { orrel::DeleteKeyTree(HKEY_CURRENT_USER, kTestRoot); }
};

TEST_F(RegistryTest, CreatesAlongAPathAndReadsValuesBack)
{
    orrel::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, "Software\\OrrelTests\\Registry\\a\\b\\c"));
    EXPECT_EQ(ERROR_SUCCESS, key.SetString("s", "text"));
    EXPECT_EQ(ERROR_SUCCESS, key.SetDword("d", 0xA0000140));
    const unsigned char bytes[] = {5, 'A', 'd', 'm', 'i', 'n', 0};
    EXPECT_EQ(ERROR_SUCCESS, key.SetBinary("b", bytes, sizeof bytes));

    std::string s;
    EXPECT_EQ(ERROR_SUCCESS, key.QueryString("s", &s));
    EXPECT_EQ("text", s);
    DWORD d = 0;
    EXPECT_EQ(ERROR_SUCCESS, key.QueryDword("d", &d));
    EXPECT_EQ(0xA0000140u, d);
    EXPECT_EQ(ERROR_INVALID_DATA, key.QueryDword("s", &d)) << "a string is not a number";
    DWORD type = 0;
    std::vector<unsigned char> data;
    EXPECT_EQ(ERROR_SUCCESS, key.QueryValue("b", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + sizeof bytes), data);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.QueryDword("missing", &d));
}

TEST_F(RegistryTest, ReadsLongValuesWhole)
{
    orrel::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, kTestRoot));
    std::string big(5000, 'x');
    ASSERT_EQ(ERROR_SUCCESS, key.SetBinary("big", big.c_str(), static_cast<DWORD>(big.size() + 1)));
    std::string back;
    ASSERT_EQ(ERROR_SUCCESS, key.QueryString("big", &back));
    EXPECT_EQ(big, back);
}

TEST_F(RegistryTest, DeletesWholeSubtreesAndToleratesMissingKeys)
{
    orrel::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, "Software\\OrrelTests\\Registry\\x\\y\\z"));
    key.Close();
    EXPECT_TRUE(orrel::KeyExists(HKEY_CURRENT_USER, "Software\\OrrelTests\\Registry\\x\\y"));
    EXPECT_EQ(ERROR_SUCCESS, orrel::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\OrrelTests\\Registry\\x"));
    EXPECT_FALSE(orrel::KeyExists(HKEY_CURRENT_USER, "Software\\OrrelTests\\Registry\\x"));
    EXPECT_EQ(ERROR_SUCCESS, orrel::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\OrrelTests\\Registry\\x"));
}

TEST_F(RegistryTest, WritesRegistrationRowsWithSubstitutions)
{
    const orrel::RegRow rows[] = {
        {HKEY_CURRENT_USER, "Software\\OrrelTests\\Registry\\CLSID\\%CLSID%", nullptr, orrel::RegRow::String, "Thing", 0},
        {HKEY_CURRENT_USER, "Software\\OrrelTests\\Registry\\CLSID\\%CLSID%\\InProcServer32", nullptr, orrel::RegRow::String, "%MODULE%", 0},
        {HKEY_CURRENT_USER, "Software\\OrrelTests\\Registry\\CLSID\\%CLSID%\\ShellFolder", "Attributes", orrel::RegRow::Dword, nullptr, 0xA0000140},
        {HKEY_CURRENT_USER, "Software\\OrrelTests\\Registry\\Empty", nullptr, orrel::RegRow::Key, nullptr, 0},
    };
    orrel::RegSubstitutions subs{"{76AAD000-C21A-11D1-8115-00C04FB67EB7}", "C:\\x\\OrrelShell.dll"};
    EXPECT_EQ(0u, orrel::WriteRegistryRows(rows, subs));

    orrel::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER,
        "Software\\OrrelTests\\Registry\\CLSID\\{76AAD000-C21A-11D1-8115-00C04FB67EB7}\\InProcServer32", KEY_READ));
    std::string path;
    EXPECT_EQ(ERROR_SUCCESS, key.QueryString(nullptr, &path));
    EXPECT_EQ("C:\\x\\OrrelShell.dll", path);
    EXPECT_TRUE(orrel::KeyExists(HKEY_CURRENT_USER, "Software\\OrrelTests\\Registry\\Empty"));

    orrel::DeleteRegistryKeys(rows, 1, subs);
    EXPECT_FALSE(orrel::KeyExists(HKEY_CURRENT_USER,
        "Software\\OrrelTests\\Registry\\CLSID\\{76AAD000-C21A-11D1-8115-00C04FB67EB7}"));
}

}  // namespace
