#pragma once

#include <cstdio>
#include <string>

// What a stream opened for update (std::tmpfile) holds, from its start.
inline std::string StreamText(FILE* stream) {
    std::fflush(stream);
    std::rewind(stream);
    std::string text;
    for (int c; (c = std::fgetc(stream)) != EOF;) text += static_cast<char>(c);
    return text;
}
