#include "framework/FindFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "framework/Wildcard.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

TEST(WildcardTest, MatchesLikeTheDirectorySearch) {
    EXPECT_TRUE(MatchesWildcard("*.mem", "533945.mem"));
    EXPECT_TRUE(MatchesWildcard("*.mem", "533945.MEM"));
    EXPECT_TRUE(MatchesWildcard("*.mem", ".mem"));
    EXPECT_TRUE(MatchesWildcard("*.mem", "a.mem.mem"));
    EXPECT_TRUE(MatchesWildcard("a?c*", "abcdef"));
    EXPECT_FALSE(MatchesWildcard("*.mem", "533945.mem.bak"));
    EXPECT_FALSE(MatchesWildcard("*.mem", "533945.me"));
    EXPECT_FALSE(MatchesWildcard("*.mem", "533945mem"));
    EXPECT_FALSE(MatchesWildcard("a?c", "ac"));
}

class FindFileTest : public ::testing::Test {
  protected:
    void Touch(const std::string& name) { std::ofstream(m_dir / name) << "x"; }

    std::vector<std::string> All(const std::string& mask) {
        std::vector<std::string> names;
        CFindFile find;
        if (find.FindFirst((m_dir / mask).string())) {
            do names.push_back(find.GetFileName());
            while (find.FindNext());
        }
        find.Close();
        return names;
    }
    CTestFolder m_folder;
    const fs::path& m_dir = m_folder.Path();
};

TEST_F(FindFileTest, FindsMeshFilesOfAnyCaseInFoldedNameOrder) {
    Touch("b.MEM");
    Touch("A.mem");
    Touch("C.mem");
    Touch("c.txt");
    Touch("a.memo");
    fs::create_directory(m_dir / "d.mem");
    EXPECT_EQ(All("*.mem"), (std::vector<std::string>{"A.mem", "b.MEM", "C.mem", "d.mem"}))
        << "C.mem comes before b.MEM byte by byte, after it folded";
}

TEST_F(FindFileTest, EmptyOrMissingFolderHasNoFirstEntry) {
    EXPECT_TRUE(All("*.mem").empty());
    CFindFile find;
    EXPECT_FALSE(find.FindFirst((m_dir / "missing" / "*.mem").string()));
    EXPECT_FALSE(find.FindNext());
}

}  // namespace
