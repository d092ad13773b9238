#pragma once

#include "tools/CommandLine.h"

// zelvorin-correct --restore: puts the map back from the undo file, saying
// what it did or why it could not; the exit status. Ctrl-C or SIGTERM stops
// it between blocks, and the same restore run again completes it.
int RestoreFromUndo(const CommandLine& line);
