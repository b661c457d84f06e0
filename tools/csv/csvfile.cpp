#include "csvfile.h"

namespace orrel {
namespace csv {

bool IsExportableSyntax(uint32_t syntax) noexcept
{
    switch (syntax) {
    case 0: case 9: case 13: case 16: case 17: case 21:
        return false;
    default:
        return syntax <= 27;
    }
}

bool NeedsDefusing(const std::string& text) noexcept
{
    if (text.empty()) return false;
    char first = text[0];
    if (first == '=' || first == '@' || first == '\t' || first == '\r') return true;
    if (first != '+' && first != '-') return false;
    for (std::size_t i = 1; i < text.size(); ++i) {
        char c = text[i];
        bool plain = (c >= '0' && c <= '9') || c == ' ' || c == '(' || c == ')' || c == '.' ||
                     c == '-' || c == '/';
        if (!plain) return true;
    }
    return false;
}

void AppendCell(std::string& line, const std::string& text)
{
    line += '"';
    if (NeedsDefusing(text)) line += '\'';
    for (char c : text) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

void AppendLine(std::string& out, const std::vector<std::string>& cells)
{
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i) out += ',';
        AppendCell(out, cells[i]);
    }
    out += "\r\n";
}

}  // namespace csv
}  // namespace orrel
