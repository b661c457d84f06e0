// Label-counted paths: decoding stored bytes, and encoding typed text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

namespace {

std::string Dots(std::string text)
{
    for (char& c : text)
        if (c == '\\') c = '.';
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // The bytes as a stored path.
    std::string dotted = orrel::DecodePath(bytes, false, '.');
    std::string leading = orrel::DecodePath(bytes, true, '\\');
    FUZZ_CHECK(dotted.size() <= bytes.size());
    FUZZ_CHECK(leading.size() <= bytes.size());
    orrel::ItemRecord record;
    record.path = bytes;
    record.flags = orrel::ITEM_CONTAINER;
    FUZZ_CHECK(!orrel::ParentPath(record).empty());
    record.flags = orrel::ITEM_FOLDER | orrel::ITEM_CONTAINER;
    std::string folderParent = orrel::ParentPath(record);
    FUZZ_CHECK(folderParent.size() <= dotted.size());
    if (orrel::SetRecordName(record, "Renamed")) {
        FUZZ_CHECK(record.displayName == "Renamed");
        std::string renamed = orrel::DecodePath(record.path, false, '.');
        // A stored label may hold a backslash, which the new text splits at.
        FUZZ_CHECK(renamed == Dots((folderParent.empty() ? "" : folderParent + ".") + "Renamed"));
    }

    // The bytes as typed text: what encodes decodes back to the same text.
    std::string encoded;
    if (orrel::EncodePath(bytes, &encoded)) {
        FUZZ_CHECK(encoded.size() == bytes.size());
        FUZZ_CHECK(orrel::DecodePath(encoded, true, '.') == Dots(bytes));
    }
    return 0;
}
