#include <clocale>

#include "framework/ProgramMain.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    return ProgramMain(argc, argv);
}
