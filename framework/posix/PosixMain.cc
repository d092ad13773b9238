#include <clocale>

#include "framework/ProgramMain.h"

int main(int argc, char** argv) {
    // The user's language for the system's messages and their encoding;
    // numbers keep the C locale's '.' whatever the user's locale writes.
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");
    return ProgramMain(argc, argv);
}
