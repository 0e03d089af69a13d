#include "orxa/common/CStreamPicture.h"

#include "tamu/IMemoryBlock.h"
#include "tamu/IString.h"

#include <utility>

namespace orxa::common {

CStreamPicture::CStreamPicture(Fields fields) : m_fields(std::move(fields)) {}

CStreamPicture::~CStreamPicture() = default;

int32_t CStreamPicture::getPictureType() {
    return m_fields.type;
}

tamu::P<tamu::IString> CStreamPicture::getMimeType() {
    return m_fields.mimeType;
}

tamu::P<tamu::IString> CStreamPicture::getDescription() {
    return m_fields.description;
}

int32_t CStreamPicture::getWidth() {
    return m_fields.width;
}

int32_t CStreamPicture::getHeight() {
    return m_fields.height;
}

int32_t CStreamPicture::getDepth() {
    return m_fields.depth;
}

int32_t CStreamPicture::getColours() {
    return m_fields.colours;
}

tamu::P<tamu::IMemoryBlock> CStreamPicture::getData() {
    return m_fields.data;
}

} // namespace orxa::common
