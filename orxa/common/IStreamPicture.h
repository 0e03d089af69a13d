#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {
class IMemoryBlock;
class IString;
} // namespace tamu

namespace orxa::common {

// A picture that travels with a stream, as a FLAC PICTURE block holds it: the picture type of
// ID3v2 APIC (3 is the front cover), the MIME type, a description, the image's own dimensions
// and the image file's bytes.
class TAMU_API IStreamPicture : public virtual tamu::IBase {
public:
    virtual int32_t getPictureType() = 0;
    // ASCII, such as "image/jpeg"; "-->" says the data is a URL.
    virtual tamu::P<tamu::IString> getMimeType() = 0;
    virtual tamu::P<tamu::IString> getDescription() = 0;
    virtual int32_t getWidth() = 0;
    virtual int32_t getHeight() = 0;
    // Bits per pixel, and the palette size of an indexed image (0 otherwise).
    virtual int32_t getDepth() = 0;
    virtual int32_t getColours() = 0;
    virtual tamu::P<tamu::IMemoryBlock> getData() = 0;
};

} // namespace orxa::common
