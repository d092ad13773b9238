#pragma once

// A fresh folder for the running test, removed with everything in it
// afterwards. It lies under TEST_TMPDIR when that is set, else in the
// system's temporary folder, and its name, after the suite and the test,
// ends in a number no other folder there has: test programs run at once,
// in one run or in several, never share one.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

class CTestFolder {
  public:
    CTestFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const char* root = std::getenv("TEST_TMPDIR");
        const std::filesystem::path parent = root != nullptr && *root != '\0'
                                                 ? std::filesystem::path(root)
                                                 : std::filesystem::temp_directory_path();
        std::string stem =
            "zelvorin_" + std::string(test->test_suite_name()) + "_" + test->name() + "_";
        std::replace(stem.begin(), stem.end(), '/', '_');  // of parameterised tests
        // Creating the folder is the test of uniqueness: a name already
        // taken, by a running test or one left behind, is passed over.
        std::mt19937_64 random(
            std::random_device{}() ^
            static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
        do m_path = parent / (stem + std::to_string(random()));
        while (!std::filesystem::create_directory(m_path));
    }
    ~CTestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CTestFolder(const CTestFolder&) = delete;
    CTestFolder& operator=(const CTestFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

  private:
    std::filesystem::path m_path;
};
