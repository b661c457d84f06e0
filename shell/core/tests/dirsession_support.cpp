#include "dirsession_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "orrel/core/classhandlers.h"
#include "orrel/core/dirsession.h"

namespace dstest {

namespace {

constexpr char kSchema[] = R"({
        "attributes": [
          { "name": "Object Class", "syntax": 20 },
          { "name": "Aliased Object Name", "syntax": 1, "singleValued": true },
          { "name": "CN", "syntax": 3 },
          { "name": "O", "syntax": 3 },
          { "name": "OU", "syntax": 3 },
          { "name": "Surname", "syntax": 3 }
        ],
        "classes": [
          { "name": "Top", "optional": ["Object Class", "Aliased Object Name"] },
          { "name": "Organization", "container": true, "superClasses": ["Top"], "naming": ["O"] },
          { "name": "Organizational Unit", "container": true, "superClasses": ["Top"],
            "containment": ["Organization", "Organizational Unit"], "naming": ["OU"] },
          { "name": "User", "superClasses": ["Top"], "naming": ["CN"], "optional": ["Surname"] },
          { "name": "Printer", "superClasses": ["Top"], "naming": ["CN"] },
          { "name": "Volume", "superClasses": ["Top"], "naming": ["CN"] }
        ]
      })";

std::string Leaf(const std::string& name)
{
    return name.substr(0, name.find('.'));
}

const char* NamingAttribute(const std::string& cls)
{
    if (cls == "Organization") return "O";
    if (cls == "Organizational Unit") return "OU";
    return "CN";
}

std::string ObjectsText(const std::vector<ImageObject>& objects)
{
    std::string text;
    for (const ImageObject& o : objects) {
        if (!text.empty()) text += ",\n";
        text += "        { \"name\": \"" + o.name + "\", \"class\": \"" + o.cls + "\"";
        if (!o.flags.empty()) {
            text += ", \"flags\": [";
            for (std::size_t i = 0; i < o.flags.size(); ++i)
                text += (i ? ", \"" : "\"") + o.flags[i] + "\"";
            text += "]";
        }
        text += ", \"attributes\": { \"" + std::string(NamingAttribute(o.cls)) + "\": [\"" + Leaf(o.name) + "\"]";
        if (!o.aliasOf.empty()) text += ", \"Aliased Object Name\": [\"" + o.aliasOf + "\"]";
        text += " } }";
    }
    return text;
}

std::string TreeText(const char* name, const std::vector<ImageObject>& objects)
{
    return std::string("    { \"name\": \"") + name + "\",\n      \"schema\": " + kSchema +
           ",\n      \"objects\": [\n" + ObjectsText(objects) + "\n      ] }";
}

std::string ParentFolder(const std::string& path)
{
    std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

int g_imageNumber = 0;

}  // namespace

std::string ImageText(const std::vector<ImageObject>& objects, const std::vector<ImageObject>& otherObjects)
{
    std::string text = "{\n  \"format\": \"orrel-directory-image\",\n  \"version\": 1,\n  \"trees\": [\n";
    text += TreeText(kTree, objects) + ",\n" + TreeText(kOtherTree, otherObjects) + "\n  ],\n";
    text += std::string("  \"servers\": [\n") + "    { \"name\": \"" + kServer + "\", \"tree\": \"" + kTree +
            "\", \"address\": \"127.0.0.1\" },\n" + "    { \"name\": \"" + kOtherServer + "\", \"tree\": \"" +
            kOtherTree + "\", \"address\": \"127.0.0.2\" }\n  ],\n";
    text += std::string("  \"workstation\": {\n    \"defaultTree\": \"") + kTree + "\",\n" +
            "    \"identities\": [ { \"tree\": \"" + kTree + "\", \"name\": \"Admin.Org\" } ],\n" +
            "    \"connectionRefs\": [ { \"server\": \"" + kServer + "\" } ]\n  }\n}\n";
    return text;
}

std::vector<ImageObject> StandardObjects(int bigCount)
{
    std::vector<ImageObject> objects = {
        {"Org", "Organization", {"container"}, ""},
        {"Sales.Org", "Organizational Unit", {"container"}, ""},
        {"SalesLink.Org", "Organizational Unit", {"containerAlias"}, "Sales.Org"},
        {"Admin.Org", "User", {}, ""},
        {"Printer1.Org", "Printer", {}, ""},
        {"alpha.Org", "User", {}, ""},
        {"AdminLink.Org", "User", {"alias"}, "Admin.Org"},
        {"JDoe.Sales.Org", "User", {}, ""},
        {"Vol1.Org", "Volume", {}, ""},
        {"Part", "Organizational Unit", {"container", "partitionRoot"}, ""},
        {"Big.Org", "Organizational Unit", {"container"}, ""},
    };
    for (int i = bigCount - 1; i >= 0; --i) {
        char name[32];
        std::snprintf(name, sizeof name, "U%05d.Big.Org", i);
        objects.push_back({name, "User", {}, ""});
    }
    return objects;
}

std::vector<ImageObject> LargeContainer(const std::string& container, int count)
{
    std::vector<ImageObject> objects;
    std::string path;
    std::string rest = container;
    // Every container above, top first.
    std::vector<std::string> labels;
    for (std::size_t start = 0; start <= rest.size();) {
        std::size_t dot = rest.find('.', start);
        if (dot == std::string::npos) dot = rest.size();
        labels.push_back(rest.substr(start, dot - start));
        start = dot + 1;
    }
    for (std::size_t i = labels.size(); i-- > 0;) {
        path = path.empty() ? labels[i] : labels[i] + "." + path;
        objects.push_back({path, i + 1 == labels.size() ? "Organization" : "Organizational Unit",
                           {"container"}, ""});
    }
    objects.reserve(objects.size() + static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "Member%06d.", i);
        objects.push_back({name + container, "User", {}, ""});
    }
    return objects;
}

// ---------------------------------------------------------------------------

ScratchFolder::ScratchFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    static int number = 0;
    char name[MAX_PATH * 2];
    std::snprintf(name, sizeof name, "%sorrel-dirsession-%lu-%d", temp,
                  static_cast<unsigned long>(GetCurrentProcessId()), ++number);
    path_ = name;
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(path_);
}

bool ScratchFolder::Write(const std::string& name, const std::string& text) const
{
    const std::string target = path_ + "\\" + name;
    const std::string temp = target + ".write";
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
              done == text.size();
    CloseHandle(file);
    return ok && MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool UseImage(const ScratchFolder& folder, const std::string& text)
{
    char name[40];
    std::snprintf(name, sizeof name, "image-%d.json", ++g_imageNumber);
    if (!folder.Write(name, text)) return false;
    return SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", (folder.Path() + "\\" + name).c_str()) != FALSE;
}

void UseMissingImage(const ScratchFolder& folder)
{
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", (folder.Path() + "\\not-there.json").c_str());
}

void ClearImage()
{
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", nullptr);
}

// ---------------------------------------------------------------------------

ClassKeys::ClassKeys(const std::vector<std::string>& classes)
{
    char name[96];
    static int number = 0;
    std::snprintf(name, sizeof name, "Software\\Orrel Tests\\dirsession-%lu-%d",
                  static_cast<unsigned long>(GetCurrentProcessId()), ++number);
    rootPath_ = name;
    RegDeleteTreeA(HKEY_CURRENT_USER, rootPath_.c_str());
    if (RegCreateKeyExA(HKEY_CURRENT_USER, rootPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_,
                        nullptr) != ERROR_SUCCESS)
        root_ = nullptr;
    if (!root_) return;
    for (const std::string& cls : classes) {
        const std::string path = std::string("Software\\Halvet\\Orrel Namespace\\Classes\\") + cls +
                                 "\\IconHandler\\{5C0A4E10-0000-4000-8000-00000000D5E5}";
        HKEY key = nullptr;
        if (RegCreateKeyExA(root_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            continue;
        DWORD priority = 1;
        RegSetValueExA(key, "LoadPriority", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&priority),
                       sizeof priority);
        RegCloseKey(key);
    }
}

ClassKeys::~ClassKeys()
{
    if (root_) RegCloseKey(root_);
    RegDeleteTreeA(HKEY_CURRENT_USER, rootPath_.c_str());
    // The common parent goes when no other run of the tests still uses it.
    RegDeleteKeyA(HKEY_CURRENT_USER, ParentFolder(rootPath_).c_str());
}

// ---------------------------------------------------------------------------

std::string Labels(const std::string& dotted)
{
    std::string out;
    std::size_t start = dotted.empty() || dotted[0] != '.' ? 0 : 1;
    while (start < dotted.size()) {
        std::size_t dot = dotted.find('.', start);
        if (dot == std::string::npos) dot = dotted.size();
        out += static_cast<char>(dot - start);
        out += dotted.substr(start, dot - start);
        start = dot + 1;
    }
    return out;
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02X", c);
        if (!out.empty()) out += ' ';
        out += b;
    }
    return out;
}

// ---------------------------------------------------------------------------

SavedKey::SavedKey(const std::string& path) : path_(path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    existed_ = true;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD dataSize = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS) break;
        Value value;
        value.name.assign(name, nameSize);
        value.type = type;
        value.data.resize(dataSize);
        nameSize = sizeof name;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, value.data.data(), &dataSize) ==
            ERROR_SUCCESS) {
            value.data.resize(dataSize);
            values_.push_back(std::move(value));
        }
    }
    RegCloseKey(key);
}

SavedKey::~SavedKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    if (!existed_) return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    for (const Value& v : values_)
        RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
    RegCloseKey(key);
}

// ---------------------------------------------------------------------------

ListingFigures MeasureListing(int objects, int runs)
{
    ListingFigures figures;
    figures.objects = objects;
    figures.runs = runs;
    ScratchFolder folder;
    std::vector<ImageObject> image = LargeContainer("Big.Org", objects);
    image.push_back({"Admin.Org", "User", {}, ""});  // the workstation's identity
    if (!UseImage(folder, ImageText(image))) {
        figures.problem = "the image cannot be written";
        return figures;
    }
    if (!orrel::DirSession().Ready()) {
        figures.problem = "the directory image is not accepted";
        ClearImage();
        return figures;
    }
    ClassKeys keys({"User", "Organizational Unit", "Organization"});
    orrel::ClassHandlerTable classes;
    if (!classes.LoadClassHandlers(keys.Root())) {
        figures.problem = "the class handler table cannot be loaded";
        ClearImage();
        return figures;
    }
    orrel::ItemRecord container;
    container.flags = orrel::ITEM_CONTAINER;
    container.displayName = "Big";
    container.className = "Organizational Unit";
    container.path = Labels("Big.Org");
    container.tree = kTree;

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        std::vector<orrel::ItemRecord> children;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = orrel::ListChildren(container, classes, &children);
        const auto stop = std::chrono::steady_clock::now();
        if (!ok) {
            figures.problem = "the listing failed";
            ClearImage();
            return figures;
        }
        figures.listed = static_cast<int>(children.size());
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    ClearImage();
    if (times.empty()) {
        figures.problem = "no runs";
        return figures;
    }
    figures.firstMs = times.front();
    std::sort(times.begin(), times.end());
    figures.minMs = times.front();
    figures.maxMs = times.back();
    figures.medianMs = times[times.size() / 2];
    figures.ok = true;
    return figures;
}

std::string FormatListingFigures(const ListingFigures& f)
{
    char line[320];
    if (!f.ok) {
        std::snprintf(line, sizeof line, "listing objects=%d failed: %s", f.objects, f.problem.c_str());
        return line;
    }
    std::snprintf(line, sizeof line,
                  "listing objects=%d runs=%d listed=%d first_ms=%.1f min_ms=%.1f median_ms=%.1f max_ms=%.1f "
                  "per_object_us=%.2f",
                  f.objects, f.runs, f.listed, f.firstMs, f.minMs, f.medianMs, f.maxMs,
                  f.objects ? f.medianMs * 1000.0 / f.objects : 0.0);
    return line;
}

}  // namespace dstest
