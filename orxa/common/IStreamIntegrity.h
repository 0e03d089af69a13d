#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {
class IString;
}

namespace orxa::common {

// What became of the audio a source decoded: a host that must not lose audio without a word asks
// it, with interfaceCast, after (or while) pulling the chunks. Damage that the source decodes
// through (lost sync, frames failing their CRC) is counted here instead of ending the stream.
class TAMU_API IStreamIntegrity : public virtual tamu::IBase {
public:
    // The outcome of comparing the decoded audio with the MD5 signature of the stream's header.
    enum class EMD5Result : int32_t {
        pending = 0,    // checking was asked for and the end of the stream is not reached yet
        matched = 1,    // the whole stream was decoded and its audio has the header's signature
        mismatched = 2, // the whole stream was decoded and its audio differs
        unchecked = 3,  // not asked for, the header's signature is zero, or the stream was not
                        // decoded whole (it ended early, a frame was lost, or skipTo moved it)
    };

    // Before open: check the decoded audio against the header's MD5 signature. Off by default,
    // since it costs time that a host that only plays the audio may not want to spend. Calls
    // after open take effect at the next open.
    virtual void setMD5Checking(bool check) = 0;
    virtual bool getMD5Checking() = 0;

    // Samples per channel delivered by the decoder since open (before any conversion).
    virtual int64_t getDecodedSamples() = 0;
    // The stream header's total samples per channel; 0 when the header does not say.
    virtual int64_t getExpectedSamples() = 0;
    // Events the decoder reported and decoded through.
    virtual int32_t getLostSyncCount() = 0;
    virtual int32_t getCRCMismatchCount() = 0;
    // Frames whose sample rate, channel count or bit depth differ from the stream header's:
    // either is damaged, so the delivered layout may not be the audio's own.
    virtual int32_t getHeaderMismatchCount() = 0;
    // Samples per channel lost to those events, where the decoder can tell (a frame dropped for
    // its CRC, the gap before a regained sync); -1 when it cannot.
    virtual int64_t getLostSamples() = 0;
    // True once the decoder has found the end of the stream.
    virtual bool isStreamEnded() = 0;
    // True when the stream ended before the header's total (a truncated file).
    virtual bool isEndedEarly() = 0;
    virtual EMD5Result getMD5Result() = 0;
    // The whole stream reached its end with the header's total, without a lost-sync, CRC or
    // header-mismatch event, and the MD5 matched where it was checked.
    virtual bool isIntact() = 0;
    // The log line of the first read of the file's stream that failed since open: the stream's
    // own reason, which the decoder error that follows (libFLAC was told to abort) cannot name.
    // Null while no read has failed.
    virtual tamu::P<tamu::IString> getReadFailure() = 0;
};

} // namespace orxa::common
