// Owning wrappers of the directory client's request and reply buffers and of
// an iteration that the directory has not finished, for code that calls the
// client directly beside DirectorySession (the tools' listings, class
// definitions and multi-attribute reads). Pure of <windows.h>.
#pragma once

#include <cstdint>

#include "halvet/dirclient.h"

namespace orrel {
namespace pages {

class DirBuffer {
public:
    DirBuffer() noexcept = default;
    DirBuffer(const DirBuffer&) = delete;
    DirBuffer& operator=(const DirBuffer&) = delete;
    ~DirBuffer()
    {
        if (buffer_) FreeDirBuffer(buffer_);
    }
    // 0 or AllocDirBuffer's error.
    int32_t Allocate(uint32_t size) noexcept { return AllocDirBuffer(size, &buffer_); }
    HALVET_BUFFER* Get() const noexcept { return buffer_; }

private:
    HALVET_BUFFER* buffer_ = nullptr;
};

// An iteration handle (HALVET_NO_ITERATION until a call starts one), closed
// when it goes unless the directory ended it. A call that fails leaves no
// iteration: set handle back to HALVET_NO_ITERATION then.
class DirIteration {
public:
    explicit DirIteration(HALVET_CONTEXT context) noexcept : context_(context) {}
    DirIteration(const DirIteration&) = delete;
    DirIteration& operator=(const DirIteration&) = delete;
    ~DirIteration()
    {
        if (handle != HALVET_NO_ITERATION) CloseIteration(context_, handle);
    }
    HALVET_ITERATION handle = HALVET_NO_ITERATION;

private:
    HALVET_CONTEXT context_;
};

}  // namespace pages
}  // namespace orrel
