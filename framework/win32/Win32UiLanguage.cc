#include <windows.h>

#include "framework/UiLanguage.h"

bool UserReadsJapanese() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE; }
