#pragma once

#include "Layout.h"
#include "span.h"

// Held in the stream information, so its owners need the whole type.
#include "orxa/common/IStreamPicture.h"
#include "tamu/P.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orxa::audio {
class IAudioChunk;
}
namespace orxa::common {
class IAudioSource;
class IOrxaPlugin;
class IStreamIntegrity;
} // namespace orxa::common

namespace orxa::host {

class CInputFile;

// What the file itself holds, as its source tells it.
struct StreamInfo {
    int32_t sampleRate = 0;
    int32_t channels = 0;
    int32_t bitsPerSample = 0;
    int64_t totalSamples = 0;
    double duration = 0.0;
    // -1 when the source does not tell.
    int32_t seekPoints = -1;
    std::vector<std::string> tags;
    std::string vendor; // empty when the file has no tag block
    std::array<uint8_t, 16> md5{};
    // The MD5 in lowercase hex; empty when the header leaves it unset (all zero).
    std::string md5Hex() const;
    int32_t minBlockSize = 0;
    int32_t maxBlockSize = 0;
    int32_t minFrameSize = 0; // 0 when unknown
    int32_t maxFrameSize = 0;
    // Read only when asked for.
    std::vector<tamu::P<orxa::common::IStreamPicture>> pictures;
};

// A FLAC file opened through a source of the plug-in, delivering the wanted layout. The file's
// own layout is only known once a source has opened it, and a source delivers the layout it was
// made with, so a first source looks at the file and is kept when it already delivers the
// layout asked for; otherwise a second one is made for that layout.
class CDecodingSource {
public:
    // Throws CJobError about the input. With `checkMD5` a source that can is asked to check
    // the audio against the stream's signature; with `readPictures` the info holds the file's
    // pictures.
    CDecodingSource(orxa::common::IOrxaPlugin& plugin, const CInputFile& input,
                    const Layout& wanted, bool checkMD5 = false, bool readPictures = false);
    CDecodingSource(const CDecodingSource&) = delete;
    CDecodingSource& operator=(const CDecodingSource&) = delete;
    ~CDecodingSource();

    const StreamInfo& info() const { return m_info; }
    // The layout of every chunk.
    const Layout& layout() const { return m_layout; }

    // Delivers only `span` from here on: the source moves to its start, and the chunks end
    // with it. Throws CJobError about the file.
    void restrictTo(const Span& span);
    // The next chunk, empty at the end. Throws CJobError about the file.
    tamu::P<orxa::audio::IAudioChunk> next();
    // Throws CJobError when closing reports a decoding error.
    void close();
    // Once the end is reached: what was lost or found wrong on the way ("" when nothing was),
    // by the source's integrity report where it gives one, else by the samples delivered.
    std::string damage() const;

private:
    tamu::P<orxa::common::IAudioSource> open(orxa::common::IOrxaPlugin& plugin,
                                             const Layout& layout, bool readPictures);
    void readInfo();
    Layout resolve(const Layout& wanted) const;
    // Fails the job with the stream's own reason once a read of the file failed: the decoder's
    // error that follows names only libFLAC's status.
    void throwReadFailure() const;

    std::string m_path;
    std::string m_openPath;
    bool m_checkMD5;
    tamu::P<orxa::common::IAudioSource> m_source;
    tamu::P<orxa::common::IStreamIntegrity> m_integrity;
    int64_t m_framesDelivered = 0;
    Span m_span;
    // Frames of the span still to deliver; -1 when it runs to the end.
    int64_t m_remaining = -1;
    StreamInfo m_info;
    Layout m_layout;
};

} // namespace orxa::host
