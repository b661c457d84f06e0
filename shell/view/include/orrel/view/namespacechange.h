// How the drop targets and the shortcut wizard change the namespace: the
// change of the model and the stored configuration runs the way every thread
// must (under the NamespaceLock, namespacelock.h), then every open view is refilled,
// each on its own thread. The wizard calls this from its own thread.
#pragma once

#include <functional>

namespace orrel {

class NamespaceModel;

namespace view {

// Runs change (which may read and change the model and the configuration),
// then has every open view refilled. Returns what change returned; false
// when it threw.
bool ChangeNamespace(NamespaceModel& model, const std::function<bool(NamespaceModel&)>& change);

// Runs read (which may only read the model) the way every thread must.
void ReadNamespace(NamespaceModel& model, const std::function<void(NamespaceModel&)>& read);

}  // namespace view
}  // namespace orrel
