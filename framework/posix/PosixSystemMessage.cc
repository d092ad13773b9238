// The system's texts for errors on POSIX: strerror, in the language of
// LC_MESSAGES.
#include <cerrno>
#include <cstring>

#include "framework/SystemMessage.h"

std::string AfxSystemMessage(unsigned long error) { return std::strerror(static_cast<int>(error)); }

std::string AfxLastSystemMessage() { return AfxSystemMessage(static_cast<unsigned long>(errno)); }

std::string AfxOutOfMemoryMessage() { return AfxSystemMessage(ENOMEM); }
