// Reading, validating and writing the directory image (JSON). Pure code: a
// damaged, truncated or hostile image is refused whole with a reason.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model.h"

namespace orrel::dirstore {

constexpr size_t kMaxImageBytes = 256u * 1024u * 1024u;
constexpr int kMaxJsonDepth = 32;
constexpr size_t kMaxObjectsPerTree = 250000;
constexpr size_t kMaxValuesPerAttribute = 4096;

// Parses and validates an image. On failure returns null and says why.
std::unique_ptr<Image> ParseImage(std::string_view text, std::string& why);
// The image as JSON text, member order kept: with two-space indentation, or
// compact (no white space) when asked.
std::string SerializeImage(const Image& image, bool compact = false);

}  // namespace orrel::dirstore
