#pragma once

// A fresh folder for the running test, named after it so that tests run in
// parallel never share one, and removed with everything in it afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class CTestFolder {
  public:
    CTestFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path() /
                 ("zelvorin_" + std::string(test->test_suite_name()) + "_" + test->name());
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
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
