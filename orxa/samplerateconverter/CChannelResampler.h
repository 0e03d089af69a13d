#pragma once

#include <cstdint>

struct soxr;

namespace orxa::samplerateconverter {

// Resamples one channel of 16-bit or of 32-bit samples and keeps its filter state between calls.
// Equal rates need no filter: the samples pass through unchanged and without delay. Output is
// deterministic: the same input gives the same samples on every run.
class CChannelResampler {
public:
    // `wide` resamples 32-bit samples with a filter whose noise stays below 24-bit resolution;
    // otherwise 16-bit samples with one made for 16-bit audio.
    CChannelResampler(int32_t sourceRate, int32_t targetRate, bool wide = false);
    CChannelResampler(CChannelResampler&& other) noexcept;
    CChannelResampler& operator=(CChannelResampler&& other) noexcept;
    CChannelResampler(const CChannelResampler&) = delete;
    CChannelResampler& operator=(const CChannelResampler&) = delete;
    ~CChannelResampler();

    // Takes up to `inSamples` samples, writes at most `outCapacity` and returns how many it
    // wrote; `consumed` tells how many input samples it took. Input left over is the caller's to
    // offer again.
    // The sample type is the one the resampler was made for.
    int32_t process(const int16_t* in, int32_t inSamples, int32_t& consumed, int16_t* out,
                    int32_t outCapacity);
    int32_t process(const int32_t* in, int32_t inSamples, int32_t& consumed, int32_t* out,
                    int32_t outCapacity);

    // After the last input: writes at most `outCapacity` samples of what the filter still holds
    // and returns how many; 0 once it holds nothing. No input may follow.
    int32_t drain(int16_t* out, int32_t outCapacity);
    int32_t drain(int32_t* out, int32_t outCapacity);

private:
    int32_t processBytes(const void* in, int32_t inSamples, int32_t& consumed, void* out,
                         int32_t outCapacity, int32_t sampleBytes);
    int32_t drainBytes(void* out, int32_t outCapacity);

    soxr* m_resampler = nullptr;
};

} // namespace orxa::samplerateconverter
