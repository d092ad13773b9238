#include "elevation/VectorPath.h"

#include <algorithm>

namespace {

VectorPath Widest() {
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx2")) return VectorPath::kAvx2;
    if (__builtin_cpu_supports("ssse3")) return VectorPath::kSsse3;
#endif
    return VectorPath::kPortable;
}

VectorPath g_path = Widest();

}  // namespace

std::vector<VectorPath> SupportedVectorPaths() {
    std::vector<VectorPath> paths;
    for (auto path : {VectorPath::kAvx2, VectorPath::kSsse3, VectorPath::kPortable})
        if (path >= Widest()) paths.push_back(path);
    return paths;
}

VectorPath CurrentVectorPath() { return g_path; }

void UseVectorPath(VectorPath path) { g_path = std::max(path, Widest()); }
