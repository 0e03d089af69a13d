#include "orxa/flac/CEncoderMetadata.h"

#include <FLAC/metadata.h>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace orxa::flac {

CEncoderMetadata::~CEncoderMetadata() {
    for (FLAC__StreamMetadata* block : m_blocks)
        FLAC__metadata_object_delete(block);
}

FLAC__StreamMetadata* CEncoderMetadata::adopt(FLAC__StreamMetadata* block) {
    if (!block)
        throw std::bad_alloc();
    try {
        m_blocks.push_back(block);
    } catch (...) {
        FLAC__metadata_object_delete(block);
        throw;
    }
    return block;
}

void CEncoderMetadata::addTags(const std::vector<std::string>& tags) {
    FLAC__StreamMetadata* block =
        adopt(FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT));
    for (const std::string& tag : tags) {
        FLAC__StreamMetadata_VorbisComment_Entry entry;
        entry.length = static_cast<FLAC__uint32>(tag.size());
        entry.entry = reinterpret_cast<FLAC__byte*>(const_cast<char*>(tag.data()));
        // Copied, so the entry may point into the caller's string.
        if (!FLAC__metadata_object_vorbiscomment_append_comment(block, entry, true))
            throw std::bad_alloc();
    }
}

void CEncoderMetadata::addPicture(const Picture& picture) {
    FLAC__StreamMetadata* block = adopt(FLAC__metadata_object_new(FLAC__METADATA_TYPE_PICTURE));
    FLAC__StreamMetadata_Picture& fields = block->data.picture;
    fields.type = static_cast<FLAC__StreamMetadata_Picture_Type>(picture.type);
    fields.width = picture.width;
    fields.height = picture.height;
    fields.depth = picture.depth;
    fields.colors = picture.colours;
    std::string mime = picture.mimeType;
    std::string description = picture.description;
    std::vector<uint8_t> data = picture.data;
    if (!FLAC__metadata_object_picture_set_mime_type(block, mime.data(), true) ||
        !FLAC__metadata_object_picture_set_description(
            block, reinterpret_cast<FLAC__byte*>(description.data()), true) ||
        !FLAC__metadata_object_picture_set_data(block, data.data(),
                                                static_cast<FLAC__uint32>(data.size()), true))
        throw std::bad_alloc();
    const char* violation = nullptr;
    if (!FLAC__format_picture_is_legal(&fields, &violation))
        throw std::invalid_argument(violation ? violation : "an invalid picture");
}

void CEncoderMetadata::addSeekPoints(uint32_t samplesApart, uint64_t totalSamples) {
    FLAC__StreamMetadata* block = adopt(FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE));
    if (!FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(
            block, samplesApart, totalSamples) ||
        !FLAC__metadata_object_seektable_template_sort(block, true))
        throw std::bad_alloc();
}

void CEncoderMetadata::addPadding(uint32_t bytes) {
    FLAC__StreamMetadata* block = adopt(FLAC__metadata_object_new(FLAC__METADATA_TYPE_PADDING));
    block->length = bytes;
}

bool isVorbisFieldName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(),
                                        [](char c) { return c >= 0x20 && c <= 0x7D && c != '='; });
}

} // namespace orxa::flac
