// Where the directory image lives, and shared, durable access to it: every
// call sees the file as it is now; changes are written whole, flushed and
// moved over the old file under a lock named after the image path.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "model.h"

namespace orrel::dirstore {

class ImageStore {
public:
    static ImageStore& Instance();

    // The current image, reloaded when the file changed; 0, -625 (no image
    // file) or -618 (the file is refused).
    int32_t Get(std::shared_ptr<const Image>& image);
    // Read-modify-write under the image lock: change gets a private copy of
    // the current image; when it returns 0 the copy is written durably and
    // becomes the image. Nothing is written otherwise.
    int32_t Modify(const std::function<int32_t(Image&)>& change);

    // The image path now in force ("" when none can be found), its streams
    // and spool folders.
    std::string ImagePath();
    static std::string StreamsFolder(const std::string& imagePath);
    static std::string SpoolFolder(const std::string& imagePath);
    // Makes a new empty file in the streams folder of the image.
    int32_t MakeStreamFile(const std::string& imagePath, std::string& fileName);

    // True when the workstation acts as the second identity of its trees.
    static bool SecondIdentity();
    // Why the last load failed (for diagnostics).
    std::string LastProblem();

private:
    struct FileKey {
        unsigned long volume = 0, indexHigh = 0, indexLow = 0, sizeHigh = 0, sizeLow = 0;
        unsigned long long written = 0;
        bool operator==(const FileKey& o) const;
    };
    int32_t LoadLocked(const std::string& path, std::shared_ptr<const Image>& image);
    static int32_t WriteDurably(const std::string& path, const std::string& text);

    std::mutex lock_;
    std::string cachedPath_;
    bool cacheValid_ = false;
    FileKey cachedKey_;
    int32_t cachedResult_ = 0;
    std::shared_ptr<const Image> cachedImage_;
    std::string problem_;
};

// The one store of the process. HalvetConnClient holds it, and every
// stand-in library of the process reaches it through HalvetConnClient's
// exports OrrelImageStoreGet and OrrelImageStoreModify: the image is read
// and parsed once per process, not once per library, and a change written
// through one library is the image of all of them without a new parse.
// Where HalvetConnClient is not loaded, the calling module's own store.
int32_t SharedImageGet(std::shared_ptr<const Image>& image);
int32_t SharedImageModify(const std::function<int32_t(Image&)>& change);

// The signatures of those exports.
using SharedImageGetProc = int32_t (*)(std::shared_ptr<const Image>* image);
using SharedImageModifyProc = int32_t (*)(const std::function<int32_t(Image&)>* change);

}  // namespace orrel::dirstore
