#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Zips made in memory with libarchive's writer, for tests and fuzz seeds.

struct TestZipMember {
    std::string name;
    std::string bytes;
    bool bFolder = false;
};

// A zip of the members, deflated, in their order. With utf8Names the names
// are UTF-8 and stored with the UTF-8 flag; otherwise they are stored byte
// for byte without it.
std::vector<uint8_t> BuildTestZip(const std::vector<TestZipMember>& members,
                                  bool utf8Names = false);

// The bytes as a string, to nest a zip as another zip's member.
inline std::string AsText(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
