#pragma once

// Decodes a FLAC file through the plug-in's source, in process, and counts the heap allocations
// made per chunk once the decoder, the converter and the block cache have warmed up.

#include "countingAllocator.h"

#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/IHostLog.h"
#include "orxa/common/IPluginHost.h"
#include "orxa/flac/CFLACSource.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/stringConv.h"

#include <cstdint>
#include <string>
#include <vector>

namespace steadydecoding {

class CQuietLog : public tamu::CObject, public virtual orxa::common::IHostLog {
public:
    void reserved1() override {}
    int32_t getLevel() override { return 0; }
    void reserved3() override {}
    void log(int32_t, const tamu::P<tamu::IString>&) override {}
    void logEntry(const tamu::P<tamu::IString>&, const tamu::CException&) override {}
};

class CHost : public tamu::CObject, public virtual orxa::common::IPluginHost {
public:
    void reserved1() override {}
    tamu::P<tamu::IMemoryManager> getMemoryManager() override { return m_memory; }
    void reserved3() override {}
    void reserved4() override {}
    void reserved5() override {}
    void reserved6() override {}
    void reserved7() override {}
    tamu::P<orxa::common::IHostLog> getLog() override { return m_log; }

private:
    tamu::P<tamu::IMemoryManager> m_memory = tamu::make<tamu::CMemoryManager>(30);
    tamu::P<orxa::common::IHostLog> m_log = tamu::make<CQuietLog>();
};

struct Count {
    int64_t chunks = 0;      // chunks counted, after the warm-up
    int64_t allocations = 0; // operator new calls while they were decoded
    int64_t bytes = 0;       // their PCM

    double perChunk() const {
        return chunks > 0 ? static_cast<double>(allocations) / static_cast<double>(chunks) : 0.0;
    }
};

// The first `warmUp` chunks are not counted: libFLAC's and the converter's buffers, the block
// cache and the ready-frame list grow there. Nor are the last two and the end: a short last
// frame takes a block of another size, and the converter's flush is a one-off. `checkMD5` has
// the signature checked beside the decoding.
inline Count countSteadyAllocations(const std::string& path, int32_t rate, int32_t channels,
                                    int32_t bytes, int32_t warmUp, bool checkMD5 = false) {
    auto host = tamu::make<CHost>();
    auto source = tamu::make<orxa::flac::CFLACSource>(
        host.get(), tamu::str("orxa_flac"), tamu::stringConv::fromStd(path), rate, channels, bytes);
    source->setMD5Checking(checkMD5);
    source->open();
    if (checkMD5) {
        // The signature's thread may fall behind by its whole queue (16 frames) at any moment,
        // late as well as early: the block cache gets that many frame blocks and a few more
        // first, so the first time it does is not counted as an allocation of steady decoding.
        const int32_t frameBytes = source->getStreamMaxBlockSize() * source->getStreamChannels() *
                                   ((source->getStreamBitsPerSample() + 7) / 8);
        std::vector<tamu::P<tamu::IMemoryBlock>> spare;
        for (int i = 0; i < 24; ++i)
            spare.push_back(host->getMemoryManager()->allocate(frameBytes));
    }
    // Reserved before decoding, so that keeping the counts allocates nothing on the way.
    constexpr size_t most = size_t{1} << 20;
    std::vector<int64_t> before;
    std::vector<int64_t> sizes;
    before.reserve(most);
    sizes.reserve(most);
    while (before.size() < most) {
        before.push_back(countingallocator::allocations());
        tamu::P<orxa::audio::IAudioChunk> chunk = source->getNextAudioChunk();
        if (!chunk)
            break;
        sizes.push_back(chunk->getSize());
    }
    source->close();
    Count count;
    const int64_t last = static_cast<int64_t>(sizes.size()) - 2;
    if (last <= warmUp)
        return count;
    count.chunks = last - warmUp;
    count.allocations = before[static_cast<size_t>(last)] - before[static_cast<size_t>(warmUp)];
    for (int64_t i = warmUp; i < last; ++i)
        count.bytes += sizes[static_cast<size_t>(i)];
    return count;
}

} // namespace steadydecoding
