// The one way the drop targets and the shortcut wizard change the namespace.
#include "orrel/view/namespacechange.h"

#include "orrel/core/model.h"

namespace orrel {
namespace view {

bool ChangeNamespace(NamespaceModel& model, const std::function<bool(NamespaceModel&)>& change)
{
    bool result = false;
    try {
        result = change(model);
    } catch (...) {
        result = false;
    }
    model.RefreshViews();
    return result;
}

void ReadNamespace(NamespaceModel& model, const std::function<void(NamespaceModel&)>& read)
{
    try {
        read(model);
    } catch (...) {
    }
}

}  // namespace view
}  // namespace orrel
