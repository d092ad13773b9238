#pragma once

#include <cstdint>
#include <string>
#include <vector>

// True when a file can be written at path: it exists and opens for writing,
// or it can be created. Leaves the file system as it found it: a file this
// check created is removed again, one that was there is neither truncated nor
// changed. False with the system's reason (strerror) otherwise.
bool CanCreateFile(const std::string& path, std::string& error);

// Writes an 8-bit RGB image of width x height pixels, rows from the top, three
// bytes a pixel in rgb, as a PNG file at path, replacing what was there.
// False with the system's reason (or the encoder's) when the file cannot be
// opened, written or closed; a file that was opened may then be incomplete.
bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                 std::string& error);
