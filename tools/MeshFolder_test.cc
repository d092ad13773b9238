// The output folder of zelvorin-mem: what it finds there before a run, and
// files that appear whole under their names or not at all.
#include "tools/MeshFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/Exception.h"
#include "framework/FindFile.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(MeshFolder, TellsANewAnEmptyAndAUsedFolderApart) {
    CTestFolder test;
    const CMeshFolder out((test / "out").string());
    EXPECT_EQ(out.Look(), CMeshFolder::State::kMissing);
    std::string why;
    ASSERT_TRUE(out.Make(why)) << why;
    EXPECT_EQ(out.Look(), CMeshFolder::State::kEmpty);
    // A hidden file is something there all the same.
    std::ofstream(test / "out" / ".left") << "x";
    EXPECT_EQ(out.Look(), CMeshFolder::State::kNotEmpty);
    std::ofstream(test / "file") << "x";
    EXPECT_EQ(CMeshFolder((test / "file").string()).Look(), CMeshFolder::State::kNotAFolder);
}

TEST(MeshFolder, AFileTakesItsCodeAsNameWithNothingElseLeft) {
    CTestFolder test;
    const CMeshFolder out(test.Path().string());
    const std::string text(300000, 'x');  // more than one write of some systems
    const std::string path = out.Write(523943, text);
    EXPECT_EQ(fs::path(path).filename(), "523943.mem");
    EXPECT_EQ(Entries(test.Path()), std::vector<std::string>{"523943.mem"});
    std::ifstream in(path, std::ios::binary);
    std::stringstream read;
    read << in.rdbuf();
    EXPECT_EQ(read.str(), text);
}

TEST(MeshFolder, AFileThatCannotTakeItsNameLeavesNoPart) {
    CTestFolder test;
    fs::create_directories(test / "523943.mem" / "inside");
    const CMeshFolder out(test.Path().string());
    try {
        out.Write(523943, "text");
        FAIL() << "a folder in the way was overwritten";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.Operation(), CFileException::Op::kRename);
    }
    EXPECT_EQ(Entries(test.Path()), std::vector<std::string>{"523943.mem"});
}

TEST(MeshFolder, ThePartBeingWrittenIsFoundByNoSearchForMeshFiles) {
    CTestFolder test;
    // The part's name, taken: the write cannot begin.
    fs::create_directory(test / ".523943.mem.part");
    const CMeshFolder out(test.Path().string());
    EXPECT_THROW(out.Write(523943, "text"), CFileException);
    EXPECT_FALSE(fs::exists(test / "523943.mem"));
    for (const char* pattern : {"*.mem", "*.MEM", "*.mem*"}) {
        CFindFile find;
        const bool found = find.FindFirst((test / pattern).string());
        EXPECT_EQ(found, std::string(pattern) == "*.mem*") << pattern;
    }
}

}  // namespace
