// printf-style formatting of texts whose format comes from outside the code
// (string tables, which a resource library may replace), checked against the
// arguments actually given: each conversion must have an argument of a
// fitting kind, "%n", positional and wide conversions are refused, widths
// and precisions are bounded. A format that does not fit is not used: the
// caller gets the format text itself, so nothing unsafe is ever read.
//
// Integers are shown as printf on Windows x64 would show them with
// arguments of the right size: the conversion's length modifier (none = int,
// l = 32 bits, ll/I64/j = 64, z/t/I = 64, h = 16, hh = 8) says how many low
// bits of the argument count and %d/%i read them signed, %u/%o/%x/%X
// unsigned.
//
// Pure code: no <windows.h>.
#pragma once

#include <cstddef>
#include <string>
#include <type_traits>

namespace orrel {
namespace ui {

class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Double, String, Pointer };

    template <class T, std::enable_if_t<std::is_integral<T>::value, int> = 0>
    FormatArg(T value) noexcept  // NOLINT: implicit by design
    {
        if (std::is_signed<T>::value) {
            kind_ = Kind::Signed;
            signed_ = static_cast<long long>(value);
        } else {
            kind_ = Kind::Unsigned;
            unsigned_ = static_cast<unsigned long long>(value);
        }
    }
    template <class T, std::enable_if_t<std::is_enum<T>::value, int> = 0>
    FormatArg(T value) noexcept : FormatArg(static_cast<std::underlying_type_t<T>>(value))
    {
    }
    FormatArg(double value) noexcept : kind_(Kind::Double), double_(value) {}
    FormatArg(float value) noexcept : kind_(Kind::Double), double_(value) {}
    FormatArg(const char* text) noexcept : kind_(Kind::String), string_(text) {}
    FormatArg(char* text) noexcept : kind_(Kind::String), string_(text) {}
    FormatArg(const std::string& text) noexcept : kind_(Kind::String), string_(text.c_str()) {}
    FormatArg(std::nullptr_t) noexcept : kind_(Kind::Pointer), pointer_(nullptr) {}
    template <class T, std::enable_if_t<!std::is_same<std::remove_cv_t<T>, char>::value, int> = 0>
    FormatArg(T* pointer) noexcept : kind_(Kind::Pointer), pointer_(static_cast<const volatile void*>(pointer))
    {
    }

    Kind kind() const noexcept { return kind_; }
    long long AsSigned() const noexcept { return kind_ == Kind::Signed ? signed_ : static_cast<long long>(unsigned_); }
    unsigned long long AsUnsigned() const noexcept
    {
        return kind_ == Kind::Unsigned ? unsigned_ : static_cast<unsigned long long>(signed_);
    }
    double AsDouble() const noexcept { return double_; }
    const char* AsString() const noexcept { return string_; }
    const volatile void* AsPointer() const noexcept
    {
        return kind_ == Kind::String ? static_cast<const volatile void*>(string_) : pointer_;
    }
    bool IsIntegral() const noexcept { return kind_ == Kind::Signed || kind_ == Kind::Unsigned; }

private:
    Kind kind_;
    union {
        long long signed_;
        unsigned long long unsigned_;
        double double_;
        const char* string_;
        const volatile void* pointer_;
    };
};

// Widths and precisions above this are refused (a format must not be able
// to make the text arbitrarily large).
constexpr int kMaxFormatWidth = 1024;

// Formats into out. False when the format does not fit the arguments (out
// is then left empty).
bool FormatChecked(const char* format, const FormatArg* args, std::size_t count, std::string& out);

// The formatted text, or the format itself when it does not fit.
template <class... Args>
std::string FormatText(const char* format, const Args&... args)
{
    if (!format) return std::string();
    const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
    std::string out;
    if (FormatChecked(format, list, sizeof...(Args), out)) return out;
    return std::string(format);
}

}  // namespace ui
}  // namespace orrel
