#pragma once

#include "CJobError.h"
#include "Layout.h"
#include "encodeChoices.h"

#include "tamu/P.h"

#include <cstdint>
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
struct Job;

// A FLAC file written through a format of the plug-in into a temporary file, which becomes the
// output only with `commit` (a device or FIFO gets the finished file's bytes). The format is handed
// a name that opens the descriptor held here, so neither the temporary's nor the output's own
// name needs to mean anything to it; its messages are told with the output's name.
// Failures that the format only logs count as failures here. Whatever `setup` asks beyond the
// fixed settings goes through the format's encoder settings, before it opens.
class CEncodingTarget {
public:
    // Throws CJobError about the output.
    CEncodingTarget(orxa::common::IOrxaPlugin& plugin, const Job& job, const Layout& layout,
                    const EncoderSetup& setup = {});
    CEncodingTarget(const CEncodingTarget&) = delete;
    CEncodingTarget& operator=(const CEncodingTarget&) = delete;
    ~CEncodingTarget();

    void write(const tamu::P<orxa::audio::IAudioChunk>& chunk);
    // Finishes the FLAC stream and puts the file in place. Returns its size in bytes.
    int64_t commit();

private:
    void configure(const EncoderSetup& setup);
    template <class F>
    void callFormat(F&& call);
    void checkStatus();
    std::string failureReason() const;
    CJobError withReason(const CJobError& refusal) const;
    void copyInto(int fd);

    std::string m_path;
    std::string m_reopen;
    std::unique_ptr<CTempOutput> m_temp;
    int m_directFd = -1;
    tamu::P<orxa::common::IAudioFormat> m_format;
};

} // namespace orxa::host
