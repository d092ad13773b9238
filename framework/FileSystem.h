#pragma once

// What the terminal programs ask of the file system beyond opening a file
// (File.h), on paths in system text (see PathSyntax.h): the POSIX backend on
// the C++ library's file system, the Win32 one on the wide functions.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

// What a path names, following links.
enum class PathKind {
    kMissing,  // nothing is there
    kFile,     // a regular file
    kFolder,
    kOther,    // a device, a FIFO and the like
    kUnknown,  // it cannot be looked at (no permission on the way, say)
};
PathKind KindOfPath(const std::string& path);

// Removes the file at path (on POSIX also an empty folder).
enum class Removal { kRemoved, kAbsent, kFailed };
Removal RemoveFile(const std::string& path);

// Makes a new folder at path, whose parent folder must exist; false, with
// the system's reason in why, when it cannot (also when anything is there).
bool MakeFolder(const std::string& path, std::string& why);

// Gives the file at from the name to, in one step: a reader sees the old
// name or the new one, never a part. A file at to is replaced. The new name
// is on disk when it returns. False, with the system's reason in why, when
// it cannot.
bool RenameFile(const std::string& from, const std::string& to, std::string& why);

// Gives the file at from the name to, in one step, unless something is
// there already: then false, with the system's reason in why, and nothing
// changes. The new name is on disk when it returns. A file made whole under
// a passing name and given its own this way exists under its own name only
// whole.
bool NameNewFile(const std::string& from, const std::string& to, std::string& why);

// The size of the file at path; nothing when it cannot be looked at.
std::optional<uint64_t> SizeOfFile(const std::string& path);

// When the file was last written, as the system's calendar time; nothing
// when it cannot be told.
std::optional<std::time_t> LastWriteTimeOf(const std::string& path);

// The bytes free to this user on the disk that holds folder; nothing when
// the system cannot tell.
std::optional<uint64_t> FreeSpaceAt(const std::string& folder);

// Where a path leads, for telling whether two names are one place:
// absolute, with every "." and ".." taken out; on POSIX also through every
// link, one that leads nowhere yet included (a file created there goes to
// its target). Never fails: what cannot be resolved stays as written.
std::string PlaceOfPath(const std::string& path);
// The folder part of a place (its root stays a root) and its last name.
std::string FolderOfPlace(const std::string& place);
std::string NameOfPlace(const std::string& place);

// The C library's fopen, taking any name the system allows (on Windows the
// wide _wfopen): for libraries that write through a FILE*.
FILE* OpenCFile(const std::string& path, const char* mode);

// The folder for temporary files; empty when the system names none.
std::string TempFolder();
