#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {
class IString;
}

namespace orxa::common {

class IStreamPicture;

// What a format writes beyond the audio, and how hard it works, for a host that wants more than
// the fixed settings: reached with interfaceCast before open. Every setter throws COrxaError
// once the format is open (the encoder has begun), and for a value it cannot take. Without any
// call the format writes exactly what it always writes.
class TAMU_API IEncoderSettings : public virtual tamu::IBase {
public:
    // "NAME=value", UTF-8; the name must be a Vorbis comment field name (ASCII 0x20 to 0x7D, no
    // '='). Tags are written in the order added.
    virtual void addTag(const tamu::P<tamu::IString>& tag) = 0;
    virtual void clearTags() = 0;
    virtual void addPicture(IStreamPicture* picture) = 0;
    // Bytes of PADDING after the other blocks, for editing tags later without a rewrite; 0 (the
    // default) writes none.
    virtual void setPadding(int32_t bytes) = 0;
    // libFLAC's levels 0 to 8, in place of the fixed block size, LPC order and partition orders;
    // -1 goes back to the fixed settings.
    virtual void setCompressionLevel(int32_t level) = 0;
    // A seek point every `seconds` (0 for none, the default), placed by libFLAC over
    // `totalSamples`, the stream's expected length.
    virtual void setSeekPoints(double seconds, int64_t totalSamples) = 0;
    // libFLAC's verify mode: every frame is decoded again as it is written, and a difference
    // fails the write with a COrxaError naming the sample.
    virtual void setVerify(bool verify) = 0;
    // The stream's expected length in samples per channel, so that STREAMINFO is right even
    // when the output cannot be rewritten; 0 for unknown.
    virtual void setTotalSamplesEstimate(int64_t samples) = 0;
};

} // namespace orxa::common
