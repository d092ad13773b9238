#pragma once

#include <string>
#include <vector>

#include "dem/SourceList.h"

// The correction from the national DEM behind the dialog's OK, for a folder
// whose DEM files and zips are sources: the first look at them with the
// progress dialog, which ends the command with a message where they cannot
// be used; then the question and the map taken out of the views; the map
// opened, its datum found from the data or asked of the user; the run with
// the progress dialog; the count; and the map put back into the views. The
// host's messages are pumped throughout, and the abort button ends each
// step. Nothing is written before the datum is settled.
void RunDemCorrection(const char* dcmPath, const std::vector<DemSource>& sources);
