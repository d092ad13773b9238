#pragma once

// The entry point of a terminal program, one for each system: the program
// defines ProgramMain and links zelvorin_program_main, whose main calls it
// with the arguments and ends the process with what it returns.
// - POSIX: main sets the locale from the environment (LC_ALL, LANG...) and
//   hands the arguments over as the system gave them.
// - Windows: the program starts at wmain (built with -municode). Before
//   anything else it switches the process's system text to UTF-8 (see
//   PathSyntax.h) and hands over the arguments, UTF-16 from the system, as
//   UTF-8: any name Windows allows, also one the ANSI code page cannot spell,
//   reaches the program and goes back to the system whole.
int ProgramMain(int argc, char** argv);
