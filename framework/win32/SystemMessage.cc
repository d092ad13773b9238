#include "framework/SystemMessage.h"

#include <windows.h>

std::string AfxSystemMessage(unsigned long error) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = n > 0 ? std::string(text, n) : std::to_string(error);
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

std::string AfxLastSystemMessage() { return AfxSystemMessage(GetLastError()); }

std::string AfxOutOfMemoryMessage() { return AfxSystemMessage(ERROR_NOT_ENOUGH_MEMORY); }
