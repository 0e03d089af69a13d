#include "orxa/flac/CFLACFormat.h"

#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/COrxaError.h"
#include "orxa/common/IPluginHost.h"
#include "orxa/common/IStreamPicture.h"
#include "orxa/common/hostLogging.h"
#include "orxa/flac/CEncoderMetadata.h"
#include "orxa/flac/callbackGuard.h"
#include "orxa/flac/pcmPacking.h"
#include "tamu/CException.h"
#include "tamu/CStringFormat.h"
#include "tamu/CURI.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMemoryManager.h"
#include "tamu/ISeekableOutStream.h"
#include "tamu/IStreamManager.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <climits>
#include <cmath>
#include <exception>
#include <new>
#include <stdexcept>

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

struct CFLACFormat::Settings {
    std::vector<std::string> tags;
    std::vector<CEncoderMetadata::Picture> pictures;
    int32_t padding = 0;
    int32_t level = -1;
    double seekSeconds = 0.0;
    int64_t seekTotal = 0;
    bool verify = false;
    int64_t totalEstimate = 0;
};

CFLACFormat::CFLACFormat(common::IPluginHost* host, const tamu::P<tamu::IString>& pluginName,
                         const tamu::P<tamu::IString>& location, int32_t sampleRate,
                         int32_t channels, int32_t bytesPerSample)
    : m_uri(tamu::make<tamu::CURI>(*location)), m_host(host), m_sampleRate(sampleRate),
      m_channels(channels), m_bytesPerSample(bytesPerSample), m_pluginName(pluginName),
      m_settings(std::make_unique<Settings>()) {}

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
    m_failure = nullptr;
    m_failureReason = nullptr;
    log(tamu::formatString("CFLACFormat: trying to open %s", locationText()));

    // libFLAC takes 32-bit samples; a chunk sample of any other size has no reading, and a
    // chunk without channels has no frames.
    if (m_bytesPerSample < 1 || m_bytesPerSample > 4 || m_channels < 1) {
        fail(tamu::formatString("CFLACFormat: error starting encoder (%s)\n%s", locationText(),
                                tamu::formatString("unsupported layout: %d channels of %d bytes",
                                                   m_channels, m_bytesPerSample)));
        return;
    }

    try {
        m_outStream = tamu::getStreamManager()->openSeekableOutStream(
            m_uri.get(), tamu::shareNone, tamu::createOrTruncate, false);
    } catch (const std::exception& e) {
        fail(tamu::formatString("CFLACFormat: error creating output stream (%s)\n%s",
                                locationText(), e.what()));
    } catch (...) {
        fail(tamu::formatString("CFLACFormat: error creating output stream (%s)", locationText()));
    }
    if (!m_outStream)
        return;

    try {
        startEncoder();
    } catch (const std::exception& e) {
        fail(tamu::formatString("CFLACFormat: error starting encoder (%s)\n%s", locationText(),
                                e.what()));
    } catch (...) {
        fail(tamu::formatString("CFLACFormat: error starting encoder (%s)", locationText()));
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
    const Settings& settings = *m_settings;
    if (settings.level >= 0) {
        FLAC__stream_encoder_set_compression_level(m_encoder,
                                                   static_cast<uint32_t>(settings.level));
    } else {
        if (m_channels == 2)
            FLAC__stream_encoder_set_do_mid_side_stereo(m_encoder, true);
        FLAC__stream_encoder_set_max_lpc_order(m_encoder, maxLpcOrder);
        FLAC__stream_encoder_set_min_residual_partition_order(m_encoder, residualPartitionOrder);
        FLAC__stream_encoder_set_max_residual_partition_order(m_encoder, residualPartitionOrder);
        FLAC__stream_encoder_set_blocksize(m_encoder, blockSize);
    }
    FLAC__stream_encoder_set_verify(m_encoder, settings.verify);
    if (settings.totalEstimate > 0)
        FLAC__stream_encoder_set_total_samples_estimate(
            m_encoder, static_cast<FLAC__uint64>(settings.totalEstimate));
    m_metadata = makeMetadata();
    if (m_metadata)
        FLAC__stream_encoder_set_metadata(m_encoder, m_metadata->blocks(), m_metadata->count());
    if (FLAC__stream_encoder_init_stream(m_encoder, &writeCallback, &seekCallback, &tellCallback,
                                         nullptr, this) != FLAC__STREAM_ENCODER_INIT_STATUS_OK)
        fail(tamu::formatString("CFLACFormat: error init stream (%s)", locationText()));
}

void CFLACFormat::close() {
    if (m_outStream && !m_outStream->isClosed()) {
        if (!m_isFinished) {
            // close also runs from the destructor: a file that cannot be finished is reported
            // in the log only.
            if (m_encoder && !FLAC__stream_encoder_finish(m_encoder))
                fail(tamu::formatString("CFLACFormat: error process interleaved (%s)",
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
    // The encoder is gone, and with it the last reader of the blocks.
    m_metadata.reset();
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
        fail(tamu::formatString("CFLACFormat: error process interleaved (%s)", locationText()));
        // The file lacks this audio now; the host must learn that it is incomplete.
        throw common::COrxaError(encodingFailure());
    }
}

tamu::P<tamu::IString> CFLACFormat::encodingFailure() const {
    if (m_encoder && FLAC__stream_encoder_get_state(m_encoder) ==
                         FLAC__STREAM_ENCODER_VERIFY_MISMATCH_IN_AUDIO_DATA) {
        FLAC__uint64 sample = 0;
        uint32_t frame = 0, channel = 0, offset = 0;
        FLAC__int32 expected = 0, got = 0;
        FLAC__stream_encoder_get_verify_decoder_error_stats(m_encoder, &sample, &frame, &channel,
                                                            &offset, &expected, &got);
        return tamu::formatString("error during FLAC encoding: verification failed at sample %lld "
                                  "(channel %d: %d written, %d decoded)",
                                  static_cast<long long>(sample), static_cast<int32_t>(channel),
                                  static_cast<int32_t>(expected), static_cast<int32_t>(got));
    }
    return tamu::str("error during FLAC encoding");
}

void CFLACFormat::requireNotStarted(const char* method) const {
    if (m_encoder)
        throw common::COrxaError(
            tamu::formatString("CFLACFormat::%s() - encoder settings go before open (%s is open)",
                               tamu::stringConv::fromUTF8(method), locationText()));
}

void CFLACFormat::addTag(const tamu::P<tamu::IString>& tag) {
    requireNotStarted("addTag");
    const std::string text = tag ? tamu::stringConv::toStdString(*tag) : std::string();
    const size_t equals = text.find('=');
    if (equals == std::string::npos || !isVorbisFieldName(text.substr(0, equals)))
        throw common::COrxaError(tamu::formatString(
            "CFLACFormat::addTag() - not NAME=value with a Vorbis comment field name: %s",
            tamu::stringConv::fromStd(text)));
    m_settings->tags.push_back(text);
}

void CFLACFormat::clearTags() {
    requireNotStarted("clearTags");
    m_settings->tags.clear();
}

void CFLACFormat::addPicture(common::IStreamPicture* picture) {
    requireNotStarted("addPicture");
    if (!picture)
        throw common::COrxaError(tamu::str("CFLACFormat::addPicture() - no picture"));
    CEncoderMetadata::Picture fields;
    fields.type = picture->getPictureType();
    // The picture types of ID3v2 APIC, which FLAC takes over.
    if (fields.type < 0 || fields.type > 20)
        throw common::COrxaError(tamu::formatString(
            "CFLACFormat::addPicture() - picture type %d outside 0 to 20", fields.type));
    if (tamu::P<tamu::IString> mime = picture->getMimeType())
        fields.mimeType = tamu::stringConv::toStdString(*mime);
    if (tamu::P<tamu::IString> description = picture->getDescription())
        fields.description = tamu::stringConv::toStdString(*description);
    fields.width = static_cast<uint32_t>(std::max(0, picture->getWidth()));
    fields.height = static_cast<uint32_t>(std::max(0, picture->getHeight()));
    fields.depth = static_cast<uint32_t>(std::max(0, picture->getDepth()));
    fields.colours = static_cast<uint32_t>(std::max(0, picture->getColours()));
    if (tamu::P<tamu::IMemoryBlock> data = picture->getData())
        fields.data.assign(data->getData(), data->getData() + data->getSize());
    // libFLAC's own rules, checked now so that open does not fail for them later.
    try {
        CEncoderMetadata check;
        check.addPicture(fields);
    } catch (const std::invalid_argument& e) {
        throw common::COrxaError(tamu::formatString("CFLACFormat::addPicture() - %s",
                                                    tamu::stringConv::fromUTF8(e.what())));
    }
    m_settings->pictures.push_back(std::move(fields));
}

void CFLACFormat::setPadding(int32_t bytes) {
    requireNotStarted("setPadding");
    // A metadata block's length has 24 bits.
    if (bytes < 0 || bytes > (1 << 24) - 1)
        throw common::COrxaError(tamu::formatString(
            "CFLACFormat::setPadding() - %d bytes outside 0 to 16777215", bytes));
    m_settings->padding = bytes;
}

void CFLACFormat::setCompressionLevel(int32_t level) {
    requireNotStarted("setCompressionLevel");
    if (level < -1 || level > 8)
        throw common::COrxaError(tamu::formatString(
            "CFLACFormat::setCompressionLevel() - level %d outside 0 to 8 (-1: fixed settings)",
            level));
    m_settings->level = level;
}

void CFLACFormat::setSeekPoints(double seconds, int64_t totalSamples) {
    requireNotStarted("setSeekPoints");
    if (!(seconds >= 0.0) || !std::isfinite(seconds) || totalSamples < 0)
        throw common::COrxaError(tamu::str(
            "CFLACFormat::setSeekPoints() - seconds and total samples must not be negative"));
    m_settings->seekSeconds = seconds;
    m_settings->seekTotal = totalSamples;
}

void CFLACFormat::setVerify(bool verify) {
    requireNotStarted("setVerify");
    m_settings->verify = verify;
}

void CFLACFormat::setTotalSamplesEstimate(int64_t samples) {
    requireNotStarted("setTotalSamplesEstimate");
    if (samples < 0)
        throw common::COrxaError(tamu::str(
            "CFLACFormat::setTotalSamplesEstimate() - the estimate must not be negative"));
    m_settings->totalEstimate = samples;
}

std::unique_ptr<CEncoderMetadata> CFLACFormat::makeMetadata() const {
    const Settings& settings = *m_settings;
    const auto samplesApart =
        static_cast<uint64_t>(std::llround(settings.seekSeconds * m_sampleRate));
    const bool seekPoints = samplesApart > 0 && settings.seekTotal > 0;
    if (settings.tags.empty() && settings.pictures.empty() && settings.padding == 0 && !seekPoints)
        return nullptr;
    auto metadata = std::make_unique<CEncoderMetadata>();
    // libFLAC writes its vendor string into the tag block it is given, as into its own.
    metadata->addTags(settings.tags);
    for (const CEncoderMetadata::Picture& picture : settings.pictures)
        metadata->addPicture(picture);
    if (seekPoints)
        metadata->addSeekPoints(static_cast<uint32_t>(std::min<uint64_t>(samplesApart, UINT32_MAX)),
                                static_cast<uint64_t>(settings.seekTotal));
    if (settings.padding > 0)
        metadata->addPadding(static_cast<uint32_t>(settings.padding));
    return metadata;
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

// The encoder's handlers name themselves in their failure lines; only the seek handler's line
// carries the foundation's message.
auto CFLACFormat::handlerFailure(const char* handler, bool withMessage) {
    // The reason is kept for the host whatever the line shows: a file that could not be written
    // should say why.
    return [this, handler, withMessage](const CallbackFailure& failure) {
        if (failure.what)
            fail(tamu::formatString("CFLACFormat: %s %s\n%s", handler, locationText(),
                                    failure.what),
                 tamu::stringConv::fromUTF8(failure.what));
        else if (failure.message && withMessage)
            fail(tamu::formatString("CFLACFormat: %s %s\n%s", handler, locationText(),
                                    failure.message),
                 failure.message);
        else
            fail(tamu::formatString("CFLACFormat: %s %s", handler, locationText()),
                 failure.message);
    };
}

FLAC__StreamEncoderWriteStatus CFLACFormat::writeBytes(const FLAC__byte* buffer, size_t bytes) {
    return guardCallback(
        FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR,
        [&] {
            if (!m_outStream)
                return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
            // libFLAC hands over one frame at a time, far below 2 GiB.
            m_outStream->write(buffer, static_cast<int32_t>(bytes));
            return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
        },
        handlerFailure("writeHandler", false));
}

FLAC__StreamEncoderSeekStatus CFLACFormat::seekTo(FLAC__uint64 offset) {
    return guardCallback(
        FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR,
        [&] {
            if (!m_outStream)
                return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
            m_outStream->seek(static_cast<int64_t>(offset));
            return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
        },
        handlerFailure("seekHandler", true));
}

FLAC__StreamEncoderTellStatus CFLACFormat::tell(FLAC__uint64* offset) {
    return guardCallback(
        FLAC__STREAM_ENCODER_TELL_STATUS_ERROR,
        [&] {
            if (!m_outStream)
                return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
            *offset = static_cast<FLAC__uint64>(m_outStream->getPosition());
            return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
        },
        handlerFailure("tellHandler", false));
}

void CFLACFormat::fail(const tamu::P<tamu::IString>& text, const tamu::P<tamu::IString>& reason) {
    if (!m_failure) {
        m_failure = text;
        m_failureReason = reason;
    }
    log(text);
}

bool CFLACFormat::hasFailed() {
    return m_failure != nullptr;
}

tamu::P<tamu::IString> CFLACFormat::getFailure() {
    return m_failure;
}

tamu::P<tamu::IString> CFLACFormat::getFailureReason() {
    return m_failureReason;
}

void CFLACFormat::log(const tamu::P<tamu::IString>& text) {
    // Every line of the format is progress or failure of opening and writing.
    common::logToHost(*m_host, common::hostLevelProgress, text);
}

tamu::P<tamu::IString> CFLACFormat::locationText() const {
    return m_uri->toString();
}

} // namespace orxa::flac
