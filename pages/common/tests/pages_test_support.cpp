#include "pages_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace pages_test {
namespace {

bool SameText(const std::string& a, const char* b)
{
    return lstrcmpiA(a.c_str(), b) == 0;
}

}  // namespace

TestImage::TestImage()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char folder[MAX_PATH] = {};
    GetTempFileNameA(temp, "pgt", 0, folder);  // a unique name, made a folder
    DeleteFileA(folder);
    CreateDirectoryA(folder, nullptr);
    folder_ = folder;
    path_ = folder_ + "\\pages-test-directory.json";
    std::string source = SourcePath("pages/common/tests/data/pages-test-directory.json");
    EXPECT_TRUE(CopyFileA(source.c_str(), path_.c_str(), FALSE)) << "copy of " << source;
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", path_.c_str());
    UseSecondIdentity(false);
}

TestImage::~TestImage()
{
    UseSecondIdentity(false);
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", nullptr);
    DeleteFileA(path_.c_str());
    RemoveDirectoryA((folder_ + "\\pages-test-directory.streams").c_str());
    RemoveDirectoryA(folder_.c_str());
}

void TestImage::UseSecondIdentity(bool second)
{
    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", second ? "second" : nullptr);
}

nlohmann::json TestImage::Values(const char* object, const char* attribute) const
{
    std::ifstream in(path_.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    nlohmann::json image = nlohmann::json::parse(text.str(), nullptr, false);
    if (image.is_discarded()) return nullptr;
    std::string wanted = object[0] == '.' ? object + 1 : object;
    for (const auto& tree : image["trees"]) {
        for (const auto& o : tree["objects"]) {
            if (!SameText(o["name"].get<std::string>(), wanted.c_str())) continue;
            for (auto it = o["attributes"].begin(); it != o["attributes"].end(); ++it)
                if (SameText(it.key(), attribute)) return it.value();
            return nullptr;
        }
    }
    return nullptr;
}

std::vector<std::string> TestImage::Texts(const char* object, const char* attribute) const
{
    std::vector<std::string> texts;
    nlohmann::json values = Values(object, attribute);
    if (values.is_array())
        for (const auto& v : values)
            if (v.is_string()) texts.push_back(v.get<std::string>());
    return texts;
}

}  // namespace pages_test
