#pragma once

#include <string_view>

// True when name matches a pattern of '*' (any run) and '?' (any one byte),
// comparing ASCII letters without regard to case.
bool MatchesWildcard(std::string_view pattern, std::string_view name);
