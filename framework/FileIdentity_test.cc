#include "framework/FileIdentity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

TEST(FileIdentityTest, OneFileByEveryNameAndNoOther) {
    CTestFolder folder;
    fs::create_directory(folder / "sub");
    const fs::path a = folder / "a";
    std::ofstream(a) << "a";
    std::ofstream(folder / "b") << "b";
    fs::create_hard_link(a, folder / "hard");
    const auto id = IdentifyFile(a.string());
    ASSERT_TRUE(id);
    for (const fs::path& name : {folder / "." / "a", folder / "sub" / ".." / "a", folder / "hard"})
        EXPECT_EQ(IdentifyFile(name.string()), id) << name;
    EXPECT_NE(IdentifyFile((folder / "b").string()), id);
    EXPECT_NE(IdentifyFile((folder / "sub").string()), id);
    EXPECT_FALSE(IdentifyFile((folder / "missing").string()));
}

}  // namespace
