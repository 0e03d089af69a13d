#pragma once

#include "Layout.h"

#include "tamu/P.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orxa::audio {
class IAudioChunk;
}
namespace orxa::common {
class IAudioSource;
class IOrxaPlugin;
} // namespace orxa::common

namespace orxa::host {

// What the file itself holds, as its source tells it.
struct StreamInfo {
    int32_t sampleRate = 0;
    int32_t channels = 0;
    int32_t bitsPerSample = 0;
    int64_t totalSamples = 0;
    double duration = 0.0;
    std::vector<std::string> tags;
};

// A FLAC file opened through a source of the plug-in, delivering the wanted layout. The file's
// own layout is only known once a source has opened it, and a source delivers the layout it was
// made with, so a first source looks at the file and is kept when it already delivers the
// layout asked for; otherwise a second one is made for that layout.
class CDecodingSource {
public:
    // Throws CJobError about `path`.
    CDecodingSource(orxa::common::IOrxaPlugin& plugin, const std::string& path,
                    const Layout& wanted);
    CDecodingSource(const CDecodingSource&) = delete;
    CDecodingSource& operator=(const CDecodingSource&) = delete;
    ~CDecodingSource();

    const StreamInfo& info() const { return m_info; }
    // The layout of every chunk.
    const Layout& layout() const { return m_layout; }

    // The next chunk, empty at the end. Throws CJobError about the file.
    tamu::P<orxa::audio::IAudioChunk> next();
    // Throws CJobError when closing reports a decoding error.
    void close();

private:
    tamu::P<orxa::common::IAudioSource> open(orxa::common::IOrxaPlugin& plugin,
                                             const Layout& layout);
    void readInfo();
    Layout resolve(const Layout& wanted) const;

    std::string m_path;
    tamu::P<orxa::common::IAudioSource> m_source;
    StreamInfo m_info;
    Layout m_layout;
};

} // namespace orxa::host
