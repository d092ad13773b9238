// The wide entry point of the Windows terminal programs (-municode).
#include <windows.h>

#include <clocale>
#include <string>
#include <vector>

#include "framework/ProgramMain.h"
#include "framework/win32/WideText.h"

int wmain(int argc, wchar_t** wargv) {
    UseUtf8Paths();
    // The user's encoding; numbers keep the C locale's '.'.
    std::setlocale(LC_CTYPE, "");
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(NarrowPath(wargv[i]));
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return ProgramMain(argc, argv.data());
}
