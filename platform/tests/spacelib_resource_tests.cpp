// LocateResourceLibrary on real folders: the language folder beside the
// calling DLL first, then the DLL's own folder, never past the buffer.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "halvet/spacelib.h"

namespace {

// A scratch folder holding a pretend page DLL, removed with its contents.
class ResourceFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
        folder_ = std::string(temp) + "spacelib-res-" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        dll_ = folder_ + "\\OrrelUserPages.dll";
        Touch(dll_);
        char language[8];
        wsprintfA(language, "%04X", static_cast<unsigned>(GetUserDefaultUILanguage()));
        languageFolder_ = folder_ + "\\" + language;
    }
    void TearDown() override
    {
        DeleteFileA((languageFolder_ + "\\OrrelUserPages.dlr").c_str());
        RemoveDirectoryA(languageFolder_.c_str());
        DeleteFileA((folder_ + "\\OrrelUserPages.dlr").c_str());
        DeleteFileA(dll_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    static void Touch(const std::string& path)
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
        CloseHandle(file);
    }
    std::string Locate(const char* file, DWORD size = MAX_PATH)
    {
        char buffer[MAX_PATH] = "unchanged";
        if (!LocateResourceLibrary(file, dll_.c_str(), buffer, size)) return "<failed: " + std::string(buffer) + ">";
        return buffer;
    }

    std::string folder_, dll_, languageFolder_;
};

TEST_F(ResourceFolder, WithoutLanguageFolderTheDllsOwnFolderIsNamed)
{
    EXPECT_EQ(folder_ + "\\OrrelUserPages.dlr", Locate("OrrelUserPages.dlr")) << "no library at all";
    Touch(folder_ + "\\OrrelUserPages.dlr");
    EXPECT_EQ(folder_ + "\\OrrelUserPages.dlr", Locate("OrrelUserPages.dlr")) << "library beside the DLL";
}

TEST_F(ResourceFolder, LanguageFolderWinsOnlyWhenItHoldsTheFile)
{
    Touch(folder_ + "\\OrrelUserPages.dlr");
    ASSERT_TRUE(CreateDirectoryA(languageFolder_.c_str(), nullptr));
    EXPECT_EQ(folder_ + "\\OrrelUserPages.dlr", Locate("OrrelUserPages.dlr"))
        << "an empty language folder is passed over";

    Touch(languageFolder_ + "\\OrrelUserPages.dlr");
    EXPECT_EQ(languageFolder_ + "\\OrrelUserPages.dlr", Locate("OrrelUserPages.dlr"));
    EXPECT_EQ(folder_ + "\\OrrelGroupPages.dlr", Locate("OrrelGroupPages.dlr"))
        << "another DLL's library is not in the language folder";
}

TEST_F(ResourceFolder, LanguageFolderEntryThatIsAFolderIsPassedOver)
{
    ASSERT_TRUE(CreateDirectoryA(languageFolder_.c_str(), nullptr));
    std::string trap = languageFolder_ + "\\OrrelUserPages.dlr";
    ASSERT_TRUE(CreateDirectoryA(trap.c_str(), nullptr));
    EXPECT_EQ(folder_ + "\\OrrelUserPages.dlr", Locate("OrrelUserPages.dlr"));
    RemoveDirectoryA(trap.c_str());
}

TEST_F(ResourceFolder, BufferIsNeverOverrun)
{
    const std::string expected = folder_ + "\\OrrelUserPages.dlr";
    const DWORD exact = static_cast<DWORD>(expected.size() + 1);
    struct Case {
        DWORD size;
        bool fits;
    } cases[] = {{exact, true}, {exact - 1, false}, {1, false}, {5, false}};
    for (const auto& c : cases) {
        char buffer[MAX_PATH + 16];
        std::memset(buffer, '#', sizeof buffer);
        int ok = LocateResourceLibrary("OrrelUserPages.dlr", dll_.c_str(), buffer, c.size);
        EXPECT_EQ(c.fits, ok != 0) << "size " << c.size;
        if (c.fits) {
            EXPECT_EQ(expected, std::string(buffer)) << "size " << c.size;
        } else {
            EXPECT_EQ('\0', buffer[0]) << "size " << c.size << ": a failure leaves an empty path";
        }
        for (std::size_t i = c.size; i < sizeof buffer; ++i) {
            if (buffer[i] != '#') {
                ADD_FAILURE() << "size " << c.size << ": byte " << i << " written";
                break;
            }
        }
    }
    char untouched = '#';
    EXPECT_EQ(0, LocateResourceLibrary("OrrelUserPages.dlr", dll_.c_str(), &untouched, 0));
    EXPECT_EQ('#', untouched) << "size 0 writes nothing";
}

TEST_F(ResourceFolder, LongLanguagePathFallsBackToTheShorterOne)
{
    // The localised path does not fit, the plain one does: the plain one.
    Touch(folder_ + "\\OrrelUserPages.dlr");
    ASSERT_TRUE(CreateDirectoryA(languageFolder_.c_str(), nullptr));
    Touch(languageFolder_ + "\\OrrelUserPages.dlr");
    const std::string plain = folder_ + "\\OrrelUserPages.dlr";
    char buffer[MAX_PATH];
    ASSERT_NE(0, LocateResourceLibrary("OrrelUserPages.dlr", dll_.c_str(), buffer,
                                       static_cast<DWORD>(plain.size() + 1)));
    EXPECT_EQ(plain, std::string(buffer));
}

TEST(ResourceLocate, MissingArgumentsAndFolderlessCallersFail)
{
    char buffer[MAX_PATH];
    struct Case {
        const char* what;
        const char* file;
        const char* caller;
    } cases[] = {
        {"no file name", nullptr, "C:\\x\\a.dll"},
        {"empty file name", "", "C:\\x\\a.dll"},
        {"no caller", "a.dlr", nullptr},
        {"caller without a folder", "a.dlr", "a.dll"},
    };
    for (const auto& c : cases) {
        std::strcpy(buffer, "unchanged");
        EXPECT_EQ(0, LocateResourceLibrary(c.file, c.caller, buffer, sizeof buffer)) << c.what;
        EXPECT_STREQ("", buffer) << c.what;
    }
    EXPECT_EQ(0, LocateResourceLibrary("a.dlr", "C:\\x\\a.dll", nullptr, MAX_PATH));
    EXPECT_NE(0, LocateResourceLibrary("a.dlr", "C:\\x/y\\a.dll", buffer, sizeof buffer));
    EXPECT_STREQ("C:\\x/y\\a.dlr", buffer) << "either slash ends the folder";
}

}  // namespace
