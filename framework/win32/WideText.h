#pragma once

// Conversions between the narrow texts of the framework and the UTF-16 of
// the wide Win32 functions, and the process's choice of encoding for system
// text (paths and the system's own texts, see framework/PathSyntax.h).
#include <windows.h>

#include <string>

// From now on system text is UTF-8 instead of the ANSI code page. Called by
// the wide entry point before anything else; never switched back.
void UseUtf8Paths();
// The code page of system text: CP_UTF8, or the ANSI code page's number.
UINT SystemTextCodePage();

// text in codePage as UTF-16. A byte sequence that codePage does not hold
// becomes the system's stand-in character.
std::wstring ToWide(const std::string& text, UINT codePage);
// UTF-16 text in codePage; what codePage cannot hold becomes the system's
// stand-in ('?' for the ANSI code pages, U+FFFD for a lone surrogate in
// UTF-8).
std::string FromWide(const std::wstring& text, UINT codePage);

// A path (system text) as UTF-16, and back.
inline std::wstring WidePath(const std::string& path) { return ToWide(path, SystemTextCodePage()); }
inline std::string NarrowPath(const std::wstring& path) {
    return FromWide(path, SystemTextCodePage());
}
