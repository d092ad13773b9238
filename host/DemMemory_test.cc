// The plug-in's memory on a download larger than the host's address space:
// a zip of zips that inflates to 2.7 GB, its inner zips each over the share
// read in memory. In a process of its own, so that the peak is the run's.
#include <windows.h>
#include <gtest/gtest.h>
#include <psapi.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "dem/DemArchive.h"
#include "dem/DemSample.h"
#include "samples/SampleMap.h"
#include "testhost/DialogRobot.h"
#include "testhost/HostControl.h"
#include "testhost/LoadedPlugin.h"
#include "testhost/MessageBoxRecorder.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

constexpr int kInnerZips = 3;
constexpr int kMembersPerZip = 60;
constexpr uint64_t kBound = uint64_t{256} << 20;

// One member, deflated once, with what its zip entries record.
struct Deflated {
    std::vector<uint8_t> bytes;
    uint32_t crc = 0;
    uint32_t size = 0;
};

// A 10 m DEM file of gentle slopes, about 15 MB, deflated as it is made so
// that the test itself never holds it.
Deflated DeflatedDem() {
    DemSample sample = DemSampleOf(DemProduct::k10B);
    sample.tuples = 0;
    const std::string empty = BuildDemGml(sample);
    const size_t tail = empty.find("</gml:tupleList>");
    z_stream z = {};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    Deflated out;
    std::vector<uint8_t> chunk(1 << 16);
    const auto feed = [&](const std::string& text, int flush) {
        out.crc = crc32(out.crc, reinterpret_cast<const Bytef*>(text.data()),
                        static_cast<uInt>(text.size()));
        out.size += static_cast<uint32_t>(text.size());
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
        z.avail_in = static_cast<uInt>(text.size());
        do {
            z.next_out = chunk.data();
            z.avail_out = static_cast<uInt>(chunk.size());
            deflate(&z, flush);
            out.bytes.insert(out.bytes.end(), chunk.data(), z.next_out);
        } while (z.avail_out == 0);
    };
    feed(empty.substr(0, tail), Z_NO_FLUSH);
    for (int32_t row = 0; row < sample.rows; ++row) {
        std::string line;
        for (int32_t column = 0; column < sample.columns; ++column) {
            const int32_t centimetres = 10000 + row / 4 * 7 + column / 4 * 3;
            line += DemTupleText(centimetres) + "\r\n";
        }
        feed(line, Z_NO_FLUSH);
    }
    feed(empty.substr(tail), Z_FINISH);
    deflateEnd(&z);
    return out;
}

// Writes a zip, one entry after another, and its directory at the end.
class CZipWriter {
  public:
    explicit CZipWriter(const fs::path& path) : m_out(path, std::ios::binary) {}

    // An entry whose data the caller writes next with Data.
    void Entry(const std::string& name, uint16_t method, uint32_t crc, uint32_t packed,
               uint32_t size) {
        m_directory.push_back({name, method, crc, packed, size, m_offset});
        Header(0x04034b50, m_directory.back(), false);
    }
    void Data(const void* bytes, size_t count) {
        m_out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
        m_offset += static_cast<uint32_t>(count);
    }
    void Finish() {
        const uint32_t start = m_offset;
        for (const Record& record : m_directory) Header(0x02014b50, record, true);
        const auto count = static_cast<uint16_t>(m_directory.size());
        Put32(0x06054b50);
        Put16(0);
        Put16(0);
        Put16(count);
        Put16(count);
        Put32(m_offset - start);
        Put32(start);
        Put16(0);
        m_out.close();
    }

  private:
    struct Record {
        std::string name;
        uint16_t method;
        uint32_t crc, packed, size, offset;
    };
    void Put16(uint16_t v) {
        const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
        Data(b, 2);
    }
    void Put32(uint32_t v) {
        Put16(static_cast<uint16_t>(v));
        Put16(static_cast<uint16_t>(v >> 16));
    }
    void Header(uint32_t signature, const Record& r, bool central) {
        Put32(signature);
        if (central) Put16(20);
        for (uint16_t v : {uint16_t{20}, uint16_t{0}, r.method, uint16_t{0}, uint16_t{0x5821}})
            Put16(v);
        for (uint32_t v : {r.crc, r.packed, r.size}) Put32(v);
        Put16(static_cast<uint16_t>(r.name.size()));
        Put16(0);
        if (central) {
            for (int i = 0; i < 4; ++i) Put16(0);  // comment, disk, internal, external
            Put16(0);
            Put32(r.offset);
        }
        Data(r.name.data(), r.name.size());
    }

    std::ofstream m_out;
    std::vector<Record> m_directory;
    uint32_t m_offset = 0;
};

// The DEM pack: kInnerZips zips of kMembersPerZip copies of one member, each
// under a name of its own, in one zip. Returns the bytes inflated in all.
uint64_t WritePack(const fs::path& folder) {
    const Deflated member = DeflatedDem();
    const fs::path innerPath = folder / "inner.tmp";
    {
        CZipWriter inner(innerPath);
        for (int i = 0; i < kMembersPerZip; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "dem%03d.xml", i);
            inner.Entry(name, 8, member.crc, static_cast<uint32_t>(member.bytes.size()),
                        member.size);
            inner.Data(member.bytes.data(), member.bytes.size());
        }
        inner.Finish();
    }
    // The inner zip's own checksum, read back in chunks.
    std::vector<char> chunk(1 << 20);
    uint32_t crc = 0;
    uint32_t size = 0;
    {
        std::ifstream in(innerPath, std::ios::binary);
        while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) ||
               in.gcount() > 0) {
            crc = crc32(crc, reinterpret_cast<const Bytef*>(chunk.data()),
                        static_cast<uInt>(in.gcount()));
            size += static_cast<uint32_t>(in.gcount());
        }
    }
    CZipWriter outer(folder / "pack.zip");
    for (int z = 0; z < kInnerZips; ++z) {
        outer.Entry("inner" + std::to_string(z) + ".zip", 0, crc, size, size);
        std::ifstream in(innerPath, std::ios::binary);
        while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0)
            outer.Data(chunk.data(), static_cast<size_t>(in.gcount()));
    }
    outer.Finish();
    fs::remove(innerPath);
    EXPECT_GT(size, kDemInnerInMemory) << "every inner zip goes through a temporary file";
    return uint64_t{member.size} * kMembersPerZip * kInnerZips;
}

PROCESS_MEMORY_COUNTERS Counters() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

// The most private bytes the process holds while it is watched, sampled
// every 5 ms beside the system's own peak: Wine keeps that peak no higher
// than the current figure.
class CPeakWatch {
  public:
    CPeakWatch()
        : m_thread([this] {
              while (!m_bDone) {
                  const PROCESS_MEMORY_COUNTERS c = Counters();
                  m_peak = std::max<uint64_t>({m_peak, c.PagefileUsage, c.PeakPagefileUsage});
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          }) {}
    ~CPeakWatch() { Stop(); }
    uint64_t Stop() {
        m_bDone = true;
        if (m_thread.joinable()) m_thread.join();
        return m_peak;
    }

  private:
    std::atomic<bool> m_bDone{false};
    std::atomic<uint64_t> m_peak{0};
    std::thread m_thread;
};

TEST(DemMemory, APackLargerThanTheAddressSpaceStaysWithinTheBound) {
    ASSERT_NE(Plugin().module, nullptr);
    TH_Reset();
    const VXP_MENUPROC command = InitAndLoad(9);
    ASSERT_NE(command, nullptr);
    const uint64_t loaded = Counters().PagefileUsage;

    CTestFolder folder;
    fs::create_directories(folder / "dem");
    SampleMapLayout layout;
    layout.tiles = {{3, 5}, {4, 5}};
    const std::vector<uint8_t> map = BuildSampleMap(layout, [](size_t, int) { return int16_t{5}; });
    const std::string mapPath = (folder / "map.dcm").string();
    std::ofstream(mapPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(map.data()), static_cast<std::streamsize>(map.size()));
    const uint64_t inflated = WritePack(folder / "dem");
    EXPECT_GE(inflated, uint64_t{2} << 30);

    const unsigned base = TH_AddMap(10, mapPath.c_str(), 0, 0, "G1.mgp");
    TH_AddView(TH_AddMap(10, mapPath.c_str(), 0, base, ""), 1.5, 2.5);
    TH_SetActiveView(1);
    MessageBoxRecorder::SetAnswer(IDYES);  // close the map; Tokyo if asked
    const std::string dem = (folder / "dem").string();
    DialogRobot robot("数値地図の訂正", [&](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, 8059), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(mapPath.c_str()));
        SendMessageA(GetDlgItem(dialog, 8060), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(dem.c_str()));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    CPeakWatch watch;
    command(100, 0, 0);
    const uint64_t peak = watch.Stop() - loaded;
    ASSERT_TRUE(robot.Finish());

    const auto& boxes = MessageBoxRecorder::Boxes();
    ASSERT_FALSE(boxes.empty());
    // Every copy but the last by its own name is passed over; its square
    // lands on two of the map's on Tokyo.
    EXPECT_EQ(boxes.back().text.rfind("1 個の DEM ファイルから 2 区画を訂正しました.", 0), 0u)
        << boxes.back().text;
    std::printf("peak private bytes beyond the loaded plug-in: %.1f MB for %.2f GB inflated\n",
                peak / 1e6, inflated / 1e9);
    EXPECT_LE(peak, kBound);
}

}  // namespace
