#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "correction/CorrectionUi.h"
#include "elevation/MeshGrid.h"
#include "framework/AlignedBuffer.h"
#include "framework/Exception.h"

namespace fs = std::filesystem;

// Seconds per pass: the best of `rounds` rounds of at least `minimum`
// seconds each, so that a busy neighbour on a shared machine spoils few
// figures. With cpu, also the processor time per pass of this process in
// the best round, which busy neighbours disturb less.
double TimePerPass(const std::function<void()>& pass, double minimum = 0.2, int rounds = 5,
                   double* cpu = nullptr);

// Seconds of the fastest pass of each of passes, taken in turn: rounds of
// at least `minimum` seconds of each pass, one after another. A busy spell
// of a shared machine then falls on all of them alike instead of spoiling
// one figure, and the fastest pass is the one it spared, so that figures to
// be set side by side stay comparable.
std::vector<double> TimePerPassInTurn(const std::vector<std::function<void()>>& passes,
                                      double minimum = 0.1, int rounds = 9);

void WriteText(const fs::path& path, const std::string& text);

// Mesh files of terrain-like values, one per code, named by the code.
std::vector<std::string> MakeMeshFiles(const fs::path& dir, const std::vector<int32_t>& codes);

// The reader the file's description suggests: stdio lines, each field
// copied out and converted with atoi.
int32_t AtoiReadMesh(const std::string& path, MeshGrid& grid);

// Reads a whole file through the file layer without looking at its bytes.
uint64_t PlainRead(const std::string& path, CAlignedBuffer& buffer);

// A run's surroundings that show nothing but errors.
class CSilentUi final : public ICorrectionUi {
  public:
    void ShowMessage(const std::string&, MessageKind) override {}
    void ShowError(const CException& e) override;
    void OpenProgress() override {}
    void SetFileName(const std::string&) override {}
    void SetPos(int) override {}
    void Pump() override {}
    bool AbortRequested() const override { return false; }
    void CloseProgress() override {}
};

// The whole correction beside its I/O floor and its own limit, what each
// option of the tool costs, and the tool's peak memory.
void CorrectionBenchmark(const fs::path& work);
void OptionsBenchmark(const fs::path& work);
void MemoryBenchmark(const fs::path& work);

// A correction from the national DEM's zips beside the same zips inflated,
// and the parts of its time.
void DemBenchmark(const fs::path& work);
// Peak memory of both programs' DEM runs, the zips in a zip read from
// temporary files beside the same zips read in memory.
void DemMemoryBenchmark(const fs::path& work);

// Runs argv (a program and its arguments, null-terminated) with its output
// thrown away and returns its peak resident memory in KB, -1 when it could
// not be started.
long PeakOf(char** argv);
// The peak resident memory, in MB, of the program run with args, in a fresh
// copy of this one (--peak-of) that reports on it into report.
double PeakMegabytes(const fs::path& report, std::vector<std::string> args);
