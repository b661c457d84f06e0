// The one way the drop targets and the shortcut wizard change the namespace:
// under the namespace's lock (namespacelock.h), which also holds back the
// change notifications until it is left; the views are asked to refill, each
// on its own thread.
#include "orrel/view/namespacechange.h"

#include "orrel/core/model.h"
#include "orrel/core/namespacelock.h"

namespace orrel {
namespace view {

bool ChangeNamespace(NamespaceModel& model, const std::function<bool(NamespaceModel&)>& change)
{
    bool result = false;
    try {
        NamespaceLock lock;
        try {
            result = change(model);
        } catch (...) {
            result = false;
        }
        model.RefreshViews();
    } catch (...) {
    }
    return result;
}

void ReadNamespace(NamespaceModel& model, const std::function<void(NamespaceModel&)>& read)
{
    try {
        NamespaceLock lock;
        read(model);
    } catch (...) {
    }
}

}  // namespace view
}  // namespace orrel
