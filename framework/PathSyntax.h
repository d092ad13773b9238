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

// The encoding of paths, and of every text that the framework takes from
// the system or hands to it with them (the names a directory search finds,
// the system's descriptions of errors), called system text below:
// - POSIX: the bytes as the system holds them, shown as they are (the
//   locale's encoding).
// - Windows: by default the ANSI code page, code page 932 on a Japanese
//   system, in which the plug-in's host hands its paths over. A terminal
//   program started at the wide entry point (framework/ProgramMain.h) has
//   them in UTF-8 instead, so that every name Windows allows can be spelt.
//   The Win32 backend converts them to UTF-16 and calls the wide functions.
// Program text, the code page 932 messages, is another encoding: a message
// that holds a path is made in system text (NativeFromCp932 in Console.h).

// The syntax of this build's paths in their encoding: on Windows a code
// page 932 path may hold a second byte equal to the separator, a UTF-8 one
// never does.
PathSyntax NativePaths();
