// Helpers of the page framework's tests: a fresh copy of the test directory
// image per test, the identity switch and reading back what the directory
// stored; the rest comes from the shared page test helpers.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "pages_testing.h"

namespace pages_test {

// The test image (tests/data/pages-test-directory.json) copied into a new
// temporary folder; ORREL_DIRECTORY_IMAGE points at the copy and the first
// identity is selected for as long as the object lives.
class TestImage {
public:
    TestImage();
    ~TestImage();
    TestImage(const TestImage&) = delete;
    TestImage& operator=(const TestImage&) = delete;

    const std::string& Path() const { return path_; }
    // The values of an attribute as stored in the image (null when the
    // object or attribute is missing).
    nlohmann::json Values(const char* object, const char* attribute) const;
    // Text values as strings (empty when none).
    std::vector<std::string> Texts(const char* object, const char* attribute) const;

    // ORREL_DIRECTORY_IDENTITY=second (Guest.Test) or the first (Admin.Test).
    static void UseSecondIdentity(bool second);

private:
    std::string folder_;
    std::string path_;
};

// The shared page test helpers (pages/common/testing) these tests use.
using pagetest::BinPath;
using pagetest::Click;
using pagetest::ComboTexts;
using pagetest::FindDialog;
using pagetest::ListBoxTexts;
using pagetest::ModalScript;
using pagetest::PumpPending;
using pagetest::PumpUntil;
using pagetest::SourcePath;
using pagetest::StaticTexts;

}  // namespace pages_test
