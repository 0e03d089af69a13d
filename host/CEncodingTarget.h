#pragma once

#include "Layout.h"

#include "tamu/P.h"

#include <memory>
#include <string>

namespace orxa::audio {
class IAudioChunk;
}
namespace orxa::common {
class IAudioFormat;
class IOrxaPlugin;
} // namespace orxa::common

namespace orxa::host {

class CTempOutput;

// A FLAC file written through a format of the plug-in into a temporary file, which becomes the
// output only with `commit`. Failures that the format only logs count as failures here.
class CEncodingTarget {
public:
    // Throws CJobError about `path`.
    CEncodingTarget(orxa::common::IOrxaPlugin& plugin, const std::string& path,
                    const Layout& layout);
    CEncodingTarget(const CEncodingTarget&) = delete;
    CEncodingTarget& operator=(const CEncodingTarget&) = delete;
    ~CEncodingTarget();

    void write(const tamu::P<orxa::audio::IAudioChunk>& chunk);
    // Finishes the FLAC stream and puts the file in place.
    void commit();

private:
    void checkLog();

    std::string m_path;
    std::unique_ptr<CTempOutput> m_temp;
    tamu::P<orxa::common::IAudioFormat> m_format;
};

} // namespace orxa::host
