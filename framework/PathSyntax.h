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
