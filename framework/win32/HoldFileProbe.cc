// A helper for tests/wine/tool_paths_test.sh: opens the file its argument
// names for reading and writing, sharing nothing, as another program that
// holds a map would; says "held" and, on the next line, the system's text
// for a sharing violation in UTF-8 (or "failed"), then keeps the file until
// a byte or the end comes on standard input.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::puts("failed");
        return 1;
    }
    wchar_t text[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_SHARING_VIOLATION, 0, text, 512, nullptr);
    char reason[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, reason, sizeof reason, nullptr, nullptr);
    std::printf("held\n%s", reason);
    std::fflush(stdout);
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char byte;
    DWORD read = 0;
    ReadFile(input, &byte, 1, &read, nullptr);
    CloseHandle(file);
    return 0;
}
