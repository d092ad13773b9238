#pragma once

#include <string>
#include <string_view>

#include "framework/PathSyntax.h"

// Appends name to the directory path dir with exactly one separator between
// them: one is added unless dir already ends in one, and a separator at the
// start of name is dropped. An empty dir gets no separator, so the name
// stands relative to the current directory. In double-byte paths a trailing
// separator byte that is the second byte of a character does not count.
void AppendPath(std::string& dir, std::string_view name, PathSyntax syntax = NativePaths());
