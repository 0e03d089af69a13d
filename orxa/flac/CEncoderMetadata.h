#pragma once

// libFLAC's metadata types are anonymous structs, which cannot be declared ahead.
#include <FLAC/format.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orxa::flac {

// The metadata blocks a format hands libFLAC's encoder, which must live until the encoder is
// finished: a tag block, pictures, a seek table template and padding, in that order.
class CEncoderMetadata {
public:
    struct Picture {
        int32_t type;
        std::string mimeType;
        std::string description;
        uint32_t width, height, depth, colours;
        std::vector<uint8_t> data;
    };

    CEncoderMetadata() = default;
    CEncoderMetadata(const CEncoderMetadata&) = delete;
    CEncoderMetadata& operator=(const CEncoderMetadata&) = delete;
    ~CEncoderMetadata();

    // Each throws std::bad_alloc or std::invalid_argument (a picture libFLAC calls invalid,
    // with its reason).
    void addTags(const std::vector<std::string>& tags);
    void addPicture(const Picture& picture);
    void addSeekPoints(uint32_t samplesApart, uint64_t totalSamples);
    void addPadding(uint32_t bytes);

    bool empty() const { return m_blocks.empty(); }
    FLAC__StreamMetadata** blocks() { return m_blocks.data(); }
    uint32_t count() const { return static_cast<uint32_t>(m_blocks.size()); }

private:
    FLAC__StreamMetadata* adopt(FLAC__StreamMetadata* block);

    std::vector<FLAC__StreamMetadata*> m_blocks;
};

// A Vorbis comment field name: printable ASCII from 0x20 to 0x7D except '=', not empty.
bool isVorbisFieldName(const std::string& name);

} // namespace orxa::flac
