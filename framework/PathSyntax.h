#pragma once

// How paths are written: the separator between a directory and a name, and
// whether a byte may start a double-byte character (the Windows build's
// paths are code page 932, where a trail byte can equal the separator).
struct PathSyntax {
    char separator;
    bool doubleByteNames;
};

constexpr PathSyntax kWindowsPaths{'\\', true};
constexpr PathSyntax kPosixPaths{'/', false};

#ifdef _WIN32
constexpr PathSyntax kNativePaths = kWindowsPaths;
#else
constexpr PathSyntax kNativePaths = kPosixPaths;
#endif

// Lead bytes of double-byte characters in code page 932.
inline bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
