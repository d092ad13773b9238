#pragma once

// A fresh folder for the running test, named after it with a random suffix so
// that tests run in parallel, by this or another checkout, never share one;
// removed with everything in it afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

class CTestFolder {
  public:
    CTestFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name =
            "zelvorin_" + std::string(test->test_suite_name()) + "_" + test->name() + "_";
        std::replace(name.begin(), name.end(), '/', '_');  // of parameterised tests
        std::random_device random;
        // create_directory is false for a folder that is there already: a
        // name is ours only when this call made it.
        do {
            m_path = std::filesystem::temp_directory_path() / (name + std::to_string(random()));
        } while (!std::filesystem::create_directory(m_path));
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
