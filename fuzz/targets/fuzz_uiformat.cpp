// Message formats as a replaced string table may hold them, checked against
// a fixed set of arguments. The arguments sit in a heap block of exactly the
// count given, so a conversion that takes one argument too many is a heap
// overflow; a format that does not fit gives no text (FormatText: the format
// itself); the text is bounded by the widths allowed; and arguments after
// the ones a format uses change nothing.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "fuzz_check.h"
#include "orrel/ui/format.h"

using orrel::ui::FormatArg;
using orrel::ui::FormatChecked;
using orrel::ui::FormatText;
using orrel::ui::kMaxFormatWidth;

namespace {

int g_target = 7;

// The format text without any "%%": what a format with no conversion shows.
bool OnlyText(const std::string& format, std::string& shown)
{
    shown.clear();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            shown += format[i];
        } else if (i + 1 < format.size() && format[i + 1] == '%') {
            shown += '%';
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

bool Format(const std::string& format, const FormatArg* all, std::size_t count, std::string& out)
{
    // A block of exactly count arguments (one byte when there are none).
    std::unique_ptr<unsigned char[]> block(new unsigned char[count ? count * sizeof(FormatArg) : 1]);
    FormatArg* args = count ? reinterpret_cast<FormatArg*>(block.get()) : nullptr;
    for (std::size_t i = 0; i < count; ++i) new (&args[i]) FormatArg(all[i]);
    return FormatChecked(format.c_str(), args, count, out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A string-table text ends at its first zero.
    const std::string format(reinterpret_cast<const char*>(data),
                             strnlen(reinterpret_cast<const char*>(data), size));

    const char* const noText = nullptr;
    const std::string owned("%s%n");  // a text that looks like a format
    const FormatArg all[] = {
        FormatArg(-42),
        FormatArg(4000000000u),
        FormatArg("Admin.Sales.Corp"),
        FormatArg(2.5),
        FormatArg(&g_target),
        FormatArg(-1234567890123LL),
        FormatArg('Q'),
        FormatArg(noText),
        FormatArg(static_cast<short>(-7)),
        FormatArg(1e300),
        FormatArg(static_cast<unsigned char>(200)),
        FormatArg(owned),
    };
    const std::size_t kAll = sizeof all / sizeof all[0];

    // Every count of leading arguments: once a count fits, every larger one
    // fits too and gives the same text.
    std::string first;
    bool fitted = false;
    for (std::size_t count = 0; count <= kAll; ++count) {
        std::string out;
        const bool ok = Format(format, all, count, out);
        if (!ok) {
            FUZZ_CHECK(out.empty());
            FUZZ_CHECK(!fitted);
            continue;
        }
        if (!fitted) {
            fitted = true;
            first = out;
            // Each conversion takes at least two characters of the format and
            // shows at most a width or precision's worth plus a number's digits.
            FUZZ_CHECK(out.size() <= format.size() + (format.size() / 2 + 1) * (2 * kMaxFormatWidth + 400));
            if (count == 0) {
                // Nothing to convert: the text with "%%" shown as "%".
                std::string shown;
                FUZZ_CHECK(OnlyText(format, shown));
                FUZZ_CHECK(out == shown);
            }
        } else {
            FUZZ_CHECK(out == first);
        }
    }
    std::string shown;
    if (OnlyText(format, shown)) FUZZ_CHECK(fitted && first == shown);

    // The template callers use: the text, or the format when it does not fit.
    const std::string text =
        FormatText(format.c_str(), -42, 4000000000u, "Admin.Sales.Corp", 2.5, &g_target, -1234567890123LL,
                   'Q', noText, static_cast<short>(-7), 1e300, static_cast<unsigned char>(200),
                   owned);
    FUZZ_CHECK(text == (fitted ? first : format));
    return 0;
}
