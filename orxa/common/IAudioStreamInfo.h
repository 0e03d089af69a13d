#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {
class IConstArray;
class IString;
} // namespace tamu

namespace orxa::common {

class IStreamPicture;

// What a source's own file holds, as opposed to the layout the host asked for. A host reaches it
// from an open source with interfaceCast; sources that cannot tell do not offer it. The answers
// are those of the stream's header, so they are known right after open.
class TAMU_API IAudioStreamInfo : public virtual tamu::IBase {
public:
    virtual int32_t getStreamSampleRate() = 0;
    // As in the file, before any limit on the channels delivered to the host.
    virtual int32_t getStreamChannels() = 0;
    virtual int32_t getStreamBitsPerSample() = 0;
    // 0 when the file does not say.
    virtual int64_t getStreamTotalSamples() = 0;
    // The file's tags as IString elements "NAME=value", in file order (names may repeat).
    virtual tamu::P<tamu::IConstArray> getStreamTags() = 0;

    // The encoder's vendor string of the tag block; null when the file has none.
    virtual tamu::P<tamu::IString> getStreamVendor() = 0;
    // The MD5 signature of the decoded audio that the header holds (all zero when unset).
    virtual void getStreamMD5(uint8_t signature[16]) = 0;
    // The header's bounds of block sizes (samples) and frame sizes (bytes; 0 when unknown).
    virtual int32_t getStreamMinBlockSize() = 0;
    virtual int32_t getStreamMaxBlockSize() = 0;
    virtual int32_t getStreamMinFrameSize() = 0;
    virtual int32_t getStreamMaxFrameSize() = 0;
    // Points of the seek table, placeholders left out; 0 without one.
    virtual int32_t getStreamSeekPointCount() = 0;

    // Before open: also read the PICTURE blocks (off by default, as a player has no use for
    // the images it would otherwise keep in memory). Calls after open take effect at the next.
    virtual void setPictureReading(bool read) = 0;
    // The PICTURE blocks in file order; none unless picture reading was on at open.
    virtual int32_t getStreamPictureCount() = 0;
    virtual tamu::P<IStreamPicture> getStreamPicture(int32_t index) = 0;
};

} // namespace orxa::common
