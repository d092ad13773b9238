#include <cstdlib>

#include "framework/UiLanguage.h"

bool UserReadsJapanese() {
    return JapaneseLocaleNamed(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                               std::getenv("LANG"));
}
