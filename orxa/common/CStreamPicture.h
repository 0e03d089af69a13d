#pragma once

#include "orxa/common/IStreamPicture.h"
#include "tamu/CObject.h"

namespace orxa::common {

// A picture held as plain values; what a source hands out and what a host gives a format.
class CStreamPicture : public tamu::CObject, public virtual IStreamPicture {
public:
    struct Fields {
        int32_t type = 3;
        tamu::P<tamu::IString> mimeType;
        tamu::P<tamu::IString> description;
        int32_t width = 0;
        int32_t height = 0;
        int32_t depth = 0;
        int32_t colours = 0;
        tamu::P<tamu::IMemoryBlock> data;
    };
    explicit CStreamPicture(Fields fields);
    ~CStreamPicture() override;

    int32_t getPictureType() override;
    tamu::P<tamu::IString> getMimeType() override;
    tamu::P<tamu::IString> getDescription() override;
    int32_t getWidth() override;
    int32_t getHeight() override;
    int32_t getDepth() override;
    int32_t getColours() override;
    tamu::P<tamu::IMemoryBlock> getData() override;

private:
    Fields m_fields;
};

} // namespace orxa::common
