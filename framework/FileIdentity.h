#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What tells one file from every other on a machine, whatever name it is
// reached by (links, "./", ".."): its volume and its number on the volume.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t number = 0;

    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && number == other.number;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// The identity of the file that path names, following links; nothing when
// no file is there or it cannot be looked at.
std::optional<FileIdentity> IdentifyFile(const std::string& path);
