#include "correction/AppendPath.h"

namespace {

bool EndsWithSeparator(const std::string& path, PathSyntax syntax) {
    if (path.empty() || path.back() != syntax.separator) return false;
    if (!syntax.doubleByteNames) return true;
    // Walk the characters from the start: only that tells a lead byte from a
    // trail byte.
    size_t last = 0;
    for (size_t i = 0; i < path.size();) {
        last = i;
        const bool pair =
            IsCp932LeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size();
        i += pair ? 2 : 1;
    }
    return last == path.size() - 1;
}

}  // namespace

void AppendPath(std::string& dir, std::string_view name, PathSyntax syntax) {
    if (!dir.empty() && !EndsWithSeparator(dir, syntax)) dir += syntax.separator;
    if (!name.empty() && name.front() == syntax.separator) name.remove_prefix(1);
    dir += name;
}
