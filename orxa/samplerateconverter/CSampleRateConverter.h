#pragma once

#include "orxa/samplerateconverter/CChannelResampler.h"
#include "orxa/samplerateconverter/channelConverterTable.h"
#include "tamu/CObject.h"
#include "tamu/P.h"

#include <cstdint>
#include <vector>

namespace tamu {
class IMemoryBlock;
class IMemoryManager;
} // namespace tamu

namespace orxa::audio {
class CAudioChunkPool;
class IAudioChunk;
} // namespace orxa::audio

namespace orxa::samplerateconverter {

// Turns a stream of interleaved PCM buffers of one layout (rate, channels, bytes per sample) into
// audio chunks of another. Internally every channel has one sample width: 16 bits when neither
// side is wider, else 32 bits, so that wider audio keeps its resolution. The input is brought to
// that width, its channels are mapped by a channel converter, each target channel is resampled
// on its own and the result is packed to the target sample size, interleaved or channel after
// channel.
// Input the resampler could not take in one call is kept and put in front of the next call, so
// a stream converts buffer by buffer without gaps; `flush` ends the stream and hands out what
// the resampler still holds.
class CSampleRateConverter : public tamu::CObject {
public:
    class CChannelConverter;
#define ORXA_NEST_CHANNEL_CONVERTER(Name, ...) class Name;
    ORXA_RULE_CHANNEL_CONVERTERS(ORXA_NEST_CHANNEL_CONVERTER)
    // The pairs of channel counts the classes above leave out.
    class CLayoutMixConverter;
    ORXA_LAYOUT_MIX_CHANNEL_CONVERTERS(ORXA_NEST_CHANNEL_CONVERTER)
#undef ORXA_NEST_CHANNEL_CONVERTER

    // The output samples per channel one call hands out in the most: more only when the input
    // of one call yields more at the rate ratio, so that pending input never piles up.
    static constexpr int32_t maxOutputSamples = 96000;

    // A null memory manager makes the converter use a private one. Target sample sizes outside
    // 1 to 4 are refused here, before any audio arrives.
    CSampleRateConverter(int32_t sourceSampleRate, int32_t sourceChannels,
                         int32_t sourceBytesPerSample, int32_t targetSampleRate,
                         int32_t targetChannels, int32_t targetBytesPerSample,
                         tamu::IMemoryManager* memoryManager, bool planarOutput);
    ~CSampleRateConverter() override;

    // Whether the converter works on 32-bit samples.
    bool isWide() const {
        return m_wide;
    }

    // Converts `size` bytes of interleaved frames. `acmod` picks among channel converters for
    // the same channel counts; -1 asks for none in particular. No input (null or too short for
    // a frame) converts one frame of silence. A failed call leaves the converter as it was.
    tamu::P<audio::IAudioChunk> convert(const void* data, int32_t size, int32_t acmod);

    // Ends the stream: converts the input still pending and whatever the resampler's filter
    // holds, and returns it as the stream's last chunk (possibly empty). The next `convert`
    // starts a fresh resampler; the time base runs on.
    tamu::P<audio::IAudioChunk> flush();

    // Starts the stream again at `time` seconds, as after a jump in the input: the resampler's
    // history and the pending input are dropped, so nothing from before the jump reaches the
    // output after it, and the next chunk is stamped `time`.
    void reset(double time);

    const std::vector<tamu::P<CChannelConverter>>& getChannelConverters() const {
        return m_channelConverters;
    }
    // The converter `convert` uses for these channel counts and layout, or null.
    CChannelConverter* tryFindChannelConverter(int32_t sourceChannels, int32_t targetChannels,
                                               int32_t acmod) const;

private:
    // The pointers into the per-channel buffers of one sample width.
    template <class Sample>
    struct Lanes {
        std::vector<const Sample*> source;
        std::vector<Sample*> target;
        std::vector<const Sample*> output;
    };
    template <class Sample>
    Lanes<Sample>& lanes();

    template <class Sample>
    tamu::P<audio::IAudioChunk> convertAs(const uint8_t* input, int32_t frames,
                                          CChannelConverter& channelConverter);
    template <class Sample>
    tamu::P<audio::IAudioChunk> flushAs();
    void createResamplers();
    double currentTime() const;
    // An upper bound of what the resamplers can hand out when given `inSamples` more input.
    int32_t maxOutputFor(int32_t inSamples) const;
    // Packs `frames` samples of each output lane into `result`, the block of `chunk`.
    template <class Sample>
    tamu::P<audio::IAudioChunk> emit(int32_t frames, tamu::P<tamu::IMemoryBlock> result,
                                     tamu::P<audio::IAudioChunk> chunk);

    tamu::P<tamu::IMemoryManager> m_memoryManager;
    tamu::P<audio::CAudioChunkPool> m_chunks;
    int32_t m_sourceSampleRate;
    int32_t m_sourceChannels;
    int32_t m_sourceBytesPerSample;
    int32_t m_targetSampleRate;
    int32_t m_targetChannels;
    int32_t m_targetBytesPerSample;
    bool m_planarOutput;
    bool m_wide;
    int32_t m_sampleBytes; // of the internal samples
    // 64 bits so that the time stamps of a long stream never wrap. Counted since the last reset.
    uint64_t m_framesEmitted = 0;
    std::vector<tamu::P<tamu::IMemoryBlock>> m_pendingInput;
    std::vector<int32_t> m_consumedBytes;
    std::vector<CChannelResampler> m_resamplers;
    std::vector<tamu::P<CChannelConverter>> m_channelConverters;

    // Input samples the resamplers took and output samples they gave since they were created,
    // per channel; they bound the size of the next result.
    uint64_t m_samplesTaken = 0;
    uint64_t m_samplesGiven = 0;
    // The time of the first frame after the last reset; frames are counted from there.
    double m_timeBase = 0.0;
    // Kept between calls so that a call in steady state allocates no containers.
    std::vector<tamu::P<tamu::IMemoryBlock>> m_nextInput;
    std::vector<tamu::P<tamu::IMemoryBlock>> m_outputs;
    Lanes<int16_t> m_narrowLanes;
    Lanes<int32_t> m_wideLanes;
};

} // namespace orxa::samplerateconverter
