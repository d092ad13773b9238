#include "correction/AppendPath.h"

#include "framework/Cp932Text.h"

namespace {

bool EndsWithSeparator(const std::string& path, PathSyntax syntax) {
    if (path.empty() || path.back() != syntax.separator) return false;
    if (!syntax.doubleByteNames) return true;
    // Walk the characters from the start: only that tells a lead byte from a
    // trail byte.
    size_t last = 0;
    for (size_t i = 0; i < path.size(); i += Cp932CharLength(path, i)) last = i;
    return last == path.size() - 1;
}

}  // namespace

void AppendPath(std::string& dir, std::string_view name, PathSyntax syntax) {
    if (!dir.empty() && !EndsWithSeparator(dir, syntax)) dir += syntax.separator;
    if (!name.empty() && name.front() == syntax.separator) name.remove_prefix(1);
    dir += name;
}
