#!/usr/bin/env bash
# Fails, listing the lines, where a program opens or looks at a path past the
# framework's file-system face (framework/File.h, FileSystem.h, FindFile.h):
# the C++ library's file system and streams, the C library's fopen, stat and
# open, and the Win32 file functions that take ANSI names all read a user's
# path in the process's code page, which on Japanese Windows turns many
# names into others or throws. Only the backends in framework/posix and
# framework/win32 call them. Tests, what they share in testsupport/,
# benchmarks and fuzzers may: they never run on Windows or only on the
# test's own ASCII folders.
set -euo pipefail
cd "$(dirname "$0")/.."
calls='std::filesystem|<filesystem>|[io]?fstream'
calls+='|\b(fopen|_wfopen|freopen|stat|lstat|_stat|_wstat|open|_open|_wopen|_access|access)\s*\('
calls+='|std::(remove|rename)\s*\('
# The ANSI Win32 file functions, by their own names or by the names that
# mean them where UNICODE is not defined, as in every build here.
calls+='|\b(CreateFile|FindFirstFile|FindFirstFileEx|GetFileAttributes|GetFileAttributesEx'
calls+='|DeleteFile|MoveFile|MoveFileEx|CopyFile|ReplaceFile|CreateDirectory|RemoveDirectory'
calls+='|GetFullPathName|GetDiskFreeSpaceEx)A?\s*\('
found=$(git ls-files '*.cc' '*.h' |
    grep -vE '^framework/(posix|win32)/|_test\.cc$|^testsupport/|^(bench|fuzz)/' |
    xargs grep -nE "$calls" || true)
if [ -n "$found" ]; then
    echo "a path opened or looked at past the framework's file-system face:" >&2
    echo "$found" >&2
    exit 1
fi
echo "paths: every program's path goes through the framework's file-system face"
