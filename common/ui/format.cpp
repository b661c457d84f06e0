#include "orrel/ui/format.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace orrel {
namespace ui {
namespace {

struct Directive {
    std::string flags;
    int width = -1;      // -1: none
    int precision = -1;  // -1: none
    int bits = 32;       // integer size from the length modifier
    bool wide = false;   // l/w on c or s: wide text, refused
    char conversion = 0;
};

bool IsFlag(char c) noexcept
{
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0';
}

// Reads a decimal number of at most kMaxFormatWidth.
bool ReadNumber(const char*& p, int& value) noexcept
{
    long long n = 0;
    while (*p >= '0' && *p <= '9') {
        n = n * 10 + (*p - '0');
        if (n > kMaxFormatWidth) return false;
        ++p;
    }
    value = static_cast<int>(n);
    return true;
}

// Takes the next argument as a width or precision given by '*'.
bool TakeStar(const FormatArg* args, std::size_t count, std::size_t& next, int& value) noexcept
{
    if (next >= count || !args[next].IsIntegral()) return false;
    long long n = static_cast<int>(args[next++].AsSigned());
    if (n > kMaxFormatWidth || n < -kMaxFormatWidth) return false;
    value = static_cast<int>(n);
    return true;
}

// Appends one conversion formatted by snprintf into a buffer of the size
// snprintf asks for.
template <class T>
bool Append(std::string& out, const Directive& directive, const char* length, char conversion, T value)
{
    std::string single = "%" + directive.flags;
    if (directive.width >= 0) single += std::to_string(directive.width);
    if (directive.precision >= 0) single += "." + std::to_string(directive.precision);
    single += length;
    single += conversion;
    int needed = std::snprintf(nullptr, 0, single.c_str(), value);
    if (needed < 0) return false;
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    int written = std::snprintf(buffer.data(), buffer.size(), single.c_str(), value);
    if (written < 0) return false;
    out.append(buffer.data(), static_cast<std::size_t>(written < needed ? written : needed));
    return true;
}

unsigned long long LowBits(unsigned long long value, int bits) noexcept
{
    return bits >= 64 ? value : (value & ((1ULL << bits) - 1));
}

long long SignedLowBits(unsigned long long value, int bits) noexcept
{
    if (bits >= 64) return static_cast<long long>(value);
    unsigned long long low = LowBits(value, bits);
    unsigned long long sign = 1ULL << (bits - 1);
    return static_cast<long long>((low ^ sign) - sign);
}

bool FormatInto(const char* format, const FormatArg* args, std::size_t count, std::string& out)
{
    std::size_t next = 0;
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            const char* run = std::strchr(p, '%');
            std::size_t n = run ? static_cast<std::size_t>(run - p) : std::strlen(p);
            out.append(p, n);
            p += n;
            continue;
        }
        ++p;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        Directive directive;
        while (IsFlag(*p)) directive.flags += *p++;
        if (*p == '*') {
            ++p;
            if (!TakeStar(args, count, next, directive.width)) return false;
            if (directive.width < 0) {
                directive.flags += '-';
                directive.width = -directive.width;
            }
        } else {
            const char* digits = p;
            int width = 0;
            if (!ReadNumber(p, width)) return false;
            directive.width = p == digits ? -1 : width;
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                ++p;
                if (!TakeStar(args, count, next, directive.precision)) return false;
                if (directive.precision < 0) directive.precision = -1;
            } else {
                directive.precision = 0;
                if (!ReadNumber(p, directive.precision)) return false;
            }
        }
        // Length modifiers, with the Microsoft ones.
        if (p[0] == 'h' && p[1] == 'h') {
            directive.bits = 8;
            p += 2;
        } else if (p[0] == 'h') {
            directive.bits = 16;
            ++p;
        } else if (p[0] == 'l' && p[1] == 'l') {
            directive.bits = 64;
            p += 2;
        } else if (p[0] == 'l' || p[0] == 'w') {
            directive.bits = 32;  // long is 32 bits on Windows
            directive.wide = true;
            ++p;
        } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
            directive.bits = 64;
            p += 3;
        } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
            directive.bits = 32;
            p += 3;
        } else if (p[0] == 'I' || p[0] == 'j' || p[0] == 'z' || p[0] == 't' || p[0] == 'q') {
            directive.bits = 64;
            ++p;
        } else if (p[0] == 'L') {
            ++p;  // long double: shown from a double
        }
        directive.conversion = *p;
        if (!directive.conversion) return false;
        ++p;
        switch (directive.conversion) {
        case 'd':
        case 'i': {
            if (next >= count || !args[next].IsIntegral()) return false;
            long long value = SignedLowBits(args[next++].AsUnsigned(), directive.bits);
            if (!Append(out, directive, "ll", 'd', value)) return false;
            break;
        }
        case 'u':
        case 'o':
        case 'x':
        case 'X': {
            if (next >= count || !args[next].IsIntegral()) return false;
            unsigned long long value = LowBits(args[next++].AsUnsigned(), directive.bits);
            if (!Append(out, directive, "ll", directive.conversion, value)) return false;
            break;
        }
        case 'c': {
            if (directive.wide || next >= count || !args[next].IsIntegral()) return false;
            int value = static_cast<unsigned char>(args[next++].AsUnsigned() & 0xFF);
            if (value == 0) return false;  // would end the text early
            if (!Append(out, directive, "", 'c', value)) return false;
            break;
        }
        case 's': {
            if (directive.wide || next >= count || args[next].kind() != FormatArg::Kind::String) return false;
            const char* text = args[next++].AsString();
            if (!Append(out, directive, "", 's', text ? text : "(null)")) return false;
            break;
        }
        case 'p': {
            if (next >= count) return false;
            FormatArg::Kind kind = args[next].kind();
            if (kind != FormatArg::Kind::Pointer && kind != FormatArg::Kind::String) return false;
            auto value = reinterpret_cast<unsigned long long>(args[next++].AsPointer());
            Directive hex = directive;
            hex.flags.clear();
            hex.width = 16;
            hex.precision = -1;
            hex.flags = "0";
            if (!Append(out, hex, "ll", 'X', value)) return false;
            break;
        }
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'a':
        case 'A': {
            if (next >= count || args[next].kind() != FormatArg::Kind::Double) return false;
            double value = args[next++].AsDouble();
            if (!Append(out, directive, "", directive.conversion, value)) return false;
            break;
        }
        default:
            // %n, positional arguments, wide %S / %C and anything unknown.
            return false;
        }
    }
    return true;
}

}  // namespace

bool FormatChecked(const char* format, const FormatArg* args, std::size_t count, std::string& out)
{
    out.clear();
    if (!format || (count && !args)) return false;
    bool ok = false;
    try {
        ok = FormatInto(format, args, count, out);
    } catch (...) {
        ok = false;
    }
    if (!ok) out.clear();
    return ok;
}

}  // namespace ui
}  // namespace orrel
