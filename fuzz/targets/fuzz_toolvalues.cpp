// What the object tools make of directory values that other users wrote:
// the CSV cell, the "mailto:" address and the home page address. The input
// is one value (and, split at its first zero byte, a list of location
// values for the home page).
// - A CSV cell is quoted, every quote inside doubled, so that reading it
//   back (RFC 4180) gives the value again, with the apostrophe in front
//   exactly when the value would run as a formula; no defused cell begins
//   with a formula character.
// - An encoded address holds only the characters a "mailto:" address may
//   carry plainly and decodes back to the value.
// - A home page URL is opened only as http or https without control
//   characters or blanks.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "csvfile.h"
#include "fuzz_check.h"
#include "homepageaddress.h"
#include "mailtourl.h"

namespace {

// Reads one quoted cell back; false when it is not one.
bool ReadCell(const std::string& cell, std::string* value)
{
    if (cell.size() < 2 || cell.front() != '"' || cell.back() != '"') return false;
    value->clear();
    for (std::size_t i = 1; i + 1 < cell.size(); ++i) {
        if (cell[i] == '"') {
            if (i + 2 >= cell.size() || cell[i + 1] != '"') return false;  // a lone quote ends the field
            ++i;
        }
        *value += cell[i];
    }
    return true;
}

int Hex(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string value(reinterpret_cast<const char*>(data), size);

    std::string cell, back;
    orrel::csv::AppendCell(cell, value);
    FUZZ_CHECK(ReadCell(cell, &back));
    const bool defused = orrel::csv::NeedsDefusing(value);
    FUZZ_CHECK(back == (defused ? "'" + value : value));
    if (!back.empty()) {
        char first = back[0];
        FUZZ_CHECK(first != '=' && first != '@' && first != '\t' && first != '\r');
    }

    std::string encoded = orrel::mailto::PercentEncode(value), decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        char c = encoded[i];
        FUZZ_CHECK(c != '&' && c != '?' && c != '#' && c != ',' && c != ';' && c != ' ' && c != ':' &&
                   static_cast<unsigned char>(c) > ' ' && static_cast<unsigned char>(c) < 0x7F);
        if (c == '%') {
            FUZZ_CHECK(i + 2 < encoded.size());
            int high = Hex(encoded[i + 1]), low = Hex(encoded[i + 2]);
            FUZZ_CHECK(high >= 0 && low >= 0);
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            decoded += c;
        }
    }
    FUZZ_CHECK(decoded == value);

    std::vector<std::string> locations;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i == value.size() || value[i] == '\0') {
            locations.push_back(value.substr(start, i - start));
            start = i + 1;
        }
    }
    std::string address, url;
    if (orrel::homepage::FindHomePage(locations, &address)) {
        FUZZ_CHECK(address.size() <= orrel::homepage::kMaxAddress);
        if (orrel::homepage::WebUrl(address, &url)) {
            std::string scheme = url.substr(0, url.find(':'));
            for (char& c : scheme) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            FUZZ_CHECK(scheme == "http" || scheme == "https");
            for (unsigned char c : url) FUZZ_CHECK(c > ' ' && c != 0x7F);
        }
    }
    return 0;
}
