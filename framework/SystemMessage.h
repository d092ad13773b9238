#pragma once

#include <string>

// The system's own text for an error code, in the system's language, in
// system text (see PathSyntax.h) and without a trailing line break; the code
// in digits when the system has no text for it.
std::string AfxSystemMessage(unsigned long error);

// The same for the calling thread's last error.
std::string AfxLastSystemMessage();

// The system's text for running out of memory.
std::string AfxOutOfMemoryMessage();
