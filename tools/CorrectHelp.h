#pragma once

#include <string>

// zelvorin-correct's help: the command's forms after usage ("Usage: " in the
// English help, in the user's language after a usage error), program being
// the name it was started by; and the rest of --help, English only.
std::string CorrectSynopsis(const std::string& program, const std::string& usage);
extern const char kCorrectDescription[];
