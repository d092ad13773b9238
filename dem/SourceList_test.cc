#include "dem/SourceList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dem/DemSources.h"
#include "dem/TestZip.h"
#include "testsupport/TestFolder.h"

namespace {

using Status = SourceList::Status;

class SourceListTest : public ::testing::Test {
  protected:
    std::string Touch(const std::string& name, const std::string& bytes = "x") {
        const std::string path = (m_dir / name).string();
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // The path a folder's listing gives: '/' in the name is the system's
    // separator.
    std::string Path(const std::string& name) const {
        return (m_dir.Path() / std::filesystem::path(name).make_preferred()).string();
    }

    CTestFolder m_dir;
};

TEST_F(SourceListTest, FilesGoByTheirExtensionInAnyCase) {
    SourceList list = ListSources({Touch("a.MEM"), Touch("b.mem")});
    EXPECT_EQ(list.status, Status::kReady);
    EXPECT_EQ(list.kind, SourceKind::kMesh);
    EXPECT_EQ(list.meshPaths, (std::vector<std::string>{Path("a.MEM"), Path("b.mem")}));

    // A missing file among others is listed: it fails when it is read.
    list = ListSources({Touch("c.Xml"), Path("gone.zip"), Touch("d.ZIP")});
    EXPECT_EQ(list.status, Status::kReady);
    EXPECT_EQ(list.kind, SourceKind::kDem);
    ASSERT_EQ(list.demSources.size(), 3u);
    EXPECT_EQ(list.demSources[0].path, Path("c.Xml"));
    EXPECT_FALSE(list.demSources[0].bZip);
    EXPECT_TRUE(list.demSources[1].bZip);
    EXPECT_TRUE(list.demSources[2].bZip);
}

TEST_F(SourceListTest, MeshAndDemMixedIsAUsageError) {
    const SourceList list = ListSources({Touch("a.xml"), Touch("b.mem")});
    EXPECT_EQ(list.status, Status::kUsageError);
    EXPECT_EQ(list.message, Path("b.mem") + " gives mesh files (.mem) and " + Path("a.xml") +
                                " DEM files (.xml, .zip): a run takes one kind");
    Touch("m/x.mem");
    EXPECT_EQ(ListSources({Path("m"), Touch("c.zip")}).status, Status::kUsageError);
}

TEST_F(SourceListTest, AFileOfAnotherExtensionIsAMeshFile) {
    // Files named one by one were always mesh files whatever their names.
    SourceList list = ListSources({Touch("a.mem"), Touch("b.txt"), Path("gone")});
    EXPECT_EQ(list.status, Status::kReady);
    EXPECT_EQ(list.kind, SourceKind::kMesh);
    EXPECT_EQ(list.meshPaths,
              (std::vector<std::string>{Path("a.mem"), Path("b.txt"), Path("gone")}));
    // So they do not go with DEM files.
    EXPECT_EQ(ListSources({Touch("c.zip"), Path("b.txt")}).status, Status::kUsageError);
}

TEST_F(SourceListTest, FolderGivesItsMeshFilesOrItsDemFilesAndBothIsAUsageError) {
    Touch("f/b.mem");
    Touch("f/A.MEM");
    Touch("f/readme.txt");
    SourceList list = ListSources({Path("f")});
    EXPECT_EQ(list.kind, SourceKind::kMesh);
    EXPECT_EQ(list.meshPaths, (std::vector<std::string>{Path("f/A.MEM"), Path("f/b.mem")}));
    // One stray mesh file among DEM files: neither kind is taken.
    Touch("f/c.xml");
    list = ListSources({Path("f")});
    EXPECT_EQ(list.status, Status::kUsageError);
    EXPECT_EQ(list.message, Path("f/A.MEM") + " gives mesh files (.mem) and " + Path("f/c.xml") +
                                " DEM files (.xml, .zip): a run takes one kind");

    Touch("g/c.zip");
    Touch("g/B.XML");
    Touch("g/a.Zip");
    Touch("g/readme.txt");
    list = ListSources({Path("g"), Touch("z.xml")});
    EXPECT_EQ(list.status, Status::kReady);
    EXPECT_EQ(list.kind, SourceKind::kDem);
    std::vector<std::string> paths;
    for (const auto& source : list.demSources) paths.push_back(source.path);
    EXPECT_EQ(paths, (std::vector<std::string>{Path("g/a.Zip"), Path("g/B.XML"), Path("g/c.zip"),
                                               Path("z.xml")}));
    EXPECT_TRUE(list.demSources[0].bZip);
    EXPECT_FALSE(list.demSources[1].bZip);
}

TEST_F(SourceListTest, FolderWithNeitherOrLoneMissingOperandHasNoSources) {
    Touch("e/readme.txt");
    SourceList list = ListSources({Touch("a.xml"), Path("e")});
    EXPECT_EQ(list.status, Status::kNoSources);
    EXPECT_EQ(list.message, Path("e") + " holds no mesh file (*.mem) nor DEM file (*.xml, *.zip)");
    list = ListSources({Path("gone.mem")});
    EXPECT_EQ(list.status, Status::kNoSources);
    EXPECT_EQ(list.message, Path("gone.mem") + " does not exist");
}

struct Recorder final : IDemMemberSink {
    std::vector<std::string> names, fileNames, contents;
    std::vector<bool> whole;
    size_t wanted = 0;  // how many bytes are enough; 0: the first
    bool OnDemMember(const std::string& displayName, const std::string& fileName,
                     std::vector<uint8_t>& bytes, bool bWhole) override {
        names.push_back(displayName);
        fileNames.push_back(fileName);
        contents.push_back(AsText(bytes));
        whole.push_back(bWhole);
        return bytes.size() >= wanted;
    }
    void OnSkipped(const std::string&) override {}
};

TEST_F(SourceListTest, DemSourcesAreWalkedInOrderAndAgainAlike) {
    const std::string zip =
        Touch("b.zip", AsText(BuildTestZip({{"1.xml", "one"}, {"2.xml", "two"}})));
    const std::vector<DemSource> sources{{Touch("a.xml", "plain"), false}, {zip, true}};
    Recorder first, second;
    EXPECT_EQ(WalkDemSources(sources, first, {}).demMembers, 3);
    EXPECT_EQ(first.names,
              (std::vector<std::string>{Path("a.xml"), zip + ":1.xml", zip + ":2.xml"}));
    EXPECT_EQ(first.fileNames, (std::vector<std::string>{"a.xml", "1.xml", "2.xml"}));
    EXPECT_EQ(first.contents, (std::vector<std::string>{"plain", "one", "two"}));
    WalkDemSources(sources, second, {});
    EXPECT_EQ(second.names, first.names);
    EXPECT_EQ(second.contents, first.contents);
}

TEST_F(SourceListTest, ADemFileOnDiskIsReadAsFarAsTheSinkAsks) {
    std::string text;
    for (int i = 0; text.size() < 10000; ++i) text += std::to_string(i) + " ";
    text.resize(10000);
    const std::string path = Touch("a.xml", text);
    DemWalkOptions heads;
    heads.headBytes = 1000;
    Recorder sink;
    sink.wanted = 3000;
    EXPECT_EQ(WalkDemSources({{path, false}}, sink, heads).demMembers, 1);
    EXPECT_EQ(sink.contents, (std::vector<std::string>{text.substr(0, 1000), text.substr(0, 2000),
                                                       text.substr(0, 4000)}));
    EXPECT_EQ(sink.whole, (std::vector<bool>{false, false, false}));

    // Up to the whole, flagged so; and a file shorter than the head comes
    // whole at once.
    sink = Recorder();
    sink.wanted = 20000;
    const std::string shorter = Touch("b.xml", "short");
    EXPECT_EQ(WalkDemSources({{path, false}, {shorter, false}}, sink, heads).demMembers, 2);
    ASSERT_EQ(sink.contents.size(), 6u);
    EXPECT_EQ(sink.contents[4], text);
    EXPECT_EQ(sink.whole, (std::vector<bool>{false, false, false, false, true, true}));
    EXPECT_EQ(sink.contents[5], "short");
}

TEST_F(SourceListTest, DemSourceWalkStopsAtTheFirstUnusableSource) {
    const std::string empty = Touch("empty.zip", AsText(BuildTestZip({{"r.txt", "r"}})));
    Recorder sink;
    DemWalkResult result = WalkDemSources({{empty, true}}, sink, {});
    EXPECT_EQ(result.outcome, DemWalkOutcome::kCompleted);
    EXPECT_EQ(result.demMembers, 0);  // the caller's "no sources"

    DemWalkOptions small;
    small.memberLimit = 5;
    result = WalkDemSources({{Touch("ok.xml", "12345"), false},
                             {Touch("big.xml", "123456"), false},
                             {Touch("never.xml"), false}},
                            sink, small);
    EXPECT_EQ(result.outcome, DemWalkOutcome::kUnusable);
    EXPECT_EQ(result.reason, Path("big.xml") + ": file larger than 5 bytes");
    EXPECT_EQ(sink.names, std::vector<std::string>{Path("ok.xml")});

    result = WalkDemSources({{Path("gone.xml"), false}}, sink, {});
    EXPECT_EQ(result.outcome, DemWalkOutcome::kUnusable);
    EXPECT_NE(result.reason.find(Path("gone.xml")), std::string::npos);

    DemWalkOptions stop;
    stop.stopRequested = [] { return true; };
    EXPECT_EQ(WalkDemSources({{Path("ok.xml"), false}}, sink, stop).outcome,
              DemWalkOutcome::kStopped);
}

}  // namespace
