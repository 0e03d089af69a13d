#include "orxa/flac/CFLACSource.h"

#include "orxa/audio/CAudioChunkPool.h"
#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/COrxaEOFError.h"
#include "orxa/common/COrxaError.h"
#include "orxa/common/CStreamPicture.h"
#include "orxa/common/IPluginHost.h"
#include "orxa/common/hostLogging.h"
#include "orxa/flac/CBackgroundMD5.h"
#include "orxa/flac/callbackGuard.h"
#include "orxa/flac/pcmPacking.h"
#include "orxa/samplerateconverter/CSampleRateConverter.h"
#include "tamu/CArray.h"
#include "tamu/CConstArray.h"
#include "tamu/CException.h"
#include "tamu/CStringFormat.h"
#include "tamu/CURI.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMemoryManager.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/ISeekableInStream.h"
#include "tamu/IStreamManager.h"
#include "tamu/platformServices.h"
#include "tamu/stringConv.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>

namespace orxa::flac {

namespace {

// Decoded frames the MD5 thread may fall behind by: enough to ride out a stall of either
// thread, few enough that the held blocks stay small (16 frames of 4096 stereo 16-bit samples
// are 256 KiB).
constexpr size_t hasherQueueLength = 16;

using common::hostLevelProgress;
using common::hostLevelSevere;

const char* errorStatusName(int32_t status) {
    switch (status) {
    case FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC:
        return "FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC";
    case FLAC__STREAM_DECODER_ERROR_STATUS_BAD_HEADER:
        return "FLAC__STREAM_DECODER_ERROR_STATUS_BAD_HEADER";
    case FLAC__STREAM_DECODER_ERROR_STATUS_FRAME_CRC_MISMATCH:
        return "FLAC__STREAM_DECODER_ERROR_STATUS_FRAME_CRC_MISMATCH";
    case FLAC__STREAM_DECODER_ERROR_STATUS_UNPARSEABLE_STREAM:
        return "FLAC__STREAM_DECODER_ERROR_STATUS_UNPARSEABLE_STREAM";
    default:
        return "Unknown Error";
    }
}

// Bytes of the container a bit depth is stored in.
int32_t containerBytes(uint32_t bits) {
    return static_cast<int32_t>((bits + 7) >> 3);
}

} // namespace

CFLACSource::CFLACSource(common::IPluginHost* host, const tamu::P<tamu::IString>& pluginName,
                         const tamu::P<tamu::IString>& location, int32_t sampleRate,
                         int32_t channels, int32_t bytesPerSample)
    : m_uri(tamu::make<tamu::CURI>(*location)), m_host(host), m_sampleRate(sampleRate),
      m_channels(channels), m_bytesPerSample(bytesPerSample), m_pluginName(pluginName),
      m_chunks(tamu::make<audio::CAudioChunkPool>()),
      m_lock(tamu::getMutexFactory()->createMutex()) {}

CFLACSource::~CFLACSource() {
    // A decoder error still pending has no one left to hear it.
    try {
        close();
    } catch (...) {
        deleteDecoder();
    }
}

bool CFLACSource::isOpen() {
    tamu::CMutexLock guard(*m_lock);
    return isOpened();
}

bool CFLACSource::isOpened() const {
    return m_state == EState::opened || m_state == EState::atEnd;
}

void CFLACSource::open() {
    tamu::CMutexLock guard(*m_lock);
    if (isOpened())
        return;
    log(hostLevelProgress, tamu::formatString("CFLACSource: trying to open %s", locationText()));

    m_inStream = tamu::getStreamManager()->openSeekableInStream(m_uri.get(), tamu::shareReaders);
    m_seekable = probeSeekable();
    m_seeked = false;
    m_metadataKnown = false;

    // What a failed open left behind goes first, so it cannot leak or answer for this file.
    deleteDecoder();
    // Failed until the last step below succeeds.
    resetDecoding(EState::failed);
    forgetFile();

    m_decoder = FLAC__stream_decoder_new();
    if (!m_decoder)
        throw common::COrxaError(tamu::formatString(
            "CFLACSource::open() - failed to read metadata in %s", locationText()));
    FLAC__stream_decoder_set_metadata_respond(m_decoder, FLAC__METADATA_TYPE_VORBIS_COMMENT);
    FLAC__stream_decoder_set_metadata_respond(m_decoder, FLAC__METADATA_TYPE_SEEKTABLE);
    if (m_readPictures)
        FLAC__stream_decoder_set_metadata_respond(m_decoder, FLAC__METADATA_TYPE_PICTURE);
    // The signature is checked by m_hasher on a second thread, not by libFLAC on this one.
    FLAC__stream_decoder_set_md5_checking(m_decoder, false);
    if (initStream() != FLAC__STREAM_DECODER_INIT_STATUS_OK)
        throw common::COrxaError(tamu::formatString(
            "CFLACSource::open() - failed to read metadata in %s", locationText()));

    reportDecoderError();
    if (!FLAC__stream_decoder_process_until_end_of_metadata(m_decoder))
        throw common::COrxaError(tamu::formatString(
            "CFLACSource::open() - failed to read metadata in %s", locationText()));
    m_metadataKnown = true;

    // A header that contradicts itself would make every later answer about the stream a guess;
    // without one (its block type damaged) there is no layout to decode into at all.
    if (m_streamInfoBlocks == 0)
        m_streamInfoDamage = "no STREAMINFO block";
    if (m_streamInfoDamage) {
        tamu::P<tamu::IString> damage = tamu::stringConv::fromUTF8(m_streamInfoDamage);
        close();
        throw common::COrxaError(tamu::formatString("CFLACSource::open() - damaged file: %s in %s",
                                                    damage, locationText()));
    }

    // A total of 0 means the encoder did not know it (a stream written as it was made): the
    // audio is decoded to its end all the same, and the duration stays unknown.
    if (m_totalSamples == 0)
        m_duration = -1.0;

    reportDecoderError();
    if (m_decodedChannels != m_channels || m_decodedSampleRate != m_sampleRate ||
        m_decodedBytesPerSample != m_bytesPerSample) {
        tamu::P<tamu::IMemoryManager> memory = m_host->getMemoryManager();
        m_converter = tamu::make<samplerateconverter::CSampleRateConverter>(
            m_decodedSampleRate, m_decodedChannels, m_decodedBytesPerSample, m_sampleRate,
            m_channels, m_bytesPerSample, memory.get(), false);
    }
    if (m_md5Active && !m_md5IsZero)
        m_hasher = std::make_unique<CBackgroundMD5>(hasherQueueLength);
    m_state = EState::opened;
}

void CFLACSource::close() {
    tamu::CMutexLock guard(*m_lock);
    deleteDecoder();
    reportDecoderError();
    if (m_inStream && !m_inStream->isClosed())
        m_inStream->close();
    m_inStream = nullptr;
    resetDecoding(EState::closed);
    log(hostLevelProgress, tamu::formatString("CFLACSource: %s closed", locationText()));
}

void CFLACSource::resetDecoding(EState state) {
    m_decodedChannels = 0;
    m_decodedSampleRate = 0;
    m_decodedBytesPerSample = 0;
    m_handedOutBlock = nullptr;
    m_hasher.reset();
    m_decodedSamples = 0;
    m_position = 0;
    dropReadyFrames();
    m_errorPending = false;
    m_endStep = EEndStep::converterRest;
    m_state = state;
}

void CFLACSource::forgetFile() {
    m_infoSampleRate = 0;
    m_infoChannels = 0;
    m_infoBitsPerSample = 0;
    m_totalSamples = 0;
    m_tags = nullptr;
    m_vendor = nullptr;
    std::fill(std::begin(m_md5), std::end(m_md5), uint8_t{0});
    m_blockSizes[0] = m_blockSizes[1] = 0;
    m_frameSizes[0] = m_frameSizes[1] = 0;
    m_seekPoints = 0;
    m_pictures.clear();
    m_md5Active = m_checkMD5;
    m_streamInfoBlocks = 0;
    m_streamInfoDamage = nullptr;
    m_md5IsZero = true;
    m_readFailure = nullptr;
    m_lostSyncCount = 0;
    m_crcMismatchCount = 0;
    m_headerMismatchCount = 0;
    m_lostSamples = 0;
    m_nextSample = 0;
    m_streamEnded = false;
    m_endedEarly = false;
    m_md5Result = EMD5Result::unchecked;
}

void CFLACSource::skipTo(double seconds) {
    requireDecoder("skipTo");
    // Written so that NaN fails too.
    if (!(seconds >= 0.0))
        throw common::COrxaError(
            tamu::formatString("CFLACSource::skipTo() - no such time (%s s) in %s",
                               tamu::stringConv::fromStd(std::to_string(seconds)), locationText()));
    reportDecoderError();
    const double exact = seconds * m_decodedSampleRate;
    const int64_t target = exact >= 0x1p62 ? (int64_t{1} << 62) : std::llround(exact);

    const bool pastEnd = m_totalSamples > 0 && target >= m_totalSamples;
    // Refused before anything moves, so the source stays where it was.
    if (!m_seekable && !pastEnd && target < nextChunkStart())
        throw common::COrxaError(tamu::formatString(
            "CFLACSource::skipTo() - cannot go back in a stream that cannot seek (%s)",
            locationText()));

    m_seeked = true;
    m_hasher.reset();
    m_state = EState::opened;
    m_endStep = EEndStep::converterRest;
    // Whatever the converter holds belongs before the jump.
    if (m_converter)
        m_converter->reset(seconds);
    if (pastEnd) {
        dropReadyFrames();
        m_state = EState::atEnd;
    } else if (m_seekable) {
        seekTo(target);
    } else {
        decodeForwardTo(target);
    }
}

void CFLACSource::seekTo(int64_t target) {
    if (FLAC__stream_decoder_get_state(m_decoder) == FLAC__STREAM_DECODER_UNINITIALIZED)
        restartDecoder();
    dropReadyFrames();
    m_streamEnded = false;
    m_endedEarly = false;
    // libFLAC hands the frame it lands in to the write callback, trimmed to start at the
    // target, and numbered so; the count of lost audio must see it as the next frame.
    const int32_t lostSync = m_lostSyncCount;
    const int32_t crcMismatches = m_crcMismatchCount;
    const int64_t lostSamples = m_lostSamples;
    m_nextSample = target;
    m_position = target;
    if (FLAC__stream_decoder_seek_absolute(m_decoder, static_cast<FLAC__uint64>(target)) &&
        hasReadyFrame()) {
        // Where bisection lands inside a frame is no damage of the stream.
        m_lostSyncCount = lostSync;
        m_crcMismatchCount = crcMismatches;
        m_lostSamples = lostSamples;
        m_errorPending = false;
        return;
    }
    // A damaged file can defeat the search: decode from the start instead.
    dropReadyFrames();
    m_lostSyncCount = lostSync;
    m_crcMismatchCount = crcMismatches;
    m_lostSamples = lostSamples;
    m_errorPending = false;
    if (!FLAC__stream_decoder_reset(m_decoder))
        throw common::COrxaError(tamu::formatString(
            "CFLACSource::skipTo() - failed to return to the start of %s", locationText()));
    m_nextSample = 0;
    m_position = 0;
    decodeForwardTo(target);
}

void CFLACSource::decodeForwardTo(int64_t target) {
    const int32_t frameBytes = m_decodedChannels * m_decodedBytesPerSample;
    for (;;) {
        while (m_nextReadyFrame < m_readyFrames.size()) {
            ReadyFrame& ready = m_readyFrames[m_nextReadyFrame];
            const int64_t start = ready.endSample - ready.block->getSize() / frameBytes;
            if (ready.endSample <= target) {
                ++m_nextReadyFrame;
                continue;
            }
            if (start < target) {
                const auto skipped = static_cast<int32_t>((target - start) * frameBytes);
                const int32_t kept = ready.block->getSize() - skipped;
                tamu::P<tamu::IMemoryBlock> tail = m_host->getMemoryManager()->allocate(kept);
                std::memcpy(tail->getData(), ready.block->getData() + skipped,
                            static_cast<size_t>(kept));
                ready.block = std::move(tail);
            }
            return;
        }
        dropReadyFrames();
        const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(m_decoder);
        if (m_streamEnded || state == FLAC__STREAM_DECODER_END_OF_STREAM) {
            m_state = EState::atEnd;
            return;
        }
        if (state > FLAC__STREAM_DECODER_END_OF_STREAM)
            throw common::COrxaError(
                tamu::formatString("CFLACSource::skipTo() - decoder stopped (%s) in %s",
                                   FLAC__StreamDecoderStateString[state], locationText()));
        reportDecoderError();
        if (!FLAC__stream_decoder_process_single(m_decoder))
            reportDecoderError();
    }
}

int64_t CFLACSource::nextChunkStart() const {
    if (m_nextReadyFrame < m_readyFrames.size()) {
        const ReadyFrame& ready = m_readyFrames[m_nextReadyFrame];
        return ready.endSample -
               ready.block->getSize() / (m_decodedChannels * m_decodedBytesPerSample);
    }
    return m_position;
}

void CFLACSource::restartDecoder() {
    m_inStream->seek(0);
    if (initStream() != FLAC__STREAM_DECODER_INIT_STATUS_OK ||
        !FLAC__stream_decoder_process_until_end_of_metadata(m_decoder))
        throw common::COrxaError(tamu::formatString(
            "CFLACSource::skipTo() - failed to read metadata in %s", locationText()));
}

FLAC__StreamDecoderInitStatus CFLACSource::initStream() {
    // Without the seek callbacks libFLAC never moves in the stream, which a pipe needs.
    if (!m_seekable)
        return FLAC__stream_decoder_init_stream(m_decoder, &readCallback, nullptr, nullptr, nullptr,
                                                nullptr, &writeCallback, &metadataCallback,
                                                &errorCallback, this);
    return FLAC__stream_decoder_init_stream(m_decoder, &readCallback, &seekCallback, &tellCallback,
                                            &lengthCallback, &eofCallback, &writeCallback,
                                            &metadataCallback, &errorCallback, this);
}

bool CFLACSource::probeSeekable() {
    try {
        m_inStream->seek(m_inStream->getPosition());
        m_inStream->getLength();
        return true;
    } catch (...) {
        return false;
    }
}

FLAC__StreamDecoderSeekStatus CFLACSource::seekCallback(const FLAC__StreamDecoder*,
                                                        FLAC__uint64 offset, void* self) {
    return guardCallback(FLAC__STREAM_DECODER_SEEK_STATUS_ERROR, [&] {
        static_cast<CFLACSource*>(self)->m_inStream->seek(static_cast<int64_t>(offset));
        return FLAC__STREAM_DECODER_SEEK_STATUS_OK;
    });
}

FLAC__StreamDecoderTellStatus CFLACSource::tellCallback(const FLAC__StreamDecoder*,
                                                        FLAC__uint64* offset, void* self) {
    return guardCallback(FLAC__STREAM_DECODER_TELL_STATUS_ERROR, [&] {
        *offset =
            static_cast<FLAC__uint64>(static_cast<CFLACSource*>(self)->m_inStream->getPosition());
        return FLAC__STREAM_DECODER_TELL_STATUS_OK;
    });
}

FLAC__StreamDecoderLengthStatus CFLACSource::lengthCallback(const FLAC__StreamDecoder*,
                                                            FLAC__uint64* length, void* self) {
    return guardCallback(FLAC__STREAM_DECODER_LENGTH_STATUS_ERROR, [&] {
        *length =
            static_cast<FLAC__uint64>(static_cast<CFLACSource*>(self)->m_inStream->getLength());
        return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
    });
}

FLAC__bool CFLACSource::eofCallback(const FLAC__StreamDecoder*, void* self) {
    // On failure the read that follows tells it.
    return guardCallback(FLAC__bool(false), [&]() -> FLAC__bool {
        return static_cast<CFLACSource*>(self)->m_inStream->isEOF();
    });
}

double CFLACSource::getDuration() {
    return m_duration;
}

int32_t CFLACSource::queryNumber() {
    return 100;
}

bool CFLACSource::isAtEnd() {
    // A settled end has finished the decoder, which no longer says END_OF_STREAM.
    return FLAC__stream_decoder_get_state(requireDecoder("isAtEnd")) ==
               FLAC__STREAM_DECODER_END_OF_STREAM ||
           m_streamEnded || m_state == EState::atEnd;
}

void CFLACSource::setUserValue(double value) {
    m_userValue = value;
}

double CFLACSource::getUserValue() {
    return m_userValue;
}

tamu::P<tamu::IURI> CFLACSource::getURI() {
    return m_uri;
}

bool CFLACSource::queryFlag() {
    return true;
}

tamu::P<tamu::IString> CFLACSource::getPluginName() {
    return m_pluginName;
}

tamu::P<tamu::IBase> CFLACSource::getAuxiliary() {
    return {};
}

void CFLACSource::reservedSlot2(int32_t) {}

tamu::P<audio::IAudioChunk> CFLACSource::getNextAudioChunk() {
    FLAC__StreamDecoder* decoder = requireDecoder("getNextAudioChunk");
    if (m_state == EState::atEnd)
        return endOfStream();
    while (!hasReadyFrame()) {
        FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(decoder);
        if (m_streamEnded || state == FLAC__STREAM_DECODER_END_OF_STREAM) {
            settleEnd();
            m_state = EState::atEnd;
            return endOfStream();
        }
        // Aborted reads, Ogg and seek errors leave the decoder where it is: it would never
        // deliver another frame.
        if (state > FLAC__STREAM_DECODER_END_OF_STREAM)
            throw common::COrxaError(
                tamu::formatString("CFLACSource::getNextAudioChunk() - decoder stopped (%s) in %s",
                                   FLAC__StreamDecoderStateString[state], locationText()));
        reportDecoderError();
        // A false result at the end of the input is the truncated last frame; the state tells.
        if (!FLAC__stream_decoder_process_single(decoder))
            reportDecoderError();
    }
    const ReadyFrame& ready = m_readyFrames[m_nextReadyFrame++];
    m_handedOutBlock = ready.block;
    const int64_t endSample = ready.endSample;
    if (m_nextReadyFrame == m_readyFrames.size())
        dropReadyFrames();
    if (!m_converter) {
        double time = static_cast<double>(endSample) / m_sampleRate;
        return m_chunks->make(time, m_handedOutBlock.get());
    }
    return m_converter->convert(m_handedOutBlock->getData(), m_handedOutBlock->getSize(), -1);
}

tamu::P<audio::IAudioChunk> CFLACSource::endOfStream() {
    if (m_endStep == EEndStep::eofError)
        throw common::COrxaEOFError(tamu::str("CFLACSource::getNextAudioChunk()"));
    if (m_endStep == EEndStep::converterRest) {
        m_endStep = EEndStep::emptyChunk;
        if (m_converter) {
            tamu::P<audio::IAudioChunk> rest = m_converter->flush();
            if (rest && rest->getSize() > 0)
                return rest;
        }
    }
    m_endStep = EEndStep::eofError;
    return {};
}

void CFLACSource::dropReadyFrames() {
    // clear keeps the capacity, so steady decoding does not allocate here.
    m_readyFrames.clear();
    m_nextReadyFrame = 0;
}

bool CFLACSource::hasReadyFrame() const {
    return m_nextReadyFrame < m_readyFrames.size();
}

void CFLACSource::settleEnd() {
    if (m_streamEnded || !m_decoder ||
        FLAC__stream_decoder_get_state(m_decoder) != FLAC__STREAM_DECODER_END_OF_STREAM)
        return;
    m_streamEnded = true;
    m_endedEarly = m_totalSamples > 0 && m_nextSample < m_totalSamples;
    // libFLAC's verdict covers the audio it saw; over a gap it would only restate the damage.
    const bool whole = !m_endedEarly && m_lostSamples == 0 && m_crcMismatchCount == 0;
    // After a seek libFLAC has no verdict, and the decoder stays ready for the next one.
    if (m_seeked)
        return;
    FLAC__stream_decoder_finish(m_decoder);
    if (m_hasher && whole) {
        uint8_t digest[16];
        m_hasher->finish(digest);
        m_md5Result = std::equal(std::begin(digest), std::end(digest), std::begin(m_md5))
                          ? EMD5Result::matched
                          : EMD5Result::mismatched;
    }
    m_hasher.reset();
}

int32_t CFLACSource::getSampleRate() {
    return m_sampleRate;
}

int32_t CFLACSource::getChannels() {
    return m_channels;
}

int32_t CFLACSource::getBytesPerSample() {
    return m_bytesPerSample;
}

int32_t CFLACSource::getChannelCode() {
    switch (getChannels()) {
    case 1:
        return 4;
    case 2:
        return 3;
    default:
        return 0;
    }
}

int32_t CFLACSource::getStreamSampleRate() {
    return m_infoSampleRate;
}

int32_t CFLACSource::getStreamChannels() {
    return m_infoChannels;
}

int32_t CFLACSource::getStreamBitsPerSample() {
    return m_infoBitsPerSample;
}

int64_t CFLACSource::getStreamTotalSamples() {
    return m_totalSamples;
}

tamu::P<tamu::IConstArray> CFLACSource::getStreamTags() {
    return m_tags ? m_tags : tamu::make<tamu::CConstArray>();
}

tamu::P<tamu::IString> CFLACSource::getStreamVendor() {
    return m_vendor;
}

void CFLACSource::getStreamMD5(uint8_t signature[16]) {
    std::copy(std::begin(m_md5), std::end(m_md5), signature);
}

int32_t CFLACSource::getStreamMinBlockSize() {
    return m_blockSizes[0];
}

int32_t CFLACSource::getStreamMaxBlockSize() {
    return m_blockSizes[1];
}

int32_t CFLACSource::getStreamMinFrameSize() {
    return m_frameSizes[0];
}

int32_t CFLACSource::getStreamMaxFrameSize() {
    return m_frameSizes[1];
}

int32_t CFLACSource::getStreamSeekPointCount() {
    return m_seekPoints;
}

void CFLACSource::setPictureReading(bool read) {
    m_readPictures = read;
}

int32_t CFLACSource::getStreamPictureCount() {
    return static_cast<int32_t>(m_pictures.size());
}

tamu::P<common::IStreamPicture> CFLACSource::getStreamPicture(int32_t index) {
    if (index < 0 || index >= getStreamPictureCount())
        throw common::COrxaError(tamu::formatString(
            "CFLACSource::getStreamPicture() - no picture %d in %s", index, locationText()));
    return m_pictures[static_cast<size_t>(index)];
}

void CFLACSource::setMD5Checking(bool check) {
    m_checkMD5 = check;
}

bool CFLACSource::getMD5Checking() {
    return m_checkMD5;
}

int64_t CFLACSource::getDecodedSamples() {
    return m_decodedSamples;
}

int64_t CFLACSource::getExpectedSamples() {
    return m_totalSamples;
}

int32_t CFLACSource::getLostSyncCount() {
    return m_lostSyncCount;
}

int32_t CFLACSource::getCRCMismatchCount() {
    return m_crcMismatchCount;
}

int32_t CFLACSource::getHeaderMismatchCount() {
    return m_headerMismatchCount;
}

int64_t CFLACSource::getLostSamples() {
    return m_lostSamples;
}

bool CFLACSource::isStreamEnded() {
    settleEnd();
    return m_streamEnded;
}

bool CFLACSource::isEndedEarly() {
    settleEnd();
    return m_endedEarly;
}

common::IStreamIntegrity::EMD5Result CFLACSource::getMD5Result() {
    settleEnd();
    if (m_seeked)
        return EMD5Result::unchecked;
    if (m_streamEnded)
        return m_md5Result;
    return m_md5Active && !m_md5IsZero ? EMD5Result::pending : EMD5Result::unchecked;
}

bool CFLACSource::isIntact() {
    settleEnd();
    return m_streamEnded && !m_seeked && !m_endedEarly && m_lostSyncCount == 0 &&
           m_crcMismatchCount == 0 && m_headerMismatchCount == 0 && m_lostSamples == 0 &&
           !m_readFailure && m_md5Result != EMD5Result::mismatched;
}

tamu::P<tamu::IString> CFLACSource::getReadFailure() {
    return m_readFailure;
}

const char* CFLACSource::streamInfoDamage(const FLAC__StreamMetadata_StreamInfo& info) {
    if (info.sample_rate == 0 || !FLAC__format_sample_rate_is_valid(info.sample_rate))
        return "STREAMINFO sample rate outside FLAC's range";
    if (info.channels < 1 || info.channels > FLAC__MAX_CHANNELS)
        return "STREAMINFO channel count outside FLAC's range";
    if (info.bits_per_sample < FLAC__MIN_BITS_PER_SAMPLE ||
        info.bits_per_sample > FLAC__MAX_BITS_PER_SAMPLE)
        return "STREAMINFO bit depth outside FLAC's range";
    return nullptr;
}

FLAC__StreamDecoderReadStatus CFLACSource::readCallback(const FLAC__StreamDecoder*,
                                                        FLAC__byte buffer[], size_t* bytes,
                                                        void* self) {
    return static_cast<CFLACSource*>(self)->readBytes(buffer, bytes);
}

FLAC__StreamDecoderWriteStatus CFLACSource::writeCallback(const FLAC__StreamDecoder*,
                                                          const FLAC__Frame* frame,
                                                          const FLAC__int32* const buffer[],
                                                          void* self) {
    return static_cast<CFLACSource*>(self)->writeFrame(*frame, buffer);
}

void CFLACSource::metadataCallback(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata,
                                   void* self) {
    auto* source = static_cast<CFLACSource*>(self);
    // Read again after a rewind: the first reading stands.
    if (source->m_metadataKnown)
        return;
    source->takeMetadata(*metadata);
}

void CFLACSource::errorCallback(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status,
                                void* self) {
    static_cast<CFLACSource*>(self)->takeError(status);
}

FLAC__StreamDecoderReadStatus CFLACSource::readBytes(FLAC__byte* buffer, size_t* bytes) {
    const size_t wanted = *bytes;
    // A failed read hands libFLAC nothing.
    *bytes = 0;
    return guardCallback(
        FLAC__STREAM_DECODER_READ_STATUS_ABORT,
        [&] {
            if (!m_inStream)
                return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
            int32_t got =
                m_inStream->read(buffer, static_cast<int32_t>(std::min<size_t>(wanted, INT32_MAX)));
            *bytes = static_cast<size_t>(got);
            if (got != 0)
                return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
            return m_inStream->isEOF() ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                                       : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
        },
        [&](const CallbackFailure& failure) {
            *bytes = 0;
            if (!failure.message)
                return;
            tamu::P<tamu::IString> line =
                tamu::formatString("CFLACSource: trying to read (%s)", failure.message);
            if (!m_readFailure)
                m_readFailure = line;
            log(hostLevelProgress, line);
        });
}

FLAC__StreamDecoderWriteStatus CFLACSource::writeFrame(const FLAC__Frame& frame,
                                                       const FLAC__int32* const* samples) {
    return guardCallback(
        FLAC__STREAM_DECODER_WRITE_STATUS_ABORT, [&] { return deliverFrame(frame, samples); },
        [&](const CallbackFailure&) {
            log(hostLevelProgress,
                tamu::formatString("CFLACSource: out of memory decoding %s", locationText()));
        });
}

FLAC__StreamDecoderWriteStatus CFLACSource::deliverFrame(const FLAC__Frame& frame,
                                                         const FLAC__int32* const* samples) {
    const int32_t frames = static_cast<int32_t>(frame.header.blocksize);
    const int32_t channels = m_decodedChannels;
    const int32_t bytes = m_decodedBytesPerSample;
    // A frame that disagrees with STREAMINFO is brought into the stream's layout, so a
    // chunk never changes its layout in mid-stream: lacking channels are silent and the
    // frame's bit depth is re-justified to the container.
    const FLAC__int32* channelData[FLAC__MAX_CHANNELS] = {};
    const int32_t present =
        std::min<int32_t>(static_cast<int32_t>(frame.header.channels), channels);
    for (int32_t c = 0; c < present; ++c)
        channelData[c] = samples[c];
    if (present < channels) {
        if (m_silence.size() < static_cast<size_t>(frames))
            m_silence.resize(static_cast<size_t>(frames), 0);
        for (int32_t c = present; c < channels; ++c)
            channelData[c] = m_silence.data();
    }
    const int32_t shift = 8 * bytes - static_cast<int32_t>(frame.header.bits_per_sample);
    if (static_cast<int32_t>(frame.header.channels) != m_infoChannels ||
        static_cast<int32_t>(frame.header.bits_per_sample) != m_infoBitsPerSample ||
        static_cast<int32_t>(frame.header.sample_rate) != m_infoSampleRate)
        ++m_headerMismatchCount;

    tamu::P<tamu::IMemoryBlock> block =
        m_host->getMemoryManager()->allocate(frames * channels * bytes);
    packFrame(channelData, channels, frames, bytes, shift, block->getData());
    if (m_hasher)
        hashFrame(frame, samples,
                  shift == 0 && bytes > 1 && present == static_cast<int32_t>(frame.header.channels)
                      ? block
                      : nullptr);

    // Recovering from damage, libFLAC can hand over two frames in one process call (the
    // damaged one as silence, then the next); each of them must reach the host.
    m_decodedSamples += frames;
    m_position += frames;
    m_readyFrames.push_back({std::move(block), m_position});
    // libFLAC numbers every frame by its first sample; a jump forward is audio it dropped.
    const int64_t first = frame.header.number_type == FLAC__FRAME_NUMBER_TYPE_SAMPLE_NUMBER
                              ? static_cast<int64_t>(frame.header.number.sample_number)
                              : m_nextSample;
    if (first > m_nextSample)
        m_lostSamples += first - m_nextSample;
    m_nextSample = std::max(m_nextSample, first + frames);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void CFLACSource::hashFrame(const FLAC__Frame& frame, const FLAC__int32* const* samples,
                            const tamu::P<tamu::IMemoryBlock>& packed) {
    if (packed) {
        m_hasher->add(packed);
        return;
    }
    const auto channels = static_cast<int32_t>(frame.header.channels);
    const auto frames = static_cast<int32_t>(frame.header.blocksize);
    const auto bits = static_cast<int32_t>(frame.header.bits_per_sample);
    tamu::P<tamu::IMemoryBlock> block =
        m_host->getMemoryManager()->allocate(frames * channels * ((bits + 7) / 8));
    packForSignature(samples, channels, frames, bits, block->getData());
    m_hasher->add(std::move(block));
}

void CFLACSource::takeMetadata(const FLAC__StreamMetadata& metadata) {
    try {
        if (metadata.type == FLAC__METADATA_TYPE_VORBIS_COMMENT) {
            const FLAC__StreamMetadata_VorbisComment& comments = metadata.data.vorbis_comment;
            auto tags = tamu::make<tamu::CArray>();
            for (FLAC__uint32 i = 0; i < comments.num_comments; ++i) {
                const FLAC__StreamMetadata_VorbisComment_Entry& entry = comments.comments[i];
                tags->add(tamu::stringConv::fromUTF8(reinterpret_cast<const char*>(entry.entry),
                                                     static_cast<int32_t>(entry.length))
                              .get());
            }
            m_tags = tamu::make<tamu::CConstArray>(tags.get());
            m_vendor = tamu::stringConv::fromUTF8(
                reinterpret_cast<const char*>(comments.vendor_string.entry),
                static_cast<int32_t>(comments.vendor_string.length));
            return;
        }
        if (metadata.type == FLAC__METADATA_TYPE_SEEKTABLE) {
            const FLAC__StreamMetadata_SeekTable& table = metadata.data.seek_table;
            m_seekPoints = 0;
            for (uint32_t i = 0; i < table.num_points; ++i)
                m_seekPoints +=
                    table.points[i].sample_number != FLAC__STREAM_METADATA_SEEKPOINT_PLACEHOLDER;
            return;
        }
        if (metadata.type == FLAC__METADATA_TYPE_PICTURE) {
            const FLAC__StreamMetadata_Picture& picture = metadata.data.picture;
            common::CStreamPicture::Fields fields;
            fields.type = static_cast<int32_t>(picture.type);
            fields.mimeType = tamu::stringConv::fromUTF8(picture.mime_type);
            fields.description =
                tamu::stringConv::fromUTF8(reinterpret_cast<const char*>(picture.description));
            fields.width = static_cast<int32_t>(picture.width);
            fields.height = static_cast<int32_t>(picture.height);
            fields.depth = static_cast<int32_t>(picture.depth);
            fields.colours = static_cast<int32_t>(picture.colors);
            fields.data = m_host->getMemoryManager()->allocate(
                static_cast<int32_t>(std::min<FLAC__uint32>(picture.data_length, INT32_MAX)));
            std::copy_n(picture.data, fields.data->getSize(), fields.data->getData());
            m_pictures.push_back(tamu::make<common::CStreamPicture>(std::move(fields)));
            return;
        }
        if (metadata.type != FLAC__METADATA_TYPE_STREAMINFO)
            return;
        const FLAC__StreamMetadata_StreamInfo& info = metadata.data.stream_info;
        // The first block describes the stream; a second one is damage, never a replacement.
        if (++m_streamInfoBlocks > 1) {
            m_streamInfoDamage = "a second STREAMINFO block";
            return;
        }
        m_streamInfoDamage = streamInfoDamage(info);
        m_md5IsZero = std::all_of(std::begin(info.md5sum), std::end(info.md5sum),
                                  [](FLAC__byte b) { return b == 0; });
        std::copy(std::begin(info.md5sum), std::end(info.md5sum), std::begin(m_md5));
        m_blockSizes[0] = static_cast<int32_t>(info.min_blocksize);
        m_blockSizes[1] = static_cast<int32_t>(info.max_blocksize);
        m_frameSizes[0] = static_cast<int32_t>(info.min_framesize);
        m_frameSizes[1] = static_cast<int32_t>(info.max_framesize);
        m_infoSampleRate = static_cast<int32_t>(info.sample_rate);
        m_infoChannels = static_cast<int32_t>(info.channels);
        m_infoBitsPerSample = static_cast<int32_t>(info.bits_per_sample);
        m_totalSamples = static_cast<int64_t>(info.total_samples);
        m_decodedSampleRate = static_cast<int32_t>(info.sample_rate);
        m_decodedChannels = m_infoChannels;
        m_decodedBytesPerSample = containerBytes(info.bits_per_sample);
        if (info.total_samples == 0)
            log(hostLevelSevere,
                tamu::formatString("CFLACSource: missing total samples in stream info (%s)",
                                   locationText()));
        else if (info.sample_rate > 0)
            m_duration = static_cast<double>(info.total_samples) / info.sample_rate;
    } catch (...) {
        // A tag list that cannot be made is no reason to stop decoding.
    }
}

void CFLACSource::takeError(FLAC__StreamDecoderErrorStatus status) {
    const int32_t number = static_cast<int32_t>(status);
    if (status == FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC ||
        status == FLAC__STREAM_DECODER_ERROR_STATUS_FRAME_CRC_MISMATCH) {
        try {
            log(hostLevelSevere,
                tamu::formatString(status == FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC
                                       ? tamu::str("CFLACSource: "
                                                   "FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC "
                                                   "(%d) ignored in %s")
                                       : tamu::str("CFLACSource: "
                                                   "FLAC__STREAM_DECODER_ERROR_STATUS_FRAME_CRC_"
                                                   "MISMATCH (%d) ignored in %s"),
                                   number, locationText()));
        } catch (...) {
        }
        if (status == FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC)
            ++m_lostSyncCount;
        else
            ++m_crcMismatchCount;
        m_errorPending = false;
        return;
    }
    m_errorPending = true;
    m_errorStatus = number;
}

void CFLACSource::reportDecoderError() {
    if (!m_errorPending)
        return;
    m_errorPending = false;
    throw common::COrxaError(tamu::formatString("CFLACSource - %s (%d) in %s",
                                                errorStatusName(m_errorStatus), m_errorStatus,
                                                locationText()));
}

FLAC__StreamDecoder* CFLACSource::requireDecoder(const char* method) {
    if (!m_decoder || !isOpened())
        throw common::COrxaError(tamu::formatString("CFLACSource::%s() - source not open in %s",
                                                    method, locationText()));
    return m_decoder;
}

void CFLACSource::deleteDecoder() {
    if (m_decoder) {
        FLAC__stream_decoder_delete(m_decoder);
        m_decoder = nullptr;
    }
}

void CFLACSource::log(int32_t level, const tamu::P<tamu::IString>& text) {
    common::logToHost(*m_host, level, text);
}

tamu::P<tamu::IString> CFLACSource::locationText() const {
    return m_uri->toString();
}

} // namespace orxa::flac
