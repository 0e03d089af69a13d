#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {
class IConstArray;
}

namespace orxa::common {

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
};

} // namespace orxa::common
