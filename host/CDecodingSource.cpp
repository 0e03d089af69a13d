#include "CDecodingSource.h"

#include "CHostLog.h"
#include "CJobError.h"
#include "fileLocation.h"

#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/COrxaEOFError.h"
#include "orxa/common/IAudioSource.h"
#include "orxa/common/IAudioStreamInfo.h"
#include "orxa/common/IOrxaPlugin.h"
#include "orxa/common/workerOptions.h"
#include "tamu/IConstArray.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/stringConv.h"

#include <algorithm>

namespace orxa::host {

namespace {
// Most files are CD audio: a first source made for it is usually the one that decodes.
constexpr Layout commonLayout{44100, 2, 2};
} // namespace

CDecodingSource::CDecodingSource(orxa::common::IOrxaPlugin& plugin, const std::string& path,
                                 const Layout& wanted)
    : m_path(path) {
    checkReadableFile(path);
    Layout first = wanted.isComplete() ? wanted : commonLayout;
    m_source = open(plugin, first);
    readInfo();
    m_layout = resolve(wanted);
    if (m_layout != first) {
        close();
        m_source = open(plugin, m_layout);
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

tamu::P<orxa::common::IAudioSource> CDecodingSource::open(orxa::common::IOrxaPlugin& plugin,
                                                          const Layout& layout) {
    return CJobError::about(m_path, [&] {
        orxa::common::SourceOptions options{};
        options.size = sizeof options;
        options.sampleRate = layout.sampleRate;
        options.channels = layout.channels;
        options.bytesPerSample = layout.bytesPerSample;
        tamu::P<orxa::common::ISource> made =
            plugin.createSource(fileLocation(m_path), orxa::common::sourceKind, 0, &options);
        tamu::P<orxa::common::IAudioSource> source =
            tamu::tryInterfaceCast<orxa::common::IAudioSource>(made);
        if (!source)
            throw CJobError(m_path, "the plug-in made no audio source");
        CHostLog::takeThreadFailure();
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
        m_info.tags.clear();
        if (tamu::P<tamu::IConstArray> tags = stream->getStreamTags()) {
            for (int32_t i = 0; i < tags->getCount(); ++i)
                if (tamu::P<tamu::IBase> tag = tags->get(i))
                    m_info.tags.push_back(tamu::stringConv::toStdString(*tag->toString()));
        }
    });
}

Layout CDecodingSource::resolve(const Layout& wanted) const {
    // The source delivers each sample in whole bytes, a narrower depth filling its container.
    Layout own{m_info.sampleRate, std::min(m_info.channels, 2), (m_info.bitsPerSample + 7) / 8};
    Layout layout{wanted.sampleRate ? wanted.sampleRate : own.sampleRate,
                  wanted.channels ? wanted.channels : own.channels, 0};
    bool converts = layout.sampleRate != own.sampleRate || layout.channels != own.channels;
    // The converter delivers 16-bit samples; unasked, a conversion gets them.
    layout.bytesPerSample = wanted.bytesPerSample ? wanted.bytesPerSample
                            : converts            ? 2
                                                  : own.bytesPerSample;
    converts = converts || layout.bytesPerSample != own.bytesPerSample;
    if (converts && layout.bytesPerSample != 2)
        throw CJobError(m_path, "converted audio comes as 16-bit samples only (--bytes 2)");
    return layout;
}

tamu::P<orxa::audio::IAudioChunk> CDecodingSource::next() {
    return CJobError::about(m_path, [&]() -> tamu::P<orxa::audio::IAudioChunk> {
        tamu::P<orxa::audio::IAudioChunk> chunk;
        try {
            chunk = m_source->getNextAudioChunk();
        } catch (const orxa::common::COrxaEOFError&) {
            // The source's other way of telling the end.
        }
        std::string failure = CHostLog::takeThreadFailure();
        if (!failure.empty())
            throw CJobError(m_path, failure);
        return chunk;
    });
}

void CDecodingSource::close() {
    tamu::P<orxa::common::IAudioSource> source = m_source;
    m_source = nullptr;
    CJobError::about(m_path, [&] { source->close(); });
}

} // namespace orxa::host
