#pragma once

// What zelvorin-correct says of a correction run once it has ended: the
// exit status and the note of how it ended, the result line, the report's
// rows of a DEM run and the picture.
#include <string>

#include "correction/CorrectMap.h"
#include "dem/DemPlan.h"
#include "dem/DemSquares.h"
#include "report/RunReport.h"
#include "tools/CommandLine.h"
#include "tools/ConsoleUi.h"

// The exit status of the run's result, its note of how it ended on ui;
// program names the tool in a hint to restore.
int ExitStatusFor(const CorrectionResult& result, const CommandLine& line,
                  const std::string& program, CConsoleUi& ui, bool dem);

// True when the run read the map's index: its result says how many files
// it applied, however it ended.
bool ReadTheIndex(CorrectionOutcome outcome);

// The result line of a run of mesh files, in system text, however it ended.
std::string ResultLine(int applied, bool dryRun);

// Writes the picture of the run, with the land around the change as the map
// now holds it; false, with a note, when it cannot be written. Where the run
// wrote no cell there is no picture, and no older picture is left at its
// path to be taken for one; anything else there (a file that is no picture,
// a device, a FIFO) is left as it is.
bool WritePicture(const CommandLine& line, CRunReport& report, bool anyCell);

// The table's rows of a DEM run: every file applied, with the squares it
// fed and the cells it gave their value; after a run that ended early, the
// files that fed a square written.
void WriteDemRows(const DemPlan& plan, const CDemSquares& squares, bool completed,
                  CRunReport& report);

// The result line of a DEM run: the squares written and the files they
// came from.
std::string DemResultLine(const DemPlan& plan, const CDemSquares& squares, bool dryRun);
