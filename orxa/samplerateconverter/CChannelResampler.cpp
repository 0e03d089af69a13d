#include "orxa/samplerateconverter/CChannelResampler.h"

#include "orxa/samplerateconverter/converterErrors.h"

#include <soxr.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace orxa::samplerateconverter {

CChannelResampler::CChannelResampler(int32_t sourceRate, int32_t targetRate, bool wide) {
    if (sourceRate <= 0 || targetRate <= 0)
        throwResamplerFailure("sample rates must be positive");
    if (sourceRate == targetRate)
        return;
    // Music: linear phase; 16-bit audio gets soxr's high quality, which is already below its
    // noise, wider audio the very high quality that 24 bits need. Without dither the output
    // depends on the input alone, and one thread keeps the work on the caller's thread.
    const soxr_io_spec_t io = [wide] {
        const soxr_datatype_t type = wide ? SOXR_INT32_I : SOXR_INT16_I;
        soxr_io_spec_t types = soxr_io_spec(type, type);
        types.flags |= SOXR_NO_DITHER;
        return types;
    }();
    const soxr_quality_spec_t quality =
        soxr_quality_spec(wide ? SOXR_VHQ : SOXR_HQ, SOXR_LINEAR_PHASE);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    m_resampler = soxr_create(sourceRate, targetRate, 1, &error, &io, &quality, &runtime);
    if (error) {
        soxr_delete(m_resampler);
        throwResamplerFailure(error);
    }
}

CChannelResampler::CChannelResampler(CChannelResampler&& other) noexcept
    : m_resampler(std::exchange(other.m_resampler, nullptr)) {}

CChannelResampler& CChannelResampler::operator=(CChannelResampler&& other) noexcept {
    std::swap(m_resampler, other.m_resampler);
    return *this;
}

CChannelResampler::~CChannelResampler() {
    soxr_delete(m_resampler);
}

int32_t CChannelResampler::process(const int16_t* in, int32_t inSamples, int32_t& consumed,
                                   int16_t* out, int32_t outCapacity) {
    return processBytes(in, inSamples, consumed, out, outCapacity, 2);
}

int32_t CChannelResampler::process(const int32_t* in, int32_t inSamples, int32_t& consumed,
                                   int32_t* out, int32_t outCapacity) {
    return processBytes(in, inSamples, consumed, out, outCapacity, 4);
}

int32_t CChannelResampler::drain(int16_t* out, int32_t outCapacity) {
    return drainBytes(out, outCapacity);
}

int32_t CChannelResampler::drain(int32_t* out, int32_t outCapacity) {
    return drainBytes(out, outCapacity);
}

int32_t CChannelResampler::processBytes(const void* in, int32_t inSamples, int32_t& consumed,
                                        void* out, int32_t outCapacity, int32_t sampleBytes) {
    if (!m_resampler) {
        const int32_t n = std::max(0, std::min(inSamples, outCapacity));
        std::memcpy(out, in, static_cast<std::size_t>(n) * static_cast<std::size_t>(sampleBytes));
        consumed = n;
        return n;
    }
    // soxr reads a null input as the end of the stream, so no input is an empty run instead.
    static const int32_t none = 0;
    std::size_t taken = 0;
    std::size_t written = 0;
    const soxr_error_t error =
        soxr_process(m_resampler, inSamples > 0 ? in : &none, std::max(inSamples, 0), &taken, out,
                     static_cast<std::size_t>(std::max(outCapacity, 0)), &written);
    if (error)
        throwResamplerFailure(error);
    consumed = static_cast<int32_t>(taken);
    return static_cast<int32_t>(written);
}

int32_t CChannelResampler::drainBytes(void* out, int32_t outCapacity) {
    if (!m_resampler)
        return 0;
    std::size_t written = 0;
    const soxr_error_t error =
        soxr_process(m_resampler, nullptr, 0, nullptr, out,
                     static_cast<std::size_t>(std::max(outCapacity, 0)), &written);
    if (error)
        throwResamplerFailure(error);
    return static_cast<int32_t>(written);
}

} // namespace orxa::samplerateconverter
