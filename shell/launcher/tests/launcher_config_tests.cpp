// The demo's starting configuration, read back from the registry as the
// namespace reads it: keys named per item, text values as REG_BINARY with
// their zero, label-counted paths, flags as REG_DWORD.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "democonfig.h"
#include "orrel/core/itemrecord.h"
#include "orrel/registry.h"

using orrel::RegKey;
using orrel::launcher::DemoItems;
using orrel::launcher::InstallDemoConfiguration;

namespace {

// Each test writes below a scratch key of its own instead of HKCU itself.
class DemoConfiguration : public ::testing::Test {
protected:
    void SetUp() override
    {
        orrel::DeleteKeyTree(HKEY_CURRENT_USER, kScratch);
        ASSERT_EQ(ERROR_SUCCESS, root_.Create(HKEY_CURRENT_USER, kScratch));
    }
    void TearDown() override
    {
        root_.Close();
        orrel::DeleteKeyTree(HKEY_CURRENT_USER, kScratch);
    }

    static DemoItems Sample()
    {
        DemoItems items;
        items.tree = "ORREL_TREE";
        items.server = "ORREL-FS1";
        items.folder = "Projects";
        items.unit = "Sales.Corp";
        return items;
    }

    std::string FoldersPath(const std::string& sub) const
    {
        return std::string(orrel::launcher::kNamespaceKey) + "\\Folders\\" + sub;
    }

    // The raw bytes and type of one value of an item key.
    std::vector<unsigned char> Value(const std::string& item, const char* name, DWORD* type) const
    {
        RegKey key;
        std::vector<unsigned char> data;
        *type = REG_NONE;
        if (key.Open(root_.Get(), FoldersPath(item).c_str(), KEY_READ) != ERROR_SUCCESS)
            return data;
        key.QueryValue(name, type, &data);
        return data;
    }

    void ExpectText(const std::string& item, const char* name, const std::string& text) const
    {
        DWORD type = 0;
        std::vector<unsigned char> data = Value(item, name, &type);
        std::vector<unsigned char> expected(text.begin(), text.end());
        expected.push_back(0);
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type) << item << " " << name << " type";
        EXPECT_EQ(expected, data) << item << " " << name << " reads \""
                                  << std::string(data.begin(), data.end()) << "\"";
    }

    DWORD Flags(const std::string& item) const
    {
        RegKey key;
        DWORD flags = 0xDEADBEEF;
        if (key.Open(root_.Get(), FoldersPath(item).c_str(), KEY_READ) == ERROR_SUCCESS)
            key.QueryDword("Flags", &flags);
        return flags;
    }

    // Every key below "Folders", as paths, depth first.
    std::vector<std::string> AllItemKeys() const
    {
        std::vector<std::string> out;
        Walk(std::string(orrel::launcher::kNamespaceKey) + "\\Folders", "", &out);
        return out;
    }
    void Walk(const std::string& path, const std::string& prefix, std::vector<std::string>* out) const
    {
        RegKey key;
        if (key.Open(root_.Get(), path.c_str(), KEY_READ) != ERROR_SUCCESS) return;
        std::string name;
        for (DWORD i = 0; key.EnumKey(i, &name) == ERROR_SUCCESS; ++i) {
            out->push_back(prefix + name);
            Walk(path + "\\" + name, prefix + name + "\\", out);
        }
    }

    static constexpr const char* kScratch = "Software\\OrrelLauncherTests";
    RegKey root_;
};

TEST_F(DemoConfiguration, WritesATreeAFolderAndAShortcutUnderTheirKeyNames)
{
    std::string error;
    ASSERT_TRUE(InstallDemoConfiguration(root_.Get(), Sample(), &error)) << error;
    std::vector<std::string> expected = {"ORREL_TREE-ORREL_TREE", "Projects",
                                         "Projects\\ORREL_TREE-Sales.Corp"};
    std::vector<std::string> keys = AllItemKeys();
    std::sort(keys.begin(), keys.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, keys);
}

TEST_F(DemoConfiguration, TheTreeIsStoredAsATreeRootFoundThroughItsServer)
{
    std::string error;
    ASSERT_TRUE(InstallDemoConfiguration(root_.Get(), Sample(), &error)) << error;
    const std::string item = "ORREL_TREE-ORREL_TREE";
    ExpectText(item, "DN", "");
    EXPECT_EQ(0x301u, Flags(item));
    ExpectText(item, "DisplayName", "ORREL_TREE");
    ExpectText(item, "Tree", "ORREL_TREE");
    ExpectText(item, "Server", "ORREL-FS1");
    ExpectText(item, "Class", "Tree Root");

    RegKey trees;
    ASSERT_EQ(ERROR_SUCCESS,
              trees.Open(root_.Get(),
                         (std::string(orrel::launcher::kNamespaceKey) + "\\Trees").c_str(), KEY_READ));
    DWORD type = 0;
    std::vector<unsigned char> data;
    ASSERT_EQ(ERROR_SUCCESS, trees.QueryValue("ORREL_TREE", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_STREQ("ORREL-FS1", reinterpret_cast<const char*>(data.data()));
}

TEST_F(DemoConfiguration, TheFolderAndTheShortcutCarryLabelCountedPaths)
{
    std::string error;
    ASSERT_TRUE(InstallDemoConfiguration(root_.Get(), Sample(), &error)) << error;

    DWORD type = 0;
    const std::vector<unsigned char> folderDn = {8, 'P', 'r', 'o', 'j', 'e', 'c', 't', 's', 0};
    EXPECT_EQ(folderDn, Value("Projects", "DN", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(0x81u, Flags("Projects"));
    ExpectText("Projects", "DisplayName", "Projects");
    ExpectText("Projects", "Class", "Ombra::Folder");
    ExpectText("Projects", "Tree", "");
    ExpectText("Projects", "Server", "");

    const std::string shortcut = "Projects\\ORREL_TREE-Sales.Corp";
    const std::vector<unsigned char> unitDn = {5, 'S', 'a', 'l', 'e', 's', 4, 'C', 'o', 'r', 'p', 0};
    EXPECT_EQ(unitDn, Value(shortcut, "DN", &type));
    EXPECT_EQ(0x101u, Flags(shortcut));
    ExpectText(shortcut, "DisplayName", "Sales");
    ExpectText(shortcut, "Tree", "ORREL_TREE");
    ExpectText(shortcut, "Server", "ORREL-FS1");
    ExpectText(shortcut, "Class", "Organizational Unit");
}

TEST_F(DemoConfiguration, AnAbsoluteUnitNameGivesTheSameShortcut)
{
    DemoItems items = Sample();
    items.unit = ".Sales.Corp";
    std::string error;
    ASSERT_TRUE(InstallDemoConfiguration(root_.Get(), items, &error)) << error;
    DWORD type = 0;
    std::vector<unsigned char> dn = Value("Projects\\ORREL_TREE-Sales.Corp", "DN", &type);
    std::string decoded = orrel::DecodePath(std::string(dn.begin(), dn.end() - (dn.empty() ? 0 : 1)),
                                            false, '.');
    EXPECT_EQ("Sales.Corp", decoded);
}

TEST_F(DemoConfiguration, WritingTwiceLeavesTheSameKeysAndValues)
{
    std::string error;
    ASSERT_TRUE(InstallDemoConfiguration(root_.Get(), Sample(), &error)) << error;
    std::vector<std::string> first = AllItemKeys();
    ASSERT_TRUE(InstallDemoConfiguration(root_.Get(), Sample(), &error)) << error;
    EXPECT_EQ(first, AllItemKeys());
    EXPECT_EQ(0x101u, Flags("Projects\\ORREL_TREE-Sales.Corp"));
}

TEST_F(DemoConfiguration, ATreeAloneNeedsNoFolder)
{
    DemoItems items = Sample();
    items.folder.clear();
    items.unit.clear();
    std::string error;
    ASSERT_TRUE(InstallDemoConfiguration(root_.Get(), items, &error)) << error;
    EXPECT_EQ(std::vector<std::string>{"ORREL_TREE-ORREL_TREE"}, AllItemKeys());
}

TEST_F(DemoConfiguration, RefusedNamesWriteNothing)
{
    struct Case {
        const char* what;
        DemoItems items;
    };
    std::vector<Case> cases;
    auto with = [&](const char* what, auto change) {
        DemoItems items = Sample();
        change(items);
        cases.push_back({what, items});
    };
    with("empty tree", [](DemoItems& i) { i.tree.clear(); });
    with("tree with a backslash", [](DemoItems& i) { i.tree = "A\\B"; });
    with("tree of 64 bytes", [](DemoItems& i) { i.tree = std::string(64, 'T'); });
    with("no server", [](DemoItems& i) { i.server.clear(); });
    with("server of 64 bytes", [](DemoItems& i) { i.server = std::string(64, 'S'); });
    with("folder with a dot", [](DemoItems& i) { i.folder = "My.Folder"; });
    with("folder with a backslash", [](DemoItems& i) { i.folder = "A\\B"; });
    with("folder with a quote", [](DemoItems& i) { i.folder = "A\"B"; });
    with("unit with an empty label", [](DemoItems& i) { i.unit = "Sales..Corp"; });
    with("unit of one dot", [](DemoItems& i) { i.unit = "."; });
    with("unit with a backslash", [](DemoItems& i) { i.unit = "Sales\\Corp"; });
    with("unit whose path passes 63 bytes", [](DemoItems& i) {
        i.unit = std::string(40, 'A') + "." + std::string(30, 'B');
    });
    with("unit label of 128 bytes", [](DemoItems& i) { i.unit = std::string(128, 'A') + ".Corp"; });
    with("unit without a class", [](DemoItems& i) { i.unitClass.clear(); });

    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(InstallDemoConfiguration(root_.Get(), c.items, &error)) << c.what << " accepted";
        EXPECT_FALSE(error.empty()) << c.what << " gave no message";
        EXPECT_FALSE(orrel::KeyExists(root_.Get(), orrel::launcher::kNamespaceKey))
            << c.what << " wrote the configuration key";
        orrel::DeleteKeyTree(root_.Get(), orrel::launcher::kNamespaceKey);
    }
}

}  // namespace
