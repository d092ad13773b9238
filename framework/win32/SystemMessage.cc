#include "framework/SystemMessage.h"

#include <windows.h>

#include "framework/win32/WideText.h"

std::string AfxSystemMessage(unsigned long error) {
    // The wide text, in the process's system text: a UTF-8 program gets the
    // system's words whatever its ANSI code page.
    // In the user interface's language, where the system has its table;
    // else the system's choice (0), as for any program.
    const auto format = [error](DWORD language, wchar_t** text) {
        return FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                  FORMAT_MESSAGE_IGNORE_INSERTS,
                              nullptr, error, language, reinterpret_cast<wchar_t*>(text), 0,
                              nullptr);
    };
    wchar_t* text = nullptr;
    DWORD n = format(GetUserDefaultUILanguage(), &text);
    if (n == 0) n = format(0, &text);
    std::string message =
        n > 0 ? FromWide(std::wstring(text, n), SystemTextCodePage()) : std::to_string(error);
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

std::string AfxLastSystemMessage() { return AfxSystemMessage(GetLastError()); }

std::string AfxOutOfMemoryMessage() { return AfxSystemMessage(ERROR_NOT_ENOUGH_MEMORY); }
