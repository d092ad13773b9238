#pragma once

// The language the user reads the programs' own messages in.

// True when the user's language is Japanese: on POSIX the locale that
// messages take (LC_ALL, else LC_MESSAGES, else LANG, the first that is set
// and not empty) starts with "ja"; on Windows the user interface language is
// Japanese (its primary language LANG_JAPANESE). False otherwise.
bool UserReadsJapanese();

// The POSIX rule on the three variables' values (nullptr for one not set).
bool JapaneseLocaleNamed(const char* lcAll, const char* lcMessages, const char* lang);

#include <string>
#include <vector>

// A message of a program in English and Japanese: program text (code page
// 932), where "%1" to "%9" stand for arguments and "%%" for '%'.
struct TextPair {
    const char* english;
    const char* japanese;
};

// The template with its arguments put in, in system text (see PathSyntax.h);
// "%sN" stands for the English plural "s" unless argument N is "1":
// the template's own text converted (NativeFromCp932), the arguments put in
// as they are, for they are system text already (paths, the system's own
// texts, digits). A '%' before anything else stays as it is; an argument
// that is not given is left out.
std::string FormatText(const std::string& cp932, const std::vector<std::string>& args);

// The message in the user's language (UserReadsJapanese, asked once),
// formatted by FormatText.
std::string InUserLanguage(const TextPair& text, const std::vector<std::string>& args);
