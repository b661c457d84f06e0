#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace orrel::launcher {

const char kNamespaceParsingName[] = "::{76AAD000-C21A-11D1-8115-00C04FB67EB7}";

namespace {

bool ParseSeconds(const std::string& text, double* out)
{
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size()) return false;
    if (!std::isfinite(value) || value < 0 || value > 86400) return false;
    *out = value;
    return true;
}

bool ParseExtent(const std::string& text, int* out)
{
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 200 || value > 8192) return false;
    *out = value;
    return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, LauncherOptions* options,
                  std::string* error)
{
    LauncherOptions parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return false;
            }
            *out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            parsed.help = true;
        } else if (arg == "--path") {
            if (!value(&parsed.path)) return false;
            if (parsed.path.empty()) {
                *error = "--path needs a parsing name";
                return false;
            }
        } else if (arg == "--screenshot") {
            if (!value(&parsed.screenshot)) return false;
            if (parsed.screenshot.empty()) {
                *error = "--screenshot needs a file name";
                return false;
            }
        } else if (arg == "--timeout" || arg == "--settle") {
            if (!value(&text)) return false;
            double* target = arg == "--timeout" ? &parsed.timeout : &parsed.settle;
            if (!ParseSeconds(text, target)) {
                *error = arg + ": not a number of seconds: " + text;
                return false;
            }
        } else if (arg == "--size") {
            if (!value(&text)) return false;
            std::size_t x = text.find('x');
            if (x == std::string::npos || !ParseExtent(text.substr(0, x), &parsed.width) ||
                !ParseExtent(text.substr(x + 1), &parsed.height)) {
                *error = "--size: expected WIDTHxHEIGHT between 200 and 8192: " + text;
                return false;
            }
        } else if (arg == "--install-demo") {
            parsed.installDemo = true;
        } else if (arg == "--tree") {
            if (!value(&parsed.demo.tree)) return false;
        } else if (arg == "--server") {
            if (!value(&parsed.demo.server)) return false;
        } else if (arg == "--folder") {
            if (!value(&parsed.demo.folder)) return false;
        } else if (arg == "--unit") {
            if (!value(&parsed.demo.unit)) return false;
        } else if (arg == "--unit-class") {
            if (!value(&parsed.demo.unitClass)) return false;
        } else {
            *error = "unknown option: " + arg;
            return false;
        }
    }
    if (parsed.installDemo && !parsed.help &&
        (parsed.demo.tree.empty() || parsed.demo.server.empty())) {
        *error = "--install-demo needs --tree and --server";
        return false;
    }
    if (!parsed.demo.unit.empty() && parsed.demo.folder.empty()) {
        *error = "--unit needs --folder (the shortcut lives in a personal folder)";
        return false;
    }
    *options = std::move(parsed);
    return true;
}

const char* UsageText()
{
    return "Usage: OrrelLauncher [--path <parsing name>] [--screenshot <file.bmp>]\n"
           "                     [--timeout <s>] [--settle <s>] [--size <W>x<H>]\n"
           "       OrrelLauncher --install-demo --tree <name> --server <name>\n"
           "                     [--folder <name> [--unit <dotted name>] [--unit-class <class>]]\n"
           "\n"
           "Opens \"Orrel Explorer\" in a window of the shell's explorer browser.\n"
           "  --path        parsing name to open (default the namespace, ::{76AAD000-...})\n"
           "  --screenshot  once the browser has filled, write the window as a 24-bit BMP and exit\n"
           "  --timeout     close after this many seconds (0: stay until closed; with\n"
           "                --screenshot: the longest wait for the browser to fill)\n"
           "  --settle      least time to let the browser fill before a screenshot (default 3)\n"
           "  --install-demo  write a starting configuration for the current user and exit:\n"
           "                a tree at the top, and a personal folder holding a shortcut\n";
}

}  // namespace orrel::launcher
