#pragma once

// What the terminal tools (zelvorin-correct, zelvorin-mem) do alike: the
// statuses they share, the word and status of a stop request, --help and
// --version, and a usage error.
#include <optional>
#include <string>

#include "dem/DatumShift.h"

constexpr int kExitCompleted = 0;
constexpr int kExitNotWritten = 1;      // --help or --version could not be written
constexpr int kExitUsage = 2;           // wrong arguments or an unknown option
constexpr int kExitUnusableSource = 6;  // a mesh or DEM file could not be used
constexpr int kExitInterrupted = 130;   // 128 + 2, as a shell reports SIGINT
constexpr int kExitTerminated = 143;    // 128 + 15, as a shell reports SIGTERM

// The exit status of a run that a stop request ended, and the word for it
// (system text).
int StoppedStatus();
std::string StoppedWord();

// Writes a line of the tool's own (system text) to standard error.
void Tell(const std::string& text);

// Prints --help or --version (system text) to standard output; kExitCompleted,
// or kExitNotWritten, with a note naming the tool, when it cannot be written.
int PrintInfo(const std::string& tool, const std::string& text);

// A usage error: "tool: error", the synopsis and where to read more (the
// program as the user called it); returns kExitUsage.
int UsageFailure(const std::string& tool, const std::string& program, const std::string& synopsis,
                 const std::string& error);

// The datum --map-datum names: "tokyo" or "jgd"; empty for anything else.
std::optional<MapDatum> MapDatumNamed(const std::string& name);
