#pragma once

#include <cstdint>
#include <string>

namespace orxa::host {

// What a FLAC PICTURE block says about its image, read from the image file's own header.
struct ImageHeader {
    std::string mimeType;
    int32_t width = 0;
    int32_t height = 0;
    int32_t depth = 0;   // bits per pixel
    int32_t colours = 0; // palette entries of an indexed image, else 0
};

// PNG, JPEG and GIF. Throws std::runtime_error for anything else or a header cut short.
ImageHeader readImageHeader(const std::string& bytes);

} // namespace orxa::host
