#include "orxa/samplerateconverter/CSampleRateConverter.h"

#include "orxa/audio/CAudioChunkPool.h"
#include "orxa/audio/IAudioChunk.h"
#include "orxa/samplerateconverter/channelConverters.h"
#include "orxa/samplerateconverter/converterErrors.h"
#include "orxa/samplerateconverter/sampleFormats.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMemoryManager.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

namespace orxa::samplerateconverter {

using audio::IAudioChunk;
using tamu::IMemoryBlock;
using tamu::P;

namespace {

template <class Sample>
Sample* samplesOf(const P<IMemoryBlock>& block, int32_t byteOffset = 0) {
    return reinterpret_cast<Sample*>(block->getData() + byteOffset);
}

// Spans made from a pointer and a count: the range constructor would pull the standard
// library's range objects into the plug-in's exported symbols.
template <class T>
std::span<T* const> all(const std::vector<T*>& pointers) {
    return {pointers.data(), pointers.size()};
}

void toSamples(const uint8_t* in, int32_t bytesPerSample, int32_t samples, int16_t* out) {
    reduceTo16Bit(in, bytesPerSample, samples, out);
}
void toSamples(const uint8_t* in, int32_t bytesPerSample, int32_t samples, int32_t* out) {
    widenTo32Bit(in, bytesPerSample, samples, out);
}

} // namespace

CSampleRateConverter::CSampleRateConverter(int32_t sourceSampleRate, int32_t sourceChannels,
                                           int32_t sourceBytesPerSample, int32_t targetSampleRate,
                                           int32_t targetChannels, int32_t targetBytesPerSample,
                                           tamu::IMemoryManager* memoryManager, bool planarOutput)
    : m_memoryManager(memoryManager), m_chunks(tamu::make<audio::CAudioChunkPool>()),
      m_sourceSampleRate(sourceSampleRate), m_sourceChannels(sourceChannels),
      m_sourceBytesPerSample(sourceBytesPerSample), m_targetSampleRate(targetSampleRate),
      m_targetChannels(targetChannels), m_targetBytesPerSample(targetBytesPerSample),
      m_planarOutput(planarOutput), m_wide(sourceBytesPerSample > 2 || targetBytesPerSample > 2),
      m_sampleBytes(m_wide ? 4 : 2) {
    if (targetBytesPerSample < 1 || targetBytesPerSample > 4)
        throwUnsupportedTargetSampleSize(targetBytesPerSample);
    if (!m_memoryManager)
        m_memoryManager = tamu::make<tamu::CMemoryManager>(30);

        // The order decides ties: the first converter that fits a call serves it.
#define ORXA_CREATE_CHANNEL_CONVERTER(Name, ...) m_channelConverters.push_back(tamu::make<Name>());
    ORXA_RULE_CHANNEL_CONVERTERS(ORXA_CREATE_CHANNEL_CONVERTER)
    ORXA_LAYOUT_MIX_CHANNEL_CONVERTERS(ORXA_CREATE_CHANNEL_CONVERTER)
#undef ORXA_CREATE_CHANNEL_CONVERTER

    const auto sources = static_cast<std::size_t>(std::max(sourceChannels, 0));
    const auto targets = static_cast<std::size_t>(std::max(targetChannels, 0));
    m_narrowLanes.source.resize(sources);
    m_narrowLanes.target.resize(targets);
    m_narrowLanes.output.resize(targets);
    m_wideLanes.source.resize(sources);
    m_wideLanes.target.resize(targets);
    m_wideLanes.output.resize(targets);
    m_nextInput.resize(targets);
}

template <>
CSampleRateConverter::Lanes<int16_t>& CSampleRateConverter::lanes<int16_t>() {
    return m_narrowLanes;
}
template <>
CSampleRateConverter::Lanes<int32_t>& CSampleRateConverter::lanes<int32_t>() {
    return m_wideLanes;
}

CSampleRateConverter::~CSampleRateConverter() = default;

CSampleRateConverter::CChannelConverter*
CSampleRateConverter::tryFindChannelConverter(int32_t sourceChannels, int32_t targetChannels,
                                              int32_t acmod) const {
    const auto fits = [&](const P<CChannelConverter>& converter) {
        return converter->getSourceChannels() == sourceChannels &&
               converter->getTargetChannels() == targetChannels;
    };
    for (const P<CChannelConverter>& converter : m_channelConverters)
        if (fits(converter) && converter->getAcmod() == acmod)
            return converter.get();
    for (const P<CChannelConverter>& converter : m_channelConverters)
        if (fits(converter) && converter->getAcmod() < 0)
            return converter.get();
    return nullptr;
}

void CSampleRateConverter::createResamplers() {
    const std::size_t channels = m_nextInput.size();
    std::vector<CChannelResampler> resamplers;
    resamplers.reserve(channels);
    std::vector<P<IMemoryBlock>> outputs;
    outputs.reserve(channels);
    for (std::size_t c = 0; c < channels; ++c) {
        resamplers.emplace_back(m_sourceSampleRate, m_targetSampleRate, m_wide);
        outputs.push_back(m_memoryManager->allocate(maxOutputSamples * m_sampleBytes));
    }
    m_resamplers = std::move(resamplers);
    m_outputs = std::move(outputs);
    m_consumedBytes.assign(channels, 0);
    m_samplesTaken = 0;
    m_samplesGiven = 0;
}

int32_t CSampleRateConverter::maxOutputFor(int32_t inSamples) const {
    if (m_sourceSampleRate == m_targetSampleRate)
        return inSamples;
    // The filter only ever lags its input, so the output so far never passes the input so far
    // times the ratio; two samples cover the rounding.
    const double ratio = static_cast<double>(m_targetSampleRate) / m_sourceSampleRate;
    const auto reachable =
        static_cast<int64_t>(std::ceil(static_cast<double>(m_samplesTaken + inSamples) * ratio));
    const int64_t bound = reachable - static_cast<int64_t>(m_samplesGiven) + 2;
    return static_cast<int32_t>(std::clamp<int64_t>(bound, 0, INT32_MAX));
}

P<IAudioChunk> CSampleRateConverter::convert(const void* data, int32_t size, int32_t acmod) {
    // Everything that can fail is checked or allocated before any state changes.
    if (m_sourceChannels == 0)
        throwZeroSourceChannels();
    if (m_sourceBytesPerSample == 0)
        throwZeroSourceSampleSize();
    if (m_sourceBytesPerSample < 1 || m_sourceBytesPerSample > 4)
        throwUnsupportedSourceSampleSize(m_sourceBytesPerSample);
    CChannelConverter* channelConverter =
        tryFindChannelConverter(m_sourceChannels, m_targetChannels, acmod);
    if (!channelConverter)
        throwNoChannelConversion(m_sourceChannels, m_targetChannels);

    const int32_t frameBytes = m_sourceChannels * m_sourceBytesPerSample;
    const auto* input = static_cast<const uint8_t*>(data);
    int32_t frames = input && size > 0 ? size / frameBytes : 0;
    P<IMemoryBlock> silence;
    if (frames == 0) {
        silence = m_memoryManager->allocate(frameBytes);
        silence->fill(m_sourceBytesPerSample == 1 ? 128 : 0);
        input = silence->getData();
        frames = 1;
    }
    if (m_resamplers.empty())
        createResamplers();
    return m_wide ? convertAs<int32_t>(input, frames, *channelConverter)
                  : convertAs<int16_t>(input, frames, *channelConverter);
}

template <class Sample>
P<IAudioChunk> CSampleRateConverter::convertAs(const uint8_t* input, int32_t frames,
                                               CChannelConverter& channelConverter) {
    constexpr int32_t sampleBytes = sizeof(Sample);
    Lanes<Sample>& lanes = this->lanes<Sample>();
    const int32_t samples = frames * m_sourceChannels;
    P<IMemoryBlock> converted;
    const Sample* interleaved;
    if (m_sourceBytesPerSample == sampleBytes &&
        reinterpret_cast<std::uintptr_t>(input) % sampleBytes == 0) {
        interleaved = reinterpret_cast<const Sample*>(input);
    } else {
        converted = m_memoryManager->allocate(samples * sampleBytes);
        toSamples(input, m_sourceBytesPerSample, samples, samplesOf<Sample>(converted));
        interleaved = samplesOf<Sample>(converted);
    }

    const int32_t leftover =
        m_pendingInput.empty() ? 0 : m_pendingInput[0]->getSize() - m_consumedBytes[0];
    const int32_t inSamples = leftover / sampleBytes + frames;
    // One call hands out at most maxOutputSamples, and the rest of its input waits for the next.
    // When the input of each call yields more than that (a large rate ratio), what waits would
    // grow without end; once more waits than a call brings, the call hands out all it can.
    const int32_t outCapacity = leftover / sampleBytes > frames
                                    ? std::max(maxOutputSamples, maxOutputFor(inSamples))
                                    : maxOutputSamples;
    for (std::size_t c = 0; c < m_nextInput.size(); ++c)
        m_nextInput[c] = m_memoryManager->allocate(leftover + frames * sampleBytes);
    for (P<IMemoryBlock>& output : m_outputs)
        if (output->getSize() < outCapacity * sampleBytes)
            output = m_memoryManager->allocate(outCapacity * sampleBytes);
    P<IMemoryBlock> result = m_memoryManager->allocate(
        std::min(maxOutputFor(inSamples), outCapacity) * m_targetChannels * m_targetBytesPerSample);
    const double time = currentTime();
    P<IAudioChunk> chunk = m_chunks->make(time, result.get());

    for (std::size_t c = 0; c < m_nextInput.size(); ++c) {
        if (leftover > 0)
            std::memcpy(m_nextInput[c]->getData(),
                        m_pendingInput[c]->getData() + m_consumedBytes[c], leftover);
        lanes.target[c] = samplesOf<Sample>(m_nextInput[c], leftover);
    }
    for (std::size_t i = 0; i < lanes.source.size(); ++i)
        lanes.source[i] = interleaved + i;
    channelConverter.convert(frames, all(lanes.source), m_sourceChannels * sampleBytes,
                             all(lanes.target));

    int32_t n = 0;
    int32_t taken = 0;
    for (std::size_t c = 0; c < m_resamplers.size(); ++c) {
        Sample* out = samplesOf<Sample>(m_outputs[c]);
        int32_t consumed = 0;
        const int32_t written = m_resamplers[c].process(samplesOf<Sample>(m_nextInput[c]),
                                                        inSamples, consumed, out, outCapacity);
        if (c == 0) {
            n = written;
            taken = consumed;
        } else if (written < n) {
            std::fill(out + written, out + n, Sample{0});
        }
        m_consumedBytes[c] = consumed * sampleBytes;
        lanes.output[c] = out;
    }
    m_pendingInput.resize(m_nextInput.size());
    for (std::size_t c = 0; c < m_nextInput.size(); ++c)
        m_pendingInput[c] = std::move(m_nextInput[c]);
    m_samplesTaken += static_cast<uint64_t>(taken);
    m_samplesGiven += static_cast<uint64_t>(n);

    return emit<Sample>(n, std::move(result), std::move(chunk));
}

double CSampleRateConverter::currentTime() const {
    return m_timeBase + static_cast<double>(m_framesEmitted) / m_targetSampleRate;
}

void CSampleRateConverter::reset(double time) {
    // Fresh resamplers are made by the next convert, as at the start of a stream.
    m_resamplers.clear();
    m_pendingInput.clear();
    m_consumedBytes.clear();
    m_samplesTaken = 0;
    m_samplesGiven = 0;
    m_framesEmitted = 0;
    m_timeBase = time;
}

P<IAudioChunk> CSampleRateConverter::flush() {
    return m_wide ? flushAs<int32_t>() : flushAs<int16_t>();
}

template <class Sample>
P<IAudioChunk> CSampleRateConverter::flushAs() {
    constexpr int32_t sampleBytes = sizeof(Sample);
    Lanes<Sample>& lanes = this->lanes<Sample>();
    const double time = currentTime();
    if (m_resamplers.empty())
        return m_chunks->make(time, m_memoryManager->allocate(0).get());

    const int32_t leftoverSamples =
        m_pendingInput.empty() ? 0
                               : (m_pendingInput[0]->getSize() - m_consumedBytes[0]) / sampleBytes;
    std::vector<P<IMemoryBlock>> tails(m_resamplers.size());
    int32_t n = 0;
    for (std::size_t c = 0; c < m_resamplers.size(); ++c) {
        P<IMemoryBlock> tail = m_memoryManager->allocate(maxOutputSamples * sampleBytes);
        const Sample* in = leftoverSamples > 0
                               ? samplesOf<Sample>(m_pendingInput[c], m_consumedBytes[c])
                               : nullptr;
        int32_t left = leftoverSamples;
        int32_t written = 0;
        for (;;) {
            tail->setSize((written + maxOutputSamples) * sampleBytes);
            Sample* out = samplesOf<Sample>(tail) + written;
            int32_t got = 0;
            if (left > 0) {
                int32_t consumed = 0;
                got = m_resamplers[c].process(in, left, consumed, out, maxOutputSamples);
                in += consumed;
                left = consumed > 0 ? left - consumed : 0;
            } else {
                got = m_resamplers[c].drain(out, maxOutputSamples);
                if (got == 0)
                    break;
            }
            written += got;
        }
        if (c == 0)
            n = written;
        tail->setSize(std::max(written, n) * sampleBytes);
        if (written < n)
            std::fill(samplesOf<Sample>(tail) + written, samplesOf<Sample>(tail) + n, Sample{0});
        lanes.output[c] = samplesOf<Sample>(tail);
        tails[c] = std::move(tail);
    }

    P<IMemoryBlock> result =
        m_memoryManager->allocate(n * m_targetChannels * m_targetBytesPerSample);
    P<IAudioChunk> chunk = m_chunks->make(time, result.get());
    // The stream has ended: the next call starts a fresh filter.
    m_resamplers.clear();
    m_pendingInput.clear();
    m_consumedBytes.clear();
    return emit<Sample>(n, std::move(result), std::move(chunk));
}

template <class Sample>
P<IAudioChunk> CSampleRateConverter::emit(int32_t frames, P<IMemoryBlock> result,
                                          P<IAudioChunk> chunk) {
    result->setSize(frames * m_targetChannels * m_targetBytesPerSample);
    const std::vector<const Sample*>& outputs = lanes<Sample>().output;
    if (m_planarOutput)
        packPlanar(all(outputs), frames, m_targetBytesPerSample, result->getData());
    else
        packInterleaved(all(outputs), frames, m_targetBytesPerSample, result->getData());
    m_framesEmitted += static_cast<uint64_t>(frames);
    return chunk;
}

} // namespace orxa::samplerateconverter
