#include "framework/FileSystem.h"

#include "framework/Cp932Text.h"
#include "framework/PathSyntax.h"

namespace {

// Where the last separator stands, npos for none; a code page 932 path is
// walked from the start, where only that tells a second byte from a first.
size_t LastSeparator(const std::string& place) {
    const PathSyntax syntax = NativePaths();
    if (!syntax.doubleByteNames) return place.find_last_of(syntax.separator);
    size_t last = std::string::npos;
    for (size_t i = 0; i < place.size(); i += Cp932CharLength(place, i))
        if (place[i] == syntax.separator) last = i;
    return last;
}

}  // namespace

std::string FolderOfPlace(const std::string& place) {
    const size_t cut = LastSeparator(place);
    if (cut == std::string::npos) return std::string();
    // A root keeps its separator: "/", "C:\".
    if (cut == 0 || place[cut - 1] == ':') return place.substr(0, cut + 1);
    return place.substr(0, cut);
}

std::string NameOfPlace(const std::string& place) {
    const size_t cut = LastSeparator(place);
    return cut == std::string::npos ? place : place.substr(cut + 1);
}
