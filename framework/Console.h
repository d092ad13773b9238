#pragma once

// The terminal programs' console: stop requests, whether a stream is a
// terminal, standard streams that may be closed, and the tool's code page
// 932 texts written in the encoding their reader expects. The POSIX backend
// works on signals, descriptors and iconv; the Win32 one on console control
// events, console handles and code pages.
#include <cstdio>
#include <string>

// Which stop was asked for: an interrupt (Ctrl-C; on Windows also
// Ctrl-Break), or an end of the process from outside (SIGTERM; on Windows
// the console window closing, a log-off or a shutdown).
enum class StopRequest { kNone, kInterrupt, kTerminate };

// From now on the first stop request is recorded for StopRequested and the
// run goes on to stop where it may; a second one ends the process at once,
// as if none were caught. On Windows the system ends the process soon after
// a close: the handler holds it back, for a few seconds at most, until
// ReachStopPoint, then ends it with the status handed over there.
void CatchStopRequests();
// The first stop request that came, or kNone while none came.
StopRequest StopRequested();
// Tells that the program has written all it will write, and the status it
// ends with: a process that the system is about to end may end now, with
// that status. Does nothing on POSIX.
void ReachStopPoint(int exitStatus);
// Called last, after ReachStopPoint: on Windows, a program that is the only
// process on its console (started from Explorer, whose window closes with
// it) and reads from that console waits for Enter, so that its text can be
// read; from a command prompt, redirected, after a close, or under Wine (from
// a Unix terminal every program is alone on its console), it goes on at
// once. Does nothing on POSIX.
void WaitBeforeClosing();

// True when stream is a terminal (a console on Windows), where progress is a
// redrawn bar; false for a file, a pipe or the null device.
bool IsTerminal(FILE* stream);

// Makes output that cannot be written harmless: on POSIX a closed pipe no
// longer ends the process and a closed standard descriptor is given
// /dev/null, so that no file opened later takes its number; on Windows a
// missing standard handle is only noted. False, with nothing done for the
// rest, when a closed descriptor cannot be given /dev/null.
bool GuardStandardStreams();
// True when standard output was closed (missing) when GuardStandardStreams
// looked: what is written there is lost.
bool OutputWasClosed();

// Converts code page 932 text to the encoding that output read outside a
// console expects: the locale's on POSIX (UTF-8 when it names none that can
// hold it), the console's output code page on Windows, or the ANSI one when
// there is no console. On POSIX a byte that is not code page 932 turns into
// '?'; Windows puts its own stand-in, or keeps the byte where the output's
// code page is 932 itself.
std::string ToOutputEncoding(const std::string& cp932);
// Writes code page 932 text to stream and flushes it: to a Windows console
// as UTF-16, elsewhere converted by ToOutputEncoding. False when it could
// not all be written (errno tells why on POSIX).
bool WriteText(FILE* stream, const std::string& cp932);

// Program text (code page 932) in system text (see PathSyntax.h), so that a
// message can take paths and the system's texts as they are: on POSIX the
// locale's encoding as ToOutputEncoding gives it; on Windows UTF-8 in a
// program started at the wide entry point, else the ANSI code page (where
// that is 932, the text as it is).
std::string NativeFromCp932(const std::string& cp932);
// Writes system text to stream and flushes it: on POSIX as it is; to a
// Windows console as UTF-16, so that every name shows as it is, elsewhere
// in the encoding ToOutputEncoding writes (what that cannot hold becomes the
// system's stand-in). False when it could not all be written.
bool WriteNativeText(FILE* stream, const std::string& text);
