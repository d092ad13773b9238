#pragma once

// How many processors this process may run on: those of its affinity mask
// where the system has one, else std::thread::hardware_concurrency(); at
// least 1.
int UsableProcessors();
