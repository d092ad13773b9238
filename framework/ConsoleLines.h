#pragma once

// The lines the terminal programs write: messages, each on a line of its
// own, and a progress line redrawn in place. Nothing here writes an escape
// sequence, which a console without virtual terminal processing would show
// as it is, and text that came from a file (names, fields, values) cannot
// act on the terminal.
#include <cstdio>
#include <string>

// text (system text, see PathSyntax.h) with every control character but the
// line break and the tab shown as \xNN: C0 controls, DEL, and where system
// text is UTF-8 the C1 controls U+0080 to U+009F.
std::string VisibleText(const std::string& text);

// The columns text (system text) takes on a terminal: two for a character
// from U+1100 on (the wide ones of Japanese), one for any other.
size_t TerminalColumns(const std::string& text);

// Writes text, shown by VisibleText, and a line break to stream and flushes
// it; a progress line that RedrawLine left open is ended first. False when it
// could not all be written (errno tells why on POSIX).
bool WriteLine(FILE* stream, const std::string& text);

// Redraws the progress line on stream, a terminal: back to the line's
// start, text, then spaces over what a longer text before left. The line
// stays open until WriteLine or EndOpenLine.
bool RedrawLine(FILE* stream, const std::string& text);

// Ends a progress line left open, if any.
void EndOpenLine();
