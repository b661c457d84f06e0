// Owning wrappers of the selection library's handles, for C++ callers: an
// open selection closed on every path out, and a record freed on every path
// out (a record that was not filled is not freed).
#pragma once

#include <cstring>

#include "halvet/spacelib.h"

namespace halvet {

class SelectionScope {
public:
    SelectionScope() noexcept = default;
    SelectionScope(const SelectionScope&) = delete;
    SelectionScope& operator=(const SelectionScope&) = delete;
    ~SelectionScope()
    {
        if (selection_) SelectionClose(selection_);
    }
    // Opens the selection of a data object; false when it carries none.
    bool Open(IDataObject* data) noexcept { return data && SelectionOpen(data, &selection_) != 0; }
    HSELECTION Get() const noexcept { return selection_; }
    int Count() const noexcept { return selection_ ? SelectionCount(selection_) : 0; }

private:
    HSELECTION selection_ = nullptr;
};

class SelectedRecord {
public:
    SelectedRecord() noexcept { std::memset(&record_, 0, sizeof record_); }
    SelectedRecord(const SelectedRecord&) = delete;
    SelectedRecord& operator=(const SelectedRecord&) = delete;
    ~SelectedRecord() { Free(); }
    // Fills the record from one object of the selection (freeing what it held).
    bool Read(const SelectionScope& selection, int index) noexcept
    {
        Free();
        filled_ = SelectionGetObject(selection.Get(), index, &record_) != 0;
        return filled_;
    }
    const SelectedObject& Get() const noexcept { return record_; }

private:
    void Free() noexcept
    {
        if (filled_) SelectionFreeObject(&record_);
        filled_ = false;
    }
    SelectedObject record_;
    bool filled_ = false;
};

}  // namespace halvet
