#pragma once

// For tests: the pixels of a PNG file, as libpng reads them.
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

// The RGB bytes of the PNG file at path, rows from the top; empty when it
// cannot be read.
inline std::vector<uint8_t> PngPixels(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    return rgb;
}
