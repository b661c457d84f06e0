#include "names.h"

#include <halvet/dirtypes.h>

namespace orrel::dirstore {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

bool WildcardMatch(std::string_view pattern, std::string_view text)
{
    // Iterative matcher with one backtrack point: linear in practice, no recursion.
    size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (p < pattern.size() && LowerAscii(pattern[p]) == LowerAscii(text[t])) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

static bool IsControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

bool IsValidLabel(std::string_view label)
{
    if (label.empty() || label.size() > kMaxLabelChars) return false;
    // "[Root]" names the tree root, never an object; the other characters
    // would be taken for a type or an escape when the name is resolved.
    if (EqualNoCase(label, HALVET_ROOT_NAME)) return false;
    for (char c : label)
        if (c == '.' || c == '=' || c == '+' || c == '\\' || c == '"' || IsControl(c)) return false;
    return true;
}

bool IsValidSchemaName(std::string_view name)
{
    if (name.empty() || name.size() > kMaxSchemaNameChars) return false;
    for (char c : name)
        if (IsControl(c) || c == '"' || c == '\\') return false;
    return true;
}

bool IsValidTreeName(std::string_view name)
{
    if (name.empty() || name.size() > kMaxTreeNameChars || name.back() == '_') return false;
    for (char c : name) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

bool SplitName(std::string_view name, std::vector<std::string>& labels)
{
    labels.clear();
    if (name.empty() || name.size() > kMaxNameChars) return false;
    size_t start = 0;
    while (true) {
        size_t dot = name.find('.', start);
        std::string_view label =
            name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (!IsValidLabel(label)) return false;
        labels.emplace_back(label);
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return true;
}

std::string JoinLabels(const std::vector<std::string>& labels, size_t first)
{
    std::string out;
    for (size_t i = first; i < labels.size(); ++i) {
        if (!out.empty()) out += '.';
        out += labels[i];
    }
    return out;
}

std::string StripTypes(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    size_t start = 0;
    while (start <= name.size()) {
        size_t dot = name.find('.', start);
        std::string_view label =
            name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        size_t eq = label.find('=');
        if (eq != std::string_view::npos) label = label.substr(eq + 1);
        out.append(label);
        if (dot == std::string_view::npos) break;
        out += '.';
        start = dot + 1;
    }
    return out;
}

bool IsRootName(std::string_view name)
{
    return EqualNoCase(name, HALVET_ROOT_NAME);
}

int32_t ResolveName(std::string_view rawName, std::string_view nameContext, std::string& out)
{
    out.clear();
    if (rawName.size() > kMaxNameChars + 1) return HALVET_ERR_ILLEGAL_NAME;
    if (IsRootName(rawName)) return HALVET_OK;
    std::string name = StripTypes(rawName);
    std::vector<std::string> labels;
    if (!name.empty() && name[0] == '.') {
        std::string_view rest = std::string_view(name).substr(1);
        if (rest.empty()) return HALVET_OK;  // "." alone: the root
        if (!SplitName(rest, labels)) return HALVET_ERR_ILLEGAL_NAME;
        out = JoinLabels(labels);
        return HALVET_OK;
    }
    size_t climb = 0;
    while (!name.empty() && name.back() == '.') {
        name.pop_back();
        ++climb;
    }
    std::vector<std::string> context;
    if (!nameContext.empty() && !SplitName(nameContext, context)) return HALVET_ERR_ILLEGAL_NAME;
    if (climb > context.size()) return HALVET_ERR_ILLEGAL_NAME;
    if (!name.empty() && !SplitName(name, labels)) return HALVET_ERR_ILLEGAL_NAME;
    for (size_t i = climb; i < context.size(); ++i) labels.push_back(context[i]);
    out = JoinLabels(labels);
    if (out.size() > kMaxNameChars) {
        out.clear();
        return HALVET_ERR_ILLEGAL_NAME;
    }
    return HALVET_OK;
}

bool CanonicalFullName(std::string_view name, std::string& out)
{
    out.clear();
    if (!name.empty() && name[0] == '.') name.remove_prefix(1);
    std::vector<std::string> labels;
    if (!SplitName(name, labels)) return false;
    out = JoinLabels(labels);
    return true;
}

std::string ParentOf(std::string_view fullName)
{
    size_t dot = fullName.find('.');
    return dot == std::string_view::npos ? std::string() : std::string(fullName.substr(dot + 1));
}

std::string LeafOf(std::string_view fullName)
{
    return std::string(fullName.substr(0, fullName.find('.')));
}

bool IsBelow(std::string_view fullName, std::string_view ancestor)
{
    if (ancestor.empty()) return !fullName.empty();
    if (fullName.size() <= ancestor.size() + 1) return false;
    size_t offset = fullName.size() - ancestor.size();
    return fullName[offset - 1] == '.' && EqualNoCase(fullName.substr(offset), ancestor);
}

std::string PadTreeName(std::string_view tree)
{
    std::string out(tree.substr(0, kMaxTreeNameChars));
    out.resize(kMaxTreeNameChars, '_');
    return out;
}

std::string UnpadTreeName(std::string_view tree)
{
    size_t end = tree.size();
    while (end > 0 && tree[end - 1] == '_') --end;
    return std::string(tree.substr(0, end));
}

uint32_t ObjectId(std::string_view tree, std::string_view fullName)
{
    uint32_t hash = 2166136261u;
    auto mix = [&hash](std::string_view text) {
        for (char c : text) {
            hash ^= static_cast<unsigned char>(LowerAscii(c));
            hash *= 16777619u;
        }
    };
    mix(UnpadTreeName(tree));
    mix("\n");
    mix(fullName);
    return hash == 0 ? 1u : hash;
}

}  // namespace orrel::dirstore
