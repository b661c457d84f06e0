// The directory image's lock, which every call of the client stand-ins
// takes (platform/dirstore): a test that holds it keeps a tool's directory
// calls waiting (up to the stand-ins' 30-second limit) at a known point, so
// that it can act on a window while the tool is busy. The lock is a mutex:
// it is released by the thread that took it.
#pragma once

#include <windows.h>

#include <string>

#include "imagefile.h"
#include "names.h"

namespace tooltest {

class ImageLockHolder {
public:
    ImageLockHolder()
    {
        std::string path = orrel::dirstore::ImageStore::Instance().ImagePath();
        char name[64];
        wsprintfA(name, "OrrelDirectoryImage-%08lX",
                  static_cast<unsigned long>(orrel::dirstore::ObjectId("image", orrel::dirstore::Lower(path))));
        mutex_ = CreateMutexA(nullptr, FALSE, name);
    }
    ~ImageLockHolder()
    {
        Release();
        if (mutex_) CloseHandle(mutex_);
    }
    ImageLockHolder(const ImageLockHolder&) = delete;
    ImageLockHolder& operator=(const ImageLockHolder&) = delete;

    bool Take()
    {
        held_ = mutex_ && WaitForSingleObject(mutex_, 5000) == WAIT_OBJECT_0;
        return held_;
    }
    void Release()
    {
        if (held_) ReleaseMutex(mutex_);
        held_ = false;
    }

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
};

}  // namespace tooltest
