#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One option of a command line: its long name, its one-letter form (0 for
// none), and whether it takes a value.
struct OptionSpec {
    const char* name;
    char letter;
    bool bValue;
};

// What reading a command line found, in the order the arguments stand.
struct OptionItem {
    enum class Kind { kOption, kOperand, kMissingValue, kUnknown };
    Kind kind = Kind::kOption;
    size_t option = 0;  // kOption: its place in the table
    std::string value;  // kOption: its value; kOperand: the operand
    std::string text;   // kMissingValue, kUnknown: the option as written
};

// Reads the arguments after argv[0] as GNU tools do: options may stand
// anywhere among the operands, long names may be shortened while they stay
// unambiguous, a value follows its option ("--undo FILE", "--undo=FILE",
// "-xVALUE"), and "--" ends the options: what follows are operands, whatever
// they look like. On Windows "/?" before "--" is the option lettered 'h',
// the help, as Windows programs take it.
std::vector<OptionItem> ReadOptions(int argc, char** argv, const std::vector<OptionSpec>& table);
