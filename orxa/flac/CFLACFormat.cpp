#include "orxa/flac/CFLACFormat.h"

#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/COrxaError.h"
#include "orxa/common/IPluginHost.h"
#include "orxa/common/hostLogging.h"
#include "orxa/flac/pcmPacking.h"
#include "tamu/CException.h"
#include "tamu/CStringFormat.h"
#include "tamu/CURI.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMemoryManager.h"
#include "tamu/ISeekableOutStream.h"
#include "tamu/IStreamManager.h"

#include <climits>
#include <exception>
#include <new>

namespace orxa::flac {

namespace {

constexpr uint32_t maxLpcOrder = 8;
constexpr uint32_t residualPartitionOrder = 3;
constexpr uint32_t blockSize = 4608;

struct BitRate {
    int32_t sampleRate;
    int64_t mono;
    int64_t other;
};

// Typical FLAC output, bits per second.
constexpr BitRate bitRates[] = {
    {48000, 430000, 815000}, {44100, 410000, 785000}, {32000, 320000, 620000},
    {22050, 230000, 465000}, {16000, 180000, 350000},
};
constexpr int64_t otherBitRate = 800000;

} // namespace

CFLACFormat::CFLACFormat(common::IPluginHost* host, const tamu::P<tamu::IString>& pluginName,
                         const tamu::P<tamu::IString>& location, int32_t sampleRate,
                         int32_t channels, int32_t bytesPerSample)
    : m_uri(tamu::make<tamu::CURI>(*location)), m_host(host), m_sampleRate(sampleRate),
      m_channels(channels), m_bytesPerSample(bytesPerSample), m_pluginName(pluginName) {}

CFLACFormat::~CFLACFormat() {
    try {
        close();
    } catch (...) {
        if (m_encoder)
            FLAC__stream_encoder_delete(m_encoder);
    }
}

bool CFLACFormat::isOpen() {
    return m_outStream && !m_outStream->isClosed() && m_encoder;
}

void CFLACFormat::open() {
    // A format opened again writes a new file, which must be finished in its turn; what an
    // earlier open left in place is finished first.
    close();
    m_isFinished = false;
    log(tamu::formatString("CFLACFormat: trying to open %s", locationText()));

    // libFLAC takes 32-bit samples; a chunk sample of any other size has no reading, and a
    // chunk without channels has no frames.
    if (m_bytesPerSample < 1 || m_bytesPerSample > 4 || m_channels < 1) {
        log(tamu::formatString("CFLACFormat: error starting encoder (%s)\n%s", locationText(),
                               tamu::formatString("unsupported layout: %d channels of %d bytes",
                                                  m_channels, m_bytesPerSample)));
        return;
    }

    try {
        m_outStream = tamu::getStreamManager()->openSeekableOutStream(m_uri.get(), 0, 2, false);
    } catch (const std::exception& e) {
        log(tamu::formatString("CFLACFormat: error creating output stream (%s)\n%s", locationText(),
                               e.what()));
    } catch (...) {
        log(tamu::formatString("CFLACFormat: error creating output stream (%s)", locationText()));
    }
    if (!m_outStream)
        return;

    try {
        startEncoder();
    } catch (const std::exception& e) {
        log(tamu::formatString("CFLACFormat: error starting encoder (%s)\n%s", locationText(),
                               e.what()));
    } catch (...) {
        log(tamu::formatString("CFLACFormat: error starting encoder (%s)", locationText()));
    }
}

void CFLACFormat::startEncoder() {
    m_encoder = FLAC__stream_encoder_new();
    if (!m_encoder)
        throw std::bad_alloc();
    FLAC__stream_encoder_set_channels(m_encoder, static_cast<uint32_t>(m_channels));
    FLAC__stream_encoder_set_sample_rate(m_encoder, static_cast<uint32_t>(m_sampleRate));
    FLAC__stream_encoder_set_bits_per_sample(m_encoder,
                                             static_cast<uint32_t>(m_bytesPerSample) * 8);
    if (m_channels == 2)
        FLAC__stream_encoder_set_do_mid_side_stereo(m_encoder, true);
    FLAC__stream_encoder_set_max_lpc_order(m_encoder, maxLpcOrder);
    FLAC__stream_encoder_set_min_residual_partition_order(m_encoder, residualPartitionOrder);
    FLAC__stream_encoder_set_max_residual_partition_order(m_encoder, residualPartitionOrder);
    FLAC__stream_encoder_set_blocksize(m_encoder, blockSize);
    if (FLAC__stream_encoder_init_stream(m_encoder, &writeCallback, &seekCallback, &tellCallback,
                                         nullptr, this) != FLAC__STREAM_ENCODER_INIT_STATUS_OK)
        log(tamu::formatString("CFLACFormat: error init stream (%s)", locationText()));
}

void CFLACFormat::close() {
    if (m_outStream && !m_outStream->isClosed()) {
        if (!m_isFinished) {
            // close also runs from the destructor: a file that cannot be finished is reported
            // in the log only.
            if (m_encoder && !FLAC__stream_encoder_finish(m_encoder))
                log(tamu::formatString("CFLACFormat: error process interleaved (%s)",
                                       locationText()));
            m_isFinished = true;
        }
        tamu::P<tamu::ISeekableOutStream> stream = m_outStream;
        m_outStream = nullptr;
        try {
            stream->close();
        } catch (...) {
            if (m_encoder)
                FLAC__stream_encoder_delete(m_encoder);
            m_encoder = nullptr;
            throw;
        }
    }
    m_outStream = nullptr;
    if (m_encoder) {
        FLAC__stream_encoder_delete(m_encoder);
        m_encoder = nullptr;
    }
}

tamu::P<tamu::IURI> CFLACFormat::getURI() {
    return m_uri;
}

bool CFLACFormat::queryFlag() {
    return true;
}

tamu::P<tamu::IString> CFLACFormat::getPluginName() {
    return m_pluginName;
}

int64_t CFLACFormat::estimateSize(double seconds) {
    int64_t bitRate = otherBitRate;
    for (const BitRate& entry : bitRates)
        if (entry.sampleRate == m_sampleRate)
            bitRate = m_channels == 1 ? entry.mono : entry.other;
    return (bitRate >> 3) * static_cast<int64_t>(seconds);
}

int32_t CFLACFormat::getSampleRate() {
    return m_sampleRate;
}

int32_t CFLACFormat::getChannels() {
    return m_channels;
}

int32_t CFLACFormat::getBytesPerSample() {
    return m_bytesPerSample;
}

void CFLACFormat::reservedSlot4(int32_t, int32_t) {}

void CFLACFormat::reservedSlot5(int32_t, int32_t, int32_t) {}

void CFLACFormat::writeAudioChunk(const tamu::P<audio::IAudioChunk>& chunk) {
    if (!isOpen())
        throw common::COrxaError(tamu::str("error during FLAC encoding"));
    const int32_t frames = chunk->getSize() / (m_channels * m_bytesPerSample);
    const int32_t count = frames * m_channels;
    tamu::P<tamu::IMemoryBlock> work = m_host->getMemoryManager()->allocate(count * 4);
    auto* samples = reinterpret_cast<int32_t*>(work->getData());
    unpackSamples(chunk->getData(), count, m_bytesPerSample, samples);
    if (m_encoder && !FLAC__stream_encoder_process_interleaved(m_encoder, samples,
                                                               static_cast<uint32_t>(frames))) {
        log(tamu::formatString("CFLACFormat: error process interleaved (%s)", locationText()));
        // The file lacks this audio now; the host must learn that it is incomplete.
        throw common::COrxaError(tamu::str("error during FLAC encoding"));
    }
}

FLAC__StreamEncoderWriteStatus CFLACFormat::writeCallback(const FLAC__StreamEncoder*,
                                                          const FLAC__byte buffer[], size_t bytes,
                                                          uint32_t, uint32_t, void* self) {
    return static_cast<CFLACFormat*>(self)->writeBytes(buffer, bytes);
}

FLAC__StreamEncoderSeekStatus CFLACFormat::seekCallback(const FLAC__StreamEncoder*,
                                                        FLAC__uint64 offset, void* self) {
    return static_cast<CFLACFormat*>(self)->seekTo(offset);
}

FLAC__StreamEncoderTellStatus CFLACFormat::tellCallback(const FLAC__StreamEncoder*,
                                                        FLAC__uint64* offset, void* self) {
    return static_cast<CFLACFormat*>(self)->tell(offset);
}

FLAC__StreamEncoderWriteStatus CFLACFormat::writeBytes(const FLAC__byte* buffer, size_t bytes) {
    try {
        try {
            if (!m_outStream)
                return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
            // libFLAC hands over one frame at a time, far below 2 GiB.
            m_outStream->write(buffer, static_cast<int32_t>(bytes));
            return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
        } catch (const tamu::CException&) {
            log(tamu::formatString("CFLACFormat: writeHandler %s", locationText()));
        } catch (const std::exception& e) {
            log(tamu::formatString("CFLACFormat: writeHandler %s\n%s", locationText(), e.what()));
        } catch (...) {
            log(tamu::formatString("CFLACFormat: writeHandler %s", locationText()));
        }
    } catch (...) {
        // The log line itself failed; libFLAC still learns of the error.
    }
    return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
}

FLAC__StreamEncoderSeekStatus CFLACFormat::seekTo(FLAC__uint64 offset) {
    try {
        try {
            if (!m_outStream)
                return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
            m_outStream->seek(static_cast<int64_t>(offset));
            return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
        } catch (const tamu::CException& e) {
            log(tamu::formatString("CFLACFormat: seekHandler %s\n%s", locationText(),
                                   e.getMessage()));
        } catch (const std::exception& e) {
            log(tamu::formatString("CFLACFormat: seekHandler %s\n%s", locationText(), e.what()));
        } catch (...) {
            log(tamu::formatString("CFLACFormat: seekHandler %s", locationText()));
        }
    } catch (...) {
    }
    return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
}

FLAC__StreamEncoderTellStatus CFLACFormat::tell(FLAC__uint64* offset) {
    try {
        try {
            if (!m_outStream)
                return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
            *offset = static_cast<FLAC__uint64>(m_outStream->getPosition());
            return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
        } catch (const tamu::CException&) {
            log(tamu::formatString("CFLACFormat: tellHandler %s", locationText()));
        } catch (const std::exception& e) {
            log(tamu::formatString("CFLACFormat: tellHandler %s\n%s", locationText(), e.what()));
        } catch (...) {
            log(tamu::formatString("CFLACFormat: tellHandler %s", locationText()));
        }
    } catch (...) {
    }
    return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
}

void CFLACFormat::log(const tamu::P<tamu::IString>& text) {
    // Every line of the format is progress or failure of opening and writing.
    common::logToHost(*m_host, common::hostLevelProgress, text);
}

tamu::P<tamu::IString> CFLACFormat::locationText() const {
    return m_uri->toString();
}

} // namespace orxa::flac
