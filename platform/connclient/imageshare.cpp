// The process's one directory image store, lent to the other stand-in
// libraries of the process (dirstore's SharedImageGet/SharedImageModify).
#include <halvet/dirtypes.h>

#include <new>

#include "imagefile.h"

using orrel::dirstore::Image;
using orrel::dirstore::ImageStore;

extern "C" int32_t OrrelImageStoreGet(std::shared_ptr<const Image>* image)
{
    if (!image) return HALVET_ERR_NULL_POINTER;
    try {
        return ImageStore::Instance().Get(*image);
    } catch (const std::bad_alloc&) {
        return HALVET_ERR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return HALVET_ERR_FATAL;
    }
}

extern "C" int32_t OrrelImageStoreModify(const std::function<int32_t(Image&)>* change)
{
    if (!change || !*change) return HALVET_ERR_NULL_POINTER;
    try {
        return ImageStore::Instance().Modify(*change);
    } catch (const std::bad_alloc&) {
        return HALVET_ERR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return HALVET_ERR_FATAL;
    }
}
