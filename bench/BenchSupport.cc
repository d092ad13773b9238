#include "bench/BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

#include "elevation/MeshReader.h"
#include "framework/File.h"
#include "samples/SampleMesh.h"

namespace {

using Clock = std::chrono::steady_clock;

// Terrain-like tenths with sea (-9999), small depths and high ground.
int Tenths(int code, int record, int j) {
    const int v = static_cast<int>(std::lround(5000 + 4000 * std::sin((record + code % 97) * 0.05) *
                                                          std::cos((j + code % 89) * 0.04)));
    if (j < 3) return -9999;
    return v - 1200;
}

}  // namespace

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double TimePerPass(const std::function<void()>& pass, double minimum, int rounds, double* cpu) {
    pass();  // warm the page cache and the allocator
    double best = 1e30;
    for (int round = 0; round < rounds; ++round) {
        int passes = 0;
        const auto start = Clock::now();
        const std::clock_t startCpu = std::clock();
        double elapsed = 0;
        do {
            pass();
            ++passes;
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        } while (elapsed < minimum);
        if (elapsed / passes < best) {
            best = elapsed / passes;
            if (cpu != nullptr)
                *cpu = static_cast<double>(std::clock() - startCpu) / CLOCKS_PER_SEC / passes;
        }
    }
    return best;
}

std::vector<double> TimePerPassInTurn(const std::vector<std::function<void()>>& passes,
                                      double minimum, int rounds) {
    for (const auto& pass : passes) pass();  // warm the page cache and the allocator
    std::vector<double> best(passes.size(), 1e30);
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < passes.size(); ++i) {
            const auto start = Clock::now();
            for (auto at = start; at - start < std::chrono::duration<double>(minimum);) {
                passes[i]();
                const auto now = Clock::now();
                best[i] = std::min(best[i], std::chrono::duration<double>(now - at).count());
                at = now;
            }
        }
    }
    return best;
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> MakeMeshFiles(const fs::path& dir, const std::vector<int32_t>& codes) {
    fs::create_directories(dir);
    std::vector<std::string> paths;
    for (int32_t code : codes) {
        const fs::path path = dir / (std::to_string(code) + ".mem");
        WriteText(path, BuildMeshText(code, AllMeshRecords(),
                                      [&](int r, int j) { return Tenths(code, r, j); }));
        paths.push_back(path.string());
    }
    return paths;
}

int32_t AtoiReadMesh(const std::string& path, MeshGrid& grid) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (f == nullptr) return -1;
    for (int16_t& cell : grid.cells) cell = kNoElevation;
    char line[2048];
    if (std::fgets(line, sizeof line, f) == nullptr) {
        std::fclose(f);
        return -1;
    }
    line[6] = '\0';
    const int32_t code = std::atoi(line);
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strlen(line) < 1009) continue;
        const int record = 100 * (line[6] - '0') + 10 * (line[7] - '0') + (line[8] - '0');
        if (record < 1 || record > 200) continue;
        for (int j = 0; j < 200; ++j) {
            char field[6];
            std::memcpy(field, line + 9 + 5 * j, 5);
            field[5] = '\0';
            grid.cells[(200 - record) * 200 + j] =
                static_cast<int16_t>((std::atoi(field) + 5) / 10);
        }
    }
    std::fclose(f);
    return code;
}

uint64_t PlainRead(const std::string& path, CAlignedBuffer& buffer) {
    auto file = OpenFile(path, FileAccess::kReadShared);
    uint64_t total = 0;
    for (uint32_t n; (n = file->Read(buffer.Data(), static_cast<uint32_t>(buffer.Size()))) > 0;)
        total += n;
    return total;
}

void CSilentUi::ShowError(const CException& e) { std::fprintf(stderr, "error: %s\n", e.what()); }
