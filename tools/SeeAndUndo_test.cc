// zelvorin-correct's dry run, report, picture and undo, as a user runs them:
// the statuses, the words on each stream, the files and the map's bytes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "elevation/DcmLayout.h"
#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"
#include "testsupport/PngPixels.h"
#include "testsupport/TestFolder.h"
#include "undo/UndoFormat.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status;
    std::string out, err;
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A map of the four tiles (0, 0), (1, 0), (0, 1), (1, 1) at the sample
// origin, every cell stored as 7 (6 m).
class SeeAndUndoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SampleMapLayout layout;
        layout.tiles = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
        const auto map = BuildSampleMap(layout, [](size_t, int) { return int16_t{7}; });
        m_original.assign(map.begin(), map.end());
        std::ofstream(MapPath(), std::ios::binary) << m_original;
    }

    std::string MapPath() const { return (m_dir / "map.dcm").string(); }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    // A mesh file whose cells hold metres(row, column), rows from the north.
    std::string Mesh(const std::string& name, int32_t code, int (*metres)(int, int)) {
        std::ofstream(Path(name), std::ios::binary) << BuildMeshText(
            code, AllMeshRecords(), [=](int r, int j) { return metres(r, j) * 10; });
        return Path(name);
    }
    RunResult Run(const std::string& args) {
        const std::string command = "LC_ALL=C.UTF-8 " ZELVORIN_CORRECT " " + args + " >" +
                                    Path("out") + " 2>" + Path("err") + " </dev/null";
        const int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw)) << command;
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadText(Path("out")),
                ReadText(Path("err"))};
    }
    std::string Map() const { return ReadText(MapPath()); }

    CTestFolder m_folder;
    const fs::path& m_dir = m_folder.Path();
    std::string m_original;
};

int Six(int, int) { return 6; }
int Diagonal(int record, int j) { return record - 1 == j ? 50 : 6; }

TEST_F(SeeAndUndoTest, ReportCountsWhatEachMeshDidAndWarnsOfThoseThatDidNothing) {
    // 523940: corner (0, 0), wholly in tile (0, 0); the same values as the
    // map but a diagonal, then the same mesh again.
    const std::string diagonal = Mesh("a.mem", 523940, Diagonal);
    // 523943: corner (600, 0), 40 columns in tile (1, 0), the rest in (2, 0),
    // which is not listed.
    const std::string straddling = Mesh("b.mem", 523943, Diagonal);
    const std::string unlisted = Mesh("c.mem", 523944, Six);         // (800, 0): tile (2, 0)
    const std::string outside = Mesh("d.mem", 513800, Six);          // far south-west
    const std::string oddCode = Mesh("e.mem", 523989, Six);          // digits 8 and 9
    std::ofstream(Path("f.mem"), std::ios::binary) << "523940\r\n";  // no record line
    // A second-level code whose last digit is 7, in a name that needs quotes.
    const std::string quoted = Mesh("g\t\"q\".mem", 523947, Six);
    const RunResult r = Run("--report " + Path("r.tsv") + " " + MapPath() + " " + diagonal + " " +
                            diagonal + " " + straddling + " " + unlisted + " " + outside + " " +
                            oddCode + " " + Path("f.mem") + " '" + quoted + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(Path("r.tsv")),
              "file\tmesh\ttiles\tcells\tchanged\n" + diagonal +
                  "\t523940\t1\t40000\t200\n" +           // 200 cells of 51 over 7
                  diagonal + "\t523940\t1\t40000\t0\n" +  // nothing new the second time
                  straddling + "\t523943\t1\t8000\t40\n" + unlisted + "\t523944\t0\t0\t0\n" +
                  outside + "\t513800\t0\t0\t0\n" + oddCode + "\t523989\t0\t0\t0\n" +
                  Path("f.mem") + "\t523940\t1\t40000\t40000\n" + "\"" + Path("g\t\"\"q\"\".mem") +
                  "\"\t523947\t0\t0\t0\n");
    // East of every tile the map lists: outside it, though its key is valid.
    EXPECT_NE(r.err.find(unlisted + " wrote no cell: its square lies outside the map"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(outside + " wrote no cell: its square lies outside the map"),
              std::string::npos);
    EXPECT_NE(r.err.find("523989 is not a second-level mesh code"), std::string::npos);
    EXPECT_EQ(r.err.find("523947 is not"), std::string::npos);
    EXPECT_NE(r.err.find(Path("f.mem") + " holds no record line"), std::string::npos);
    EXPECT_EQ(r.err.find(diagonal + " wrote no cell"), std::string::npos);
    // Each cell once: f.mem's square holds a.mem's, and differs from before
    // in every cell.
    EXPECT_NE(r.err.find(std::to_string(40000 + 40) + " cells changed in 2 tiles"),
              std::string::npos)
        << r.err;
}

TEST_F(SeeAndUndoTest, DryRunLeavesTheMapAndReportsWhatTheRealRunDoes) {
    const std::string a = Mesh("a.mem", 523940, Diagonal);
    const std::string b = Mesh("b.mem", 523941, Six);
    const std::string files = MapPath() + " " + a + " " + b + " " + a;
    const RunResult dry = Run("--dry-run --report " + Path("dry.tsv") + " --picture " +
                              Path("dry.png") + " " + files);
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(Map(), m_original);
    EXPECT_NE(dry.err.find("dry run"), std::string::npos);
    const RunResult real =
        Run("--report " + Path("real.tsv") + " --picture " + Path("real.png") + " " + files);
    EXPECT_EQ(real.status, 0);
    EXPECT_NE(Map(), m_original);
    EXPECT_EQ(ReadText(Path("dry.tsv")), ReadText(Path("real.tsv")));
    EXPECT_EQ(ReadText(Path("dry.png")), ReadText(Path("real.png")));
    const std::string png = ReadText(Path("real.png"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    const int width =
        (static_cast<unsigned char>(png[18]) << 8) | static_cast<unsigned char>(png[19]);
    EXPECT_LE(width, 1600);
}

TEST_F(SeeAndUndoTest, FilesBesideTheMapAreCheckedBeforeItIsTouched) {
    const std::string a = Mesh("a.mem", 523940, Diagonal);
    std::ofstream(Path("taken.undo")) << "x";
    struct Case {
        std::string options;
        int status;
        std::string words;
    } cases[] = {
        {"--undo " + Path("taken.undo"), 8, "File exists"},
        {"--undo " + Path("no/such.undo"), 8, "No such file"},
        {"--report " + Path("no/such.tsv"), 9, "No such file"},
        {"--picture " + Path("no/such.png"), 9, "No such file"},
        {"--undo " + Path("fresh.undo") + " --picture " + Path("no/such.png"), 9, "picture"},
        {"--dry-run --undo " + Path("fresh.undo"), 2, "dry run"},
        {"--frobnicate", 2, "Usage"},
        // An output that is the map, a mesh file or another output.
        {"--report " + MapPath(), 9, "would overwrite the map"},
        {"--picture " + a, 9, "would overwrite the mesh file"},
        {"--undo " + Path("fresh.undo") + " --report " + Path("fresh.undo"), 9,
         "would overwrite the undo file"},
        {"--restore " + Path("taken.undo") + " -n", 2, "no other option"},
    };
    for (const Case& c : cases) {
        const RunResult r = Run(c.options + " " + MapPath() + " " + a);
        EXPECT_EQ(r.status, c.status) << c.options << ": " << r.err;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << c.options << ": " << r.err;
        EXPECT_EQ(Map(), m_original) << c.options;
        EXPECT_FALSE(fs::exists(Path("fresh.undo"))) << "left behind by " << c.options;
    }
    EXPECT_EQ(ReadText(Path("taken.undo")), "x");

    // The same by other names, and mesh files found in a folder.
    fs::create_directory(Path("mesh"));
    fs::copy_file(a, Path("mesh/523940.mem"));
    const std::string meshText = ReadText(Path("mesh/523940.mem"));
    fs::create_hard_link(MapPath(), Path("linked.dcm"));
    fs::create_symlink("fresh.undo", Path("dangling.undo"));
    std::ofstream(Path("kept.tsv")) << "kept";
    const struct {
        std::string options;
        int status;
        std::string words;
    } folderCases[] = {
        {"--picture " + Path("mesh/523940.mem"), 9, "would overwrite the mesh file"},
        {"--report " + Path("mesh/../mesh/./523940.mem"), 9, "would overwrite the mesh file"},
        {"--undo " + Path("mesh/523940.mem"), 8, "would overwrite the mesh file"},
        {"--report " + Path("linked.dcm"), 9, "would overwrite the map"},
        {"--undo " + Path("fresh.undo") + " --picture " + Path("./fresh.undo"), 9,
         "would overwrite the undo file"},
        // Neither exists yet: one is a link that leads to the other.
        {"--undo " + Path("fresh.undo") + " --report " + Path("dangling.undo"), 9,
         "would overwrite the undo file"},
        // Not there yet, but the run would find them in the folder and read them.
        {"--report " + Path("mesh/new.mem"), 9, "where the run would read it"},
        {"--undo " + Path("mesh/NEW.MEM"), 8, "where the run would read it"},
        {"--undo ''", 2, "needs a file name"},
        // The picture is checked first: a refused run leaves the report as it was.
        {"--report " + Path("kept.tsv") + " --picture " + Path("no/such.png"), 9, "picture"},
    };
    for (const auto& c : folderCases) {
        const RunResult r = Run(c.options + " " + MapPath() + " " + Path("mesh"));
        EXPECT_EQ(r.status, c.status) << c.options << ": " << r.err;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << c.options << ": " << r.err;
        EXPECT_EQ(Map(), m_original) << c.options;
        EXPECT_EQ(ReadText(Path("mesh/523940.mem")), meshText) << c.options;
        EXPECT_FALSE(fs::exists(Path("fresh.undo"))) << "left behind by " << c.options;
        EXPECT_FALSE(fs::exists(Path("mesh/new.mem")) || fs::exists(Path("mesh/NEW.MEM")))
            << "left behind by " << c.options;
    }
    EXPECT_EQ(ReadText(Path("kept.tsv")), "kept");

    // A report or picture that cannot be written is a failure of its own,
    // after the correction it was to describe.
    RunResult full = Run("--report /dev/full " + MapPath() + " " + a);
    EXPECT_EQ(full.status, 9) << full.err;
    EXPECT_NE(full.err.find("cannot write the report"), std::string::npos) << full.err;
    full = Run("--picture /dev/full " + MapPath() + " " + a);
    EXPECT_EQ(full.status, 9) << full.err;
    EXPECT_NE(full.err.find("cannot write the picture"), std::string::npos) << full.err;

    // A listed mesh file that an output would create before the run reads
    // it, by its name or through a link.
    fs::create_symlink("zz.mem", Path("zz-link.mem"));
    const std::string before = Map();
    for (const std::string& listed : {Path("zz.mem"), Path("zz-link.mem")}) {
        const RunResult r =
            Run("--undo " + Path("zz.mem") + " " + MapPath() + " " + a + " " + listed);
        EXPECT_EQ(r.status, 8) << listed << ": " << r.err;
        EXPECT_NE(r.err.find("would overwrite the mesh file"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(Path("zz.mem")));
        EXPECT_TRUE(Map() == before) << "the map is untouched";
    }

    // A picture through a link to a file not made yet lands at the link's
    // target, and the link stays.
    fs::create_symlink(Path("target.png"), Path("link.png"));
    const RunResult linked = Run("--picture " + Path("link.png") + " " + MapPath() + " " + a);
    EXPECT_EQ(linked.status, 0) << linked.err;
    EXPECT_TRUE(fs::is_symlink(Path("link.png")));
    EXPECT_EQ(ReadText(Path("target.png")).substr(1, 3), "PNG");

    // A map that cannot be opened leaves no undo file that would refuse the
    // next try.
    const RunResult missing =
        Run("--undo " + Path("fresh.undo") + " " + Path("none.dcm") + " " + a);
    EXPECT_EQ(missing.status, 3) << missing.err;
    EXPECT_FALSE(fs::exists(Path("fresh.undo")));
}

TEST_F(SeeAndUndoTest, RestoreUndoesTheRunAndRefusesAnotherMap) {
    const std::string a = Mesh("a.mem", 523940, Diagonal);
    ASSERT_EQ(Run("--undo " + Path("u") + " " + MapPath() + " " + a).status, 0);
    const std::string corrected = Map();
    ASSERT_NE(corrected, m_original);

    std::string other = m_original;
    other[SampleIndexOffset() + 4] ^= 1;
    std::ofstream(Path("other.dcm"), std::ios::binary) << other;
    RunResult r = Run("--restore " + Path("u") + " " + Path("other.dcm"));
    EXPECT_EQ(r.status, 8);
    EXPECT_EQ(ReadText(Path("other.dcm")), other);

    r = Run("--restore " + Path("u") + " " + MapPath());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Map(), m_original);
    EXPECT_EQ(Run("--restore " + Path("missing") + " " + MapPath()).status, 8);
}

TEST_F(SeeAndUndoTest, TheSampleCorrectionIsDrawnPixelForPixelAsTheReadmeShowsIt) {
    // The picture is drawn faster than it was when the README's picture was
    // made; every pixel stays the same.
    ASSERT_EQ(std::system((ZELVORIN_SAMPLE " " + Path("sample") + " >/dev/null").c_str()), 0);
    const RunResult r = Run("--picture " + Path("sample.png") + " " + Path("sample/sample.dcm") +
                            " " + Path("sample/mesh"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<uint8_t> drawn = PngPixels(Path("sample.png"));
    ASSERT_FALSE(drawn.empty());
    EXPECT_TRUE(drawn == PngPixels(ZELVORIN_SOURCE_DIR "/docs/sample-correction.png"));
}

// An undo file of format 2, made by 1.0.0 over the sample map corrected
// with the sample's mesh file 523953, kept in the tree.
TEST_F(SeeAndUndoTest, AnUndoFileOf100StillRestoresAndItsRefusalSaysWhyForceMayBeRight) {
    ASSERT_EQ(std::system((ZELVORIN_SAMPLE " " + Path("sample") + " >/dev/null").c_str()), 0);
    const std::string undo = Path("format2.undo");
    ASSERT_EQ(std::system(("gzip -dc " ZELVORIN_SOURCE_DIR
                           "/undo/testdata/sample-523953-format2.undo.gz >" +
                           undo)
                              .c_str()),
              0);
    const std::string map = Path("sample/sample.dcm");
    const std::string original = ReadText(map);
    ASSERT_EQ(Run(map + " " + Path("sample/mesh/523953.mem")).status, 0);
    const std::string corrected = ReadText(map);
    // A byte the run wrote, changed since to what neither held.
    size_t at = 0;
    while (corrected[at] == original[at]) ++at;
    std::string changed = corrected;
    changed[at] = static_cast<char>(original[at] ^ corrected[at] ^ 0x80);
    std::ofstream(map, std::ios::binary) << changed;
    RunResult r = Run("--restore " + undo + " " + map);
    EXPECT_EQ(r.status, 8);
    EXPECT_NE(r.err.find("the undo files' first format, which a power loss during the run can"),
              std::string::npos)
        << r.err;
    std::ofstream(map, std::ios::binary) << corrected;
    r = Run("--restore " + undo + " " + map);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadText(map) == original);
}

// An undo file left so by a run stopped before it read the map: restore
// says there is nothing to do, and the same command takes its name again.
TEST_F(SeeAndUndoTest, AnUndoFileWhoseRunNeverReadTheMapRestoresNothingAndIsTakenAgain) {
    const std::vector<uint8_t> head = EncodeUndoHead();
    std::ofstream(Path("u"), std::ios::binary) << std::string(head.begin(), head.end());
    RunResult r = Run("--restore " + Path("u") + " " + MapPath());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("nothing to restore"), std::string::npos) << r.out;
    EXPECT_EQ(Map(), m_original);
    r = Run("--undo " + Path("u") + " " + MapPath() + " " + Mesh("a.mem", 523940, Diagonal));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(Map(), m_original);
    EXPECT_EQ(Run("--restore " + Path("u") + " " + MapPath()).status, 0);
    EXPECT_EQ(Map(), m_original);
}

}  // namespace
