#include "CDecodingSource.h"

#include "CInputFile.h"
#include "CJobError.h"
#include "fileLocation.h"
#include "jobs.h"

#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/COrxaEOFError.h"
#include "orxa/common/IAudioSource.h"
#include "orxa/common/IAudioStreamInfo.h"
#include "orxa/common/IOrxaPlugin.h"
#include "orxa/common/IStreamIntegrity.h"
#include "orxa/common/workerOptions.h"
#include "tamu/IConstArray.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/stringConv.h"

#include <algorithm>
#include <cstdio>

namespace orxa::host {

namespace {
// Most files are CD audio: a first source made for it is usually the one that decodes.
constexpr Layout commonLayout{44100, 2, 2};
} // namespace

CDecodingSource::CDecodingSource(orxa::common::IOrxaPlugin& plugin, const CInputFile& input,
                                 const Layout& wanted, bool checkMD5, bool readPictures)
    : m_path(input.name()), m_openPath(input.openPath()), m_checkMD5(checkMD5) {
    Layout first = wanted.isComplete() ? wanted : commonLayout;
    // The first source tells everything about the file; a second one only decodes.
    m_source = open(plugin, first, readPictures);
    readInfo();
    m_layout = resolve(wanted);
    if (m_layout != first) {
        close();
        m_source = open(plugin, m_layout, false);
    }
}

CDecodingSource::~CDecodingSource() {
    if (m_source) {
        try {
            m_source->close();
        } catch (...) {
            // Only reached when the job has failed already; its first failure is the one told.
        }
    }
}

std::string StreamInfo::md5Hex() const {
    if (std::all_of(md5.begin(), md5.end(), [](uint8_t byte) { return byte == 0; }))
        return {};
    std::string text;
    char hex[3];
    for (uint8_t byte : md5) {
        std::snprintf(hex, sizeof hex, "%02x", byte);
        text += hex;
    }
    return text;
}

tamu::P<orxa::common::IAudioSource> CDecodingSource::open(orxa::common::IOrxaPlugin& plugin,
                                                          const Layout& layout, bool readPictures) {
    return CJobError::about(m_path, m_openPath, [&] {
        orxa::common::SourceOptions options{};
        options.size = sizeof options;
        options.sampleRate = layout.sampleRate;
        options.channels = layout.channels;
        options.bytesPerSample = layout.bytesPerSample;
        tamu::P<orxa::common::ISource> made =
            plugin.createSource(fileLocation(m_openPath), orxa::common::sourceKind, 0, &options);
        tamu::P<orxa::common::IAudioSource> source =
            tamu::tryInterfaceCast<orxa::common::IAudioSource>(made);
        if (!source)
            throw CJobError(m_path, "the plug-in made no audio source");
        // A source without the report cannot be checked; the delivered length still is.
        m_integrity = tamu::tryInterfaceCast<orxa::common::IStreamIntegrity>(made);
        if (m_integrity)
            m_integrity->setMD5Checking(m_checkMD5);
        if (readPictures) {
            if (tamu::P<orxa::common::IAudioStreamInfo> info =
                    tamu::tryInterfaceCast<orxa::common::IAudioStreamInfo>(made))
                info->setPictureReading(true);
        }
        source->open();
        return source;
    });
}

void CDecodingSource::readInfo() {
    tamu::P<orxa::common::IAudioStreamInfo> stream =
        tamu::tryInterfaceCast<orxa::common::IAudioStreamInfo>(m_source);
    if (!stream)
        throw CJobError(m_path, "the plug-in does not tell the stream's layout");
    CJobError::about(m_path, [&] {
        m_info.sampleRate = stream->getStreamSampleRate();
        m_info.channels = stream->getStreamChannels();
        m_info.bitsPerSample = stream->getStreamBitsPerSample();
        m_info.totalSamples = stream->getStreamTotalSamples();
        m_info.duration = m_source->getDuration();
        m_info.seekPoints = stream->getStreamSeekPointCount();
        m_info.tags.clear();
        if (tamu::P<tamu::IConstArray> tags = stream->getStreamTags()) {
            for (int32_t i = 0; i < tags->getCount(); ++i)
                if (tamu::P<tamu::IBase> tag = tags->get(i))
                    m_info.tags.push_back(tamu::stringConv::toStdString(*tag->toString()));
        }
        if (tamu::P<tamu::IString> vendor = stream->getStreamVendor())
            m_info.vendor = tamu::stringConv::toStdString(*vendor);
        stream->getStreamMD5(m_info.md5.data());
        m_info.minBlockSize = stream->getStreamMinBlockSize();
        m_info.maxBlockSize = stream->getStreamMaxBlockSize();
        m_info.minFrameSize = stream->getStreamMinFrameSize();
        m_info.maxFrameSize = stream->getStreamMaxFrameSize();
        m_info.pictures.clear();
        for (int32_t i = 0; i < stream->getStreamPictureCount(); ++i)
            m_info.pictures.push_back(stream->getStreamPicture(i));
    });
}

Layout CDecodingSource::resolve(const Layout& wanted) const {
    // The source delivers each sample in whole bytes, a narrower depth filling its container.
    Layout own{m_info.sampleRate, m_info.channels, (m_info.bitsPerSample + 7) / 8};
    return Layout{wanted.sampleRate ? wanted.sampleRate : own.sampleRate,
                  wanted.channels ? wanted.channels : own.channels,
                  wanted.bytesPerSample ? wanted.bytesPerSample : own.bytesPerSample};
}

void CDecodingSource::throwReadFailure() const {
    if (!m_integrity)
        return;
    if (tamu::P<tamu::IString> failure = m_integrity->getReadFailure())
        throw CJobError(
            m_path, CJobError::naming(tamu::stringConv::toStdString(*failure), m_openPath, m_path));
}

void CDecodingSource::restrictTo(const Span& span) {
    m_span = span;
    m_remaining = span.framesAt(m_info.sampleRate, m_layout.sampleRate);
    if (span.first == 0)
        return;
    CJobError::about(m_path, m_openPath, [&] {
        m_source->skipTo(static_cast<double>(span.first) / m_info.sampleRate);
        throwReadFailure();
    });
}

tamu::P<orxa::audio::IAudioChunk> CDecodingSource::next() {
    return CJobError::about(m_path, m_openPath, [&]() -> tamu::P<orxa::audio::IAudioChunk> {
        if (m_remaining == 0)
            return {};
        tamu::P<orxa::audio::IAudioChunk> chunk;
        try {
            chunk = m_source->getNextAudioChunk();
        } catch (const orxa::common::COrxaEOFError&) {
            // The source's other way of telling the end.
        }
        throwReadFailure();
        if (!chunk)
            return chunk;
        int64_t frames = chunk->getSize() / m_layout.frameBytes();
        if (m_remaining >= 0) {
            // The end of the span falls inside this chunk: the rest is not delivered.
            if (frames > m_remaining) {
                frames = m_remaining;
                chunk->getMemoryBlock()->setSize(static_cast<int32_t>(frames) *
                                                 m_layout.frameBytes());
            }
            m_remaining -= frames;
        }
        m_framesDelivered += frames;
        return chunk;
    });
}

void CDecodingSource::close() {
    tamu::P<orxa::common::IAudioSource> source = m_source;
    m_source = nullptr;
    CJobError::about(m_path, [&] { source->close(); });
}

} // namespace orxa::host

namespace orxa::host {

namespace {

std::string plural(int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

std::string CDecodingSource::damage() const {
    using EMD5Result = orxa::common::IStreamIntegrity::EMD5Result;
    std::vector<std::string> found;
    double rate = m_info.sampleRate > 0 ? m_info.sampleRate : 1.0;
    int64_t expected = m_info.totalSamples, decoded = -1;
    if (m_integrity) {
        CJobError::about(m_path, [&] {
            expected = m_integrity->getExpectedSamples();
            if (m_integrity->isEndedEarly())
                decoded = m_integrity->getDecodedSamples();
            if (int32_t crc = m_integrity->getCRCMismatchCount())
                found.push_back(plural(crc, "frame failed its", "frames failed their") +
                                " CRC check");
            if (int32_t odd = m_integrity->getHeaderMismatchCount())
                found.push_back(plural(odd, "frame disagrees", "frames disagree") +
                                " with the stream header's layout");
            if (int32_t lost = m_integrity->getLostSyncCount())
                found.push_back("lost sync " + plural(lost, "time", "times"));
            if (m_integrity->getMD5Result() == EMD5Result::mismatched)
                found.push_back("MD5 signature mismatch");
        });
    } else if (expected > 0 && m_span.isWhole() && m_layout.sampleRate == m_info.sampleRate &&
               m_framesDelivered < expected) {
        decoded = m_framesDelivered;
    }
    if (decoded >= 0)
        found.insert(found.begin(), "stream ends at " + formatClock(decoded / rate) + " of " +
                                        formatClock(expected / rate) + " (truncated)");
    std::string text;
    for (const std::string& one : found)
        text += (text.empty() ? "" : "; ") + one;
    return text;
}

} // namespace orxa::host
