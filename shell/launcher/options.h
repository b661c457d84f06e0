// Command line of the launcher. Pure code: no Windows headers.
#pragma once

#include <string>
#include <vector>

namespace orrel::launcher {

// The namespace's parsing name under the Desktop.
extern const char kNamespaceParsingName[];  // "::{76AAD000-C21A-11D1-8115-00C04FB67EB7}"

struct DemoItems {
    std::string tree;    // the tree shown at the top
    std::string server;  // the server through which the tree was found
    std::string folder;  // a personal folder at the top
    std::string unit;    // dotted name of the container its shortcut points to
    std::string unitClass = "Organizational Unit";
};

struct LauncherOptions {
    std::string path = kNamespaceParsingName;  // what the browser opens
    std::string screenshot;                     // .bmp written before exiting ("" = none)
    double timeout = 0;                         // seconds before closing (0 = until closed)
    double settle = 3;                          // least pumping before a screenshot
    int width = 1024;
    int height = 720;
    bool installDemo = false;  // write the starting configuration and exit
    DemoItems demo;
    bool help = false;
};

// Parses argv[1..]. False with a message for an unknown option, a missing or
// malformed value, or an incomplete --install-demo.
bool ParseOptions(const std::vector<std::string>& args, LauncherOptions* options,
                  std::string* error);

const char* UsageText();

}  // namespace orrel::launcher
