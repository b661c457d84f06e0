// Helpers of the directory access tests and of the listing benchmark:
// directory images written into a scratch folder and selected through
// ORREL_DIRECTORY_IMAGE, a class handler registry written below a private
// HKCU key, label-counted paths built byte by byte, and the listing figure.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dstest {

constexpr char kTree[] = "DSTREE";
constexpr char kOtherTree[] = "OTHERTREE";
constexpr char kServer[] = "DS-FS1";
constexpr char kOtherServer[] = "DS-FS2";

// One directory object of a test image: full name, class, entry flags
// ("container", "alias", ...) and, for an alias, the object it points to.
struct ImageObject {
    std::string name;
    std::string cls;
    std::vector<std::string> flags;
    std::string aliasOf;
};

// The image's text: trees kTree (with objects) and kOtherTree (with
// otherObjects), servers kServer and kOtherServer on them, kTree the
// workstation's default. Classes: Top, Organization, Organizational Unit,
// User, Printer, Volume.
std::string ImageText(const std::vector<ImageObject>& objects,
                      const std::vector<ImageObject>& otherObjects = {});

// The usual test directory: Org (Organization) holding Sales (unit),
// SalesLink (container alias of Sales), Admin and alpha (users), Printer1
// (printer), Vol1 (volume, alias flag set on a leaf); Sales holding JDoe;
// Part (unit and partition root) at the top; Big.Org holding bigCount users
// "U00000".. named in descending order.
std::vector<ImageObject> StandardObjects(int bigCount = 0);

// Users named "Member<n>" below one container, given as a full name.
std::vector<ImageObject> LargeContainer(const std::string& container, int count);

// A scratch folder that is removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }
    // Writes a file (replacing it in one step); false when it cannot.
    bool Write(const std::string& name, const std::string& text) const;

private:
    std::string path_;
};

// Writes text as a new image file of the folder (every call a new name, so
// no cached image is taken for it) and selects it. False when it cannot.
bool UseImage(const ScratchFolder& folder, const std::string& text);
// Selects a file that is not there.
void UseMissingImage(const ScratchFolder& folder);
void ClearImage();

// Class handler registry below HKCU\<Root()>: each class gets one icon
// handler; the table is loaded with LoadClassHandlers(key of Root()).
class ClassKeys {
public:
    explicit ClassKeys(const std::vector<std::string>& classes);
    ~ClassKeys();
    ClassKeys(const ClassKeys&) = delete;
    ClassKeys& operator=(const ClassKeys&) = delete;
    HKEY Root() const { return root_; }

private:
    std::string rootPath_;
    HKEY root_ = nullptr;
};

// ".Admin.Org" or "Admin.Org" as label-counted bytes.
std::string Labels(const std::string& dotted);
// Bytes as "05 41 64 ..." for messages.
std::string Hex(const std::string& bytes);

// The values of a key below HKCU (name, type, data), to put back after a
// test that changes it; Restore deletes the key first.
class SavedKey {
public:
    explicit SavedKey(const std::string& path);
    ~SavedKey();
    SavedKey(const SavedKey&) = delete;
    SavedKey& operator=(const SavedKey&) = delete;

private:
    struct Value {
        std::string name;
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    std::string path_;
    bool existed_ = false;
    std::vector<Value> values_;
};

// The listing figure: ListChildren over one container of `objects` users,
// `runs` times, with a freshly loaded class table.
struct ListingFigures {
    int objects = 0;
    int runs = 0;
    int listed = 0;         // children of the last run
    double firstMs = 0;     // first run (image parsed by the libraries)
    double minMs = 0;
    double medianMs = 0;
    double maxMs = 0;
    bool ok = false;
    std::string problem;
};
ListingFigures MeasureListing(int objects, int runs);
// "listing objects=10000 runs=5 listed=10000 first_ms=.. min_ms=.. median_ms=.. max_ms=.. per_object_us=.."
std::string FormatListingFigures(const ListingFigures& figures);

}  // namespace dstest
