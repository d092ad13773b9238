#include "dem/DemArchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "dem/DemSources.h"
#include "dem/TestZip.h"
#include "framework/Console.h"
#include "testsupport/TestFolder.h"

namespace {

// Names in escapes: narrow literals are compiled to code page 932.
const char kTestUtf8[] = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";  // "テスト"
const char kTestCp932[] = "\x83\x65\x83\x58\x83\x67";
const char kSoCp932[] = "\x83\x5C";  // "ソ": its second byte is a backslash

struct Recorder final : IDemMemberSink {
    std::vector<std::string> names, fileNames, contents, warnings;
    std::vector<bool> whole;
    // Whether the bytes are enough; unset: the first are.
    std::function<bool(const std::vector<uint8_t>&)> enough;
    bool OnDemMember(const std::string& displayName, const std::string& fileName,
                     std::vector<uint8_t>& bytes, bool bWhole) override {
        names.push_back(displayName);
        fileNames.push_back(fileName);
        contents.push_back(AsText(bytes));
        whole.push_back(bWhole);
        return !enough || enough(bytes);
    }
    void OnSkipped(const std::string& warning) override { warnings.push_back(warning); }
};

class DemArchiveTest : public ::testing::Test {
  protected:
    // Writes the zip into the test's folder; its path.
    std::string Put(const std::vector<uint8_t>& bytes, const std::string& name = "a.zip") {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    DemWalkResult Walk(const std::string& path) { return WalkDemZip(path, m_sink, m_options); }

    CTestFolder m_dir;
    Recorder m_sink;
    DemWalkOptions m_options;
};

// Bytes that do not deflate.
std::string Noise(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (char& c : bytes) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    return bytes;
}

// A zip holding zips down to the given level, each with one DEM file.
std::vector<uint8_t> Nested(int levels) {
    std::vector<TestZipMember> members{{std::to_string(levels) + ".xml", "level"}};
    if (levels > 1) members.push_back({"z.zip", AsText(Nested(levels - 1))});
    return BuildTestZip(members);
}

TEST_F(DemArchiveTest, ZipsThreeLevelsDeepAreWalkedInOrder) {
    const std::string path = Put(Nested(3));
    const DemWalkResult result = Walk(path);
    EXPECT_EQ(result.outcome, DemWalkOutcome::kCompleted) << result.reason;
    EXPECT_EQ(result.demMembers, 3);
    EXPECT_EQ(m_sink.names, (std::vector<std::string>{path + ":3.xml", path + ":z.zip:2.xml",
                                                      path + ":z.zip:z.zip:1.xml"}));
    EXPECT_EQ(m_sink.fileNames, (std::vector<std::string>{"3.xml", "2.xml", "1.xml"}));
    EXPECT_EQ(m_sink.contents, (std::vector<std::string>{"level", "level", "level"}));
}

// Points the system's temporary folder at folder for the test.
class CTempFolderAt {
  public:
    explicit CTempFolderAt(const std::string& folder) : m_strOld(Get()) { Set(folder); }
    ~CTempFolderAt() { Set(m_strOld); }

  private:
#ifdef _WIN32
    static constexpr const char* kVariable = "TMP";
    static void Set(const std::string& value) { _putenv_s(kVariable, value.c_str()); }
#else
    static constexpr const char* kVariable = "TMPDIR";
    static void Set(const std::string& value) { setenv(kVariable, value.c_str(), 1); }
#endif
    static std::string Get() {
        const char* value = std::getenv(kVariable);
        return value != nullptr ? value : "";
    }
    std::string m_strOld;
};

TEST_F(DemArchiveTest, ZipsInZipsOverTheMemoryShareAreReadFromATemporaryFileThenRemoved) {
    const std::string path = Put(Nested(3));
    m_options.innerInMemory = 0;
    const std::filesystem::path temp = m_dir / "temp";
    std::filesystem::create_directory(temp);
    {
        const CTempFolderAt at(temp.string());
        const DemWalkResult result = Walk(path);
        EXPECT_EQ(result.outcome, DemWalkOutcome::kCompleted) << result.reason;
    }
    EXPECT_EQ(m_sink.names, (std::vector<std::string>{path + ":3.xml", path + ":z.zip:2.xml",
                                                      path + ":z.zip:z.zip:1.xml"}));
    EXPECT_EQ(m_sink.contents, (std::vector<std::string>{"level", "level", "level"}));
    EXPECT_TRUE(std::filesystem::is_empty(temp)) << "the copies are removed";

    // No temporary file can be made: the zip cannot be used, and says why.
    m_sink = Recorder();
    const CTempFolderAt at((m_dir / "missing").string());
    const DemWalkResult result = Walk(path);
    EXPECT_EQ(result.outcome, DemWalkOutcome::kUnusable);
    EXPECT_EQ(
        result.reason.rfind(path + ":z.zip: cannot be copied to a temporary file to be read: ", 0),
        0u)
        << result.reason;
    EXPECT_EQ(m_sink.names, std::vector<std::string>{path + ":3.xml"});
}

TEST_F(DemArchiveTest, FourthLevelOfZipsMakesTheSourceUnusable) {
    const std::string path = Put(Nested(4));
    const DemWalkResult result = Walk(path);
    EXPECT_EQ(result.outcome, DemWalkOutcome::kUnusable);
    EXPECT_EQ(result.reason, path + ":z.zip:z.zip:z.zip: fourth level of zips");
    EXPECT_EQ(m_sink.names.size(), 3u);  // those before it
}

TEST_F(DemArchiveTest, MemberOverTheLimitMakesTheSourceUnusable) {
    m_options.memberLimit = 1000;
    const std::string full(1000, 'g');
    const std::string path = Put(BuildTestZip({{"full.xml", full}, {"over.xml", full + "g"}}));
    const DemWalkResult result = Walk(path);
    EXPECT_EQ(result.outcome, DemWalkOutcome::kUnusable);
    EXPECT_EQ(result.reason, path + ":over.xml: member larger than 1000 bytes");
    EXPECT_EQ(m_sink.contents, std::vector<std::string>{full});

    // A walk for heads, which inflates less of a member than the limit,
    // knows it by the directory.
    m_sink = Recorder();
    m_options.memberLimit = 100000;
    m_options.headBytes = 10;
    const std::string big = Put(BuildTestZip({{"over.xml", std::string(100001, 'g')}}), "b.zip");
    EXPECT_EQ(Walk(big).reason, big + ":over.xml: member larger than 100000 bytes");
    EXPECT_TRUE(m_sink.names.empty());
}

TEST_F(DemArchiveTest, InnerZipOverTheLimitMakesTheSourceUnusable) {
    m_options.memberLimit = 1000;
    const std::string inner = AsText(BuildTestZip({{"a.xml", Noise(2000)}}));
    ASSERT_GT(inner.size(), 1000u);
    const std::string path = Put(BuildTestZip({{"in.zip", inner}}));
    EXPECT_EQ(Walk(path).reason, path + ":in.zip: member larger than 1000 bytes");
    EXPECT_EQ(LimitText(kDemMemberLimit), "512 MiB");
}

TEST_F(DemArchiveTest, DamagedZipsAreRefusedWithLibarchivesReason) {
    std::vector<uint8_t> zip = BuildTestZip({{"a.xml", std::string(5000, 'a')}});
    std::vector<uint8_t> cut(zip.begin(), zip.begin() + static_cast<long>(zip.size() / 2));
    const std::string truncated = Put(cut, "cut.zip");
    DemWalkResult result = Walk(truncated);
    EXPECT_EQ(result.outcome, DemWalkOutcome::kUnusable);
    EXPECT_EQ(result.reason.rfind(truncated + ":a.xml: damaged zip: ", 0), 0u) << result.reason;

    // The deflated data flipped: the member does not inflate or its CRC fails.
    const size_t data = 30 + zip[26] + zip[27] * 256u + zip[28] + zip[29] * 256u;
    for (size_t i = data; i < data + 8; ++i) zip[i] ^= 0x55;
    const std::string flipped = Put(zip, "flipped.zip");
    result = Walk(flipped);
    EXPECT_EQ(result.outcome, DemWalkOutcome::kUnusable);
    EXPECT_EQ(result.reason.rfind(flipped + ":a.xml: damaged zip: ", 0), 0u) << result.reason;

    const std::string text = Put({'n', 'o', 't', ' ', 'a', ' ', 'z', 'i', 'p'}, "text.zip");
    result = Walk(text);
    EXPECT_EQ(result.reason.rfind(text + ": damaged zip: ", 0), 0u) << result.reason;

    // A damaged zip inside a zip is named by its place.
    const std::string outer = Put(BuildTestZip({{"in.zip", AsText(cut)}}), "outer.zip");
    result = Walk(outer);
    EXPECT_EQ(result.reason.rfind(outer + ":in.zip:a.xml: damaged zip: ", 0), 0u) << result.reason;
    EXPECT_TRUE(m_sink.names.empty());
}

// Lines of digits that deflate to about half.
std::string Lines(size_t size) {
    std::string text;
    uint32_t state = 777;
    while (text.size() < size) {
        state = state * 1103515245u + 12345u;
        text += std::to_string(state >> 8) + "\r\n";
    }
    return text.substr(0, size);
}

TEST_F(DemArchiveTest, AWalkForHeadsHandsOnFirstBytesAndMoreAsTheSinkAsks) {
    const std::string member = Lines(300000);
    const std::string path = Put(BuildTestZip({{"a.xml", member}, {"b.xml", "b"}}));
    m_options.headBytes = 1000;
    m_sink.enough = [](const std::vector<uint8_t>& bytes) { return bytes.size() >= 150000; };
    const DemWalkResult result = Walk(path);
    EXPECT_EQ(result.outcome, DemWalkOutcome::kCompleted) << result.reason;
    EXPECT_EQ(result.demMembers, 2);
    ASSERT_GE(m_sink.contents.size(), 3u);
    const size_t calls = m_sink.contents.size() - 1;
    for (size_t i = 0; i < calls; ++i) {
        const std::string& head = m_sink.contents[i];
        EXPECT_EQ(m_sink.names[i], path + ":a.xml");
        EXPECT_EQ(head, member.substr(0, head.size())) << i;
        EXPECT_FALSE(m_sink.whole[i]);
        if (i > 0) {
            EXPECT_GE(head.size(), 2 * m_sink.contents[i - 1].size());
        }
    }
    EXPECT_GE(m_sink.contents[0].size(), 1000u);
    EXPECT_LT(m_sink.contents[calls - 2].size(), 150000u);
    EXPECT_LT(m_sink.contents[calls - 1].size(), member.size());
    // A short member comes whole.
    EXPECT_EQ(m_sink.contents.back(), "b");
    EXPECT_TRUE(m_sink.whole.back());
}

TEST_F(DemArchiveTest, MissingZipIsRefusedWithTheFileLayersReason) {
    const std::string path = (m_dir / "none.zip").string();
    const DemWalkResult result = Walk(path);
    EXPECT_EQ(result.outcome, DemWalkOutcome::kUnusable);
    EXPECT_NE(result.reason.find(path), std::string::npos) << result.reason;
}

// The general purpose flag of the zip's first local header.
bool FirstNameFlaggedUtf8(const std::vector<uint8_t>& zip) { return (zip[7] & 0x08) != 0; }

TEST_F(DemArchiveTest, UnflaggedNamesAreKeptByteForByte) {
    const std::string name = std::string("dir/") + kTestCp932 + kSoCp932 + ".xml";
    const std::vector<uint8_t> zip = BuildTestZip({{name, "x"}});
    ASSERT_FALSE(FirstNameFlaggedUtf8(zip));
    const std::string path = Put(zip);
    EXPECT_EQ(Walk(path).outcome, DemWalkOutcome::kCompleted);
    // Shown in system text; the own name, which orders files, as stored.
    EXPECT_EQ(m_sink.names, std::vector<std::string>{path + ":" + NativeFromCp932(name)});
    // The backslash byte of "ソ" is no separator.
    EXPECT_EQ(m_sink.fileNames,
              std::vector<std::string>{std::string(kTestCp932) + kSoCp932 + ".xml"});
}

// The zip as a Windows archiver makes it: every member's central header
// says "made on MS-DOS", whose names may take '\\' as the separator.
std::vector<uint8_t> MadeOnDos(std::vector<uint8_t> zip) {
    const std::string central = "PK\x01\x02";
    for (size_t i = 0; i + 6 <= zip.size(); ++i) {
        if (std::equal(central.begin(), central.end(), zip.begin() + i)) zip[i + 5] = 0;
    }
    return zip;
}

TEST_F(DemArchiveTest, UnflaggedNamesOfWindowsArchiversKeepTrailBytesThatAreBackslashes) {
    const std::string name = std::string(kSoCp932) + ".xml";
    const std::string path = Put(MadeOnDos(BuildTestZip({{name, "x"}})));
    EXPECT_EQ(Walk(path).outcome, DemWalkOutcome::kCompleted);
    EXPECT_EQ(m_sink.names, std::vector<std::string>{path + ":" + NativeFromCp932(name)});
    EXPECT_EQ(m_sink.fileNames, std::vector<std::string>{name});
}

TEST_F(DemArchiveTest, FlaggedNamesAreConvertedToCp932) {
    const std::vector<uint8_t> inner = BuildTestZip({{std::string(kTestCp932) + ".xml", "in"}});
    const std::vector<uint8_t> zip =
        BuildTestZip({{std::string("dir/") + kTestUtf8 + ".xml", "x"},
                      {std::string(kTestUtf8) + ".zip", AsText(inner)}},
                     true);
    ASSERT_TRUE(FirstNameFlaggedUtf8(zip));
    const std::string path = Put(zip);
    const std::string test = kTestCp932;
    const std::string shown = NativeFromCp932(test);
    const std::vector<std::string> expected{path + ":dir/" + shown + ".xml",
                                            path + ":" + shown + ".zip:" + shown + ".xml"};
    EXPECT_EQ(Walk(path).outcome, DemWalkOutcome::kCompleted);
    EXPECT_EQ(m_sink.names, expected);
    EXPECT_EQ(m_sink.fileNames[0], test + ".xml");
}

TEST_F(DemArchiveTest, ExtensionsInAnyCaseFoldersSilentOtherMembersWarned) {
    const std::vector<uint8_t> inner = BuildTestZip({{"b.Xml", "b"}});
    const std::string path = Put(BuildTestZip({{"dir/", "", true},
                                               {"dir/a.XML", "a"},
                                               {"readme.txt", "r"},
                                               {"FG-GML-map.gml", "g"},
                                               {"in.ZIP", AsText(inner)},
                                               {"xml", "n"}}));
    EXPECT_EQ(Walk(path).outcome, DemWalkOutcome::kCompleted);
    EXPECT_EQ(m_sink.names,
              (std::vector<std::string>{path + ":dir/a.XML", path + ":in.ZIP:b.Xml"}));
    EXPECT_EQ(m_sink.warnings,
              (std::vector<std::string>{
                  path + ":readme.txt: neither a DEM file (.xml) nor a zip: skipped",
                  path + ":FG-GML-map.gml: neither a DEM file (.xml) nor a zip: skipped",
                  path + ":xml: neither a DEM file (.xml) nor a zip: skipped"}));
}

// What Mac OS adds to a zip and beside files: a DEM's name, no DEM.
TEST_F(DemArchiveTest, MacOsResourceDataIsPassedOverWithAWarning) {
    const std::string path = Put(BuildTestZip({{"a.xml", "a"},
                                               {"__MACOSX/", "", true},
                                               {"__MACOSX/._a.xml", Noise(100)},
                                               {"dl/__MACOSX/b.xml", Noise(100)},
                                               {"._c.xml", Noise(100)}}));
    EXPECT_EQ(Walk(path).outcome, DemWalkOutcome::kCompleted);
    EXPECT_EQ(m_sink.names, (std::vector<std::string>{path + ":a.xml"}));
    const std::string skipped = ": Mac OS resource data, no DEM file: skipped";
    EXPECT_EQ(m_sink.warnings, (std::vector<std::string>{path + ":__MACOSX/._a.xml" + skipped,
                                                         path + ":dl/__MACOSX/b.xml" + skipped,
                                                         path + ":._c.xml" + skipped}));
    m_sink.warnings.clear();
    const std::string beside = Put(BuildTestZip({}), "._a.zip");
    EXPECT_EQ(WalkDemSources({{beside, true}, {path, true}}, m_sink, m_options).outcome,
              DemWalkOutcome::kCompleted);
    EXPECT_EQ(m_sink.warnings.front(), beside + skipped);

    // Beside files in a folder whose UTF-8 name, read as code page 932,
    // would run over the separator: "あ" is E3 81 82.
    m_sink = Recorder();
    const std::string folder = "\xE3\x81\x82";
    std::filesystem::create_directory(m_dir / folder);
    const std::string hidden = Put(BuildTestZip({}), folder + "/._a.zip");
    const std::string dem = Put({'d'}, folder + "/b.xml");
    EXPECT_EQ(WalkDemSources({{hidden, true}, {dem, false}}, m_sink, m_options).outcome,
              DemWalkOutcome::kCompleted);
    EXPECT_EQ(m_sink.warnings, (std::vector<std::string>{hidden + skipped}));
    EXPECT_EQ(m_sink.fileNames, (std::vector<std::string>{"b.xml"}));
}

TEST_F(DemArchiveTest, StopIsAskedBetweenMembersAndWhileInflating) {
    const std::string path =
        Put(BuildTestZip({{"a.xml", "a"}, {"b.xml", std::string(1 << 20, 'b')}}));
    int asked = 0;
    m_options.stopRequested = [&] { return m_sink.names.size() == 1; };
    EXPECT_EQ(Walk(path).outcome, DemWalkOutcome::kStopped);
    EXPECT_EQ(m_sink.names.size(), 1u);

    // Before the first member, then once per 64 KiB: the tenth ask falls in
    // the middle of the second member.
    m_sink = Recorder();
    m_options.stopRequested = [&] { return ++asked == 10; };
    EXPECT_EQ(Walk(path).outcome, DemWalkOutcome::kStopped);
    EXPECT_EQ(m_sink.names.size(), 1u);
    EXPECT_EQ(asked, 10);
}

TEST_F(DemArchiveTest, ProgressCountsTheOuterFileUpToItsLength) {
    const std::vector<uint8_t> zip =
        BuildTestZip({{"a.xml", std::string(300000, 'a')}, {"in.zip", AsText(Nested(2))}});
    const std::string path = Put(zip);
    std::vector<uint64_t> seen;
    m_options.progress = [&](uint64_t read, uint64_t total) {
        EXPECT_EQ(total, zip.size());
        EXPECT_LE(read, total);
        if (!seen.empty()) {
            EXPECT_GE(read, seen.back());
        }
        seen.push_back(read);
    };
    EXPECT_EQ(Walk(path).outcome, DemWalkOutcome::kCompleted);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), zip.size());
}

}  // namespace
