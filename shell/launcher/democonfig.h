// The starting configuration of the demo: what the user finds under
// "Orrel Explorer" the first time, written into the current user's
// configuration of trees, folders and shortcuts.
#pragma once

#include <windows.h>

#include <string>

#include "options.h"

namespace orrel::launcher {

// Configuration key of the namespace under HKCU.
extern const char kNamespaceKey[];  // "Software\Halvet\Orrel Namespace"

// Writes below root\kNamespaceKey (HKCU for the real thing):
//   - "Trees": value tree = server;
//   - "Folders\<tree>-<tree>": the tree at the top (flags 0x301);
//   - when a folder is named, "Folders\<folder>": a personal folder (0x81);
//   - when a unit is named too, "Folders\<folder>\<tree>-<unit>": a shortcut
//     to that container (0x101).
// Names are checked first (nothing is written when one is refused): every
// stored text must fit the 63 bytes the namespace reads back, a folder name
// must be a valid folder name, and the unit a dotted name of non-empty labels.
// Writing again leaves the same keys and values. False with a message when
// a name is refused or a write fails.
bool InstallDemoConfiguration(HKEY root, const DemoItems& items, std::string* error);

}  // namespace orrel::launcher
