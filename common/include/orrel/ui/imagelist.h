// Image lists: a non-owning view over an HIMAGELIST, and an owning
// ImageList that destroys its list (ImageList_Destroy). A list handed to a
// control that destroys it itself (a list view without LVS_SHAREIMAGELISTS)
// is given away with Detach.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace orrel {
namespace ui {

class ImageListView {
public:
    ImageListView(HIMAGELIST list = nullptr) noexcept : list_(list) {}  // NOLINT: a view converts from the handle
    HIMAGELIST Get() const noexcept { return list_; }
    explicit operator bool() const noexcept { return list_ != nullptr; }

    int GetImageCount() const noexcept { return list_ ? ImageList_GetImageCount(list_) : 0; }
    bool GetIconSize(int& cx, int& cy) const noexcept { return list_ && ImageList_GetIconSize(list_, &cx, &cy); }
    // The index of the added image, or -1.
    int AddIcon(HICON icon) const noexcept { return list_ && icon ? ImageList_AddIcon(list_, icon) : -1; }
    int Add(HBITMAP image, HBITMAP mask = nullptr) const noexcept { return list_ && image ? ImageList_Add(list_, image, mask) : -1; }
    int AddMasked(HBITMAP image, COLORREF mask) const noexcept
    {
        return list_ && image ? ImageList_AddMasked(list_, image, mask) : -1;
    }
    bool Remove(int index) const noexcept { return list_ && ImageList_Remove(list_, index); }
    bool RemoveAll() const noexcept { return Remove(-1); }
    COLORREF SetBkColor(COLORREF color) const noexcept { return list_ ? ImageList_SetBkColor(list_, color) : CLR_NONE; }
    // A new icon of image index (the caller destroys it), or null.
    HICON GetIcon(int index, UINT flags = ILD_NORMAL) const noexcept
    {
        return list_ ? ImageList_GetIcon(list_, index, flags) : nullptr;
    }

protected:
    HIMAGELIST list_;
};

class ImageList : public ImageListView {
public:
    ImageList() noexcept = default;
    explicit ImageList(HIMAGELIST list) noexcept : ImageListView(list) {}
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;
    ImageList(ImageList&& other) noexcept : ImageListView(other.Detach()) {}
    ImageList& operator=(ImageList&& other) noexcept
    {
        if (this != &other) Attach(other.Detach());
        return *this;
    }
    ~ImageList() { Destroy(); }

    // flags: ILC_COLOR* | ILC_MASK.
    bool Create(int cx, int cy, UINT flags, int initial, int grow) noexcept
    {
        Attach(ImageList_Create(cx, cy, flags, initial, grow));
        return list_ != nullptr;
    }
    void Destroy() noexcept
    {
        if (list_) ImageList_Destroy(list_);
        list_ = nullptr;
    }
    void Attach(HIMAGELIST list) noexcept
    {
        if (list != list_) Destroy();
        list_ = list;
    }
    HIMAGELIST Detach() noexcept { return std::exchange(list_, nullptr); }
};

}  // namespace ui
}  // namespace orrel
