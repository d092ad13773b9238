#pragma once

#include <cstdio>
#include <string>

// A message of the host's from its printf format (code page 932) and the
// arguments; at most 2 KB.
template <typename... Args>
std::string HostText(const char* format, Args... args) {
    char text[2048];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}
