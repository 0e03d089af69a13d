#include "imageHeader.h"

#include <cstring>
#include <stdexcept>

namespace orxa::host {

namespace {

uint32_t bigEndian(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

uint32_t littleEndian16(const std::string& bytes, size_t at) {
    return static_cast<unsigned char>(bytes[at]) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

bool startsWith(const std::string& bytes, const char* magic, size_t size) {
    return bytes.size() >= size && std::memcmp(bytes.data(), magic, size) == 0;
}

[[noreturn]] void cutShort(const char* kind) {
    throw std::runtime_error(std::string("the ") + kind + " image's header is cut short");
}

ImageHeader png(const std::string& bytes) {
    // IHDR comes first: width, height, bit depth, colour type.
    if (bytes.size() < 29 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0)
        cutShort("PNG");
    ImageHeader header;
    header.mimeType = "image/png";
    header.width = static_cast<int32_t>(bigEndian(bytes, 16, 4));
    header.height = static_cast<int32_t>(bigEndian(bytes, 20, 4));
    const int32_t bits = static_cast<unsigned char>(bytes[24]);
    const int colourType = static_cast<unsigned char>(bytes[25]);
    static const int samplesOfType[7] = {1, 0, 3, 1, 2, 0, 4};
    header.depth = bits * (colourType <= 6 ? samplesOfType[colourType] : 0);
    if (colourType == 3) {
        // The palette's entries are told by the length of its chunk.
        for (size_t at = 8; at + 8 <= bytes.size();) {
            const uint32_t length = bigEndian(bytes, at, 4);
            if (std::memcmp(bytes.data() + at + 4, "PLTE", 4) == 0) {
                header.colours = static_cast<int32_t>(length / 3);
                break;
            }
            if (std::memcmp(bytes.data() + at + 4, "IDAT", 4) == 0)
                break;
            at += 12 + static_cast<size_t>(length);
        }
    }
    return header;
}

ImageHeader jpeg(const std::string& bytes) {
    // Markers up to the first start of frame, which holds precision, size and components.
    for (size_t at = 2; at + 4 <= bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) != 0xFF)
            break;
        const int marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const uint32_t length = bigEndian(bytes, at + 2, 2);
        const bool startOfFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame) {
            if (at + 10 > bytes.size())
                break;
            ImageHeader header;
            header.mimeType = "image/jpeg";
            header.height = static_cast<int32_t>(bigEndian(bytes, at + 5, 2));
            header.width = static_cast<int32_t>(bigEndian(bytes, at + 7, 2));
            header.depth = static_cast<unsigned char>(bytes[at + 4]) *
                           static_cast<unsigned char>(bytes[at + 9]);
            return header;
        }
        at += 2 + length;
    }
    cutShort("JPEG");
}

ImageHeader gif(const std::string& bytes) {
    if (bytes.size() < 13)
        cutShort("GIF");
    ImageHeader header;
    header.mimeType = "image/gif";
    header.width = static_cast<int32_t>(littleEndian16(bytes, 6));
    header.height = static_cast<int32_t>(littleEndian16(bytes, 8));
    const int packed = static_cast<unsigned char>(bytes[10]);
    // Every pixel indexes the colour table, whose size is told in bits.
    header.depth = (packed & 0x07) + 1;
    if (packed & 0x80)
        header.colours = 1 << header.depth;
    return header;
}

} // namespace

ImageHeader readImageHeader(const std::string& bytes) {
    if (startsWith(bytes, "\x89PNG\r\n\x1a\n", 8))
        return png(bytes);
    if (startsWith(bytes, "\xFF\xD8\xFF", 3))
        return jpeg(bytes);
    if (startsWith(bytes, "GIF87a", 6) || startsWith(bytes, "GIF89a", 6))
        return gif(bytes);
    throw std::runtime_error("not a PNG, JPEG or GIF image");
}

} // namespace orxa::host
